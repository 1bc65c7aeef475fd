// SPDX-License-Identifier: MIT
#pragma once

namespace ui {

// Puts our own accessible interfaces in place of Qt's where Qt's would not
// tell a screen reader what a control is for. Call it once the application
// exists and before the window is built; calling it again does nothing.
void installAccessibleInterfaces();

} // namespace ui
