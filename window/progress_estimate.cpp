// SPDX-License-Identifier: GPL-3.0-or-later
// The progress estimate of a search: the share of the tree before its position, and the clamp that keeps it
// from falling.
#include "window/progress_estimate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "engine/prefix_walker.h"
#include "engine/problem.h"
#include "engine/search_tree.h"

namespace nq {

double ProgressEstimate::ShareOf(const Board& board) {
    const std::int32_t n = board.BoardSize;
    if (n < 1 || n > kMaxN) return 0.0;
    Problem problem{n, {}};
    for (std::int32_t k = 1; k <= n; ++k) {
        const std::int32_t q = board.QueenRow[k];
        if (board.FixedColumn[k] == 1 && q >= 1 && q <= n) problem.Fixed.push_back({k, q});
    }
    const SearchLayout layout = MakeLayout(problem);
    // The placement of the first free columns that hold a queen; the share before it counts the subtrees
    // the search has left behind. A queen the search could not have placed (a board edited behind its back)
    // ends the placement at the column before it.
    SubtreePrefix placed{};
    int depth = 0;
    for (; depth < layout.Free; ++depth) {
        const std::int32_t row = board.QueenRow[layout.Column[depth]];
        if (row < 1 || row > n) break;
        placed[static_cast<std::size_t>(depth)] = static_cast<std::uint8_t>(row);
    }
    PrefixWalker walker;
    for (; depth >= 0; --depth) {
        SubtreePrefix prefix{};
        std::copy_n(placed.begin(), depth, prefix.begin());
        walker.Reset(layout, depth);
        if (walker.Seek(prefix) && walker.Rows() == prefix) break;
    }
    return depth < 0 ? 0.0 : std::min(walker.ShareBefore(), 1.0);
}

double ProgressEstimate::Update(const Board& board) {
    value_ = std::max(value_, ShareOf(board));
    return value_;
}

double ProgressEstimate::Update(double share) {
    value_ = std::max(value_, share);
    return value_;
}

}  // namespace nq
