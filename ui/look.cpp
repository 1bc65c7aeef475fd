// SPDX-License-Identifier: MIT
#include "look.h"

#include <QApplication>
#include <QComboBox>
#include <QMainWindow>
#include <QMenuBar>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// Where the keyboard is. The menu bar in keyboard mode (after Alt or F10) has a selected title that is not open
// yet, which styles draw like any other: drawn as an open one, it shows where Down or Return will go. A multi-line
// text box's frame shows no focus: it gets the single-line ring.
class KeyboardFocusStyle : public QProxyStyle
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
            return QProxyStyle::drawControl(element, &active, painter, widget);
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        const bool ring = element == PE_Frame && option->state & State_HasFocus;
        QProxyStyle::drawPrimitive(ring ? PE_FrameLineEdit : element, option, painter, widget);
    }
};

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &colour) {
        const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        const QColor rgb = colour.toRgb();
        return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
    };
    const auto [dark, light] = std::minmax({luminance(a), luminance(b)});
    return (light + 0.05) / (dark + 0.05);
}

void raiseFocusContrast()
{
    // The style, once there, gives the palette its colours.
    QApplication::style();
    QPalette palette = QApplication::palette();
    // Fusion draws a focus ring in the highlight colour darkened by 25 %, no lighter than value 160.
    const auto ring = [](const QColor &highlight) {
        QColor outline = highlight.darker(125);
        if (outline.value() > 160)
            outline.setHsl(outline.hue(), outline.saturation(), 160);
        return outline;
    };
    const QColor window = palette.color(QPalette::Window);
    const QColor around[] = {window, window.darker(140), palette.color(QPalette::Base), palette.color(QPalette::Button)};
    const auto least = [&](const QColor &highlight) {
        double ratio = 21;
        for (const QColor &colour : around)
            ratio = std::min(ratio, contrastRatio(ring(highlight), colour));
        return ratio;
    };
    const bool onLight = contrastRatio(window, Qt::black) > contrastRatio(window, Qt::white);
    QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    for (int step = 0; step < 30 && least(highlight) < 3.0; ++step)
        highlight = onLight ? highlight.darker(110) : highlight.lighter(110);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Highlight, highlight);
    QApplication::setPalette(palette);
}

void showKeyboardFocus(QMainWindow &window, QPlainTextEdit *box)
{
    for (QWidget *widget : std::initializer_list<QWidget *>{window.menuBar(), box}) {
        widget->setStyle(new KeyboardFocusStyle(QApplication::style()->name()));
        widget->style()->setParent(widget);
    }
    QObject::connect(qApp, &QApplication::focusChanged, &window, [&window](QWidget *, QWidget *now) {
        // A list's focus sits in its edit field.
        if (now && qobject_cast<QComboBox *>(now->parentWidget()))
            now = now->parentWidget();
        if (now && now != &window && now->window() == &window)
            now->raise();
    });
}

} // namespace ui
