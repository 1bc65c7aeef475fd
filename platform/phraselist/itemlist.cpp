// SPDX-License-Identifier: MIT
#include "itemlist.h"

#include "platform/error.h"

#include <algorithm>
#include <compare>
#include <cstring>
#include <numeric>
#include <utility>

namespace platform {

ItemList::ItemList(QString text, std::vector<std::uint32_t> ends)
    : text_(std::move(text))
{
    if (qsizetype(ends.size()) > MaxItems)
        throw Error(QStringLiteral("too many items for one list"));
    for (std::size_t i = 0; i < ends.size(); ++i)
        if (ends[i] < (i > 0 ? ends[i - 1] : 0) || qsizetype(ends[i]) > text_.size())
            throw Error(QStringLiteral("item bounds out of order"));
    bounds_.insert(bounds_.end(), ends.begin(), ends.end());
}

namespace {

// As UTF-16 units, the supplementary characters (surrogates, D800..DFFF) come before U+E000..U+FFFF; order keys
// move the surrogates above the rest, so that keys compared unit by unit order as code points do. Only 0 has key 0.
inline char16_t orderKey(char16_t unit)
{
    return unit < 0xD800 ? unit : unit >= 0xE000 ? char16_t(unit - 0x800) : char16_t(unit + 0x2000);
}

// A pair's folding, or the pair itself where folding would leave its plane.
char32_t foldPair(char16_t high, char16_t low)
{
    const char32_t c = QChar::surrogateToUcs4(high, low);
    const char32_t folded = QChar::toCaseFolded(c);
    return QChar::requiresSurrogates(folded) ? folded : c;
}

// The order key of unit i of text's case folding. Folding keeps a character
// in its plane, so unit i of the folding belongs to unit i of the text.
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

// The sort compares packed keys, not texts. An item's key at depth d holds the order keys of its folding's units
// d..d+11, 16 bits each, most significant first, zero-padded, and how many of those places the item fills (13 when
// it goes on). Among items alike up to d, keys compare as the texts do, since only a missing unit has key 0. Items
// tied on keys that go on are sorted again one depth further; a surrogate pair split by a depth folds whole on both
// sides. Sorting touches no text, which is read once per depth.
constexpr qsizetype KeyUnits = 12;

struct SortEntry {
    std::uint64_t key[3];
    std::uint32_t filled;
    std::uint32_t item;

    bool sameKey(const SortEntry &o) const { return std::equal(key, key + 3, o.key) && filled == o.filled; }
    // The item numbers break ties, which makes the sort stable.
    auto operator<=>(const SortEntry &) const = default;
};

void setKey(SortEntry &entry, QStringView text, qsizetype depth)
{
    const qsizetype left = text.size() - depth;
    std::uint64_t units[KeyUnits] = {};
    for (qsizetype i = 0; i < std::min(left, KeyUnits); ++i)
        units[i] = foldedKey(text.utf16(), text.size(), depth + i);
    for (int w = 0; w < 3; ++w)
        entry.key[w] = units[4 * w] << 48 | units[4 * w + 1] << 32 | units[4 * w + 2] << 16 | units[4 * w + 3];
    entry.filled = std::uint32_t(std::min(left, KeyUnits + 1));
}

// Sorts entries fully: a large run is split in place on a byte of its keys' first word, from byte `byte` down, then
// each part on the next bytes, and small parts are compared. Bytes alike in the whole run (the high bytes of ASCII
// text) are passed over, two at a time.
void sortEntries(SortEntry *first, SortEntry *last, int byte = 7)
{
    const auto n = std::size_t(last - first);
    const auto digit = [](const SortEntry &e, int b) { return unsigned(e.key[0] >> (8 * b)) & 0xFFu; };
    std::size_t counts[2][256];
    int which = 0;
    for (;; byte -= 2) {
        if (n < 64 || byte < 0)
            return std::sort(first, last);
        const int next = std::max(byte - 1, 0);
        std::memset(counts, 0, sizeof counts);
        for (const SortEntry *e = first; e != last; ++e) {
            ++counts[0][digit(*e, byte)];
            ++counts[1][digit(*e, next)];
        }
        if (counts[0][digit(*first, byte)] != n)
            break;
        if (counts[1][digit(*first, next)] != n) {
            byte = next;
            which = 1;
            break;
        }
    }
    std::size_t next[256], end[256];
    std::exclusive_scan(counts[which], counts[which] + 256, next, std::size_t{0});
    std::inclusive_scan(counts[which], counts[which] + 256, end);
    // Each entry is swapped straight into its digit's part.
    for (unsigned d = 0; d < 256; ++d) {
        while (next[d] < end[d]) {
            SortEntry entry = first[next[d]];
            for (unsigned home = digit(entry, byte); home != d; home = digit(entry, byte))
                std::swap(entry, first[next[home]++]);
            first[next[d]++] = entry;
        }
    }
    for (unsigned d = 0; d < 256; ++d)
        if (counts[which][d] > 1)
            sortEntries(first + end[d] - counts[which][d], first + end[d], byte - 1);
}

using Range = std::pair<std::size_t, std::size_t>; // [first, second)

// The runs of entries whose keys are equal and go on: to sort one depth further.
void findTies(const std::vector<SortEntry> &entries, Range range, std::vector<Range> &ties)
{
    for (std::size_t run = range.first; run != range.second;) {
        std::size_t next = run + 1;
        while (next != range.second && entries[next].sameKey(entries[run]))
            ++next;
        if (next - run > 1 && entries[run].filled > KeyUnits)
            ties.push_back({run, next});
        run = next;
    }
}

} // namespace

int compareIgnoringCase(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t *pa = a.utf16(), *pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        // Equal units fold alike, but for surrogates, which fold with their partners.
        if (pa[i] == pb[i] && !QChar::isSurrogate(pa[i]))
            continue;
        const char16_t ka = foldedKey(pa, a.size(), i), kb = foldedKey(pb, b.size(), i);
        if (ka != kb)
            return ka < kb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::vector<std::uint32_t> sortedOrder(const ItemList &list)
{
    const auto count = std::size_t(list.size());
    std::vector<SortEntry> entries(count);
    for (std::size_t i = 0; i < count; ++i) {
        entries[i].item = std::uint32_t(i);
        setKey(entries[i], list.at(qsizetype(i)), 0);
    }
    sortEntries(entries.data(), entries.data() + count);
    std::vector<Range> ties;
    findTies(entries, {0, count}, ties);
    for (qsizetype depth = KeyUnits; !ties.empty(); depth += KeyUnits) {
        std::vector<Range> further;
        for (const Range &range : ties) {
            for (std::size_t i = range.first; i != range.second; ++i)
                setKey(entries[i], list.at(entries[i].item), depth);
            sortEntries(entries.data() + range.first, entries.data() + range.second);
            findTies(entries, range, further);
        }
        ties = std::move(further);
    }
    std::vector<std::uint32_t> order(count);
    std::transform(entries.begin(), entries.end(), order.begin(), [](const SortEntry &e) { return e.item; });
    return order;
}

} // namespace platform
