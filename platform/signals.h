// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

namespace platform {

// Turns the signals that ask a program to end (SIGTERM from a session
// ending or from kill, SIGINT from Ctrl+C and SIGHUP from the closing of the
// terminal that started it) into a Qt signal raised in the event loop,
// instead of ending the process on the spot. The handlers stay for the
// rest of the process: a signal that comes once the event loop is left,
// while Qt hands the clipboard over, is not acted on. One instance at a time.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);

    // Catches the signals from now on, before there is an event loop: one
    // that comes early is raised once the loop runs.
    static void catchNow();

Q_SIGNALS:
    // Raised in the event loop after one or more of the signals came.
    void received();

private:
    void drain();
};

} // namespace platform
