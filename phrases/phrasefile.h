// SPDX-License-Identifier: MIT
#pragma once

#include "platform/phraselist/itemlist.h"

#include <QByteArrayView>

namespace phrases {

// Turns the bytes of a phrase file into its phrases, in the file's order.
//
// Encoding: a UTF-16 byte-order mark (either byte order) means UTF-16; a
// UTF-8 byte-order mark is dropped; text that is not valid UTF-8 is read as
// Windows-1252. Lines: CR LF, LF and a lone CR each end a line; the line end
// is not part of the phrase; a final line end adds no empty phrase; every
// other line, empty ones too, is one phrase, unchanged.
//
// Throws platform::Error for a file with more than ItemList::MaxItems lines
// or a UTF-16 file that is not valid UTF-16.
platform::ItemList decodePhraseFile(QByteArrayView bytes);

// The file's text, decoded as decodePhraseFile() does, line ends included.
QString decodeText(QByteArrayView bytes);

} // namespace phrases
