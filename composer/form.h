// SPDX-License-Identifier: MIT
#pragma once

#include "platform/controls.h"

#include <QString>

namespace composer {

// What the window's handlers work on: its lists, sentence box and buttons,
// and the hidden text fields that carry the working values between presses.
struct Form {
    platform::ComboBox &Combo1;
    platform::ComboBox &Combo2;
    platform::ComboBox &Combo3;
    platform::ComboBox &Combo4;
    platform::TextBox &Text1;
    platform::Button &Command1; // Copy
    platform::Button &Command2; // About
    platform::Button &Command4; // Random
    platform::Button &Command5; // Back

    QString Text2 = QStringLiteral(" "); // separator
    QString Text3{};                       // item counts of the four lists
    QString Text4{};
    QString Text5{};
    QString Text6{};
    QString Text7{};  // the four phrases saved by the last Random
    QString Text8{};
    QString Text9{};
    QString Text10{};
    QString Text11{}; // the sentence saved by the last Random
};

} // namespace composer
