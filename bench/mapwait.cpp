// Starts a program and reports how long it takes until a top-level window with the given title is
// mapped, by listening for map events on the root window (no polling, so the measurement does not
// compete with the program for the processor).
// Usage: mapwait TITLE PROGRAM [ARGS...]   prints the milliseconds; leaves the program running.
//        mapwait --settle TITLE PROGRAM [ARGS...]
//            prints "MAPPED QUIET PEAK": milliseconds to mapped, milliseconds until the program last used
//            the processor before a quiet spell (all its threads, from the scheduler's own accounting),
//            and its peak resident memory in KiB at that point; then ends the program it started.
#include "bench/xcbwindow.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {
// Nanoseconds the process's threads have run so far.
long long runNanoseconds(pid_t pid)
{
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    long long total = 0;
    if (DIR *tasks = opendir(folder.c_str())) {
        while (dirent *task = readdir(tasks)) {
            if (task->d_name[0] == '.')
                continue;
            std::ifstream stat(folder + "/" + task->d_name + "/schedstat");
            long long ran = 0;
            if (stat >> ran)
                total += ran;
        }
        closedir(tasks);
    }
    return total;
}

long peakKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// Samples every millisecond until the program has not run for `quiet`; returns when it last ran.
std::chrono::steady_clock::time_point lastActive(pid_t pid, std::chrono::milliseconds quiet)
{
    auto last = std::chrono::steady_clock::now();
    long long ran = runNanoseconds(pid);
    while (std::chrono::steady_clock::now() - last < quiet) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const long long now = runNanoseconds(pid);
        if (now != ran) {
            ran = now;
            last = std::chrono::steady_clock::now();
        }
    }
    return last;
}
} // namespace

int main(int argc, char *argv[])
{
    const bool settle = argc > 1 && std::strcmp(argv[1], "--settle") == 0;
    if (settle) {
        --argc;
        ++argv;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: mapwait [--settle] TITLE PROGRAM [ARGS...]\n");
        return 2;
    }
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
    if (child == 0) {
        // The caller reads our output to its end: the program must not hold it open.
        if (!std::freopen("/dev/null", "w", stdout))
            std::_Exit(126);
        execvp(argv[2], argv + 2);
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
        if (title == argv[1]) {
            const auto mapped = std::chrono::steady_clock::now() - start;
            if (!settle) {
                std::printf("%.1f\n", std::chrono::duration<double, std::milli>(mapped).count());
                return 0;
            }
            // A quarter second without running: well past any start-up work, well before a caret blinks.
            const auto quietAt = lastActive(child, std::chrono::milliseconds(250)) - start;
            const long peak = peakKiB(child);
            kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
            std::printf("%.1f %.1f %ld\n",
                        std::chrono::duration<double, std::milli>(mapped).count(),
                        std::chrono::duration<double, std::milli>(quietAt).count(),
                        peak);
            return 0;
        }
    }
    return 1;
}
