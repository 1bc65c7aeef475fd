// SPDX-License-Identifier: MIT
#include "controls.h"

#include "error.h"
#include "phraselist/phraselist.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>

#include <functional>
#include <limits>
#include <utility>

namespace platform {

namespace {

// Qt makes a drop-down's popup with a list of its own, which the phrase list replaces: just before the first opening,
// so that making the phrase list and wiring it to the model stay off the way to the first paint.
class DropDown final : public QComboBox
{
public:
    DropDown(QWidget *parent, std::function<void()> beforeOpening)
        : QComboBox(parent), beforeOpening_(std::move(beforeOpening))
    {
    }
    void showPopup() override
    {
        beforeOpening_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> beforeOpening_;
};

} // namespace

QWidget *parentOf(QWidget *widget) { return widget->parentWidget(); }

ComboBox::ComboBox(QWidget *parent)
    : widget_(new DropDown(parent, [this] { makeListView(); })), model_(new PhraseModel(widget_))
{
    // The phrase model before the edit field, which Qt would otherwise wire to an item model of its own first.
    widget_->setModel(model_);
    widget_->setEditable(true);
    // A phrase is as long as its line: the default limit of 32,767 would cut it.
    widget_->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    // Typed text stays as typed: never added as an item, completed or rewritten.
    widget_->setInsertPolicy(QComboBox::NoInsert);
    widget_->setCompleter(nullptr);
    widget_->setDuplicatesEnabled(true);
    // The window fixes the width: never measure every item for it.
    widget_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    connect(widget_, &QComboBox::activated, this, [this](int index) {
        // Picking the selected item again shows its text over whatever was typed.
        if (index >= 0)
            showText(model_->item(index).toString());
        Q_EMIT picked();
    });
    connect(widget_->lineEdit(), &QLineEdit::textEdited, this, &ComboBox::changed);
    widget_->installEventFilter(this);
}

bool ComboBox::eventFilter(QObject *watched, QEvent *event)
{
    // Qt's line edit stays scrolled where its cursor was when the focus leaves it, which hides the beginning of a
    // long phrase. Where the focus goes to another control (not to a pop-up or another window), the cursor goes home,
    // selecting nothing. A list being destroyed, no combo box any more, loses the focus too.
    auto *list = qobject_cast<QComboBox *>(watched);
    if (list && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            list->lineEdit()->home(false);
    }
    return false;
}

void ComboBox::makeListView()
{
    if (!view_) {
        view_ = new PhraseListView(widget_);
        widget_->setView(view_);
        // The popup ignores the list's height hint; its width comes from the
        // longest phrases (PhraseListView::minimumSizeHint).
        view_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
        view_->fitPhrases(std::exchange(toFit_, {}));
        // Qt 6.8 keeps the list at the drop-down's current item as that changes, and no longer puts it there at the
        // opening (6.4 did): the phrase list starts where Qt's own list stood.
        view_->selectionModel()->setCurrentIndex(model_->index(widget_->currentIndex()),
                                                 QItemSelectionModel::ClearAndSelect);
    }
}

void ComboBox::setItems(ItemList items)
{
    const QString keep = text();
    // Of a huge phrase only as many characters as the screen has pixels
    // across are kept: they are wider than the screen already.
    const QScreen *screen = widget_->screen();
    auto longest = PhraseListView::longestPhrases(items, screen ? screen->availableGeometry().width() : 8192);
    if (view_)
        view_->fitPhrases(std::move(longest));
    else
        toFit_ = std::move(longest);
    model_->setItems(std::move(items));
    widget_->setCurrentIndex(-1);
    widget_->setEditText(keep);
}

int ComboBox::listCount() const { return model_->rowCount(); }
QString ComboBox::text() const { return widget_->currentText(); }

QString ComboBox::list(int index) const
{
    if (index < 0 || index >= listCount())
        throw Error(QStringLiteral("invalid list index %1").arg(index));
    return model_->item(index).toString();
}

void ComboBox::setListIndex(int index)
{
    const QString item = list(index);
    widget_->setCurrentIndex(index);
    showText(item);
    Q_EMIT picked();
}

void ComboBox::setText(const QString &text)
{
    showText(text);
    Q_EMIT changed();
}

void ComboBox::showText(const QString &text)
{
    // Setting the text a selection already put there would make a screen reader say the phrase twice.
    QLineEdit *field = widget_->lineEdit();
    if (field->text() != text)
        widget_->setEditText(text);
    // A phrase longer than the field shows its beginning.
    if (field->cursorPosition() != 0)
        field->setCursorPosition(0);
}

TextBox::TextBox(QWidget *parent)
    : widget_(new QPlainTextEdit(parent))
{
    widget_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    widget_->setTabChangesFocus(true);
    connect(widget_, &QPlainTextEdit::textChanged, this, &TextBox::contentsChanged);
}

void TextBox::setText(const QString &text)
{
    text_ = text;
    assigning_ = true;
    widget_->setPlainText(text);
    assigning_ = false;
    // Only a CR LF pair becomes one break: then the box shows fewer characters.
    aligned_ = widget_->document()->characterCount() - 1 == text.size();
    Q_EMIT changed();
}

void TextBox::contentsChanged()
{
    if (assigning_)
        return;
    // Raw text: toPlainText() would turn no-break spaces into plain ones.
    QString shown = widget_->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
    if (aligned_) {
        // A user edit replaces one stretch: the characters before and after
        // it stay as they were given, breaks included.
        const auto same = [](QChar given, QChar now) {
            return given == now || (now == u'\n' && QStringView(u"\r\u2029\uFDD0\uFDD1").contains(given));
        };
        const qsizetype n = qMin(text_.size(), shown.size());
        qsizetype before = 0, after = 0;
        while (before < n && same(text_[before], shown[before]))
            ++before;
        while (after < n - before && same(text_[text_.size() - 1 - after], shown[shown.size() - 1 - after]))
            ++after;
        shown = text_.first(before) + shown.sliced(before, shown.size() - before - after) + text_.last(after);
    }
    aligned_ = true;
    // An input method may report a change that changed nothing (as the focus
    // leaves, say): only a real change counts.
    if (std::exchange(text_, shown) != shown)
        Q_EMIT changed();
}

Button::Button(QWidget *parent)
    : widget_(new QPushButton(parent))
{
    widget_->setAutoDefault(false);
}

void Button::setEnabled(bool enabled) { widget_->setEnabled(enabled); }

} // namespace platform
