// SPDX-License-Identifier: GPL-3.0-or-later
// Counting on every core, seen through the window: every position and solution number shown at a pump is a
// state the one-core search passes through, a run ends in the one-core run's state (also when the whole
// count ends it at a chosen pump: at once, inside a subtree, on a completed placement, before the box is
// checked, after a break), a break shows such a state and goes on from it, checking the box stops at the next
// solution after the position shown, and a reset ends the workers' counts. Random boards (n <= 12, with and
// without fixed queens) and random pumps, held against the oracle's search tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "count/background_count.h"
#include "count/wide_count.h"
#include "support/oracle.h"
#include "support/search_driver.h"
#include "support/window_script.h"
#include "window/board_picture.h"

namespace nq {
namespace {

using testing::EntriesOf;
using testing::FixedSet;
using testing::Placement;
using testing::WindowScript;

// The one-core search's states, as the oracle knows them: a state is a node of the tree (the fixed queens and
// the first free columns placed), and its solution number is the count of the solutions that come before it.
class OneCoreStates {
  public:
    OneCoreStates(int n, const FixedSet& fixed) : n_(n), fixed_(fixed), isFixed_(n + 1, false) {
        for (const testing::FixedQueen& q : fixed)
            isFixed_[q.Column] = true;
        if (static_cast<int>(fixed.size()) == n) {
            if (testing::IsSolution(n, testing::PlacementOf(n, fixed)))
                solutions_.push_back(testing::PlacementOf(n, fixed));
            return;
        }
        testing::PartialPlacementTree(n, fixed).Walk([&](const Placement& p, int next) {
            if (next == n + 1) solutions_.push_back(p);
            return true;
        });
    }

    const std::vector<Placement>& Solutions() const { return solutions_; }

    // The solutions the one-core search has counted when it stands on the node `queens`.
    std::int64_t Before(const Placement& queens) const {
        int last = 0;  // the last free column holding a queen
        for (int c = 1; c <= n_; ++c) {
            if (!isFixed_[c] && queens[c - 1] != 0) last = c;
        }
        const auto less = [last](const Placement& a, const Placement& b) {
            return std::lexicographical_compare(a.begin(), a.begin() + last, b.begin(), b.begin() + last);
        };
        return std::lower_bound(solutions_.begin(), solutions_.end(), queens, less) - solutions_.begin();
    }

    // Empty when the window shows a state of the one-core search: a consistent board on a node of the tree,
    // and the solution number of that node.
    std::string Fault(const Form1& form) const {
        const std::string board = testing::CheckBoardInvariants(form, fixed_);
        const Placement queens = testing::QueensOf(form);
        const std::string at = " at " + testing::PlacementText(queens);
        if (!board.empty()) return board + at;
        const std::int64_t expected = Before(queens);
        if (form.SolutionCount != expected) {
            return "solution number " + std::to_string(form.SolutionCount) + ", the one-core search has " +
                   std::to_string(expected) + at;
        }
        if (expected > 0 && form.Text3.Text != std::to_string(expected))
            return "Text3 " + form.Text3.Text + at;
        return {};
    }

  private:
    int n_;
    FixedSet fixed_;
    std::vector<bool> isFixed_;
    std::vector<Placement> solutions_;
};

// The whole count with its total held back from the window while Held (the workers go on), so that a test
// chooses the pass at which it ends the search.
class HeldCount final : public BackgroundCount {
  public:
    bool Held = false;
    std::optional<WideCount> Total() const override { return Held ? std::nullopt : BackgroundCount::Total(); }
    // The workers' total is there, held or not.
    bool Known() const { return BackgroundCount::Total().has_value(); }
};

enum class Act { RunThrough, Breaks, CheckTheBox, Reset };

struct Row {
    std::string Name;
    int N = 0;
    FixedSet Fixed;
    Act What = Act::RunThrough;
    std::vector<long long> Pumps;  // where the act happens, over the window's life
    // The pump at which the whole count is let through to the run loop (first, before the act there): 0
    // whenever it comes, -1 at the first pump that finds a completed placement under the cursor.
    long long CountAt = 0;
};

constexpr long long kOnPlacement = -1;

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.Name << " " << testing::NameOfSize(row.N) << " " << testing::FixedSetText(row.Fixed);
}

std::vector<Row> Rows() {
    std::vector<Row> rows = {
        {"n1", 1, {}, Act::RunThrough, {}},
        {"no_solution_n3", 3, {}, Act::RunThrough, {}},
        {"no_solution_fixed", 9, {{1, 1}, {9, 2}}, Act::Breaks, {1}},
        {"n12", 12, {}, Act::RunThrough, {}},
        {"n12_breaks", 12, {}, Act::Breaks, {2, 5, 9, 14, 30, 31, 60}},
        {"n11_fixed_breaks", 11, {{2, 5}}, Act::Breaks, {1, 3, 4, 20}},
        {"n12_check_box", 12, {}, Act::CheckTheBox, {40}},
        {"n10_fixed_check_box", 10, {{10, 3}}, Act::CheckTheBox, {3}},
        {"n12_reset", 12, {}, Act::Reset, {25}},
        {"count_at_once", 12, {}, Act::RunThrough, {}, 1},
        {"count_inside_subtree", 11, {{1, 2}, {6, 4}}, Act::RunThrough, {}, 9},
        {"count_on_placement", 12, {}, Act::RunThrough, {}, kOnPlacement},
        {"count_then_box_checked", 12, {}, Act::CheckTheBox, {30}, 30},
        {"count_after_break", 12, {{12, 5}}, Act::Breaks, {4, 9}, 15},
    };
    std::mt19937 random(20240611);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int k = 0; rows.size() < 33; ++k) {
        Row row;
        row.N = k % 5 == 0 ? pick(1, 7) : pick(8, 12);
        row.What = static_cast<Act>(k % 4);
        const int queens = k % 2 == 0 ? 0 : pick(1, 3);
        for (int q = 0; q < queens; ++q) {
            const testing::FixedQueen candidate{pick(1, row.N), pick(1, row.N)};
            FixedSet more = row.Fixed;
            more.push_back(candidate);
            std::sort(more.begin(), more.end(), [](auto& a, auto& b) { return a.Column < b.Column; });
            if (testing::FixedSetIsConsistent(row.N, more)) row.Fixed = more;
        }
        for (int p = pick(1, 4); p > 0; --p)
            row.Pumps.push_back(pick(1, 40));
        std::sort(row.Pumps.begin(), row.Pumps.end());
        row.Pumps.erase(std::unique(row.Pumps.begin(), row.Pumps.end()), row.Pumps.end());
        row.Name = "random" + std::to_string(k);
        rows.push_back(row);
    }
    return rows;
}

// What a finished or idle window shows, and the cursor and working rows its search left, for comparing two
// runs.
std::string EndState(const WindowScript& w) {
    const Form1& f = w.form;
    return f.Text2.Text + " | " + f.Text3.Text + " | " + w.Controls() + " | " +
           testing::PlacementText(testing::QueensOf(f)) + " | " + std::to_string(f.SolutionCount) + " | " +
           std::to_string(f.SearchColumn) + " " + std::to_string(f.PreviousRow) + " " +
           std::to_string(f.CandidateRow) + " " + std::to_string(f.SearchFinished);
}

class CountOnCores : public ::testing::TestWithParam<Row> {};

TEST_P(CountOnCores, EveryStopShowsAStateOfTheOneCoreSearch) {
    const Row& row = GetParam();
    const OneCoreStates states(row.N, row.Fixed);
    const std::string n = std::to_string(row.N);

    WindowScript one;
    one.Test(n, EntriesOf(row.Fixed));
    one.SetStopAtSolution(false);
    one.Start();

    WindowScript w;
    auto held = std::make_unique<HeldCount>();
    HeldCount& count = *held;
    w.form.CountOnCores(2, std::move(held));
    std::vector<std::string> faults;
    auto check = [&](const char* where) {
        const std::string fault = states.Fault(w.form);
        if (!fault.empty() && faults.size() < 3) faults.push_back(std::string(where) + ": " + fault);
    };
    // A pump that takes a moment, as a real window's does, lets the workers get ahead of the search.
    // Held until the chosen pump, where the test waits for the total: the search must then end in the very
    // next pass, unless the box is checked with solutions left.
    long long countedAt = -1;  // the pump that let the whole count through
    const auto letCountThrough = [&] {
        count.Held = false;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!count.Known() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ASSERT_TRUE(count.Known());
        countedAt = w.platform.Pumps;
    };
    count.Held = row.CountAt != 0;
    w.platform.EveryPump = [&] {
        if (w.form.Text2.Text != kStateTestInput) check("pump");
        if (row.CountAt == kOnPlacement && countedAt < 0 && w.form.SearchColumn == row.N + 1)
            letCountThrough();
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    };
    std::vector<long long> acts = row.Pumps;
    if (row.CountAt > 0) acts.push_back(row.CountAt);
    std::int64_t beforeCheck = -1;  // the solutions before the position shown when the box was checked
    for (long long pump : acts) {
        w.AtPump(pump, [&, pump] {
            if (pump == row.CountAt) letCountThrough();
            if (std::find(row.Pumps.begin(), row.Pumps.end(), pump) == row.Pumps.end()) return;
            switch (row.What) {
                case Act::Breaks: w.Break(); break;
                case Act::Reset:
                    w.Answer(kAnswerYes);
                    w.Reset();
                    break;
                case Act::CheckTheBox:
                    if (pump != row.Pumps.front()) break;
                    beforeCheck = states.Before(testing::QueensOf(w.form));
                    w.SetStopAtSolution(true);
                    break;
                case Act::RunThrough: break;
            }
        });
    }
    w.Test(n, EntriesOf(row.Fixed));
    w.SetStopAtSolution(false);
    w.Start();

    for (int guard = 0; w.form.Text2.Text == kStateInterrupted && guard < 100; ++guard) {
        check("break");
        EXPECT_EQ(w.DisplayRow(), testing::RowText(testing::QueensOf(w.form)));
        w.Start();
    }
    if (row.What == Act::CheckTheBox && beforeCheck >= 0) {
        const auto& solutions = states.Solutions();
        if (beforeCheck < static_cast<std::int64_t>(solutions.size())) {
            ASSERT_EQ(w.form.Text2.Text, kStateSolutionFound);
            EXPECT_EQ(w.form.Text3.Text, std::to_string(beforeCheck + 1));
            EXPECT_EQ(w.DisplayRow(), testing::RowText(solutions[beforeCheck]));
            w.SetStopAtSolution(false);
            const long long pumps = w.platform.Pumps;
            w.Next();
            if (countedAt > 0) {
                EXPECT_EQ(w.platform.Pumps, pumps) << "the known count did not end the run";
            }
        }
    } else if (row.CountAt != 0) {
        EXPECT_EQ(w.platform.Pumps, countedAt) << "the whole count did not end the run in the next pass";
    }
    if (row.What == Act::Reset && w.form.Text2.Text == kStateTestInput) {
        EXPECT_EQ(w.Controls(), testing::kControlsIdle);
        EXPECT_FALSE(w.form.WholeCount().has_value()) << "the workers' counts outlive the reset";
    } else {
        EXPECT_EQ(EndState(w), EndState(one));
        if (row.What == Act::RunThrough) {
            EXPECT_EQ(w.DisplayRow(), one.DisplayRow());
        }
    }
    // The workers count n = 12 in milliseconds; the one-core search takes thousands of pumps.
    if (row.What == Act::RunThrough && row.CountAt == 0 && row.N >= 12) {
        EXPECT_LT(w.platform.Pumps * 2, one.platform.Pumps);
    }
    EXPECT_EQ(faults, std::vector<std::string>{});
}

std::string RowName(const ::testing::TestParamInfo<Row>& row) {
    return row.param.Name;
}

INSTANTIATE_TEST_SUITE_P(Boards, CountOnCores, ::testing::ValuesIn(Rows()), RowName);

// The workers' total raised past 64 bits, as whole boards from about n = 29 on would have it.
class PastSixtyFourBits final : public BackgroundCount {
  public:
    std::optional<WideCount> Total() const override {
        const std::optional<WideCount> total = BackgroundCount::Total();
        if (!total) return std::nullopt;
        return *total + (WideCount{1} << 64);
    }
};

// A total past the solution number's 63 bits ends the search with every digit of it in the solution box and
// on the board window, as the console prints it; the number never wraps.
TEST(CountOnCoresTotal, PastSixtyFourBitsShowsEveryDigit) {
    WindowScript w;
    auto past = std::make_unique<PastSixtyFourBits>();
    const PastSixtyFourBits& count = *past;
    w.form.CountOnCores(2, std::move(past));
    w.platform.EveryPump = [&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (count.Begun() && !count.Total() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    };
    w.Test("12", {});
    w.SetStopAtSolution(false);
    w.Start();
    EXPECT_EQ(w.form.Text2.Text, kStateFinished);
    EXPECT_EQ(w.form.Text3.Text, "18446744073709565816");  // 2^64 + 14200
    EXPECT_EQ(w.form.SolutionCount, std::numeric_limits<std::int64_t>::max());
    BoardWatcher watcher;
    EXPECT_NE(watcher.Take(w.form, 1.0).Status.find(", 18446744073709565816 solutions"), std::string::npos)
        << watcher.Picture().Status;
}

}  // namespace
}  // namespace nq
