// SPDX-License-Identifier: MIT
#pragma once

namespace ui {

class frmmain;

// Keyboard and screen-reader use of the window, and every workaround they need, in one place:
// - an Alt chord is a command and never types; AltGr still types;
// - F10 enters and leaves the menu bar, as a lone Alt press does;
// - Return and keypad Enter press the focused button, once however long held;
// - a screen reader hears each list by its place in the sentence with its phrase as value, the sentence
//   after Random and Back, and "Sentence copied" after Copy.
void setUpAccess(frmmain &window);

} // namespace ui
