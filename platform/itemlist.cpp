#include "itemlist.h"

#include "error.h"

#include <algorithm>
#include <limits>

namespace platform {

namespace {

constexpr qsizetype MaxChars = std::numeric_limits<std::uint32_t>::max();

inline char16_t foldCase(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
    return QChar::toCaseFolded(c);
}

} // namespace

ItemList::ItemList(QString text, std::vector<std::uint32_t> ends)
    : text_(std::move(text))
{
    if (qsizetype(ends.size()) > MaxItems)
        throw Error(QStringLiteral("too many items for one list"));
    std::uint32_t previous = 0;
    for (std::uint32_t end : ends) {
        if (end < previous || qsizetype(end) > text_.size())
            throw Error(QStringLiteral("item bounds out of order"));
        previous = end;
    }
    bounds_.reserve(ends.size() + 1);
    bounds_.insert(bounds_.end(), ends.begin(), ends.end());
}

void ItemList::reserveRoomFor(qsizetype items, qsizetype chars) const
{
    if (size() + items > MaxItems)
        throw Error(QStringLiteral("too many items for one list"));
    if (text_.size() + chars > MaxChars)
        throw Error(QStringLiteral("list text too long"));
}

void ItemList::append(QStringView item)
{
    reserveRoomFor(1, item.size());
    text_.append(item);
    bounds_.push_back(std::uint32_t(text_.size()));
}

void ItemList::append(const ItemList &other)
{
    reserveRoomFor(other.size(), other.text_.size());
    const auto offset = std::uint32_t(text_.size());
    text_.append(other.text_);
    bounds_.reserve(bounds_.size() + other.bounds_.size() - 1);
    for (auto it = other.bounds_.begin() + 1; it != other.bounds_.end(); ++it)
        bounds_.push_back(*it + offset);
}

int compareIgnoringCase(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t *pa = a.utf16();
    const char16_t *pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] == pb[i])
            continue;
        const char16_t fa = foldCase(pa[i]);
        const char16_t fb = foldCase(pb[i]);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::vector<std::uint32_t> sortedOrder(const ItemList &list)
{
    std::vector<std::uint32_t> order(list.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&list](std::uint32_t x, std::uint32_t y) {
        return compareIgnoringCase(list.at(x), list.at(y)) < 0;
    });
    return order;
}

} // namespace platform
