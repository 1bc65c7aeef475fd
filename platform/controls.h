// SPDX-License-Identifier: MIT
#pragma once

#include "phraselist/itemlist.h"

#include <QObject>
#include <QString>

class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace platform {

class PhraseModel;

QWidget *parentOf(QWidget *widget);

// A sorted drop-down list with an editable text field.
//
// Items are kept in alphabetical order ignoring letter case. The current text
// is whatever the edit field shows. picked() is raised whenever an item
// becomes the selected one: by the user (mouse in the drop-down, arrow keys
// in the closed list) or by setListIndex(), even for the index that is
// already selected. changed() is raised when the edit field's text changes
// by typing or by setText(), never by a pick.
class ComboBox : public QObject
{
    Q_OBJECT

public:
    explicit ComboBox(QWidget *parent);

    // Adds items in one step; the current text stays as it is and no item
    // becomes selected.
    void addItems(ItemList items);
    int listCount() const;
    QString list(int index) const;

    int listIndex() const;
    // Selects an item: its text becomes the current text, then picked() is
    // raised. Throws Error for an index outside the items.
    void setListIndex(int index);

    QString text() const;
    void setText(const QString &text);

    QComboBox *widget() const { return widget_; }

Q_SIGNALS:
    void picked();
    void changed();

private:
    void showText(const QString &text);

    QComboBox *widget_;
    PhraseModel *model_;
};

// A multi-line text box that holds plain text only. changed() is raised by
// setText() and whenever the user changes the text.
//
// text() is exactly what setText() last gave, whatever the box shows for it
// (its document turns U+2029, U+FDD0, U+FDD1 and a lone CR, like line ends,
// into paragraph breaks). Once the user edits the text, what they typed
// reads back as typed, a paragraph break as a line end, and the rest of the
// text stays as it was given.
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
    QString shownText() const;
    void contentsChanged();

    QPlainTextEdit *widget_;
    QString text_;
    // text_ has one character for each character the box shows.
    bool aligned_ = true;
    bool assigning_ = false;
};

// A push button with an enabled state.
class Button
{
public:
    explicit Button(QWidget *parent);

    bool enabled() const;
    void setEnabled(bool enabled);

    QPushButton *widget() const { return widget_; }

private:
    QPushButton *widget_;
};

} // namespace platform
