// SPDX-License-Identifier: MIT
#include "phrases/phrasefile.h"
#include "platform/error.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList phrasesOf(const QByteArray &bytes)
{
    const platform::ItemList list = phrases::decodePhraseFile(bytes);
    QStringList out;
    for (qsizetype i = 0; i < list.size(); ++i)
        out << list.at(i).toString();
    return out;
}

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return bytes;
}

// The phrases of a text split one unit at a time, the plain way: what the
// splitter, which skips through plain text four units at a time, must give.
QStringList splitPlainly(const QString &text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n') {
            line += c;
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        lines << line;
        line.clear();
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

} // namespace

class TestPhraseFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splitsLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("zero-bytes") << QByteArray() << QStringList{};
        QTest::newRow("crlf") << "a\r\nb\r\nc\r\n"_ba << QStringList{u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("lf") << "a\nb\nc\n"_ba << QStringList{u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("lone-cr") << "a\rb\rc"_ba << QStringList{u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("mixed") << "a\r\nb\nc\rd"_ba << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
        QTest::newRow("no-final-end") << "a\r\nb"_ba << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("only-crlf") << "\r\n"_ba << QStringList{u""_s};
        QTest::newRow("only-lf") << "\n"_ba << QStringList{u""_s};
        QTest::newRow("only-cr") << "\r"_ba << QStringList{u""_s};
        QTest::newRow("lf-cr-is-two") << "a\n\rb"_ba << QStringList{u"a"_s, u""_s, u"b"_s};
        QTest::newRow("empty-middle") << "a\r\n\r\nb\r\n"_ba << QStringList{u"a"_s, u""_s, u"b"_s};
        QTest::newRow("empty-last") << "a\n\n"_ba << QStringList{u"a"_s, u""_s};
        QTest::newRow("blanks-kept") << "  a \t\n b\n"_ba << QStringList{u"  a \t"_s, u" b"_s};
        QTest::newRow("duplicates") << "x\nx\n"_ba << QStringList{u"x"_s, u"x"_s};
        QTest::newRow("nul-inside") << QByteArray("a\0b\nc", 5) << QStringList{u"a\0b"_s, u"c"_s};
    }
    void splitsLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        QCOMPARE(phrasesOf(bytes), expected);
    }

    // Line ends at every place within the splitter's four-unit steps, next to
    // other control characters and to units whose low byte looks like CR or LF.
    void splitsLinesAnywhere_data()
    {
        QTest::addColumn<QString>("text");
        QString offsets;
        for (int length = 0; length < 10; ++length)
            offsets += QString(length, u'x') + QStringList{u"\r\n"_s, u"\n"_s, u"\r"_s}.at(length % 3);
        QTest::newRow("every-offset") << offsets;
        QTest::newRow("cr-lf-across-steps") << u"abc\r\ndefg\r\nhi\r\r\n\n\rjklm"_s;
        QTest::newRow("other-controls") << u"a\tb\0c\u000Bd\u000Ce\u000Ef\u001F\r\n\t\0\u000B\u000C\u000E\n"_s;
        QTest::newRow("look-alike-units") << u"\u800A\u800D\u8000\uFFFF\n\u010A\u0D0D\u0A0A\u000D"_s
                                                 u"\u800D\u800A\uFFFF\U0001F600\r\n\U0001F600"_s;
        QString mixed;
        QRandomGenerator random(7);
        const QString alphabet = u"ab\r\n\t\0\u800D\u800A\uFFFF\u00E9"_s;
        for (int i = 0; i < 4000; ++i)
            mixed += alphabet.at(random.bounded(int(alphabet.size())));
        QTest::newRow("random") << mixed;
    }
    void splitsLinesAnywhere()
    {
        QFETCH(QString, text);
        QCOMPARE(phrasesOf(utf16(text, false)), splitPlainly(text));
    }

    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("ascii") << "plain\n"_ba << QStringList{u"plain"_s};
        QTest::newRow("utf8") << "caf\xC3\xA9 \xE2\x82\xAC\n"_ba << QStringList{u"caf\u00e9 \u20ac"_s};
        QTest::newRow("utf8-bom") << "\xEF\xBB\xBFone\ntwo"_ba << QStringList{u"one"_s, u"two"_s};
        QTest::newRow("utf8-astral") << "\xF0\x9F\x98\x80\n"_ba << QStringList{u"\U0001F600"_s};
        QTest::newRow("cp1252") << "caf\xE9 \x80 \x93quoted\x94\r\n"_ba
                                << QStringList{u"caf\u00e9 \u20ac \u201cquoted\u201d"_s};
        // Every byte Windows-1252 gives a character of its own, as the code
        // page's published table has it; the five it leaves undefined keep
        // their C1 control code.
        QByteArray high;
        for (int b = 0x80; b <= 0x9F; ++b)
            high.append(char(b));
        QTest::newRow("cp1252-80-9f")
            << high
            << QStringList{u"\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u008D\u017D\u008F"
                           u"\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u009D\u017E\u0178"_s};
        QTest::newRow("cp1252-undefined") << "\x81\x8D\x8F\x90\x9D"_ba
                                          << QStringList{u"\u0081\u008d\u008f\u0090\u009d"_s};
        // One bad byte makes the whole file Windows-1252, never a mix.
        QTest::newRow("invalid-utf8") << "\xC3\xA9\n\xFF\n"_ba << QStringList{u"\u00c3\u00a9"_s, u"\u00ff"_s};
        QTest::newRow("overlong") << "\xC0\xAF"_ba << QStringList{u"\u00c0\u00af"_s};
        QTest::newRow("surrogate") << "\xED\xA0\x80"_ba << QStringList{u"\u00ed\u00a0\u20ac"_s};
        QTest::newRow("truncated") << "ab\xE2\x82"_ba << QStringList{u"ab\u00e2\u201a"_s};
        QTest::newRow("utf16le") << utf16(u"one\r\nt\u00e9o\n\U0001F600"_s, false)
                                 << QStringList{u"one"_s, u"t\u00e9o"_s, u"\U0001F600"_s};
        QTest::newRow("utf16be") << utf16(u"one\rtwo\r\n"_s, true) << QStringList{u"one"_s, u"two"_s};
        QTest::newRow("utf16-empty") << "\xFF\xFE"_ba << QStringList{};
    }
    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        QCOMPARE(phrasesOf(bytes), expected);
    }

    void refusesBrokenUtf16_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("odd-length") << "\xFF\xFE" "a\0b"_ba;
        QTest::newRow("lone-high") << QByteArray("\xFF\xFE\x00\xD8" "a\0", 6);
        QTest::newRow("lone-low") << QByteArray("\xFF\xFE" "a\0\x00\xDC", 6);
    }
    void refusesBrokenUtf16()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY_THROWS_EXCEPTION(platform::Error, phrases::decodePhraseFile(bytes));
    }

    void holdsAtMostTheListCapacity()
    {
        const auto max = qsizetype(platform::ItemList::MaxItems);
        QByteArray bytes(max, '\n');
        QCOMPARE(phrases::decodePhraseFile(bytes).size(), max);
        bytes.append('x');
        QVERIFY_THROWS_EXCEPTION(platform::Error, phrases::decodePhraseFile(bytes));
        bytes.chop(1);
        bytes.append('\n');
        QVERIFY_THROWS_EXCEPTION(platform::Error, phrases::decodePhraseFile(bytes));
    }

    void keepsALongLineWhole()
    {
        QByteArray bytes(10'000'000, 'x');
        bytes.append("\r\nend");
        const platform::ItemList list = phrases::decodePhraseFile(bytes);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.at(0).size(), 10'000'000);
        QCOMPARE(list.at(1).toString(), u"end"_s);
    }
};

QTEST_APPLESS_MAIN(TestPhraseFile)
#include "tst_phrasefile.moc"
