// SPDX-License-Identifier: GPL-3.0-or-later
// The board's bookkeeping: marking and unmarking a queen on every square of several board sizes against the
// attack rule of the oracle, rows beyond the board never free, and clearing that leaves index 0 alone.
#include <gtest/gtest.h>

#include "support/board_invariants.h"
#include "support/oracle.h"
#include "support/search_driver.h"

namespace nq::testing {
namespace {

// The occupancy test of a square as the arrays answer it.
bool SquareIsFree(const Board& b, int c, int r) {
    return b.RowFree[r] == 1 && b.DiagSum[c + r] == 0 && b.DiagDiff[b.BoardSize + c - r] == 0;
}

class MarkEverySquare : public ::testing::TestWithParam<int> {};

// One queen on (c, r) must block exactly the squares of other columns that it attacks; taking it off must
// give back the empty board exactly (its private state included), whatever square it stood on.
TEST_P(MarkEverySquare, BlocksExactlyTheAttackedSquares) {
    const int n = GetParam();
    Board empty;
    SetUpBoard(empty, n, {});
    for (int c = 1; c <= n; ++c) {
        for (int r = 1; r <= n; ++r) {
            Board b = empty;
            b.Mark(c, r);
            ASSERT_EQ(b.QueenRow[c], r);
            for (int c2 = 1; c2 <= n; ++c2) {
                if (c2 == c) continue;
                for (int r2 = 1; r2 <= n; ++r2) {
                    ASSERT_EQ(SquareIsFree(b, c2, r2), !QueensAttack(c, r, c2, r2))
                        << "queen on " << c << "," << r << ", square " << c2 << "," << r2;
                }
            }
            b.Unmark(c, r);
            b.QueenRow[c] = 0;
            ASSERT_EQ(DescribeBoardDifference(b, empty), "") << "queen on " << c << "," << r;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, MarkEverySquare, ::testing::Values(1, 2, 5, 8, 31, 32),
                         [](const auto& row) { return NameOfSize(row.param); });

TEST(Board, RowsBeyondTheBoardAreNeverFree) {
    for (int n : {1, 5, 31, 32}) {
        Board b;
        SetUpBoard(b, n, {});
        for (int k = 1; k < kColumnSlots; ++k)
            EXPECT_EQ(b.RowFree[k], k <= n ? 1 : 0) << "n = " << n << ", row " << k;
        EXPECT_TRUE(BitsAgreeWithArrays(b));
    }
}

// Two queens on (1, 1) and (2, 2) share only a difference diagonal; on (1, 2) and (2, 1) only a sum diagonal.
TEST(Board, DiagonalFamiliesDoNotMix) {
    struct Pair {
        int C1, R1, C2, R2;
        int SharedSum, SharedDiff;  // the diagonal both stand on, 0 for none
    };
    for (int n : {2, 8, 32}) {
        for (const Pair& p : {Pair{1, 1, 2, 2, 0, n}, Pair{1, 2, 2, 1, 3, 0}}) {
            Board b;
            SetUpBoard(b, n, {});
            b.Mark(p.C1, p.R1);
            Board one = b;
            b.Unmark(p.C1, p.R1);
            b.Mark(p.C2, p.R2);
            for (int k = 1; k < kDiagonalSlots; ++k) {
                EXPECT_EQ(one.DiagSum[k] == 1 && b.DiagSum[k] == 1, k == p.SharedSum)
                    << "n " << n << " sum " << k;
                EXPECT_EQ(one.DiagDiff[k] == 1 && b.DiagDiff[k] == 1, k == p.SharedDiff)
                    << "n " << n << " diff " << k;
            }
        }
    }
}

// Clearing covers indices 1..34 and 1..69 and nothing else; index 0 belongs to no row, column or diagonal.
TEST(Board, ClearOccupancyLeavesIndexZero) {
    Board b;
    SetUpBoard(b, 32, FixedSet{{1, 1}, {2, 3}, {32, 32}});
    b.RowFree[0] = 7;
    b.QueenRow[0] = 7;
    b.FixedColumn[0] = 7;
    b.DiagSum[0] = 7;
    b.DiagDiff[0] = 7;
    b.ClearOccupancy();
    EXPECT_EQ(b.RowFree[0] + b.QueenRow[0] + b.FixedColumn[0] + b.DiagSum[0] + b.DiagDiff[0], 35);
    for (int k = 1; k < kColumnSlots; ++k) {
        EXPECT_EQ(b.RowFree[k] + b.QueenRow[k] + b.FixedColumn[k], 0) << k;
    }
    for (int k = 1; k < kDiagonalSlots; ++k)
        EXPECT_EQ(b.DiagSum[k] + b.DiagDiff[k], 0) << k;
    EXPECT_TRUE(BitsAgreeWithArrays(b));
}

// The agreement check must see a change made to the arrays behind the search's back (not through a writer),
// else the invariant checks that rely on it prove nothing.
TEST(Board, BitsCheckNoticesArraysChangedBehindTheSearch) {
    struct Edit {
        const char* Name;
        void (*Apply)(Board&);
    };
    const std::vector<Edit> edits{
        {"queen moved down",
         [](Board& b) {
             const int r = b.QueenRow[2];
             b.RowFree[r] = 1;
             b.DiagSum[2 + r] = 0;
             b.DiagDiff[b.BoardSize + 2 - r] = 0;
             b.QueenRow[2] = r + 1;
             b.RowFree[r + 1] = 0;
             b.DiagSum[3 + r] = 1;
             b.DiagDiff[b.BoardSize + 1 - r] = 1;
         }},
        {"queen taken off", [](Board& b) { b.QueenRow[1] = 0; }},
        {"column fixed", [](Board& b) { b.FixedColumn[2] = 1; }},
    };
    for (const Edit& e : edits) {
        Board b;
        SetUpBoard(b, 10, {{7, 3}});
        for (int step = 0; step < 40; ++step) {
            if (b.SearchColumn == 11) b.SearchColumn = 10;
            b.SearchStep();
        }
        ASSERT_GE(b.SearchColumn, 4) << "the board must hold a few queens of free columns";
        ASSERT_LT(b.QueenRow[2], 10);
        ASSERT_TRUE(BitsAgreeWithArrays(b));
        e.Apply(b);
        EXPECT_FALSE(BitsAgreeWithArrays(b)) << e.Name;
    }
}

}  // namespace
}  // namespace nq::testing
