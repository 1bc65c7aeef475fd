// SPDX-License-Identifier: MIT
#include "frmmain.h"

#include "access.h"
#include "look.h"
#include "platform/display.h"
#include "platform/runtime.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLineEdit>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// The frame the lists and buttons lie in, on the window's client area.
QWidget *makeFrame(QMainWindow *window)
{
    auto *client = new QWidget(window);
    window->setCentralWidget(client);
    return new QGroupBox(client);
}

QRect scaled(QRect at, double scale)
{
    const auto edge = [scale](int x) { return int(std::lround(x * scale)); };
    return QRect(QPoint(edge(at.left()), edge(at.top())),
                 QPoint(edge(at.left() + at.width()) - 1, edge(at.top() + at.height()) - 1));
}

// 9.75 pt in the classic font where it is installed, else the desktop's own; the application's size when that is
// larger.
QFont phraseFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // Only where it is installed: Qt would ask fontconfig for look-alikes of a missing family, only to use the next.
    if (const QString classic = QStringLiteral("MS Sans Serif"); QFontDatabase::families().contains(classic))
        font.setFamilies({classic, font.family()});
    font.setPointSizeF(std::max(9.75, QApplication::font().pointSizeF()));
    font.setWeight(QFont::Normal);
    return font;
}

// How many times its pixel layout the window is drawn, so that each list and button gets what its style needs for
// its text: 1 at the default style and font.
template <typename Places>
double scaleToFit(const Places &places)
{
    double scale = 1;
    for (const auto &[widget, name, at, text] : places) {
        QSize need = widget->minimumSizeHint();
        // A button's hint has the style's least width for any caption; it needs room for its own caption only.
        if (auto *button = qobject_cast<QPushButton *>(widget)) {
            const QStyle *style = button->style();
            need.setWidth(button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width()
                          + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button)
                          + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button));
            need.setHeight(button->sizeHint().height());
        } else if (!qobject_cast<QComboBox *>(widget)) {
            continue;
        }
        scale = std::max({scale, double(need.width()) / at.width(), double(need.height()) / at.height()});
    }
    return scale;
}

} // namespace

frmmain::frmmain(platform::Runtime &runtime)
    : QMainWindow(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , Form(runtime, makeFrame(this))
{
    // Before anything a screen reader could be told about.
    setUpAccess(*this);
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(QStringLiteral("Fibwright 1.0 By Mogrith"));
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // In pixels at 96 dots per inch, with each button's caption or each field's spoken name; the whole window grows
    // alike where the style or the font needs more room.
    const struct {
        QWidget *widget;
        const char *name;
        QRect at;
        const char *text;
    } places[] = {
        {centralWidget(), "client", {0, 0, ClientWidth, ClientHeight}, nullptr},
        {Frame1, "Frame1", {0, 0, 489, 177}, nullptr},
        {Combo1.widget(), "Combo1", {8, 24, 473, 24}, "First phrase"},
        {Combo2.widget(), "Combo2", {8, 48, 129, 24}, "Second phrase"},
        {Combo3.widget(), "Combo3", {136, 48, 113, 24}, "Third phrase"},
        {Combo4.widget(), "Combo4", {248, 48, 233, 24}, "Fourth phrase"},
        {Text1.widget(), "Text1", {8, 88, 473, 49}, "Sentence"},
        {Command1.widget(), "Command1", {248, 144, 49, 25}, "&Copy"},
        {Command2.widget(), "Command2", {432, 144, 49, 25}, "&About"},
        {Command4.widget(), "Command4", {152, 144, 89, 25}, "&Random"},
        {Command5.widget(), "Command5", {16, 144, 49, 25}, "&Back"},
    };
    const QFont font = phraseFont();
    for (const auto &[widget, name, at, text] : places) {
        widget->setObjectName(QLatin1String(name));
        if (auto *button = qobject_cast<QPushButton *>(widget)) {
            button->setText(QLatin1String(text));
        } else if (text) {
            widget->setFont(font);
            widget->setAccessibleName(QLatin1String(text));
            // A list's keyboard focus sits in its edit field, which carries the name too.
            if (auto *list = qobject_cast<QComboBox *>(widget))
                list->lineEdit()->setAccessibleName(QLatin1String(text));
        }
    }
    Combo1.widget()->setEditText(QStringLiteral("Welcome to pardonix!"));
    Command5.setEnabled(false);
    const double scale = scaleToFit(places);
    for (const auto &place : places)
        place.widget->setGeometry(scaled(place.at, scale));
    centralWidget()->setFixedSize(scaled(places[0].at, scale).size());
    // The lists and the sentence box lie over the frame.
    Combo1.widget()->raise();
    Text1.widget()->raise();

    QMenu *mnufile = menuBar()->addMenu(QStringLiteral("File"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    mnuexit = mnufile->addAction(QStringLiteral("Exit"));
    mnuexit->setObjectName(QStringLiteral("mnuexit"));
    mnucontents = menuBar()->addAction(QStringLiteral("Help"));
    mnucontents->setObjectName(QStringLiteral("mnucontents"));
    mnucontents->setEnabled(false);

    Combo1.widget()->setFocus();
    showKeyboardFocus(*this, Text1.widget());

    // Each event and the handler it runs; no other event is handled.
    connect(&Combo1, &platform::ComboBox::picked, this, [this] { Combo_Click(); });
    connect(&Combo2, &platform::ComboBox::picked, this, [this] { Combo_Click(); });
    connect(&Combo3, &platform::ComboBox::picked, this, [this] { Combo_Click(); });
    connect(&Combo4, &platform::ComboBox::picked, this, [this] { Combo_Click(); });
    connect(&Combo1, &platform::ComboBox::changed, this, [this] { Combo1_Change(); });
    connect(&Text1, &platform::TextBox::changed, this, [this] { Text1_Change(); });
    connect(Command1.widget(), &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2.widget(), &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command4.widget(), &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5.widget(), &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(mnuexit, &QAction::triggered, this, [this] { mnuexit_Click(); });
    connect(mnucontents, &QAction::triggered, this, [this] { mnucontents_Click(); });
}

frmmain::~frmmain()
{
    // Once the program has ended, nothing more is raised.
    if (!runtime.hasEnded())
        Form_Terminate();
}

void frmmain::closeEvent(QCloseEvent *)
{
    if (!runtime.hasEnded())
        Form_Unload();
}

void frmmain::changeEvent(QEvent *event)
{
    // The window is never minimized or maximized: where a window manager or compositor does it anyway, it comes
    // back as it was.
    if (event->type() == QEvent::WindowStateChange && windowState() != Qt::WindowNoState)
        QMetaObject::invokeMethod(this, [this] {
            showNormal();
            windowHandle()->setMaximumSize(maximumSize());
            activateWindow();
        }, Qt::QueuedConnection);
    QMainWindow::changeEvent(event);
}

void frmmain::showCentred()
{
    const QScreen *where = screen();
    adjustSize();
    if (where)
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), where->availableGeometry()));
    platform::setToolWindowHints(this);
    // On Wayland the title bar Qt draws asks the compositor to maximize the window, which then takes only a picture
    // of the maximized size: until the window comes back (changeEvent), it may be that large.
    winId();
    connect(windowHandle(), &QWindow::windowStateChanged, this, [this](Qt::WindowState state) {
        if (state != Qt::WindowNoState)
            windowHandle()->setMaximumSize(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    });
    show();
    // Window managers give a new window the focus only when it is listed in the task bar (openbox) or a normal
    // window; ask for it, so that typing goes to the first list from the start.
    activateWindow();
}

} // namespace ui
