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

// Buttons values of a message box.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbInformation = 64,
};

// The program's generator: reseeded from a high-resolution clock, it yields
// single-precision values r with 0 <= r < 1.
class RandomSource
{
public:
    void randomize();
    void seed(std::uint64_t value);
    float next();

private:
    std::mt19937 engine_;
};

// The services that block, end the program, depend on the clock or reach
// outside the window. Tests put their own in place of QtRuntime.
class Runtime
{
public:
    virtual ~Runtime() = default;

    // The folder the phrase lists are read from: the real executable's, as
    // the bytes of its path, whatever they are.
    virtual QByteArray AppPath() const = 0;
    // A modal message box; without a title it carries the application's.
    virtual void MsgBox(const QString &prompt, int buttons = vbOKOnly,
                        const std::optional<QString> &title = std::nullopt) = 0;
    // Ends the program: the event loop is left and the process exits.
    virtual void End() = 0;
    virtual bool hasEnded() const = 0;
    virtual void Randomize() = 0;
    virtual float Rnd() = 0;
    virtual void setClipboardText(const QString &text) = 0;
};

class QtRuntime : public Runtime
{
public:
    QByteArray AppPath() const override;
    // Over the middle of the program's window once that is shown; before,
    // in the middle of the screen.
    void MsgBox(const QString &prompt, int buttons, const std::optional<QString> &title) override;
    void End() override;
    bool hasEnded() const override { return ended_; }
    void Randomize() override { random_.randomize(); }
    float Rnd() override { return random_.next(); }
    void setClipboardText(const QString &text) override;

private:
    RandomSource random_;
    bool ended_ = false;
};

// The message box MsgBox shows, built but not yet shown; with a parent, it
// belongs to that window and goes over the middle of it.
std::unique_ptr<QMessageBox> makeMessageBox(const QString &prompt, int buttons,
                                            const std::optional<QString> &title,
                                            QWidget *parent = nullptr);

} // namespace platform
