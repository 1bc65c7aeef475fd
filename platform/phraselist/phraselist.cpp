// SPDX-License-Identifier: MIT
#include "phraselist.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <climits>

namespace platform {

QVariant PhraseModel::data(const QModelIndex &index, int role) const
{
    const bool text = role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole;
    if (!text || !index.isValid() || index.model() != this || index.row() >= rowCount() || quietReset_)
        return {};
    return item(index.row()).toString();
}

void PhraseModel::setItems(ItemList items)
{
    auto order = sortedOrder(items);
    beginResetModel();
    items_ = std::move(items);
    order_ = std::move(order);
    // On a reset the drop-down selects its first item and copies it into its edit field, which the list at once
    // undoes: items read as nothing meanwhile, so that no phrase is copied and laid out for nothing.
    quietReset_ = true;
    endResetModel();
    quietReset_ = false;
}

std::vector<QString> PhraseListView::longestPhrases(const ItemList &items, qsizetype most)
{
    // A heap of the longest phrases seen, the shortest on top.
    const auto longer = [](QStringView a, QStringView b) { return a.size() > b.size(); };
    std::vector<QStringView> longest;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (longest.size() == PhrasesToFit && items.at(i).size() <= longest.front().size())
            continue;
        longest.push_back(items.at(i));
        std::push_heap(longest.begin(), longest.end(), longer);
        if (longest.size() > PhrasesToFit) {
            std::pop_heap(longest.begin(), longest.end(), longer);
            longest.pop_back();
        }
    }
    std::vector<QString> kept;
    for (QStringView phrase : longest)
        kept.push_back(phrase.first(std::min(phrase.size(), most)).toString());
    return kept;
}

void PhraseListView::fitPhrases(std::vector<QString> phrases)
{
    toFit_ = std::move(phrases);
    widthToFitChanged();
}

void PhraseListView::widthToFitChanged()
{
    fittingWidth_ = -1;
    // The popup's layout keeps the list's minimum size until told, even hidden.
    if (QWidget *popup = parentWidget(); popup && popup->layout())
        popup->layout()->invalidate();
    updateGeometry();
}

QSize PhraseListView::minimumSizeHint() const
{
    QSize hint = QListView::minimumSizeHint();
    if (toFit_.empty())
        return hint;
    if (fittingWidth_ < 0) {
        int widest = 0;
        for (const QString &phrase : toFit_)
            widest = std::max(widest, fontMetrics().horizontalAdvance(phrase));
        // The text's margins as the style draws them, the scroll bar, the
        // frame, and the popup's own frame around the list.
        const int needed = widest + 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1)
            + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar()) + 2 * frameWidth();
        const QWidget *popup = parentWidget();
        const QMargins around = !popup ? QMargins()
            : popup->contentsMargins() + (popup->layout() ? popup->layout()->contentsMargins() : QMargins());
        const int room = screen() ? screen()->availableGeometry().width() - around.left() - around.right() : needed;
        fittingWidth_ = std::min(needed, room);
    }
    hint.setWidth(std::max(hint.width(), fittingWidth_));
    return hint;
}

void PhraseListView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        widthToFitChanged();
    QListView::changeEvent(event);
}

int PhraseListView::rowHeight() const
{
    // The last row stands for all, as in a plain list of uniform rows (the first is often the empty phrase).
    if (rowHeight_ <= 0 && rows() > 0) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        const QModelIndex sample = rowIndex(rows() - 1);
        rowHeight_ = itemDelegateForIndex(sample)->sizeHint(option, sample).height();
    }
    return rowHeight_ > 0 ? rowHeight_ : std::max(1, fontMetrics().height());
}

void PhraseListView::doItemsLayout()
{
    // Nothing to lay out; the font, the style or the items may have changed the row height.
    rowHeight_ = 0;
    QAbstractItemView::doItemsLayout();
}

int PhraseListView::verticalOffset() const
{
    return int(std::min<qint64>(qint64(verticalScrollBar()->value()) * rowHeight(), INT_MAX));
}

QRect PhraseListView::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex()
        || index.column() != modelColumn())
        return {};
    const qint64 top = qint64(index.row() - verticalScrollBar()->value()) * rowHeight();
    return QRect(0, int(std::clamp<qint64>(top, INT_MIN, INT_MAX)), viewport()->width(), rowHeight());
}

QModelIndex PhraseListView::indexAt(const QPoint &point) const
{
    const qint64 y = point.y() + qint64(verticalScrollBar()->value()) * rowHeight();
    if (point.x() < 0 || point.x() >= viewport()->width() || y < 0 || y / rowHeight() >= rows())
        return {};
    return rowIndex(int(y / rowHeight()));
}

void PhraseListView::scrollTo(const QModelIndex &index, ScrollHint)
{
    // An editable drop-down only ever asks for the row to be made visible.
    const int top = verticalScrollBar()->value();
    if (visualRect(index).isValid() && (index.row() < top || index.row() >= top + visibleRows()))
        verticalScrollBar()->setValue(index.row() < top ? index.row() : index.row() - visibleRows() + 1);
}

QModelIndex PhraseListView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int n = rows();
    if (n == 0 || !currentIndex().isValid())
        return n == 0 ? QModelIndex() : rowIndex(0);
    int row = currentIndex().row();
    switch (action) {
    case MoveUp: --row; break;
    case MoveDown: ++row; break;
    case MovePageUp: row -= std::max(1, visibleRows() - 1); break;
    case MovePageDown: row += std::max(1, visibleRows() - 1); break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = n - 1; break;
    default: break; // left and right stay; Tab moves only with tab navigation, which is off
    }
    return rowIndex(std::clamp(row, 0, n - 1));
}

void PhraseListView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    // One row is selected at a time, the one under the pointer: the rectangle's
    // far corner (its near one is the pressed row's middle, or the same point).
    if (const QModelIndex index = indexAt(rect.bottomRight()); index.isValid() && selectionModel())
        selectionModel()->select(index, command);
}

void PhraseListView::updateGeometries()
{
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, geometry().isEmpty() ? 0 : std::max(0, rows() - visibleRows()));
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(visibleRows());
    QAbstractItemView::updateGeometries();
}

void PhraseListView::paintEvent(QPaintEvent *event)
{
    // Only the rows the damaged area crosses are painted.
    const int h = rowHeight();
    const int top = verticalScrollBar()->value();
    const int last = std::min(rows() - 1, top + event->rect().bottom() / h);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    if (state & QStyle::State_Enabled)
        option.palette.setCurrentColorGroup(QPalette::Normal); // PhraseModel's rows are all enabled
    const QModelIndex current = currentIndex();
    const bool focus = hasFocus() || viewport()->hasFocus();
    const QModelIndex hover =
        viewport()->underMouse() ? indexAt(viewport()->mapFromGlobal(QCursor::pos())) : QModelIndex();
    QPainter painter(viewport());
    for (int row = top + std::max(0, event->rect().top()) / h; row <= last; ++row) {
        const QModelIndex index = rowIndex(row);
        option.rect = visualRect(index);
        option.state = state;
        option.state.setFlag(QStyle::State_Selected, selectionModel() && selectionModel()->isSelected(index));
        option.state.setFlag(QStyle::State_HasFocus, focus && index == current);
        option.state.setFlag(QStyle::State_MouseOver, index == hover);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

// A plain list view numbers its rows for assistive technology by the layout
// this one does not keep; here the row is the number.
static void announce(QAbstractItemView *view, QAccessible::Event type, const QModelIndex &index)
{
    if (!QAccessible::isActive() || !index.isValid())
        return;
    QAccessibleEvent event(view, type);
    event.setChild(index.row());
    QAccessible::updateAccessibility(&event);
}

void PhraseListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (hasFocus())
        announce(this, QAccessible::Focus, current);
    QAbstractItemView::currentChanged(current, previous);
}

void PhraseListView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    announce(this, QAccessible::SelectionAdd, selected.indexes().value(0));
    announce(this, QAccessible::SelectionRemove, deselected.indexes().value(0));
    QAbstractItemView::selectionChanged(selected, deselected);
}

void PhraseListView::keyboardSearch(const QString &search)
{
    if (search.isEmpty()) // the next key starts afresh
        return typing_.invalidate();
    const bool fresh = !typing_.isValid() || typing_.elapsed() > QApplication::keyboardInputInterval();
    typing_.start();
    typed_ = fresh ? search : typed_ + search;
    // The same key again and again looks for rows starting with that key; a
    // new search or a repeated key starts after the current row.
    const qsizetype times = typed_.size() / search.size();
    const bool sameKey = times > 1 && typed_ == search.repeated(times);
    const QString prefix = sameKey ? search : typed_;
    const int from = currentIndex().row() + ((fresh || sameKey) && currentIndex().isValid() ? 1 : 0);

    // Sorted ignoring case, the rows starting with the prefix lie together:
    // from the first not before it up to the first not starting with it.
    const auto firstWhere = [](int row, int end, auto pred) { // pred holds from some row on
        while (row < end) {
            const int mid = row + (end - row) / 2;
            if (pred(mid))
                end = mid;
            else
                row = mid + 1;
        }
        return row;
    };
    const auto text = [this](int row) { return model()->data(rowIndex(row), Qt::DisplayRole).toString(); };
    const int first = firstWhere(0, rows(), [&](int row) { return compareIgnoringCase(text(row), prefix) >= 0; });
    const int end = firstWhere(first, rows(), [&](int row) {
        const QString t = text(row);
        return t.size() < prefix.size() || compareIgnoringCase(QStringView(t).first(prefix.size()), prefix) != 0;
    });
    if (first < end)
        setCurrentIndex(rowIndex(from > first && from < end ? from : first));
}

} // namespace platform
