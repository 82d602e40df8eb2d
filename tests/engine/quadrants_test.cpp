// SPDX-License-Identifier: GPL-3.0-or-later
// The quadrant counter: whole boards against the known sequence (odd and even boards, every table, the keys
// of every width), its plan made in any order of tasks and through stops, its stop flag, and its parts: the
// quarter table's size, the row sets' symmetry and the search for the solutions a rotation keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/instruction_set.h"
#include "engine/quadrant_plan.h"
#include "engine/rotation_kept.h"
#include "engine/row_sets.h"
#include "support/known_counts.h"
#include "support/oracle.h"

namespace nq::testing {
namespace {

// Boards up to this size take seconds under the sanitizers, a second in the release build up to 18.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kLargestBoard = 16;
#else
constexpr int kLargestBoard = 18;
#endif

// The plan's tasks run in a shuffled order; with `stops`, every third task is first given up half way
// through (its stop flag turning after a while) and run again later, as a paused plan would be.
std::shared_ptr<const QuadrantPlan> MakePlan(int n, bool stops = false) {
    QuadrantPlanMaker maker(n);
    std::mt19937 random(static_cast<unsigned>(n));
    for (int phase = 0; phase < QuadrantPlanMaker::kPhases; ++phase) {
        std::vector<std::size_t> order(maker.Begin(phase));
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), random);
        for (const std::size_t task : order) {
            if (stops && task % 3 == 0) {
                const std::atomic<bool> stopped{true};
                if (maker.Run(task, &stopped)) continue;  // done before it looked at the flag
            }
            EXPECT_TRUE(maker.Run(task, nullptr));
        }
    }
    return maker.Finish();
}

std::uint64_t Count(const QuadrantPlan& plan) {
    QuadrantPlan::Scratch scratch;
    StopPoll poll;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < plan.Size(); ++i) {
        EXPECT_GT(plan.ExpectedWork(i), 0.0);
        total += plan.CountUnit(i, scratch, poll);
    }
    return total;
}

TEST(Quadrants, WholeBoardsMatchTheKnownCounts) {
    // Odd and even boards take different paths (middle queens first, or the main diagonals), each h = n / 2
    // its own table; n = 17 and 18 reach keys of five chunks and more.
    for (const KnownCount& k : KnownCountsUpTo(kLargestBoard)) {
        EXPECT_EQ(Count(*MakePlan(k.N)), k.All) << "n=" << k.N;
    }
}

TEST(Quadrants, APlanMadeThroughStopsCountsTheSame) {
    for (const int n : {11, 14}) {
        EXPECT_EQ(Count(*MakePlan(n, true)), KnownCountsUpTo(n).back().All) << "n=" << n;
    }
}

TEST(Quadrants, EveryInstructionSetCountsTheSame) {
    const InstructionSet active = ActiveInstructionSet();
    const std::shared_ptr<const QuadrantPlan> plan = MakePlan(15);
    for (const InstructionSet set :
         {InstructionSet::Baseline, InstructionSet::X86_64_V3, InstructionSet::X86_64_V4}) {
        if (!Runs(set)) continue;
        UseInstructionSet(set);
        EXPECT_EQ(Count(*plan), 2279184u) << InstructionSetName(set);
    }
    UseInstructionSet(active);
}

TEST(Quadrants, AStopRequestEndsAUnitAndAPlanTask) {
    const std::shared_ptr<const QuadrantPlan> plan = MakePlan(14);
    std::atomic<bool> stop{true};
    StopPoll poll;
    poll.Stop = &stop;
    QuadrantPlan::Scratch scratch;
    plan->CountUnit(0, scratch, poll);
    EXPECT_TRUE(poll.Stopped);

    // Each phase's task looks at the flag: a stopped one says so and is run again later.
    QuadrantPlanMaker maker(12);
    for (int phase = 0; phase < QuadrantPlanMaker::kPhases; ++phase) {
        const std::size_t tasks = maker.Begin(phase);
        for (std::size_t t = 0; t < tasks; ++t) {
            EXPECT_FALSE(maker.Run(t, &stop)) << "phase " << phase;
            EXPECT_TRUE(maker.Run(t, nullptr)) << "phase " << phase;
        }
    }
    EXPECT_EQ(Count(*maker.Finish()), 14200u);
}

TEST(Quadrants, QuarterTableSizesMatchTheirWalk) {
    for (int h = 0; h <= 9; ++h) {
        QuarterTableMaker maker(h);
        for (std::size_t t = 0; t < maker.Tasks(); ++t)
            maker.Count(t, nullptr);
        maker.Allocate();
        for (std::size_t t = 0; t < maker.Tasks(); ++t)
            maker.Fill(t, nullptr);
        EXPECT_EQ(maker.Take().Size(), QuarterTableEntries(h)) << "h=" << h;
    }
    EXPECT_GT(QuarterTableEntries(13), kMaxQuarterEntries);
    EXPECT_GT(QuadrantBytes(22).Plan, QuarterTableBytes(11));
    EXPECT_EQ(QuadrantBytes(26).With(2), ~std::uint64_t{0});
}

TEST(Quadrants, MemoryEstimateHoldsWhatAPlanAndItsThreadHold) {
    for (const int n : {15, 16}) {
        const std::shared_ptr<const QuadrantPlan> plan = MakePlan(n);
        QuadrantPlan::Scratch scratch;
        StopPoll poll;
        for (std::size_t i = 0; i < plan->Size(); ++i)
            plan->CountUnit(i, scratch, poll);
        const QuadrantMemory m = QuadrantBytes(n);
        EXPECT_GE(m.Plan, plan->Bytes()) << "n=" << n;
        EXPECT_GE(m.PerThread, scratch.Bytes()) << "n=" << n;
    }
}

TEST(Quadrants, RowSetsStandForEveryRowSetOnce) {
    // Even n: the row sets and their mirror images cover every h-subset once by weight; odd n: every
    // h-subset of the rows outside the middle one appears once, and the centre's weights cover them all.
    for (const int n : {6, 7, 10, 11}) {
        const int h = n / 2;
        double weights = 0, centre = 0;
        for (const std::uint32_t e : MakeRowSets(n)) {
            weights += n % 2 == 0 ? MirrorWeight(n, e) : 1;
            centre += n % 2 == 1 ? CentreWeight(n, e) : 0;
        }
        double subsets = 1;
        for (int i = 1; i <= h; ++i)
            subsets = subsets * (2 * h - h + i) / i;
        EXPECT_EQ(weights, subsets) << "n=" << n;
        if (n % 2 == 1) {
            EXPECT_EQ(centre, subsets) << "n=" << n;
        }
    }
}

TEST(Quadrants, RotationKeptSolutionsMatchTheOracle) {
    for (int n = 1; n <= 9; ++n) {
        std::uint64_t quarter = 0, half = 0;
        for (const Placement& p : PermutationSolutions(n, {})) {
            Placement turned(n), halfTurned(n);
            // Column c, row r (1-based) goes to column n + 1 - r, row c under a quarter turn.
            for (int c = 1; c <= n; ++c) {
                turned[n - p[c - 1]] = c;
                halfTurned[n - c] = n + 1 - p[c - 1];
            }
            quarter += turned == p;
            half += halfTurned == p;
        }
        for (const int turns : {1, 2}) {
            StopPoll poll;
            std::uint64_t pieces = 0;
            for (const std::vector<Queen>& start : RotationKeptStarts(n, turns))
                pieces += RotationKeptSolutions(n, start, turns, poll);
            const std::uint64_t want = turns == 1 ? quarter : half;
            EXPECT_EQ(RotationKeptSolutions(n, {}, turns, poll), want) << "n=" << n << " turns=" << turns;
            EXPECT_EQ(pieces, want) << "n=" << n << " turns=" << turns;
        }
    }
}

}  // namespace
}  // namespace nq::testing
