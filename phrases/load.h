// SPDX-License-Identifier: MIT
#pragma once

namespace composer {
class Form;
}

namespace phrases {

// The window's load handler: fills the four lists from list1.dat..list4.dat
// in the program's folder, records their item counts and composes the
// opening sentence. When a file cannot be read it shows the missing-files
// message and ends the program.
void Form_Load(composer::Form &form);

} // namespace phrases
