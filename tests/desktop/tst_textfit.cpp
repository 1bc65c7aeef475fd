// SPDX-License-Identifier: MIT
// Every caption and every line of text the window shows fits inside its
// control, whatever the scale factor the program runs at: registered with
// CTest once at QT_SCALE_FACTOR=1 and once at 2. The window is laid out in
// fixed pixels, so only measuring the text against the room the style
// leaves for it shows clipping; at a scale factor the glyphs are drawn
// unhinted and come out wider than at 1.

#include "fakeruntime.h"

#include "phrases/load.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTextDocument>
#include <QtMath>

using namespace Qt::StringLiterals;

namespace {

// A rectangle of a control, in the coordinates of the window.
QRect inWindow(const QWidget *control, const QRect &rect, const QWidget *window)
{
    return rect.translated(control->mapTo(window, QPoint(0, 0)));
}

QString describe(const QRect &r)
{
    return u"%1,%2 %3x%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

class TestTextFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        runtime_.emplace(QStringLiteral(FIBWRIGHT_TEST_DATA "/sorted"));
        window_ = std::make_unique<ui::frmmain>(*runtime_);
        phrases::Form_Load(*window_);
        window_->showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        qInfo("scale %g, device pixel ratio %g, button font %s %gpt",
              qEnvironmentVariable("QT_SCALE_FACTOR", u"1"_s).toDouble(),
              window_->devicePixelRatioF(), qPrintable(QApplication::font().family()),
              QApplication::font().pointSizeF());
    }
    void cleanupTestCase() { window_.reset(); }

    void buttonCaptionsFit_data()
    {
        QTest::addColumn<QString>("name");
        for (const QPushButton *button : window_->findChildren<QPushButton *>())
            QTest::newRow(qPrintable(button->objectName())) << button->objectName();
    }
    // The caption, drawn with its access key underlined, within the room the
    // style leaves inside the button's frame.
    void buttonCaptionsFit()
    {
        QFETCH(QString, name);
        auto *button = window_->findChild<QPushButton *>(name);
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.features = button->autoDefault() ? QStyleOptionButton::AutoDefaultButton
                                                : QStyleOptionButton::None;
        const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
        QVERIFY2(text.width() <= room.width() && text.height() <= room.height(),
                 qPrintable(u"\"%1\" needs %2x%3 px, the button has %4"_s.arg(button->text())
                                .arg(text.width()).arg(text.height()).arg(describe(room))));
    }

    void listTextFits_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Combo1", "Combo2", "Combo3", "Combo4"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    // A line of the list's font fits the edit field's height, and the field
    // keeps clear of the drop-down arrow.
    void listTextFits()
    {
        QFETCH(QString, name);
        auto *combo = window_->findChild<QComboBox *>(name);
        const QLineEdit *edit = combo->lineEdit();
        const QRect room = edit->contentsRect();
        const int line = edit->fontMetrics().height();
        QVERIFY2(line <= room.height(),
                 qPrintable(u"a line is %1 px high, the edit field has %2"_s.arg(line).arg(describe(room))));
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = true;
        const QRect arrow = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxArrow, combo);
        QVERIFY2(!edit->geometry().intersects(arrow),
                 qPrintable(u"the edit field %1 runs into the arrow %2"_s.arg(describe(edit->geometry()),
                                                                              describe(arrow))));
    }

    void bundledPhrasesFit_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("list");
        QTest::newRow("list2") << u"Combo2"_s << u"list2.dat"_s;
        QTest::newRow("list3") << u"Combo3"_s << u"list3.dat"_s;
    }
    // The modifiers and nouns the program comes with are short enough to read
    // in their closed lists: at least nine in ten fit the edit field's text
    // area (the room the style leaves, less the 2 px QLineEdit keeps clear
    // on either side).
    void bundledPhrasesFit()
    {
        QFETCH(QString, name);
        QFETCH(QString, list);
        QFile file(QStringLiteral(FIBWRIGHT_BUNDLED_LISTS "/") + list);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QStringList phrases = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(!phrases.isEmpty());

        const QLineEdit *edit = window_->findChild<QComboBox *>(name)->lineEdit();
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                                   .marginsRemoved(edit->textMargins());
        const int room = contents.width() - 2 * 2;
        QStringList tooWide;
        for (const QString &phrase : phrases) {
            const int width = edit->fontMetrics().horizontalAdvance(phrase);
            if (width > room)
                tooWide.append(u"\"%1\" %2 px"_s.arg(phrase).arg(width));
        }
        QVERIFY2(tooWide.size() * 10 <= phrases.size(),
                 qPrintable(u"%1 of %2 phrases are wider than the %3 px %4 shows: %5"_s.arg(tooWide.size())
                                .arg(phrases.size()).arg(room).arg(name, tooWide.join(u", "))));
    }

    // The sentence box shows two whole lines, so a sentence that wraps once
    // is read without scrolling.
    void sentenceShowsTwoLines()
    {
        auto *text = window_->findChild<QPlainTextEdit *>(u"Text1"_s);
        const int margin = qCeil(text->document()->documentMargin());
        const int needed = 2 * text->fontMetrics().lineSpacing() + 2 * margin;
        QVERIFY2(needed <= text->viewport()->height(),
                 qPrintable(u"two lines need %1 px, the box shows %2"_s.arg(needed).arg(text->viewport()->height())));
    }

    // Where each control draws its text, no other control lies.
    void textAreasDoNotOverlap()
    {
        QList<std::pair<QWidget *, QRect>> textAreas;
        for (QPushButton *button : window_->findChildren<QPushButton *>()) {
            QStyleOptionButton option;
            option.initFrom(button);
            textAreas.append({button, inWindow(button, button->style()->subElementRect(
                                                           QStyle::SE_PushButtonContents, &option, button),
                                               window_.get())});
        }
        for (QComboBox *combo : window_->findChildren<QComboBox *>())
            textAreas.append({combo, inWindow(combo->lineEdit(), combo->lineEdit()->contentsRect(), window_.get())});
        auto *text = window_->findChild<QPlainTextEdit *>(u"Text1"_s);
        textAreas.append({text, inWindow(text->viewport(), text->viewport()->rect(), window_.get())});
        QCOMPARE(textAreas.size(), 9);

        for (const auto &[owner, area] : textAreas) {
            for (const auto &[other, unused] : textAreas) {
                if (other == owner)
                    continue;
                const QRect otherRect = inWindow(other, other->rect(), window_.get());
                QVERIFY2(!area.intersects(otherRect),
                         qPrintable(u"%1 draws its text at %2, where %3 lies (%4)"_s.arg(
                             owner->objectName(), describe(area), other->objectName(), describe(otherRect))));
            }
        }
    }

private:
    std::optional<FakeRuntime> runtime_;
    std::unique_ptr<ui::frmmain> window_;
};

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
