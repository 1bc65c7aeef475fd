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

namespace {

int clampToInt(qint64 v)
{
    return int(std::clamp<qint64>(v, INT_MIN, INT_MAX));
}

// The first of the rows [first, last) for which pred holds, pred being false
// for some leading part of them and true for the rest; last when it holds
// for none.
template <typename Pred>
int firstWhere(int first, int last, Pred pred)
{
    while (first < last) {
        const int mid = first + (last - first) / 2;
        if (pred(mid))
            last = mid;
        else
            first = mid + 1;
    }
    return first;
}

} // namespace

int PhraseModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(order_.size());
}

QVariant PhraseModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() >= rowCount() || quietReset_)
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole)
        return item(index.row()).toString();
    return {};
}

void PhraseModel::insert(ItemList items)
{
    if (items.isEmpty())
        return;
    if (items_.isEmpty())
        items_ = std::move(items);
    else
        items_.append(items);
    auto order = sortedOrder(items_);
    beginResetModel();
    order_ = std::move(order);
    // A drop-down selects its first item when its model is reset and copies
    // the item into its edit field, which the list at once undoes: while the
    // reset is announced, items read as nothing, so that a phrase of any
    // length is not copied and laid out for nothing.
    quietReset_ = true;
    endResetModel();
    quietReset_ = false;
}

PhraseListView::PhraseListView(QWidget *parent)
    : QListView(parent)
{
    // Rows are placed by arithmetic, which needs them of one height; the
    // property says so to anyone who asks.
    setUniformItemSizes(true);
}

void PhraseListView::fitPhrases(const ItemList &items)
{
    // One pass over the items with a heap of the longest seen so far, the
    // shortest on top.
    const auto longer = [](QStringView a, QStringView b) { return a.size() > b.size(); };
    std::vector<QStringView> longest(toFit_.begin(), toFit_.end());
    std::make_heap(longest.begin(), longest.end(), longer);
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QStringView item = items.at(i);
        if (longest.size() < PhrasesToFit) {
            longest.push_back(item);
            std::push_heap(longest.begin(), longest.end(), longer);
        } else if (item.size() > longest.front().size()) {
            std::pop_heap(longest.begin(), longest.end(), longer);
            longest.back() = item;
            std::push_heap(longest.begin(), longest.end(), longer);
        }
    }
    // Only the beginning of a huge phrase is kept: as many characters as
    // the screen is pixels wide are wider than the screen unless most of
    // them take no room at all.
    const QScreen *shownOn = screen();
    const qsizetype most = shownOn ? shownOn->availableGeometry().width() : 8192;
    std::vector<QString> kept;
    for (QStringView phrase : longest)
        kept.push_back(phrase.first(std::min(phrase.size(), most)).toString());
    toFit_ = std::move(kept);
    widthToFitChanged();
}

void PhraseListView::widthToFitChanged()
{
    fittingWidth_ = -1;
    // The popup's layout keeps the list's minimum size until told, even
    // while it is hidden.
    if (QWidget *popup = parentWidget(); popup && popup->layout())
        popup->layout()->invalidate();
    updateGeometry();
}

int PhraseListView::fittingWidth() const
{
    if (fittingWidth_ >= 0)
        return fittingWidth_;
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString &phrase : toFit_)
        widest = std::max(widest, metrics.horizontalAdvance(phrase));
    // The phrase's margins as the style draws them, the scroll bar and the
    // frame.
    const int textMargins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    const int needed = widest + textMargins
        + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar()) + 2 * frameWidth();
    // The popup around the list adds its own frame.
    int around = 0;
    if (const QWidget *popup = parentWidget()) {
        const QMargins margins = popup->contentsMargins()
            + (popup->layout() ? popup->layout()->contentsMargins() : QMargins());
        around = margins.left() + margins.right();
    }
    const QScreen *shownOn = screen();
    const int cap = shownOn ? shownOn->availableGeometry().width() - around : needed;
    fittingWidth_ = std::min(needed, cap);
    return fittingWidth_;
}

QSize PhraseListView::minimumSizeHint() const
{
    QSize hint = QListView::minimumSizeHint();
    if (!toFit_.empty())
        hint.setWidth(std::max(hint.width(), fittingWidth()));
    return hint;
}

void PhraseListView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        widthToFitChanged();
    QListView::changeEvent(event);
}

int PhraseListView::rows() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

QModelIndex PhraseListView::rowIndex(int row) const
{
    return model()->index(row, modelColumn(), rootIndex());
}

QString PhraseListView::rowText(int row) const
{
    return model()->data(rowIndex(row), Qt::DisplayRole).toString();
}

int PhraseListView::rowHeight() const
{
    if (rowHeight_ > 0)
        return rowHeight_;
    const int n = rows();
    if (n == 0)
        return std::max(1, fontMetrics().height());
    // Like a plain list view with uniform item sizes, the last row stands for
    // all (the first is often the empty phrase).
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex sample = rowIndex(n - 1);
    const QAbstractItemDelegate *delegate = itemDelegateForIndex(sample);
    const int h = delegate ? delegate->sizeHint(option, sample).height() : 0;
    rowHeight_ = h > 0 ? h : std::max(1, fontMetrics().height());
    return rowHeight_;
}

int PhraseListView::visibleRows() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

int PhraseListView::rowAtY(int y) const
{
    const qint64 content = qint64(y) + verticalOffset();
    if (content < 0)
        return -1;
    const qint64 row = content / rowHeight();
    return row < rows() ? int(row) : -1;
}

void PhraseListView::doItemsLayout()
{
    // Nothing to lay out: only the row height is taken again, as the font,
    // the style or the items may have changed it.
    rowHeight_ = 0;
    QAbstractItemView::doItemsLayout();
}

int PhraseListView::horizontalOffset() const
{
    return 0;
}

int PhraseListView::verticalOffset() const
{
    const int value = verticalScrollBar()->value();
    return verticalScrollMode() == ScrollPerItem ? clampToInt(qint64(value) * rowHeight()) : value;
}

QRect PhraseListView::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex()
        || index.column() != modelColumn())
        return {};
    const int h = rowHeight();
    return QRect(0, clampToInt(qint64(index.row()) * h - verticalOffset()), viewport()->width(), h);
}

QModelIndex PhraseListView::indexAt(const QPoint &point) const
{
    if (point.x() < 0 || point.x() >= viewport()->width())
        return {};
    const int row = rowAtY(point.y());
    return row < 0 ? QModelIndex() : rowIndex(row);
}

void PhraseListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!visualRect(index).isValid())
        return;
    const qint64 h = rowHeight();
    const qint64 height = viewport()->height();
    const qint64 top = verticalOffset();
    const qint64 itemTop = index.row() * h;
    qint64 wanted = top;
    switch (hint) {
    case EnsureVisible:
        if (itemTop < top)
            wanted = itemTop;
        else if (itemTop + h > top + height)
            wanted = itemTop + h - height;
        break;
    case PositionAtTop:
        wanted = itemTop;
        break;
    case PositionAtBottom:
        wanted = itemTop + h - height;
        break;
    case PositionAtCenter:
        wanted = itemTop - (height - h) / 2;
        break;
    }
    if (wanted == top)
        return;
    wanted = std::max<qint64>(wanted, 0);
    // Scrolling by rows, the top row is the first one the item then fits below.
    const qint64 value = verticalScrollMode() == ScrollPerItem ? (wanted + h - 1) / h : wanted;
    verticalScrollBar()->setValue(clampToInt(value));
}

QModelIndex PhraseListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int n = rows();
    if (n == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return rowIndex(0);
    const int page = std::max(1, visibleRows() - 1);
    int row = current.row();
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = n - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return rowIndex(std::clamp(row, 0, n - 1));
}

void PhraseListView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    const int n = rows();
    if (!selectionModel() || n == 0)
        return;
    const QRect area = rect.normalized();
    if (area.right() < 0 || area.left() >= viewport()->width())
        return;
    const qint64 h = rowHeight();
    const qint64 top = qint64(area.top()) + verticalOffset();
    const qint64 bottom = qint64(area.bottom()) + verticalOffset();
    if (bottom < 0 || top >= n * h)
        return;
    const int first = int(std::max<qint64>(top, 0) / h);
    const int last = int(std::min<qint64>(bottom / h, n - 1));
    selectionModel()->select(QItemSelection(rowIndex(first), rowIndex(last)), command);
}

void PhraseListView::updateGeometries()
{
    const int n = rows();
    horizontalScrollBar()->setRange(0, 0);
    QScrollBar *bar = verticalScrollBar();
    if (n == 0 || geometry().isEmpty()) {
        bar->setRange(0, 0);
    } else if (verticalScrollMode() == ScrollPerItem) {
        const int visible = visibleRows();
        bar->setRange(0, std::max(0, n - visible));
        bar->setSingleStep(1);
        bar->setPageStep(visible);
    } else {
        const int height = viewport()->height();
        bar->setRange(0, clampToInt(std::max<qint64>(0, qint64(n) * rowHeight() - height)));
        bar->setSingleStep(rowHeight());
        bar->setPageStep(height);
    }
    QAbstractItemView::updateGeometries();
}

void PhraseListView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void PhraseListView::paintEvent(QPaintEvent *event)
{
    const int n = rows();
    if (n == 0)
        return;
    const qint64 h = rowHeight();
    const QRect area = event->rect();
    const qint64 first = std::max<qint64>(0, (qint64(area.top()) + verticalOffset()) / h);
    const qint64 last = std::min<qint64>(n - 1, (qint64(area.bottom()) + verticalOffset()) / h);

    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QModelIndex hover = viewport()->underMouse()
        ? indexAt(viewport()->mapFromGlobal(QCursor::pos()))
        : QModelIndex();
    QPainter painter(viewport());
    for (qint64 row = first; row <= last; ++row) {
        const QModelIndex index = rowIndex(int(row));
        option.rect = visualRect(index);
        option.state = state;
        if (selectionModel() && selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (state & QStyle::State_Enabled) {
            const bool enabled = model()->flags(index) & Qt::ItemIsEnabled;
            option.state.setFlag(QStyle::State_Enabled, enabled);
            option.palette.setCurrentColorGroup(enabled ? QPalette::Normal : QPalette::Disabled);
        }
        if (focus && index == current)
            option.state |= QStyle::State_HasFocus;
        option.state.setFlag(QStyle::State_MouseOver, index == hover);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void PhraseListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // A plain list view numbers the rows for assistive technology by its
    // layout, which this one does not keep; here the row is the number.
    if (QAccessible::isActive() && current.isValid() && hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(current.row());
        QAccessible::updateAccessibility(&event);
    }
    QAbstractItemView::currentChanged(current, previous);
}

void PhraseListView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    if (QAccessible::isActive()) {
        const QModelIndex added = selected.indexes().value(0);
        if (added.isValid()) {
            QAccessibleEvent event(this, QAccessible::SelectionAdd);
            event.setChild(added.row());
            QAccessible::updateAccessibility(&event);
        }
        const QModelIndex removed = deselected.indexes().value(0);
        if (removed.isValid()) {
            QAccessibleEvent event(this, QAccessible::SelectionRemove);
            event.setChild(removed.row());
            QAccessible::updateAccessibility(&event);
        }
    }
    QAbstractItemView::selectionChanged(selected, deselected);
}

void PhraseListView::keyboardSearch(const QString &search)
{
    if (search.isEmpty()) {
        typed_.clear();
        typing_.invalidate();
        return;
    }
    const bool fresh = !typing_.isValid() || typing_.elapsed() > QApplication::keyboardInputInterval();
    typing_.start();
    const QModelIndex current = currentIndex();
    // A new search starts after the current row, so that typing the current
    // row's first letter again moves on.
    bool skipCurrent = fresh && current.isValid();
    typed_ = fresh ? search : typed_ + search;
    // The same key again and again looks for rows starting with that key,
    // one after another.
    const qsizetype times = typed_.size() / search.size();
    const bool sameKey = times > 1 && typed_ == search.repeated(times);
    if (sameKey)
        skipCurrent = current.isValid();
    const QString prefix = sameKey ? search : typed_;

    // The rows are sorted ignoring case, so the rows starting with the
    // prefix are side by side: those from the first not before it up to the
    // first that does not start with it.
    const int n = rows();
    const auto startsWith = [this, &prefix](int row) {
        const QString text = rowText(row);
        return text.size() >= prefix.size()
            && compareIgnoringCase(QStringView(text).first(prefix.size()), prefix) == 0;
    };
    const int first = firstWhere(0, n, [&](int row) { return compareIgnoringCase(rowText(row), prefix) >= 0; });
    const int end = firstWhere(first, n, [&](int row) { return !startsWith(row); });
    if (first == end)
        return;
    const int from = current.isValid() ? current.row() + (skipCurrent ? 1 : 0) : 0;
    setCurrentIndex(rowIndex(from > first && from < end ? from : first));
}

} // namespace platform
