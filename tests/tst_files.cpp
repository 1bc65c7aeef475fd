// SPDX-License-Identifier: MIT
#include "phrases/phrasefile.h"
#include "platform/error.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString &path)
{
    return phrases::readFile(QFile::encodeName(path));
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        dir_.emplace();
        QVERIFY(dir_->isValid());
    }

    void readsARegularFileWhole()
    {
        const QByteArray bytes("one\r\ntwo\n\0three", 15);
        QFile file(dir_->filePath(u"list.dat"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QCOMPARE(readFile(file.fileName()), bytes);

        QFile empty(dir_->filePath(u"empty.dat"_s));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QCOMPARE(readFile(empty.fileName()), QByteArray());

        // The largest file read (holes, not written bytes: no room on the disk).
        QVERIFY(empty.resize(phrases::MaxFileSize));
        QCOMPARE(readFile(empty.fileName()).size(), phrases::MaxFileSize);
    }

    void followsLinksToRegularFiles()
    {
        QFile file(dir_->filePath(u"real.dat"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("phrase\n");
        file.close();
        QVERIFY(QFile::link(file.fileName(), dir_->filePath(u"link.dat"_s)));
        QCOMPARE(readFile(dir_->filePath(u"link.dat"_s)), QByteArray("phrase\n"));
    }

    // A regular file may hold more than its size says (the files in /proc
    // say 0, a file may grow while it is read): it is read to its end.
    void readsOnPastTheSizeItHad()
    {
        for (const QString &path : {u"/proc/version"_s, u"/proc/self/cmdline"_s}) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                QSKIP("no /proc on this system");
            QCOMPARE(QFileInfo(path).size(), 0);
            const QByteArray expected = file.readAll();
            QVERIFY(!expected.isEmpty());
            QCOMPARE(readFile(path), expected);
        }
        // Many pages: read on after the first look past the size.
        const QByteArray maps = readFile(u"/proc/self/maps"_s);
        QVERIFY2(maps.size() > 3 * 4096, QByteArray::number(maps.size()).constData());
        QVERIFY(maps.endsWith('\n'));
        QVERIFY(maps.contains("[stack]"));
    }

    // Anything but a regular file is refused at once, without reading.
    void refusesWhatIsNotARegularFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << u"missing"_s;
        QTest::newRow("directory") << u"directory"_s;
        QTest::newRow("fifo") << u"fifo"_s;
        QTest::newRow("socket") << u"socket"_s;
        QTest::newRow("zero") << u"zero"_s;
        QTest::newRow("urandom") << u"urandom"_s;
        QTest::newRow("dangling") << u"dangling"_s;
        QTest::newRow("loop") << u"loop"_s;
    }
    void refusesWhatIsNotARegularFile()
    {
        QFETCH(QString, kind);
        const QString path = dir_->filePath(u"list.dat"_s);
        std::optional<SocketFile> socket;
        if (kind == u"directory")
            QVERIFY(QDir(dir_->path()).mkdir(u"list.dat"_s));
        else if (kind == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == u"socket")
            QVERIFY(socket.emplace(path).bound());
        else if (kind == u"zero")
            QVERIFY(QFile::link(u"/dev/zero"_s, path));
        else if (kind == u"urandom")
            QVERIFY(QFile::link(u"/dev/urandom"_s, path));
        else if (kind == u"dangling")
            QVERIFY(QFile::link(dir_->filePath(u"nowhere"_s), path));
        else if (kind == u"loop")
            QVERIFY(QFile::link(path, path));
        QVERIFY_THROWS_EXCEPTION(platform::Error, readFile(path));
    }

private:
    std::optional<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
