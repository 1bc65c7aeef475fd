// SPDX-License-Identifier: MIT
// In-process benchmarks of the real window (Google Benchmark):
//
//   load/100000        Form_Load of four lists of 100,000 lines
//   random/10          one Random press (a mouse click, the focus leaving the
//                      first list's edit field) with lists of 10 items: the
//                      click and its handler, no later events processed
//   random/100000      the same with lists of 100,000 items
//   random-painted/10  one Random press until the window has been repainted
//   random-painted/100000
//   popup/100000/first opening a 100,000-item drop-down (F4) until its list
//                      is painted, the first time in a freshly loaded window
//   popup/100000/again the same drop-down opened again
//   popup/16777216/first
//                      opening a drop-down of 2^24 items (the most a list
//                      holds) until painted, the first time, with the
//                      resident memory the opening added (added_MiB)
//   typeahead/16777216 one letter typed in that drop-down, open, until it
//                      has been repainted; each letter starts a new search
//                      and some start no item at all
//
// The 2^24 items are made up in the process, once per run (a few seconds),
// and take about 2 GiB while a drop-down is filled.
//
// usage: inprocess --lists=DIR [benchmark options]
// DIR holds the lists bench/gen-lists writes: DIR/10/ and DIR/100000/. The
// window runs on whatever Qt platform is set (bench/run uses xcb on its own
// Xvfb). Times are wall-clock, taken by hand with a steady clock.

#include "phrases/load.h"
#include "platform/controls.h"
#include "platform/phraselist/itemlist.h"
#include "platform/runtime.h"
#include "ui/frmmain.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "inprocess: %s\n", what);
    std::fflush(nullptr);
    std::_Exit(2); // no destructors: windows may still be open
}

// The real run-time services, reading the lists from a folder of our choice;
// a missing-files message would mean the lists were not generated.
class BenchRuntime final : public platform::Runtime
{
public:
    explicit BenchRuntime(QString folder)
        : folder_(std::move(folder))
    {
    }
    QByteArray AppPath() const override { return QFile::encodeName(folder_); }
    void MsgBox(const QString &prompt, int, const std::optional<QString> &) override
    {
        std::fprintf(stderr, "inprocess: message box in %s: %s\n", qPrintable(folder_),
                     qPrintable(prompt));
        fail("the lists could not be read");
    }

private:
    QString folder_;
};

struct LoadedWindow {
    explicit LoadedWindow(const QString &folder)
        : runtime(folder)
        , window(runtime)
    {
        phrases::Form_Load(window);
        if (runtime.hasEnded())
            fail("the window ended while loading");
    }

    void show()
    {
        window.showCentred();
        if (!QTest::qWaitForWindowExposed(&window))
            fail("the window was not exposed");
        activate();
    }

    void activate() { activateWindow(window); }

    // Active, as the window a user works in: the keyboard focus moves within
    // it, and a drop-down opening takes it from the edit field.
    static void activateWindow(QWidget &shown)
    {
        shown.activateWindow();
        if (!QTest::qWaitForWindowActive(&shown))
            fail("the window did not become active");
        settle();
    }

    static void settle()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    BenchRuntime runtime;
    ui::frmmain window;
};

QString listsRoot;

QString folderFor(int lines)
{
    return listsRoot + QLatin1Char('/') + QString::number(lines);
}

// Shown windows, loaded once and kept for all repetitions.
std::map<int, std::unique_ptr<LoadedWindow>> windows;

LoadedWindow &shownWindow(int lines)
{
    auto &slot = windows[lines];
    if (!slot) {
        slot = std::make_unique<LoadedWindow>(folderFor(lines));
        slot->show();
    }
    return *slot;
}

void load(benchmark::State &state, int lines)
{
    for (auto _ : state) {
        BenchRuntime runtime(folderFor(lines));
        ui::frmmain window(runtime);
        const auto start = Clock::now();
        phrases::Form_Load(window);
        state.SetIterationTime(secondsSince(start));
        if (runtime.hasEnded())
            fail("the window ended while loading");
        benchmark::DoNotOptimize(window.Combo1.listCount());
    }
}

// One press of Random with the mouse, the keyboard focus coming from the
// first list's edit field as it does after a pick there (taking the focus
// away makes the drop-down look its text up among the items).
void randomPress(benchmark::State &state, int lines, bool painted)
{
    LoadedWindow &loaded = shownWindow(lines);
    auto *button = loaded.window.findChild<QPushButton *>(QStringLiteral("Command4"));
    auto *combo = loaded.window.findChild<QComboBox *>(QStringLiteral("Combo1"));
    if (!button || !combo)
        fail("no Random button or first list");
    loaded.activate();
    for (auto _ : state) {
        combo->lineEdit()->setFocus(Qt::OtherFocusReason);
        LoadedWindow::settle();
        if (!combo->lineEdit()->hasFocus())
            fail("the first list's edit field did not take the focus");
        const auto start = Clock::now();
        QTest::mouseClick(button, Qt::LeftButton);
        if (painted)
            LoadedWindow::settle();
        state.SetIterationTime(secondsSince(start));
        if (!painted)
            LoadedWindow::settle();
        if (!button->hasFocus())
            fail("the Random button did not take the focus");
    }
    benchmark::DoNotOptimize(loaded.window.Text11);
}

// Notes the first paint of the drop-down's list, whichever view it has by then
// (the list view is set up on the first key press if not before).
class PaintWatch final : public QObject
{
public:
    explicit PaintWatch(QComboBox *combo)
        : combo_(combo)
    {
        qApp->installEventFilter(this);
    }
    ~PaintWatch() override { qApp->removeEventFilter(this); }

    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !painted) {
            // A viewport of an item view inside the combo box's popup window.
            if (qobject_cast<QAbstractItemView *>(watched->parent())) {
                for (const QObject *up = watched->parent(); up; up = up->parent())
                    if (up == combo_)
                        painted = true;
            }
        }
        return false;
    }

private:
    QComboBox *combo_;
};

int reopened = 0;

// Opens the drop-down as a user does from the keyboard and waits until its
// list has been painted. A popup that closes again before it paints (seen on
// an X server without a window manager, before the window had become active)
// is not timed; it is counted in `reopened` and opened again.
double openUntilPainted(QComboBox *combo)
{
    for (int attempt = 0;; ++attempt) {
        const auto start = Clock::now();
        PaintWatch watch(combo);
        QTest::keyClick(combo, Qt::Key_F4);
        QDeadlineTimer deadline(10'000);
        QTimer wake; // wakes the wait below now and then, so the deadline is seen
        wake.start(100);
        while (!watch.painted && combo->view()->isVisible() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = secondsSince(start);
        if (!watch.painted) {
            if (combo->view()->isVisible() || attempt == 2)
                fail("the drop-down was not painted");
            ++reopened;
            LoadedWindow::settle();
            continue;
        }
        const auto *list = qobject_cast<const QListView *>(combo->view());
        if (!list || !list->uniformItemSizes())
            fail("the drop-down opened without its uniform list view");
        combo->hidePopup();
        QDeadlineTimer closing(10'000);
        while (combo->view()->isVisible() && !closing.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        LoadedWindow::settle();
        return seconds;
    }
}

void popupFirst(benchmark::State &state, int lines)
{
    const int before = reopened;
    for (auto _ : state) {
        auto loaded = std::make_unique<LoadedWindow>(folderFor(lines));
        loaded->show();
        auto *combo = loaded->window.findChild<QComboBox *>(QStringLiteral("Combo1"));
        if (!combo || combo->count() != lines)
            fail("Combo1 does not hold the list");
        state.SetIterationTime(openUntilPainted(combo));
    }
    state.counters["reopened"] = reopened - before;
}

void popupAgain(benchmark::State &state, int lines)
{
    LoadedWindow &loaded = shownWindow(lines);
    auto *combo = loaded.window.findChild<QComboBox *>(QStringLiteral("Combo1"));
    if (!combo || combo->count() != lines)
        fail("Combo1 does not hold the list");
    loaded.activate();
    openUntilPainted(combo); // the first opening is measured above
    const int before = reopened;
    for (auto _ : state)
        state.SetIterationTime(openUntilPainted(combo));
    state.counters["reopened"] = reopened - before;
}

constexpr int HugeLines = int(platform::ItemList::MaxItems);

// 2^24 phrases of 2 to 5 made-up words from a vocabulary of 3,000, a quarter
// of the words capitalised; no word starts with q or x. Made once per run.
const platform::ItemList &hugeItems()
{
    static const platform::ItemList items = [] {
        std::uint64_t state = 0x2545F4914F6CDD1Dull;
        const auto next = [&state](std::uint32_t bound) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            return std::uint32_t(state >> 33) % bound;
        };
        static const char consonants[] = "bcdfghjklmnprstvwz";
        static const char vowels[] = "aeiou";
        std::vector<QString> words(3000);
        for (QString &word : words) {
            for (std::uint32_t syllables = 1 + next(4); syllables > 0; --syllables) {
                word += QLatin1Char(consonants[next(sizeof consonants - 1)]);
                word += QLatin1Char(vowels[next(sizeof vowels - 1)]);
            }
        }
        QString text;
        text.reserve(qsizetype(HugeLines) * 22);
        std::vector<std::uint32_t> ends;
        ends.reserve(std::size_t(HugeLines));
        for (int line = 0; line < HugeLines; ++line) {
            for (std::uint32_t count = 2 + next(4), k = 0; k < count; ++k) {
                if (k > 0)
                    text += QLatin1Char(' ');
                const QString &word = words[next(std::uint32_t(words.size()))];
                if (next(4) == 0) {
                    text += word.front().toUpper();
                    text += QStringView(word).sliced(1);
                } else {
                    text += word;
                }
            }
            ends.push_back(std::uint32_t(text.size()));
        }
        return platform::ItemList(std::move(text), std::move(ends));
    }();
    return items;
}

// A window with one drop-down, of the program's kind and the width of the
// third list, holding the 2^24 items.
struct HugeDropDown {
    HugeDropDown()
        : list(&window)
        , combo(list.widget())
    {
        combo->setObjectName(QStringLiteral("Huge"));
        combo->setGeometry(8, 8, 113, 24);
        window.resize(240, 40);
        list.setItems(hugeItems());
        if (list.listCount() != HugeLines)
            fail("the drop-down does not hold the 2^24 items");
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            fail("the window was not exposed");
        LoadedWindow::activateWindow(window);
    }

    QWidget window;
    platform::ComboBox list;
    QComboBox *combo;
};

// Resident memory of the process, in bytes.
double residentBytes()
{
    long pages = 0;
    long resident = 0;
    if (std::FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    if (resident <= 0)
        fail("no resident memory figure in /proc/self/statm");
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}

void hugePopupFirst(benchmark::State &state)
{
    const int before = reopened;
    for (auto _ : state) {
        auto drop = std::make_unique<HugeDropDown>();
        const double memory = residentBytes();
        state.SetIterationTime(openUntilPainted(drop->combo));
        state.counters["added_MiB"] = (residentBytes() - memory) / double(1 << 20);
    }
    state.counters["reopened"] = reopened - before;
}

std::unique_ptr<HugeDropDown> sharedHugeDropDown;

void hugeTypeAhead(benchmark::State &state)
{
    if (!sharedHugeDropDown)
        sharedHugeDropDown = std::make_unique<HugeDropDown>();
    HugeDropDown &drop = *sharedHugeDropDown;
    LoadedWindow::activateWindow(drop.window);
    drop.combo->showPopup();
    QAbstractItemView *view = drop.combo->view(); // the phrase list is put in at the first opening
    QDeadlineTimer deadline(10'000);
    while (!view->isVisible() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    LoadedWindow::settle();
    if (!view->isVisible())
        fail("the 2^24-item drop-down did not open");
    static const char keys[] = "mqbtzkxdsw"; // q and x start no item
    std::size_t typed = 0;
    for (auto _ : state) {
        view->keyboardSearch(QString()); // a new search, as after a pause
        const char key = keys[typed++ % (sizeof keys - 1)];
        const auto start = Clock::now();
        QTest::keyClick(view, key);
        LoadedWindow::settle();
        state.SetIterationTime(secondsSince(start));
        const QString found = view->currentIndex().data().toString();
        if (key != 'q' && key != 'x' && !found.startsWith(QLatin1Char(key), Qt::CaseInsensitive))
            fail("type-ahead did not find an item starting with the letter typed");
    }
    if (!view->isVisible())
        fail("the 2^24-item drop-down closed while typing");
    drop.combo->hidePopup();
    LoadedWindow::settle();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fibwright"));

    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--lists=", 0) == 0)
            listsRoot = QString::fromLocal8Bit(arg.substr(8));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    if (listsRoot.isEmpty())
        fail("usage: inprocess --lists=DIR [benchmark options]");

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;

    benchmark::RegisterBenchmark("load/100000", load, 100000)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
    for (const int lines : {10, 100000}) {
        benchmark::RegisterBenchmark(("random/" + std::to_string(lines)).c_str(), randomPress, lines, false)
            ->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);
        benchmark::RegisterBenchmark(("random-painted/" + std::to_string(lines)).c_str(), randomPress, lines,
                                     true)
            ->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(100);
    }
    benchmark::RegisterBenchmark("popup/100000/first", popupFirst, 100000)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
    benchmark::RegisterBenchmark("popup/100000/again", popupAgain, 100000)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

    // Filling a 2^24-item drop-down takes seconds, so a few repetitions of
    // the first opening are enough, whatever --benchmark_repetitions says.
    benchmark::RegisterBenchmark("popup/16777216/first", hugePopupFirst)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
    benchmark::RegisterBenchmark("typeahead/16777216", hugeTypeAhead)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    windows.clear();
    sharedHugeDropDown.reset();
    return 0;
}
