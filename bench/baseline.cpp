// SPDX-License-Identifier: MIT
// The floor for start-up time and memory: the program's own window, built
// and shown as the program does, with empty lists instead of reading any
// phrase file.

#include "platform/runtime.h"
#include "ui/app.h"
#include "ui/frmmain.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ui::setUpApplication();
    platform::Runtime runtime;
    ui::frmmain window(runtime);
    window.Text1.setText(window.sentence());
    window.showCentred();
    return QApplication::exec();
}
