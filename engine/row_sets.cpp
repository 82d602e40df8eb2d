// SPDX-License-Identifier: GPL-3.0-or-later
// The row sets and their weights under the flips of the rows.
#include "engine/row_sets.h"

#include <algorithm>
#include <array>
#include <bit>
#include <stdexcept>

namespace nq {
namespace {

// The bits of `mask`, in order, placed on the set bits of `onto`.
std::uint32_t Deposit(std::uint64_t mask, std::uint32_t onto) {
    std::uint32_t r = 0;
    for (; onto != 0; onto &= onto - 1, mask >>= 1) {
        if ((mask & 1u) != 0) r |= onto & (~onto + 1);
    }
    return r;
}

std::uint32_t AllRows(int n) {
    return n == 32 ? ~0u : (1u << n) - 1;
}

std::uint32_t OutsideMiddle(int n) {
    return n % 2 == 1 ? AllRows(n) & ~(1u << (n / 2)) : AllRows(n);
}

}  // namespace

std::uint32_t MirrorRows(int n, std::uint32_t rows) {
    std::uint32_t r = 0;
    for (; rows != 0; rows &= rows - 1)
        r |= 1u << (n - 1 - std::countr_zero(rows));
    return r;
}

std::vector<std::uint32_t> MakeRowSets(int n) {
    if (n < 1 || n > 32) throw std::invalid_argument("board size out of range");
    const int h = n / 2;
    const std::uint32_t rows = OutsideMiddle(n);
    const int free = std::popcount(rows);
    std::vector<std::uint32_t> sets;
    // The h-subsets of the free rows, as the lowest bits of a compact mask (Gosper's step), deposited.
    const std::uint64_t end = std::uint64_t{1} << free;
    for (std::uint64_t x = (std::uint64_t{1} << h) - 1; x < end;) {
        const std::uint32_t e = Deposit(x, rows);
        if (n % 2 == 1 || MirrorWeight(n, e) != 0) sets.push_back(e);
        if (x == 0) break;
        const std::uint64_t low = x & (~x + 1), ripple = x + low;
        x = ripple | (((x ^ ripple) >> 2) / low);
    }
    // Row sets with the same south rows next to each other: they share the south quarters' groups.
    const int o = n - h;
    std::stable_sort(sets.begin(), sets.end(),
                     [o](std::uint32_t a, std::uint32_t b) { return (a >> o) < (b >> o); });
    return sets;
}

int MirrorWeight(int n, std::uint32_t east) {
    const std::uint32_t m = MirrorRows(n, east);
    return east < m ? 2 : east == m ? 1 : 0;
}

int CentreWeight(int n, std::uint32_t east) {
    const std::uint32_t rest = OutsideMiddle(n) & ~east;
    const std::array<std::uint32_t, 4> orbit = {east, MirrorRows(n, east), rest, MirrorRows(n, rest)};
    if (*std::min_element(orbit.begin(), orbit.end()) != east) return 0;
    int size = 0;
    for (std::size_t i = 0; i < orbit.size(); ++i) {
        if (std::find(orbit.begin(), orbit.begin() + static_cast<std::ptrdiff_t>(i), orbit[i]) ==
            orbit.begin() + static_cast<std::ptrdiff_t>(i))
            ++size;
    }
    return size;
}

std::uint32_t MiddleQueenRows(int n, std::uint32_t east) {
    const int h = n / 2;
    return h < 2 ? 0 : ~east & ((1u << (h - 1)) - 1);
}

}  // namespace nq
