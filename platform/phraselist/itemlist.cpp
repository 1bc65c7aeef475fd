// SPDX-License-Identifier: MIT
#include "itemlist.h"

#include "platform/error.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace platform {

namespace {

constexpr qsizetype MaxChars = std::numeric_limits<std::uint32_t>::max();

// Texts are compared by their case folding, code point by code point. A
// supplementary character is folded as a whole, both halves of its surrogate
// pair together; a surrogate that is half of no pair stands for itself.
// Folding keeps a character in its plane, so the folded text has as many
// units as the text, and unit i of the one is unit i of the other.
//
// Compared as they are, UTF-16 units put the supplementary characters (the
// surrogates, D800..DFFF) before U+E000..U+FFFF. Their order keys move the
// surrogates above the rest of the plane, so that comparing keys unit by unit
// orders as comparing code points does. Only 0 has the key 0.
inline char16_t orderKey(char16_t unit)
{
    if (unit < 0xD800)
        return unit;
    return unit >= 0xE000 ? char16_t(unit - 0x800) : char16_t(unit + 0x2000);
}

char32_t foldPair(char16_t high, char16_t low)
{
    const char32_t c = QChar::surrogateToUcs4(high, low);
    const char32_t folded = QChar::toCaseFolded(c);
    return QChar::requiresSurrogates(folded) ? folded : c;
}

// The order key of unit i of text's case folding.
inline char16_t foldedKey(const char16_t *text, qsizetype size, qsizetype i)
{
    const char16_t c = text[i];
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
    if (!QChar::isSurrogate(c))
        return orderKey(char16_t(QChar::toCaseFolded(c)));
    if (QChar::isHighSurrogate(c)) {
        if (i + 1 < size && QChar::isLowSurrogate(text[i + 1]))
            return orderKey(QChar::highSurrogate(foldPair(c, text[i + 1])));
    } else if (i > 0 && QChar::isHighSurrogate(text[i - 1])) {
        return orderKey(QChar::lowSurrogate(foldPair(text[i - 1], c)));
    }
    return orderKey(c);
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
        // Equal units fold alike, but for the halves of surrogate pairs,
        // which fold with their partners.
        if (pa[i] == pb[i] && !QChar::isSurrogate(pa[i]))
            continue;
        const char16_t ka = foldedKey(pa, a.size(), i);
        const char16_t kb = foldedKey(pb, b.size(), i);
        if (ka != kb)
            return ka < kb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

namespace {

// Sorting works on packed keys rather than on the texts. An item's key at a
// depth d is the order keys of its case folding's units d..d+KeyUnits-1,
// 16 bits each, packed most significant first and padded with zeros,
// together with how many of those places the item fills (KeyUnits + 1 when
// it goes on beyond them). Among items whose first d units fold alike,
// comparing keys as numbers orders them as compareIgnoringCase() does: an
// order key is never 0 unless the unit is, so where the packed units are
// equal and one item ends first, it is the shorter one with the same
// beginning. A surrogate pair split by a depth is folded whole on both sides. Items whose keys are equal and
// that both go on are sorted again one depth further. The keys lie beside the
// item numbers, so sorting touches no text; each item's text is read once per
// depth it needs, and at the first depth in the items' own order.
constexpr qsizetype KeyUnits = 12;
constexpr std::size_t KeyWords = KeyUnits / 4;

struct SortEntry {
    std::uint64_t key[KeyWords];
    std::uint32_t filled;
    std::uint32_t item;

    bool sameKey(const SortEntry &other) const
    {
        for (std::size_t w = 0; w < KeyWords; ++w)
            if (key[w] != other.key[w])
                return false;
        return filled == other.filled;
    }
    // Equal keys keep the order the items were added in, so the order is the
    // one a stable sort gives.
    bool operator<(const SortEntry &other) const
    {
        for (std::size_t w = 0; w < KeyWords; ++w)
            if (key[w] != other.key[w])
                return key[w] < other.key[w];
        if (filled != other.filled)
            return filled < other.filled;
        return item < other.item;
    }
};

void setKey(SortEntry &entry, QStringView text, qsizetype depth)
{
    const qsizetype left = text.size() - depth;
    const qsizetype n = std::min(left, KeyUnits);
    std::uint64_t units[KeyUnits] = {};
    for (qsizetype i = 0; i < n; ++i)
        units[i] = foldedKey(text.utf16(), text.size(), depth + i);
    for (std::size_t w = 0; w < KeyWords; ++w)
        entry.key[w] = units[4 * w] << 48 | units[4 * w + 1] << 32 | units[4 * w + 2] << 16
            | units[4 * w + 3];
    entry.filled = std::uint32_t(std::min(left, KeyUnits + 1));
}

// Sorts entries fully. Large runs are first split on the bytes of their keys'
// first word, from the most significant, by an in-place radix sort, so that
// only entries sharing a first word are compared. Both bytes of a unit are
// counted in one pass, and a byte that is alike in the whole run (like the
// high bytes of ASCII text) is passed over.
void sortEntries(SortEntry *first, SortEntry *last, int byte = 7)
{
    const auto n = std::size_t(last - first);
    const auto digitAt = [](const SortEntry &e, int b) { return unsigned(e.key[0] >> (8 * b)) & 0xFFu; };
    for (;;) {
        if (n < 64 || byte < 0) {
            std::sort(first, last);
            return;
        }
        std::size_t high[256] = {};
        std::size_t low[256] = {};
        const int lowByte = byte % 2 == 1 ? byte - 1 : -1;
        for (const SortEntry *e = first; e != last; ++e) {
            ++high[digitAt(*e, byte)];
            if (lowByte >= 0)
                ++low[digitAt(*e, lowByte)];
        }
        if (high[digitAt(*first, byte)] != n)
            break;
        if (lowByte >= 0 && low[digitAt(*first, lowByte)] != n) {
            byte = lowByte;
            break;
        }
        byte = lowByte >= 0 ? lowByte - 1 : byte - 1;
    }

    const auto digit = [byte, &digitAt](const SortEntry &e) { return digitAt(e, byte); };
    std::size_t end[256] = {};
    for (const SortEntry *e = first; e != last; ++e)
        ++end[digit(*e)];
    std::size_t next[256];
    std::size_t sum = 0;
    for (unsigned d = 0; d < 256; ++d) {
        next[d] = sum;
        sum += end[d];
        end[d] = sum;
    }
    // Each entry is swapped straight into its digit's part.
    for (unsigned d = 0; d < 256; ++d) {
        while (next[d] < end[d]) {
            SortEntry entry = first[next[d]];
            unsigned home = digit(entry);
            while (home != d) {
                std::swap(entry, first[next[home]++]);
                home = digit(entry);
            }
            first[next[d]++] = entry;
        }
    }
    std::size_t begin = 0;
    for (unsigned d = 0; d < 256; ++d) {
        if (end[d] - begin > 1)
            sortEntries(first + begin, first + end[d], byte - 1);
        begin = end[d];
    }
}

struct Range {
    std::size_t begin;
    std::size_t end;
};

// The runs of entries whose keys are equal and go on: the ones to sort again
// one depth further.
void findTies(const std::vector<SortEntry> &entries, Range range, std::vector<Range> &ties)
{
    for (std::size_t run = range.begin; run != range.end;) {
        std::size_t next = run + 1;
        while (next != range.end && entries[next].sameKey(entries[run]))
            ++next;
        if (next - run > 1 && entries[run].filled > KeyUnits)
            ties.push_back({run, next});
        run = next;
    }
}

} // namespace

std::vector<std::uint32_t> sortedOrder(const ItemList &list)
{
    std::vector<SortEntry> entries(std::size_t(list.size()));
    if (list.size() < 4096) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            entries[i].item = std::uint32_t(i);
            setKey(entries[i], list.at(qsizetype(i)), 0);
        }
        sortEntries(entries.data(), entries.data() + entries.size());
    } else {
        // A long list's entries are written straight into the part of the
        // list their first unit's order key puts them in, in one pass in the
        // items' order; each part is then sorted on from the second unit.
        const auto firstUnit = [&list](qsizetype i) {
            const QStringView text = list.at(i);
            return text.isEmpty() ? 0u : unsigned(foldedKey(text.utf16(), text.size(), 0));
        };
        // Each item's first key is worked out once, for both passes.
        std::vector<char16_t> first(std::size_t(list.size()));
        std::vector<std::uint32_t> parts(0x10000 + 1, 0);
        for (qsizetype i = 0; i < list.size(); ++i) {
            first[std::size_t(i)] = char16_t(firstUnit(i));
            ++parts[first[std::size_t(i)] + 1u];
        }
        for (std::size_t unit = 0; unit < 0x10000; ++unit)
            parts[unit + 1] += parts[unit];
        std::vector<std::uint32_t> next(parts.begin(), parts.end() - 1);
        for (qsizetype i = 0; i < list.size(); ++i) {
            SortEntry &entry = entries[next[first[std::size_t(i)]]++];
            entry.item = std::uint32_t(i);
            setKey(entry, list.at(i), 0);
        }
        for (std::size_t unit = 0; unit < 0x10000; ++unit)
            if (parts[unit + 1] - parts[unit] > 1)
                sortEntries(entries.data() + parts[unit], entries.data() + parts[unit + 1], 5);
    }

    std::vector<Range> ties;
    findTies(entries, {0, entries.size()}, ties);
    std::vector<std::uint32_t> tied;
    for (qsizetype depth = KeyUnits; !ties.empty(); depth += KeyUnits) {
        // All entries tied at this depth get their next keys in one pass,
        // each item's text asked for a few entries ahead, as these reads jump
        // about the list.
        tied.clear();
        for (const Range &range : ties)
            for (std::size_t i = range.begin; i != range.end; ++i)
                tied.push_back(std::uint32_t(i));
        constexpr std::size_t Ahead = 8;
        for (std::size_t k = 0; k < tied.size(); ++k) {
            if (k + Ahead < tied.size())
                __builtin_prefetch(list.at(entries[tied[k + Ahead]].item).utf16() + depth);
            SortEntry &entry = entries[tied[k]];
            setKey(entry, list.at(entry.item), depth);
        }
        std::vector<Range> further;
        for (const Range &range : ties) {
            sortEntries(entries.data() + range.begin, entries.data() + range.end);
            findTies(entries, range, further);
        }
        ties = std::move(further);
    }

    std::vector<std::uint32_t> order;
    order.reserve(entries.size());
    for (const SortEntry &entry : entries)
        order.push_back(entry.item);
    return order;
}

} // namespace platform
