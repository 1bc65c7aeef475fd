// SPDX-License-Identifier: MIT
#pragma once

#include "platform/phraselist/itemlist.h"

#include <QByteArrayView>

namespace phrases {

inline constexpr qint64 MaxFileSize = qint64{1} << 30;

// A whole regular file. Throws platform::Error, saying why, when it is missing, unreadable, larger than MaxFileSize
// or no regular file (a FIFO or device is never read, so nothing blocks and nothing endless is read).
QByteArray readFile(const QByteArray &path);

// The phrases of a file, in its order. A UTF-16 byte-order mark (either order) means UTF-16; a UTF-8 one is
// dropped; text that is not UTF-8 is Windows-1252. CR LF, LF and a lone CR each end a line, not part of the phrase;
// a final line end adds no phrase; every other line is one, as it is. Throws platform::Error for more than
// ItemList::MaxItems lines or bad UTF-16.
platform::ItemList decodePhraseFile(QByteArrayView bytes);
// The file's text, decoded as above, line ends included.
QString decodeText(QByteArrayView bytes);

} // namespace phrases
