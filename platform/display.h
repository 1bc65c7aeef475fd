// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

// What the program starts Qt with, decided before Qt is started.
struct DisplayChoice {
    // Empty when a display was found; otherwise why none can be used, for
    // one line on standard error.
    std::string problem;
    // Arguments added to the command line for Qt's platform plugin.
    std::vector<std::string> qtArguments;
    // Qt draws in grey scale: the screen has 8 bits per pixel.
    bool greyScale = false;
    // The connection the X server was probed over, to be let go once Qt has
    // opened its own: a server that resets when its last client leaves
    // must not do so in between.
    std::shared_ptr<void> probe;
};

// Finds the display the window goes to. When the user has not named a Qt
// platform (QT_QPA_PLATFORM unset or empty), an X server that answers is
// used (XWayland included), otherwise a Wayland compositor, and the choice
// is put into QT_QPA_PLATFORM; a platform the user named is kept. On an X
// screen of 8 bits per pixel, whose colour-mapped visual Qt cannot draw on,
// the screen's grey-scale visual is asked for.
DisplayChoice chooseDisplay();

} // namespace platform
