// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <vector>

class QObject;
class QWidget;

namespace platform {

// What the program starts Qt with.
struct Display {
    // Arguments added to the command line for Qt's platform plugin.
    std::vector<std::string> qtArguments;
    // Qt draws in grey scale: the X screen has 8 bits per pixel.
    bool greyScale = false;
    // The connection the X server was probed over, let go once Qt has opened
    // its own: a server that resets when its last client leaves must not do
    // so in between.
    std::shared_ptr<void> probe;
};

// Prepares the start of Qt's platform. Unless the user named one
// (QT_QPA_PLATFORM), Qt tries X11 first (XWayland included), then Wayland:
// on X the window keeps its fixed place and size and its place off the task
// bar. Where Qt opens no display, the program says so in one line on
// standard error and exits with status 1 instead of Qt's abort. On an X
// screen of 8 bits per pixel, whose colour-mapped visual Qt cannot draw on,
// the screen's grey-scale visual is asked for; a screen without one is
// refused the same way.
Display openingDisplay();
// Once Qt's application exists: what Qt says goes to its usual place again.
void displayOpened(QObject *application, const Display &display);

// Asks X11 window managers and task bars to leave the window out of the task
// bar and to offer neither minimizing nor maximizing it. Must be called
// before the window is first shown; does nothing elsewhere than on X11.
void setToolWindowHints(QWidget *window);

} // namespace platform
