// SPDX-License-Identifier: GPL-3.0-or-later
// Checks of a Board against the invariants that hold between two search steps, the search's own bits against
// the arrays, and a field-by-field comparison of two boards. The checks of invariants and the comparison
// return an empty string when all is well, else a readable description of the first fault found.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/board.h"
#include "support/oracle.h"

namespace nq::testing {

struct InvariantOptions {
    // The run loop has just put the cursor back on column n after a solution; column n's queen still stands.
    bool CursorPutBackAfterSolution = false;
    // SearchFinished = 1: the queens the last step left are no longer tied to the cursor (invariants 4 and
    // 5).
    bool SearchEnded = false;
    // At least one step has run, so CandidateRow and PreviousRow carry a step's values.
    bool AfterStep = true;
};

namespace detail {

inline std::string At(const char* array, int k) {
    return std::string(array) + "[" + std::to_string(k) + "]";
}

}  // namespace detail

// True when the bit sets the search keeps (Board::Bits) agree with the arrays, the cursor and the fixed
// columns wherever the search reads them, or wait to be rebuilt. The expected bits are worked out queen by
// queen from QueenRow and FixedColumn, which are the truth: a queen of column o on row r reaches rows r + d
// and r - d in the column d away.
inline bool BitsAgreeWithArrays(const Board& b) {
    const Board::SearchBits* bits = b.Bits();
    if (bits == nullptr) return true;
    const int n = b.BoardSize;
    if (n < 1 || n > kMaxN) return false;  // the search never ran on such a board
    const auto onBoard = [n](int r) { return r >= 1 && r <= n; };
    // Row r as bit r - 1; rows past bit 63 or below row 1 fall off, as a shifted word drops them.
    const auto bit = [](int r) { return r >= 1 && r <= 64 ? std::uint64_t{1} << (r - 1) : 0; };
    const std::uint64_t board = (std::uint64_t{1} << n) - 1;
    if (bits->board != board) return false;
    for (int c = 1; c <= n + 1; ++c) {
        // What the fixed queens hold or attack in column c, and what the queens of free columns to its left
        // leave to it.
        std::uint64_t fixedBlock = 0, held = 0, up = 0, down = 0;
        for (int o = 1; o <= n; ++o) {
            const int r = b.QueenRow[o];
            if (!onBoard(r)) continue;
            const int d = std::abs(c - o);
            if (b.FixedColumn[o] == 1 && c <= n) fixedBlock |= (bit(r) | bit(r + d) | bit(r - d)) & board;
            if (b.FixedColumn[o] == 0 && o < c) {
                held |= bit(r);
                up |= bit(r + d);
                down |= bit(r - d);
            }
        }
        if (c <= n && bits->fixedBlock[c] != fixedBlock) return false;
        const bool free = c > n || b.FixedColumn[c] == 0;
        if (!free) continue;
        // The frames of the free columns the search has reached; the others are rewritten before use.
        if (c <= b.SearchColumn &&
            (bits->frameHeld[c] != held || bits->frameUp[c] != up || bits->frameDown[c] != down)) {
            return false;
        }
        // The untried rows of a free column's queen (those below it) and of the empty column under the
        // cursor.
        if (c == b.SearchColumn || (c <= n && b.QueenRow[c] > 0)) {
            const int from = c <= n && onBoard(b.QueenRow[c]) ? b.QueenRow[c] : 0;
            std::uint64_t untried = 0;
            for (int r = from + 1; r <= n; ++r)
                untried |= bit(r);
            untried &= ~(held | up | down | fixedBlock);
            if (bits->untried[c] != untried) return false;
        }
    }
    return true;
}

// The invariants of a board from an accepted test until the end of its search, for n = b.BoardSize and the
// fixed queens the test accepted:
//  - scalar ranges: SearchColumn 0..n+1 (0 only once ended), CandidateRow 1..n+1, PreviousRow 0..n;
//  - index 0 of every array is 0, flags are 0 or 1, nothing beyond the board is occupied or free;
//  - every queen is marked, every mark belongs to exactly one queen (so no two queens attack each other);
//  - the fixed columns are exactly the given ones and hold their rows;
//  - free columns at or beyond the cursor are empty (but column n right after a solution), and the cursor is
//  n + 1
//    exactly when every column holds a queen;
//  - the search's private bits agree with the arrays.
inline std::string CheckBoardInvariants(const Board& b, const FixedSet& fixed,
                                        InvariantOptions options = {}) {
    using detail::At;
    const int n = b.BoardSize;
    if (n < 1 || n > kMaxN) return "BoardSize " + std::to_string(n) + " outside 1..32";
    const int cursor = b.SearchColumn;
    if (cursor < 0 || cursor > n + 1) return "SearchColumn " + std::to_string(cursor) + " outside 0..n+1";
    if (cursor == 0 && !options.SearchEnded) return "SearchColumn 0 while the search goes on";
    if (options.SearchEnded != (b.SearchFinished == 1)) {
        return "SearchFinished is " + std::to_string(b.SearchFinished) + ", expected " +
               (options.SearchEnded ? "1" : "0");
    }
    if (options.AfterStep) {
        if (b.CandidateRow < 1 || b.CandidateRow > n + 1) {
            return "CandidateRow " + std::to_string(b.CandidateRow) + " outside 1..n+1";
        }
        if (b.PreviousRow < 0 || b.PreviousRow > n) {
            return "PreviousRow " + std::to_string(b.PreviousRow) + " outside 0..n";
        }
    }

    if (b.RowFree[0] != 0 || b.QueenRow[0] != 0 || b.FixedColumn[0] != 0 || b.DiagSum[0] != 0 ||
        b.DiagDiff[0] != 0) {
        return "index 0 of an array is not 0";
    }

    std::array<int, kColumnSlots> fixedRow{};
    for (const FixedQueen& q : fixed)
        fixedRow[q.Column] = q.Row;
    for (int k = 1; k < kColumnSlots; ++k) {
        const int expected = fixedRow[k] != 0 ? 1 : 0;
        if (b.FixedColumn[k] != expected) {
            return At("FixedColumn", k) + " = " + std::to_string(b.FixedColumn[k]) + ", expected " +
                   std::to_string(expected);
        }
        if (fixedRow[k] != 0 && b.QueenRow[k] != fixedRow[k]) {
            return "fixed " + At("QueenRow", k) + " = " + std::to_string(b.QueenRow[k]) + ", the user gave " +
                   std::to_string(fixedRow[k]);
        }
    }

    // Count, for every row and diagonal, the queens standing on it.
    std::array<int, kColumnSlots> onRow{};
    std::array<int, kDiagonalSlots> onSum{}, onDiff{};
    int queens = 0;
    for (int c = 1; c < kColumnSlots; ++c) {
        const int r = b.QueenRow[c];
        if (r == 0) continue;
        if (c > n) return At("QueenRow", c) + " = " + std::to_string(r) + " beyond the board";
        if (r < 1 || r > n) return At("QueenRow", c) + " = " + std::to_string(r) + " outside 1..n";
        ++queens;
        ++onRow[r];
        ++onSum[c + r];
        ++onDiff[n + c - r];
    }
    for (int k = 1; k < kColumnSlots; ++k) {
        const int expected = (k <= n && onRow[k] == 0) ? 1 : 0;
        if (onRow[k] > 1) return std::to_string(onRow[k]) + " queens on row " + std::to_string(k);
        if (b.RowFree[k] != expected) {
            return At("RowFree", k) + " = " + std::to_string(b.RowFree[k]) + ", expected " +
                   std::to_string(expected);
        }
    }
    for (int k = 1; k < kDiagonalSlots; ++k) {
        if (onSum[k] > 1) return std::to_string(onSum[k]) + " queens on sum diagonal " + std::to_string(k);
        if (onDiff[k] > 1)
            return std::to_string(onDiff[k]) + " queens on difference diagonal " + std::to_string(k);
        if (b.DiagSum[k] != onSum[k]) {
            return At("DiagSum", k) + " = " + std::to_string(b.DiagSum[k]) +
                   ", queens on it: " + std::to_string(onSum[k]);
        }
        if (b.DiagDiff[k] != onDiff[k]) {
            return At("DiagDiff", k) + " = " + std::to_string(b.DiagDiff[k]) +
                   ", queens on it: " + std::to_string(onDiff[k]);
        }
    }

    if (!options.SearchEnded) {
        for (int c = cursor; c <= n; ++c) {
            if (b.FixedColumn[c] == 1 || b.QueenRow[c] == 0) continue;
            if (options.CursorPutBackAfterSolution && c == n && cursor == n) continue;
            return "free column " + std::to_string(c) + " holds a queen at or beyond the cursor " +
                   std::to_string(cursor);
        }
        const bool full = queens == n;
        const bool cursorOnFull = cursor == n + 1;
        if (full != cursorOnFull && !options.CursorPutBackAfterSolution) {
            return std::to_string(queens) + " queens on the board with the cursor on " +
                   std::to_string(cursor);
        }
        if (options.CursorPutBackAfterSolution && (cursor != n || !full)) {
            return "after a solution the cursor must stand on column n of a full board";
        }
    }

    if (!BitsAgreeWithArrays(b)) return "the search's private bits disagree with the arrays";
    return {};
}

// The first field in which two boards differ, or an empty string when every field (the private ones
// included) is equal.
inline std::string DescribeBoardDifference(const Board& a, const Board& b) {
    auto scalar = [](const char* name, std::int64_t x, std::int64_t y) {
        return std::string(name) + ": " + std::to_string(x) + " vs " + std::to_string(y);
    };
#define NQ_COMPARE_SCALAR(field) \
    if (a.field != b.field) return scalar(#field, a.field, b.field)
    NQ_COMPARE_SCALAR(BoardSize);
    NQ_COMPARE_SCALAR(SearchColumn);
    NQ_COMPARE_SCALAR(PreviousRow);
    NQ_COMPARE_SCALAR(CandidateRow);
    NQ_COMPARE_SCALAR(SearchFinished);
    NQ_COMPARE_SCALAR(BreakRequested);
    NQ_COMPARE_SCALAR(StopRun);
    NQ_COMPARE_SCALAR(SolutionCount);
    NQ_COMPARE_SCALAR(StepCounter);
#undef NQ_COMPARE_SCALAR
    auto array = [](const char* name, const auto& x, const auto& y) -> std::string {
        for (std::size_t k = 0; k < x.size(); ++k) {
            if (x[k] != y[k])
                return detail::At(name, static_cast<int>(k)) + ": " + std::to_string(x[k]) + " vs " +
                       std::to_string(y[k]);
        }
        return {};
    };
    for (std::string d :
         {array("RowFree", a.RowFree, b.RowFree), array("QueenRow", a.QueenRow, b.QueenRow),
          array("FixedColumn", a.FixedColumn, b.FixedColumn), array("DiagSum", a.DiagSum, b.DiagSum),
          array("DiagDiff", a.DiagDiff, b.DiagDiff)}) {
        if (!d.empty()) return d;
    }
    if (!(a == b)) return "the search's private bits differ";
    return {};
}

}  // namespace nq::testing
