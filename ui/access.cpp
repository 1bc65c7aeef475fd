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

// Watches every key on its way to the window's controls. Most of it answers one Qt behaviour: with a screen reader
// on, Qt's accessibility bridge holds each key press back until the reader has heard it, then delivers it again.
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

        // Return picks in the open drop-down and closes it; again, it would pick twice.
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
        // An Alt chord that is no access key would type its letter (AltGr has no Alt).
        const Qt::KeyboardModifiers modifiers = key->modifiers();
        return modifiers.testFlag(Qt::AltModifier) && !(modifiers & (Qt::ControlModifier | Qt::MetaModifier))
            && !key->text().isEmpty() && key->text().front().category() != QChar::Other_Control && widget
            && widget->testAttribute(Qt::WA_InputMethodEnabled);
    }

private:
    // The menu bar enters its keyboard mode when Alt goes down and up with no key between as it sees them: a
    // replayed Alt press, after the access key or the release, would send Alt+R into the menu bar. A replayed press
    // comes to the window first, then with its shortcut override to the control.
    bool altKey(QObject *receiver, QKeyEvent &key)
    {
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

    // A lone Alt press and release (its own events report Alt flipped).
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

// On Linux Qt names a combo box after its text and expects a label beside it; our lists have none: each is named by
// its place, its text the value.
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

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
// Never taken for a control the user could reach: no focus, no actions.
class AccessibleByRole : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;
    QStringList actionNames() const override { return {}; }
};
#endif

QAccessibleInterface *makeInterface(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (className == QLatin1String("QComboBox"))
        return new AccessibleComboBox(static_cast<QComboBox *>(widget));
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    if (widget && widget->objectName() == QLatin1String("announcer"))
        return new AccessibleByRole(widget, QAccessible::StatusBar);
    if (widget && widget->objectName() == QLatin1String("announcement"))
        return new AccessibleByRole(widget, QAccessible::Notification);
#endif
    return nullptr;
}

// Has a screen reader speak a text, as Qt's own announcement where Qt has one. Before Qt 6.8 Qt has no call that
// makes a screen reader speak; Orca speaks a notification that appears inside a status line as its text alone. The
// announcer is such a status line of no size, its notification named after the text and shown.
std::function<void(const QString &)> makeAnnouncer([[maybe_unused]] frmmain &window)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    return [&window](const QString &text) {
        QAccessibleAnnouncementEvent event(&window, text);
        QAccessible::updateAccessibility(&event);
    };
#else
    QWidget *notice = window.centralWidget();
    for (const char *name : {"announcer", "announcement"}) { // no room, no input, nothing painted
        notice = new QWidget(notice);
        notice->setObjectName(QLatin1String(name));
        notice->setGeometry(0, 0, 0, 0);
        notice->setFocusPolicy(Qt::NoFocus);
        notice->setAttribute(Qt::WA_TransparentForMouseEvents);
        notice->setAttribute(Qt::WA_NoSystemBackground);
    }
    notice->hide();
    // Named while hidden, so that the one event a screen reader presents, the showing, has the text.
    return [notice](const QString &text) {
        notice->hide();
        notice->setAccessibleName(text);
        notice->show();
    };
#endif
}

} // namespace

void setUpAccess(frmmain &window)
{
    [[maybe_unused]] static const bool installed = (QAccessible::installFactory(makeInterface), true);
    new KeyFilter(window);

    const auto announceAfter = [&window, announce = makeAnnouncer(window)](platform::Button &button,
                                                                           std::function<QString()> text) {
        // Queued, once the press has been handled.
        QObject::connect(button.widget(), &QPushButton::clicked, &window, [&window, announce, text] {
            QMetaObject::invokeMethod(&window, [announce, text] { announce(text()); }, Qt::QueuedConnection);
        });
    };
    const auto sentence = [&window] { return window.Text1.text(); };
    announceAfter(window.Command4, sentence);
    announceAfter(window.Command5, sentence);
    announceAfter(window.Command1, [] { return QStringLiteral("Sentence copied"); });
}

} // namespace ui
