// SPDX-License-Identifier: MIT
#pragma once

class QColor;
class QMenuBar;
class QPlainTextEdit;

namespace ui {

// WCAG contrast ratio of two colours, from 1 (alike) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);

// Makes the application's highlight colour, which the focus rings are drawn
// in, stand at least 3:1 apart from the grey of the unfocused borders.
void raiseFocusContrast();

// The menu bar shows its active title in keyboard mode, and a multi-line
// text box shows the focus ring the single-line fields have.
void showKeyboardFocus(QMenuBar *bar, QPlainTextEdit *box);

} // namespace ui
