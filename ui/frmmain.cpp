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
#include <QFontDatabase>
#include <QGroupBox>
#include <QLineEdit>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace ui {

namespace {

// The frame the lists and buttons lie in, on the window's client area.
QWidget *makeFrame(QMainWindow *window)
{
    auto *client = new QWidget(window);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(frmmain::ClientWidth, frmmain::ClientHeight);
    window->setCentralWidget(client);
    return new QGroupBox(client);
}

void place(QWidget *widget, const char *name, QRect geometry)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
}

void place(platform::Button &button, const char *name, const char *caption, QRect geometry)
{
    place(button.widget(), name, geometry);
    button.widget()->setText(QLatin1String(caption));
}

// The lists' and the sentence box's font, falling back to the desktop's own
// sans-serif where the classic one is not installed.
QFont phraseFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setFamilies({QStringLiteral("MS Sans Serif"), font.family()});
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    return font;
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

    place(Frame1, "Frame1", {0, 0, 489, 177});
    place(Combo1.widget(), "Combo1", {8, 24, 473, 24});
    place(Combo2.widget(), "Combo2", {8, 48, 129, 24});
    place(Combo3.widget(), "Combo3", {136, 48, 113, 24});
    place(Combo4.widget(), "Combo4", {248, 48, 233, 24});
    place(Text1.widget(), "Text1", {8, 88, 473, 49});
    place(Command1, "Command1", "&Copy", {248, 144, 49, 25});
    place(Command2, "Command2", "&About", {432, 144, 49, 25});
    place(Command4, "Command4", "&Random", {152, 144, 89, 25});
    place(Command5, "Command5", "&Back", {16, 144, 49, 25});
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
    // The lists and the sentence box lie over the frame.
    Combo1.widget()->raise();
    Text1.widget()->raise();
    Command5.setEnabled(false);

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
    showKeyboardFocus(menuBar(), Text1.widget());

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

void frmmain::showCentred()
{
    const QScreen *where = screen();
    adjustSize();
    if (where)
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), where->availableGeometry()));
    platform::setToolWindowHints(this);
    show();
    // Window managers give a new window the focus only when it is listed in
    // the task bar (openbox) or a normal window; ask for it, so that typing
    // goes to the first list from the start.
    activateWindow();
}

} // namespace ui
