// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// The largest phrase file read: 1 GiB.
inline constexpr qint64 MaxFileSize = qint64{1} << 30;

// Reads a whole regular file. Throws Error when the path is missing, is not a
// regular file (a directory, FIFO, socket or device is never opened for
// reading, so nothing blocks and nothing endless is read), cannot be read, or
// is larger than MaxFileSize.
QByteArray readFile(const QByteArray &path);
} // namespace platform
