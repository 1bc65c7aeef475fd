// SPDX-License-Identifier: MIT
#pragma once

class QColor;
class QMainWindow;

namespace ui {

// WCAG contrast ratio of two colours, from 1 (alike) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);

// Makes the application's highlight colour, which the focus rings are drawn
// in, stand at least 3:1 apart from the grey of the unfocused borders.
void raiseFocusContrast();

// Keyboard use of the window: an Alt chord is a command and never types,
// an access key leaves the menu bar alone, F10 enters the menu bar as a lone
// Alt press does, the menu bar shows its active title, and the window's
// multi-line text boxes show when they have the focus.
void setUpKeyboard(QMainWindow &window);

} // namespace ui
