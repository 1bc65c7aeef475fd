// SPDX-License-Identifier: MIT
#pragma once

namespace composer {
class Form;
}

namespace phrases {

// Fills the lists from list1.dat..list4.dat beside the program, notes their counts and
// composes the sentence; if a file cannot be read, shows the missing-files message and ends.
void Form_Load(composer::Form &form);

} // namespace phrases
