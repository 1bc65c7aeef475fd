// SPDX-License-Identifier: MIT
#include "fakeruntime.h"
#include "testsupport.h"

#include "composer/form.h"
#include "phrases/load.h"
#include "platform/error.h"
#include "ui/frmmain.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

struct State {
    QStringList phrases;
    QString sentence;
    bool back;
};

State stateOf(composer::Form &form)
{
    return {{form.Combo1.text(), form.Combo2.text(), form.Combo3.text(), form.Combo4.text()},
            form.Text1.text(),
            form.Command5.widget()->isEnabled()};
}

void writeList(const QString &path, const QStringList &lines)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (const QString &line : lines)
        file.write(line.toUtf8() + '\n');
}

} // namespace

class TestRandom : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { open(SortedSet); }
    void cleanup() { window_.reset(); }

    void firstRandomLeavesBackDisabled()
    {
        random({0.5f, 0.0f, 0.9f, 0.3f});
        const State after = stateOf(form());
        QCOMPARE(after.phrases, (QStringList{u"it seems the"_s, u"flaky"_s, u"router"_s, u"awoke."_s}));
        QCOMPARE(after.sentence, u"it seems the flaky router awoke."_s);
        QVERIFY(!after.back);
        QVERIFY(form().Command1.widget()->isEnabled());
        QCOMPARE((QStringList{form().Text7, form().Text8, form().Text9, form().Text10, form().Text11}),
                 (QStringList{u"Welcome to pardonix!"_s, u""_s, u""_s, u""_s, u"Welcome to pardonix!   "_s}));
        QCOMPARE(runtime_->randomizes, 1);
    }

    void backReturnsToTheStateAfterTheFirstRandom()
    {
        random({0.5f, 0.0f, 0.9f, 0.3f});
        const State first = stateOf(form());
        random({0.0f, 0.0f, 0.0f, 0.0f});
        QCOMPARE(form().Text1.text(), u"All at once the flaky Disk "_s);
        QVERIFY(form().Command5.widget()->isEnabled());
        back();
        const State restored = stateOf(form());
        QCOMPARE(restored.phrases, first.phrases);
        QCOMPARE(restored.sentence, first.sentence);
        QVERIFY(!restored.back);
        // Back writes the texts only; the selected items stay.
        QCOMPARE(form().Combo1.widget()->currentIndex(), 0);
        QCOMPARE(form().Text7, u"it seems the"_s);
    }

    void backAfterBackAndRandom()
    {
        random({0.5f, 0.0f, 0.9f, 0.3f});
        random({0.0f, 0.0f, 0.0f, 0.0f});
        back();
        const State afterBack = stateOf(form());
        random({0.99f, 0.0f, 0.0f, 0.99f});
        QCOMPARE(form().Text1.text(), u"Then the flaky Disk melted."_s);
        QVERIFY(form().Command5.widget()->isEnabled());
        back();
        QCOMPARE(stateOf(form()).phrases, afterBack.phrases);
        QCOMPARE(stateOf(form()).sentence, afterBack.sentence);
        QVERIFY(!form().Command5.widget()->isEnabled());
    }

    void backRestoresTypedTexts()
    {
        random({0.5f, 0.0f, 0.9f, 0.3f});
        const QString sentence = form().Text1.text();
        type(u"Combo2"_s, u"typed"_s);
        random({0.0f, 0.0f, 0.0f, 0.0f});
        back();
        QCOMPARE(stateOf(form()).phrases, (QStringList{u"it seems the"_s, u"typed"_s, u"router"_s, u"awoke."_s}));
        QCOMPARE(form().Text1.text(), sentence);
    }

    void pickAfterBackUsesTheRestoredTexts()
    {
        random({0.5f, 0.0f, 0.9f, 0.3f});
        random({0.0f, 0.0f, 0.0f, 0.0f});
        back();
        QTest::keyClick(window_->findChild<QComboBox *>(u"Combo3"_s), Qt::Key_Down);
        // Combo3 had item 0 selected; Down moves on to item 1.
        QCOMPARE(form().Text1.text(), u"it seems the flaky router awoke."_s);
        QTest::keyClick(window_->findChild<QComboBox *>(u"Combo4"_s), Qt::Key_Down);
        QCOMPARE(form().Text1.text(), u"it seems the flaky router awoke."_s);
        QTest::keyClick(window_->findChild<QComboBox *>(u"Combo4"_s), Qt::Key_Down);
        QCOMPARE(form().Text1.text(), u"it seems the flaky router blinked twice."_s);
    }

    // Back is offered only when the previous Random saved a first phrase.
    void emptyFirstPhraseKeepsBackDisabled()
    {
        random({0.5f, 0.0f, 0.9f, 0.3f});
        form().Combo1.setText(QString());
        random({0.0f, 0.0f, 0.0f, 0.0f});
        QVERIFY(form().Command5.widget()->isEnabled());
        QCOMPARE(form().Text7, QString());
        random({0.0f, 0.0f, 0.0f, 0.0f});
        QVERIFY(!form().Command5.widget()->isEnabled());
        QCOMPARE(form().Text7, u"All at once the"_s);
        random({0.0f, 0.0f, 0.0f, 0.0f});
        QVERIFY(form().Command5.widget()->isEnabled());
    }

    // Access keys click their button after a short press animation.
    void keysPressTheButtons()
    {
        runtime_->draws = {0.5f, 0.0f, 0.9f, 0.3f, 0.0f, 0.0f, 0.0f, 0.0f};
        const QString first = u"it seems the flaky router awoke."_s;
        QTest::keyClick(window_.get(), Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(form().Text1.text(), first);
        QVERIFY(!form().Command5.widget()->isEnabled());
        QTest::keyClick(window_.get(), Qt::Key_B, Qt::AltModifier);
        QTest::qWait(250);
        QCOMPARE(form().Text1.text(), first);
        QTest::keyClick(window_.get(), Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(form().Text1.text(), u"All at once the flaky Disk "_s);
        QVERIFY(form().Command5.widget()->isEnabled());
        QTest::keyClick(window_.get(), Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE(form().Text1.text(), first);
        QVERIFY(!form().Command5.widget()->isEnabled());
        QCOMPARE(runtime_->randomizes, 2);
    }

    void emptyListKeepsItsText()
    {
        QTemporaryDir dir;
        for (const QString &name : {u"list1.dat"_s, u"list3.dat"_s, u"list4.dat"_s})
            QVERIFY(QFile::copy(SortedSet + u'/' + name, dir.filePath(name)));
        writeList(dir.filePath(u"list2.dat"_s), {});
        open(dir.path());
        type(u"Combo2"_s, u"kept"_s);
        random({0.5f, 0.7f, 0.9f, 0.3f});
        QCOMPARE(form().Text1.text(), u"it seems the kept router awoke."_s);
        QVERIFY(runtime_->boxes.isEmpty());
    }

    void oneItemPerList()
    {
        QTemporaryDir dir;
        for (int i = 1; i <= 4; ++i)
            writeList(dir.filePath(u"list%1.dat"_s.arg(i)), {u"only%1"_s.arg(i)});
        open(dir.path());
        for (float r : {0.0f, 0.5f, std::nextafter(1.0f, 0.0f)}) {
            random({r, r, r, r});
            QCOMPARE(form().Text1.text(), u"only1 only2 only3 only4"_s);
        }
    }

    void countThatIsNoNumberPicksTheFirstItem()
    {
        form().Text5 = u"lots"_s;
        random({0.5f, 0.0f, 0.9f, 0.99f});
        QCOMPARE(form().Text1.text(), u"it seems the flaky Disk melted."_s);
        QCOMPARE(form().Combo3.widget()->currentIndex(), 0);
    }

    void drawJustBelowOnePicksTheLastItem()
    {
        const float r = std::nextafter(1.0f, 0.0f);
        random({r, r, r, r});
        QCOMPARE(form().Text1.text(), u"Then the flaky router melted."_s);
    }

    void longListReachesEveryIndex()
    {
        QTemporaryDir dir;
        QStringList many;
        for (int i = 0; i < 40'000; ++i)
            many << u"phrase %1"_s.arg(i, 5, 10, QLatin1Char('0'));
        writeList(dir.filePath(u"list1.dat"_s), many);
        for (int i = 2; i <= 4; ++i)
            writeList(dir.filePath(u"list%1.dat"_s.arg(i)), {u"x"_s});
        open(dir.path());
        QCOMPARE(form().Text3, u"40000"_s);
        random({0.99f, 0.0f, 0.0f, 0.0f});
        QCOMPARE(form().Combo1.widget()->currentIndex(), 39'600);
        QCOMPARE(form().Combo1.text(), u"phrase 39600"_s);
        random({std::nextafter(1.0f, 0.0f), 0.0f, 0.0f, 0.0f});
        QCOMPARE(form().Combo1.text(), u"phrase 39999"_s);
    }

    void indexFormula_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<float>("r");
        QTest::addColumn<int>("expected");
        QTest::newRow("zero") << u"7"_s << 0.0f << 0;
        QTest::newRow("below-one") << u"7"_s << std::nextafter(1.0f, 0.0f) << 6;
        QTest::newRow("floor-not-round") << u"2"_s << 0.74f << 1;
        QTest::newRow("boundary") << u"4"_s << 0.25f << 1;
        QTest::newRow("empty-list") << u"0"_s << 0.9f << 0;
        QTest::newRow("max-items") << u"16777216"_s << std::nextafter(1.0f, 0.0f) << 16777215;
    }
    void indexFormula()
    {
        QFETCH(QString, count);
        QFETCH(float, r);
        QFETCH(int, expected);
        QCOMPARE(composer::randomIndex(count, r), expected);
    }

    void indexFormulaRefuses_data()
    {
        QTest::addColumn<QString>("count");
        QTest::newRow("text") << u"many"_s;
        QTest::newRow("empty") << u""_s;
        QTest::newRow("too-large") << u"1e12"_s;
        QTest::newRow("infinite") << u"inf"_s;
        QTest::newRow("nan") << u"nan"_s;
    }
    void indexFormulaRefuses()
    {
        QFETCH(QString, count);
        QVERIFY_THROWS_EXCEPTION(platform::Error, composer::randomIndex(count, 0.5f));
    }

    // 70,000 draws over seven items, through the real generator and formula:
    // a chi-square above the 0.1 % critical value for 6 degrees of freedom
    // means the picks are not uniform.
    void picksAreUniform()
    {
        platform::Runtime source; // the generator's fixed first sequence, not reseeded
        constexpr int Items = 7, Draws = 70'000;
        std::array<int, Items> hits{};
        for (int i = 0; i < Draws; ++i) {
            const float r = source.Rnd();
            QVERIFY(r >= 0.0f && r < 1.0f);
            ++hits[std::size_t(composer::randomIndex(u"7"_s, r))];
        }
        double chiSquare = 0;
        const double expected = double(Draws) / Items;
        for (int h : hits)
            chiSquare += (h - expected) * (h - expected) / expected;
        QVERIFY2(chiSquare < 22.458, qPrintable(u"chi-square %1"_s.arg(chiSquare)));
    }

    void reseedingTwiceInARowDiffers()
    {
        platform::Runtime a, b;
        a.Randomize();
        b.Randomize();
        QVERIFY(a.Rnd() != b.Rnd() || a.Rnd() != b.Rnd());
    }

private:
    void open(const QString &folder)
    {
        window_.reset();
        runtime_.emplace(folder);
        window_ = std::make_unique<ui::frmmain>(*runtime_);
        phrases::Form_Load(*window_);
        QCOMPARE(runtime_->ends, 0);
        window_->showCentred();
        QVERIFY(showActive(*window_));
    }
    composer::Form &form() { return *window_; }
    void random(std::initializer_list<float> draws)
    {
        runtime_->draws.assign(draws);
        window_->findChild<QPushButton *>(u"Command4"_s)->click();
        QVERIFY(runtime_->draws.empty());
    }
    void back()
    {
        auto *button = window_->findChild<QPushButton *>(u"Command5"_s);
        QVERIFY(button->isEnabled());
        button->click();
    }
    void type(const QString &list, const QString &text)
    {
        QLineEdit *edit = window_->findChild<QComboBox *>(list)->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    std::optional<FakeRuntime> runtime_;
    std::unique_ptr<ui::frmmain> window_;
};

QTEST_MAIN(TestRandom)
#include "tst_random.moc"
