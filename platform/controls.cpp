// SPDX-License-Identifier: MIT
#include "controls.h"

#include "announcer.h"
#include "error.h"
#include "phraselistview.h"
#include "phrasemodel.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace platform {

namespace {

// The longest items of a list by character count, at most `count` of them,
// in one pass: a heap of the longest seen so far, the shortest on top.
std::vector<QStringView> longestItems(const ItemList &items, std::size_t count)
{
    std::vector<QStringView> longest;
    const auto longer = [](QStringView a, QStringView b) { return a.size() > b.size(); };
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QStringView item = items.at(i);
        if (longest.size() < count) {
            longest.push_back(item);
            std::push_heap(longest.begin(), longest.end(), longer);
        } else if (item.size() > longest.front().size()) {
            std::pop_heap(longest.begin(), longest.end(), longer);
            longest.back() = item;
            std::push_heap(longest.begin(), longest.end(), longer);
        }
    }
    return longest;
}

} // namespace

ComboBox::ComboBox(QComboBox *widget)
    : QObject(widget)
    , widget_(widget)
    , model_(new PhraseModel(widget))
    , view_(new PhraseListView(widget))
{
    widget_->setEditable(true);
    // A phrase is as long as its line: the field's default limit of 32,767
    // characters would cut it.
    widget_->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    // Typed text stays exactly as typed: Return never turns it into an item,
    // and nothing completes or rewrites it.
    widget_->setInsertPolicy(QComboBox::NoInsert);
    widget_->setCompleter(nullptr);
    // Nor does Return or leaving the field select an item whose text was
    // typed: typing is never a pick.
    disconnect(widget_->lineEdit(), &QLineEdit::editingFinished, widget_, nullptr);
    disconnect(widget_->lineEdit(), &QLineEdit::returnPressed, widget_, nullptr);
    widget_->setDuplicatesEnabled(true);
    // The width is fixed by the window: never measure every item for it.
    widget_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    view_->setTextElideMode(Qt::ElideRight);
    widget_->setView(view_);
    // Installed after the drop-down's own filter on the view, so it sees
    // the view's keys first.
    view_->installEventFilter(this);
    // The popup ignores its list's size hints; across, the list asks to be
    // as wide as its longest phrases (PhraseListView::minimumSizeHint).
    view_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    widget_->setModel(model_);
    widget_->setCurrentIndex(-1);

    connect(widget_, &QComboBox::activated, this, &ComboBox::userPicked);
    connect(widget_->lineEdit(), &QLineEdit::textEdited, this, &ComboBox::changed);
}

ComboBox::~ComboBox() = default;

bool ComboBox::eventFilter(QObject *watched, QEvent *event)
{
    // Return in the open drop-down picks the item and closes the drop-down
    // while Qt asks whether the key is a shortcut. With a screen reader on,
    // Qt's accessibility bridge holds the key press back until the screen
    // reader has seen it, then delivers it again, and the closed drop-down
    // would pick the item a second time: the key is kept from it.
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (watched != view_ || !key || view_->isVisible())
        return false;
    const int which = static_cast<QKeyEvent *>(event)->key();
    if (which != Qt::Key_Return && which != Qt::Key_Enter)
        return false;
    event->accept();
    return true;
}

void ComboBox::addItem(const QString &item)
{
    const QString keep = text();
    const int selected = widget_->currentIndex();
    view_->fitPhrases({QStringView(item)});
    const int row = model_->insert(item);
    // An empty list selects its first item when it gets one; adding an item
    // must neither select one nor touch the edit field.
    widget_->setCurrentIndex(selected < 0 ? -1 : selected + (row <= selected ? 1 : 0));
    widget_->setEditText(keep);
}

void ComboBox::addItems(ItemList items)
{
    const QString keep = text();
    view_->fitPhrases(longestItems(items, PhraseListView::PhrasesToFit));
    model_->insert(std::move(items));
    widget_->setCurrentIndex(-1);
    widget_->setEditText(keep);
}

int ComboBox::listCount() const
{
    return model_->rowCount();
}

QString ComboBox::list(int index) const
{
    if (index < 0 || index >= listCount())
        throw Error(QStringLiteral("invalid list index %1").arg(index));
    return model_->item(index).toString();
}

int ComboBox::listIndex() const
{
    return widget_->currentIndex();
}

void ComboBox::setListIndex(int index)
{
    if (index < 0 || index >= listCount())
        throw Error(QStringLiteral("invalid list index %1").arg(index));
    widget_->setCurrentIndex(index);
    showText(model_->item(index).toString());
    Q_EMIT picked();
}

void ComboBox::userPicked(int index)
{
    // Picking the item that is already selected still shows its text again,
    // whatever was typed over it since.
    if (index >= 0)
        showText(model_->item(index).toString());
    Q_EMIT picked();
}

QString ComboBox::text() const
{
    return widget_->currentText();
}

void ComboBox::setText(const QString &text)
{
    showText(text);
    Q_EMIT changed();
}

void ComboBox::showText(const QString &text)
{
    // Selecting an item has already put its text in the field; setting it
    // again would tell a screen reader the same phrase once more.
    QLineEdit *field = widget_->lineEdit();
    if (field->text() != text)
        widget_->setEditText(text);
    // A phrase longer than the field shows its beginning.
    if (field->cursorPosition() != 0)
        field->setCursorPosition(0);
}

TextBox::TextBox(QPlainTextEdit *widget)
    : QObject(widget)
    , widget_(widget)
    , text_(shownText())
{
    widget_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    widget_->setTabChangesFocus(true);
    connect(widget_, &QPlainTextEdit::textChanged, this, &TextBox::contentsChanged);
}

QString TextBox::text() const
{
    return text_;
}

void TextBox::setText(const QString &text)
{
    text_ = text;
    assigning_ = true;
    widget_->setPlainText(text);
    assigning_ = false;
    // Only a CR LF pair becomes one paragraph break.
    aligned_ = widget_->document()->characterCount() - 1 == text.size();
}

// The document's text, its paragraph breaks as line ends. toPlainText()
// would turn no-break spaces into plain ones.
QString TextBox::shownText() const
{
    QString raw = widget_->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return raw;
}

void TextBox::contentsChanged()
{
    if (!assigning_) {
        // An edit by the user replaced one stretch of the text: what lies
        // before and after it keeps the characters it was given.
        const QString shown = shownText();
        if (aligned_) {
            const auto same = [](QChar given, QChar now) {
                return given == now
                    || (now == u'\n'
                        && (given == QChar::ParagraphSeparator || given == QChar(0xFDD0)
                            || given == QChar(0xFDD1) || given == u'\r'));
            };
            const qsizetype n = std::min(text_.size(), shown.size());
            qsizetype before = 0;
            while (before < n && same(text_[before], shown[before]))
                ++before;
            qsizetype after = 0;
            while (after < n - before && same(text_[text_.size() - 1 - after], shown[shown.size() - 1 - after]))
                ++after;
            QString edited;
            edited.reserve(shown.size());
            edited.append(QStringView(text_).first(before));
            edited.append(QStringView(shown).sliced(before, shown.size() - before - after));
            edited.append(QStringView(text_).last(after));
            text_ = std::move(edited);
        } else {
            text_ = shown;
            aligned_ = true;
        }
    }
    Q_EMIT changed();
}

Button::Button(QPushButton *widget)
    : QObject(widget)
    , widget_(widget)
{
    widget_->setAutoDefault(false);
    // Return presses the focused button, as Space does, without making it a
    // default button (which the style would draw differently).
    widget_->installEventFilter(this);
    connect(widget_, &QPushButton::clicked, this, &Button::pressed);
    // Connected second, so it runs once pressed() has been handled.
    connect(widget_, &QPushButton::clicked, this, &Button::announceResult);
}

void Button::announceAfterPress(Announcer &announcer, std::function<QString()> result)
{
    announcer_ = &announcer;
    result_ = std::move(result);
}

void Button::announceResult()
{
    if (announcer_)
        announcer_->announce(result_());
}

bool Button::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || (key->modifiers() & ~Qt::KeypadModifier))
        return false;
    // A held key presses once.
    if (!key->isAutoRepeat())
        widget_->click();
    return true;
}

bool Button::enabled() const
{
    return widget_->isEnabled();
}

void Button::setEnabled(bool enabled)
{
    widget_->setEnabled(enabled);
}

} // namespace platform
