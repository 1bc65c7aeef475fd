// SPDX-License-Identifier: MIT
#include "runtime.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMessageBox>
#include <QPointer>

#include <chrono>
#include <limits.h>
#include <unistd.h>

namespace platform {

void RandomSource::randomize()
{
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch();
    seed(std::uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

void RandomSource::seed(std::uint64_t value)
{
    std::seed_seq seq{std::uint32_t(value), std::uint32_t(value >> 32)};
    engine_.seed(seq);
}

float RandomSource::next()
{
    // The top 24 bits of a 32-bit draw fill a float's mantissa exactly, so the
    // result is never rounded up to 1.
    return float(engine_() >> 8) * 0x1p-24f;
}

QByteArray QtRuntime::AppPath() const
{
    // The kernel's link to the running executable, links resolved, taken as
    // bytes: a folder name need not be valid in any encoding.
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    if (length > 0 && length < ssize_t(sizeof path)) {
        const QByteArray executable(path, length);
        return executable.left(qMax(executable.lastIndexOf('/'), 1));
    }
    return QFile::encodeName(QCoreApplication::applicationDirPath());
}

void QtRuntime::MsgBox(const QString &prompt, int buttons, const std::optional<QString> &title)
{
    QWidget *owner = nullptr;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && !qobject_cast<QMessageBox *>(window))
            owner = window;
    const QPointer<QWidget> focus = owner ? owner->focusWidget() : nullptr;
    makeMessageBox(prompt, buttons, title, owner)->exec();
    // A window kept off the task bar does not get the keyboard focus back
    // from some window managers (openbox) when a box over it closes.
    if (owner) {
        owner->activateWindow();
        if (focus)
            focus->setFocus(Qt::OtherFocusReason);
    }
}

void QtRuntime::End()
{
    if (ended_)
        return;
    ended_ = true;
    // Leaving the event loop lets Qt tear the application down in order,
    // which is when a copied text is handed to the clipboard manager.
    QCoreApplication::exit(0);
}

void QtRuntime::setClipboardText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

namespace {

class MessageBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    // A box that belongs to a window goes over the middle of it, frames
    // included (the box's frame is taken to be as wide as the window's). Qt
    // places it by a guess at the frame that can be 10 to 40 px off.
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        const QWidget *owner = parentWidget();
        if (!owner)
            return;
        const QRect frame = owner->frameGeometry();
        const QRect inside = owner->geometry();
        const QSize framed = size() + (frame.size() - inside.size());
        // The box is not framed yet: it is placed by its inside, which the
        // frame's left and top edges will push right and down.
        move(frame.x() + (frame.width() - framed.width()) / 2 + (inside.x() - frame.x()),
             frame.y() + (frame.height() - framed.height()) / 2 + (inside.y() - frame.y()));
    }
};

} // namespace

std::unique_ptr<QMessageBox> makeMessageBox(const QString &prompt, int buttons,
                                            const std::optional<QString> &title, QWidget *parent)
{
    std::unique_ptr<QMessageBox> box = std::make_unique<MessageBox>(parent);
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
