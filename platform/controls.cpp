// SPDX-License-Identifier: MIT
#include "controls.h"

#include "error.h"
#include "phrasemodel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

namespace platform {

ComboBox::ComboBox(QComboBox *widget)
    : QObject(widget)
    , widget_(widget)
    , model_(new PhraseModel(widget))
{
    widget_->setEditable(true);
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
    auto *view = new QListView(widget_);
    view->setUniformItemSizes(true);
    view->setTextElideMode(Qt::ElideRight);
    widget_->setView(view);
    widget_->setModel(model_);
    widget_->setCurrentIndex(-1);

    connect(widget_, &QComboBox::activated, this, &ComboBox::userPicked);
    connect(widget_->lineEdit(), &QLineEdit::textEdited, this, &ComboBox::changed);
}

ComboBox::~ComboBox() = default;

void ComboBox::addItem(const QString &item)
{
    const QString keep = text();
    const int selected = widget_->currentIndex();
    const int row = model_->insert(item);
    // An empty list selects its first item when it gets one; adding an item
    // must neither select one nor touch the edit field.
    widget_->setCurrentIndex(selected < 0 ? -1 : selected + (row <= selected ? 1 : 0));
    widget_->setEditText(keep);
}

void ComboBox::addItems(ItemList items)
{
    const QString keep = text();
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
    // A phrase longer than the field shows its beginning.
    widget_->setEditText(text);
    widget_->lineEdit()->setCursorPosition(0);
}

TextBox::TextBox(QPlainTextEdit *widget)
    : QObject(widget)
    , widget_(widget)
{
    widget_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    widget_->setTabChangesFocus(true);
    connect(widget_, &QPlainTextEdit::textChanged, this, &TextBox::changed);
}

QString TextBox::text() const
{
    // toPlainText() would turn no-break spaces into plain ones; only the
    // paragraph breaks are turned back into line ends.
    QString raw = widget_->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return raw;
}

void TextBox::setText(const QString &text)
{
    widget_->setPlainText(text);
}

Button::Button(QPushButton *widget)
    : QObject(widget)
    , widget_(widget)
{
    widget_->setAutoDefault(false);
    connect(widget_, &QPushButton::clicked, this, &Button::pressed);
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
