// SPDX-License-Identifier: MIT
#include "frmmain.h"

#include "access.h"
#include "look.h"
#include "phrases/load.h"
#include "platform/display.h"
#include "platform/runtime.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWindow>

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

    const QFont font = phraseFont();
    const char *names[] = {"First phrase", "Second phrase", "Third phrase", "Fourth phrase"};
    for (platform::ComboBox *list : {&Combo1, &Combo2, &Combo3, &Combo4}) {
        list->widget()->setFont(font);
        // The keyboard focus sits in the edit field, so it carries the name too.
        for (QWidget *named : std::initializer_list<QWidget *>{list->widget(), list->widget()->lineEdit()})
            named->setAccessibleName(QLatin1String(names[list - &Combo1]));
    }
    Combo1.widget()->setEditText(QStringLiteral("Welcome to pardonix!"));
    Text1.widget()->setFont(font);
    Text1.widget()->setAccessibleName(QStringLiteral("Sentence"));
    Command1.widget()->setText(QStringLiteral("&Copy"));
    Command2.widget()->setText(QStringLiteral("&About"));
    Command4.widget()->setText(QStringLiteral("&Random"));
    Command5.widget()->setText(QStringLiteral("&Back"));
    Command5.setEnabled(false);

    // In pixels at 96 dots per inch; the whole window grows alike where the
    // style or the font needs more room.
    const std::pair<QWidget *, QRect> places[] = {
        {centralWidget(), {0, 0, ClientWidth, ClientHeight}},
        {Frame1, {0, 0, 489, 177}},
        {Combo1.widget(), {8, 24, 473, 24}},
        {Combo2.widget(), {8, 48, 129, 24}},
        {Combo3.widget(), {136, 48, 113, 24}},
        {Combo4.widget(), {248, 48, 233, 24}},
        {Text1.widget(), {8, 88, 473, 49}},
        {Command1.widget(), {248, 144, 49, 25}},
        {Command2.widget(), {432, 144, 49, 25}},
        {Command4.widget(), {152, 144, 89, 25}},
        {Command5.widget(), {16, 144, 49, 25}},
    };
    const double scale = scaleToFit(places);
    for (const auto &[widget, at] : places)
        widget->setGeometry(scaled(at, scale));
    centralWidget()->setFixedSize(scaled(places[0].second, scale).size());
    const char *objectNames[] = {"client", "Frame1", "Combo1", "Combo2", "Combo3", "Combo4",
                                 "Text1", "Command1", "Command2", "Command4", "Command5"};
    for (std::size_t i = 0; i < std::size(places); ++i)
        places[i].first->setObjectName(QLatin1String(objectNames[i]));
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

    QWidget *const tabOrder[] = {Combo1.widget(),   Combo2.widget(),   Combo3.widget(),
                                 Combo4.widget(),   Command1.widget(), Text1.widget(),
                                 Command2.widget(), Command4.widget(), Command5.widget()};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
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

void frmmain::load()
{
    phrases::Form_Load(*this);
}

void frmmain::closeEvent(QCloseEvent *event)
{
    if (!runtime.hasEnded())
        Form_Unload();
    event->accept();
}

void frmmain::changeEvent(QEvent *event)
{
    // The window is never minimized or maximized: where a window manager or
    // compositor does it anyway, it comes back as it was.
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
    // On Wayland the title bar Qt draws asks the compositor to maximize the
    // window, which then takes only a picture of the maximized size: until
    // the window comes back (changeEvent), it may be that large.
    winId();
    connect(windowHandle(), &QWindow::windowStateChanged, this, [this](Qt::WindowState state) {
        if (state != Qt::WindowNoState)
            windowHandle()->setMaximumSize(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    });
    show();
    // Window managers give a new window the focus only when it is listed in
    // the task bar (openbox) or a normal window; ask for it, so that typing
    // goes to the first list from the start.
    activateWindow();
}

} // namespace ui
