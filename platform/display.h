// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

class QObject;
class QWidget;

namespace platform {

// Prepares the start of Qt's platform, adding what it needs to Qt's command line. Qt gets the first platform of
// QT_QPA_PLATFORM whose display answers; by default X11, XWayland included, where the window keeps its fixed place,
// then Wayland. Where none answers, or Qt opens none, the program says why in one line on standard error and exits
// with status 1 instead of Qt's abort. On an X screen of 8 bits per pixel, whose colour-mapped visual Qt cannot draw
// on, Qt is given the screen's grey-scale visual; a screen without one is refused.
void openingDisplay(std::vector<char *> &arguments);
// Once Qt's application exists: Qt's messages go to their usual place again.
void displayOpened(QObject *application);

// Keeps the window out of X11 task bars; before it is first shown.
void setToolWindowHints(QWidget *window);

} // namespace platform
