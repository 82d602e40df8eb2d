// SPDX-License-Identifier: GPL-3.0-or-later
// Counting in the window on every core: the run loop's side of the subtrees that worker threads count ahead
// of the search. At the entry of a counted subtree (or inside one whose count arrived meanwhile) it adds the
// count to the solution number and leaves the board as the one-step search leaves it after that subtree;
// without fixed queens, a row of the first column whose mirror image the search has counted is left the same
// way. Everything here runs on the window's thread; the workers only fill SubtreeCounts.
#pragma once

#include <array>
#include <cstdint>

#include "count/subtree_counts.h"
#include "engine/board.h"

namespace nq {

class FastForward {
  public:
    explicit FastForward(int workers) : counts_(workers) {}

    // Before the passes of a run that counts (the box clear). A search not seen before (another generation)
    // sets the workers off from the board's position. Returns the column whose empty cursor marks the entry
    // of a subtree, or -1 when this search is not counted ahead (too small a board, or it has ended).
    std::int32_t Prepare(const Board& board, std::uint64_t generation);
    // Passes went by one at a time (the box checked), without AtEntry: entries may have gone unseen.
    void EntriesMayHaveGoneUnseen() { continuous_ = false; }
    // The search is gone or has ended: the workers stop and every count is forgotten.
    void End();

    // The cursor stands on the watched column, which is empty: the search has just entered a subtree. True
    // when the board has left it (its solutions counted); false when the search is to step into it.
    bool AtEntry(Board& board);
    // Between two pumps: true when the subtree the search steps through has been counted meanwhile and the
    // board has left it.
    bool Inside(Board& board);

    // The share of the search's work done, for the progress display: the position's share, the subtrees
    // counted ahead, and (without fixed queens) the first column's rows left to their mirror images not
    // counted as work. -1 when the search is not counted ahead.
    double Share(const Board& board) const;

  private:
    SubtreePrefix PrefixOf(const Board& board) const;

    SubtreeCounts counts_;
    std::uint64_t generation_ = 0;
    bool active_ = false;
    std::int32_t n_ = 0;
    int depth_ = 0;                              // free columns placed by a subtree's entry, 1..free - 1
    std::array<std::int32_t, kMaxN> columns_{};  // the free columns' numbers, by index
    std::int32_t watch_ = -1;                    // the free column after the first depth_ ones
    bool mirror_ = false;                        // no fixed queens

    // The subtree the search steps through, and the solution number when it entered it.
    bool inSubtree_ = false;
    SubtreePrefix current_{};
    std::int64_t enteredAt_ = 0;

    // Without fixed queens, per row of the first column (1..n): the solution number at its first entry and
    // its count, -1 while unknown. Known only where every entry in between was seen (continuous_).
    std::array<std::int64_t, kMaxN + 2> rowEntry_{};
    std::array<std::int64_t, kMaxN + 2> rowCount_{};
    std::int32_t lastRow_ = 0;  // the first column's row at the last entry seen
    bool continuous_ = false;   // no entry has gone unseen since the last one seen
};

}  // namespace nq
