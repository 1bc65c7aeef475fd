// SPDX-License-Identifier: MIT
#include "phrasemodel.h"

#include <algorithm>

namespace platform {

int PhraseModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(order_.size());
}

QVariant PhraseModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() >= rowCount())
        return {};
    if (announcingReset_)
        return QString();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return item(index.row()).toString();
    default:
        return {};
    }
}

int PhraseModel::insert(const QString &text)
{
    const auto place = std::upper_bound(order_.begin(), order_.end(), text,
                                        [this](const QString &t, std::uint32_t i) {
                                            return compareIgnoringCase(t, items_.at(i)) < 0;
                                        });
    const int row = int(place - order_.begin());
    items_.append(text);
    beginInsertRows({}, row, row);
    order_.insert(order_.begin() + row, std::uint32_t(items_.size() - 1));
    endInsertRows();
    return row;
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
    // A drop-down selects its first item when its model is reset, copying
    // the item into its edit field, which the list at once undoes: while the
    // reset is announced, items read as empty, so that a phrase of any
    // length is not copied and laid out for nothing.
    announcingReset_ = true;
    endResetModel();
    announcingReset_ = false;
}

} // namespace platform
