// SPDX-License-Identifier: MIT
#include "controls.h"

#include "error.h"
#include "phraselist/phraselist.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include <algorithm>
#include <limits>

namespace platform {

QWidget *parentOf(QWidget *widget)
{
    return widget->parentWidget();
}

ComboBox::ComboBox(QWidget *parent)
    : widget_(new QComboBox(parent))
    , model_(new PhraseModel(widget_))
{
    widget_->setEditable(true);
    // A phrase is as long as its line: the field's default limit of 32,767
    // characters would cut it.
    widget_->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    // Typed text stays exactly as typed: Return never turns it into an item,
    // and nothing completes or rewrites it.
    widget_->setInsertPolicy(QComboBox::NoInsert);
    widget_->setCompleter(nullptr);
    widget_->setDuplicatesEnabled(true);
    // The width is fixed by the window: never measure every item for it.
    widget_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto *view = new PhraseListView(widget_);
    view->setTextElideMode(Qt::ElideRight);
    widget_->setView(view);
    // The popup ignores its list's size hints; across, the list asks to be
    // as wide as its longest phrases (PhraseListView::minimumSizeHint).
    view->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    widget_->setModel(model_);
    widget_->setCurrentIndex(-1);

    connect(widget_, &QComboBox::activated, this, [this](int index) {
        // Picking the item that is already selected still shows its text
        // again, whatever was typed over it since.
        if (index >= 0)
            showText(model_->item(index).toString());
        Q_EMIT picked();
    });
    connect(widget_->lineEdit(), &QLineEdit::textEdited, this, &ComboBox::changed);
}

void ComboBox::addItems(ItemList items)
{
    const QString keep = text();
    static_cast<PhraseListView *>(widget_->view())->fitPhrases(items);
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
    const QString item = list(index);
    widget_->setCurrentIndex(index);
    showText(item);
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
    // Only a CR LF pair becomes one paragraph break.
    aligned_ = widget_->document()->characterCount() - 1 == text.size();
    Q_EMIT changed();
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
    if (assigning_)
        return;
    const QString shown = shownText();
    QString edited = shown;
    if (aligned_) {
        // An edit by the user replaced one stretch of the text: what lies
        // before and after it keeps the characters it was given.
        const auto same = [](QChar given, QChar now) {
            return given == now
                || (now == u'\n'
                    && (given == QChar::ParagraphSeparator || given == QChar(0xFDD0) || given == QChar(0xFDD1)
                        || given == u'\r'));
        };
        const qsizetype n = std::min(text_.size(), shown.size());
        qsizetype before = 0;
        while (before < n && same(text_[before], shown[before]))
            ++before;
        qsizetype after = 0;
        while (after < n - before && same(text_[text_.size() - 1 - after], shown[shown.size() - 1 - after]))
            ++after;
        edited = QStringView(text_).first(before).toString();
        edited.append(QStringView(shown).sliced(before, shown.size() - before - after));
        edited.append(QStringView(text_).last(after));
    }
    aligned_ = true;
    // An input method may report a change that changed nothing (as the
    // focus leaves the box, say): only a real change is one.
    if (edited == text_)
        return;
    text_ = std::move(edited);
    Q_EMIT changed();
}

Button::Button(QWidget *parent)
    : widget_(new QPushButton(parent))
{
    widget_->setAutoDefault(false);
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
