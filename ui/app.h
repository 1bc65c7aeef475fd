// SPDX-License-Identifier: MIT
#pragma once

namespace ui {

// Names the application and sets what all its windows share; needs the
// QApplication.
void setUpApplication();

// Creates the window, loads it and runs the program until it ends.
int run(int &argc, char **argv);

} // namespace ui
