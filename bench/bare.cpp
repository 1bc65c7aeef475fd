// SPDX-License-Identifier: MIT
// The floor for start-up time and memory: a bare Qt window of the program's shape (its title, window flags, menu bar
// and client size), shown. No program code is linked in, so whatever the program's own window costs shows up.
// Built a second time with stock.cpp, as the stock window, whose controls fill the client area.

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#ifdef STOCK_CONTROLS
void addStockControls(QWidget *client);
#endif

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    window.setWindowTitle(QStringLiteral("Fibwright 1.0 By Mogrith"));
    window.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Exit"));
    window.menuBar()->addAction(QStringLiteral("Help"));
    auto *client = new QWidget;
    client->setFixedSize(490, 219);
    window.setCentralWidget(client);
#ifdef STOCK_CONTROLS
    addStockControls(client);
#endif
    window.show();
    return QApplication::exec();
}
