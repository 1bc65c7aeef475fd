// SPDX-License-Identifier: MIT
// The floor for start-up time and memory: a bare Qt program whose window
// looks like Fibwright's (the same controls at the same pixel geometry, the
// same fonts, menu, title, fixed size and window flags, centred), built with
// plain Qt widgets and reading no files. It shares no code with the program.

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

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
    button->setAutoDefault(false);
    QString spoken = caption;
    button->setAccessibleName(spoken.remove(QLatin1Char('&')));
    return button;
}

QComboBox *makeCombo(QWidget *parent, const char *name, const char *spoken, QRect geometry,
                     const QFont &font)
{
    auto *combo = make<QComboBox>(parent, name, geometry);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setFont(font);
    combo->setAccessibleName(QLatin1String(spoken));
    return combo;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fibwright"));
    QGuiApplication::setDesktopFileName(QStringLiteral("fibwright"));

    QMainWindow window(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                    | Qt::WindowCloseButtonHint);
    window.setObjectName(QStringLiteral("frmmain"));
    window.setWindowTitle(QStringLiteral("Fibwright 1.0 By Mogrith"));

    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setFamilies({QStringLiteral("MS Sans Serif"), font.family()});
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);

    auto *client = new QWidget(&window);
    client->setObjectName(QStringLiteral("client"));
    auto *frame = make<QGroupBox>(client, "Frame1", {0, 0, 489, 177});
    auto *combo1 = makeCombo(client, "Combo1", "First phrase", {8, 24, 473, 24}, font);
    auto *combo2 = makeCombo(frame, "Combo2", "Second phrase", {8, 48, 129, 24}, font);
    auto *combo3 = makeCombo(frame, "Combo3", "Third phrase", {136, 48, 113, 24}, font);
    auto *combo4 = makeCombo(frame, "Combo4", "Fourth phrase", {248, 48, 233, 24}, font);
    auto *text1 = make<QPlainTextEdit>(client, "Text1", {8, 88, 473, 49});
    auto *copy = makeButton(frame, "Command1", QStringLiteral("&Copy"), {248, 144, 49, 25});
    auto *about = makeButton(frame, "Command2", QStringLiteral("&About"), {432, 144, 49, 25});
    auto *random = makeButton(frame, "Command4", QStringLiteral("&Random"), {152, 144, 89, 25});
    auto *back = makeButton(frame, "Command5", QStringLiteral("&Back"), {16, 144, 49, 25});

    client->setFixedSize(490, 219);
    window.setCentralWidget(client);
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);

    combo1->setEditText(QStringLiteral("Welcome to pardonix!"));
    text1->setFont(font);
    text1->setAccessibleName(QStringLiteral("Sentence"));
    text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text1->setTabChangesFocus(true);
    text1->setPlainText(QStringLiteral("Welcome to pardonix!   "));
    combo1->raise();
    text1->raise();
    back->setEnabled(false);

    QMenu *file = window.menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("mnufile"));
    QAction *exit = file->addAction(QStringLiteral("Exit"));
    exit->setObjectName(QStringLiteral("mnuexit"));
    QObject::connect(exit, &QAction::triggered, &app, &QCoreApplication::quit);
    QAction *help = window.menuBar()->addAction(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("mnucontents"));
    help->setEnabled(false);

    QWidget::setTabOrder(combo1, combo2);
    QWidget::setTabOrder(combo2, combo3);
    QWidget::setTabOrder(combo3, combo4);
    QWidget::setTabOrder(combo4, copy);
    QWidget::setTabOrder(copy, text1);
    QWidget::setTabOrder(text1, about);
    QWidget::setTabOrder(about, random);
    QWidget::setTabOrder(random, back);
    combo1->setFocus();

    window.adjustSize();
    if (const QScreen *where = window.screen())
        window.move(where->availableGeometry().center()
                    - QPoint(window.width() / 2, window.height() / 2));
    window.show();
    return QApplication::exec();
}
