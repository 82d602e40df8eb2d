// SPDX-License-Identifier: GPL-3.0-or-later
// The run loop seen through the window: when the event pump is called, a break before the first solution and
// the continuation, clicks injected at a chosen pump (check box, "next solution" while a run goes, break and
// continue in one pump), and solution numbers beyond 32 bits. Positions and solutions are held against the
// oracle's search tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "support/oracle.h"
#include "support/window_script.h"

namespace nq {
namespace {

using testing::EntriesOf;
using testing::EntryTexts;
using testing::FixedSet;
using testing::Placement;
using testing::RowText;
using testing::WindowScript;

std::vector<Placement> SolutionsAmong(const std::vector<testing::TreeNode>& nodes, int n) {
    std::vector<Placement> out;
    for (const testing::TreeNode& node : nodes) {
        if (node.NextColumn == n + 1) out.push_back(node.Queens);
    }
    return out;
}

// The placement on the board right now, columns 1..n.
Placement BoardNow(const Form1& form) {
    return Placement(form.QueenRow.begin() + 1, form.QueenRow.begin() + 1 + form.BoardSize);
}

std::string Snapshot(std::int64_t count, const Placement& queens) {
    return std::to_string(count) + ": " + RowText(queens);
}

// ---- When the pump is called.
//
// With the box checked every run ends at a solution or at the end, and each pass before that makes one search
// step, which is one node of the search tree. So a run that sets off from node s (0 at the first start, the
// solution's node after "next solution") and ends at node e (the next solution, counted one pass later) or at
// the last node T (the finishing step being one pass more) has e - s + 1 or T - s + 1 passes, and its j-th
// pump comes after its pass 100 j, on node s + 100 j.

struct CadenceRow {
    int N;
    FixedSet Fixed;
    long long Pumps;  // over all runs; -1 where not stated by hand
};

// Names the row in failure messages instead of its bytes.
void PrintTo(const CadenceRow& row, std::ostream* os) {
    *os << testing::NameOfSize(row.N) << " " << testing::FixedSetText(row.Fixed);
}

std::vector<std::string> ExpectedPumpSnapshots(const std::vector<testing::TreeNode>& nodes, int n) {
    std::vector<std::string> out;
    std::size_t from = 0;  // node the run sets off from, 1-based; 0 before the first
    std::int64_t counted = 0;
    auto runTo = [&](std::size_t last) {
        for (std::size_t at = from + 100; at <= last; at += 100)
            out.push_back(Snapshot(counted, nodes[at - 1].Queens));
    };
    for (std::size_t i = 1; i <= nodes.size(); ++i) {
        if (nodes[i - 1].NextColumn != n + 1) continue;
        runTo(i);
        ++counted;
        from = i;
    }
    runTo(nodes.size());
    return out;
}

std::string CadenceName(const ::testing::TestParamInfo<CadenceRow>& info) {
    std::string name = testing::NameOfSize(info.param.N);
    for (const auto& q : info.param.Fixed)
        name += "_c" + std::to_string(q.Column) + "r" + std::to_string(q.Row);
    return name;
}

class PumpCadence : public ::testing::TestWithParam<CadenceRow> {};

TEST_P(PumpCadence, PumpComesAfterEveryHundredPassesOfARun) {
    const auto& [n, fixed, pumps] = GetParam();
    ASSERT_TRUE(testing::FixedSetIsConsistent(n, fixed));
    const std::vector<testing::TreeNode> nodes = testing::AllTreeNodes(n, fixed);
    const std::vector<std::string> expected = ExpectedPumpSnapshots(nodes, n);
    if (pumps >= 0) {
        ASSERT_EQ(static_cast<long long>(expected.size()), pumps) << "figure against oracle";
    }

    WindowScript w;
    std::vector<std::string> seen;
    w.platform.EveryPump = [&] { seen.push_back(Snapshot(w.form.SolutionCount, BoardNow(w.form))); };
    w.Test(std::to_string(n), EntriesOf(fixed));
    w.Start();
    for (int guard = 0; w.form.Text2.Text == "solution found" && guard < 100000; ++guard)
        w.Next();
    EXPECT_EQ(w.form.Text2.Text, kStateFinished);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(w.platform.Pumps, static_cast<long long>(expected.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Boards, PumpCadence,
    ::testing::Values(CadenceRow{4, {}, 0}, CadenceRow{6, {}, 0}, CadenceRow{8, {}, 2},
                      CadenceRow{8, {{1, 1}}, 1},
                      CadenceRow{9, {{1, 1}, {9, 2}}, 1},  // no solution, 120 nodes: one run of 121 passes
                      CadenceRow{9, {{1, 2}, {9, 1}}, 0},  // no solution, 96 nodes: one run of 97 passes
                      CadenceRow{9, {}, -1}, CadenceRow{10, {}, -1},  // runs of 100, 101, 102 and 202 passes
                      CadenceRow{10, {{10, 1}}, -1}, CadenceRow{11, {{1, 1}}, -1}),
    CadenceName);

// Without stopping at solutions the small boards call no pump either; a search without solutions has one pass
// per node plus the finishing one, so the same pumps as above.
TEST(PumpCadenceRunThroughFigures, SameAsStoppingWhereNoSolutionIntervenes) {
    struct Row {
        int N;
        FixedSet Fixed;
        long long Pumps;
    };
    const std::vector<Row> rows = {
        {4, {}, 0}, {3, {}, 0}, {9, {{1, 1}, {9, 2}}, 1}, {9, {{1, 2}, {9, 1}}, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::NameOfSize(row.N) + " " + testing::FixedSetText(row.Fixed));
        WindowScript w;
        std::vector<Placement> seen;
        w.platform.EveryPump = [&] { seen.push_back(BoardNow(w.form)); };
        w.Test(std::to_string(row.N), EntriesOf(row.Fixed));
        w.SetStopAtSolution(false);
        w.Start();
        EXPECT_EQ(w.form.Text2.Text, kStateFinished);
        ASSERT_EQ(w.platform.Pumps, row.Pumps);
        const std::vector<testing::TreeNode> nodes = testing::AllTreeNodes(row.N, row.Fixed);
        for (std::size_t j = 1; j <= seen.size(); ++j)
            EXPECT_EQ(seen[j - 1], nodes[100 * j - 1].Queens);
    }
}

// Running through, the pass that counts a solution also makes the step after it and, unless that step
// completes another solution or ends the search, one step more. So passes and nodes drift apart by one per
// solution; the pumps still come after passes 100, 200, ... of the run.
std::vector<std::string> ExpectedRunThroughSnapshots(const std::vector<testing::TreeNode>& nodes, int n,
                                                     const Placement& fixedOnly) {
    const std::size_t last = nodes.size();
    auto isSolution = [&](std::size_t at) { return at >= 1 && nodes[at - 1].NextColumn == n + 1; };
    std::vector<std::string> out;
    std::size_t at = 0;  // node on the board, 1-based; 0 before the first step
    bool finished = false;
    bool completed = nodes.empty();  // every column fixed: the first pass counts the fixed placement
    std::int64_t counted = 0;
    auto step = [&] {
        if (at == last) {
            finished = true;
        } else {
            ++at;
        }
    };
    for (long long passes = 0;; ++passes) {
        if (finished) break;
        if (passes > 0 && passes % 100 == 0)
            out.push_back(Snapshot(counted, at == 0 ? fixedOnly : nodes[at - 1].Queens));
        if (completed) {
            ++counted;
            step();
            if (!finished && !isSolution(at)) step();
        } else {
            step();
        }
        completed = !finished && isSolution(at);
    }
    return out;
}

class PumpCadenceRunThrough : public ::testing::TestWithParam<CadenceRow> {};

TEST_P(PumpCadenceRunThrough, PumpComesAfterEveryHundredPasses) {
    const auto& [n, fixed, unused] = GetParam();
    ASSERT_TRUE(testing::FixedSetIsConsistent(n, fixed));
    const std::vector<testing::TreeNode> nodes = testing::AllTreeNodes(n, fixed);
    const std::vector<std::string> expected =
        ExpectedRunThroughSnapshots(nodes, n, testing::PlacementOf(n, fixed));

    WindowScript w;
    std::vector<std::string> seen;
    w.platform.EveryPump = [&] { seen.push_back(Snapshot(w.form.SolutionCount, BoardNow(w.form))); };
    w.Test(std::to_string(n), EntriesOf(fixed));
    w.SetStopAtSolution(false);
    w.Start();
    EXPECT_EQ(w.form.Text2.Text, kStateFinished);
    EXPECT_EQ(seen, expected);
}

INSTANTIATE_TEST_SUITE_P(Boards, PumpCadenceRunThrough,
                         ::testing::Values(CadenceRow{8, {}, -1}, CadenceRow{8, {{8, 4}}, -1},
                                           CadenceRow{10, {}, -1}, CadenceRow{10, {{10, 1}}, -1},
                                           CadenceRow{11, {{1, 1}}, -1},
                                           CadenceRow{12, {{11, 3}, {12, 1}}, -1},
                                           CadenceRow{12, {{1, 6}, {2, 12}, {12, 1}}, -1}),
                         CadenceName);

// ---- "break" before the first solution, on boards whose first solution lies far in the tree.

struct BreakRow {
    int N;
    FixedSet Fixed;
    std::vector<long long> BreakPumps;  // pumps (counted over the window's life) at which "break" is clicked
};

// Names the row in failure messages instead of its bytes.
void PrintTo(const BreakRow& row, std::ostream* os) {
    *os << testing::NameOfSize(row.N) << " " << testing::FixedSetText(row.Fixed);
}

// The nodes at the given 1-based positions and the first solution, by walking the tree up to that solution.
struct FarWalk {
    std::map<std::size_t, Placement> Nodes;
    std::size_t FirstSolutionAt = 0;
    Placement FirstSolution;
};

FarWalk WalkToFirstSolution(int n, const FixedSet& fixed, const std::set<std::size_t>& wanted) {
    FarWalk walk;
    std::size_t at = 0;
    testing::PartialPlacementTree(n, fixed).Walk([&](const Placement& p, int next) {
        ++at;
        if (wanted.count(at) != 0) walk.Nodes[at] = p;
        if (next != n + 1) return true;
        walk.FirstSolutionAt = at;
        walk.FirstSolution = p;
        return false;
    });
    return walk;
}

class BreakBeforeFirstSolution : public ::testing::TestWithParam<BreakRow> {};

// A break loses no step and repeats none: whatever the breaks, the k-th pump of the window sees node 100 k,
// which the break shows; the continuation finds the first solution and numbers it 1.
TEST_P(BreakBeforeFirstSolution, ShowsThePositionAndContinues) {
    const auto& [n, fixed, breakPumps] = GetParam();
    ASSERT_TRUE(testing::FixedSetIsConsistent(n, fixed));
    std::set<std::size_t> wanted;
    for (long long m : breakPumps)
        wanted.insert(static_cast<std::size_t>(100 * m));
    const FarWalk walk = WalkToFirstSolution(n, fixed, wanted);
    ASSERT_GT(walk.FirstSolutionAt, 100 * static_cast<std::size_t>(breakPumps.back()))
        << "row needs a later solution";

    WindowScript w;
    for (long long m : breakPumps)
        w.AtPump(m, [&w] { w.Break(); });
    w.Test(std::to_string(n), EntriesOf(fixed));
    w.Start();
    std::string interruptedAt = RowText(testing::PlacementOf(n, fixed));  // where the first run set off
    for (long long m : breakPumps) {
        SCOPED_TRACE("break at pump " + std::to_string(m));
        const std::string position = RowText(walk.Nodes.at(static_cast<std::size_t>(100 * m)));
        EXPECT_EQ(w.EntryRow(), interruptedAt);
        EXPECT_EQ(w.form.Text2.Text, "computation interrupted");
        EXPECT_EQ(w.DisplayRow(), position);
        EXPECT_EQ(w.form.Text3.Text, "");
        EXPECT_EQ(w.Controls(), "test:0 start:1 break:0 next:0 check:1/1 locked:1");
        EXPECT_EQ(w.platform.Pumps, m);
        interruptedAt = position;
        w.Start();
    }
    EXPECT_EQ(w.form.Text2.Text, "solution found");
    EXPECT_EQ(w.form.Text3.Text, "1");
    EXPECT_EQ(w.DisplayRow(), RowText(walk.FirstSolution));
    EXPECT_EQ(w.EntryRow(), interruptedAt);
    EXPECT_EQ(w.Controls(), testing::kControlsAtSolution);
    EXPECT_EQ(w.form.Text1.Text, std::to_string(n));
}

INSTANTIATE_TEST_SUITE_P(Boards, BreakBeforeFirstSolution,
                         ::testing::Values(BreakRow{24, {}, {1}}, BreakRow{24, {}, {3}},
                                           BreakRow{24, {}, {1, 4, 9}}, BreakRow{20, {}, {1}},
                                           BreakRow{20, {}, {2, 3}}, BreakRow{20, {}, {1, 100, 1000}},
                                           BreakRow{16, {{1, 8}, {16, 9}}, {1, 2}}));

// ---- Clicks injected at a chosen pump of one run, then every remaining solution stepped through.

struct PumpActionRow {
    std::string Name;
    bool CheckedAtStart;
    int StopsBefore;  // solution stops (box checked) before the run that gets the clicks; that run is then
                      // started by "next solution", else by "start/continue"
    std::map<long long, std::string> Actions;  // pump of that run (1 = its first) -> clicks in order: t check
                                               // box, b break, s start/continue, n next solution
    std::string NextEnabled;  // "next solution" enabled right after each pump's clicks, in pump order
    std::string StateAfter;   // Text2 when that run's click returns
};

// Names the row in failure messages instead of its bytes.
void PrintTo(const PumpActionRow& row, std::ostream* os) {
    *os << row.Name;
}

// Boards: n = 10. Its first solution is node 102, so a first run has one pump before it; the run from
// solution 64 to 65 has 202 passes, two pumps.
const std::vector<PumpActionRow>& PumpActionRows() {
    static const std::vector<PumpActionRow> rows = {
        {"check_before_any_solution_enables_nothing", false, 0, {{1, "t"}}, "0", "solution found"},
        {"check_after_a_solution_enables_next", false, 0, {{5, "t"}}, "1", "solution found"},
        {"check_twice_in_a_next_run", true, 64, {{1, "tt"}}, "1", "solution found"},
        {"clear_in_a_next_run_enables_nothing", true, 64, {{1, "t"}}, "0", kStateFinished},
        {"check_after_break_enables_nothing", false, 0, {{5, "bt"}}, "0", "computation interrupted"},
        {"toggle_after_break_in_a_next_run", true, 64, {{2, "btt"}}, "0", "computation interrupted"},
        {"break_in_a_next_run", true, 64, {{2, "b"}}, "0", "computation interrupted"},
        {"next_while_running_stops_at_the_next_solution", false, 0, {{5, "tn"}}, "0", "solution found"},
        {"next_while_running_then_box_cleared", false, 0, {{5, "tnt"}}, "0", kStateFinished},
        {"next_pressed_twice_while_running", false, 0, {{5, "tnn"}}, "0", "solution found"},
        {"break_and_continue_in_one_pump_stopping", true, 0, {{1, "bs"}}, "1", "solution found"},
        {"break_and_continue_in_one_pump_through", false, 0, {{3, "bs"}}, "0", kStateFinished},
        {"break_and_continue_in_a_next_run", true, 64, {{2, "bs"}}, "1", "solution found"},
        {"break_and_continue_nested_twice", false, 0, {{3, "bs"}, {7, "bs"}}, "00", kStateFinished},
        {"next_while_running_in_a_nested_run", false, 0, {{3, "bs"}, {6, "tn"}}, "10", "solution found"},
        {"break_twice_in_one_pump", false, 0, {{4, "bb"}}, "0", "computation interrupted"},
    };
    return rows;
}

// Steps through the rest of the search as a user would ("next solution" at every stop, "start/continue" at
// every break), checking that each stop shows the solution its number names, the numbers going up by one.
void FollowToTheEnd(WindowScript& w, const std::vector<Placement>& solutions) {
    std::size_t last = 0;
    for (int guard = 0; guard < 5000 && w.form.Text2.Text != kStateFinished; ++guard) {
        if (w.form.Text2.Text == "computation interrupted") {
            w.Start();
            continue;
        }
        ASSERT_EQ(w.form.Text2.Text, "solution found");
        const std::size_t k = std::stoul(w.form.Text3.Text);
        ASSERT_GE(k, 1u);
        ASSERT_LE(k, solutions.size());
        EXPECT_EQ(w.DisplayRow(), RowText(solutions[k - 1])) << "solution " << k;
        if (last != 0) {
            EXPECT_EQ(k, last + 1);
            EXPECT_EQ(w.EntryRow(), RowText(solutions[last - 1]));
        }
        last = k;
        w.Next();
    }
    EXPECT_EQ(w.form.Text2.Text, kStateFinished);
    EXPECT_EQ(w.form.Text3.Text, std::to_string(solutions.size()));
}

class PumpActions : public ::testing::TestWithParam<PumpActionRow> {};

TEST_P(PumpActions, EverySolutionCountedOnceAndShownWhole) {
    const PumpActionRow& row = GetParam();
    constexpr int n = 10;
    const std::vector<Placement> solutions = SolutionsAmong(testing::AllTreeNodes(n, {}), n);

    WindowScript w;
    w.Test(std::to_string(n));
    w.SetStopAtSolution(row.CheckedAtStart);
    if (row.StopsBefore > 0) {
        w.Start();
        for (int k = 1; k < row.StopsBefore; ++k)
            w.Next();
        ASSERT_EQ(w.form.Text3.Text, std::to_string(row.StopsBefore));
    }

    std::map<long long, char> nextEnabled;          // by pump of the run
    std::map<long long, std::int64_t> countAtPump;  // solutions counted when the pump came
    const long long base = w.platform.Pumps;
    for (const auto& [pump, clicks] : row.Actions) {
        w.AtPump(base + pump, [&, pump = pump, clicks = clicks] {
            countAtPump[pump] = w.form.SolutionCount;
            for (char click : clicks) {
                if (click == 't') w.Toggle();
                if (click == 'b') w.Break();
                if (click == 's') w.Start();
                if (click == 'n') w.Next();
            }
            nextEnabled[pump] = w.form.Command4.Enabled ? '1' : '0';
        });
    }
    if (row.StopsBefore > 0) {
        w.Next();
    } else {
        w.Start();
    }

    ASSERT_EQ(nextEnabled.size(), row.Actions.size()) << "every injected pump came within the run";
    std::string enabled;
    for (const auto& [pump, on] : nextEnabled)
        enabled += on;
    EXPECT_EQ(enabled, row.NextEnabled);
    EXPECT_EQ(w.form.Text2.Text, row.StateAfter);
    const std::int64_t lastCount = countAtPump.rbegin()->second;
    if (row.StateAfter == "solution found") {
        // The run stops at the first solution after the last clicks, and that one is counted once.
        EXPECT_EQ(w.form.Text3.Text, std::to_string(lastCount + 1));
        EXPECT_EQ(w.Controls(), testing::kControlsAtSolution);
    }
    if (row.StateAfter == "computation interrupted") {
        EXPECT_EQ(w.form.Text3.Text, lastCount > 0 ? std::to_string(lastCount) : "");
        EXPECT_EQ(w.DisplayRow(), RowText(BoardNow(w.form)));
        EXPECT_TRUE(w.form.Command2.Enabled);
        EXPECT_FALSE(w.form.Command4.Enabled);
    }
    FollowToTheEnd(w, solutions);
    EXPECT_EQ(w.form.SolutionCount, static_cast<std::int64_t>(solutions.size()));
}

INSTANTIATE_TEST_SUITE_P(Rows, PumpActions, ::testing::ValuesIn(PumpActionRows()),
                         [](const ::testing::TestParamInfo<PumpActionRow>& row_info) {
                             return row_info.param.Name;
                         });

// ---- Solution numbers beyond 32 bits. No real run gets there cheaply, so the count is raised inside a pump
// (a direct field write) and the window must go on counting and showing it in full.
TEST(RunLoopCount, ShowsNumbersBeyondThirtyTwoBits) {
    const std::vector<std::int64_t> raises = {std::int64_t{1} << 31, (std::int64_t{1} << 32) - 3,
                                              3 * (std::int64_t{1} << 31), 1'000'000'000'000};
    const std::int64_t total = testing::OracleSolutionCount(8, {});
    for (std::int64_t raise : raises) {
        SCOPED_TRACE("raised by " + std::to_string(raise));
        WindowScript w;
        w.Test("8");
        w.SetStopAtSolution(false);
        std::int64_t before = -1;
        w.AtPump(5, [&] {
            before = w.form.SolutionCount;
            w.form.SolutionCount += raise;
            w.Break();  // shows the raised count
        });
        w.Start();
        ASSERT_GT(before, 0);
        EXPECT_EQ(w.form.Text2.Text, "computation interrupted");
        EXPECT_EQ(w.form.Text3.Text, std::to_string(before + raise));
        w.Start();
        EXPECT_EQ(w.form.Text2.Text, kStateFinished);
        EXPECT_EQ(w.form.Text3.Text, std::to_string(total + raise));
    }
}

}  // namespace
}  // namespace nq
