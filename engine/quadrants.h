// SPDX-License-Identifier: GPL-3.0-or-later
// Counting the solutions of a whole board (no fixed queens) by quadrants: quarter-board placements from one
// table, the two halves of a row split joined where their crossing diagonals are disjoint.
//
// Even n = 2h: the east half (the h right columns) holds h queens on a set E of rows, the west half the
// others. A half's placements pair a northern and a southern quarter placement from the table; a solution
// is an east and a west placement of the same E whose crossing diagonals are disjoint, counted bit-sliced
// over blocks of up to 512 keys. Odd n = 2h + 1: the queens of the middle row and column are placed first,
// then the rest is joined as above. Symmetry: only one E per orbit under the north-south and east-west flips
// (odd n: one pair of middle queens per orbit under all eight symmetries) is joined, with its orbit's size
// as weight. Rows and columns are 0-based inside this method.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/stop_poll.h"

namespace nq {

struct QuadrantTable;

class QuadrantUnits {
  public:
    int N() const { return n_; }
    std::size_t Size() const { return units_.size(); }
    // The size the plan expects of unit i (only ratios between units mean anything): units are cut to about
    // equal sizes by it.
    double ExpectedWork(std::size_t i) const { return units_[i].Expected; }
    // Bytes of the quarter-board table this plan holds (the memory the method needs besides small buffers).
    std::size_t TableBytes() const;

  private:
    friend QuadrantUnits MakeQuadrantUnits(int n);
    friend std::uint64_t CountQuadrantUnit(const QuadrantUnits& plan, std::size_t i, StopPoll& poll);

    // The queens of the middle row and column (odd n) and what they leave to the quadrants.
    struct Middle {
        std::uint64_t BlockedUp = 0, BlockedDown = 0;    // global diagonals r + c and r - c + n - 1
        std::uint32_t EastColumns = 0, WestColumns = 0;  // free columns of each half, quadrant-local bits
        std::uint32_t Rows = 0;                          // free rows, global bits
    };
    // One row set E of one choice of middle queens, with the size of its symmetry orbit.
    struct Item {
        std::uint32_t East = 0;  // E, global row bits
        std::uint8_t Middle = 0;
        std::uint8_t Weight = 0;
    };
    struct Unit {
        std::uint32_t First = 0, Count = 0;  // into items_
        double Expected = 0;
    };

    int n_ = 0;
    std::shared_ptr<const QuadrantTable> table_;
    std::vector<Middle> middles_;
    std::vector<Item> items_;
    std::vector<Unit> units_;
};

// The most entries a quarter-board table holds: its index holds 32-bit positions.
inline constexpr std::uint64_t kMaxTableEntries = 0xffffffffu;

// Entries of the quarter-board table for n (1..32): placements of k non-attacking queens on k chosen rows
// and k chosen columns of an h x h square, h = n / 2, over every k. Stops counting once above `limit` and
// returns a value above it, so that a refusal costs no more than the memory it guards.
std::uint64_t QuadrantTableEntries(int n, std::uint64_t limit);

// Bytes the method would hold for n: the table of `entries` entries, its index and the row sets.
std::uint64_t QuadrantBytes(int n, std::uint64_t entries);

// n 1..32; builds the table (QuadrantBytes of memory), throws std::invalid_argument outside that range or
// when the table has more than 2^32 - 1 entries.
// Units come in a deterministic order for given n; their counts add up to all solutions of the n-board.
QuadrantUnits MakeQuadrantUnits(int n);

// The share of unit i in the count (weights applied). Any thread; units share only the read-only table.
// When poll.Stop turns true the count ends early with poll.Stopped set and a meaningless value.
std::uint64_t CountQuadrantUnit(const QuadrantUnits& plan, std::size_t i, StopPoll& poll);

// Solutions of the n-board (1..32) that the rotation by `turns` (1: a quarter turn, 2: a half turn) maps
// onto themselves, by a search that places whole orbits of squares; quick next to the count for n <= 23.
std::uint64_t RotationKeptSolutions(int n, int turns);

// Classes of solutions under rotation and reflection, from the count of all of them (Burnside's lemma: no
// reflection keeps a solution of a board above 1).
std::uint64_t UniqueFromCount(int n, std::uint64_t solutions);

}  // namespace nq
