// The sanitizer build's options, built into each of its programs so that they
// hold however it is started (CTest, scripts/test.sh, by hand): any report
// fails the run, and leaks are reported at exit but for library noise.
extern "C" {
const char* __asan_default_options() { return "detect_leaks=1:abort_on_error=0"; }
const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
const char* __lsan_default_options() { return "print_suppressions=0"; }

// Nothing of the game's own. libX11 (under a real X server) keeps two strings
// of its input-method set-up; a report's short stack stops inside it, without
// a function name to match. On sdl12-compat, SDL 2's own stack keeps memory to
// the end: Mesa's GLX (it presents through OpenGL) and libdbus (its desktop
// services), which the game never calls itself.
const char* __lsan_default_suppressions()
{
    return "leak:libX11.so\n"
           "leak:libGLX_mesa.so\n"
           "leak:libdbus-1.so\n";
}
}
