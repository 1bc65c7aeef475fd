// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <stdexcept>
#include <utility>

namespace platform {

// A run-time error raised by a property, number or file operation.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString &what)
        : std::runtime_error(what.toStdString())
    {
    }
};

// The "skip the failing statement" error mode: runs one statement and, when
// it fails, goes on as if it had not been there.
template<typename Statement>
void resumeNext(Statement &&statement) noexcept
{
    try {
        std::forward<Statement>(statement)();
    } catch (const Error &) {
    } catch (const std::bad_alloc &) {
    }
}

} // namespace platform
