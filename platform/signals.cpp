// SPDX-License-Identifier: MIT
#include "signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

// The handler writes into the first end, the event loop reads the second.
static int pipeEnds[2] = {-1, -1};

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (pipeEnds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) != 0)
        return;
    connect(new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this), &QSocketNotifier::activated, this, [this] {
        char bytes[64];
        bool any = false;
        while (::read(pipeEnds[1], bytes, sizeof bytes) > 0)
            any = true;
        if (any)
            Q_EMIT received();
    });
    struct sigaction action {};
    action.sa_handler = [](int) {
        const int saved = errno;
        // A full socket already holds enough bytes to be noticed.
        [[maybe_unused]] const ssize_t written = ::write(pipeEnds[0], "", 1);
        errno = saved;
    };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        if (struct sigaction before {}; ::sigaction(signal, nullptr, &before) != 0 || before.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
}

} // namespace platform
