// SPDX-License-Identifier: MIT
#pragma once

#include "platform/runtime.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

// Stands in for the run-time services in tests: message boxes return at once;
// they and error lines are recorded, End is counted with its status, and Rnd
// hands out scripted values before it falls back to the real generator. The
// clipboard is the real one.
class FakeRuntime final : public platform::Runtime
{
public:
    struct Box {
        QString prompt;
        int buttons;
        std::optional<QString> title;
    };

    explicit FakeRuntime(QString folder = {})
        : folder_(std::move(folder))
    {
    }

    QByteArray AppPath() const override { return QFile::encodeName(folder_); }
    void MsgBox(const QString &prompt, int buttons, const std::optional<QString> &title) override
    {
        boxes.append({prompt, buttons, title});
    }
    void End(int status = 0) override { ++ends; endStatus = status; }
    void reportError(const QString &message) override { errors.append(message); }
    bool hasEnded() const override { return ends > 0; }
    void Randomize() override
    {
        ++randomizes;
        Runtime::Randomize();
    }
    float Rnd() override
    {
        if (draws.empty())
            return Runtime::Rnd();
        const float r = draws.front();
        draws.pop_front();
        return r;
    }

    QList<Box> boxes;
    int ends = 0;
    int endStatus = -1;
    QStringList errors;
    int randomizes = 0;
    std::deque<float> draws;

private:
    QString folder_;
};
