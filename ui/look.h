// SPDX-License-Identifier: MIT
#pragma once

class QColor;
class QMainWindow;
class QPlainTextEdit;

namespace ui {

// WCAG contrast ratio of two colours, from 1 (alike) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);

// Sets the highlight colour, which focus rings are drawn from, so that they stand 3:1 apart from the window, field,
// button and unfocused border colours.
void raiseFocusContrast();

// Shows where the keyboard is: the menu bar's active title, the text box's ring, and the focused control above a
// neighbour it overlaps.
void showKeyboardFocus(QMainWindow &window, QPlainTextEdit *box);

} // namespace ui
