// SPDX-License-Identifier: MIT
#include "fakeruntime.h"
#include "testsupport.h"

#include "phrases/load.h"
#include "ui/app.h"
#include "ui/frmmain.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString clipboardText()
{
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard);
}

// What the window gives a screen reader to speak: Qt's announcements from Qt 6.8 on; before, the name its
// notification has each time it is shown, which neither shows nor takes the focus.
class Announcements : public QObject
{
public:
    explicit Announcements([[maybe_unused]] QWidget *window)
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QAccessible::setActive(true);
        recorder() = this;
        QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
            if (event->type() == QAccessible::Announcement && recorder())
                recorder()->texts << static_cast<QAccessibleAnnouncementEvent *>(event)->message();
        });
#else
        notice_ = window->findChild<QWidget *>(u"announcement"_s);
        QVERIFY(notice_);
        notice_->installEventFilter(this);
        for (const QWidget *widget : {notice_, notice_->parentWidget()}) {
            QVERIFY(widget->size().isEmpty());
            QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
        }
#endif
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    ~Announcements() override
    {
        QAccessible::installUpdateHandler(nullptr);
        recorder() = nullptr;
    }
    static Announcements *&recorder()
    {
        static Announcements *current = nullptr;
        return current;
    }
#endif

    QStringList texts;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            texts << notice_->accessibleName();
        return false;
    }

private:
    QWidget *notice_ = nullptr;
};

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        runtime_.emplace(SortedSet);
        window_ = std::make_unique<ui::frmmain>(*runtime_);
        phrases::Form_Load(*window_);
        window_->showCentred();
        QVERIFY(showActive(*window_));
        QGuiApplication::clipboard()->setText(u"sentinel"_s);
    }
    void cleanup() { window_.reset(); }

    void copyTakesTheSentenceOnce()
    {
        QVERIFY(copyButton()->isEnabled());
        QTest::keyClick(window_.get(), Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(!copyButton()->isEnabled());
        QCOMPARE(clipboardText(), u"Welcome to pardonix!   "_s);
        // A second press cannot happen: the clipboard keeps what it has.
        QGuiApplication::clipboard()->setText(u"sentinel"_s);
        QTest::keyClick(window_.get(), Qt::Key_C, Qt::AltModifier);
        QTest::qWait(250);
        QCOMPARE(clipboardText(), u"sentinel"_s);
    }

    // Every change of the sentence offers Copy again; an input method that
    // commits nothing (as the focus leaves the box on Wayland) does not.
    void copyComesBackWithEveryChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pick") << u"pick"_s << u"Welcome to pardonix!  Disk "_s;
        QTest::newRow("typing") << u"typing"_s << u"Welcome to pardonix!   !"_s;
        QTest::newRow("back") << u"back"_s << u"it seems the flaky router awoke."_s;
        QTest::newRow("paste") << u"paste"_s << u"Welcome to pardonix!   sentinel"_s;
        QTest::newRow("empty-commit") << u"empty-commit"_s << QString();
    }
    void copyComesBackWithEveryChange()
    {
        QFETCH(QString, change);
        QFETCH(QString, expected);
        auto *text1 = window_->findChild<QPlainTextEdit *>(u"Text1"_s);
        if (change == u"back") {
            runtime_->draws = {0.5f, 0.0f, 0.9f, 0.3f, 0.0f, 0.0f, 0.0f, 0.0f};
            button(u"Command4"_s)->click();
            button(u"Command4"_s)->click();
        }
        copyButton()->click();
        QVERIFY(!copyButton()->isEnabled());
        if (change == u"pick") {
            QTest::keyClick(window_->findChild<QComboBox *>(u"Combo3"_s), Qt::Key_Down);
        } else if (change == u"typing") {
            text1->moveCursor(QTextCursor::End);
            QTest::keyClicks(text1, u"!"_s);
        } else if (change == u"back") {
            button(u"Command5"_s)->click();
        } else if (change == u"paste") {
            QGuiApplication::clipboard()->setText(u"sentinel"_s);
            text1->moveCursor(QTextCursor::End);
            QTest::keySequence(text1, QKeySequence::Paste);
        } else if (change == u"empty-commit") {
            QInputMethodEvent commit;
            QCoreApplication::sendEvent(text1, &commit);
        }
        QCOMPARE(copyButton()->isEnabled(), !expected.isNull());
        if (expected.isNull())
            return;
        copyButton()->click();
        QCOMPARE(clipboardText(), expected);
    }

    // Return and keypad Enter press the focused button, as Space does; in a
    // list's edit field or the sentence box they press nothing.
    void returnPressesTheFocusedButton_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<QString>("sentence");
        const QString opening = u"Welcome to pardonix!   "_s;
        QTest::newRow("copy-return") << u"Command1"_s << int(Qt::Key_Return) << 0 << u"Command1"_s << opening;
        QTest::newRow("about-enter") << u"Command2"_s << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << u"Command2"_s << opening;
        QTest::newRow("random-return") << u"Command4"_s << int(Qt::Key_Return) << 0 << u"Command4"_s << QString();
        QTest::newRow("back-enter") << u"Command5"_s << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << u"Command5"_s << QString();
        QTest::newRow("random-space") << u"Command4"_s << int(Qt::Key_Space) << 0 << u"Command4"_s << QString();
        QTest::newRow("list-return") << u"Combo3"_s << int(Qt::Key_Return) << 0 << QString() << opening;
        QTest::newRow("sentence-return") << u"Text1"_s << int(Qt::Key_Return) << 0 << QString() << u'\n' + opening;
        QTest::newRow("sentence-enter") << u"Text1"_s << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << QString() << u'\n' + opening;
    }
    void returnPressesTheFocusedButton()
    {
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, pressed);
        QFETCH(QString, sentence);
        if (control == u"Command5") {
            runtime_->draws = {0.5f, 0.0f, 0.9f, 0.3f, 0.0f, 0.0f, 0.0f, 0.0f};
            button(u"Command4"_s)->click();
            button(u"Command4"_s)->click();
        }
        std::map<QString, std::unique_ptr<QSignalSpy>> presses;
        for (QPushButton *b : window_->findChildren<QPushButton *>())
            presses[b->objectName()] = std::make_unique<QSignalSpy>(b, &QPushButton::clicked);
        auto *widget = window_->findChild<QWidget *>(control);
        widget->setFocus(Qt::TabFocusReason);
        QTest::keyClick(window_->windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        for (const auto &[name, spy] : presses)
            QCOMPARE(spy->size(), name == pressed ? 1 : 0);
        if (!sentence.isNull())
            QCOMPARE(window_->Text1.text(), sentence);
    }

    void copyPutsTheTextAsItStands_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << u"  both ends  "_s;
        QTest::newRow("non-ascii") << u"Der L\u00fcfter \u2013 \u65e5\u672c \U0001F525"_s;
        QTest::newRow("markup") << u"<b>x</b> &amp; <img src=x>"_s;
        QTest::newRow("nbsp") << u"no\u00a0break"_s;
        QTest::newRow("rtl") << u"\u05e9\u05e8\u05ea e\u0301"_s;
    }
    void copyPutsTheTextAsItStands()
    {
        QFETCH(QString, sentence);
        window_->Text1.setText(sentence);
        copyButton()->click();
        QCOMPARE(clipboardText(), sentence);
        QVERIFY(!copyButton()->isEnabled());
    }

    void copyOfAnEditedAndAnEmptiedSentence()
    {
        auto *text1 = window_->findChild<QPlainTextEdit *>(u"Text1"_s);
        text1->selectAll();
        QTest::keyClicks(text1, u"My own words"_s);
        copyButton()->click();
        QCOMPARE(clipboardText(), u"My own words"_s);
        text1->selectAll();
        QTest::keyClick(text1, Qt::Key_Delete);
        QVERIFY(copyButton()->isEnabled());
        copyButton()->click();
        QCOMPARE(clipboardText(), QString());
    }

    // Random and Back are followed by the sentence they made, Copy by a
    // confirmation, each once; nothing else is announced.
    void resultsAreAnnouncedOnce_data()
    {
        QTest::addColumn<QStringList>("presses");
        QTest::addColumn<QStringList>("expected");
        const QString first = u"it seems the flaky router awoke."_s;
        const QString second = u"All at once the flaky Disk "_s;
        QTest::newRow("random") << QStringList{u"Command4"_s} << QStringList{first};
        QTest::newRow("back") << QStringList{u"Command4"_s, u"Command4"_s, u"Command5"_s}
                              << QStringList{first, second, first};
        QTest::newRow("copy") << QStringList{u"Command1"_s} << QStringList{u"Sentence copied"_s};
        QTest::newRow("access-keys") << QStringList{u"Alt+R"_s, u"Alt+C"_s}
                                     << QStringList{first, u"Sentence copied"_s};
        QTest::newRow("others") << QStringList{u"pick"_s, u"typing"_s, u"Command2"_s} << QStringList{};
    }
    void resultsAreAnnouncedOnce()
    {
        QFETCH(QStringList, presses);
        QFETCH(QStringList, expected);
        Announcements announced(window_.get());
        runtime_->draws = {0.5f, 0.0f, 0.9f, 0.3f, 0.0f, 0.0f, 0.0f, 0.0f};
        for (const QString &press : presses) {
            if (press == u"pick")
                QTest::keyClick(window_->findChild<QComboBox *>(u"Combo3"_s), Qt::Key_Down);
            else if (press == u"typing")
                QTest::keyClicks(window_->findChild<QPlainTextEdit *>(u"Text1"_s), u"x"_s);
            else if (press.startsWith(u"Alt+")) {
                // An access key presses its button a moment later.
                const qsizetype before = announced.texts.size();
                QTest::keyClick(window_.get(), Qt::Key(press.back().unicode()), Qt::AltModifier);
                QTRY_VERIFY(announced.texts.size() > before);
            } else
                button(press)->click();
            // Spoken once the press has been handled.
            QCoreApplication::processEvents();
        }
        QCOMPARE(announced.texts, expected);
    }

    void aboutShowsItsMessage()
    {
        const QString before = window_->Text1.text();
        QTest::keyClick(window_.get(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(runtime_->boxes.size(), 1);
        const FakeRuntime::Box box = runtime_->boxes.front();
        QCOMPARE(box.prompt,
                 u"Fully customizable error generator. Why take the blame when you can use this to "
                 "generate an error that's over their heads! After all, if you cant blind them with "
                 "brilliance, dazzle them with bullsh*t!"_s);
        QCOMPARE(box.buttons, int(platform::vbInformation));
        QCOMPARE(box.title, std::optional<QString>(u"Fibwright by Mogrith"_s));
        QCOMPARE(window_->Text1.text(), before);
        QVERIFY(copyButton()->isEnabled());
        QCOMPARE(runtime_->ends, 0);
    }

    void messageBoxesAsShown_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<std::optional<QString>>("title");
        QTest::addColumn<QString>("expectedTitle");
        QTest::addColumn<int>("expectedIcon");
        QTest::newRow("about") << int(platform::vbInformation) << std::optional<QString>(u"Fibwright by Mogrith"_s)
                               << u"Fibwright by Mogrith"_s << int(QMessageBox::Information);
        QTest::newRow("missing") << int(platform::vbOKOnly) << std::optional<QString>()
                                 << u"Fibwright"_s << int(QMessageBox::NoIcon);
    }
    void messageBoxesAsShown()
    {
        QFETCH(int, buttons);
        QFETCH(std::optional<QString>, title);
        QFETCH(QString, expectedTitle);
        QFETCH(int, expectedIcon);
        QCoreApplication::setApplicationName(u"Fibwright"_s);
        const auto box = platform::makeMessageBox(u"<b>Plain</b> & text"_s, buttons, title);
        QCOMPARE(box->text(), u"<b>Plain</b> & text"_s);
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QCOMPARE(box->windowTitle(), expectedTitle);
        QCOMPARE(int(box->icon()), expectedIcon);
        QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box->buttons().size(), 1);
    }

    void exitAndCloseEndOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("menu") << u"menu"_s;
        QTest::newRow("close-box") << u"close"_s;
        QTest::newRow("destroyed") << u"destroyed"_s;
    }
    void exitAndCloseEndOnce()
    {
        QFETCH(QString, how);
        if (how == u"menu")
            window_->findChild<QAction *>(u"mnuexit"_s)->trigger();
        else if (how == u"close")
            QVERIFY(window_->close());
        QCOMPARE(runtime_->ends, how == u"destroyed" ? 0 : 1);
        window_.reset();
        QCOMPARE(runtime_->ends, 1);
        QVERIFY(runtime_->boxes.isEmpty());
    }

    // With the real services, ending leaves the event loop with status 0,
    // once, however many times it is asked for.
    void endingLeavesTheEventLoop()
    {
        window_.reset();
        // The real services, reading the test's own lists.
        struct : platform::Runtime {
            QByteArray AppPath() const override { return QFile::encodeName(SortedSet); }
        } runtime;
        ui::frmmain window(runtime);
        phrases::Form_Load(window);
        QVERIFY(!runtime.hasEnded());
        window.showCentred();
        QTimer::singleShot(0, &window, [&window] { window.close(); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(runtime.hasEnded());
        QVERIFY(!window.isVisible());
        runtime.End();
        QTimer::singleShot(0, [] { QCoreApplication::exit(3); });
        QCOMPARE(QApplication::exec(), 3);
    }

    // Closing the About box is not closing the program, though the main
    // window is a tool window that Qt does not count as a last window.
    void closingAMessageBoxKeepsTheProgram()
    {
        ui::setUpApplication();
        QCOMPARE(QApplication::applicationName(), u"Fibwright"_s);
        const auto box = platform::makeMessageBox(u"About"_s, platform::vbInformation, std::nullopt);
        QTimer::singleShot(0, box.get(), [&box] { box->open(); });
        QTimer::singleShot(50, box.get(), [&box] { box->accept(); });
        QTimer::singleShot(300, [] { QCoreApplication::exit(7); });
        QCOMPARE(QApplication::exec(), 7);
        QVERIFY(window_->isVisible());
    }

private:
    QPushButton *button(const QString &name) { return window_->findChild<QPushButton *>(name); }
    QPushButton *copyButton() { return button(u"Command1"_s); }

    std::optional<FakeRuntime> runtime_;
    std::unique_ptr<ui::frmmain> window_;
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
