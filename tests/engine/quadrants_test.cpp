// SPDX-License-Identifier: GPL-3.0-or-later
// The quadrant counter against the known sequences and the constellation counter, its stop flag, and the
// search for the solutions a rotation keeps against the oracle's enumeration.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

#include "engine/constellations.h"
#include "engine/quadrants.h"
#include "support/known_counts.h"
#include "support/oracle.h"

namespace nq::testing {
namespace {

std::uint64_t QuadrantCount(int n) {
    const QuadrantUnits plan = MakeQuadrantUnits(n);
    StopPoll poll;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < plan.Size(); ++i) {
        EXPECT_GT(plan.ExpectedWork(i), 0.0);
        total += CountQuadrantUnit(plan, i, poll);
    }
    return total;
}

TEST(Quadrants, WholeBoardsMatchTheKnownCountsAndTheConstellations) {
    // Odd and even boards take different paths (middle queens first, or not), and each h = n / 2 its own
    // table.
    for (const KnownCount& k : KnownCountsUpTo(16)) {
        const std::uint64_t count = QuadrantCount(k.N);
        EXPECT_EQ(count, k.All) << "n=" << k.N;
        EXPECT_EQ(UniqueFromCount(k.N, count), k.Unique) << "n=" << k.N;
        if (k.N >= 4) {
            EXPECT_EQ(count, SumOfUnits(k.N, {}, false)) << "n=" << k.N;
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
        EXPECT_EQ(RotationKeptSolutions(n, 1), quarter) << "n=" << n;
        EXPECT_EQ(RotationKeptSolutions(n, 2), half) << "n=" << n;
    }
}

TEST(Quadrants, AStopRequestEndsAUnit) {
    const QuadrantUnits plan = MakeQuadrantUnits(14);
    std::atomic<bool> stop{true};
    StopPoll poll;
    poll.Stop = &stop;
    CountQuadrantUnit(plan, 0, poll);
    EXPECT_TRUE(poll.Stopped);
}

TEST(Quadrants, MemoryEstimateStopsCountingAtItsLimit) {
    const std::uint64_t entries = QuadrantTableEntries(16, ~std::uint64_t{0});
    EXPECT_GE(QuadrantBytes(16, entries), MakeQuadrantUnits(16).TableBytes());
    EXPECT_EQ(QuadrantTableEntries(16, 1000), 1001u);
}

}  // namespace
}  // namespace nq::testing
