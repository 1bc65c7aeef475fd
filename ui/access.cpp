// SPDX-License-Identifier: MIT
#include "access.h"

#include "frmmain.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

namespace ui {

namespace {

// Watches every key on its way to the window's controls. Most of what it
// answers is one Qt behaviour: with a screen reader listening, Qt's
// accessibility bridge holds each key press back until the reader has heard
// it, then delivers it again as a new, not spontaneous, event.
class KeyFilter : public QObject
{
public:
    explicit KeyFilter(QMainWindow &window)
        : QObject(&window)
        , window_(window)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        const bool press = event->type() == QEvent::KeyPress;
        if (!press && event->type() != QEvent::ShortcutOverride)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        auto *widget = receiver->isWidgetType() ? static_cast<QWidget *>(receiver) : nullptr;

        // Return in the open drop-down picks the item and closes it; delivered
        // again, it would pick the item a second time in the closed one.
        if (enter && qobject_cast<QAbstractItemView *>(receiver) && !widget->isVisible()) {
            event->accept();
            return true;
        }
        if (key->key() == Qt::Key_Alt && !toggling_)
            return altKey(receiver, *key);
        if (!press)
            return false;
        // Buttons take Return only as the default button of a dialog.
        auto *button = qobject_cast<QPushButton *>(receiver);
        if (button && enter && !(key->modifiers() & ~Qt::KeypadModifier)) {
            if (!key->isAutoRepeat())
                button->click();
            return true;
        }
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier && widget
            && widget->window() == &window_) {
            if (!key->isAutoRepeat())
                toggleMenuBar();
            return true;
        }
        // An Alt chord that is no access key reaches the focused control as
        // a key press carrying the letter. (AltGr comes without Alt.)
        const Qt::KeyboardModifiers modifiers = key->modifiers();
        return modifiers.testFlag(Qt::AltModifier) && !(modifiers & (Qt::ControlModifier | Qt::MetaModifier))
            && !key->text().isEmpty() && key->text().front().category() != QChar::Other_Control && widget
            && widget->testAttribute(Qt::WA_InputMethodEnabled);
    }

private:
    // The menu bar enters its keyboard mode when Alt goes down and up with
    // no key between as it sees them. A replayed Alt press, coming after the
    // access key or the release, would set it waiting for the release once
    // more: Alt+R would end in the menu bar, a lone Alt leave it at once.
    bool altKey(QObject *receiver, QKeyEvent &key)
    {
        // A replayed press comes to the window first, then, after its
        // shortcut override, to the focused control.
        if (key.type() == QEvent::KeyPress) {
            if (!key.spontaneous())
                replayedAlt_ = !receiver->isWidgetType();
            return false;
        }
        const bool swallow = !key.spontaneous() && replayedAlt_;
        if (key.spontaneous() || swallow)
            replayedAlt_ = false;
        if (swallow)
            key.accept();
        return swallow;
    }

    // What a lone Alt press and release does: into the menu bar's keyboard
    // mode, or back out. (The Alt key's own events report Alt flipped.)
    void toggleMenuBar()
    {
        QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
        toggling_ = true;
        QCoreApplication::sendEvent(&window_, &press);
        QCoreApplication::sendEvent(&window_, &release);
        toggling_ = false;
    }

    QMainWindow &window_;
    bool toggling_ = false;
    bool replayedAlt_ = false;
};

// A list as a screen reader sees it. On Linux Qt names a combo box after its
// text and expects a label beside it; our lists have none, so each is named
// by its place in the sentence and its text is its value.
class AccessibleComboBox : public QAccessibleWidget
{
public:
    explicit AccessibleComboBox(QComboBox *combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? combo()->currentText() : QAccessibleWidget::text(kind);
    }
    // The drop-down's list, then the edit field, which has the focus.
    int childCount() const override { return 2; }
    QAccessibleInterface *child(int index) const override
    {
        QObject *children[] = {combo()->view(), combo()->lineEdit()};
        return index == 0 || index == 1 ? QAccessible::queryAccessibleInterface(children[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const QObject *object = child ? child->object() : nullptr;
        return object == combo()->view() ? 0 : object == combo()->lineEdit() ? 1 : -1;
    }
    QAccessibleInterface *focusChild() const override { return child(1); }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action != showMenuAction() && action != pressAction())
            QAccessibleWidget::doAction(action);
        else if (combo()->view()->isVisible())
            combo()->hidePopup();
        else
            combo()->showPopup();
    }

private:
    QComboBox *combo() const { return static_cast<QComboBox *>(widget()); }
};

// Never taken for a control the user could reach: no focus, no actions.
class AccessibleByRole : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;
    QStringList actionNames() const override { return {}; }
};

// Qt has no call that makes a screen reader speak; what Orca speaks is a
// notification that appears. The announcer is a status line of no size
// holding one such notification, named after the text and shown anew;
// inside a status line it is spoken as its text alone.
QAccessibleInterface *makeInterface(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (className == QLatin1String("QComboBox"))
        return new AccessibleComboBox(static_cast<QComboBox *>(widget));
    if (widget && widget->objectName() == QLatin1String("announcer"))
        return new AccessibleByRole(widget, QAccessible::StatusBar);
    if (widget && widget->objectName() == QLatin1String("announcement"))
        return new AccessibleByRole(widget, QAccessible::Notification);
    return nullptr;
}

// Takes no room and no input, and paints nothing.
QWidget *invisible(QWidget *parent, const char *name)
{
    auto *widget = new QWidget(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(0, 0, 0, 0);
    widget->setFocusPolicy(Qt::NoFocus);
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    widget->setAttribute(Qt::WA_NoSystemBackground);
    return widget;
}

} // namespace

void setUpAccess(frmmain &window)
{
    static const bool installed = (QAccessible::installFactory(makeInterface), true);
    Q_UNUSED(installed);
    new KeyFilter(window);

    QWidget *notice = invisible(invisible(window.centralWidget(), "announcer"), "announcement");
    notice->hide();
    const auto announceAfter = [notice](platform::Button &button, std::function<QString()> text) {
        // Queued: spoken once the press has been handled, whatever it set off.
        QObject::connect(button.widget(), &QPushButton::clicked, notice, [notice, text] {
            QMetaObject::invokeMethod(notice, [notice, text] {
                // Named while hidden, so that the one event a screen reader
                // presents, the notification appearing, carries the text.
                notice->hide();
                notice->setAccessibleName(text());
                notice->show();
            }, Qt::QueuedConnection);
        });
    };
    const auto sentence = [&window] { return window.Text1.text(); };
    announceAfter(window.Command4, sentence);
    announceAfter(window.Command5, sentence);
    announceAfter(window.Command1, [] { return QStringLiteral("Sentence copied"); });
}

} // namespace ui
