// SPDX-License-Identifier: GPL-3.0-or-later
// The completion kernel as it was before engine/completions.cpp took its present form: a table entry and a
// variable shift per free column, many levels inlined into one. cli_bench times it beside today's kernel as
// a reference until today's is 1.5 times as fast on a board with fixed queens.
#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>

#include "engine/search_tree.h"
#include "engine/stop_poll.h"

namespace previous_kernel {

using nq::kMaxN;
using nq::SearchLayout;
using nq::StopPoll;

// Free columns at the bottom of a search that run without looking at the stop flag.
constexpr int kUnpolledLines = 10;

// The kernel's own form of a layout, in 32-bit registers: a "line" is a free column and a "pos" a row
// (row r is bit r - 1, as everywhere). The squares the placed queens hold or attack on a line, with every
// bit at and above n set so that n = 32 needs no special case, and the distance to the next free line, so
// that placed lines are jumped over in one step; the search's own queens travel in three shifting masks.
struct LineInfo {
    std::uint32_t Blocked = 0;
    std::uint32_t Shift = 0;
};

struct Prepared {
    std::array<LineInfo, kMaxN + 1> Lines{};  // the free lines in order
    int Free = 0;
};

inline Prepared Prepare(const SearchLayout& layout) {
    Prepared p;
    const std::uint32_t outside = layout.N >= 32 ? 0u : ~0u << layout.N;
    p.Free = layout.Free;
    for (int i = 0; i < layout.Free; ++i) {
        p.Lines[i].Blocked = static_cast<std::uint32_t>(layout.Blocked[i]) | outside;
        p.Lines[i].Shift = static_cast<std::uint32_t>(layout.Gap[i]);
    }
    return p;
}

template <bool Nodes>
struct Search {
    StopPoll* Poll = nullptr;
    std::uint64_t NodeCount = 0;

    // Completions below line l, whose open squares `open` (non-empty) are given.
    template <int R>
    std::uint64_t Below(const LineInfo* l, std::uint32_t ld, std::uint32_t rd, std::uint32_t col,
                        std::uint32_t open) {
        const std::uint32_t s = l->Shift;
        const std::uint32_t b1 = l[1].Blocked;
        std::uint64_t count = 0;
        if constexpr (R == 2) {
            // One pos is left free by the columns; the last queen fits unless a diagonal holds it.
            while (open != 0) {
                const std::uint32_t bit = open & (0u - open);
                open ^= bit;
                const std::uint32_t fits =
                    ~(((ld | bit) << s) | ((rd | bit) >> s) | col | bit | b1) != 0 ? 1u : 0u;
                if constexpr (Nodes) NodeCount += 1 + fits;
                count += fits;
            }
            return count;
        } else {
            const std::uint32_t s1 = l[1].Shift;
            const std::uint32_t b2 = l[2].Blocked;
            while (open != 0) {
                const std::uint32_t bit = open & (0u - open);
                open ^= bit;
                if constexpr (Nodes) ++NodeCount;
                const std::uint32_t nld = (ld | bit) << s;
                const std::uint32_t nrd = (rd | bit) >> s;
                const std::uint32_t ncol = col | bit;
                const std::uint32_t nopen = ~(nld | nrd | ncol | b1);
                // Look-ahead: the line after next must keep a square even before next's queen is chosen.
                const std::uint32_t after = ~((nld << s1) | (nrd >> s1) | ncol | b2);
                if ((nopen == 0) | (after == 0)) continue;
                count += Below<R - 1>(l + 1, nld, nrd, ncol, nopen);
                if constexpr (R > kUnpolledLines) {
                    if (Poll->Stop != nullptr && Poll->Stop->load(std::memory_order_relaxed)) {
                        Poll->Stopped = true;
                        return count;
                    }
                }
            }
            return count;
        }
    }

    template <int R>
    std::uint64_t Dispatch(int free, const LineInfo* l, std::uint32_t open) {
        if constexpr (R > kMaxN) {
            return 0;
        } else {
            return free == R ? Below<R>(l, 0, 0, 0, open) : Dispatch<R + 1>(free, l, open);
        }
    }
};

// The completions of the layout's problem.
inline std::uint64_t Completions(const SearchLayout& layout) {
    const Prepared p = Prepare(layout);
    if (p.Free == 0) return 1;
    const std::uint32_t open = ~p.Lines[0].Blocked;
    if (p.Free == 1) return static_cast<std::uint64_t>(std::popcount(open));
    if (open == 0) return 0;
    StopPoll none;
    Search<false> search;
    search.Poll = &none;
    return search.template Dispatch<2>(p.Free, &p.Lines[0], open);
}

}  // namespace previous_kernel
