// The process on a POSIX system: its standard streams, its files and its
// environment. A closed stream would be taken by the next file opened (the X
// connection, say), and the per-frame line would then be written into it; a
// full pipe that nobody reads would stop the game in the middle of a frame,
// deaf to Escape, with the keyboard and pointer grabbed.
#include "platform.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

// Where the per-frame line is written: standard output, or the game's own
// non-blocking opening of the pipe that standard output is.
int frame_output = STDOUT_FILENO;

} // namespace

// The launcher (or scripts/play.sh) starts the game where its pictures are.
void enter_game_directory() {}

void attach_closed_streams()
{
    // In order: open() takes the lowest free number, which is then the closed stream.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        }
    }
}

// Standard output's file description is shared with whoever started the game,
// so it is never made non-blocking. A pipe opened again through /proc is a
// description of the game's own, which can be. A reader that went away (`fiends
// | head -1`) would kill the game at its next line; its lines fail instead and
// are dropped like a full pipe's.
void open_frame_output()
{
    signal(SIGPIPE, SIG_IGN);
    struct stat out {};
    if (fstat(STDOUT_FILENO, &out) == 0 && S_ISFIFO(out.st_mode)) {
        const int own = open("/proc/self/fd/1", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (own != -1) {
            frame_output = own;
        }
    }
}

// A short line goes into a pipe whole or not at all: through the game's own
// opening of it, only when it does not fit. Other outputs are asked first
// whether a write would wait; a pipe asked so says it would as soon as less than
// a page is free, which would drop most lines of a small pipe that is read.
void write_frame_line(const char* line, int length)
{
    pollfd out{STDOUT_FILENO, POLLOUT, 0};
    if (frame_output == STDOUT_FILENO && (poll(&out, 1, 0) != 1 || (out.revents & POLLOUT) == 0)) {
        return;
    }
    const ssize_t written = write(frame_output, line, static_cast<size_t>(length));
    (void)written; // a line that could not be written is dropped, like a full pipe's
}

void report_fatal(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

void set_environment(const char* name, const char* value, bool overwrite)
{
    setenv(name, value, overwrite ? 1 : 0);
}

// Opened first and then looked at, so that what is looked at is what is read;
// non-blocking, so that a FIFO is not waited on for a writer meanwhile.
std::FILE* open_regular_file(const char* path, std::string& reason)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd == -1) {
        reason = std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    std::FILE* file = nullptr;
    if (fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
    } else if ((file = fdopen(fd, "rb")) == nullptr) {
        reason = std::strerror(errno);
    }
    if (file == nullptr) {
        close(fd);
    }
    return file;
}
