// SPDX-License-Identifier: MIT
#pragma once

#include "composer/form.h"
#include "composer/handlers.h"
#include "platform/controls.h"

#include <QMainWindow>

class QAction;
class QComboBox;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;

namespace platform {
class Announcer;
class Runtime;
}

namespace ui {

// The program's only window, laid out in pixels at 96 dots per inch.
class frmmain : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 490;
    static constexpr int ClientHeight = 219;

    explicit frmmain(platform::Runtime &runtime);
    ~frmmain() override;

    // The load event: raised once, before the window is first shown.
    void load();
    // Shows the window centred on its screen.
    void showCentred();

    composer::Form &form() { return form_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void build();
    void wire();

    platform::Runtime &runtime_;

    QGroupBox *Frame1;
    QComboBox *combo1_;
    QComboBox *combo2_;
    QComboBox *combo3_;
    QComboBox *combo4_;
    QPlainTextEdit *text1_;
    QPushButton *command1_;
    QPushButton *command2_;
    QPushButton *command4_;
    QPushButton *command5_;
    QAction *mnuexit;
    QAction *mnucontents;
    platform::Announcer *announcer_;

    platform::ComboBox Combo1;
    platform::ComboBox Combo2;
    platform::ComboBox Combo3;
    platform::ComboBox Combo4;
    platform::TextBox Text1;
    platform::Button Command1;
    platform::Button Command2;
    platform::Button Command4;
    platform::Button Command5;

    composer::Form form_;
    composer::Handlers handlers_;
};

} // namespace ui
