// SPDX-License-Identifier: GPL-3.0-or-later
// The constellation counter against the known sequences, the oracle's counts for boards with fixed queens,
// and an independent enumeration of border placements and their symmetry classes.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/completions.h"
#include "engine/constellations.h"
#include "support/known_counts.h"
#include "support/oracle.h"

namespace nq::testing {
namespace {

bool Attack(const Queen& a, const Queen& b) {
    return QueensAttack(a.Column, a.Row, b.Column, b.Row);
}

TEST(WorkUnits, WholeBoardsMatchOeis) {
    for (const KnownCount& row : KnownCountsUpTo(16)) {
        EXPECT_EQ(SumOfUnits(row.N, {}, false), row.All) << "n=" << row.N;
        EXPECT_EQ(SumOfUnits(row.N, {}, true), row.Unique) << "n=" << row.N;
    }
}

TEST(WorkUnits, FixedQueensMatchBruteForce) {
    // Edge cases first, then seeded random sets of 0..4 queens on boards up to 11.
    std::vector<std::pair<int, std::vector<Queen>>> cases = {
        {1, {{1, 1}}},
        {2, {{1, 1}}},
        {4, {{1, 2}, {2, 4}, {3, 1}, {4, 3}}},  // a whole solution
        {6, {{1, 1}}},                          // corner queen: no solution on 6
        {8, {{1, 1}, {2, 5}, {3, 8}}},          // a split prefix
        {11, {{1, 6}, {11, 1}}},                // first and last column
        {10, {{5, 1}, {6, 10}}},                // both border rows inside
    };
    std::mt19937 random(20240611);
    for (int trial = 0; trial < 120; ++trial) {
        const int n = 1 + static_cast<int>(random() % 11);
        const int want = static_cast<int>(random() % 5);
        std::vector<Queen> fixed;
        for (int attempt = 0; attempt < 50 && static_cast<int>(fixed.size()) < want; ++attempt) {
            const Queen q{1 + static_cast<int>(random() % n), 1 + static_cast<int>(random() % n)};
            if (std::none_of(fixed.begin(), fixed.end(), [&](const Queen& f) { return Attack(f, q); }))
                fixed.push_back(q);
        }
        cases.emplace_back(n, fixed);
    }
    // Wide boards (masks of 31 and 32 bits), ten columns left free: queens on rows 2c mod 31 (a solution
    // of the 31-board, as 1, 2, 3 are prime to 31), placed as they are and one row lower.
    for (const int n : {31, 32}) {
        for (const int shift : {0, 1}) {
            std::vector<Queen> head, tail;
            for (int c = 0; c < n - 10; ++c)
                head.push_back({c + 1, (2 * c) % 31 + 1 + shift});
            for (int c = 10; c < n; ++c)
                tail.push_back({c + 1, (2 * c) % 31 + 1 + shift});
            if (n == 31 && shift == 1) continue;
            cases.emplace_back(n, head);
            cases.emplace_back(n, tail);
        }
    }
    for (const auto& [n, fixed] : cases) {
        std::string where = "n=" + std::to_string(n);
        for (const Queen& q : fixed)
            where += " " + std::to_string(q.Column) + ":" + std::to_string(q.Row);
        EXPECT_EQ(SumOfUnits(n, fixed, false), static_cast<std::uint64_t>(OracleSolutionCount(n, fixed)))
            << where;
    }
}

// Border placements found on their own: every set of 3 or 4 non-attacking border squares holding one queen
// on each of the four border lines.
using Placement = std::vector<std::pair<int, int>>;  // sorted (column, row)

std::vector<Placement> BorderPlacements(int n) {
    std::vector<std::pair<int, int>> border;
    for (int c = 1; c <= n; ++c)
        for (int r = 1; r <= n; ++r)
            if (c == 1 || c == n || r == 1 || r == n) border.emplace_back(c, r);
    std::vector<Placement> found;
    const auto search = [&](const auto& self, std::size_t from, Placement& set) -> void {
        const auto count = [&](auto on) { return std::count_if(set.begin(), set.end(), on); };
        if (count([](auto q) { return q.first == 1; }) == 1 &&
            count([&](auto q) { return q.first == n; }) == 1 &&
            count([](auto q) { return q.second == 1; }) == 1 &&
            count([&](auto q) { return q.second == n; }) == 1)
            found.push_back(set);
        if (set.size() == 4) return;
        for (std::size_t i = from; i < border.size(); ++i) {
            const Queen q{border[i].first, border[i].second};
            if (std::any_of(set.begin(), set.end(), [&](auto s) { return Attack({s.first, s.second}, q); }))
                continue;
            set.push_back(border[i]);
            self(self, i + 1, set);
            set.pop_back();
        }
    };
    Placement set;
    search(search, 0, set);
    return found;
}

std::set<Placement> Orbit(const Placement& p, int n) {
    std::set<Placement> orbit;
    for (int k = 0; k < 8; ++k) {
        Placement image;
        for (auto [c, r] : p) {
            if (k & 1) std::swap(c, r);
            if (k & 2) c = n + 1 - c;
            if (k & 4) r = n + 1 - r;
            image.emplace_back(c, r);
        }
        std::sort(image.begin(), image.end());
        orbit.insert(image);
    }
    return orbit;
}

TEST(StartConstellations, OneKeptClassPerPlacementWithOrbitSize) {
    for (int n = 6; n <= 10; ++n) {
        std::vector<std::pair<Placement, int>> kept;
        for (const auto& c : StartConstellations(n)) {
            Placement p;
            for (const Queen& q : c.Queens)
                p.emplace_back(q.Column, q.Row);
            kept.emplace_back(p, c.Multiplicity);
        }
        const std::vector<Placement> all = BorderPlacements(n);
        std::size_t total = 0;
        for (const auto& [p, multiplicity] : kept) {
            EXPECT_EQ(static_cast<std::size_t>(multiplicity), Orbit(p, n).size()) << "n=" << n;
            total += static_cast<std::size_t>(multiplicity);
        }
        EXPECT_EQ(total, all.size()) << "n=" << n;
        for (const Placement& p : all) {
            const std::set<Placement> orbit = Orbit(p, n);
            const auto classes =
                std::count_if(kept.begin(), kept.end(), [&](auto& k) { return orbit.count(k.first) > 0; });
            EXPECT_EQ(classes, 1) << "n=" << n;
        }
    }
}

TEST(WorkUnits, UnitsBiggestFirstDeterministicAndFixedKept) {
    const std::vector<Queen> fixed = {{1, 3}, {2, 5}};
    const WorkUnits a = MakeWorkUnits(13, fixed, false);
    const WorkUnits b = MakeWorkUnits(13, fixed, false);
    ASSERT_EQ(a.Size(), b.Size());
    for (std::size_t i = 0; i < a.Size(); ++i) {
        EXPECT_EQ(a.PlacedQueens(i), b.PlacedQueens(i));
        if (i > 0) {
            EXPECT_GE(a.ExpectedWork(i - 1), a.ExpectedWork(i));
        }
    }
    const WorkUnits whole = MakeWorkUnits(17, {}, false);
    EXPECT_GE(whole.Size(), 2000u);
}

TEST(CountWorkUnit, StopsAndCountsNodes) {
    // The biggest unit of a 21-board runs for seconds; a stop 20 ms in ends it early.
    const WorkUnits plan = MakeWorkUnits(21, {}, false);
    std::atomic<bool> stop{false};
    StopPoll poll{&stop};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stop = true;
    });
    CountWorkUnit(plan, 0, poll);
    stopper.join();
    EXPECT_TRUE(poll.Stopped);

    const WorkUnits small = MakeWorkUnits(12, {{1, 4}}, false);
    for (std::size_t i = 0; i < small.Size(); ++i) {
        StopPoll none;
        std::uint64_t nodes = 0;
        const std::uint64_t counted = small.Share(
            i, CountCompletionsNodes(MakeLayout({.N = 12, .Fixed = small.PlacedQueens(i)}), nodes), none);
        EXPECT_EQ(counted, CountWorkUnit(small, i, none));
        EXPECT_GE(nodes, counted);
    }
}

TEST(MakeWorkUnits, RejectsBadArguments) {
    const std::vector<std::pair<int, std::vector<Queen>>> bad = {
        {0, {}}, {33, {}}, {8, {{1, 1}, {2, 2}}}, {8, {{1, 1}, {1, 5}}}, {8, {{9, 1}}}};
    for (const auto& [n, fixed] : bad)
        EXPECT_THROW(MakeWorkUnits(n, fixed, false), std::invalid_argument);
    EXPECT_THROW(MakeWorkUnits(8, {{1, 1}}, true), std::invalid_argument);
}

}  // namespace
}  // namespace nq::testing
