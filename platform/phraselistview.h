// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QListView>
#include <QString>
#include <QStringView>

#include <vector>

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

    // The list is made wide enough for the longest phrases by character
    // count, this many of them: measuring every phrase would cost seconds
    // for the longest lists. The count of characters only stands in for the
    // width: a phrase that is not among them can still be wider (narrow
    // letters against wide ones), and is then cut short with an ellipsis.
    static constexpr std::size_t PhrasesToFit = 32;
    // Adds phrases to those the list is to be wide enough for; of all given,
    // it keeps the PhrasesToFit longest. They are measured only when the
    // list is next laid out, as it opens.
    void fitPhrases(const std::vector<QStringView> &phrases);
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
