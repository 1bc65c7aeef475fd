// SPDX-License-Identifier: MIT
#pragma once

#include "composer/form.h"

#include <QMainWindow>

class QAction;

namespace platform {
class Runtime;
}

namespace ui {

// The program's only window: its controls laid out in pixels at 96 dots per inch, its menu, and which handler each
// of their events runs.
class frmmain : public QMainWindow, public composer::Form
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 490;
    static constexpr int ClientHeight = 219;

    explicit frmmain(platform::Runtime &runtime);
    ~frmmain() override;

    // Shows the window centred on its screen.
    void showCentred();

    QAction *mnuexit = nullptr;
    QAction *mnucontents = nullptr;

protected:
    void closeEvent(QCloseEvent *) override;
    void changeEvent(QEvent *event) override;
};

} // namespace ui
