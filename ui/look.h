// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

#include <span>
#include <utility>

class QColor;
class QFont;
class QMainWindow;
class QPlainTextEdit;
class QWidget;

namespace ui {

// WCAG contrast ratio of two colours, from 1 (alike) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);

// Makes the application's highlight colour, from which the focus rings are
// drawn, give rings at least 3:1 apart from the backgrounds of the fields
// and buttons, the window colour and the grey of the unfocused borders.
void raiseFocusContrast();

// The lists' and the sentence box's font: 9.75 pt, or the application's
// size when that is larger.
QFont phraseFont();

// How many times its pixel layout the window is drawn, so that each list
// and button gets at least what its style needs for its text: 1 with the
// default style and font, more with taller controls or a larger font.
double scaleToFit(std::span<const std::pair<QWidget *, QRect>> layout);

// The menu bar shows its active title in keyboard mode, a multi-line text
// box shows the focus ring the single-line fields have, and the focused
// control is drawn above a neighbour it overlaps.
void showKeyboardFocus(QMainWindow &window, QPlainTextEdit *box);

} // namespace ui
