// SPDX-License-Identifier: MIT
#pragma once

#include "platform/controls.h"
#include "platform/runtime.h"

namespace composer {

// The window's controls, the hidden text fields that carry values between presses, and one handler per event.
class Form
{
public:
    // Combo1 and Text1 go into the frame's parent, the rest into the frame.
    Form(platform::Runtime &runtime, QWidget *frame)
        : runtime(runtime), Frame1(frame), Combo1(platform::parentOf(frame)), Combo2(frame), Combo3(frame),
          Combo4(frame), Command1(frame), Text1(platform::parentOf(frame)), Command2(frame), Command4(frame),
          Command5(frame) {}

    void Combo_Click(); // a pick in any of the four lists
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

    // The four lists' texts in order, Text2 between each two, as they are.
    QString sentence() const;

    platform::Runtime &runtime;
    QWidget *const Frame1;
    // Made in the order the Tab key visits them.
    platform::ComboBox Combo1, Combo2, Combo3, Combo4;
    platform::Button Command1;
    platform::TextBox Text1;
    platform::Button Command2, Command4, Command5;
    QString Text2 = QStringLiteral(" "); // separator
    QString Text3, Text4, Text5, Text6;  // item counts of the four lists
    QString Text7, Text8, Text9, Text10; // the four phrases saved by the last Random
    QString Text11;                      // the sentence saved by the last Random
};

// Random's index, floor(count x r). Throws platform::Error when the count is
// no number or the index does not fit in 32 bits.
qint32 randomIndex(const QString &count, float r);

} // namespace composer
