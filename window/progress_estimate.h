// SPDX-License-Identifier: GPL-3.0-or-later
// The estimate of how much of a search is done, for the board window's progress bar and its time left: the
// position's share of the search tree, kept from falling within one search.
#pragma once

#include "engine/board.h"

namespace nq {

// Share of a search done, from where it stands in its first free columns, as if every subtree of a column
// were alike: the position's lexicographic share of the tree. Grows with every step of one search; only the
// clamp keeps it from falling when the caller starts over without Restart().
class ProgressEstimate {
  public:
    // Share in [0, 1) of the placement on `board` (the fixed queens and the free columns' queens up to the
    // first empty free column). BoardSize 1..32.
    static double ShareOf(const Board& board);

    // Forgets the clamp: a new search begins.
    void Restart() { value_ = 0.0; }
    // The share of `board`, never below what this search has shown before.
    double Update(const Board& board);
    // The same for a share (0..1) known otherwise: the whole count's, while the workers count the search.
    double Update(double share);
    // 1: the search has ended.
    void Finish() { value_ = 1.0; }
    double Value() const { return value_; }

  private:
    double value_ = 0.0;
};

}  // namespace nq
