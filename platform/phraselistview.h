// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QListView>
#include <QString>

namespace platform {

// The list of a drop-down: one column of rows of equal height, for a model
// whose rows are sorted ignoring letter case (compareIgnoringCase) and that
// may hold up to 2^24 of them.
//
// A plain list view lays out every row (two numbers kept per row) before it
// first shows; this one places row r at r times the row height and keeps
// nothing per row, so opening costs the same at any length. Type-ahead finds
// its row by binary search instead of reading every row.
class PhraseListView final : public QListView
{
    Q_OBJECT

public:
    explicit PhraseListView(QWidget *parent = nullptr);

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

    mutable int rowHeight_ = 0;
    QString typed_;
    QElapsedTimer typing_;
};

} // namespace platform
