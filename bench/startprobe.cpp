// SPDX-License-Identifier: MIT
// Starts a program and times it, for bench/startup.
//
//   startprobe --window TITLE -- PROGRAM [ARGS...]
//       from just before the fork until the X server reports the mapping of a
//       top-level window named TITLE; the program is then killed.
//   startprobe -- PROGRAM [ARGS...]
//       from just before the fork until the program exits.
//
// Prints one line "<milliseconds> <peak resident KiB> <CPU milliseconds>" on
// standard output; the peak and the processor time (user and system) are the
// child's own, from wait4. No polling: the probe sleeps in poll()
// on the X connection and on a pidfd of the child. Exit status 1 when the
// program ends before its window is mapped or the window does not come within
// the time limit (60 s), 2 for a usage or set-up error.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

[[noreturn]] void usage()
{
    std::fputs("usage: startprobe [--window TITLE] -- PROGRAM [ARGS...]\n", stderr);
    std::exit(2);
}

// The window's title: _NET_WM_NAME (UTF-8) when set, else WM_NAME.
std::optional<std::string> titleOf(Display *display, Window window)
{
    static const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    static const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    for (const auto &[property, type] : {std::pair{netWmName, utf8}, std::pair{Atom(XA_WM_NAME), Atom(AnyPropertyType)}}) {
        Atom actualType = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actualType,
                               &format, &items, &after, &data)
                == Success
            && data) {
            std::string title(reinterpret_cast<char *>(data), items);
            XFree(data);
            if (format == 8)
                return title;
        }
    }
    return std::nullopt;
}

int ignoreXErrors(Display *, XErrorEvent *)
{
    // A window may be gone by the time its title is asked for.
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::optional<std::string> title;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--window" && i + 1 < argc)
            title = argv[++i];
        else if (arg == "--") {
            ++i;
            break;
        } else
            usage();
    }
    if (i >= argc)
        usage();

    Display *display = nullptr;
    if (title) {
        display = XOpenDisplay(nullptr);
        if (!display) {
            std::fputs("startprobe: cannot open the display\n", stderr);
            return 2;
        }
        XSetErrorHandler(ignoreXErrors);
        XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
        XSync(display, False);
    }

    const double start = nowMs();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("startprobe: fork");
        return 2;
    }
    if (child == 0) {
        if (display)
            close(ConnectionNumber(display));
        execvp(argv[i], argv + i);
        std::perror("startprobe: exec");
        _exit(127);
    }
    const int pidfd = int(syscall(SYS_pidfd_open, child, 0));
    if (pidfd < 0) {
        std::perror("startprobe: pidfd_open");
        kill(child, SIGKILL);
        return 2;
    }

    double end = 0;
    bool mapped = false;
    bool exited = false;
    const double deadline = start + 60'000;
    while (!mapped && !exited) {
        while (display && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify)
                continue;
            const double at = nowMs();
            if (titleOf(display, event.xmap.window) == title) {
                end = at;
                mapped = true;
                break;
            }
        }
        if (mapped)
            break;
        pollfd fds[2] = {{pidfd, POLLIN, 0}, {display ? ConnectionNumber(display) : -1, POLLIN, 0}};
        const int left = int(deadline - nowMs());
        if (left <= 0)
            break;
        const int ready = poll(fds, display ? 2 : 1, left);
        if (ready < 0 && errno != EINTR) {
            std::perror("startprobe: poll");
            break;
        }
        if (fds[0].revents & POLLIN) {
            end = nowMs();
            exited = true;
        }
    }

    if (!exited || title)
        kill(child, SIGKILL);
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (display)
        XCloseDisplay(display);

    if (title ? !mapped : !exited) {
        std::fprintf(stderr, "startprobe: %s\n",
                     title ? "the program ended or timed out before its window was mapped"
                           : "the program did not end in time");
        return 1;
    }
    if (!title && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        std::fputs("startprobe: the program failed\n", stderr);
        return 1;
    }
    const double cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    std::printf("%.3f %ld %.3f\n", end - start, usage.ru_maxrss, cpuMs);
    return 0;
}
