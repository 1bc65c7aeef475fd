// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <stdexcept>

namespace platform {

// A run-time error raised by a property, number or file operation.
struct Error : std::runtime_error {
    explicit Error(const QString &what) : std::runtime_error(what.toStdString()) {}
};

} // namespace platform
