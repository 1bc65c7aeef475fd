// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>

namespace platform {

// Tells a screen reader a short text without showing anything on screen.
//
// Qt has no call that makes a screen reader speak. What Orca does speak is a
// notification that appears, so the announcer is a status line of no size
// holding one such notification, also of no size: announce() names the
// notification after the text and shows it anew. Inside a status line the
// notification is spoken as its text alone, without its kind.
class Announcer : public QWidget
{
    Q_OBJECT

public:
    explicit Announcer(QWidget *parent);

    void announce(const QString &text);
    // The text most recently announced.
    QString text() const;

private:
    QWidget *notice_;
};

} // namespace platform
