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

namespace {

// The icon compiled in from data/fibwright.svg, for the title bar and the task switcher. Qt decodes its eight sizes as
// they are added and, on X, sends all of them (360 KB) twice with each window it creates: about 5 ms before the window
// is mapped. It is set once the first window has been painted, which sends it once to each window there is.
class IconAfterFirstPaint : public QObject
{
public:
    explicit IconAfterFirstPaint(QObject *parent)
        : QObject(parent)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        qApp->removeEventFilter(this);
        // Queued: after the whole window has been painted and put on the screen.
        QMetaObject::invokeMethod(this, [this] {
            QIcon icon;
            for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
                icon.addFile(QStringLiteral(":/icons/%1x%1/apps/fibwright.png").arg(size), QSize(size, size));
            QApplication::setWindowIcon(icon);
            deleteLater();
        }, Qt::QueuedConnection);
        return false;
    }
};

} // namespace

void setUpApplication()
{
    // The title message boxes carry. No display name is set, so that Qt adds nothing to the window's own title.
    QApplication::setApplicationName(QStringLiteral("Fibwright"));
    QApplication::setApplicationVersion(QStringLiteral(FIBWRIGHT_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("fibwright"));
    // The program ends through File > Exit or the close box only: the window is a tool window, which Qt would not
    // count, so closing a message box would otherwise look like closing the last window.
    QApplication::setQuitOnLastWindowClosed(false);
    new IconAfterFirstPaint(qApp);
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
