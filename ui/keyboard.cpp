// SPDX-License-Identifier: MIT
#include "keyboard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QShortcut>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

double luminance(const QColor &colour)
{
    const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

// The menu bar in keyboard mode (after Alt or F10) has the focus and a
// selected title that is not open yet, which the style draws like any other
// title; drawn as an open one, it shows where Down or Return will go.
class MenuBarStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
        if (element == CE_MenuBarItem && item && item->state & State_Selected && widget && widget->hasFocus()) {
            QStyleOptionMenuItem active = *item;
            active.state |= State_Sunken;
            QProxyStyle::drawControl(element, &active, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// A multi-line text box's frame shows no focus, only the caret does; with
// the focus it gets the ring the single-line fields have.
class TextBoxStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element == PE_Frame && option->state & State_HasFocus)
            element = PE_FrameLineEdit;
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

// Watches every key on its way to the window's controls.
//
// An Alt chord that is no access key reaches the focused control as a key
// press carrying the letter; no field types it. AltGr arrives without the
// Alt modifier and still types.
//
// The menu bar enters its keyboard mode when Alt goes down and up with no
// key between as it sees them. With a screen reader listening, Qt holds each
// key press back until the reader has heard it and then delivers it again;
// the menu bar saw the real Alt press already, and the replayed one, coming
// after the access key or after the release, would set it waiting for Alt's
// release once more: Alt+R would end in the menu bar, and a lone Alt would
// leave it again at once. Only a key really pressed reaches the menu bar.
class KeyGuard : public QObject
{
public:
    explicit KeyGuard(QMenuBar *bar)
        : QObject(bar)
        , bar_(bar)
    {
        qApp->installEventFilter(this);
    }

    // What a lone Alt press and release does: into the menu bar's keyboard
    // mode with its first title active, or back out of it.
    void toggleMenuBar()
    {
        QWidget *window = bar_->window();
        // (The Alt key's own events report the Alt modifier flipped.)
        QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
        toggling_ = true;
        QCoreApplication::sendEvent(window, &press);
        QCoreApplication::sendEvent(window, &release);
        toggling_ = false;
    }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto *key = static_cast<QKeyEvent *>(event);
            // A replayed press comes to the window first, and to the
            // focused control after its shortcut override.
            if (key->key() == Qt::Key_Alt && !event->spontaneous())
                replayedAlt_ = !receiver->isWidgetType();
            return typesUnderAlt(*key) && takesText(receiver);
        }
        case QEvent::ShortcutOverride:
            // Sent ahead of each key press; the one of a real press comes
            // first to the focused control as a spontaneous event, then
            // goes up to the window, where the menu bar watches.
            if (static_cast<QKeyEvent *>(event)->key() != Qt::Key_Alt || toggling_)
                break;
            if (event->spontaneous()) {
                replayedAlt_ = false;
            } else if (replayedAlt_) {
                replayedAlt_ = false;
                event->accept();
                return true;
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    static bool typesUnderAlt(const QKeyEvent &key)
    {
        const Qt::KeyboardModifiers modifiers = key.modifiers();
        return modifiers.testFlag(Qt::AltModifier) && !(modifiers & (Qt::ControlModifier | Qt::MetaModifier))
            && !key.text().isEmpty() && key.text().front().category() != QChar::Other_Control;
    }

    static bool takesText(QObject *receiver)
    {
        return receiver->isWidgetType()
            && static_cast<QWidget *>(receiver)->testAttribute(Qt::WA_InputMethodEnabled);
    }

    QMenuBar *bar_;
    bool toggling_ = false;
    bool replayedAlt_ = false;
};

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void raiseFocusContrast()
{
    // The style, once there, gives the palette its colours.
    QApplication::style();
    QPalette palette = QApplication::palette();
    // The grey border of an unfocused field or button (the window colour
    // darkened by 40 %); the focus ring replaces it with the highlight
    // colour or a darker shade of it.
    const QColor border = palette.color(QPalette::Window).darker(140);
    const bool onLight = contrastRatio(border, Qt::black) > contrastRatio(border, Qt::white);
    QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    for (int step = 0; step < 30 && contrastRatio(highlight, border) < 3.0; ++step)
        highlight = onLight ? highlight.darker(110) : highlight.lighter(110);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Highlight, highlight);
    QApplication::setPalette(palette);
}

void setUpKeyboard(QMainWindow &window)
{
    // Each style goes with its widget.
    const QString base = QApplication::style()->name();
    QMenuBar *bar = window.menuBar();
    bar->setStyle(new MenuBarStyle(base));
    bar->style()->setParent(bar);
    for (QPlainTextEdit *box : window.findChildren<QPlainTextEdit *>()) {
        box->setStyle(new TextBoxStyle(base));
        box->style()->setParent(box);
    }
    auto *guard = new KeyGuard(bar);
    auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), &window);
    f10->setObjectName(QStringLiteral("menuBarKey"));
    QObject::connect(f10, &QShortcut::activated, guard, &KeyGuard::toggleMenuBar);
}

} // namespace ui
