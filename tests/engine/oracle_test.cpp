// SPDX-License-Identifier: GPL-3.0-or-later
// Checks of the brute-force oracle itself, so that the engine is held against something trustworthy: the
// published solution counts, and agreement of its two independent enumerations.
#include <gtest/gtest.h>

#include <random>

#include "support/known_counts.h"
#include "support/oracle.h"

namespace nq::testing {
namespace {

class OracleCount : public ::testing::TestWithParam<KnownCount> {};

TEST_P(OracleCount, TreeWalkMatchesPublishedCount) {
    EXPECT_EQ(OracleSolutionCount(GetParam().N, {}), static_cast<std::int64_t>(GetParam().All));
}

INSTANTIATE_TEST_SUITE_P(NoFixedQueens, OracleCount, ::testing::ValuesIn(KnownCountsUpTo(12)),
                         [](const auto& row) { return NameOfSize(row.param.N); });

// The permutation walk and the tree walk share nothing but the attack test; their full-depth results must
// agree.
TEST(Oracle, PermutationsAndTreeAgreeOnRandomFixedSets) {
    std::mt19937 random(20240611);
    for (int n = 1; n <= 8; ++n) {
        for (int trial = 0; trial < 12; ++trial) {
            FixedSet fixed;
            for (int c = 1; c <= n; ++c) {
                if (random() % 4 != 0) continue;
                const FixedQueen q{c, static_cast<int>(random() % n) + 1};
                FixedSet with = fixed;
                with.push_back(q);
                if (FixedSetIsConsistent(n, with)) fixed = with;
            }
            SCOPED_TRACE("n = " + std::to_string(n) + ", fixed " + FixedSetText(fixed));
            std::vector<Placement> fromTree;
            PartialPlacementTree(n, fixed).Walk([&](const Placement& p, int next) {
                if (next == n + 1) fromTree.push_back(p);
                return true;
            });
            if (static_cast<int>(fixed.size()) == n) fromTree.push_back(PlacementOf(n, fixed));
            EXPECT_EQ(fromTree, PermutationSolutions(n, fixed));
            EXPECT_EQ(OracleSolutionCount(n, fixed), static_cast<std::int64_t>(fromTree.size()));
        }
    }
}

struct AttackCase {
    int C1, R1, C2, R2;
    bool Attack;
};

TEST(Oracle, AttackComparesRowsColumnsAndBothDiagonals) {
    const std::vector<AttackCase> cases{
        {1, 1, 2, 2, true},   // difference diagonal
        {1, 2, 2, 1, true},   // sum diagonal
        {3, 5, 6, 2, true},   // sum diagonal 8, three columns apart
        {1, 4, 8, 4, true},   // same row
        {2, 1, 2, 7, true},   // same column
        {1, 1, 2, 3, false},  // a knight's move
        {3, 5, 6, 1, false}, {1, 32, 32, 2, false},
    };
    for (const AttackCase& a : cases) {
        SCOPED_TRACE(std::to_string(a.C1) + "," + std::to_string(a.R1) + " / " + std::to_string(a.C2) + "," +
                     std::to_string(a.R2));
        EXPECT_EQ(QueensAttack(a.C1, a.R1, a.C2, a.R2), a.Attack);
        EXPECT_EQ(QueensAttack(a.C2, a.R2, a.C1, a.R1), a.Attack);
    }
}

}  // namespace
}  // namespace nq::testing
