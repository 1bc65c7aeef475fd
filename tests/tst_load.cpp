// SPDX-License-Identifier: MIT
#include "fakeruntime.h"
#include "testsupport.h"

#include "phrases/load.h"
#include "ui/frmmain.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

class TestLoad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fillsTheListsSorted()
    {
        FakeRuntime runtime(SortedSet);
        ui::frmmain window(runtime);
        phrases::Form_Load(window);
        composer::Form &form = window;

        QCOMPARE(itemsIn(form.Combo1), (QStringList{u"All at once the"_s, u"it seems the"_s, u"Then the"_s}));
        QCOMPARE(itemsIn(form.Combo2), (QStringList{u"flaky"_s}));
        QCOMPARE(itemsIn(form.Combo3), (QStringList{u"Disk"_s, u"router"_s}));
        QCOMPARE(itemsIn(form.Combo4),
                 (QStringList{u""_s, u"awoke."_s, u"blinked twice."_s, u"is Down."_s, u"melted."_s}));
        QCOMPARE((QStringList{form.Text3, form.Text4, form.Text5, form.Text6}),
                 (QStringList{u"3"_s, u"1"_s, u"2"_s, u"5"_s}));
        QCOMPARE(form.Text1.text(), u"Welcome to pardonix!   "_s);
        QCOMPARE(form.Combo1.text(), u"Welcome to pardonix!"_s);
        QCOMPARE(form.Combo1.widget()->currentIndex(), -1);
        QVERIFY(form.Command1.widget()->isEnabled());
        QVERIFY(!form.Command5.widget()->isEnabled());
        QVERIFY(runtime.boxes.isEmpty());
        QCOMPARE(runtime.ends, 0);
    }

    void emptyFileGivesAnEmptyList()
    {
        auto dir = copyOfSortedSet({u"list2.dat"_s});
        QFile empty(dir->filePath(u"list2.dat"_s));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        FakeRuntime runtime(dir->path());
        ui::frmmain window(runtime);
        phrases::Form_Load(window);
        QCOMPARE(window.Combo2.listCount(), 0);
        QCOMPARE(window.Text4, u"0"_s);
        QCOMPARE(runtime.ends, 0);
    }

    void missingFileEndsTheProgram_data()
    {
        QTest::addColumn<QStringList>("missing");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("reason");
        const QString none = QString::fromLocal8Bit(std::strerror(ENOENT));
        QTest::newRow("list1") << QStringList{u"list1.dat"_s} << qint64(-1) << none;
        QTest::newRow("list2") << QStringList{u"list2.dat"_s} << qint64(-1) << none;
        QTest::newRow("list3") << QStringList{u"list3.dat"_s} << qint64(-1) << none;
        QTest::newRow("list4") << QStringList{u"list4.dat"_s} << qint64(-1) << none;
        QTest::newRow("list1-and-list3") << QStringList{u"list1.dat"_s, u"list3.dat"_s} << qint64(-1) << none;
        // A file over 1 GiB is not read at all, however few lines it has.
        QTest::newRow("list3-over-1-gib") << QStringList{u"list3.dat"_s} << (qint64{1} << 30) + 1
                                          << u"file too large"_s;
    }
    void missingFileEndsTheProgram()
    {
        QFETCH(QStringList, missing);
        QFETCH(qint64, size);
        QFETCH(QString, reason);
        auto dir = copyOfSortedSet(missing);
        QStringList errors;
        for (const QString &name : missing) {
            errors << dir->filePath(name) + u": "_s + reason;
            // Holes, not written bytes: the file takes no room on the disk.
            QFile file(dir->filePath(name));
            QVERIFY(size < 0 || (file.open(QIODevice::WriteOnly) && file.resize(size)));
        }
        FakeRuntime runtime(dir->path());
        {
            ui::frmmain window(runtime);
            phrases::Form_Load(window);
            QVERIFY(!window.isVisible());
            QCOMPARE(runtime.boxes.size(), 1);
            QCOMPARE(runtime.boxes[0].prompt, u"Missing Files needed to run, contact site owner!"_s);
            QCOMPARE(runtime.boxes[0].buttons, int(platform::vbOKOnly));
            QVERIFY(!runtime.boxes[0].title.has_value());
            QCOMPARE(runtime.ends, 1);
            QCOMPARE(runtime.endStatus, 1);
            QCOMPARE(runtime.errors, errors);
        }
        // Nothing more is raised by a window whose program has ended.
        QCOMPARE(runtime.ends, 1);
        QCOMPARE(runtime.boxes.size(), 1);
    }

    void unreadableFileEndsTheProgram()
    {
        auto dir = copyOfSortedSet({u"list4.dat"_s});
        QVERIFY(QDir(dir->path()).mkdir(u"list4.dat"_s));
        FakeRuntime runtime(dir->path());
        ui::frmmain window(runtime);
        phrases::Form_Load(window);
        QCOMPARE(runtime.boxes.size(), 1);
        QCOMPARE(runtime.ends, 1);
    }
};

QTEST_MAIN(TestLoad)
#include "tst_load.moc"
