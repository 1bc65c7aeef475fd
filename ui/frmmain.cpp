// SPDX-License-Identifier: MIT
#include "frmmain.h"

#include "accessibility.h"
#include "keyboard.h"
#include "phrases/load.h"
#include "platform/announcer.h"
#include "platform/runtime.h"
#include "platform/x11.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace ui {

namespace {

template<typename Widget>
Widget *make(QWidget *parent, const char *name, QRect geometry)
{
    auto *widget = new Widget(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *button = make<QPushButton>(parent, name, geometry);
    button->setText(caption);
    QString spoken = caption;
    button->setAccessibleName(spoken.remove(QLatin1Char('&')));
    return button;
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
    : QMainWindow(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                               | Qt::WindowCloseButtonHint)
    , runtime_(runtime)
    , Frame1(make<QGroupBox>(new QWidget(this), "Frame1", {0, 0, 489, 177}))
    , combo1_(make<QComboBox>(Frame1->parentWidget(), "Combo1", {8, 24, 473, 24}))
    , combo2_(make<QComboBox>(Frame1, "Combo2", {8, 48, 129, 24}))
    , combo3_(make<QComboBox>(Frame1, "Combo3", {136, 48, 113, 24}))
    , combo4_(make<QComboBox>(Frame1, "Combo4", {248, 48, 233, 24}))
    , text1_(make<QPlainTextEdit>(Frame1->parentWidget(), "Text1", {8, 88, 473, 49}))
    , command1_(makeButton(Frame1, "Command1", QStringLiteral("&Copy"), {248, 144, 49, 25}))
    , command2_(makeButton(Frame1, "Command2", QStringLiteral("&About"), {432, 144, 49, 25}))
    , command4_(makeButton(Frame1, "Command4", QStringLiteral("&Random"), {152, 144, 89, 25}))
    , command5_(makeButton(Frame1, "Command5", QStringLiteral("&Back"), {16, 144, 49, 25}))
    , mnuexit(nullptr)
    , mnucontents(nullptr)
    , announcer_(new platform::Announcer(Frame1->parentWidget()))
    , Combo1(combo1_)
    , Combo2(combo2_)
    , Combo3(combo3_)
    , Combo4(combo4_)
    , Text1(text1_)
    , Command1(command1_)
    , Command2(command2_)
    , Command4(command4_)
    , Command5(command5_)
    , form_{.Combo1 = Combo1,
            .Combo2 = Combo2,
            .Combo3 = Combo3,
            .Combo4 = Combo4,
            .Text1 = Text1,
            .Command1 = Command1,
            .Command2 = Command2,
            .Command4 = Command4,
            .Command5 = Command5}
    , handlers_(form_, runtime)
{
    build();
    wire();
}

frmmain::~frmmain()
{
    // Once the program has ended, nothing more is raised.
    if (!runtime_.hasEnded())
        handlers_.Form_Terminate();
}

void frmmain::build()
{
    installAccessibleInterfaces();
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(QStringLiteral("Fibwright 1.0 By Mogrith"));

    QWidget *client = Frame1->parentWidget();
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    const QFont font = phraseFont();
    const std::array<std::pair<QComboBox *, const char *>, 4> lists{{
        {combo1_, "First phrase"},
        {combo2_, "Second phrase"},
        {combo3_, "Third phrase"},
        {combo4_, "Fourth phrase"},
    }};
    for (const auto &[combo, name] : lists) {
        combo->setFont(font);
        combo->setAccessibleName(QLatin1String(name));
        // The keyboard focus sits in the edit field, so it carries the name too.
        combo->lineEdit()->setAccessibleName(QLatin1String(name));
    }
    combo1_->setEditText(QStringLiteral("Welcome to pardonix!"));
    text1_->setFont(font);
    text1_->setAccessibleName(QStringLiteral("Sentence"));
    // The lists and the sentence box lie over the frame.
    combo1_->raise();
    text1_->raise();
    command5_->setEnabled(false);

    // A screen reader hears what Random and Back made of the sentence, and
    // that Copy copied it.
    const auto sentence = [this] { return Text1.text(); };
    Command4.announceAfterPress(*announcer_, sentence);
    Command5.announceAfterPress(*announcer_, sentence);
    Command1.announceAfterPress(*announcer_, [] { return QStringLiteral("Sentence copied"); });

    QMenu *mnufile = menuBar()->addMenu(QStringLiteral("File"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    mnuexit = mnufile->addAction(QStringLiteral("Exit"));
    mnuexit->setObjectName(QStringLiteral("mnuexit"));
    mnucontents = menuBar()->addAction(QStringLiteral("Help"));
    mnucontents->setObjectName(QStringLiteral("mnucontents"));
    mnucontents->setEnabled(false);
    setUpKeyboard(*this);

    QWidget::setTabOrder(combo1_, combo2_);
    QWidget::setTabOrder(combo2_, combo3_);
    QWidget::setTabOrder(combo3_, combo4_);
    QWidget::setTabOrder(combo4_, command1_);
    QWidget::setTabOrder(command1_, text1_);
    QWidget::setTabOrder(text1_, command2_);
    QWidget::setTabOrder(command2_, command4_);
    QWidget::setTabOrder(command4_, command5_);
    combo1_->setFocus();
}

void frmmain::wire()
{
    using composer::Handlers;
    connect(&Combo1, &platform::ComboBox::picked, this, [this] { handlers_.Combo1_Click(); });
    connect(&Combo2, &platform::ComboBox::picked, this, [this] { handlers_.Combo2_Click(); });
    connect(&Combo3, &platform::ComboBox::picked, this, [this] { handlers_.Combo3_Click(); });
    connect(&Combo4, &platform::ComboBox::picked, this, [this] { handlers_.Combo4_Click(); });
    connect(&Combo1, &platform::ComboBox::changed, this, [this] { handlers_.Combo1_Change(); });
    connect(&Text1, &platform::TextBox::changed, this, [this] { handlers_.Text1_Change(); });
    connect(&Command1, &platform::Button::pressed, this, [this] { handlers_.Command1_Click(); });
    connect(&Command2, &platform::Button::pressed, this, [this] { handlers_.Command2_Click(); });
    connect(&Command4, &platform::Button::pressed, this, [this] { handlers_.Command4_Click(); });
    connect(&Command5, &platform::Button::pressed, this, [this] { handlers_.Command5_Click(); });
    connect(mnuexit, &QAction::triggered, this, [this] { handlers_.mnuexit_Click(); });
    connect(mnucontents, &QAction::triggered, this, [this] { handlers_.mnucontents_Click(); });
}

void frmmain::load()
{
    phrases::Form_Load(form_, runtime_);
}

void frmmain::showCentred()
{
    const QScreen *where = screen();
    adjustSize();
    if (where)
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), where->availableGeometry()));
    // A tool window: not listed in the task bar.
    platform::keepOffTaskBar(this);
    show();
    // Window managers give a new window the focus only when it is listed in
    // the task bar (openbox) or a normal window; ask for it, so that typing
    // goes to the first list from the start.
    activateWindow();
}

void frmmain::closeEvent(QCloseEvent *event)
{
    if (!runtime_.hasEnded())
        handlers_.Form_Unload();
    event->accept();
}

} // namespace ui
