// SPDX-License-Identifier: MIT
#include "platform/controls.h"
#include "platform/error.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

class TestControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        combo_.emplace(nullptr);
        widget_.reset(combo_->widget());
        picks_.emplace(&*combo_, &platform::ComboBox::picked);
        changes_.emplace(&*combo_, &platform::ComboBox::changed);
    }
    void cleanup()
    {
        picks_.reset();
        changes_.reset();
        widget_.reset();
        combo_.reset();
    }

    void putsItemsInSortedPlace()
    {
        combo_->setItems(itemsOf({u"a"_s}));
        combo_->setItems(itemsOf({u"delta"_s, u"Bravo"_s, u"charlie"_s, u"alpha"_s, u"bravo"_s, u"ALPHA"_s}));
        QCOMPARE(itemsIn(*combo_),
                 (QStringList{u"alpha"_s, u"ALPHA"_s, u"Bravo"_s, u"bravo"_s, u"charlie"_s, u"delta"_s}));
        QCOMPARE(combo_->listCount(), 6);
    }

    void fillingKeepsTextAndSelectsNothing()
    {
        combo_->setText(u"typed first"_s);
        changes_->clear();
        combo_->setItems(itemsOf({u"b"_s, u"a"_s, u"c"_s}));
        QCOMPARE(combo_->text(), u"typed first"_s);
        QCOMPARE(combo_->widget()->currentIndex(), -1);
        QCOMPARE(picks_->count(), 0);
        QCOMPARE(changes_->count(), 0);
    }

    void settingTheIndexPicksEveryTime()
    {
        combo_->setItems(itemsOf({u"one"_s, u"two"_s, u"three"_s}));
        combo_->setListIndex(2);
        QCOMPARE(combo_->text(), u"two"_s);
        QCOMPARE(picks_->count(), 1);
        combo_->setText(u"typed over"_s);
        combo_->setListIndex(2);
        QCOMPARE(combo_->text(), u"two"_s);
        QCOMPARE(combo_->widget()->currentIndex(), 2);
        QCOMPARE(picks_->count(), 2);
        QCOMPARE(changes_->count(), 1);
    }

    // A phrase longer than the field shows its beginning, however it got there.
    void longTextShowsItsBeginning()
    {
        const QString longPhrase = u"a phrase far too long for the little field it has to live in"_s;
        combo_->setItems(itemsOf({longPhrase, u"b"_s}));
        widget_->resize(60, 24);
        widget_->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget_.get()));
        combo_->setListIndex(0);
        QCOMPARE(widget_->lineEdit()->cursorPosition(), 0);
        combo_->setListIndex(1);
        QTest::keyClick(widget_.get(), Qt::Key_Up);
        QCOMPARE(combo_->text(), longPhrase);
        QCOMPARE(widget_->lineEdit()->cursorPosition(), 0);
        combo_->setText(longPhrase + u" again"_s);
        QCOMPARE(widget_->lineEdit()->cursorPosition(), 0);
    }

    // A phrase of any length is the field's text whole, however it got there.
    void keepsTextOfAnyLength_data()
    {
        QTest::addColumn<qsizetype>("length");
        QTest::newRow("32767") << qsizetype(32'767);
        QTest::newRow("32768") << qsizetype(32'768);
        QTest::newRow("40000") << qsizetype(40'000);
        QTest::newRow("million") << qsizetype(1'000'000);
    }
    void keepsTextOfAnyLength()
    {
        QFETCH(qsizetype, length);
        QString phrase(length - 1, u'x');
        phrase += u'\u2029';
        combo_->setItems(itemsOf({phrase, u"a short one"_s}));
        combo_->setListIndex(1);
        QCOMPARE(combo_->text(), phrase);
        combo_->setText(u"y"_s + phrase);
        QCOMPARE(combo_->text(), u"y"_s + phrase);
        combo_->setItems(itemsOf({phrase, phrase + u"z"_s}));
        combo_->setListIndex(1);
        QCOMPARE(combo_->text(), phrase + u"z"_s);
    }

    void refusesAnIndexOutsideTheItems_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("index");
        QTest::newRow("empty") << QStringList{} << 0;
        QTest::newRow("negative") << QStringList{u"a"_s} << -1;
        QTest::newRow("count") << QStringList{u"a"_s, u"b"_s} << 2;
        QTest::newRow("far") << QStringList{u"a"_s} << 40000;
    }
    void refusesAnIndexOutsideTheItems()
    {
        QFETCH(QStringList, items);
        QFETCH(int, index);
        combo_->setItems(itemsOf(items));
        combo_->setText(u"kept"_s);
        QVERIFY_THROWS_EXCEPTION(platform::Error, combo_->setListIndex(index));
        QCOMPARE(combo_->text(), u"kept"_s);
        QCOMPARE(picks_->count(), 0);
    }

    void writingTheTextIsAChangeNotAPick()
    {
        combo_->setItems(itemsOf({u"a"_s}));
        combo_->setText(u"<b>raw</b> & more "_s);
        QCOMPARE(combo_->text(), u"<b>raw</b> & more "_s);
        QCOMPARE(changes_->count(), 1);
        QCOMPARE(picks_->count(), 0);
        QCOMPARE(combo_->widget()->currentIndex(), -1);
    }

    void arrowKeysPickOnce_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("expectedPicks");
        QTest::newRow("down-from-none") << QList<int>{Qt::Key_Down} << u"apple"_s << 1;
        QTest::newRow("down-down") << QList<int>{Qt::Key_Down, Qt::Key_Down} << u"Banana"_s << 2;
        QTest::newRow("down-down-up") << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up} << u"apple"_s << 3;
    }
    void arrowKeysPickOnce()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QString, expected);
        QFETCH(int, expectedPicks);
        combo_->setItems(itemsOf({u"cherry"_s, u"Banana"_s, u"apple"_s}));
        widget_->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget_.get()));
        for (int key : keys)
            QTest::keyClick(widget_.get(), Qt::Key(key));
        QCOMPARE(combo_->text(), expected);
        QCOMPARE(picks_->count(), expectedPicks);
    }

    void mousePickInTheDropDown()
    {
        combo_->setItems(itemsOf({u"one"_s, u"two"_s, u"three"_s}));
        combo_->setListIndex(1);
        combo_->setText(u"typed"_s);
        picks_->clear();
        widget_->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget_.get()));
        // The item already selected, picked again, shows its own text again.
        for (const auto &[row, text] : {std::pair{1, u"three"_s}, std::pair{2, u"two"_s}}) {
            widget_->showPopup();
            QAbstractItemView *view = widget_->view();
            QTRY_VERIFY(view->isVisible());
            const QRect cell = view->visualRect(view->model()->index(row, 0));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
            QTRY_VERIFY(!view->isVisible());
            QCOMPARE(combo_->text(), text);
        }
        QCOMPARE(picks_->count(), 2);
    }

    // The open list is as wide as its widest phrase, however narrow the
    // field, but no wider than the screen.
    void dropDownShowsWholePhrases_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("added");
        QTest::newRow("short") << QStringList{u"a"_s, u"b"_s} << QString();
        QTest::newRow("long") << QStringList{u"a"_s, u"a phrase of many words that no 113 pixel field could show whole"_s, u"b"_s}
                              << QString();
        QTest::newRow("long-added") << QStringList{u"b"_s} << u"one phrase added alone, longer than the field is wide"_s;
        QTest::newRow("wider-than-screen") << QStringList{u"a"_s, u"wide "_s.repeated(400)} << QString();
    }
    void dropDownShowsWholePhrases()
    {
        QFETCH(QStringList, items);
        QFETCH(QString, added);
        widget_->resize(113, 24);
        widget_->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget_.get()));
        combo_->setItems(itemsOf(items));
        if (!added.isEmpty())
            combo_->setItems(itemsOf({added}));
        widget_->showPopup();
        QAbstractItemView *view = widget_->view();
        QTRY_VERIFY(view->isVisible());
        QCOMPARE(widget_->width(), 113);
        const int screenWidth = widget_->screen()->availableGeometry().width();
        QVERIFY(view->window()->width() <= screenWidth);
        for (int row = 0; row < combo_->listCount(); ++row) {
            const int needed = view->sizeHintForIndex(view->model()->index(row, 0)).width();
            if (needed >= screenWidth)
                QCOMPARE(view->window()->width(), screenWidth);
            else
                QVERIFY2(view->viewport()->width() >= needed,
                         qPrintable(u"%1 px for a %2 px item"_s.arg(view->viewport()->width()).arg(needed)));
        }
    }

    // Typing in the open list moves to the first item starting with what was
    // typed, ignoring case; the same letter again moves on.
    void typeAheadInTheOpenList_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        // Sorted: "", apple, Apricot, banana, blackberry, Blueberry, bus, bus error, cherry, Zulu, Éclair
        QTest::newRow("letter") << -1 << u"b"_s << u"banana"_s;
        QTest::newRow("extend") << -1 << u"bl"_s << u"blackberry"_s;
        QTest::newRow("case") << -1 << u"BLU"_s << u"Blueberry"_s;
        QTest::newRow("repeat") << -1 << u"bb"_s << u"blackberry"_s;
        QTest::newRow("wrap") << -1 << u"bbbbbb"_s << u"banana"_s;
        QTest::newRow("after-current") << 1 << u"a"_s << u"Apricot"_s;
        QTest::newRow("current-only") << 8 << u"c"_s << u"cherry"_s;
        QTest::newRow("no-match") << 3 << u"q"_s << u"banana"_s;
        QTest::newRow("no-match-extend") << -1 << u"chz"_s << u"cherry"_s;
        QTest::newRow("accent") << -1 << u"\u00e9c"_s << u"\u00c9clair"_s;
        QTest::newRow("last") << 5 << u"\u00e9"_s << u"\u00c9clair"_s;
        QTest::newRow("capital-z") << -1 << u"z"_s << u"Zulu"_s;
        // A phrase that begins a longer one is found before it.
        QTest::newRow("whole-prefix") << -1 << u"bus"_s << u"bus"_s;
    }
    void typeAheadInTheOpenList()
    {
        QFETCH(int, start);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        combo_->setItems(itemsOf({u"cherry"_s, u"Blueberry"_s, u"apple"_s, u"\u00c9clair"_s, u""_s,
                                  u"banana"_s, u"Apricot"_s, u"blackberry"_s, u"bus error"_s, u"Zulu"_s, u"bus"_s}));
        if (start >= 0)
            combo_->setListIndex(start);
        widget_->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget_.get()));
        widget_->showPopup();
        QAbstractItemView *view = widget_->view();
        QTRY_VERIFY(view->isVisible());
        for (const QChar key : keys) // keyClicks() takes ASCII only
            QTest::sendKeyEvent(QTest::Click, view, Qt::Key(key.toUpper().unicode()), QString(key), {});
        QCOMPARE(view->currentIndex().data().toString(), expected);
        QVERIFY(view->viewport()->rect().intersects(view->visualRect(view->currentIndex())));
    }

    void typedTextStaysAsTyped()
    {
        combo_->setItems(itemsOf({u"apple pie"_s, u"Apple"_s}));
        widget_->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget_.get()));
        QTest::keyClicks(widget_->lineEdit(), u"app"_s);
        QCOMPARE(combo_->text(), u"app"_s);
        QTest::keyClick(widget_->lineEdit(), Qt::Key_Backspace);
        QTest::keyClicks(widget_->lineEdit(), u"ple"_s);
        QTest::keyClick(widget_->lineEdit(), Qt::Key_Return);
        QCOMPARE(combo_->text(), u"apple"_s);
        QCOMPARE(combo_->listCount(), 2);
        QCOMPARE(combo_->widget()->currentIndex(), -1);
        QCOMPARE(picks_->count(), 0);
        QCOMPARE(changes_->count(), 7);
    }

    // Typing an item's exact text and leaving the field is no pick either; the field then shows the text's start.
    void typedItemTextIsNoPick_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("tab") << int(Qt::Key_Tab);
        QTest::newRow("return") << int(Qt::Key_Return);
    }
    void typedItemTextIsNoPick()
    {
        QFETCH(int, key);
        QWidget window;
        platform::ComboBox combo(&window);
        QComboBox *widget = combo.widget();
        QSignalSpy picks(&combo, &platform::ComboBox::picked);
        auto *next = new QLineEdit(&window);
        next->move(0, 40);
        combo.setItems(itemsOf({u"pear"_s, u"apple"_s}));
        QVERIFY(showActive(window));
        widget->setFocus();
        QTest::keyClicks(widget->lineEdit(), u"pear"_s);
        QTest::keyClick(widget->lineEdit(), Qt::Key(key));
        next->setFocus();
        QCOMPARE(combo.text(), u"pear"_s);
        QCOMPARE(widget->lineEdit()->cursorPosition(), 0);
        QCOMPARE(combo.widget()->currentIndex(), -1);
        QCOMPARE(picks.count(), 0);
    }

    void sentenceBoxIsPlainText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("bold") << u"<b>x</b>"_s;
        QTest::newRow("entity") << u"&amp; &lt;"_s;
        QTest::newRow("image") << u"<img src=x>"_s;
        QTest::newRow("html-doc") << u"<html><body>hi</body></html>"_s;
        QTest::newRow("nbsp") << u"a\u00a0b"_s;
        QTest::newRow("rtl-combining") << u"\u05e9\u05dc\u05d5\u05dd e\u0301"_s;
        QTest::newRow("blanks") << u"   "_s;
        QTest::newRow("lines") << u"one\ntwo"_s;
        // What the box's document keeps as paragraph and frame breaks.
        QTest::newRow("paragraph-separator") << u"a\u2029b"_s;
        QTest::newRow("frame-marks") << u"\uFDD0a\uFDD1"_s;
        QTest::newRow("cr-lf") << u"a\r\nb\rc"_s;
        QTest::newRow("long") << QString(40'000, u'x') + u"\u2029"_s;
    }
    void sentenceBoxIsPlainText()
    {
        QFETCH(QString, text);
        platform::TextBox box(nullptr);
        const std::unique_ptr<QPlainTextEdit> owned(box.widget());
        QPlainTextEdit &edit = *owned;
        QSignalSpy changed(&box, &platform::TextBox::changed);
        box.setText(text);
        QCOMPARE(box.text(), text);
        QCOMPARE(changed.count(), 1);
        const qsizetype breaks = std::count_if(text.begin(), text.end(), [](QChar c) {
            return c == u'\n' || c == u'\r' || c == u'\u2029' || c == u'\uFDD0' || c == u'\uFDD1';
        }) - text.count(u"\r\n"_s);
        QCOMPARE(edit.document()->blockCount(), breaks + 1);
    }

    // Typing reads back as typed, a new paragraph as a line end; the text
    // around the edit stays exactly as it was given.
    void sentenceBoxChangesWithTyping_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QString() << u"ab"_s << u"ab"_s;
        QTest::newRow("after-breaks") << u"a\u2029b\uFDD0c\uFDD1"_s << u"xy"_s << u"a\u2029b\uFDD0c\uFDD1xy"_s;
        QTest::newRow("new-line") << u"a\u2029b"_s << u"\n"_s << u"a\u2029b\n"_s;
        QTest::newRow("cr-lf-given") << u"a\r\nb"_s << u"c"_s << u"a\nbc"_s;
        QTest::newRow("lone-cr-given") << u"a\rb"_s << u"c"_s << u"a\rbc"_s;
    }
    void sentenceBoxChangesWithTyping()
    {
        QFETCH(QString, given);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        platform::TextBox box(nullptr);
        const std::unique_ptr<QPlainTextEdit> owned(box.widget());
        QPlainTextEdit &edit = *owned;
        box.setText(given);
        QSignalSpy changed(&box, &platform::TextBox::changed);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.moveCursor(QTextCursor::End);
        for (QChar c : keys) {
            if (c == u'\n')
                QTest::keyClick(&edit, Qt::Key_Return);
            else
                QTest::keyClicks(&edit, QString(c));
        }
        QCOMPARE(box.text(), expected);
        QCOMPARE(changed.count(), keys.size());

        // An edit in the middle: the break after it stays what it was.
        if (given.contains(u'\u2029')) {
            edit.moveCursor(QTextCursor::Start);
            QTest::keyClick(&edit, Qt::Key_Delete);
            QCOMPARE(box.text(), expected.sliced(1));
        }
    }

private:
    std::optional<platform::ComboBox> combo_;
    std::unique_ptr<QComboBox> widget_;
    std::optional<QSignalSpy> picks_;
    std::optional<QSignalSpy> changes_;
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
