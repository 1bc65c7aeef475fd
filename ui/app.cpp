#include "app.h"

#include "frmmain.h"

#include "platform/runtime.h"

#include <QApplication>

namespace ui {

int run(int &argc, char **argv)
{
    QApplication app(argc, argv);
    // The title message boxes carry. No display name is set, so that Qt adds
    // nothing to the window's own title.
    QApplication::setApplicationName(QStringLiteral("Fibwright"));
    QApplication::setApplicationVersion(QStringLiteral(FIBWRIGHT_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("fibwright"));

    platform::QtRuntime runtime;
    frmmain window(runtime);
    window.load();
    if (runtime.hasEnded())
        return 0;
    window.showCentred();
    return QApplication::exec();
}

} // namespace ui
