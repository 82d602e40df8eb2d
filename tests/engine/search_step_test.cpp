// SPDX-License-Identifier: GPL-3.0-or-later
// The search step, call by call and over whole searches: traces of small boards, solution lists and counts
// against the brute-force oracle, with the board's invariants checked after every call.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/board_invariants.h"
#include "support/oracle.h"
#include "support/search_driver.h"

namespace nq::testing {
namespace {

// The board after one call of SearchStep.
struct TraceRow {
    Placement Queens;
    int Cursor = 0;
    bool Finished = false;
};

struct TraceCase {
    const char* Name;
    int N;
    FixedSet Fixed;
    std::vector<TraceRow> Calls;  // one row per call, the last one ending the search
};

// Traces worked out by hand; the test also holds each one against the oracle's tree, so a wrong row cannot
// pass.
const std::vector<TraceCase> kTraces{
    {"FourQueens",
     4,
     {},
     {{{1, 0, 0, 0}, 2},
      {{1, 3, 0, 0}, 3},
      {{1, 4, 0, 0}, 3},  // column 3 had no row left: column 2 moved down
      {{1, 4, 2, 0}, 4},
      {{2, 0, 0, 0}, 2},  // back to column 1
      {{2, 4, 0, 0}, 3},
      {{2, 4, 1, 0}, 4},
      {{2, 4, 1, 3}, 5},  // first solution; the driver puts the cursor back on column 4
      {{3, 0, 0, 0}, 2},
      {{3, 1, 0, 0}, 3},
      {{3, 1, 4, 0}, 4},
      {{3, 1, 4, 2}, 5},  // second solution
      {{4, 0, 0, 0}, 2},
      {{4, 1, 0, 0}, 3},
      {{4, 1, 3, 0}, 4},
      {{4, 2, 0, 0}, 3},
      {{4, 0, 0, 0}, 1, true}}},  // column 1's queen stays on its last row
    {"OneQueen", 1, {}, {{{1}, 2}, {{1}, 1, true}}},
    {"LastColumnFixed",
     4,
     {{4, 3}},
     {{{1, 0, 0, 3}, 2},
      {{1, 4, 0, 3}, 3},
      {{2, 0, 0, 3}, 2},
      {{2, 4, 0, 3}, 3},
      {{2, 4, 1, 3}, 5},  // the cursor passes the fixed column 4; put back on it, the next call backtracks
      {{4, 0, 0, 3}, 2},
      {{4, 2, 0, 3}, 3},
      {{4, 0, 0, 3}, 1, true}}},
    {"EveryColumnFixed", 4, {{1, 2}, {2, 4}, {3, 1}, {4, 3}}, {{{2, 4, 1, 3}, 0, true}}},  // backtracks to 0
    {"FirstColumnFixed",
     4,
     {{1, 3}},
     {{{3, 1, 0, 0}, 3}, {{3, 1, 4, 0}, 4}, {{3, 1, 4, 2}, 5}, {{3, 0, 0, 0}, 0, true}}},
    {"NoSolution",
     3,
     {},
     {{{1, 0, 0}, 2}, {{1, 3, 0}, 3}, {{2, 0, 0}, 2}, {{3, 0, 0}, 2}, {{3, 1, 0}, 3}, {{3, 0, 0}, 1, true}}},
};

class Trace : public ::testing::TestWithParam<TraceCase> {};

TEST_P(Trace, EveryCallLeavesTheListedBoard) {
    const TraceCase& t = GetParam();
    ASSERT_TRUE(FixedSetIsConsistent(t.N, t.Fixed));
    Board b;
    SetUpBoard(b, t.N, t.Fixed);
    std::size_t call = 0;
    DriveSearch(
        b, static_cast<std::int64_t>(t.Calls.size()) + 1, [](const Board&) {},
        [&](const Board& board, DriverEvent event) {
            if (event != DriverEvent::Step) return true;
            if (call >= t.Calls.size()) {
                ADD_FAILURE() << "call " << call + 1 << " beyond the trace";
                return false;
            }
            const TraceRow& row = t.Calls[call++];
            SCOPED_TRACE("call " + std::to_string(call));
            EXPECT_EQ(QueensOf(board), row.Queens);
            EXPECT_EQ(board.SearchColumn, row.Cursor);
            EXPECT_EQ(board.SearchFinished, row.Finished ? 1 : 0);
            EXPECT_EQ(CheckBoardInvariants(board, t.Fixed, {.SearchEnded = row.Finished}), "");
            return true;
        });
    EXPECT_EQ(call, t.Calls.size());
}

TEST_P(Trace, ListedBoardsAreTheOraclesTree) {
    const TraceCase& t = GetParam();
    const std::vector<TreeNode> nodes = AllTreeNodes(t.N, t.Fixed);
    ASSERT_EQ(nodes.size() + 1, t.Calls.size()) << "one call per node and one that ends the search";
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE("call " + std::to_string(i + 1));
        EXPECT_EQ(t.Calls[i].Queens, nodes[i].Queens);
        EXPECT_EQ(t.Calls[i].Cursor, nodes[i].NextColumn);
        EXPECT_FALSE(t.Calls[i].Finished);
    }
    EXPECT_TRUE(t.Calls.back().Finished);
}

INSTANTIATE_TEST_SUITE_P(SmallBoards, Trace, ::testing::ValuesIn(kTraces),
                         [](const auto& row) { return std::string(row.param.Name); });

// A whole search: held call by call against the oracle's tree, its solutions valid, keeping the fixed queens,
// in strictly increasing lexicographic order (so each at most once) and equal to the oracle's.
struct SearchCase {
    const char* Name;
    int N;
    FixedSet Fixed;
};

void ExpectWholeSearchMatchesOracle(int n, const FixedSet& fixed) {
    ASSERT_TRUE(FixedSetIsConsistent(n, fixed)) << FixedSetText(fixed);
    const LockstepResult run = RunInLockstep(n, fixed);
    ASSERT_EQ(run.Fault, "");
    EXPECT_TRUE(run.Finished);
    for (std::size_t i = 0; i < run.Solutions.size(); ++i) {
        ASSERT_TRUE(IsSolution(n, run.Solutions[i])) << PlacementText(run.Solutions[i]);
        ASSERT_TRUE(KeepsFixed(run.Solutions[i], fixed)) << PlacementText(run.Solutions[i]);
        if (i > 0) {
            ASSERT_LT(run.Solutions[i - 1], run.Solutions[i]) << "solution " << i + 1 << " out of order";
        }
    }
    if (n <= 8) {
        EXPECT_EQ(run.Solutions, PermutationSolutions(n, fixed));
    } else {
        EXPECT_EQ(static_cast<std::int64_t>(run.Solutions.size()), OracleSolutionCount(n, fixed));
    }
}

class WholeSearch : public ::testing::TestWithParam<SearchCase> {};

TEST_P(WholeSearch, MatchesOracle) {
    ExpectWholeSearchMatchesOracle(GetParam().N, GetParam().Fixed);
}

// From any position of the search (a few hundred of them, solutions and the start included), FinishSearch
// leaves the board, cursor and working rows as the search leaves them at its end.
TEST_P(WholeSearch, FinishSearchFromAnyPositionLeavesTheEnd) {
    const int n = GetParam().N;
    Board end;
    SetUpBoard(end, n, GetParam().Fixed);
    long long steps = 0;
    for (; end.SearchFinished == 0; ++steps) {
        if (end.SearchColumn == n + 1) end.GoOnFromSolution();
        end.SearchStep();
    }
    Board b;
    SetUpBoard(b, n, GetParam().Fixed);
    const long long every = std::max(1LL, steps / 300);
    for (long long step = 0; b.SearchFinished == 0; ++step) {
        if (step % every == 0 || b.SearchColumn == n + 1) {
            Board finished = b;
            finished.FinishSearch();
            const std::string at = "from step " + std::to_string(step);
            ASSERT_EQ(finished.QueenRow, end.QueenRow) << at;
            ASSERT_EQ(finished.RowFree, end.RowFree) << at;
            ASSERT_EQ(finished.DiagSum, end.DiagSum) << at;
            ASSERT_EQ(finished.DiagDiff, end.DiagDiff) << at;
            ASSERT_EQ(finished.SearchColumn, end.SearchColumn) << at;
            ASSERT_EQ(finished.PreviousRow, end.PreviousRow) << at;
            ASSERT_EQ(finished.CandidateRow, end.CandidateRow) << at;
            ASSERT_EQ(finished.SearchFinished, 1) << at;
            ASSERT_TRUE(BitsAgreeWithArrays(finished)) << at;
        }
        if (b.SearchColumn == n + 1) b.GoOnFromSolution();
        b.SearchStep();
    }
}

std::vector<SearchCase> WholeSearchCases() {
    static const char* const kNames[] = {"n1", "n2", "n3", "n4",  "n5",  "n6",
                                         "n7", "n8", "n9", "n10", "n11", "n12"};
    std::vector<SearchCase> cases;
    for (int n = 1; n <= 12; ++n)
        cases.push_back({kNames[n - 1], n, {}});
    cases.push_back({"n8FirstColumnOnRow1", 8, {{1, 1}}});
    cases.push_back({"n8LastColumnOnRow4", 8, {{8, 4}}});
    cases.push_back({"n8Columns3And6", 8, {{3, 5}, {6, 1}}});
    cases.push_back({"n8AdjacentColumns", 8, {{4, 2}, {5, 7}, {6, 3}}});
    cases.push_back({"n8EveryColumn", 8, {{1, 1}, {2, 5}, {3, 8}, {4, 6}, {5, 3}, {6, 7}, {7, 2}, {8, 4}}});
    cases.push_back({"n10FirstAndLast", 10, {{1, 3}, {10, 5}}});
    cases.push_back({"n12Middle", 12, {{6, 6}, {7, 1}}});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Boards, WholeSearch, ::testing::ValuesIn(WholeSearchCases()),
                         [](const auto& row) { return std::string(row.param.Name); });

// A board built by hand at any node of the search (the writers only, as a test would leave it, plus the
// queens of the node's free columns and the cursor) must go on exactly as the search that reached that node:
// the step rebuilds what it keeps beside the arrays from them.
TEST(SearchResume, FromNodesBuiltByHand) {
    const std::vector<SearchCase> cases{
        {"n6", 6, {}},
        {"n8", 8, {}},
        {"n8Fixed", 8, {{3, 5}, {8, 4}}},
        {"n9FirstColumnFixed", 9, {{1, 2}}},
    };
    for (const SearchCase& t : cases) {
        const std::vector<TreeNode> nodes = AllTreeNodes(t.N, t.Fixed);
        ASSERT_FALSE(nodes.empty());
        for (std::size_t start = 0; start < nodes.size(); start += 23) {
            SCOPED_TRACE(std::string(t.Name) + ", from node " + PlacementText(nodes[start].Queens));
            Board b;
            SetUpBoard(b, t.N, t.Fixed);
            for (int c = 1; c <= t.N; ++c) {
                if (b.FixedColumn[c] == 0 && nodes[start].Queens[c - 1] != 0)
                    b.Mark(c, nodes[start].Queens[c - 1]);
            }
            b.SearchColumn = nodes[start].NextColumn;
            for (std::size_t i = start + 1; i <= nodes.size(); ++i) {
                if (b.SearchColumn == t.N + 1) b.SearchColumn = t.N;
                b.SearchStep();
                if (i == nodes.size()) {
                    EXPECT_EQ(b.SearchFinished, 1);
                    break;
                }
                ASSERT_EQ(QueensOf(b), nodes[i].Queens) << "call " << i - start;
                ASSERT_EQ(b.SearchColumn, nodes[i].NextColumn) << "call " << i - start;
                ASSERT_EQ(CheckBoardInvariants(b, t.Fixed), "") << "call " << i - start;
            }
        }
    }
}

// Worked examples, each held against the oracle as well as the engine.
struct Example {
    const char* Name;
    int N;
    FixedSet Fixed;
    std::size_t Solutions;
    std::vector<Placement> First;  // the first solutions, in order
};

TEST(SearchExamples, CountsAndFirstSolutions) {
    const std::vector<Example> examples{
        {"n8", 8, {}, 92, {{1, 5, 8, 6, 3, 7, 2, 4}, {1, 6, 8, 3, 7, 4, 2, 5}}},
        {"n8FirstColumnOnRow1", 8, {{1, 1}}, 4, {{1, 5, 8, 6, 3, 7, 2, 4}}},
        {"n8LastColumnOnRow4", 8, {{8, 4}}, 18, {}},
        {"n4", 4, {}, 2, {{2, 4, 1, 3}, {3, 1, 4, 2}}},
        {"n1", 1, {}, 1, {{1}}},
        {"n2", 2, {}, 0, {}},
        {"n3", 3, {}, 0, {}},
    };
    for (const Example& e : examples) {
        SCOPED_TRACE(e.Name);
        const std::vector<Placement> oracle = PermutationSolutions(e.N, e.Fixed);
        const std::vector<Placement> engine = EngineSolutions(e.N, e.Fixed);
        EXPECT_EQ(oracle.size(), e.Solutions);
        EXPECT_EQ(engine.size(), e.Solutions);
        ASSERT_GE(oracle.size(), e.First.size());
        ASSERT_GE(engine.size(), e.First.size());
        EXPECT_TRUE(std::equal(e.First.begin(), e.First.end(), oracle.begin()));
        EXPECT_TRUE(std::equal(e.First.begin(), e.First.end(), engine.begin()));
        for (const Placement& p : engine) {
            for (const FixedQueen& q : e.Fixed)
                EXPECT_EQ(p[q.Column - 1], q.Row);
        }
    }
}

// A fixed set whose queens attack each other is refused by the test command, so no search ever sees it:
// columns 3 and 6 on rows 5 and 2 share the sum diagonal 8.
TEST(SearchExamples, AttackingFixedSetIsNoSearchInput) {
    EXPECT_FALSE(FixedSetIsConsistent(8, {{3, 5}, {6, 2}}));
}

}  // namespace
}  // namespace nq::testing
