// SPDX-License-Identifier: MIT
#include "access.h"

#include "frmmain.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include <functional>

namespace ui {

namespace {

// Watches every key on its way to the window's controls.
//
// Several of the answers here are to one Qt behaviour: with a screen reader
// listening, Qt's accessibility bridge holds each key press back until the
// reader has heard it, then delivers it again as a new, not spontaneous,
// event. Whatever reacted to the first delivery must not react again.
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
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const bool press = event->type() == QEvent::KeyPress;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool plain = !(key->modifiers() & ~Qt::KeypadModifier);

        // Return in the open drop-down picks the item and closes it while
        // Qt asks whether the key is a shortcut; delivered again, it would
        // pick the item a second time in the closed drop-down.
        if (enter) {
            const auto *view = qobject_cast<QAbstractItemView *>(receiver);
            if (view && !view->isVisible()) {
                event->accept();
                return true;
            }
        }
        if (key->key() == Qt::Key_Alt && !toggling_)
            return altPress(receiver, *key);
        if (!press)
            return false;

        // Buttons take Return only as the default button of a dialog.
        if (auto *button = qobject_cast<QPushButton *>(receiver); button && enter && plain) {
            if (!key->isAutoRepeat())
                button->click();
            return true;
        }
        // F10 does what a lone Alt press and release does: into the menu
        // bar's keyboard mode with its first title active, or back out.
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier && receiver->isWidgetType()
            && static_cast<QWidget *>(receiver)->window() == &window_) {
            if (!key->isAutoRepeat())
                toggleMenuBar();
            return true;
        }
        return typesUnderAlt(*key) && receiver->isWidgetType()
            && static_cast<QWidget *>(receiver)->testAttribute(Qt::WA_InputMethodEnabled);
    }

private:
    // The menu bar enters its keyboard mode when Alt goes down and up with
    // no key between as it sees them. A replayed Alt press, coming after the
    // access key or after the release, would set it waiting for Alt's
    // release once more: Alt+R would end in the menu bar, and a lone Alt
    // would leave it again at once. Only a key really pressed reaches it.
    bool altPress(QObject *receiver, QKeyEvent &key)
    {
        if (key.type() == QEvent::KeyPress) {
            // A replayed press comes to the window first, and to the
            // focused control after its shortcut override.
            if (!key.spontaneous())
                replayedAlt_ = !receiver->isWidgetType();
            return false;
        }
        // The shortcut override of a real press comes first to the focused
        // control as a spontaneous event, then goes up to the window, where
        // the menu bar watches.
        if (key.spontaneous()) {
            replayedAlt_ = false;
        } else if (replayedAlt_) {
            replayedAlt_ = false;
            key.accept();
            return true;
        }
        return false;
    }

    void toggleMenuBar()
    {
        // (The Alt key's own events report the Alt modifier flipped.)
        QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
        toggling_ = true;
        QCoreApplication::sendEvent(&window_, &press);
        QCoreApplication::sendEvent(&window_, &release);
        toggling_ = false;
    }

    // An Alt chord that is no access key reaches the focused control as a
    // key press carrying the letter. AltGr arrives without the Alt modifier.
    static bool typesUnderAlt(const QKeyEvent &key)
    {
        const Qt::KeyboardModifiers modifiers = key.modifiers();
        return modifiers.testFlag(Qt::AltModifier) && !(modifiers & (Qt::ControlModifier | Qt::MetaModifier))
            && !key.text().isEmpty() && key.text().front().category() != QChar::Other_Control;
    }

    QMainWindow &window_;
    bool toggling_ = false;
    bool replayedAlt_ = false;
};

// A drop-down list as a screen reader sees it. On Linux Qt names a combo box
// after its current text and expects a label widget beside it to say what it
// is for; our lists have no labels, so each one is named by its accessible
// name (its place in the sentence) and its current text is its value.
class AccessibleComboBox : public QAccessibleWidget
{
public:
    explicit AccessibleComboBox(QComboBox *combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? comboBox()->currentText() : QAccessibleWidget::text(kind);
    }

    // The drop-down's item list, then the edit field that holds the text.
    int childCount() const override { return 2; }
    QAccessibleInterface *child(int index) const override
    {
        QObject *children[] = {comboBox()->view(), comboBox()->lineEdit()};
        return index == 0 || index == 1 ? QAccessible::queryAccessibleInterface(children[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        return child->object() == comboBox()->view() ? 0 : child->object() == comboBox()->lineEdit() ? 1 : -1;
    }
    // The keyboard focus sits in the edit field.
    QAccessibleInterface *focusChild() const override { return child(1); }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action != showMenuAction() && action != pressAction())
            QAccessibleWidget::doAction(action);
        else if (comboBox()->view()->isVisible())
            comboBox()->hidePopup();
        else
            comboBox()->showPopup();
    }

private:
    QComboBox *comboBox() const { return static_cast<QComboBox *>(widget()); }
};

// Never taken for a control the user could reach: no focus, no actions.
class AccessibleByRole : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;
    QStringList actionNames() const override { return {}; }
};

// Qt has no call that makes a screen reader speak. What Orca does speak is a
// notification that appears, so the announcer is a status line of no size
// holding one such notification, also of no size, named after the text and
// shown anew. Inside a status line it is spoken as its text alone.
QAccessibleInterface *makeInterface(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String("QComboBox"))
        return new AccessibleComboBox(static_cast<QComboBox *>(widget));
    if (widget->objectName() == QLatin1String("announcer"))
        return new AccessibleByRole(widget, QAccessible::StatusBar);
    if (widget->objectName() == QLatin1String("announcement"))
        return new AccessibleByRole(widget, QAccessible::Notification);
    return nullptr;
}

// Takes no room and no input, and paints nothing.
QWidget *invisible(QWidget *parent, const QString &name)
{
    auto *widget = new QWidget(parent);
    widget->setObjectName(name);
    widget->setGeometry(0, 0, 0, 0);
    widget->setFocusPolicy(Qt::NoFocus);
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    widget->setAttribute(Qt::WA_NoSystemBackground);
    return widget;
}

} // namespace

void setUpAccess(frmmain &window)
{
    static const bool installed = [] {
        QAccessible::installFactory(makeInterface);
        return true;
    }();
    Q_UNUSED(installed);
    new KeyFilter(window);

    QWidget *notice = invisible(invisible(window.centralWidget(), QStringLiteral("announcer")),
                                QStringLiteral("announcement"));
    notice->hide();
    const auto announceAfter = [notice](platform::Button &button, std::function<QString()> text) {
        QObject::connect(button.widget(), &QPushButton::clicked, notice, [notice, text] {
            // Once the press has been handled, whatever else it set off.
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
