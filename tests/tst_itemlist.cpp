// SPDX-License-Identifier: MIT
#include "platform/error.h"
#include "platform/phraselist/itemlist.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>
#include <optional>
#include <string>

using platform::ItemList;
using namespace Qt::StringLiterals;

namespace {

QStringList sorted(const ItemList &list)
{
    QStringList out;
    for (std::uint32_t i : platform::sortedOrder(list))
        out << list.at(i).toString();
    return out;
}

// The order a plain stable sort on compareIgnoringCase() gives: what the
// keyed sort in sortedOrder() must reproduce exactly.
std::vector<std::uint32_t> plainOrder(const ItemList &list)
{
    std::vector<std::uint32_t> order(std::size_t(list.size()));
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&list](std::uint32_t x, std::uint32_t y) {
        return platform::compareIgnoringCase(list.at(x), list.at(y)) < 0;
    });
    return order;
}

// A valid text's case folding, code point by code point: what
// compareIgnoringCase() orders by, worked out the plain way.
std::u32string codePointFolding(QStringView text)
{
    std::u32string folded;
    for (char32_t c : text.toUcs4())
        folded += QChar::toCaseFolded(c);
    return folded;
}

// Surrogates that are half of no pair.
const QString LoneHigh = QString(QChar(char16_t(0xD801)));
const QString LoneLow = QString(QChar(char16_t(0xDC00)));

// count items of up to maxLength characters drawn from alphabet (a surrogate
// pair is one character, a lone surrogate another), the same ones for the
// same seed.
QStringList randomItems(const QString &alphabet, int count, int maxLength, quint32 seed)
{
    QStringList letters;
    for (qsizetype i = 0; i < alphabet.size(); ++i) {
        const bool pair = alphabet.at(i).isHighSurrogate() && i + 1 < alphabet.size()
            && alphabet.at(i + 1).isLowSurrogate();
        letters << alphabet.mid(i, pair ? 2 : 1);
        i += pair ? 1 : 0;
    }
    QRandomGenerator random(seed);
    QStringList items;
    for (int i = 0; i < count; ++i) {
        QString item;
        const int length = random.bounded(maxLength + 1);
        for (int k = 0; k < length; ++k)
            item += letters.at(random.bounded(int(letters.size())));
        items << item;
    }
    return items;
}

} // namespace

class TestItemList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sortsIgnoringCase_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("plain") << QStringList{u"pear"_s, u"apple"_s, u"fig"_s}
                               << QStringList{u"apple"_s, u"fig"_s, u"pear"_s};
        QTest::newRow("case") << QStringList{u"beta"_s, u"Alpha"_s, u"alpine"_s, u"ALPS"_s}
                              << QStringList{u"Alpha"_s, u"alpine"_s, u"ALPS"_s, u"beta"_s};
        // Items equal but for case keep the order they were added in.
        QTest::newRow("stable") << QStringList{u"dns"_s, u"DNS"_s, u"Dns"_s, u"a"_s}
                                << QStringList{u"a"_s, u"dns"_s, u"DNS"_s, u"Dns"_s};
        QTest::newRow("prefix") << QStringList{u"abc"_s, u"AB"_s, u""_s, u"a"_s}
                                << QStringList{u""_s, u"a"_s, u"AB"_s, u"abc"_s};
        QTest::newRow("accents") << QStringList{u"\u00c9tage"_s, u"\u00e9clair"_s, u"zebra"_s}
                                 << QStringList{u"zebra"_s, u"\u00e9clair"_s, u"\u00c9tage"_s};
        QTest::newRow("capital-z") << QStringList{u"Zebra"_s, u"apple"_s, u"zoo"_s, u"Yak"_s}
                                   << QStringList{u"apple"_s, u"Yak"_s, u"Zebra"_s, u"zoo"_s};
        QTest::newRow("duplicates") << QStringList{u"x"_s, u"x"_s, u"a"_s}
                                    << QStringList{u"a"_s, u"x"_s, u"x"_s};
        // Case is ignored beyond the Basic Multilingual Plane too, and the
        // order is that of code points: U+FF21 before U+10428 before U+1F600.
        QTest::newRow("code-points")
            << QStringList{u"\U0001F600"_s, u"\U00010400b"_s, u"\uFF21"_s, u"\U00010428a"_s, u"\uFF42"_s}
            << QStringList{u"\uFF21"_s, u"\uFF42"_s, u"\U00010428a"_s, u"\U00010400b"_s, u"\U0001F600"_s};
        QTest::newRow("deseret-stable")
            << QStringList{u"\U00010428x"_s, u"\U00010400X"_s, u"\U00010400a"_s, u"\U00010427"_s}
            << QStringList{u"\U00010400a"_s, u"\U00010428x"_s, u"\U00010400X"_s, u"\U00010427"_s};
    }
    void sortsIgnoringCase()
    {
        QFETCH(QStringList, items);
        QFETCH(QStringList, expected);
        QCOMPARE(sorted(itemsOf(items)), expected);
    }

    // sortedOrder() compares packed keys of 12 case-folded units and goes
    // deeper only for ties; it must order exactly as comparing the texts does.
    void sortsLikeComparingTexts_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::newRow("nul-vs-end") << QStringList{u"ab"_s, u"ab\0"_s, u"a"_s, u"ab\0\0"_s, u"AB"_s,
                                                   u"ab\0a"_s, u"\0"_s, u""_s, u"\0\0"_s};
        const QString twelve = u"abcdefghijkl"_s;
        QTest::newRow("key-edge") << QStringList{twelve, twelve.toUpper(), twelve + u"m"_s,
                                                 twelve.left(11), twelve + u"\0"_s, twelve + u"M"_s,
                                                 twelve.left(11) + u"L"_s, twelve + twelve};
        QStringList deep;
        const QString prefix = u"Our monitoring shows that the cache "_s;
        for (const QString &tail : {u"melted"_s, u"MELTED"_s, u"melt"_s, u""_s, u"Melted."_s, u"melted"_s})
            deep << prefix + tail << prefix.toUpper() + tail;
        QTest::newRow("long-shared-start") << deep;
        QTest::newRow("kelvin-and-k") << QStringList{u"\u212Ab"_s, u"kb"_s, u"Ka"_s, u"KB"_s, u"\u212Aa"_s};
        QTest::newRow("micro-and-mu") << QStringList{u"\u00B5x"_s, u"\u03BCx"_s, u"\u039Cx"_s, u"mx"_s};
        QTest::newRow("latin1") << QStringList{u"\u00C0b"_s, u"\u00E0a"_s, u"Ab"_s, u"\u00DF"_s, u"ss"_s,
                                               u"\u00FF"_s, u"\u0178"_s, u"z"_s};
        QTest::newRow("beyond-latin1") << QStringList{u"\uFF21"_s, u"\uFF41"_s, u"\u0100"_s, u"\u0101"_s,
                                                      u"\uFFFF"_s, u"\uE000"_s, u"\U0001F600"_s,
                                                      u"\U0001F601"_s, u"\U00010400"_s, u"\U00010428"_s};
        // A surrogate pair split by the keys' 12-unit edge folds as a whole.
        QStringList split;
        for (const QString &start : {u"abcdefghijk"_s, u"ABCDEFGHIJKL"_s, u"abcdefghijkl"_s + u"mnopqrstuvw"_s})
            for (const QString &middle : {u"\U00010400"_s, u"\U00010428"_s, u"\U0001F600"_s, u"\uFF21"_s,
                                          u"\uFF41"_s, LoneHigh, LoneLow, u""_s})
                for (const QString &end : {u"a"_s, u"B"_s, u""_s, u"\U00010401"_s})
                    split << start + middle + end;
        QTest::newRow("pair-across-key-edge") << split;
        QTest::newRow("lone-surrogates") << QStringList{LoneHigh, LoneLow, LoneHigh + LoneLow, LoneLow + LoneHigh,
                                                        LoneHigh + u"a"_s, u"\U00010400"_s, u"\U00010428"_s,
                                                        u"\uFFFF"_s, LoneLow + u"\U00010400"_s, u"a"_s + LoneLow,
                                                        u"a"_s + LoneHigh, u"A"_s + LoneHigh, u""_s};
        QTest::newRow("all-equal") << QStringList(300, u"Same Phrase"_s);
        // Enough items for the radix passes, with many ties at every depth.
        QTest::newRow("random-narrow") << randomItems(u"aAbB"_s, 3000, 30, 1);
        const QString tricky = u"aAbB \0\u00E9\u00C9\u212Ak\u00B5\u03BC\U0001F600"_s + LoneHigh + LoneLow;
        QTest::newRow("random-tricky") << randomItems(tricky, 3000, 40, 2);
        const QString supplementary = u"aB\U00010400\U00010428\U00010401\U0001F600\uFF21\uFF41\uFFFF"_s + LoneLow;
        QTest::newRow("random-supplementary") << randomItems(supplementary, 3000, 30, 4);
        QStringList shared;
        for (const QString &item : randomItems(u"xX"_s, 2000, 6, 3))
            shared << u"a shared beginning longer than two keys"_s + item;
        QTest::newRow("random-shared-start") << shared;
        // Long lists are first spread by their first unit.
        QTest::newRow("random-long") << randomItems(tricky, 9000, 20, 5);
        QTest::newRow("random-long-supplementary") << randomItems(supplementary, 9000, 20, 6);
    }
    void sortsLikeComparingTexts()
    {
        QFETCH(QStringList, items);
        const ItemList list = itemsOf(items);
        const std::vector<std::uint32_t> order = platform::sortedOrder(list);
        QCOMPARE(order, plainOrder(list));
        // The valid items among them are in the order of their foldings' code points.
        std::optional<std::u32string> previous;
        for (std::uint32_t i : order) {
            if (!list.at(i).isValidUtf16())
                continue;
            std::u32string folded = codePointFolding(list.at(i));
            QVERIFY2(!previous || *previous <= folded, qPrintable(list.at(i).toString()));
            previous = std::move(folded);
        }
    }

    // A drop-down looks for an item equal to its edit field's text whenever
    // the field loses the focus; the model answers that by binary search and
    // must find exactly what the generic search over every row finds.
    void keepsItemsExactly()
    {
        const QStringList texts{u" lead"_s, u""_s, u"trail "_s, u"nul\0inside"_s, u"\U0001F600"_s};
        const ItemList list = itemsOf(texts);
        QCOMPARE(list.size(), texts.size());
        for (qsizetype i = 0; i < texts.size(); ++i)
            QCOMPARE(list.at(i).toString(), texts.at(i));
    }

    void rejectsBoundsOutsideTheText()
    {
        QVERIFY_THROWS_EXCEPTION(platform::Error, ItemList(u"abc"_s, {2, 1}));
        QVERIFY_THROWS_EXCEPTION(platform::Error, ItemList(u"abc"_s, {4}));
        const ItemList ok(u"abc"_s, {1, 3});
        QCOMPARE(ok.at(1).toString(), u"bc"_s);
    }
};

QTEST_APPLESS_MAIN(TestItemList)
#include "tst_itemlist.moc"
