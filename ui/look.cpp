// SPDX-License-Identifier: MIT
#include "look.h"

#include <QApplication>
#include <QMenuBar>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProxyStyle>
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

void showKeyboardFocus(QMenuBar *bar, QPlainTextEdit *box)
{
    // Each style goes with its widget.
    const QString base = QApplication::style()->name();
    bar->setStyle(new MenuBarStyle(base));
    bar->style()->setParent(bar);
    box->setStyle(new TextBoxStyle(base));
    box->style()->setParent(box);
}

} // namespace ui
