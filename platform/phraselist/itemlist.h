// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace platform {

// The items of one list in one text buffer: item i is the text between
// bounds[i] and bounds[i + 1]. Cheap to build and to move for lists of
// hundreds of thousands of phrases.
class ItemList
{
public:
    // The most items a list holds: 2^24, every one of which a single-precision
    // random draw can still reach.
    static constexpr std::int64_t MaxItems = std::int64_t{1} << 24;

    ItemList() = default;
    // Takes a buffer and the end of every item in it, in order. Throws Error
    // when an end lies outside the buffer or before the previous one.
    ItemList(QString text, std::vector<std::uint32_t> ends);

    qsizetype size() const { return qsizetype(bounds_.size()) - 1; }
    bool isEmpty() const { return size() == 0; }
    QStringView at(qsizetype i) const
    {
        return QStringView(text_).sliced(bounds_[i], bounds_[i + 1] - bounds_[i]);
    }

    // Adds one item at the end; throws Error when the list is full.
    void append(QStringView item);
    // Adds all of other's items at the end, in their order.
    void append(const ItemList &other);

private:
    void reserveRoomFor(qsizetype items, qsizetype chars) const;

    QString text_;
    std::vector<std::uint32_t> bounds_{0};
};

// Alphabetical order ignoring letter case: <0, 0 or >0. The texts' case
// foldings are compared code point by code point, a supplementary character
// (a surrogate pair) folded as a whole; a surrogate that is half of no pair
// stays as it is and sorts among the supplementary characters. Texts that differ only in case compare
// equal. sortedOrder() sorts by this order.
int compareIgnoringCase(QStringView a, QStringView b);

// The item positions of list in sorted order. Stable: items that compare
// equal keep the order they were added in.
std::vector<std::uint32_t> sortedOrder(const ItemList &list);

} // namespace platform
