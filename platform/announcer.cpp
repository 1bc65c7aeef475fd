// SPDX-License-Identifier: MIT
#include "announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace platform {

namespace {

class AccessibleByRole : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    // Never taken for a control the user could reach: no focus, no actions.
    QStringList actionNames() const override { return {}; }
};

QAccessibleInterface *makeInterface(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (qobject_cast<Announcer *>(widget))
        return new AccessibleByRole(widget, QAccessible::StatusBar);
    // The notification is the announcer's only child, a plain widget.
    if (className == QLatin1String("QWidget") && qobject_cast<Announcer *>(widget->parent()))
        return new AccessibleByRole(widget, QAccessible::Notification);
    return nullptr;
}

// Takes no room and no input, and paints nothing.
void makeInvisible(QWidget *widget)
{
    widget->setGeometry(0, 0, 0, 0);
    widget->setFocusPolicy(Qt::NoFocus);
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    widget->setAttribute(Qt::WA_NoSystemBackground);
}

} // namespace

Announcer::Announcer(QWidget *parent)
    : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(makeInterface);
        return true;
    }();
    Q_UNUSED(installed);

    setObjectName(QStringLiteral("announcer"));
    makeInvisible(this);
    notice_ = new QWidget(this);
    notice_->setObjectName(QStringLiteral("announcement"));
    makeInvisible(notice_);
    notice_->hide();
}

void Announcer::announce(const QString &text)
{
    // Named while hidden, so that the one event a screen reader presents,
    // the notification appearing, already carries the text.
    notice_->hide();
    notice_->setAccessibleName(text);
    notice_->show();
}

QString Announcer::text() const
{
    return notice_->accessibleName();
}

} // namespace platform
