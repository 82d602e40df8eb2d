// SPDX-License-Identifier: GPL-3.0-or-later
// Whole search cycles through the window: test, start, stop at every solution, "next solution" to the end, or
// run through counting; fixed queens, every column fixed, the refresh of the entry row and of n at a start.
// Every solution and count is held against the brute-force oracle.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
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

// Every solution keeping the fixed queens, in the order the search finds them. The fixed queens must be a set
// the test accepts; the tree walk does not check them against each other.
std::vector<Placement> OracleSolutions(int n, const FixedSet& fixed) {
    EXPECT_TRUE(testing::FixedSetIsConsistent(n, fixed)) << "fixed queens attack each other";
    if (static_cast<int>(fixed.size()) == n) {
        const Placement all = testing::PlacementOf(n, fixed);
        if (testing::IsSolution(n, all)) return {all};
        return {};
    }
    std::vector<Placement> out;
    for (const testing::TreeNode& node : testing::AllTreeNodes(n, fixed)) {
        if (node.NextColumn == n + 1) out.push_back(node.Queens);
    }
    return out;
}

struct BoardRow {
    int N;
    FixedSet Fixed;
};

// Names the row in failure messages instead of its bytes.
void PrintTo(const BoardRow& row, std::ostream* os) {
    *os << testing::NameOfSize(row.N) << " " << testing::FixedSetText(row.Fixed);
}

std::string BoardName(const ::testing::TestParamInfo<BoardRow>& info) {
    std::string name = testing::NameOfSize(info.param.N);
    for (const testing::FixedQueen& q : info.param.Fixed) {
        name += "_c" + std::to_string(q.Column) + "r" + std::to_string(q.Row);
    }
    return name;
}

const std::vector<BoardRow>& Boards() {
    static const std::vector<BoardRow> rows = {
        {1, {}},
        {2, {}},
        {3, {}},
        {4, {}},
        {5, {}},
        {6, {}},
        {8, {}},
        {8, {{1, 1}}},
        {8, {{8, 4}}},
        {8, {{3, 5}, {6, 1}}},
        {8, {{1, 1}, {8, 2}}},  // no solution
        {9, {{2, 5}, {7, 3}}},
        {10, {}},
        {1, {{1, 1}}},                          // every column fixed
        {4, {{1, 2}, {2, 4}, {3, 1}, {4, 3}}},  // every column fixed
        {5, {{1, 1}, {2, 3}, {3, 5}, {4, 2}, {5, 4}}},
        {6, {{1, 2}, {2, 4}, {3, 6}, {4, 1}, {5, 3}}},  // all but the last
        {12, {{1, 6}, {2, 12}, {12, 1}}},
    };
    return rows;
}

class SearchCycle : public ::testing::TestWithParam<BoardRow> {};

// With "stop at next solution" checked: every solution is shown once, whole and numbered in order; the entry
// row shows the fixed queens after the start and the previous solution after each "next solution".
TEST_P(SearchCycle, StopsAtEverySolution) {
    const auto& [n, fixed] = GetParam();
    const std::vector<Placement> solutions = OracleSolutions(n, fixed);
    const std::string fixedRow = RowText(testing::PlacementOf(n, fixed));

    WindowScript w;
    w.Test(std::to_string(n), EntriesOf(fixed));
    ASSERT_EQ(w.form.Text2.Text, "start computation");
    w.Start();
    EXPECT_EQ(w.form.Text1.Text, std::to_string(n));
    EXPECT_EQ(w.EntryRow(), fixedRow);

    std::size_t shown = 0;
    while (w.form.Text2.Text == "solution found" && shown < solutions.size()) {
        ++shown;
        SCOPED_TRACE("solution " + std::to_string(shown));
        EXPECT_EQ(w.form.Text3.Text, std::to_string(shown));
        EXPECT_EQ(w.DisplayRow(), RowText(solutions[shown - 1]));
        for (const testing::FixedQueen& q : fixed)
            EXPECT_EQ(w.form.Text8[q.Column - 1].Text, std::to_string(q.Row));
        EXPECT_EQ(w.EntryRow(), shown == 1 ? fixedRow : RowText(solutions[shown - 2]));
        EXPECT_EQ(w.Controls(), testing::kControlsAtSolution);
        w.Next();
    }
    EXPECT_EQ(shown, solutions.size());
    EXPECT_EQ(w.form.Text2.Text, kStateFinished);
    EXPECT_EQ(w.form.Text3.Text, solutions.empty() ? "" : std::to_string(solutions.size()));
    EXPECT_EQ(w.DisplayRow(), "");
    EXPECT_EQ(w.EntryRow(), solutions.empty() ? fixedRow : RowText(solutions.back()));
    EXPECT_EQ(w.Controls(), testing::kControlsFinished);
    std::vector<int> fixedColumns;
    for (const testing::FixedQueen& q : fixed)
        fixedColumns.push_back(q.Column);
    std::sort(fixedColumns.begin(), fixedColumns.end());
    std::string red;
    for (int c : fixedColumns) {
        if (!red.empty()) red += ' ';
        red += std::to_string(c);
    }
    EXPECT_EQ(w.RedColumns(), red);  // the search changes texts only, never colours
    // Finished: only reset and quit act.
    w.Start();
    w.Next();
    w.Test();
    EXPECT_EQ(w.form.Text2.Text, kStateFinished);
    EXPECT_TRUE(w.platform.Shown.empty());
}

// With the box cleared before the start: one run counts every solution and shows none.
TEST_P(SearchCycle, RunsThroughCounting) {
    const auto& [n, fixed] = GetParam();
    const std::size_t count = OracleSolutions(n, fixed).size();

    WindowScript w;
    w.Test(std::to_string(n), EntriesOf(fixed));
    w.SetStopAtSolution(false);
    w.Start();
    EXPECT_EQ(w.form.Text2.Text, kStateFinished);
    EXPECT_EQ(w.form.Text3.Text, count == 0 ? "" : std::to_string(count));
    EXPECT_EQ(w.DisplayRow(), "");
    EXPECT_EQ(w.Controls(), testing::kControlsFinished);
    EXPECT_EQ(w.form.SolutionCount, static_cast<std::int64_t>(count));
}

INSTANTIATE_TEST_SUITE_P(Boards, SearchCycle, ::testing::ValuesIn(Boards()), BoardName);

// Figures stated by hand, held against the oracle first and then against the window.
struct Figure {
    int N;
    FixedSet Fixed;
    std::size_t Count;
    std::string First;  // "" when there is none
    std::string Second;
    std::string Last;
};

const std::vector<Figure>& Figures() {
    static const std::vector<Figure> rows = {
        {1, {}, 1, "1", "", "1"},
        {2, {}, 0, "", "", ""},
        {3, {}, 0, "", "", ""},
        {4, {}, 2, "2 4 1 3", "3 1 4 2", "3 1 4 2"},
        {5, {}, 10, "1 3 5 2 4", "1 4 2 5 3", "5 3 1 4 2"},
        {6, {}, 4, "2 4 6 1 3 5", "3 6 2 5 1 4", "5 3 1 6 4 2"},
        {8, {}, 92, "1 5 8 6 3 7 2 4", "1 6 8 3 7 4 2 5", "8 4 1 3 6 2 7 5"},
        {8, {{1, 1}}, 4, "1 5 8 6 3 7 2 4", "1 6 8 3 7 4 2 5", "1 7 5 8 2 4 6 3"},
        {8, {{8, 4}}, 18, "1 5 8 6 3 7 2 4", "2 5 7 1 3 8 6 4", "8 3 1 6 2 5 7 4"},
        {8, {{3, 5}, {6, 1}}, 2, "4 2 5 8 6 1 3 7", "4 7 5 2 6 1 3 8", "4 7 5 2 6 1 3 8"},
        {8, {{3, 8}, {6, 7}}, 8, "1 5 8 6 3 7 2 4", "3 5 8 4 1 7 2 6", "5 2 8 1 4 7 3 6"},
        {4, {{1, 2}, {2, 4}, {3, 1}, {4, 3}}, 1, "2 4 1 3", "", "2 4 1 3"},
        {10, {}, 724, "1 3 6 8 10 5 9 2 4 7", "1 3 6 9 7 10 4 2 5 8", "10 8 5 3 1 6 2 9 7 4"},
    };
    return rows;
}

TEST(SearchFigures, AgreeWithOracle) {
    for (const Figure& f : Figures()) {
        SCOPED_TRACE(testing::NameOfSize(f.N) + " " + testing::FixedSetText(f.Fixed));
        const std::vector<Placement> solutions = OracleSolutions(f.N, f.Fixed);
        ASSERT_EQ(solutions.size(), f.Count);
        EXPECT_EQ(f.Count > 0 ? RowText(solutions[0]) : "", f.First);
        EXPECT_EQ(f.Count > 1 ? RowText(solutions[1]) : "", f.Second);
        EXPECT_EQ(f.Count > 0 ? RowText(solutions.back()) : "", f.Last);
        if (f.N <= 9) {
            EXPECT_EQ(testing::PermutationSolutions(f.N, f.Fixed), solutions);
        }
    }
}

TEST(SearchFigures, WindowShowsThem) {
    for (const Figure& f : Figures()) {
        SCOPED_TRACE(testing::NameOfSize(f.N) + " " + testing::FixedSetText(f.Fixed));
        WindowScript w;
        w.Test(std::to_string(f.N), EntriesOf(f.Fixed));
        w.Start();
        EXPECT_EQ(w.DisplayRow(), f.First);
        if (f.Count == 0) continue;
        w.Next();
        EXPECT_EQ(w.DisplayRow(), f.Second);
        EXPECT_EQ(w.form.Text3.Text, f.Count > 1 ? "2" : "1");
        // The rest without stopping: the count, and the last solution moved into the entry row by the last
        // "next solution" when it is the second.
        w.SetStopAtSolution(false);
        w.Next();
        EXPECT_EQ(w.form.Text2.Text, kStateFinished);
        EXPECT_EQ(w.form.Text3.Text, std::to_string(f.Count));
    }
}

// The n = 4 cycle, state by state.
TEST(SearchCycleScript, FourQueens) {
    struct Step {
        const char* Action;
        std::string Text2, Text3, Display, Entry, Controls;
    };
    const std::vector<Step> steps = {
        {"test", "start computation", "", "", "", testing::kControlsTested},
        {"start", "solution found", "1", "2 4 1 3", "", testing::kControlsAtSolution},
        {"next", "solution found", "2", "3 1 4 2", "2 4 1 3", testing::kControlsAtSolution},
        {"next", kStateFinished, "2", "", "3 1 4 2", testing::kControlsFinished},
        {"start", kStateFinished, "2", "", "3 1 4 2", testing::kControlsFinished},
        {"toggle", kStateFinished, "2", "", "3 1 4 2", testing::kControlsFinished},
    };
    const std::vector<Placement> solutions = OracleSolutions(4, {});
    ASSERT_EQ(solutions.size(), 2u);
    ASSERT_EQ(RowText(solutions[0]), steps[1].Display);
    ASSERT_EQ(RowText(solutions[1]), steps[2].Display);

    WindowScript w;
    w.TypeN("4");
    EXPECT_EQ(w.Controls(), testing::kControlsIdle);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Action);
        const std::string action = step.Action;
        if (action == "test") w.Test();
        if (action == "start") w.Start();
        if (action == "next") w.Next();
        if (action == "toggle") w.Toggle();
        EXPECT_EQ(w.form.Text2.Text, step.Text2);
        EXPECT_EQ(w.form.Text3.Text, step.Text3);
        EXPECT_EQ(w.DisplayRow(), step.Display);
        EXPECT_EQ(w.EntryRow(), step.Entry);
        EXPECT_EQ(w.Controls(), step.Controls);
        EXPECT_EQ(w.platform.Pumps, 0);  // no run of n = 4 reaches 101 passes
    }
}

// At a start the window rewrites n as the test read it and the entry row from the board: whatever was typed
// after the test, or left beyond the board, is gone; the inputs are locked from then on.
TEST(SearchCycleStart, RewritesNAndEntryRow) {
    struct Row {
        std::string N;
        EntryTexts AtTest;
        std::string TypedN;       // typed into Text1 after the test; "" types nothing
        EntryTexts TypedEntries;  // typed after the test
        std::string TextN;        // Text1 after the start
        std::string Entry;        // entry row after the start
    };
    const std::vector<Row> rows = {
        {"08", {}, "", {}, "8", ""},
        {"08", {{3, "5"}, {11, "2"}}, "", {}, "8", ". . 5"},
        {"8", {{3, "5"}}, "5", {{4, "7"}, {20, "1"}}, "8", ". . 5"},
        {"8", {{3, "5"}}, "", {{3, "6"}}, "8", ". . 5"},  // changed after the test: the board's row wins
        {"8", {{3, " 5 "}, {6, "1.4"}}, "", {}, "8", ". . 5 . . 1"},
        {" 1 2", {}, "", {}, "12", ""},
        {"12abc", {{12, "1"}}, "", {}, "12", ". . . . . . . . . . . 1"},
        {"4.5", {{2, "4"}}, "x", {}, "4", ". 4"},
        {"0.6", {}, "", {{1, "1"}}, "1", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("n [" + row.N + "]");
        WindowScript w;
        w.Test(row.N, row.AtTest);
        ASSERT_EQ(w.form.Text2.Text, "start computation");
        if (!row.TypedN.empty()) {
            EXPECT_TRUE(w.TypeN(row.TypedN));
        }
        w.TypeEntries(row.TypedEntries);
        w.Start();
        EXPECT_EQ(w.form.Text1.Text, row.TextN);
        EXPECT_EQ(w.EntryRow(), row.Entry);
        EXPECT_EQ(w.Controls().substr(w.Controls().size() - 8), "locked:1");
        EXPECT_FALSE(w.TypeN("5"));
        EXPECT_FALSE(w.TypeEntry(1, "2"));
        EXPECT_EQ(w.form.Text1.Text, row.TextN);
    }
}

// A test that fails in some column after an accepted test leaves the window idle: the board holds only the
// queens left of the fault, and nothing can start a search on it. A corrected test then searches its own
// board.
TEST(SearchCycleStart, AFailedTestAfterAnAcceptedOneLeavesNothingToStart) {
    struct Row {
        EntryTexts First;   // an accepted test
        EntryTexts Second;  // then these entries typed, and a test failing at FaultColumn
        int FaultColumn;
        std::string Red;  // the queens left of the fault
        FixedSet Retest;  // the fault's entry removed: the queens the next test accepts
    };
    const std::vector<Row> rows = {
        {{{1, "1"}}, {{1, ""}, {3, "5"}, {5, "2"}, {7, "0"}}, 7, "3 5", {{3, 5}, {5, 2}}},
        {{{2, "4"}}, {{2, ""}, {4, "9"}}, 4, "", {}},
        {{}, {{1, "3"}, {2, "3"}}, 2, "1", {{1, 3}}},
        // column 6 was not reached by the failed test: its text stays for the next one
        {{{6, "2"}}, {{1, "1"}, {2, "2"}}, 2, "1", {{1, 1}, {6, 2}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("fault column " + std::to_string(row.FaultColumn));
        WindowScript w;
        w.Test("8", row.First);
        ASSERT_EQ(w.form.Text2.Text, "start computation");
        w.Test("8", row.Second);
        ASSERT_EQ(w.Messages().size(), 1u);
        EXPECT_EQ(w.form.LoopColumn, row.FaultColumn);
        EXPECT_EQ(w.Controls(), testing::kControlsIdle);
        EXPECT_EQ(w.form.Text2.Text, "test input");
        EXPECT_EQ(w.RedColumns(), row.Red);
        const long long pumps = w.platform.Pumps;
        w.Start();  // disabled: nothing happens
        EXPECT_EQ(w.platform.Pumps, pumps);
        EXPECT_EQ(w.form.Text2.Text, "test input");

        w.TypeEntry(row.FaultColumn, "");
        w.Test();
        ASSERT_EQ(w.Messages().size(), 1u);  // no new one
        const std::vector<Placement> solutions = OracleSolutions(8, row.Retest);
        ASSERT_FALSE(solutions.empty());
        w.Start();
        EXPECT_EQ(w.EntryRow(), RowText(testing::PlacementOf(8, row.Retest)));
        EXPECT_EQ(w.DisplayRow(), RowText(solutions[0]));
        w.SetStopAtSolution(false);
        w.Next();
        EXPECT_EQ(w.form.Text3.Text, std::to_string(solutions.size()));
    }
}

// At a solution stop, clearing the box and pressing "next solution" runs to the end: the total count,
// finished.
TEST(SearchCycleStop, ClearingTheBoxAtAStopRunsToTheEnd) {
    struct Row {
        BoardRow Board;
        std::size_t StopAt;  // the solution at which the box is cleared
    };
    const std::vector<Row> rows = {
        {{4, {}}, 1},        {{4, {}}, 2},  {{8, {}}, 1},
        {{8, {}}, 5},        {{8, {}}, 92}, {{10, {}}, 300},
        {{8, {{8, 4}}}, 17}, {{1, {}}, 1},  {{4, {{1, 2}, {2, 4}, {3, 1}, {4, 3}}}, 1},
    };
    for (const Row& row : rows) {
        const auto& [n, fixed] = row.Board;
        SCOPED_TRACE(testing::NameOfSize(n) + " stop " + std::to_string(row.StopAt));
        const std::vector<Placement> solutions = OracleSolutions(n, fixed);
        ASSERT_LE(row.StopAt, solutions.size());
        WindowScript w;
        w.Test(std::to_string(n), EntriesOf(fixed));
        w.Start();
        for (std::size_t k = 1; k < row.StopAt; ++k)
            w.Next();
        ASSERT_EQ(w.form.Text3.Text, std::to_string(row.StopAt));
        w.SetStopAtSolution(false);
        EXPECT_EQ(w.Controls(), "test:0 start:0 break:0 next:1 check:1/0 locked:1");
        w.Next();
        EXPECT_EQ(w.form.Text2.Text, kStateFinished);
        EXPECT_EQ(w.form.Text3.Text, std::to_string(solutions.size()));
        EXPECT_EQ(w.EntryRow(), RowText(solutions[row.StopAt - 1]));
        EXPECT_EQ(w.DisplayRow(), "");
        EXPECT_EQ(w.Controls(), testing::kControlsFinished);
    }
}

}  // namespace
}  // namespace nq
