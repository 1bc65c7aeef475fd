// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace platform {

// The items of one list in one text buffer, item i running from bounds[i] to
// bounds[i + 1]: cheap to build and to move at hundreds of thousands of items.
class ItemList
{
public:
    // 2^24: a single-precision random draw still reaches every item.
    static constexpr std::int64_t MaxItems = std::int64_t{1} << 24;

    ItemList() = default;
    // A buffer and the end of each item in it, in order. Throws Error when an
    // end lies outside the buffer or before the previous one.
    ItemList(QString text, std::vector<std::uint32_t> ends);

    qsizetype size() const { return qsizetype(bounds_.size()) - 1; }
    QStringView at(qsizetype i) const { return QStringView(text_).sliced(bounds_[i], bounds_[i + 1] - bounds_[i]); }

private:
    QString text_;
    std::vector<std::uint32_t> bounds_{0};
};

// Alphabetical order ignoring case (<0, 0, >0): the texts' case foldings compared code point by code point, a
// surrogate pair folded whole, a surrogate that is half of no pair left as it is (it sorts among the supplementary
// characters). Texts that differ only in case are equal.
int compareIgnoringCase(QStringView a, QStringView b);

// The item positions of list in compareIgnoringCase() order; stable.
std::vector<std::uint32_t> sortedOrder(const ItemList &list);

} // namespace platform
