// SPDX-License-Identifier: GPL-3.0-or-later
// Counting n-queens solutions (n 1..32) by start constellations, the method of the record counters.
//
// Every solution has exactly one queen on each of the four border lines (first and last column, first and
// last row; a corner queen stands on two). Those three or four queens, the solution's constellation, are
// placed first; one constellation is kept per class under the eight symmetries of the square and stands
// for its whole class (multiplicity 8, 4 or 2). A work unit is one constellation, possibly with one more
// queen placed, and its count is a bitmask search over the columns that hold no placed queen. With fixed
// queens no symmetry applies and constellations would not pay for themselves: a unit is then the fixed
// queens plus a placement of the first free columns, searched the same way.
//
// Coordinates follow the project: a queen per column, columns left to right, rows 1..n.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/problem.h"
#include "engine/stop_poll.h"

namespace nq {

// One class of border placements under rotation and reflection, by its smallest member.
struct Constellation {
    std::vector<Queen> Queens;  // 3 (one in a corner) or 4, sorted by column, then row
    int Multiplicity = 0;       // the size of the class: 2, 4 or 8
};

// Every class of border placements of non-attacking queens on an n-board, n 2..32, in a fixed order.
std::vector<Constellation> StartConstellations(int n);

class WorkUnits {
  public:
    int N() const { return N_; }
    bool Unique() const { return Unique_; }
    // Work units, the biggest expected first.
    std::size_t Size() const { return Units_.size(); }
    // The size the plan expects of unit i (only ratios between units mean anything): the order of the units.
    double ExpectedWork(std::size_t i) const { return Units_[i].Expected; }
    // The queens placed before unit i is searched: the fixed ones and those the plan added.
    std::vector<Queen> PlacedQueens(std::size_t i) const;
    // Unit i's share of the plan's count, given `completions`: the solutions that keep PlacedQueens(i), as
    // the completion kernel counts them (the unique count of a board too small for constellations enumerates
    // the board itself and ignores them). CountWorkUnit passes the kernel's count; cli_bench passes that of
    // the kernel's node-counting build. A unique count's share searches the solutions a rotation keeps: when
    // poll.Stop turns true it ends early with poll.Stopped set and a meaningless value. A share past 64 bits
    // throws std::overflow_error.
    std::uint64_t Share(std::size_t i, std::uint64_t completions, StopPoll& poll) const;

  private:
    friend struct PlanBuilder;
    friend std::uint64_t CountWorkUnit(const WorkUnits& plan, std::size_t i, StopPoll& poll);

    enum class Kind : std::uint8_t {
        Times,       // Multiplicity times the completions of the placed queens
        ClassShare,  // unique count of a constellation that some symmetry maps onto itself
        SmallUnique  // unique count of a board too small for constellations, by full enumeration
    };
    struct Unit {
        std::uint32_t First = 0;  // into Placed_: (column, row) pairs, 0-based
        std::uint8_t Count = 0;
        Kind How = Kind::Times;
        std::uint8_t Multiplicity = 1;
        std::uint8_t Stabilizer = 1;  // ClassShare: how many symmetries keep the constellation
        std::uint8_t Rotations = 0;   // ClassShare: bit 0 quarter turn, bit 1 half turn among them
        double Expected = 0;
    };

    int N_ = 0;
    bool Unique_ = false;
    std::vector<Unit> Units_;
    std::vector<std::uint8_t> Placed_;
};

// n 1..32; fixed: queens on distinct columns, on the board, none attacking another; unique only with no
// fixed queens, and then the count is of classes under rotation and reflection. Throws
// std::invalid_argument otherwise. Units come in a deterministic order for given arguments.
WorkUnits MakeWorkUnits(int n, const std::vector<Queen>& fixed, bool unique);
// As above, ending early with nothing once *stop turns true (checked every few milliseconds).
std::optional<WorkUnits> MakeWorkUnits(int n, const std::vector<Queen>& fixed, bool unique,
                                       const std::atomic<bool>* stop);

// The share of unit i in the plan's count (multiplicity applied); the shares of all units add up to the
// count. When poll.Stop turns true the search ends early with poll.Stopped set and a meaningless value.
std::uint64_t CountWorkUnit(const WorkUnits& plan, std::size_t i, StopPoll& poll);

}  // namespace nq
