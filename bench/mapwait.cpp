// Starts a program and reports how long it takes until a top-level window with the given title is
// mapped, by listening for map events on the root window (no polling, so the measurement does not
// compete with the program for the processor).
// Usage: mapwait [--linger MS] [--peak-memory] TITLE PROGRAM [ARGS...]
// Prints the milliseconds, then ends the program it started (SIGTERM to the PID it forked, MS
// milliseconds after the map with --linger) and waits for it; with --peak-memory it then prints the
// program's peak resident set in KiB on a second line. Ending its own child by PID keeps the
// benchmark from touching any other copy of the program that happens to run.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {
xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

std::string
windowTitle(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, 256), nullptr);
    std::string title;
    if (reply) {
        title.assign(static_cast<const char *>(xcb_get_property_value(reply)),
                     xcb_get_property_value_length(reply));
        std::free(reply);
    }
    return title;
}

// Ends the child and reaps it; returns its peak resident set in KiB.
long endChild(pid_t child)
{
    kill(child, SIGTERM);
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return usage.ru_maxrss;
}
} // namespace

int main(int argc, char *argv[])
{
    int first = 1;
    long lingerMs = 0;
    bool peakMemory = false;
    while (first < argc && std::strncmp(argv[first], "--", 2) == 0) {
        if (std::strcmp(argv[first], "--linger") == 0 && first + 1 < argc) {
            lingerMs = std::strtol(argv[first + 1], nullptr, 10);
            first += 2;
        } else if (std::strcmp(argv[first], "--peak-memory") == 0) {
            peakMemory = true;
            ++first;
        } else {
            break;
        }
    }
    if (argc - first < 2) {
        std::fprintf(stderr, "usage: mapwait [--linger MS] [--peak-memory] TITLE PROGRAM [ARGS...]\n");
        return 2;
    }
    const char *wanted = argv[first];
    char **command = argv + first + 1;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "mapwait: cannot connect to the X server\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t netWmName = atom(connection, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(connection, "UTF8_STRING");
    xcb_flush(connection);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("mapwait: fork");
        return 2;
    }
    if (child == 0) {
        // The caller reads our output to its end: the program must not hold it open.
        if (!std::freopen("/dev/null", "w", stdout))
            std::_Exit(126);
        execvp(command[0], command);
        std::_Exit(127);
    }
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
        const xcb_window_t window = mapped ? reinterpret_cast<xcb_map_notify_event_t *>(event)->window : 0;
        std::free(event);
        if (!mapped)
            continue;
        std::string title = windowTitle(connection, window, netWmName, utf8);
        if (title.empty())
            title = windowTitle(connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
        if (title == wanted) {
            const auto elapsed = std::chrono::steady_clock::now() - start;
            std::printf("%.1f\n", std::chrono::duration<double, std::milli>(elapsed).count());
            std::fflush(stdout);
            if (lingerMs > 0)
                usleep(static_cast<useconds_t>(lingerMs) * 1000);
            const long peakKib = endChild(child);
            if (peakMemory)
                std::printf("%ld\n", peakKib);
            return 0;
        }
    }
    endChild(child);
    return 1;
}
