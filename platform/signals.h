// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

namespace platform {

// Once one exists, SIGTERM, SIGINT and SIGHUP come as received() in the event loop, so the program ends as when its
// window closes (before, they end it at once). One ignored from the start (nohup) stays ignored; once the event
// loop is left, as Qt hands the clipboard over, none is acted on.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);

Q_SIGNALS:
    void received();
};

} // namespace platform
