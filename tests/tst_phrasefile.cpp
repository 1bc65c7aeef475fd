#include "phrases/phrasefile.h"
#include "platform/error.h"

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
