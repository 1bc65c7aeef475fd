// SPDX-License-Identifier: MIT
#include "phrasefile.h"

#include "platform/error.h"

#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace phrases {

using platform::Error;

// Windows-1252 at 0x80..0x9F; its five undefined bytes keep their C1 code, as in Latin-1.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D,
    0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A,
    0x0153, 0x009D, 0x017E, 0x0178};

QByteArray readFile(const QByteArray &path)
{
    const auto failure = [](const char *why) { return Error(QString::fromLocal8Bit(why)); };
    // O_NONBLOCK: opening a FIFO with no writer must not wait for one.
    struct Fd {
        int fd;
        ~Fd() { if (fd >= 0) ::close(fd); }
    } file{::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    struct stat info {};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0)
        throw failure(::strerror(errno));
    if (!S_ISREG(info.st_mode))
        throw failure("not a regular file");
    if (info.st_size > MaxFileSize)
        throw failure("file too large");

    // Read to the end whatever the size said: the file may have grown, or
    // (in /proc) say 0. A full buffer grows once a read shows more is there.
    QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qsizetype done = 0;
    for (ssize_t got = 1; got != 0; done += qMax<ssize_t>(got, 0)) {
        if (done > MaxFileSize)
            throw failure("file too large");
        if (done == bytes.size())
            bytes.resize(qMin<qsizetype>(MaxFileSize + 1, qMax<qsizetype>(4096, done * 2)));
        got = ::read(file.fd, bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno != EINTR)
            throw failure(::strerror(errno));
    }
    bytes.truncate(done);
    return bytes;
}

QString decodeText(QByteArrayView bytes)
{
    const bool bigEndian = bytes.startsWith("\xFE\xFF");
    const bool utf16 = bigEndian || bytes.startsWith("\xFF\xFE");
    if (utf16 && bytes.size() % 2 != 0)
        throw Error(QStringLiteral("UTF-16 file with an odd number of bytes"));
    if (utf16 || bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(utf16 ? 2 : 3);
    // Only the first byte-order mark is dropped.
    QStringDecoder decoder(!utf16 ? QStringDecoder::Utf8 : bigEndian ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (utf16 && !text.isValidUtf16())
        throw Error(QStringLiteral("UTF-16 file with an unpaired surrogate"));
    if (utf16 || !decoder.hasError())
        return text;
    text = QString::fromLatin1(bytes);
    for (QChar &c : text)
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            c = QChar(Cp1252High[c.unicode() - 0x80]);
    return text;
}

platform::ItemList decodePhraseFile(QByteArrayView bytes)
{
    QString text = decodeText(bytes);
    // The line ends are dropped in place; ends notes where each line stops.
    std::vector<std::uint32_t> ends;
    const auto endLine = [&ends](qsizetype at) {
        if (qsizetype(ends.size()) == platform::ItemList::MaxItems)
            throw Error(QStringLiteral("too many lines for one list"));
        ends.push_back(std::uint32_t(at));
    };
    char16_t *const begin = reinterpret_cast<char16_t *>(text.data());
    const qsizetype size = text.size();
    qsizetype out = 0;
    for (qsizetype in = 0; in < size; ++in) {
        // Four units at a time while none is below U+000E, as CR and LF are
        // (a borrow between the 16-bit lanes only starts at such a unit).
        for (std::uint64_t four; in + 4 <= size; in += 4, out += 4) {
            std::memcpy(&four, begin + in, sizeof four);
            if (((four - 0x000E000E000E000Eu) & ~four & 0x8000800080008000u) != 0)
                break;
            std::memcpy(begin + out, &four, sizeof four);
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
        endLine(out);
    }
    // The last line needs no line end.
    if (ends.empty() ? out > 0 : qsizetype(ends.back()) != out)
        endLine(out);
    text.truncate(out);
    text.squeeze();
    return platform::ItemList(std::move(text), std::move(ends));
}

} // namespace phrases
