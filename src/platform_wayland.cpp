// The display under a Wayland compositor: the game's own connection to it,
// beside SDL 2's, speaking just enough of the protocol to list what the
// compositor offers. It tells a compositor that never answers and one without
// a seat, on which SDL 2 would wait for ever or crash; and, by the connection
// closing, a compositor gone, which SDL 2 only turns into a quit event that
// the game never reads.
#include "platform_wayland.h"

#include "platform.h"

#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

// The protocol's own object is 1; a client numbers the objects it makes from 2.
// Each message: the object, then its size in bytes (high half) and opcode.
constexpr uint32_t DISPLAY_OBJECT = 1;
constexpr uint32_t REGISTRY_OBJECT = 2;
constexpr uint32_t CALLBACK_OBJECT = 3;
constexpr uint32_t SYNC_REQUEST = 0;
constexpr uint32_t GET_REGISTRY_REQUEST = 1;
constexpr uint32_t GLOBAL_EVENT = 0;
constexpr uint32_t DONE_EVENT = 0;
constexpr std::size_t HEADER_BYTES = 8;

int connection = -1;
std::string display_name; // as the player's environment names it
bool claimed = false;

// WAYLAND_DISPLAY names a socket in the session's directory, or the socket's
// whole path; unset, SDL 2 looks for "wayland-0".
std::string socket_path()
{
    const char* name = std::getenv("WAYLAND_DISPLAY");
    display_name = name != nullptr && name[0] != '\0' ? name : "wayland-0";
    if (display_name[0] == '/') {
        return display_name;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime != nullptr && runtime[0] == '/' ? std::string(runtime) + "/" + display_name
                                                   : std::string();
}

bool connect_to_compositor()
{
    const std::string path = socket_path();
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    connection = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connection != -1 &&
        connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        return true;
    }
    wayland_close();
    return false;
}

uint32_t word_at(const std::string& in, std::size_t at)
{
    uint32_t word = 0;
    std::memcpy(&word, in.data() + at, sizeof word);
    return word;
}

// A global's message, `size` bytes at the start of `in`: its name, the
// interface's length with its NUL, the interface, then its version.
bool names_seat(const std::string& in, std::size_t size)
{
    static constexpr char SEAT[] = "wl_seat";
    return size >= 16 + sizeof SEAT && word_at(in, 12) == sizeof SEAT &&
           std::memcmp(in.data() + 16, SEAT, sizeof SEAT) == 0;
}

enum class Answer { SEAT, NO_SEAT, SILENT, OTHER };

// Asks for the globals, then for a sign that all have been sent, and reads them
// until it comes.
Answer ask_for_seat()
{
    const uint32_t ask[] = {DISPLAY_OBJECT, 12U << 16 | GET_REGISTRY_REQUEST, REGISTRY_OBJECT,
                            DISPLAY_OBJECT, 12U << 16 | SYNC_REQUEST, CALLBACK_OBJECT};
    if (send(connection, ask, sizeof ask, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof ask)) {
        return Answer::OTHER;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(ANSWER_SECONDS);
    std::string in;
    bool seat = false;
    for (;;) {
        while (in.size() >= HEADER_BYTES) {
            const std::size_t size = word_at(in, 4) >> 16;
            if (size < HEADER_BYTES) {
                return Answer::OTHER; // not a Wayland compositor
            }
            if (in.size() < size) {
                break; // the rest of it is still on its way
            }
            const uint32_t object = word_at(in, 0);
            const uint32_t opcode = word_at(in, 4) & 0xFFFF;
            if (object == CALLBACK_OBJECT && opcode == DONE_EVENT) {
                return seat ? Answer::SEAT : Answer::NO_SEAT;
            }
            seat = seat || (object == REGISTRY_OBJECT && opcode == GLOBAL_EVENT &&
                            names_seat(in, size));
            in.erase(0, size);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable{connection, POLLIN, 0};
        if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) == 0) {
            return Answer::SILENT;
        }
        char chunk[4096];
        const ssize_t got = recv(connection, chunk, sizeof chunk, 0);
        if (got <= 0) {
            return Answer::OTHER; // SDL 2's own connection says what is wrong
        }
        in.append(chunk, static_cast<std::size_t>(got));
    }
}

// The compositor closes every client's connection as it ends, however it ends.
// Nothing of the game can be shown any more, so it ends too, at once.
void end_when_compositor_goes()
{
    std::thread([] {
        pollfd closed{connection, 0, 0}; // woken only by the connection's end
        while (poll(&closed, 1, -1) == -1 && errno == EINTR) {
        }
        report_fatal("Lost the display %s\n", display_name.c_str());
        std::_Exit(1);
    }).detach();
}

} // namespace

bool wayland_looked_for()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver != nullptr && driver[0] != '\0') {
        return std::strncmp(driver, "wayland", 7) == 0;
    }
    const char* x = std::getenv("DISPLAY");
    return x == nullptr || x[0] == '\0';
}

bool wayland_answers()
{
    if (connection != -1 || !connect_to_compositor()) {
        return true; // none: SDL 2's own connection reports what is wrong
    }
    switch (ask_for_seat()) {
    case Answer::SILENT:
        SDL_SetError("No answer from display %s in %d seconds", display_name.c_str(),
                     ANSWER_SECONDS);
        return false;
    case Answer::NO_SEAT:
        SDL_SetError("Display %s has no seat: no keyboard and no pointer to play with",
                     display_name.c_str());
        return false;
    default:
        return true;
    }
}

void wayland_claim()
{
    if (claimed || (connection == -1 && !connect_to_compositor())) {
        return;
    }
    claimed = true;
    const std::string name = display_name.substr(display_name.rfind('/') + 1);
    if (!take_session_lock(name)) {
        report_fatal("A game is already running on display %s\n", display_name.c_str());
        std::exit(1);
    }
    end_when_compositor_goes();
}

void wayland_close()
{
    if (connection != -1 && !claimed) {
        close(connection);
        connection = -1;
    }
}

bool take_session_lock(const std::string& display)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        return true; // no session directory: nothing to hold
    }
    const std::string path = std::string(runtime) + "/fiends-" + display + ".lock";
    const int lock = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    return lock == -1 || flock(lock, LOCK_EX | LOCK_NB) == 0;
}
