// SPDX-License-Identifier: GPL-3.0-or-later
// The board's writers, the rebuilding of the search's bit state, and the rare step from a fixed column. The
// search step itself is inline in board.h.
#include "engine/board.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace nq {

void Board::ClearOccupancy() {
    for (int k = 1; k < kColumnSlots; ++k) {
        QueenRow[k] = 0;
        RowFree[k] = 0;
        FixedColumn[k] = 0;
    }
    for (int k = 1; k < kDiagonalSlots; ++k) {
        DiagSum[k] = 0;
        DiagDiff[k] = 0;
    }
    known_ = false;
}

void Board::FreeRow(std::int32_t r) {
    RowFree[r] = 1;
    known_ = false;
}

void Board::Mark(std::int32_t c, std::int32_t r) {
    RowFree[r] = 0;
    DiagSum[c + r] = 1;
    DiagDiff[BoardSize + c - r] = 1;
    QueenRow[c] = r;
    known_ = false;
}

void Board::Unmark(std::int32_t c, std::int32_t r) {
    RowFree[r] = 1;
    DiagSum[c + r] = 0;
    DiagDiff[BoardSize + c - r] = 0;
    known_ = false;
}

void Board::ComputeSearchBits(SearchBits& out) const {
    // Rows outside 1..n (a board edited behind the search's back) are left out rather than shifted by.
    const std::int32_t n = BoardSize < 0 ? 0 : (BoardSize > kMaxN ? kMaxN : BoardSize);
    auto onBoard = [n](std::int32_t r) { return r >= 1 && r <= n; };
    const std::uint64_t board = (std::uint64_t{1} << n) - 1;
    out = SearchBits{};
    out.board = board;
    for (std::int32_t f = 1; f <= n; ++f) {
        if (FixedColumn[f] != 1 || !onBoard(QueenRow[f])) continue;
        const std::uint64_t bit = std::uint64_t{1} << (QueenRow[f] - 1);
        for (std::int32_t c = 1; c <= n; ++c) {
            const std::int32_t d = c > f ? c - f : f - c;
            out.fixedBlock[c] |= (bit | (bit << d) | (bit >> d)) & board;
        }
    }
    // The free columns' queens from the left; the diagonals move one row per column.
    ColumnFrame frame;
    for (std::int32_t c = 1; c <= n + 1; ++c) {
        out.SetFrame(c, frame);
        const bool free = c > n || FixedColumn[c] == 0;
        const std::int32_t r = c <= n && onBoard(QueenRow[c]) ? QueenRow[c] : 0;
        if (free) out.untried[c] = frame.Open(board, out.fixedBlock[c]) >> r << r;  // rows r + 1.. (bits r..)
        frame = frame.After(free && r > 0 ? std::uint64_t{1} << (r - 1) : 0, 1);
    }
}

void Board::RebuildSearchBits() {
    ComputeSearchBits(bits_);
    known_ = true;
}

void Board::LeaveSubtree(std::int32_t column) {
    if (BreakRequested == 1) return;
    if (!known_) RebuildSearchBits();
    const std::int32_t n = BoardSize;
    for (std::int32_t c = column + 1; c <= n; ++c) {
        if (FixedColumn[c] == 1 || QueenRow[c] == 0) continue;
        Vacate(c, QueenRow[c]);
        QueenRow[c] = 0;
    }
    const std::int32_t next = FirstFreeColumn(column + 1);
    // The column after `column` has no row left to try: the step backtracks into `column`. Its frame and the
    // untried rows of the queens to its left are those the search keeps.
    bits_.untried[static_cast<std::size_t>(next)] = 0;
    SearchColumn = next;
    SearchStep();
}

void Board::FinishSearch() {
    if (BreakRequested == 1) return;
    const std::int32_t n = BoardSize;
    for (std::int32_t c = 1; c <= n; ++c) {
        if (FixedColumn[c] == 1 || QueenRow[c] == 0) continue;
        Vacate(c, QueenRow[c]);
        QueenRow[c] = 0;
    }
    known_ = false;
    const std::int32_t first = FirstFreeColumn(1);
    if (first > n) {  // every column fixed: the search ends right after its one solution
        GoOnFromSolution();
        SearchStep();
        return;
    }
    // The search's last placement in the first free column is on its last open row; every placement below
    // it tried, it backtracks from there to its end.
    std::int32_t last = 0;
    for (std::int32_t r = n; r >= 1 && last == 0; --r) {
        if (RowFree[r] == 1 && DiagSum[first + r] == 0 && DiagDiff[n + first - r] == 0) last = r;
    }
    SearchColumn = first;
    if (last == 0) {
        SearchStep();  // no row at all: the first step ends the search
        return;
    }
    Mark(first, last);
    LeaveSubtree(first);
}

std::int32_t Board::StepFromFixedColumn(std::int32_t c) {
    const std::int32_t n = BoardSize;
    const std::int32_t fixedRow = QueenRow[c];
    SearchColumn = c;
    PreviousRow = fixedRow;
    for (CandidateRow = fixedRow + 1; CandidateRow <= n; ++CandidateRow) {
        const std::int32_t r = CandidateRow;
        if (DiagSum[c + r] == 0 && RowFree[r] == 1 && DiagDiff[n + c - r] == 0) {
            // Reached only when the precondition is broken (after a solution every row is held): the fixed
            // queen moves, as the row-by-row search would move it.
            Unmark(c, fixedRow);
            Mark(c, r);
            SearchColumn = FirstFreeColumn(c + 1);
            return 0;
        }
    }
    if (c == 1) {
        SearchFinished = 1;
        return 0;
    }
    do {
        --c;
    } while (c > 0 && FixedColumn[c] != 0);
    if (c == 0) {
        SearchColumn = 0;
        SearchFinished = 1;
        return 0;
    }
    return c;
}

}  // namespace nq
