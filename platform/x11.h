// SPDX-License-Identifier: MIT
#pragma once

class QWidget;
class QObject;

namespace platform {

// Asks X11 window managers and task bars to leave the window out of the
// task bar (_NET_WM_STATE_SKIP_TASKBAR). Creates the native window if it is
// not there yet and must be called before the window is first shown; Qt
// keeps the state when it adds its own on mapping. Does nothing elsewhere
// than on X11.
void keepOffTaskBar(QWidget *window);

// On an X screen of 8 bits per pixel Qt draws in grey scale (see
// chooseDisplay); the palette of each of the program's windows is filled
// with the grey ramp those pixels stand for, from the window's creation on.
// The filter is installed on the application.
void paintInGreyScale(QObject *application);

} // namespace platform
