// SPDX-License-Identifier: MIT
#include "app.h"

#include "frmmain.h"
#include "look.h"

#include "phrases/load.h"
#include "platform/display.h"
#include "platform/runtime.h"
#include "platform/signals.h"

#include <QApplication>
#include <QIcon>

#include <vector>

namespace ui {

void setUpApplication()
{
    // The title message boxes carry. No display name is set, so that Qt adds nothing to the window's own title.
    QApplication::setApplicationName(QStringLiteral("Fibwright"));
    QApplication::setApplicationVersion(QStringLiteral(FIBWRIGHT_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("fibwright"));
    // The program ends through File > Exit or the close box only: the window is a tool window, which Qt would not
    // count, so closing a message box would otherwise look like closing the last window.
    QApplication::setQuitOnLastWindowClosed(false);
    // The icon compiled in from data/fibwright.svg, for the title bar and the task switcher.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/fibwright.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    raiseFocusContrast();
}

int run(int argc, char **argv)
{
    std::vector<char *> arguments(argv, argv + argc);
    platform::openingDisplay(arguments);
    int count = int(arguments.size());
    arguments.push_back(nullptr);
    QApplication app(count, arguments.data());
    platform::displayOpened(&app);
    setUpApplication();

    platform::Runtime runtime;
    frmmain window(runtime);
    // The window's load event, raised once before it is first shown.
    phrases::Form_Load(window);
    if (runtime.hasEnded())
        return runtime.exitStatus();
    // From here on a session ending, Ctrl+C or the closing of the terminal end the program as the close box does;
    // until now they end it at once.
    platform::TerminationSignals termination;
    QObject::connect(&termination, &platform::TerminationSignals::received, &window, &QWidget::close);
    window.showCentred();
    return QApplication::exec();
}

} // namespace ui
