// SPDX-License-Identifier: GPL-3.0-or-later
// The search tree of a problem as bit sets: the free columns and the rows the fixed queens hold or attack in
// each, and the subproblems that place the first free columns. Rows follow the bit convention of board.h;
// columns go left to right.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/board.h"
#include "engine/problem.h"

namespace nq {

// The free columns of a problem and what the fixed queens leave open in each.
struct SearchLayout {
    int N = 0;
    std::uint64_t Board = 0;  // rows 1..n
    int Free = 0;             // number of free columns, 0..n
    // For the free column of index i (0..Free-1): its column number, the rows the fixed queens hold or attack
    // there, and the distance to the next free column (1 when none follows).
    std::array<int, kMaxN + 1> Column{};
    std::array<std::uint64_t, kMaxN + 1> Blocked{};
    std::array<int, kMaxN + 1> Gap{};
    std::array<std::uint8_t, kMaxN + 1>
        FixedRow{};  // by column 1..n: the fixed queen's row, 0 for a free column
};

// n in 1..kMaxN and the queens placed on it (non-attacking, on distinct columns, in any order).
SearchLayout MakeLayout(int n, std::span<const Queen> placed);
inline SearchLayout MakeLayout(const Problem& p) {
    return MakeLayout(p.N, p.Fixed);
}

// The first Depth free columns placed (rows ascending, as the search meets them).
struct Subproblem {
    std::array<std::uint8_t, kMaxN + 1>
        Rows{};  // by column 1..n: the row of the fixed and the placed queens, 0 = empty
    int Depth = 0;
};

// Every subproblem that places the first `depth` free columns (clamped to Free) without attack, in the order
// of the search (lexicographic): each solution of the layout's problem lies in exactly one of them.
std::vector<Subproblem> MakeSubproblems(const SearchLayout& layout, int depth);

}  // namespace nq
