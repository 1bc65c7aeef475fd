// SPDX-License-Identifier: MIT
#pragma once

#include "itemlist.h"

#include <QAbstractListModel>

#include <cstdint>
#include <vector>

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

    QStringView item(int row) const { return items_.at(order_[std::size_t(row)]); }
    // Inserts one item at its sorted place, after any equal ones; returns its row.
    int insert(const QString &item);
    // Adds many items and sorts once.
    void insert(ItemList items);

private:
    ItemList items_;
    std::vector<std::uint32_t> order_;
    bool announcingReset_ = false;
};

} // namespace platform
