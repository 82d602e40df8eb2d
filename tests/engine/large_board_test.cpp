// SPDX-License-Identifier: GPL-3.0-or-later
// Long runs on the largest board, n = 32, with and without fixed queens: every call keeps the cursor and the
// rows it forms in range (the sanitizer build catches any index outside the arrays) and the invariants; the
// first calls are held against the oracle's tree, and every solution met is valid, keeps the fixed queens and
// comes in order.
#include <gtest/gtest.h>

#include "support/board_invariants.h"
#include "support/oracle.h"
#include "support/search_driver.h"

namespace nq::testing {
namespace {

constexpr int kN = 32;

// A solution for n = 32 by the classic construction for n = 2 (mod 6): the even rows, then the odd rows with
// 1 and 3 swapped and 5 moved to the end.
Placement ConstructedSolution() {
    Placement p;
    for (int r = 2; r <= kN; r += 2)
        p.push_back(r);
    p.push_back(3);
    p.push_back(1);
    for (int r = 7; r <= kN; r += 2)
        p.push_back(r);
    p.push_back(5);
    return p;
}

// The columns first..last of the constructed solution.
FixedSet FromConstructed(int first, int last) {
    const Placement s = ConstructedSolution();
    FixedSet set;
    for (int c = first; c <= last; ++c)
        set.push_back({c, s[c - 1]});
    return set;
}

struct LargeCase {
    const char* Name;
    FixedSet Fixed;
    std::int64_t Steps;     // calls made (fewer when the search ends first)
    std::int64_t Lockstep;  // of which held against the oracle's tree
    bool MustFinish;        // the search space is small enough to end within Steps
};

class LargeBoard : public ::testing::TestWithParam<LargeCase> {};

TEST_P(LargeBoard, StaysInRangeAndValid) {
    const LargeCase& t = GetParam();
    ASSERT_TRUE(IsSolution(kN, ConstructedSolution()));
    ASSERT_TRUE(FixedSetIsConsistent(kN, t.Fixed)) << FixedSetText(t.Fixed);

    const LockstepResult lockstep = RunInLockstep(kN, t.Fixed, t.Lockstep);
    ASSERT_EQ(lockstep.Fault, "");

    Board b;
    SetUpBoard(b, kN, t.Fixed);
    std::vector<Placement> solutions;
    std::string fault;
    bool stepped = false;  // CandidateRow and PreviousRow hold a step's values only once a step has run
    const DriveResult run = DriveSearch(
        b, t.Steps, [&](const Board& board) { solutions.push_back(QueensOf(board)); },
        [&](const Board& board, DriverEvent event) {
            stepped = stepped || event == DriverEvent::Step;
            if (board.SearchColumn < 0 || board.SearchColumn > kN + 1) fault = "cursor out of range";
            if (stepped && (board.CandidateRow < 1 || board.CandidateRow > kN + 1))
                fault = "candidate row out of range";
            if (fault.empty()) {
                fault =
                    CheckBoardInvariants(board, t.Fixed,
                                         {.CursorPutBackAfterSolution = event == DriverEvent::CursorPutBack,
                                          .SearchEnded = board.SearchFinished == 1,
                                          .AfterStep = stepped});
            }
            if (!fault.empty()) {
                fault += " (cursor " + std::to_string(board.SearchColumn) + ", queens " +
                         PlacementText(QueensOf(board)) + ")";
            }
            return fault.empty();
        });
    ASSERT_EQ(fault, "");
    if (t.MustFinish) {
        EXPECT_TRUE(run.Finished);
        EXPECT_TRUE(lockstep.Finished);
        EXPECT_EQ(lockstep.Solutions, solutions);
        EXPECT_FALSE(solutions.empty()) << "a set taken from a solution has that solution";
    } else {
        EXPECT_EQ(run.Steps, t.Steps);
    }
    for (std::size_t i = 0; i < solutions.size(); ++i) {
        ASSERT_TRUE(IsSolution(kN, solutions[i])) << PlacementText(solutions[i]);
        ASSERT_TRUE(KeepsFixed(solutions[i], t.Fixed)) << PlacementText(solutions[i]);
        if (i > 0) {
            ASSERT_LT(solutions[i - 1], solutions[i]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    N32, LargeBoard,
    ::testing::ValuesIn(std::vector<LargeCase>{
        {"NoFixedQueen", {}, 300000, 3000, false},
        {"FirstColumn", {{1, 32}}, 200000, 3000, false},
        {"LastColumn", {{32, 17}}, 200000, 3000, false},
        {"AdjacentColumns", FromConstructed(10, 14), 200000, 3000, false},
        {"Scattered", {{3, 30}, {9, 1}, {17, 15}, {26, 8}, {31, 25}}, 200000, 3000, false},
        // Only the first 13 columns free, the last one fixed: solutions are met, the cursor is put back on
        // the fixed column 32 and backtracks over the fixed columns 14..32, and the search ends at column 1.
        {"LastNineteenColumns", FromConstructed(14, kN), 300000, 300000, true},
        {"EveryColumn", FromConstructed(1, kN), 10, 10, true},
    }),
    [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace nq::testing
