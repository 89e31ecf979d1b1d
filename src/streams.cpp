// Owns the standard streams. A closed one would be taken by the next file opened
// (the X connection, say), and the per-frame line would then be written into
// it; a full pipe that nobody reads would stop the game in the middle of a frame,
// deaf to Escape, with the keyboard and pointer grabbed.
#include "streams.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

void attach_closed_streams()
{
    // In order: open() takes the lowest free number, which is then the closed stream.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        }
    }
}

// Standard output's file description is shared with whoever started the game, so
// it is never made non-blocking; the game asks instead whether a write would
// wait. A short line goes into a pipe whole or not at all.
void write_frame_line(int ticks)
{
    char line[64];
    const int length = std::snprintf(line, sizeof line, "Ticks passed this frame: %i\n", ticks);
    pollfd out{STDOUT_FILENO, POLLOUT, 0};
    if (poll(&out, 1, 0) == 1 && (out.revents & POLLOUT) != 0) {
        const ssize_t written = write(STDOUT_FILENO, line, static_cast<size_t>(length));
        (void)written; // a line that could not be written is dropped, like a full pipe's
    }
}
