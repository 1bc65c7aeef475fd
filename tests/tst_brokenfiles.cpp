// SPDX-License-Identifier: MIT
// Whatever lies where a phrase list should be, the whole start-up path (the
// real window and its load event) either fills the lists as the file says or
// takes the missing-files error path: promptly, without blocking, and within
// a small multiple of the file's size in memory.
//
// Some cases run the load in a child process (this program started again in
// its --load mode): to see its peak memory alone, and to load as an
// unprivileged user, for whom a file without read permission is unreadable.

#include "fakeruntime.h"
#include "testsupport.h"

#include "phrases/load.h"
#include "ui/frmmain.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextStream>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString MissingFiles = u"Missing Files needed to run, contact site owner!"_s;

// Ends the whole test program, failing, when the guarded step has not
// finished in time: a load that blocks must fail the test, not stall it.
class Watchdog
{
public:
    Watchdog(std::chrono::seconds limit, QByteArray what)
        : what_(std::move(what))
        , thread_([this, limit] {
            std::unique_lock lock(mutex_);
            if (!finished_.wait_for(lock, limit, [this] { return done_; })) {
                std::fprintf(stderr, "FAIL!  : %s did not finish within %lld s\n", what_.constData(),
                             static_cast<long long>(limit.count()));
                std::fflush(stderr);
                std::_Exit(3);
            }
        })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        finished_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    QByteArray what_;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread thread_;
};


// A file descriptor closed when it goes.
class Descriptor
{
public:
    explicit Descriptor(int fd)
        : fd_(fd)
    {
    }
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};


bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// Writes `chunk` `times` times over, without holding the whole file in memory.
bool writeRepeated(const QString &path, const QByteArray &chunk, qint64 times)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (qint64 i = 0; i < times; ++i)
        if (file.write(chunk) != chunk.size())
            return false;
    return file.flush();
}

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes = bigEndian ? "\xFE\xFF"_ba : "\xFF\xFE"_ba;
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return bytes;
}

// The peak resident memory of this process so far, in bytes.
qint64 peakMemory()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

// --load FOLDER: the start-up path on FOLDER's lists, reported on standard
// output one "key=value" a line.
int loadAndReport(const QString &folder)
{
    FakeRuntime runtime(folder);
    ui::frmmain window(runtime);
    const qint64 before = peakMemory();
    phrases::Form_Load(window);
    const qint64 after = peakMemory();
    const composer::Form &form = window;
    QTextStream out(stdout);
    out << "boxes=" << runtime.boxes.size() << '\n';
    for (const FakeRuntime::Box &box : runtime.boxes)
        out << "prompt=" << box.prompt << '\n';
    out << "ends=" << runtime.ends << '\n';
    out << "counts=" << form.Text3 << ',' << form.Text4 << ',' << form.Text5 << ',' << form.Text6 << '\n';
    out << "peak-before=" << before << '\n' << "peak-after=" << after << '\n';
    if (form.Combo2.listCount() == 1) {
        const QString item = form.Combo2.list(0);
        out << "item-length=" << item.size() << '\n';
        out << "item-sha1="
            << QCryptographicHash::hash(item.toUtf8(), QCryptographicHash::Sha1).toHex() << '\n';
    }
    return 0;
}

struct Report {
    int exitCode = -1;
    QByteArray errors;
    QHash<QString, QString> values;
};

// Runs this program (or its copy at `program`) in its --load mode on folder,
// with `prefix` before it (another user's identity, say); gives up after two
// minutes.
Report loadInChild(const QString &folder, const QStringList &prefix = {},
                   const QString &program = QCoreApplication::applicationFilePath())
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    // In a sanitizer build: freed memory is reused at once, as without one,
    // so that the peak is the program's own.
    env.insert(u"ASAN_OPTIONS"_s, env.value(u"ASAN_OPTIONS"_s) + u":quarantine_size_mb=0"_s);
    child.setProcessEnvironment(env);
    QStringList command = prefix;
    command << program << u"--load"_s << folder;
    child.start(command.takeFirst(), command);
    Report report;
    if (!child.waitForFinished(120'000)) {
        child.kill();
        child.waitForFinished();
        report.errors = "did not finish within two minutes: " + child.readAllStandardError();
        return report;
    }
    report.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    report.errors = child.readAllStandardError();
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            report.values.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return report;
}

} // namespace

class TestBrokenFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        dir_ = copyOfSortedSet({u"list2.dat"_s});
        QVERIFY(dir_->isValid());
        list2_ = dir_->filePath(u"list2.dat"_s);
    }
    void cleanup() { dir_.reset(); }

    // Only regular files are read: anything else takes the error path at
    // once, without blocking (a FIFO) or reading on forever (a device).
    void notARegularFileTakesTheErrorPath_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("directory") << u"directory"_s;
        QTest::newRow("fifo") << u"fifo"_s;
        QTest::newRow("fifo-writer") << u"fifo-writer"_s;
        QTest::newRow("socket") << u"socket"_s;
        QTest::newRow("dev-zero") << u"/dev/zero"_s;
        QTest::newRow("dev-urandom") << u"/dev/urandom"_s;
        QTest::newRow("dev-null") << u"/dev/null"_s;
        QTest::newRow("dev-tty") << u"/dev/tty"_s;
        QTest::newRow("dangling") << u"dangling"_s;
        QTest::newRow("loop") << u"loop"_s;
        QTest::newRow("link-to-dir") << u"link-to-dir"_s;
    }
    void notARegularFileTakesTheErrorPath()
    {
        QFETCH(QString, kind);
        std::optional<SocketFile> socket;
        std::optional<Descriptor> writer;
        const QByteArray name = QFile::encodeName(list2_);
        if (kind == u"directory") {
            QVERIFY(QDir(dir_->path()).mkdir(u"list2.dat"_s));
            // A directory with a list inside still is no list.
            QVERIFY(writeFile(list2_ + u"/list2.dat"_s, "flaky\n"));
        } else if (kind.startsWith(u"fifo")) {
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
            // With a writer that never writes, a read would wait for ever.
            if (kind == u"fifo-writer")
                QVERIFY(writer.emplace(::open(name.constData(), O_RDWR | O_NONBLOCK)).get() >= 0);
        } else if (kind == u"socket") {
            QVERIFY(socket.emplace(list2_).bound());
        } else if (kind.startsWith(u"/dev/")) {
            if (!QFileInfo::exists(kind))
                QSKIP("this system has no such device");
            QVERIFY(QFile::link(kind, list2_));
        } else if (kind == u"dangling") {
            QVERIFY(QFile::link(dir_->filePath(u"nowhere.dat"_s), list2_));
        } else if (kind == u"loop") {
            QVERIFY(QFile::link(list2_, list2_));
        } else if (kind == u"link-to-dir") {
            QVERIFY(QFile::link(dir_->path(), list2_));
        }

        FakeRuntime runtime(dir_->path());
        ui::frmmain window(runtime);
        {
            const Watchdog watchdog(std::chrono::seconds(20), "the load with a " + kind.toUtf8() + " as list2.dat");
            phrases::Form_Load(window);
        }
        QCOMPARE(runtime.boxes.size(), 1);
        QCOMPARE(runtime.boxes[0].prompt, MissingFiles);
        QCOMPARE(runtime.boxes[0].buttons, int(platform::vbOKOnly));
        QCOMPARE(runtime.ends, 1);
        QVERIFY(runtime.errors.size() == 1 && runtime.errors[0].startsWith(list2_ + u": "_s));
        QVERIFY(!window.isVisible());
    }

    // A file the user may not read takes the error path. Root reads any
    // file, so as root the load runs as the user nobody, from a copy of this
    // program in a folder of /tmp that every user reaches (the build tree or
    // TMPDIR may not be); the readable case shows that nobody does reach the
    // folder and its other lists.
    void unreadableFileTakesTheErrorPath_data()
    {
        QTest::addColumn<bool>("readable");
        QTest::newRow("readable") << true;
        QTest::newRow("no-read-permission") << false;
    }
    void unreadableFileTakesTheErrorPath()
    {
        QFETCH(bool, readable);
        QTemporaryDir shared(u"/tmp/fibwright-unreadable-XXXXXX"_s);
        QVERIFY(shared.isValid());
        QVERIFY(QFile::setPermissions(shared.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                         | QFile::ReadGroup | QFile::ExeGroup
                                                         | QFile::ReadOther | QFile::ExeOther));
        for (const QString &name : QDir(dir_->path()).entryList(QDir::Files))
            QVERIFY(QFile::copy(dir_->filePath(name), shared.filePath(name)));
        const QString list2 = shared.filePath(u"list2.dat"_s);
        QVERIFY(writeFile(list2, "flaky\n"));
        QCOMPARE(::chmod(QFile::encodeName(list2).constData(), readable ? 0644 : 0200), 0);

        QStringList asUser;
        QString program = QCoreApplication::applicationFilePath();
        if (::geteuid() == 0) {
            if (QStandardPaths::findExecutable(u"setpriv"_s).isEmpty())
                QSKIP("running as root without setpriv (util-linux): cannot load as another user");
            // A chroot whose root folder only root may enter lets no other
            // user start anything.
            struct stat root {};
            if (::stat("/", &root) != 0 || !(root.st_mode & S_IXOTH))
                QSKIP("the root folder is closed to other users: cannot load as another user");
            asUser = {u"setpriv"_s, u"--reuid=nobody"_s, u"--regid=nogroup"_s, u"--clear-groups"_s};
            const QString copy = shared.filePath(u"loader"_s);
            QVERIFY(QFile::copy(program, copy));
            QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                    | QFile::ReadOther | QFile::ExeOther));
            program = copy;
        }
        const Report report = loadInChild(shared.path(), asUser, program);
        if (report.exitCode != 0 && report.errors.startsWith("setpriv:"))
            QSKIP(("cannot switch to the user nobody: " + report.errors.trimmed()).constData());
        QVERIFY2(report.exitCode == 0, report.errors.constData());
        if (readable) {
            QCOMPARE(report.values.value(u"boxes"_s), u"0"_s);
            QCOMPARE(report.values.value(u"counts"_s), u"3,1,2,5"_s);
        } else {
            QCOMPARE(report.values.value(u"boxes"_s), u"1"_s);
            QCOMPARE(report.values.value(u"prompt"_s), MissingFiles);
            QCOMPARE(report.values.value(u"ends"_s), u"1"_s);
        }
    }

    // What the file holds becomes the list as the line-end and encoding
    // rules say, in sorted order.
    void contentIsReadAsWritten_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("zero-bytes") << QByteArray() << QStringList{};
        QTest::newRow("only-lf") << "\n"_ba << QStringList{u""_s};
        QTest::newRow("only-crlf") << "\r\n"_ba << QStringList{u""_s};
        QTest::newRow("lone-cr") << "\r"_ba << QStringList{u""_s};
        QTest::newRow("cr-lines") << "b\ra\rc"_ba << QStringList{u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("mixed-ends") << "d\r\nc\nb\ra\n\r\n"_ba << QStringList{u""_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s};
        QTest::newRow("utf8") << "\xC3\xA9t\xC3\xA9\n\xE2\x82\xAC"_ba << QStringList{u"\u00e9t\u00e9"_s, u"\u20ac"_s};
        QTest::newRow("utf8-bom") << "\xEF\xBB\xBFzeta\nalpha\n"_ba << QStringList{u"alpha"_s, u"zeta"_s};
        QTest::newRow("cp1252") << "\x93quoted\x94\r\ncaf\xE9 \x80\r\n"_ba
                                << QStringList{u"caf\u00e9 \u20ac"_s, u"\u201cquoted\u201d"_s};
        QTest::newRow("invalid-utf8") << "ok\n\xC3\xA9\xFF\n"_ba << QStringList{u"ok"_s, u"\u00c3\u00a9\u00ff"_s};
        QTest::newRow("utf16le-bom") << utf16(u"zw\u00f6lf\r\n\U0001F600\n"_s, false)
                                     << QStringList{u"zw\u00f6lf"_s, u"\U0001F600"_s};
        QTest::newRow("utf16be-bom") << utf16(u"b\ra"_s, true) << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("nul-inside") << QByteArray("b\0tail\na\n", 9) << QStringList{u"a"_s, u"b\0tail"_s};
    }
    void contentIsReadAsWritten()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, shown);
        QVERIFY(writeFile(list2_, bytes));
        FakeRuntime runtime(dir_->path());
        ui::frmmain window(runtime);
        phrases::Form_Load(window);
        QVERIFY(runtime.boxes.isEmpty());
        QCOMPARE(runtime.ends, 0);
        QCOMPARE(itemsIn(window.Combo2), shown);
        QCOMPARE(window.Text4, QString::number(shown.size()));
        auto *combo = window.findChild<QComboBox *>(u"Combo2"_s);
        for (int i = 0; i < shown.size(); ++i)
            QCOMPARE(combo->itemText(i), shown[i]);
    }

    // A UTF-16 file that cannot be shown as text is refused, never shown
    // mangled.
    void brokenUtf16TakesTheErrorPath_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("odd-length") << "\xFF\xFE" "a\0b"_ba;
        QTest::newRow("lone-surrogate") << QByteArray("\xFE\xFF\xD8\x00\x00a", 6);
    }
    void brokenUtf16TakesTheErrorPath()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(writeFile(list2_, bytes));
        FakeRuntime runtime(dir_->path());
        ui::frmmain window(runtime);
        phrases::Form_Load(window);
        QCOMPARE(runtime.boxes.size(), 1);
        QCOMPARE(runtime.boxes[0].prompt, MissingFiles);
        QCOMPARE(runtime.ends, 1);
        QVERIFY(runtime.errors.size() == 1 && runtime.errors[0].startsWith(list2_ + u": UTF-16 file with "_s));
    }

    // A phrase is text: markup is not rendered, character references are
    // not resolved, right-to-left and combining characters and NULs stay as
    // they are, in the list, in the sentence and on the clipboard.
    void phrasesAreShownAndCopiedAsWritten_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::newRow("bold") << u"<b>x</b>"_s;
        QTest::newRow("entity") << u"&amp;"_s;
        QTest::newRow("image") << u"<img src=x>"_s;
        QTest::newRow("html") << u"<html><body><a href=\"x\">link</a></body></html>"_s;
        QTest::newRow("hebrew") << u"\u05e9\u05e8\u05ea \u05d4\u05e9\u05de\u05d5\u05ea"_s;
        QTest::newRow("arabic-marks") << u"\u0645\u064e\u0631\u0652\u062d\u064e\u0628\u064b\u0627"_s;
        QTest::newRow("bidi-override") << u"\u202eesrever\u202c end"_s;
        QTest::newRow("combining") << u"e\u0301 a\u0308\u0323 \u1100\u1161\u11a8"_s;
        QTest::newRow("joined-emoji") << u"\U0001F469\u200D\U0001F4BB"_s;
        QTest::newRow("nul") << u"a\0b"_s;
        // Longer than a line edit holds by default.
        QTest::newRow("40000-chars") << QString(39'999, u'x') + u"y"_s;
        // What the sentence box shows as paragraph breaks.
        QTest::newRow("paragraph-and-frame-marks") << u"a\u2029b\uFDD0c\uFDD1d"_s;
    }
    void phrasesAreShownAndCopiedAsWritten()
    {
        QFETCH(QString, phrase);
        QVERIFY(writeFile(list2_, phrase.toUtf8() + '\n'));
        FakeRuntime runtime(dir_->path());
        ui::frmmain window(runtime);
        phrases::Form_Load(window);
        QVERIFY(runtime.boxes.isEmpty());
        QVERIFY(showActive(window));

        // In the list.
        auto *combo = window.findChild<QComboBox *>(u"Combo2"_s);
        QCOMPARE(combo->count(), 1);
        QCOMPARE(combo->itemText(0), phrase);
        QCOMPARE(combo->view()->model()->index(0, 0).data(Qt::DisplayRole).toString(), phrase);

        // Picked: in the list's field and in the sentence.
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(combo->lineEdit()->text(), phrase);
        const QString sentence = u"Welcome to pardonix! "_s + phrase + u"  "_s;
        QCOMPARE(window.Text1.text(), sentence);
        const QTextDocument *document = window.findChild<QPlainTextEdit *>(u"Text1"_s)->document();
        QString shown = sentence;
        for (QChar mark : {u'\uFDD0', u'\uFDD1'})
            shown.replace(mark, QChar::ParagraphSeparator);
        QCOMPARE(document->toRawText(), shown);
        QCOMPARE(document->blockCount(), shown.count(QChar::ParagraphSeparator) + 1);
        for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                QVERIFY(!it.fragment().charFormat().isImageFormat());
                QVERIFY(!it.fragment().charFormat().isAnchor());
            }
        }

        // Copied.
        QGuiApplication::clipboard()->setText(u"sentinel"_s);
        window.findChild<QPushButton *>(u"Command1"_s)->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), sentence);
    }

    // One line of 100 MB without a line end becomes one item of that length.
    void oneHugeLineIsOneItem()
    {
        const QByteArray chunk = QByteArray("0123456789abcdef").repeated(64 * 1024); // 1 MiB
        constexpr qint64 chunks = 100;
        QVERIFY(writeRepeated(list2_, chunk, chunks));
        QCryptographicHash expected(QCryptographicHash::Sha1);
        for (qint64 i = 0; i < chunks; ++i)
            expected.addData(chunk);

        const Report report = loadInChild(dir_->path());
        QVERIFY2(report.exitCode == 0, report.errors.constData());
        QCOMPARE(report.values.value(u"boxes"_s), u"0"_s);
        QCOMPARE(report.values.value(u"counts"_s), u"3,1,2,5"_s);
        QCOMPARE(report.values.value(u"item-length"_s).toLongLong(), chunks * chunk.size());
        QCOMPARE(report.values.value(u"item-sha1"_s), QString::fromLatin1(expected.result().toHex()));
        checkMemory(report, chunks * chunk.size());
    }

    // 20 million short lines are more than a list holds: the error path,
    // without first holding more than a few times the file.
    void twentyMillionLinesTakeTheErrorPath()
    {
        const QByteArray chunk = QByteArray("line\n").repeated(100'000);
        constexpr qint64 chunks = 200;
        QVERIFY(writeRepeated(list2_, chunk, chunks));

        const Report report = loadInChild(dir_->path());
        QVERIFY2(report.exitCode == 0, report.errors.constData());
        QCOMPARE(report.values.value(u"boxes"_s), u"1"_s);
        QCOMPARE(report.values.value(u"prompt"_s), MissingFiles);
        QCOMPARE(report.values.value(u"ends"_s), u"1"_s);
        checkMemory(report, chunks * chunk.size());
    }

private:
    // AddressSanitizer's realloc always moves a block, where the C
    // library's grows large ones in place: one more copy of the text.
#if defined(__SANITIZE_ADDRESS__) || (defined(__has_feature) && __has_feature(address_sanitizer))
    static constexpr double MaxPeakRatio = 6.0;
#else
    static constexpr double MaxPeakRatio = 4.5;
#endif

    // The load's peak memory stays within a few times the file: its bytes
    // and their text (two bytes a character) are 3 times; the list's
    // bookkeeping adds a little. A drop-down that copied a huge first item
    // into its edit field while being filled would take 5 times.
    static void checkMemory(const Report &report, qint64 fileSize)
    {
        const qint64 before = report.values.value(u"peak-before"_s).toLongLong();
        const qint64 after = report.values.value(u"peak-after"_s).toLongLong();
        QVERIFY2(before > 0 && after >= before, qPrintable(u"no peak memory figures: %1, %2"_s.arg(before).arg(after)));
        const double ratio = double(after - before) / double(fileSize);
        qInfo("peak memory of the load: %.2f times the file", ratio);
        QVERIFY2(ratio < MaxPeakRatio, qPrintable(u"the load took %1 times the file's size"_s.arg(ratio)));
    }

    std::unique_ptr<QTemporaryDir> dir_;
    QString list2_;
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0)
        return loadAndReport(QString::fromLocal8Bit(argv[2]));
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestBrokenFiles test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_brokenfiles.moc"
