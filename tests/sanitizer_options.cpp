// The sanitizer build's options, built into each of its programs so that they
// hold however it is started (CTest, scripts/test.sh, by hand): any report
// fails the run, and leaks are reported at exit but for library noise.
extern "C" {

const char* __asan_default_options() { return "detect_leaks=1:abort_on_error=0"; }

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

const char* __lsan_default_options() { return "print_suppressions=0"; }

// Nothing of the game's own is suppressed.
const char* __lsan_default_suppressions()
{
    // libX11 keeps two small strdup'd strings of its input-method set-up
    // (opened by SDL's X11 driver) and never frees them. The default short
    // stack of a leak report stops inside libX11, without a function name to
    // match, so the library is matched as a whole. Under a real X server only.
    // On sdl12-compat, SDL 2 underneath brings its own stack, which keeps
    // memory to the end of the process: Mesa's GLX (SDL 2 presents through
    // OpenGL) and libdbus (SDL 2's desktop services). The game never calls
    // either itself, so a leak whose stack passes through them is theirs; the
    // game's own leaks (its surfaces, sprite sheets, anything it allocates)
    // never do.
    return "leak:libX11.so\n"
           "leak:libGLX_mesa.so\n"
           "leak:libdbus-1.so\n";
}
}
