#pragma once

namespace ui {

// Creates the window, loads it and runs the program until it ends.
int run(int &argc, char **argv);

} // namespace ui
