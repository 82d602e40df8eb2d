// SPDX-License-Identifier: GPL-3.0-or-later
// The plan of a count by quadrants (whole boards, meet in the middle): the quarter table, the row sets cut
// into units of about equal work, and the key layout; and the count of one unit.
//
// A unit is a run of row sets E. Even n: the east half's placements on E are prepared for the disjoint-pair
// count and the west half's, on the other rows, streamed against them; a solution is a disjoint pair. Odd n:
// the east half's placements on E, before any middle queen, are prepared once and the west half's streamed
// for the centre queen and for each pair of middle queens E leaves room for, the middle queens' diagonals
// set in the west keys so that east placements using them meet no partner. See row_sets.h and half_keys.h.
//
// The plan is made in phases of independent tasks (QuadrantPlanMaker), so that a caller can spread it over
// threads, stop it between tasks or within one, show how far it is, and go on later.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/disjoint_pairs.h"
#include "engine/half_keys.h"
#include "engine/quarter_table.h"
#include "engine/stop_poll.h"

namespace nq {

// Memory a count by quadrants of n holds: the plan (table, its index, row sets, units) and each counting
// thread (keys of two halves, the prepared keys and their rows), in bytes; ~0 when no machine can hold it.
struct QuadrantMemory {
    std::uint64_t Plan = 0, PerThread = 0;
    std::uint64_t With(int threads) const;
};
QuadrantMemory QuadrantBytes(int n);

class QuadrantPlan {
  public:
    int N() const { return n_; }
    std::size_t Size() const { return units_.size(); }
    // A relative size of unit i (only ratios between units mean anything), known before it runs.
    double ExpectedWork(std::size_t i) const { return units_[i].Expected; }
    // Memory held by the plan.
    std::uint64_t Bytes() const;

    // What one thread counts with; kept between units so that a unit allocates only when it needs more
    // than any before it.
    struct Scratch {
        HalfMaker::Scratch East, West;
        std::array<PreparedKeys, 4> Prepared;
        SortedKeys Sorted;
        std::uint64_t Bytes() const;
    };
    // The share of unit i (0..Size()-1) in the count of the whole board. Any thread, each with its own
    // scratch. When poll.Stop turns true the count ends early with poll.Stopped set and a meaningless value.
    std::uint64_t CountUnit(std::size_t i, Scratch& s, StopPoll& poll) const;

  private:
    friend class QuadrantPlanMaker;
    struct Unit {
        std::uint32_t First = 0, Count = 0;  // into rowSets_
        double Expected = 0;
    };
    // The solutions of row set E (weights applied).
    std::uint64_t CountRowSet(std::uint32_t east, Scratch& s, StopPoll& poll) const;

    int n_ = 0;
    QuarterTable table_;
    KeyLayout layout_;
    std::unique_ptr<HalfMaker> halves_;
    std::vector<std::uint32_t> rowSets_;
    std::vector<Unit> units_;
};

// Makes a plan in phases, each of independent tasks that any threads may run in any order; a task given up
// when stopped can be run again later. Begin each phase in order on one thread, run all its tasks, then
// Finish.
class QuadrantPlanMaker {
  public:
    // n 1..32 with a quarter table of at most kMaxQuarterEntries entries (throws
    // std::invalid_argument otherwise). Allocates the table's index (std::bad_alloc when it cannot).
    explicit QuadrantPlanMaker(int n);
    ~QuadrantPlanMaker();

    static constexpr int kPhases = 4;  // count the table, fill it, weigh the row sets, sample the keys
    // Begins a phase (0..kPhases-1, in order; allocates its memory, std::bad_alloc when it cannot). Returns
    // its number of tasks.
    std::size_t Begin(int phase);
    // Runs a task of the phase begun last. False when stopped before the end: run it again later.
    bool Run(std::size_t task, const std::atomic<bool>* stop);
    // The share of the whole making that a phase takes, roughly (the shares add up to 1).
    static double PhaseShare(int phase);
    // After every task of the last phase.
    std::shared_ptr<const QuadrantPlan> Finish();

  private:
    struct Samples;
    int n_ = 0, phase_ = -1;
    std::unique_ptr<QuarterTableMaker> table_;
    std::shared_ptr<QuadrantPlan> plan_;
    std::vector<double> weight_;  // by row set
    std::unique_ptr<Samples> samples_;
};

}  // namespace nq
