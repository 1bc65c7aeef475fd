// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

namespace platform {

// The signals that ask a program to end: SIGTERM from a session ending or
// from kill, SIGINT from Ctrl+C, SIGHUP from the closing of the terminal that
// started it. One that the program was started with ignored (nohup) stays
// ignored.
//
// Until a TerminationSignals exists the program ends at once on one, as by
// default (while it waits for the display or reads its lists). From then on
// a signal is raised as received() in the event loop, so that the program
// ends the way its window closes; one that comes once the event loop is
// left, while Qt hands the clipboard over, is not acted on.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);

Q_SIGNALS:
    void received();
};

} // namespace platform
