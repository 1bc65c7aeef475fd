// SPDX-License-Identifier: MIT
#pragma once

namespace ui {

// Names the application and sets what all its windows share; needs the
// QApplication.
void setUpApplication();

// Finds a display, creates the window, loads it and runs the program until
// it ends; returns the exit status. Without a display it says so on
// standard error and returns 1.
int run(int argc, char **argv);

} // namespace ui
