// SPDX-License-Identifier: MIT
#include "app.h"

#include "frmmain.h"

#include "platform/runtime.h"

#include <QApplication>
#include <QIcon>

namespace ui {

void setUpApplication()
{
    // The title message boxes carry. No display name is set, so that Qt adds
    // nothing to the window's own title.
    QApplication::setApplicationName(QStringLiteral("Fibwright"));
    QApplication::setApplicationVersion(QStringLiteral(FIBWRIGHT_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("fibwright"));
    // The program ends through File > Exit or the close box only: the window
    // is a tool window, which Qt would not count, so closing a message box
    // would otherwise look like closing the last window.
    QApplication::setQuitOnLastWindowClosed(false);
    // The icon compiled in from data/fibwright.svg, for the title bar and
    // the task switcher.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icons/%1x%1/fibwright.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
}

int run(int &argc, char **argv)
{
    QApplication app(argc, argv);
    setUpApplication();

    platform::QtRuntime runtime;
    frmmain window(runtime);
    window.load();
    if (runtime.hasEnded())
        return 0;
    window.showCentred();
    return QApplication::exec();
}

} // namespace ui
