// SPDX-License-Identifier: MIT
// libFuzzer target: any bytes as a phrase file, through the decoder and the
// sort the drop-down lists use. It checks what the program relies on: the
// only failure is platform::Error, the lines are split as the line-end rules
// say, no text is invented or lost in decoding, and the order is a stable
// sort of all the items by their case foldings' code points.

#include "phrases/phrasefile.h"
#include "platform/error.h"
#include "platform/phraselist/itemlist.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_phrasefile: invariant broken: %s\n", what);
    std::abort();
}

bool startsWith(QByteArrayView bytes, QByteArrayView prefix)
{
    return bytes.size() >= prefix.size() && bytes.first(prefix.size()) == prefix;
}

// The text as the UTF-16 path must give it, or nothing when the bytes are not
// UTF-16 that can be shown (odd length, an unpaired surrogate).
std::optional<QString> expectedUtf16(QByteArrayView body, bool bigEndian)
{
    if (body.size() % 2 != 0)
        return std::nullopt;
    QString text;
    for (qsizetype i = 0; i < body.size(); i += 2) {
        const auto a = static_cast<unsigned char>(body[i]);
        const auto b = static_cast<unsigned char>(body[i + 1]);
        text.append(QChar(bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a)));
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return std::nullopt;
    }
    return text;
}

// The text of valid UTF-8 (RFC 3629: shortest form, no surrogates, nothing
// past U+10FFFF), or nothing for bytes that are not.
std::optional<QString> expectedUtf8(QByteArrayView body)
{
    QString text;
    const auto *p = reinterpret_cast<const unsigned char *>(body.data());
    const auto *const end = p + body.size();
    while (p < end) {
        const unsigned char lead = *p++;
        int more = 0;
        char32_t c = lead;
        char32_t least = 0;
        if (lead < 0x80) {
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1, c = lead & 0x1F, least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2, c = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3, c = lead & 0x07, least = 0x10000;
        } else {
            return std::nullopt;
        }
        if (end - p < more)
            return std::nullopt;
        for (int i = 0; i < more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return std::nullopt;
            c = c << 6 | (p[i] & 0x3F);
        }
        p += more;
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        if (c >= 0x10000) {
            text.append(QChar(char16_t(0xD7C0 + (c >> 10))));
            text.append(QChar(char16_t(0xDC00 | (c & 0x3FF))));
        } else {
            text.append(QChar(char16_t(c)));
        }
    }
    return text;
}

// The decoded text must be exactly the bytes: UTF-16 unit for unit, valid
// UTF-8 character for character (after one leading byte-order mark, any
// further one is a character of the text), or one character per byte for a
// file that is not valid UTF-8 (read as Windows-1252: ASCII and 0xA0..0xFF keep
// their code, and no replacement character stands in for anything).
void checkDecoding(QByteArrayView bytes, const std::optional<QString> &text)
{
    if (startsWith(bytes, "\xFF\xFE") || startsWith(bytes, "\xFE\xFF")) {
        const auto expected = expectedUtf16(bytes.sliced(2), bytes[0] == '\xFE');
        check(expected.has_value() == text.has_value(), "UTF-16 accepted or refused wrongly");
        check(!text || *text == *expected, "UTF-16 decoded wrongly");
        return;
    }
    check(text.has_value(), "an 8-bit file was refused");
    const QByteArrayView body = startsWith(bytes, "\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
    if (const auto utf8 = expectedUtf8(body)) {
        check(*text == *utf8, "valid UTF-8 not decoded as UTF-8");
        return;
    }
    check(text->size() == body.size(), "Windows-1252 text is not one character per byte");
    for (qsizetype i = 0; i < body.size(); ++i) {
        const auto b = static_cast<unsigned char>(body[i]);
        const char16_t c = (*text)[i].unicode();
        if (b < 0x80 || b >= 0xA0)
            check(c == b, "Windows-1252 byte changed");
        else
            check(c != 0xFFFD && c >= 0x80, "Windows-1252 byte replaced");
    }
}

// The lines of text by the line-end rules, each line end counted once.
QStringList expectedLines(const QString &text)
{
    QStringList lines;
    QString line;
    bool open = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            lines.append(line);
            line.clear();
            open = false;
        } else {
            line.append(c);
            open = true;
        }
    }
    if (open)
        lines.append(line);
    return lines;
}

// A text's case folding, code point by code point, worked out the plain way.
std::u32string codePointFolding(QStringView text)
{
    std::u32string folded;
    for (char32_t c : text.toUcs4())
        folded += QChar::toCaseFolded(c);
    return folded;
}

int sign(int n)
{
    return (n > 0) - (n < 0);
}

void checkSorted(const platform::ItemList &list)
{
    const std::vector<std::uint32_t> order = platform::sortedOrder(list);
    check(qsizetype(order.size()) == list.size(), "order has the wrong length");
    std::vector<bool> seen(order.size());
    for (std::uint32_t i : order) {
        check(i < order.size() && !seen[i], "order is not a permutation");
        seen[i] = true;
    }
    for (std::size_t k = 0; k + 1 < order.size(); ++k) {
        const QStringView a = list.at(order[k]);
        const QStringView b = list.at(order[k + 1]);
        const int ab = platform::compareIgnoringCase(a, b);
        const int ba = platform::compareIgnoringCase(b, a);
        check(ab <= 0, "order is not sorted");
        check((ab < 0) == (ba > 0) && (ab == 0) == (ba == 0), "comparison is not antisymmetric");
        check(ab < 0 || order[k] < order[k + 1], "equal items changed their order");
        check(platform::compareIgnoringCase(list.at(order[0]), b) <= 0, "comparison is not transitive");
        // Decoded text is valid UTF-16: the order is that of the items'
        // case foldings, compared code point by code point.
        check(a.isValidUtf16() && b.isValidUtf16(), "decoded text is not valid UTF-16");
        check(ab == sign(codePointFolding(a).compare(codePointFolding(b))),
              "comparison differs from comparing folded code points");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    std::optional<QString> text;
    try {
        text = phrases::decodeText(bytes);
    } catch (const platform::Error &) {
    }
    checkDecoding(bytes, text);

    std::optional<platform::ItemList> list;
    try {
        list = phrases::decodePhraseFile(bytes);
    } catch (const platform::Error &) {
    }
    check(list.has_value() == text.has_value(), "lines refused although the text decodes, or the reverse");
    if (!list)
        return 0;

    // Line ends: n line ends make n items, plus one for a last line without one.
    const QStringList lines = expectedLines(*text);
    check(list->size() == lines.size(), "wrong number of items");
    for (qsizetype i = 0; i < list->size(); ++i) {
        const QStringView item = list->at(i);
        check(!item.contains(u'\r') && !item.contains(u'\n'), "an item holds a line end");
        check(item == lines[i], "an item differs from its line");
    }

    // The same bytes always give the same items.
    const platform::ItemList again = phrases::decodePhraseFile(bytes);
    check(again.size() == list->size(), "second decoding differs in length");
    for (qsizetype i = 0; i < list->size(); ++i)
        check(again.at(i) == list->at(i), "second decoding differs");

    checkSorted(*list);
    return 0;
}
