// SPDX-License-Identifier: MIT
#include "runtime.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMessageBox>
#include <QPointer>

#include <chrono>
#include <cstdio>
#include <limits.h>
#include <unistd.h>

namespace platform {

QByteArray Runtime::AppPath() const
{
    // The kernel's link to the executable, links resolved, kept as bytes: a
    // folder name need not be valid in any encoding.
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || length >= ssize_t(sizeof path))
        return QFile::encodeName(QCoreApplication::applicationDirPath());
    const QByteArray executable(path, length);
    return executable.left(qMax(executable.lastIndexOf('/'), 1));
}

void Runtime::MsgBox(const QString &prompt, int buttons, const std::optional<QString> &title)
{
    QWidget *owner = nullptr;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && !qobject_cast<QMessageBox *>(window))
            owner = window;
    const QPointer<QWidget> focus = owner ? owner->focusWidget() : nullptr;
    makeMessageBox(prompt, buttons, title, owner)->exec();
    // Some window managers (openbox) give a window kept off the task bar no
    // keyboard focus back when a box over it closes.
    if (owner)
        owner->activateWindow();
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
}

void Runtime::End(int status)
{
    // Leaving the event loop lets Qt tear down in order, which is when a
    // copied text is handed to the clipboard manager.
    if (!std::exchange(ended_, true))
        QCoreApplication::exit(status_ = status);
}

void Runtime::reportError(const QString &message)
{
    std::fprintf(stderr, "fibwright: %s\n", message.toLocal8Bit().constData());
}

void Runtime::Randomize()
{
    const auto ticks = std::uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    std::seed_seq seq{std::uint32_t(ticks), std::uint32_t(ticks >> 32)};
    engine_.seed(seq);
}

// The top 24 bits of a draw fill a float's mantissa exactly: never rounded up to 1.
float Runtime::Rnd() { return float(engine_() >> 8) * 0x1p-24f; }

void Runtime::setClipboardText(const QString &text) { QGuiApplication::clipboard()->setText(text); }

std::unique_ptr<QMessageBox> makeMessageBox(const QString &prompt, int buttons,
                                            const std::optional<QString> &title, QWidget *parent)
{
    struct MessageBox : QMessageBox {
        using QMessageBox::QMessageBox;
        // Over the middle of its owner, frames included: taken to be as wide as the owner's, the frames
        // share the insides' middle (Qt's own guess at the frame can be 10 to 40 px off).
        void showEvent(QShowEvent *event) override
        {
            QMessageBox::showEvent(event);
            if (const QWidget *owner = parentWidget()) {
                const QRect inside = owner->geometry();
                move(inside.x() + (inside.width() - width()) / 2, inside.y() + (inside.height() - height()) / 2);
            }
        }
    };
    auto box = std::make_unique<MessageBox>(parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(prompt);
    box->setWindowTitle(title.value_or(QCoreApplication::applicationName()));
    box->setIcon((buttons & vbInformation) ? QMessageBox::Information : QMessageBox::NoIcon);
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    return box;
}

} // namespace platform
