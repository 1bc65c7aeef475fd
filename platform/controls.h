// SPDX-License-Identifier: MIT
#pragma once

#include "phraselist/itemlist.h"

#include <QObject>

#include <vector>

class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace platform {

class PhraseListView;
class PhraseModel;

QWidget *parentOf(QWidget *widget);

// A drop-down list sorted ignoring case, with an editable field. picked() comes with each selection, by the user or
// setListIndex(), even of the item already selected; changed() when the field's text is typed or set.
class ComboBox : public QObject
{
    Q_OBJECT

public:
    explicit ComboBox(QWidget *parent);

    // Fills the list, each item in its sorted place; the text stays, nothing becomes selected.
    void setItems(ItemList items);
    int listCount() const;
    QString list(int index) const; // throws Error outside the items, as setListIndex does
    void setListIndex(int index);
    QString text() const;
    void setText(const QString &text);
    QComboBox *widget() const { return widget_; }

Q_SIGNALS:
    void picked();
    void changed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showText(const QString &text);
    void makeListView();

    QComboBox *widget_;
    PhraseModel *model_;
    PhraseListView *view_ = nullptr; // made at the first opening
    std::vector<QString> toFit_;     // the phrases its width is fitted to, until it is made
};

// A plain-text box; changed() comes with setText() and each user edit. text() is exactly what setText() gave,
// though the box shows U+2029, U+FDD0, U+FDD1 and a lone CR as line breaks; after an edit, the typed part reads
// back as typed (a new paragraph as LF) and the rest keeps what was given.
class TextBox : public QObject
{
    Q_OBJECT

public:
    explicit TextBox(QWidget *parent);

    QString text() const { return text_; }
    void setText(const QString &text);
    QPlainTextEdit *widget() const { return widget_; }

Q_SIGNALS:
    void changed();

private:
    void contentsChanged();

    QPlainTextEdit *widget_;
    QString text_;
    bool aligned_ = true; // text_ has one character per character shown
    bool assigning_ = false;
};

class Button
{
public:
    explicit Button(QWidget *parent);

    void setEnabled(bool enabled);
    QPushButton *widget() const { return widget_; }

private:
    QPushButton *widget_;
};

} // namespace platform
