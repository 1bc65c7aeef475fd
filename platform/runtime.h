// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <random>

class QMessageBox;
class QWidget;

namespace platform {

enum MsgBoxStyle : int { vbOKOnly = 0, vbInformation = 64 };

// The services that block, end the program, depend on the clock or reach outside the window: tests override them.
class Runtime
{
public:
    virtual ~Runtime() = default;

    virtual QByteArray AppPath() const; // the real executable's folder
    // Modal, over the middle of the program's window once shown; titled as the application by default.
    virtual void MsgBox(const QString &prompt, int buttons = vbOKOnly,
                        const std::optional<QString> &title = std::nullopt);
    // Leaves the event loop, and so ends the program with the status given.
    virtual void End(int status = 0);
    virtual bool hasEnded() const { return ended_; }
    int exitStatus() const { return status_; }
    // One line on standard error: "fibwright: " and the message.
    virtual void reportError(const QString &message);
    virtual void Randomize(); // reseeds from a high-resolution clock
    virtual float Rnd();      // 0 <= r < 1
    virtual void setClipboardText(const QString &text);

private:
    std::mt19937 engine_;
    bool ended_ = false;
    int status_ = 0;
};

// The box MsgBox shows, not shown yet; with a parent it goes over the middle of it.
std::unique_ptr<QMessageBox> makeMessageBox(const QString &prompt, int buttons,
                                            const std::optional<QString> &title, QWidget *parent = nullptr);

} // namespace platform
