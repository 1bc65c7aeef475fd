// SPDX-License-Identifier: MIT
// The stock window's controls: Qt's own four editable drop-downs, multi-line text box, four buttons and frame where
// the program has its own, in the desktop's font at 9.75 pt, with the texts the program starts with, and no program
// code. What the controls themselves cost Qt shows here; what the program adds shows against it.

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <utility>

void addStockControls(QWidget *client)
{
    auto *frame = new QGroupBox(client);
    frame->setGeometry(0, 0, 489, 177);
    QFont font = QApplication::font();
    font.setPointSizeF(9.75);
    const QString welcome = QStringLiteral("Welcome to pardonix!");
    for (const QRect &at : {QRect(8, 24, 473, 24), QRect(8, 48, 129, 24), QRect(136, 48, 113, 24),
                            QRect(248, 48, 233, 24)}) {
        auto *list = new QComboBox(frame);
        list->setEditable(true);
        list->setCompleter(nullptr);
        list->setFont(font);
        list->setGeometry(at);
        list->setEditText(at.top() == 24 ? welcome : QString());
    }
    auto *text = new QPlainTextEdit(client);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setFont(font);
    text->setGeometry(8, 88, 473, 49);
    text->setPlainText(welcome + QStringLiteral("   "));
    for (const auto &[caption, at] : {std::pair{"&Copy", QRect(248, 144, 49, 25)}, {"&About", QRect(432, 144, 49, 25)},
                                      {"&Random", QRect(152, 144, 89, 25)}, {"&Back", QRect(16, 144, 49, 25)}})
        (new QPushButton(QString::fromLatin1(caption), frame))->setGeometry(at);
}
