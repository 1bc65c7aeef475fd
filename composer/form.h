// SPDX-License-Identifier: MIT
#pragma once

#include "platform/controls.h"

#include <QString>

class QWidget;

namespace platform {
class Runtime;
}

namespace composer {

// The window's controls, the hidden text fields that carry the working
// values between presses, and the handlers that work on them, one per event.
class Form
{
public:
    // Combo1 and Text1 go into the frame's parent, the rest into the frame.
    Form(platform::Runtime &runtime, QWidget *frame);

    // A pick in any of the four lists rebuilds the whole sentence.
    void Combo_Click();
    void Combo1_Change() {}
    void Text1_Change();
    void Command1_Click(); // Copy
    void Command2_Click(); // About
    void Command4_Click(); // Random
    void Command5_Click(); // Back
    void mnuexit_Click();
    void mnucontents_Click() {}
    void Form_Unload();
    void Form_Terminate();

    // The sentence: the four lists' current texts in order, the separator
    // between each two. Nothing is trimmed or skipped.
    QString sentence() const;

    platform::Runtime &runtime;
    QWidget *const Frame1;
    platform::ComboBox Combo1;
    platform::ComboBox Combo2;
    platform::ComboBox Combo3;
    platform::ComboBox Combo4;
    platform::TextBox Text1;
    platform::Button Command1; // Copy
    platform::Button Command2; // About
    platform::Button Command4; // Random
    platform::Button Command5; // Back

    QString Text2 = QStringLiteral(" "); // separator
    QString Text3, Text4, Text5, Text6;  // item counts of the four lists
    QString Text7, Text8, Text9, Text10; // the four phrases saved by the last Random
    QString Text11;                      // the sentence saved by the last Random
};

// Random's index for a list: floor(count x r) as a 32-bit integer. Throws
// platform::Error when the count text is not a number or the result does
// not fit.
qint32 randomIndex(const QString &count, float r);

} // namespace composer
