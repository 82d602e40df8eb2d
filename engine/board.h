// The board state of an n-queens search and the one-step backtracking search over it.
// Pure C++: no window, no allocation; the window object owns one Board and drives it pass by pass.
#pragma once

#include <array>
#include <cstdint>

namespace nq {

inline constexpr std::int32_t kMaxBoardSize = 32;

// Columns and rows are numbered 1..n (n = BoardSize, 1..32 while a search runs). Every array keeps index 0 unused,
// so that a column, row or diagonal number is its own index. The sizes exceed what n = 32 needs (33 and 65):
// clearing always covers indices 1..34 and 1..69.
inline constexpr int kColumnSlots = 35;
inline constexpr int kDiagonalSlots = 70;

// The fields are public because the window's procedures read them in place. The occupancy arrays (RowFree,
// QueenRow, FixedColumn, DiagSum, DiagDiff) are written only through ClearOccupancy, FreeRow, Mark, Unmark, EmptyColumn
// and SearchStep, which keep the bit masks beside them in step.
//
// Between two calls of SearchStep, from an accepted test until the search has ended:
//  1. every queen (c, QueenRow[c] = r > 0) holds RowFree[r] = 0, DiagSum[c + r] = 1, DiagDiff[n + c - r] = 1;
//  2. every 0 in RowFree[1..n] and every 1 in DiagSum, DiagDiff belongs to exactly one queen;
//  3. a fixed column keeps the row the user gave it;
//  4. free columns at or beyond SearchColumn are empty, except column n right after a solution;
//  5. SearchColumn == n + 1 exactly when every column 1..n holds a queen.
class Board {
public:
    std::int32_t BoardSize = 0;     // n, 0..32; 0 until a test has accepted a value
    std::int32_t SearchColumn = 0;  // 0..n+1: column of the next queen; n+1: a full placement; 0: search ended
    std::int32_t PreviousRow = 0;   // 0..n: row the current column's queen stood on when the step reached it
    std::int32_t CandidateRow = 0;  // 1..n+1: row being tried; after a placement, the row used
    std::int32_t SearchFinished = 0;  // 1 once the search space is exhausted
    std::int32_t BreakRequested = 0;  // 1 after "break": steps change nothing, the run loop stops
    std::int32_t StopRun = 0;         // 1 makes the run loop leave after the current pass
    std::int64_t SolutionCount = 0;   // solutions since the last start; 64 bits, as n = 19 alone has ~5e9
    std::int32_t StepCounter = 0;     // 0..100: passes since the last event pump

    std::array<std::int32_t, kColumnSlots> RowFree{};      // 1: row k is on the board and holds no queen
    std::array<std::int32_t, kColumnSlots> QueenRow{};     // row of the queen in column k, 0 = empty
    std::array<std::int32_t, kColumnSlots> FixedColumn{};  // 1: the user fixed column k's queen
    std::array<std::int32_t, kDiagonalSlots> DiagSum{};    // 1: a queen stands where column + row = k
    std::array<std::int32_t, kDiagonalSlots> DiagDiff{};   // 1: a queen stands where n + column - row = k

    // Zeroes indices 1..34 of RowFree, QueenRow, FixedColumn and 1..69 of both diagonal arrays.
    void ClearOccupancy();
    // RowFree[r] := 1. r in 1..BoardSize, with no queen on row r.
    void FreeRow(std::int32_t r);
    // Puts a queen on (c, r): occupies its row and diagonals and sets QueenRow[c] := r. The square must be free and
    // 1 <= c, r <= BoardSize.
    void Mark(std::int32_t c, std::int32_t r);
    // Frees the row and diagonals of the queen on (c, r); QueenRow[c] is left for the caller to overwrite or empty.
    void Unmark(std::int32_t c, std::int32_t r);

    // One step of the search: places exactly one queen (in the empty column under the cursor, or lower down in the
    // column it backtracks to) and moves the cursor to the next free column or n + 1; or sets SearchFinished;
    // or, while BreakRequested = 1, changes nothing. Fixed columns are never moved and are passed over both ways.
    // Precondition: an accepted test (1 <= n <= 32, fixed queens marked), 1 <= SearchColumn <= n, SearchFinished = 0.
    void SearchStep();

    // True when the bit masks agree with the arrays (RowFree[1..32], DiagSum[2..64], DiagDiff for the diagonals
    // of the board). For tests: the arrays are the truth, the masks only speed up the search.
    bool MasksAgreeWithArrays() const;

private:
    // The same occupancy as the arrays, as bits, so that a step finds the free rows of a column with a few shifts
    // instead of testing every row. Row r is bit r - 1 throughout.
    std::uint64_t freeRows_ = 0;      // bit r - 1: RowFree[r] = 1
    std::uint64_t sumDiagonals_ = 0;  // bit c + r - 2: DiagSum[c + r] = 1
    std::uint64_t diffDiagonals_ = 0;  // bit r - c + 31: the diagonal of (c, r) in DiagDiff is taken

    // Rows of column c (bit r - 1) that are free of any queen's row and diagonals.
    std::uint64_t OpenRows(std::int32_t c) const {
        return freeRows_ & ~(sumDiagonals_ >> (c - 1)) & ~(diffDiagonals_ >> (32 - c));
    }
};

}  // namespace nq
