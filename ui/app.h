// SPDX-License-Identifier: MIT
#pragma once

namespace ui {

// The application's name, colours and quit rule, as the program sets them before its window is built, and its icon,
// which comes once a window has been painted.
void setUpApplication();

// The program: opens the display, builds and loads the window, shows it and runs until a handler ends the program.
// Returns the exit status.
int run(int argc, char **argv);

} // namespace ui
