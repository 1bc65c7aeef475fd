// SPDX-License-Identifier: MIT
#pragma once

#include "form.h"

namespace platform {
class Runtime;
}

namespace composer {

// The behaviour behind the window, one handler per event.
class Handlers
{
public:
    Handlers(Form &form, platform::Runtime &runtime);

    // A pick in any list rebuilds the whole sentence.
    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click();
    void Combo4_Click();
    void Combo1_Change();

    void Text1_Change();
    void Command1_Click(); // Copy
    void Command2_Click(); // About
    void Command4_Click(); // Random
    void Command5_Click(); // Back

    void mnuexit_Click();
    void mnucontents_Click();
    void Form_Unload();
    void Form_Terminate();

private:
    void rebuildSentence();

    Form &form_;
    platform::Runtime &runtime_;
};

} // namespace composer
