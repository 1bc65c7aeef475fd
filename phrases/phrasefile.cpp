// SPDX-License-Identifier: MIT
#include "phrasefile.h"

#include "platform/error.h"

#include <QStringDecoder>

#include <array>
#include <cstring>

namespace phrases {

namespace {

// Windows-1252 at 0x80..0x9F; the five bytes it leaves undefined keep their
// C1 control code, as Latin-1 has them.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = (b >= 0x80 && b < 0xA0) ? Cp1252High[b - 0x80] : char16_t(b);
    }
    return text;
}

QString decodeUtf16(QByteArrayView bytes, bool bigEndian)
{
    if (bytes.size() % 2 != 0)
        throw platform::Error(QStringLiteral("UTF-16 file with an odd number of bytes"));
    QString text(bytes.size() / 2, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < text.size(); ++i, in += 2)
        out[i] = bigEndian ? char16_t(in[0] << 8 | in[1]) : char16_t(in[1] << 8 | in[0]);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (QChar::isHighSurrogate(out[i]) && i + 1 < text.size() && QChar::isLowSurrogate(out[i + 1]))
            ++i;
        else if (QChar::isSurrogate(out[i]))
            throw platform::Error(QStringLiteral("UTF-16 file with an unpaired surrogate"));
    }
    return text;
}

bool startsWith(QByteArrayView bytes, std::initializer_list<unsigned char> prefix)
{
    if (bytes.size() < qsizetype(prefix.size()))
        return false;
    qsizetype i = 0;
    for (unsigned char b : prefix)
        if (static_cast<unsigned char>(bytes[i++]) != b)
            return false;
    return true;
}

} // namespace

QString decodeText(QByteArrayView bytes)
{
    if (startsWith(bytes, {0xFF, 0xFE}))
        return decodeUtf16(bytes.sliced(2), false);
    if (startsWith(bytes, {0xFE, 0xFF}))
        return decodeUtf16(bytes.sliced(2), true);
    if (startsWith(bytes, {0xEF, 0xBB, 0xBF}))
        bytes = bytes.sliced(3);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless
                                                  | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeWindows1252(bytes);
}

platform::ItemList decodePhraseFile(QByteArrayView bytes)
{
    QString text = decodeText(bytes);

    // Drop the line ends in place and note where each line stops.
    std::vector<std::uint32_t> ends;
    char16_t *const begin = reinterpret_cast<char16_t *>(text.data());
    const qsizetype size = text.size();
    qsizetype out = 0;
    for (qsizetype in = 0; in < size; ++in) {
        // Four units at a time while none of them is below U+000E, which
        // takes in CR and LF (a borrow between the 16-bit lanes only ever
        // starts at such a unit).
        while (in + 4 <= size) {
            std::uint64_t four;
            std::memcpy(&four, begin + in, sizeof four);
            if (((four - 0x000E000E000E000Eu) & ~four & 0x8000800080008000u) != 0)
                break;
            std::memcpy(begin + out, &four, sizeof four);
            in += 4;
            out += 4;
        }
        if (in == size)
            break;
        const char16_t c = begin[in];
        if (c != u'\n' && c != u'\r') {
            begin[out++] = c;
            continue;
        }
        if (c == u'\r' && in + 1 < size && begin[in + 1] == u'\n')
            ++in;
        if (qsizetype(ends.size()) == platform::ItemList::MaxItems)
            throw platform::Error(QStringLiteral("too many lines for one list"));
        ends.push_back(std::uint32_t(out));
    }
    // The last line needs no line end.
    if (ends.empty() ? out > 0 : qsizetype(ends.back()) != out) {
        if (qsizetype(ends.size()) == platform::ItemList::MaxItems)
            throw platform::Error(QStringLiteral("too many lines for one list"));
        ends.push_back(std::uint32_t(out));
    }
    text.truncate(out);
    text.squeeze();
    return platform::ItemList(std::move(text), std::move(ends));
}

} // namespace phrases
