// SPDX-License-Identifier: GPL-3.0-or-later
// The walk over the placements of a problem's first free columns, in the order the one-step search meets
// them: the subproblems of a split and the share of the search a position has passed both come from it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/board.h"
#include "engine/search_tree.h"

namespace nq {

// The rows (1..n) of the first free columns, by free-column index from 0; entries past the depth are 0.
// Compared lexicographically, which is the order the search reaches them in; a 0 lies below every row.
using SubtreePrefix = std::array<std::uint8_t, kMaxN>;

// A resumable walk over the placements without attack of the first `depth` free columns of a layout. Shares
// model the search as if every subtree of a column were alike: a placement's share is the product, over its
// columns, of one over the open rows there.
class PrefixWalker {
  public:
    // `layout` must outlive the walker; depth 0..layout.Free. Positions on the first placement (the empty
    // one for depth 0), or exhausted when there is none.
    void Reset(const SearchLayout& layout, int depth);
    // Moves to the first placement not below `bound`; false (exhausted) when there is none.
    bool Seek(const SubtreePrefix& bound);
    // Moves to the next placement; false (exhausted) when there is none.
    bool Advance() { return NextFrom(depth_ - 1); }

    bool Exhausted() const { return exhausted_; }
    int Depth() const { return depth_; }
    // The current placement.
    const SubtreePrefix& Rows() const { return rows_; }
    // The current placement's share of the search, and the share of all placements before it.
    double Share() const { return share_[static_cast<std::size_t>(depth_)]; }
    double ShareBefore() const;

  private:
    void Place(int level, std::uint64_t candidates);
    bool Descend(int from);
    bool NextFrom(int level);

    const SearchLayout* layout_ = nullptr;
    int depth_ = 0;
    int failed_ = 0;  // the level a failed Descend found without a row
    bool exhausted_ = true;
    SubtreePrefix rows_{};
    // Per level: its open rows, those still to try, the frame it was entered with, its share.
    std::array<std::uint64_t, kMaxN + 1> open_{}, untried_{};
    std::array<ColumnFrame, kMaxN + 1> frame_{};
    std::array<double, kMaxN + 1> share_{};
};

}  // namespace nq
