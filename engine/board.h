// SPDX-License-Identifier: GPL-3.0-or-later
// The board state of an n-queens search and the one-step backtracking search over it.
// Pure C++: no window, no allocation; the window object owns one Board and drives it pass by pass.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace nq {

// The largest board any part of the program accepts.
inline constexpr int kMaxN = 32;

// Every search in the program, the one-step search here and the counting kernels, holds a set of rows of one
// column as a 64-bit word with row r (1..n) as bit r - 1; the constellation kernel keeps the same bits in 32.
// A queen's rising diagonal reaches row r + d in the column d to its right, its falling one row r - d: bits
// shifted up and down by the distance. ColumnFrame holds that rule once.
struct ColumnFrame {
    std::uint64_t Held = 0;  // the rows of the queens to the left
    std::uint64_t Up = 0;  // this column's rows on a rising diagonal of one of them (bits above n may be set)
    std::uint64_t Down = 0;  // this column's rows on a falling diagonal of one of them

    // The rows of this column no queen to the left takes, of `board` (rows 1..n) less `blocked`.
    std::uint64_t Open(std::uint64_t board, std::uint64_t blocked) const {
        return board & ~(Held | Up | Down | blocked);
    }
    // The frame of the column `gap` (>= 1) columns on, after a queen on the row `bit` of this one.
    ColumnFrame After(std::uint64_t bit, std::ptrdiff_t gap) const {
        return {Held | bit, (Up | bit) << gap, (Down | bit) >> gap};
    }
    friend bool operator==(const ColumnFrame&, const ColumnFrame&) = default;
};

// Columns and rows are numbered 1..n (n = BoardSize, 1..32 while a search runs). Every array keeps index 0
// unused, so that a column, row or diagonal number is its own index. The sizes exceed what n = 32 needs (33
// and 65): clearing always covers indices 1..34 and 1..69.
inline constexpr int kColumnSlots = 35;
inline constexpr int kDiagonalSlots = 70;

// The fields are public because the window's procedures read them in place. The occupancy arrays (RowFree,
// QueenRow, FixedColumn, DiagSum, DiagDiff) are written only through ClearOccupancy, FreeRow, Mark, Unmark
// and SearchStep; FixedColumn may also be set directly, before its queen is marked.
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
    std::int32_t SearchColumn = 0;  // 0..n+1: next queen's column; n+1: full placement; 0: ended
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
    // Puts a queen on (c, r): occupies its row and diagonals and sets QueenRow[c] := r. The square must be
    // free and 1 <= c, r <= BoardSize.
    void Mark(std::int32_t c, std::int32_t r);
    // Frees the row and diagonals of the queen on (c, r); QueenRow[c] is left for the caller to overwrite or
    // empty.
    void Unmark(std::int32_t c, std::int32_t r);

    // One step of the search: places exactly one queen (in the empty column under the cursor, or lower down
    // in the column it backtracks to) and moves the cursor to the next free column or n + 1; or sets
    // SearchFinished; or, while BreakRequested = 1, changes nothing. Fixed columns are never moved and are
    // passed over both ways. Precondition: an accepted test (1 <= n <= 32, fixed queens marked), SearchColumn
    // on the first empty free column or (after a solution) on n, SearchFinished = 0.
    void SearchStep();

    // The first column at or after `from` (1..n + 1) that holds no fixed queen; n + 1 when there is none.
    // Where a search sets off from, and where a step lands after a queen.
    std::int32_t FirstFreeColumn(std::int32_t from = 1) const;

    // Goes on from the solution under the cursor (SearchColumn == n + 1): the cursor goes back to column n,
    // so that the next step moves that column's queen down or backtracks. The solution is the caller's to
    // count first.
    void GoOnFromSolution() { SearchColumn = BoardSize; }

    // The step that leaves the subtree below the queen of `column` once every placement in it has been
    // tried: the free columns to its right are emptied and the search goes on as its step would after the
    // last node of that subtree (that queen moves down, or the search backtracks further or ends). The
    // same board, cursor and working rows as the one-step search reaches; no solution is counted here.
    // Precondition: as for SearchStep, and `column` (1..n) a free column holding a queen.
    void LeaveSubtree(std::int32_t column);

    // Leaves the board, from any position of the search, as the one-step search leaves it at its end: every
    // free column empty but the first one when that is column 1 (its queen on its last row), the fixed
    // queens in place, and the cursor, working rows and SearchFinished as its last backtrack sets them. No
    // solution is counted here. Precondition: as for SearchStep.
    void FinishSearch();

    // What the search keeps beside the arrays, as sets of rows, much as the classic recursion keeps its
    // masks in its stack frames:
    //  - the frame of each free column c up to the cursor (n + 1 included): what the free columns' queens
    //    left of c leave to it, as three arrays (indexing one word is cheaper in the step than a struct);
    //  - fixedBlock[c], for every column: the rows of column c that the fixed queens hold or attack;
    //  - untried[c], for a free column holding a queen: its open rows below that queen, so that a backtrack
    //    into c needs no recount; for the empty free column under the cursor: all its open rows;
    //  - board: rows 1..n.
    // Words the search does not read (frames beyond the cursor, untried rows of other columns) may hold
    // anything. All of it is rebuilt from the arrays after any public writer.
    struct SearchBits {
        std::array<std::uint64_t, kColumnSlots> frameHeld{};
        std::array<std::uint64_t, kColumnSlots> frameUp{};
        std::array<std::uint64_t, kColumnSlots> frameDown{};
        std::array<std::uint64_t, kColumnSlots> fixedBlock{};
        std::array<std::uint64_t, kColumnSlots> untried{};
        std::uint64_t board = 0;
        ColumnFrame Frame(std::ptrdiff_t c) const { return {frameHeld[c], frameUp[c], frameDown[c]}; }
        void SetFrame(std::ptrdiff_t c, const ColumnFrame& f) {
            frameHeld[c] = f.Held;
            frameUp[c] = f.Up;
            frameDown[c] = f.Down;
        }
        friend bool operator==(const SearchBits&, const SearchBits&) = default;
    };
    // The search's bits as it keeps them, for reading (tests hold them against the arrays, which are the
    // truth); nullptr while they wait to be rebuilt from the arrays (after any of the four writers above).
    const SearchBits* Bits() const { return known_ ? &bits_ : nullptr; }

    // Every field equal, the private state included. For tests.
    friend bool operator==(const Board&, const Board&) = default;

  private:
    SearchBits bits_;
    bool known_ = false;

    // The search bits as the arrays and the cursor determine them.
    void ComputeSearchBits(SearchBits& out) const;
    void RebuildSearchBits();
    // The step's helpers take columns and rows as std::ptrdiff_t: indices that need no widening on every use.
    //
    // Puts the queen of the free column c, which has left row `leaving` (0: the column was empty; its row and
    // diagonals already vacated), on the lowest row of `open` (its untried rows, not empty), and the cursor
    // on the next free column or n + 1.
    void PlaceLowest(std::ptrdiff_t c, std::ptrdiff_t leaving, std::uint64_t open);
    // FirstFreeColumn's rule with n in a register, for the step.
    std::ptrdiff_t SkipFixed(std::ptrdiff_t c, std::ptrdiff_t n) const;
    // Frees the row and diagonals of the queen on (c, r); QueenRow[c] is the caller's to overwrite or empty.
    void Vacate(std::ptrdiff_t c, std::ptrdiff_t r);
    // Ends the search when column 1 (free) has no row left below `row`, its queen's.
    void FinishAtFirstColumn(std::ptrdiff_t row);
    // The step from the fixed column c = n under the cursor (put back there after a solution), row by row on
    // the arrays: no row below the fixed queen is free, so it backtracks over the fixed columns. Returns the
    // free column to go on from, whose queen moves down if it can, or 0 when this call is done.
    std::int32_t StepFromFixedColumn(std::int32_t c);
};

inline void Board::Vacate(std::ptrdiff_t c, std::ptrdiff_t r) {
    RowFree[r] = 1;
    DiagSum[c + r] = 0;
    DiagDiff[BoardSize + c - r] = 0;
}

inline std::ptrdiff_t Board::SkipFixed(std::ptrdiff_t c, std::ptrdiff_t n) const {
    while (c <= n && FixedColumn[c] == 1)
        ++c;
    return c;
}

inline std::int32_t Board::FirstFreeColumn(std::int32_t from) const {
    return static_cast<std::int32_t>(SkipFixed(from, BoardSize));
}

inline void Board::FinishAtFirstColumn(std::ptrdiff_t row) {
    SearchColumn = 1;
    PreviousRow = static_cast<std::int32_t>(row);
    CandidateRow = BoardSize + 1;
    SearchFinished = 1;  // column 1's queen stays on its last row; the state is not used again
}

inline void Board::PlaceLowest(std::ptrdiff_t c, std::ptrdiff_t leaving, std::uint64_t open) {
    const std::ptrdiff_t n = BoardSize;
    const std::uint64_t bit = open & (~open + 1);
    const std::ptrdiff_t r = 1 + static_cast<std::ptrdiff_t>(std::countr_zero(open));
    bits_.untried[c] = open ^ bit;
    RowFree[r] = 0;
    DiagSum[c + r] = 1;
    DiagDiff[n + c - r] = 1;
    QueenRow[c] = static_cast<std::int32_t>(r);
    PreviousRow = static_cast<std::int32_t>(leaving);
    CandidateRow = static_cast<std::int32_t>(r);
    std::ptrdiff_t next = c + 1;
    if (FixedColumn[next] == 1) [[unlikely]]
        next = SkipFixed(next, n);
    // The next free column's frame: this queen joins, and the diagonals travel the columns in between.
    const ColumnFrame frame = bits_.Frame(c).After(bit, next - c);
    bits_.SetFrame(next, frame);
    bits_.untried[next] = frame.Open(bits_.board, bits_.fixedBlock[next]);
    SearchColumn = static_cast<std::int32_t>(next);
}

inline void Board::SearchStep() {
    if (BreakRequested == 1) [[unlikely]]
        return;
    if (!known_) [[unlikely]]
        RebuildSearchBits();
    const std::ptrdiff_t n = BoardSize;
    std::ptrdiff_t c = SearchColumn;
    if (FixedColumn[c] == 1) [[unlikely]] {
        while (FixedColumn[c] == 1 && c < n)
            ++c;
        if (FixedColumn[c] == 1) {
            c = StepFromFixedColumn(static_cast<std::int32_t>(c));
            if (c == 0) return;
        }
    }
    std::ptrdiff_t row = QueenRow[c];
    // Forward into the empty column. (A solution's last column, put back under the cursor, has no untried
    // row: every row is held.)
    const std::uint64_t open = bits_.untried[c];
    if (open != 0) {
        if (row > 0) [[unlikely]]
            Vacate(c, row);
        PlaceLowest(c, row, open);
        return;
    }
    // Backtrack: empty this column, go left past the fixed columns, move that queen down if it can go.
    if (c == 1) {
        FinishAtFirstColumn(row);
        return;
    }
    if (row > 0) [[unlikely]] {
        Vacate(c, row);  // the last column, put back after a solution
        QueenRow[c] = 0;
    }
    for (;;) {
        --c;
        if (FixedColumn[c] != 0) [[unlikely]] {
            while (c > 0 && FixedColumn[c] != 0)
                --c;
            if (c == 0) {
                SearchColumn = 0;
                PreviousRow = static_cast<std::int32_t>(row);
                CandidateRow = static_cast<std::int32_t>(n + 1);
                SearchFinished = 1;  // every column to the left was fixed
                return;
            }
        }
        // Column c is free and holds a queen.
        row = QueenRow[c];
        const std::uint64_t untried = bits_.untried[c];
        if (untried != 0) {
            Vacate(c, row);
            PlaceLowest(c, row, untried);
            return;
        }
        if (c == 1) {
            FinishAtFirstColumn(row);
            return;
        }
        Vacate(c, row);
        QueenRow[c] = 0;
    }
}

}  // namespace nq
