#include "platform/error.h"
#include "platform/itemlist.h"
#include "testsupport.h"

#include <QTest>

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
        QTest::newRow("duplicates") << QStringList{u"x"_s, u"x"_s, u"a"_s}
                                    << QStringList{u"a"_s, u"x"_s, u"x"_s};
    }
    void sortsIgnoringCase()
    {
        QFETCH(QStringList, items);
        QFETCH(QStringList, expected);
        QCOMPARE(sorted(itemsOf(items)), expected);
    }

    void keepsItemsExactly()
    {
        const QStringList texts{u" lead"_s, u""_s, u"trail "_s, u"nul\0inside"_s, u"\U0001F600"_s};
        const ItemList list = itemsOf(texts);
        QCOMPARE(list.size(), texts.size());
        for (qsizetype i = 0; i < texts.size(); ++i)
            QCOMPARE(list.at(i).toString(), texts.at(i));
    }

    void appendsAnotherList()
    {
        ItemList list = itemsOf({u"one"_s, u"two"_s});
        list.append(itemsOf({u"three"_s, u""_s}));
        QCOMPARE(list.size(), 4);
        QCOMPARE(list.at(2).toString(), u"three"_s);
        QCOMPARE(list.at(3).toString(), QString());
        QCOMPARE(sorted(list), (QStringList{u""_s, u"one"_s, u"three"_s, u"two"_s}));
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
