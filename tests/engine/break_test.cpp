// SPDX-License-Identifier: GPL-3.0-or-later
// A step called while a break is requested changes nothing: on boards taken from the middle of searches
// (fresh, mid-search, just after a solution with the cursor put back), the whole board, its private state
// included, stays equal.
#include <gtest/gtest.h>

#include "support/board_invariants.h"
#include "support/oracle.h"
#include "support/search_driver.h"

namespace nq::testing {
namespace {

struct BreakCase {
    const char* Name;
    int N;
    FixedSet Fixed;
    std::int64_t Steps;  // how far the search is driven
    std::int64_t Every;  // a break is tried after every Every-th call and at every solution
};

std::string StepUnderBreakChanges(const Board& board) {
    Board frozen = board;
    frozen.BreakRequested = 1;
    Board after = frozen;
    after.SearchStep();
    return DescribeBoardDifference(frozen, after);
}

TEST(BreakRequested, StepChangesNoField) {
    const std::vector<BreakCase> cases{
        {"n1", 1, {}, 10, 1},
        {"n4", 4, {}, 100, 1},
        {"n8", 8, {}, 3000, 7},
        {"n8Fixed", 8, {{2, 7}, {8, 4}}, 3000, 3},
        {"n8EveryColumn", 8, {{1, 1}, {2, 5}, {3, 8}, {4, 6}, {5, 3}, {6, 7}, {7, 2}, {8, 4}}, 10, 1},
        {"n12", 12, {{5, 9}}, 50000, 101},
        {"n32", 32, {{32, 1}}, 50000, 97},
    };
    for (const BreakCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Board b;
        SetUpBoard(b, c.N, c.Fixed);
        int tried = 0;
        auto tryBreak = [&](const Board& board) {
            ++tried;
            const std::string change = StepUnderBreakChanges(board);
            EXPECT_EQ(change, "") << "cursor " << board.SearchColumn << ", queens "
                                  << PlacementText(QueensOf(board));
            return change.empty();
        };
        if (!tryBreak(b)) continue;
        std::int64_t calls = 0;
        int putBacks = 0;
        const DriveResult run = DriveSearch(
            b, c.Steps, [](const Board&) {},
            [&](const Board& board, DriverEvent event) {
                if (event == DriverEvent::CursorPutBack) {
                    ++putBacks;
                    return tryBreak(board);
                }
                if (board.SearchFinished == 1) return true;  // the run loop never steps an ended search
                return ++calls % c.Every != 0 || tryBreak(board);
            });
        EXPECT_GT(tried, 1);
        if (run.Solutions > 0) {
            EXPECT_GT(putBacks, 0);
        }
    }
}

}  // namespace
}  // namespace nq::testing
