// The process and the display on Windows: the program's own directory, the
// standard streams of a windowed program, a message box for a fatal line that
// no standard error would show, and one game a session.
#include "platform.h"

#include <SDL.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

// In the session's own namespace; Windows frees it when the process ends,
// however it ends.
constexpr const wchar_t* GAME_MUTEX = L"Local\\Fiends.Game";

// Started from Explorer or the Start menu, a windowed program has no standard
// streams at all.
bool stderr_given = true;

// A pipe, a console or a device may keep a write waiting for as long as its
// reader likes, so the per-frame lines for them go through a queue to a writer
// thread of their own; a line that finds the queue full is dropped. Files are
// written at once.
constexpr int QUEUED_LINES = 64;
struct Line {
    char text[64];
    int length;
};
Line queue[QUEUED_LINES];
int queue_first = 0;
int queue_count = 0; // lines not yet written, the one being written included
CRITICAL_SECTION queue_lock;
HANDLE queue_filled = nullptr;
HANDLE frame_output = nullptr; // the writer's; none: lines are written at once

bool invalid_handle(intptr_t handle)
{
    // -2: what the C runtime keeps for a stream the process was never given.
    return handle == -1 || handle == -2 ||
           GetFileType(reinterpret_cast<HANDLE>(handle)) == FILE_TYPE_UNKNOWN;
}

bool take_first_queued(Line& line)
{
    EnterCriticalSection(&queue_lock);
    const bool any = queue_count > 0;
    if (any) {
        line = queue[queue_first];
    }
    LeaveCriticalSection(&queue_lock);
    return any;
}

void drop_first_queued()
{
    EnterCriticalSection(&queue_lock);
    queue_first = (queue_first + 1) % QUEUED_LINES;
    --queue_count;
    LeaveCriticalSection(&queue_lock);
}

// Ends when the reader has gone: nothing would be read any more.
DWORD WINAPI write_queued_lines(void*)
{
    Line line;
    for (;;) {
        WaitForSingleObject(queue_filled, INFINITE);
        while (take_first_queued(line)) {
            DWORD written = 0;
            if (!WriteFile(frame_output, line.text, static_cast<DWORD>(line.length), &written,
                           nullptr)) {
                return 0;
            }
            drop_first_queued();
        }
    }
}

// At exit the last lines get a moment to reach a reader that reads.
void let_queue_drain()
{
    for (int ms = 0; ms < 100; ++ms) {
        EnterCriticalSection(&queue_lock);
        const bool empty = queue_count == 0;
        LeaveCriticalSection(&queue_lock);
        if (empty) {
            return;
        }
        Sleep(1);
    }
}

// SDL goes first: its full-screen window and the monitor's mode would stand
// between the player and the box.
void show_message(const char* text)
{
    SDL_Quit();
    wchar_t wide[1024];
    if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 1024) == 0) {
        return;
    }
    const std::size_t length = std::wcslen(wide);
    if (length > 0 && wide[length - 1] == L'\n') {
        wide[length - 1] = L'\0';
    }
    MessageBoxW(nullptr, wide, L"Fiends", MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}

bool drawing_on_windows()
{
    char name[32] = "";
    SDL_VideoDriverName(name, sizeof name);
    return std::strcmp(name, "windib") == 0 || std::strcmp(name, "directx") == 0;
}

} // namespace

// Unpacked or installed anywhere, started from anywhere: the pictures are
// beside the program.
void enter_game_directory()
{
    static wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(nullptr, path, 32768);
    if (length == 0 || length == 32768) {
        return;
    }
    wchar_t* last = std::wcsrchr(path, L'\\');
    if (last != nullptr) {
        *last = L'\0';
        SetCurrentDirectoryW(path);
    }
}

// The line is "\n"-ended, byte for byte as on every other platform: every
// stream is switched out of the C runtime's CRLF text mode.
void attach_closed_streams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (!invalid_handle(_get_osfhandle(fd))) {
            continue;
        }
        stderr_given = stderr_given && fd != 2;
        const int null = _open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
        if (null != -1 && null != fd) {
            _dup2(null, fd);
            _close(null);
        }
    }
    _setmode(1, _O_BINARY);
    _setmode(2, _O_BINARY);
}

void open_frame_output()
{
    const auto out = reinterpret_cast<HANDLE>(_get_osfhandle(1));
    if (invalid_handle(reinterpret_cast<intptr_t>(out)) || GetFileType(out) == FILE_TYPE_DISK) {
        return;
    }
    InitializeCriticalSection(&queue_lock);
    queue_filled = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (queue_filled == nullptr) {
        return;
    }
    frame_output = out;
    HANDLE writer = CreateThread(nullptr, 0, write_queued_lines, nullptr, 0, nullptr);
    if (writer == nullptr) {
        frame_output = nullptr;
        return;
    }
    CloseHandle(writer);
    std::atexit(let_queue_drain);
}

void write_frame_line(const char* line, int length)
{
    if (frame_output == nullptr) {
        const int written = _write(1, line, static_cast<unsigned>(length));
        (void)written; // a line that could not be written is dropped
        return;
    }
    EnterCriticalSection(&queue_lock);
    const bool room = queue_count < QUEUED_LINES && length <= static_cast<int>(sizeof queue[0].text);
    if (room) {
        Line& last = queue[(queue_first + queue_count) % QUEUED_LINES];
        std::memcpy(last.text, line, static_cast<std::size_t>(length));
        last.length = length;
        ++queue_count;
    }
    LeaveCriticalSection(&queue_lock);
    if (room) {
        SetEvent(queue_filled);
    }
}

void report_fatal(const char* format, ...)
{
    char text[1024];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fputs(text, stderr);
    std::fflush(stderr);
    if (!stderr_given) {
        show_message(text);
    }
}

void set_environment(const char* name, const char* value, bool overwrite)
{
    if (overwrite || std::getenv(name) == nullptr) {
        _putenv_s(name, value);
    }
}

// Windows has no FIFOs among files; a device name is not a regular file.
std::FILE* open_regular_file(const char* path, std::string& reason)
{
    struct _stat64 info {};
    if (_stat64(path, &info) != 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        reason = "not a regular file";
        return nullptr;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        reason = std::strerror(errno);
    }
    return file;
}

// The desktop is the game's own machine's.
bool display_answers()
{
    return true;
}

// Only where SDL draws on the desktop: the dummy driver's games (the tests)
// may run side by side.
void display_claim()
{
    if (!drawing_on_windows()) {
        return;
    }
    const HANDLE claim = CreateMutexW(nullptr, FALSE, GAME_MUTEX);
    if (claim != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        report_fatal("A game is already running in this session\n");
        std::exit(1);
    }
}

// Hidden in a full-screen window, SDL's pointer on Windows is relative motion
// only (SDL puts the system pointer back in the middle and adds up the moves),
// so a tablet, a touch screen or a remote desktop would not land where it
// points. Not for the dummy driver (the tests), which has no pointer to show.
bool display_keeps_pointer_shown()
{
    return drawing_on_windows();
}

// Windows gives a clicked window the keyboard itself.
void display_take_keyboard() {}
