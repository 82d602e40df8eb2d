// SPDX-License-Identifier: GPL-3.0-or-later
// Whole searches over many fixed-queen sets drawn at random (fixed seed) for n <= 8: no fixed queen, one,
// several adjacent, the last column, every column, scattered ones; each held call by call against the
// oracle's tree, its solution list equal to the permutation oracle's, the invariants checked after every
// call.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/oracle.h"
#include "support/search_driver.h"

namespace nq::testing {
namespace {

class FixedSetMaker {
  public:
    FixedSetMaker(int n, std::uint32_t seed)
        : n_(n), random_(seed), solutions_(PermutationSolutions(n, {})) {}

    // Conflict-free sets of each kind. Sets drawn from a solution have solutions; the others often have none.
    std::vector<FixedSet> Make() {
        std::vector<FixedSet> sets{{}};
        for (int i = 0; i < 4; ++i)
            sets.push_back(Scattered(1, 1));
        for (int i = 0; i < 3; ++i)
            sets.push_back(Adjacent(Pick(std::min(2, n_), std::min(n_, 4))));
        for (int i = 0; i < 3; ++i)
            sets.push_back(WithColumn(n_));
        for (int i = 0; i < 2; ++i)
            sets.push_back(WithColumn(1));
        for (int i = 0; i < 6; ++i)
            sets.push_back(Scattered(std::min(2, n_), n_));
        if (!solutions_.empty()) {
            for (int i = 0; i < 2; ++i)
                sets.push_back(FromSolution(n_));  // every column fixed
            for (int i = 0; i < 6; ++i)
                sets.push_back(FromSolution(Pick(1, n_)));
        }
        return sets;
    }

  private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    // Adds (c, r) when it attacks no queen of the set; true when added.
    bool TryAdd(FixedSet& set, int c, int r) {
        FixedSet with = set;
        with.push_back({c, r});
        if (!FixedSetIsConsistent(n_, with)) return false;
        set = with;
        return true;
    }

    // Between `low` and `high` queens wanted (fewer when squares keep clashing), on random squares of
    // distinct columns.
    FixedSet Scattered(int low, int high) {
        const int count = Pick(low, high);
        FixedSet set;
        for (int tries = 0; tries < 50 && static_cast<int>(set.size()) < count; ++tries) {
            const int c = Pick(1, n_);
            bool taken = false;
            for (const FixedQueen& q : set)
                taken = taken || q.Column == c;
            if (!taken) TryAdd(set, c, Pick(1, n_));
        }
        return set;
    }

    // `count` adjacent columns taken from a solution when there is one, else on random squares.
    FixedSet Adjacent(int count) {
        const int first = Pick(1, n_ - count + 1);
        FixedSet set;
        if (!solutions_.empty() && Pick(0, 1) == 1) {
            const Placement& s = solutions_[Pick(0, static_cast<int>(solutions_.size()) - 1)];
            for (int c = first; c < first + count; ++c)
                set.push_back({c, s[c - 1]});
            return set;
        }
        for (int c = first; c < first + count; ++c) {
            for (int tries = 0; tries < 20 && !TryAdd(set, c, Pick(1, n_)); ++tries) {
            }
        }
        return set;
    }

    // Column c fixed on a random row, perhaps with a few more queens.
    FixedSet WithColumn(int c) {
        FixedSet set{{c, Pick(1, n_)}};
        for (int i = Pick(0, 2); i > 0; --i)
            TryAdd(set, Pick(1, n_), Pick(1, n_));
        return set;
    }

    // `count` columns of a random solution, so the set has at least that solution.
    FixedSet FromSolution(int count) {
        const Placement& s = solutions_[Pick(0, static_cast<int>(solutions_.size()) - 1)];
        std::vector<int> columns(n_);
        for (int c = 1; c <= n_; ++c)
            columns[c - 1] = c;
        std::shuffle(columns.begin(), columns.end(), random_);
        FixedSet set;
        for (int i = 0; i < count; ++i)
            set.push_back({columns[i], s[columns[i] - 1]});
        return set;
    }

    int n_;
    std::mt19937 random_;
    std::vector<Placement> solutions_;
};

class RandomFixedSets : public ::testing::TestWithParam<int> {};

TEST_P(RandomFixedSets, WholeSearchMatchesOracle) {
    const int n = GetParam();
    int withSolutions = 0;
    for (const FixedSet& fixed : FixedSetMaker(n, 7919u * static_cast<std::uint32_t>(n)).Make()) {
        SCOPED_TRACE("n = " + std::to_string(n) + ", fixed " + FixedSetText(fixed));
        ASSERT_TRUE(FixedSetIsConsistent(n, fixed));
        const LockstepResult run = RunInLockstep(n, fixed);
        ASSERT_EQ(run.Fault, "");
        EXPECT_TRUE(run.Finished);
        EXPECT_EQ(run.Solutions, PermutationSolutions(n, fixed));
        if (!run.Solutions.empty()) ++withSolutions;
    }
    // The sets drawn from solutions must have reached the solution-counting path.
    if (n == 1 || n >= 4) {
        EXPECT_GT(withSolutions, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(SmallBoards, RandomFixedSets, ::testing::Range(1, 9),
                         [](const auto& row) { return NameOfSize(row.param); });

}  // namespace
}  // namespace nq::testing
