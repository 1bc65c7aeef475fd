// SPDX-License-Identifier: MIT
#include "fakeruntime.h"
#include "testsupport.h"

#include "phrases/load.h"
#include "ui/app.h"
#include "ui/frmmain.h"
#include "ui/look.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The control that has the focus; an editable list's focus may sit in its
// edit field.
QWidget *focusedControl()
{
    QWidget *focus = QApplication::focusWidget();
    if (focus && qobject_cast<QLineEdit *>(focus) && qobject_cast<QComboBox *>(focus->parentWidget()))
        return focus->parentWidget();
    return focus;
}

// Where a key is pressed, as the window system delivers it: into an open
// menu, else into the window.
QWindow *keyTarget(QWidget *window)
{
    QWidget *popup = QApplication::activePopupWidget();
    return (popup ? popup : window)->windowHandle();
}

// The weakest ring round the edge of two pictures of one control, as a
// contrast ratio: each place along the edge takes the pixel that changed
// most within its outer three, and counts its change and its contrast with
// each colour given; the corners are left out.
double leastRoundTheEdge(const QImage &before, const QImage &after, std::initializer_list<QColor> against)
{
    const auto change = [&](QPoint p) { return ui::contrastRatio(before.pixelColor(p), after.pixelColor(p)); };
    const auto place = [&](QPoint edge, QPoint inward) {
        QPoint most = edge;
        for (QPoint p = edge + inward; p != edge + 3 * inward; p += inward)
            if (change(p) > change(most))
                most = p;
        double least = change(most);
        for (const QColor &colour : against)
            least = std::min(least, ui::contrastRatio(after.pixelColor(most), colour));
        return least;
    };
    const int w = after.width();
    const int h = after.height();
    double least = 21;
    for (int x = 4; x < w - 4; ++x)
        least = std::min({least, place({x, 0}, {0, 1}), place({x, h - 1}, {0, -1})});
    for (int y = 4; y < h - 4; ++y)
        least = std::min({least, place({0, y}, {1, 0}), place({w - 1, y}, {-1, 0})});
    return least;
}

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // As the program starts: its colours and application settings.
    void initTestCase()
    {
        ui::setUpApplication();
        font_ = QApplication::font();
    }

    void init()
    {
        runtime_.emplace(SortedSet);
        window_ = std::make_unique<ui::frmmain>(*runtime_);
        phrases::Form_Load(*window_);
        window_->showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    void cleanup()
    {
        window_.reset();
        // Back to the style, font and colours the program starts with.
        QApplication::setStyle(u"Fusion"_s);
        QApplication::setFont(font_);
        QApplication::setPalette(QApplication::style()->standardPalette());
        ui::raiseFocusContrast();
    }

    // Under a style with taller controls or a larger font, each list and
    // button gets at least what the style needs for its text, and the whole
    // layout grows alike; the phrases follow a larger font.
    void fitsItsStyleAndFont_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<qreal>("points");
        QTest::newRow("adwaita") << u"Adwaita"_s << 0.0;
        QTest::newRow("font-14") << u"Fusion"_s << 14.0;
        QTest::newRow("adwaita-12") << u"Adwaita"_s << 12.0;
    }
    void fitsItsStyleAndFont()
    {
        QFETCH(QString, style);
        QFETCH(qreal, points);
        QVERIFY(QApplication::setStyle(style));
        if (points > 0) {
            QFont font = QApplication::font();
            font.setPointSizeF(points);
            QApplication::setFont(font);
        }
        window_ = std::make_unique<ui::frmmain>(*runtime_);
        const double scale = window_->centralWidget()->width() / 490.0;
        QVERIFY(scale > 1.2);
        for (QComboBox *list : window_->findChildren<QComboBox *>()) {
            QVERIFY(list->height() >= list->minimumSizeHint().height());
            QVERIFY(list->width() >= list->minimumSizeHint().width());
            QCOMPARE(list->font().pointSizeF(), std::max(9.75, QApplication::font().pointSizeF()));
        }
        for (QPushButton *button : window_->findChildren<QPushButton *>()) {
            QVERIFY(button->height() >= button->sizeHint().height());
            const int caption = button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width();
            QVERIFY2(button->width() >= caption + button->style()->pixelMetric(QStyle::PM_ButtonMargin),
                     qPrintable(button->text()));
        }
        // One factor for all: Combo3 starts where the unscaled one does, times it.
        for (const auto &[name, left, width] : {std::tuple{"Combo3", 136, 113}, {"Command5", 16, 49}, {"Text1", 8, 473}}) {
            const QWidget *widget = window_->findChild<QWidget *>(QLatin1String(name));
            QVERIFY(qAbs(widget->x() - left * scale) <= 1);
            QVERIFY(qAbs(widget->width() - width * scale) <= 2);
        }
    }

    void windowFrame()
    {
        QCOMPARE(window_->windowTitle(), u"Fibwright 1.0 By Mogrith"_s);
        QVERIFY(window_->windowFlags().testFlag(Qt::Tool));
        QVERIFY(!window_->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!window_->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(window_->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        const QWidget *client = window_->centralWidget();
        QCOMPARE(client->size(), QSize(490, 219));
        QCOMPARE(client->mapTo(window_.get(), QPoint(0, 0)).y(), window_->menuBar()->height());
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        const QRect screen = window_->screen()->availableGeometry();
        QCOMPARE(window_->geometry().left() - screen.left(), screen.right() - window_->geometry().right());
        QVERIFY(qAbs((window_->geometry().top() - screen.top()) - (screen.bottom() - window_->geometry().bottom())) <= 1);
        // Minimized or maximized by a window manager anyway, it comes back.
        const QSize size = window_->size();
        for (Qt::WindowState state : {Qt::WindowMinimized, Qt::WindowMaximized}) {
            window_->setWindowState(state);
            QTRY_COMPARE(window_->windowState(), Qt::WindowNoState);
            QCOMPARE(window_->size(), size);
        }
    }

    void controlsInPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("Combo1") << u"Combo1"_s << u"client"_s << QRect(8, 24, 473, 24) << u"Welcome to pardonix!"_s << true;
        QTest::newRow("Combo2") << u"Combo2"_s << u"Frame1"_s << QRect(8, 48, 129, 24) << u""_s << true;
        QTest::newRow("Combo3") << u"Combo3"_s << u"Frame1"_s << QRect(136, 48, 113, 24) << u""_s << true;
        QTest::newRow("Combo4") << u"Combo4"_s << u"Frame1"_s << QRect(248, 48, 233, 24) << u""_s << true;
        QTest::newRow("Command1") << u"Command1"_s << u"Frame1"_s << QRect(248, 144, 49, 25) << u"&Copy"_s << true;
        QTest::newRow("Text1") << u"Text1"_s << u"client"_s << QRect(8, 88, 473, 49) << u"Welcome to pardonix!   "_s << true;
        QTest::newRow("Frame1") << u"Frame1"_s << u"client"_s << QRect(0, 0, 489, 177) << u""_s << true;
        QTest::newRow("Command2") << u"Command2"_s << u"Frame1"_s << QRect(432, 144, 49, 25) << u"&About"_s << true;
        QTest::newRow("Command4") << u"Command4"_s << u"Frame1"_s << QRect(152, 144, 89, 25) << u"&Random"_s << true;
        QTest::newRow("Command5") << u"Command5"_s << u"Frame1"_s << QRect(16, 144, 49, 25) << u"&Back"_s << false;
    }
    void controlsInPlace()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        QFETCH(bool, enabled);
        auto *widget = window_->findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget()->objectName(), parent);
        QCOMPARE(widget->geometry(), geometry);
        QVERIFY(widget->isVisible());
        QCOMPARE(widget->isEnabled(), enabled);
        if (auto *button = qobject_cast<QPushButton *>(widget))
            QCOMPARE(button->text(), caption);
        else if (auto *combo = qobject_cast<QComboBox *>(widget))
            QCOMPARE(combo->currentText(), caption);
        else if (auto *edit = qobject_cast<QPlainTextEdit *>(widget))
            QCOMPARE(edit->toPlainText(), caption);
        else if (auto *frame = qobject_cast<QGroupBox *>(widget))
            QCOMPARE(frame->title(), caption);
    }

    void fonts()
    {
        // The classic font only where it is installed, else the desktop's own alone.
        const QString desktop = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        const QStringList families = QFontDatabase::families().contains(u"MS Sans Serif"_s)
            ? QStringList{u"MS Sans Serif"_s, desktop} : QStringList{desktop};
        for (const char *name : {"Combo1", "Combo2", "Combo3", "Combo4", "Text1"}) {
            const QFont font = window_->findChild<QWidget *>(QLatin1String(name))->font();
            QCOMPARE(font.families(), families);
            QCOMPARE(font.pointSizeF(), 9.75);
            QCOMPARE(font.weight(), QFont::Normal);
        }
        QCOMPARE(window_->findChild<QWidget *>(u"Command1"_s)->font(), QApplication::font());
    }

    void tabOrderAndFocus()
    {
        QTRY_COMPARE(focusedControl(), window_->findChild<QComboBox *>(u"Combo1"_s));
        const QStringList expected{u"Combo2"_s, u"Combo3"_s, u"Combo4"_s, u"Command1"_s, u"Text1"_s,
                                   u"Command2"_s, u"Command4"_s, u"Combo1"_s};
        QStringList visited;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << focusedControl()->objectName();
        }
        // Back is disabled at start, so Tab passes it by.
        QCOMPARE(visited, expected);
    }

    void menu()
    {
        const QList<QAction *> titles = window_->menuBar()->actions();
        QCOMPARE(titles.size(), 2);
        QCOMPARE(titles[0]->text(), u"File"_s);
        QCOMPARE(titles[0]->menu()->objectName(), u"mnufile"_s);
        const QList<QAction *> items = titles[0]->menu()->actions();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0]->text(), u"Exit"_s);
        QCOMPARE(items[0]->objectName(), u"mnuexit"_s);
        QCOMPARE(titles[1]->text(), u"Help"_s);
        QCOMPARE(titles[1]->objectName(), u"mnucontents"_s);
        QVERIFY(!titles[1]->isEnabled());
    }

    // The working values are no widgets: nothing beyond the visible controls
    // can be shown or reached with Tab.
    void hiddenFieldsAreNotOnScreen()
    {
        QCOMPARE(window_->findChildren<QLineEdit *>().size(), 4);
        QCOMPARE(window_->findChildren<QPlainTextEdit *>().size(), 1);
        QCOMPARE(window_->Text2, u" "_s);
        for (const QString *field : {&window_->Text7, &window_->Text11})
            QVERIFY(field->isEmpty());
    }

    void picksRebuildTheSentence()
    {
        composer::Form &form = *window_;
        auto *combo3 = window_->findChild<QComboBox *>(u"Combo3"_s);
        auto *combo4 = window_->findChild<QComboBox *>(u"Combo4"_s);
        QTest::keyClick(combo3, Qt::Key_Down);
        QCOMPARE(form.Text1.text(), u"Welcome to pardonix!  Disk "_s);
        QTest::keyClick(combo4, Qt::Key_Down);
        QTest::keyClick(combo4, Qt::Key_Down);
        QCOMPARE(form.Text1.text(), u"Welcome to pardonix!  Disk awoke."_s);
        form.Combo2.setListIndex(0);
        QCOMPARE(form.Text1.text(), u"Welcome to pardonix! flaky Disk awoke."_s);
    }

    // With a screen reader on, Qt delivers the Return that picked in the
    // open drop-down a second time, after the drop-down has closed.
    void returnInTheDropDownPicksOnce()
    {
        QSignalSpy picks(&window_->Combo3, &platform::ComboBox::picked);
        QVERIFY(showActive(*window_));
        QComboBox *combo = window_->Combo3.widget();
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        QTRY_VERIFY(view->isVisible());
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(!view->isVisible());
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(window_->Combo3.text(), u"router"_s);
        QCOMPARE(picks.count(), 1);
    }

    void typedTextWaitsForTheNextPick()
    {
        composer::Form &form = *window_;
        auto *combo2 = window_->findChild<QComboBox *>(u"Combo2"_s);
        QTest::keyClicks(combo2->lineEdit(), u"very"_s);
        QCOMPARE(form.Text1.text(), u"Welcome to pardonix!   "_s);
        QTest::keyClick(window_->findChild<QComboBox *>(u"Combo1"_s), Qt::Key_Down);
        QCOMPARE(form.Text1.text(), u"All at once the very  "_s);
    }

    void editingTheSentenceIsLostAtTheNextPick()
    {
        composer::Form &form = *window_;
        auto *text1 = window_->findChild<QPlainTextEdit *>(u"Text1"_s);
        text1->moveCursor(QTextCursor::End);
        QTest::keyClicks(text1, u"x"_s);
        QCOMPARE(form.Text1.text(), u"Welcome to pardonix!   x"_s);
        form.Combo3.setListIndex(1);
        QCOMPARE(form.Text1.text(), u"Welcome to pardonix!  router "_s);
    }

    // An Alt chord is a command: no letter reaches a field. AltGr, which
    // arrives as the group switch, still types.
    void altChordsTypeNothing_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("typed");
        QTest::newRow("alt-f-list") << u"Combo1"_s << int(Qt::Key_F) << int(Qt::AltModifier) << u"f"_s << u""_s;
        QTest::newRow("alt-q-list") << u"Combo2"_s << int(Qt::Key_Q) << int(Qt::AltModifier) << u"q"_s << u""_s;
        QTest::newRow("alt-shift-h-list") << u"Combo4"_s << int(Qt::Key_H) << int(Qt::AltModifier | Qt::ShiftModifier) << u"H"_s << u""_s;
        QTest::newRow("alt-x-sentence") << u"Text1"_s << int(Qt::Key_X) << int(Qt::AltModifier) << u"x"_s << u""_s;
        QTest::newRow("altgr-q-sentence") << u"Text1"_s << int(Qt::Key_At) << int(Qt::GroupSwitchModifier) << u"@"_s << u"@"_s;
        QTest::newRow("altgr-q-list") << u"Combo3"_s << int(Qt::Key_At) << int(Qt::GroupSwitchModifier) << u"@"_s << u"@"_s;
        QTest::newRow("plain-f-list") << u"Combo1"_s << int(Qt::Key_F) << int(Qt::NoModifier) << u"f"_s << u"f"_s;
    }
    void altChordsTypeNothing()
    {
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(QString, typed);
        QVERIFY(showActive(*window_));
        auto *widget = window_->findChild<QWidget *>(control);
        widget->setFocus(Qt::TabFocusReason);
        QTest::keyClick(widget, Qt::Key_End, Qt::ControlModifier);
        const auto contents = [widget] {
            auto *combo = qobject_cast<QComboBox *>(widget);
            return combo ? combo->currentText() : qobject_cast<QPlainTextEdit *>(widget)->toPlainText();
        };
        const QString before = contents();
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(contents(), before + typed);
    }

    // The menu bar by keyboard: a lone Alt or F10 enters it with File
    // shown active, F10 again leaves it, an access key leaves it alone, also
    // when a screen reader has Qt replay the Alt press after the access key.
    void menuBarByKeyboard_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<bool>("inMenuBar");
        QTest::addColumn<int>("ends");
        QTest::newRow("alt") << QStringList{u"Alt"_s} << true << 0;
        QTest::newRow("f10") << QStringList{u"F10"_s} << true << 0;
        QTest::newRow("f10-f10") << QStringList{u"F10"_s, u"F10"_s} << false << 0;
        QTest::newRow("alt-escape") << QStringList{u"Alt"_s, u"Esc"_s} << false << 0;
        QTest::newRow("f10-down-return") << QStringList{u"F10"_s, u"Down"_s, u"Return"_s} << false << 1;
        QTest::newRow("alt+r") << QStringList{u"Alt+R"_s} << false << 0;
        QTest::newRow("alt+r-replayed") << QStringList{u"Alt+R"_s, u"replayed Alt"_s} << false << 0;
        QTest::newRow("alt-replayed") << QStringList{u"Alt"_s, u"replayed Alt"_s} << true << 0;
        QTest::newRow("alt+r-alt") << QStringList{u"Alt+R"_s, u"replayed Alt"_s, u"Alt"_s} << true << 0;
    }
    void menuBarByKeyboard()
    {
        QFETCH(QStringList, keys);
        QFETCH(bool, inMenuBar);
        QFETCH(int, ends);
        QVERIFY(showActive(*window_));
        QMenuBar *bar = window_->menuBar();
        QAction *file = bar->actions().constFirst();
        const QRect title = bar->actionGeometry(file);
        const QImage idle = bar->grab(title).toImage();
        const QString sentence = window_->Text1.text();
        for (const QString &key : keys) {
            if (key == u"Alt") {
                QTest::keyClick(keyTarget(window_.get()), Qt::Key_Alt);
            } else if (key == u"replayed Alt") {
                // As Qt delivers it again once a listening screen reader
                // has heard it: a copy posted to the window, which reads
                // the Alt key's flipped modifier as its state.
                QCoreApplication::postEvent(window_->windowHandle(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier));
                QCoreApplication::postEvent(window_->windowHandle(), new QKeyEvent(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier));
                QCoreApplication::processEvents();
            } else {
                const QKeyCombination combination = QKeySequence(key)[0];
                QTest::keyClick(keyTarget(window_.get()), combination.key(), combination.keyboardModifiers());
            }
        }
        QCOMPARE(bar->hasFocus(), inMenuBar);
        QCOMPARE(bar->activeAction(), inMenuBar ? file : nullptr);
        QCOMPARE(bar->grab(title).toImage() != idle, inMenuBar);
        QCOMPARE(runtime_->ends, ends);
        QTRY_COMPARE(window_->Text1.text() != sentence, keys.contains(u"Alt+R"_s));
    }

    // Each focus ring changes the colours round its control by at least
    // 3:1, the sentence box's too.
    void focusRingsStandOut_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("before");
        // Window, Base, Button and Highlight; none: the style's own.
        QTest::addColumn<QStringList>("colours");
        const QStringList gtkDark{u"#323232"_s, u"#242424"_s, u"#323232"_s, u"#308cc6"_s};
        const QStringList qt6ctDarker{u"#222020"_s, u"#3d3d3d"_s, u"#424245"_s, u"#12608a"_s};
        for (const auto &[palette, colours] : {std::pair{"light", QStringList()}, {"gtk-dark", gtkDark},
                                                {"qt6ct-darker", qt6ctDarker}}) {
            QTest::addRow("list-%s", palette) << u"Combo2"_s << u"Combo1"_s << colours;
            QTest::addRow("sentence-%s", palette) << u"Text1"_s << u"Command1"_s << colours;
            QTest::addRow("button-%s", palette) << u"Command4"_s << u"Command2"_s << colours;
        }
    }
    void focusRingsStandOut()
    {
        QFETCH(QString, control);
        QFETCH(QString, before);
        QFETCH(QStringList, colours);
        if (!colours.isEmpty()) {
            QPalette palette = QApplication::palette();
            for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                palette.setColor(role, Qt::white);
            const QPalette::ColorRole roles[] = {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::Highlight};
            for (int i = 0; i < 4; ++i)
                palette.setColor(roles[i], QColor(colours[i]));
            QApplication::setPalette(palette);
            ui::raiseFocusContrast();
            window_ = std::make_unique<ui::frmmain>(*runtime_);
            window_->showCentred();
        }
        QCOMPARE(qRound(ui::contrastRatio(Qt::white, Qt::black)), 21);
        // Qt's usual ring against its usual border: too faint.
        QCOMPARE(qRound(ui::contrastRatio(QColor(0x308cc6).darker(125), QColor(0xababab)) * 100), 235);
        QVERIFY(showActive(*window_));
        auto *widget = window_->findChild<QWidget *>(control);
        window_->findChild<QWidget *>(before)->setFocus();
        const QImage unfocused = widget->grab().toImage();
        QTest::keyClick(window_->windowHandle(), Qt::Key_Tab);
        QTRY_COMPARE(focusedControl(), widget);
        // Drawn above a neighbour it overlaps (lists 2 and 3 share a column).
        const QWidget *top = widget->parentWidget()->childAt(widget->geometry().topRight() + QPoint(0, 8));
        QVERIFY(top == widget || widget->isAncestorOf(top));
        const QImage focused = widget->grab().toImage();
        const QPalette &palette = widget->palette();
        const QColor inside = palette.color(qobject_cast<QPushButton *>(widget) ? QPalette::Button : QPalette::Base);
        // Against what was there, the control's own background and the
        // window around it.
        const double least = leastRoundTheEdge(unfocused, focused, {inside, palette.color(QPalette::Window)});
        qInfo("%s: %.2f:1", qPrintable(control), least);
        QVERIFY2(least >= 3.0, qPrintable(u"%1:1"_s.arg(least)));
    }

    void helpDoesNothing()
    {
        auto *help = window_->findChild<QAction *>(u"mnucontents"_s);
        const QString before = window_->Text1.text();
        help->trigger();
        QCOMPARE(window_->Text1.text(), before);
        QVERIFY(runtime_->boxes.isEmpty());
        QCOMPARE(runtime_->ends, 0);
    }

private:
    std::optional<FakeRuntime> runtime_;
    std::unique_ptr<ui::frmmain> window_;
    QFont font_;
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
