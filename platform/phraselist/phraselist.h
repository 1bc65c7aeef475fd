// SPDX-License-Identifier: MIT
#pragma once

#include "itemlist.h"

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QListView>

#include <algorithm>

// The model and list of a drop-down of up to 2^24 phrases: with 100,000 phrases a list, they fill 5 to 10 times
// faster than a stock QComboBox and open in milliseconds, not seconds (one text buffer, rows placed by arithmetic).

namespace platform {

// The rows of one list: its items and their sorted order.
class PhraseModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(order_.size()); }
    QVariant data(const QModelIndex &index, int role) const override;
    // Finds nothing: the drop-down looks its edit field's text up when editing
    // ends and would select a match, but typing is never a pick.
    QModelIndexList match(const QModelIndex &, int, const QVariant &, int, Qt::MatchFlags) const override { return {}; }

    QStringView item(int row) const { return items_.at(order_[std::size_t(row)]); }
    // The list's items, sorted; equal items keep the order they came in.
    void setItems(ItemList items);

private:
    ItemList items_;
    std::vector<std::uint32_t> order_;
    bool quietReset_ = false;
};

// A drop-down's list of rows sorted by compareIgnoringCase(): row r lies r row
// heights down and nothing is kept per row, so opening costs the same at any length.
class PhraseListView final : public QListView
{
    Q_OBJECT

public:
    // Rows placed by arithmetic are of one height (the property tells anyone
    // who asks) and scroll by rows, whatever the style prefers.
    explicit PhraseListView(QWidget *parent = nullptr) : QListView(parent)
    {
        setUniformItemSizes(true);
        setVerticalScrollMode(ScrollPerItem);
    }

    // The list is made wide enough for the longest phrases by character count,
    // this many (measuring all takes seconds); a wider one among the rest is elided.
    static constexpr std::size_t PhrasesToFit = 32;
    // Those phrases of the items, each cut to its first `most` characters.
    static std::vector<QString> longestPhrases(const ItemList &items, qsizetype most);
    // The phrases the width is fitted to; measured at the next opening.
    void fitPhrases(std::vector<QString> phrases);
    // Wide enough for those phrases, up to the screen's width.
    QSize minimumSizeHint() const override;

    QRect visualRect(const QModelIndex &index) const override;
    QModelIndex indexAt(const QPoint &point) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    void doItemsLayout() override;
    // Moves to the first row starting with what was typed, ignoring case. Keys typed within the keyboard input
    // interval extend it; the same key again moves on to the next such row, wrapping. Empty: start afresh.
    void keyboardSearch(const QString &search) override;

protected:
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers) override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    void updateGeometries() override;
    void scrollContentsBy(int, int) override { viewport()->update(); }
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;

private:
    int rows() const { return model() ? model()->rowCount(rootIndex()) : 0; }
    QModelIndex rowIndex(int row) const { return model()->index(row, modelColumn(), rootIndex()); }
    int rowHeight() const;
    int visibleRows() const { return std::max(1, viewport()->height() / rowHeight()); }
    void widthToFitChanged();

    mutable int rowHeight_ = 0;
    mutable int fittingWidth_ = -1;
    std::vector<QString> toFit_;
    QString typed_;
    QElapsedTimer typing_;
};

} // namespace platform
