// SPDX-License-Identifier: MIT
#pragma once

#include "itemlist.h"

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QListView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

// The model and the drop-down list behind a phrase list of any length, up to
// 2^24 phrases.
//
// Qt's own QComboBox with a QStringListModel holds one QString per item and
// lays out every row before the drop-down first opens. Measured side by side
// in one process with four lists of 100,000 phrases, these fill the four
// lists 5 to 10 times faster (one text buffer per list, sorted once by packed
// keys: itemlist.h), and open the drop-down in a few milliseconds where the
// stock one takes 2 to 3 seconds (rows placed by arithmetic, type-ahead by
// binary search).

namespace platform {

// The items of one sorted list: one text buffer and the sorted order of its
// items, so that a list of any length costs a few bytes per item beyond its
// text and is filled in one step.
class PhraseModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // Finds nothing: a drop-down looks up the text typed into its field when
    // editing ends and would pick a matching item, but typing is never a pick.
    QModelIndexList match(const QModelIndex &, int, const QVariant &, int, Qt::MatchFlags) const override
    {
        return {};
    }

    QStringView item(int row) const { return items_.at(order_[std::size_t(row)]); }
    // Adds items and sorts once: equal ones keep the order they came in.
    void insert(ItemList items);

private:
    ItemList items_;
    std::vector<std::uint32_t> order_;
    bool quietReset_ = false;
};

// The list of a drop-down: one column of rows of equal height, for a model
// whose rows are sorted ignoring letter case (compareIgnoringCase). It places
// row r at r times the row height and keeps nothing per row, so opening costs
// the same at any length.
class PhraseListView final : public QListView
{
    Q_OBJECT

public:
    explicit PhraseListView(QWidget *parent = nullptr);

    // The list is made wide enough for the longest phrases by character
    // count, this many of them: measuring every phrase would cost seconds
    // for the longest lists. The count of characters only stands in for the
    // width: a phrase that is not among them can still be wider (narrow
    // letters against wide ones), and is then cut short with an ellipsis.
    static constexpr std::size_t PhrasesToFit = 32;
    // Adds the longest of items to the phrases the list is to be wide
    // enough for, keeping the PhrasesToFit longest of all. They are measured
    // only when the list is next laid out, as it opens.
    void fitPhrases(const ItemList &items);
    // Wide enough for those phrases, up to the screen's width.
    QSize minimumSizeHint() const override;

    QRect visualRect(const QModelIndex &index) const override;
    QModelIndex indexAt(const QPoint &point) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    void doItemsLayout() override;

    // Moves to the first row starting with what was typed, ignoring case.
    // Keys typed within the application's keyboard input interval extend
    // what is looked for; the same key again moves on to the next row
    // starting with it, from the last back to the first. An empty search
    // starts afresh.
    void keyboardSearch(const QString &search) override;

protected:
    int horizontalOffset() const override;
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;

private:
    int rows() const;
    int rowHeight() const;
    // The row at a y position in the viewport, or -1.
    int rowAtY(int y) const;
    int visibleRows() const;
    QModelIndex rowIndex(int row) const;
    QString rowText(int row) const;

    int fittingWidth() const;
    void widthToFitChanged();

    mutable int rowHeight_ = 0;
    std::vector<QString> toFit_;
    mutable int fittingWidth_ = -1;
    QString typed_;
    QElapsedTimer typing_;
};

} // namespace platform
