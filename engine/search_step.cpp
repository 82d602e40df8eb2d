// The board's bookkeeping and the one-step backtracking search.
#include <bit>

#include "engine/board.h"

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
    freeRows_ = 0;
    sumDiagonals_ = 0;
    diffDiagonals_ = 0;
}

void Board::FreeRow(std::int32_t r) {
    RowFree[r] = 1;
    freeRows_ |= std::uint64_t{1} << (r - 1);
}

void Board::Mark(std::int32_t c, std::int32_t r) {
    RowFree[r] = 0;
    DiagSum[c + r] = 1;
    DiagDiff[BoardSize + c - r] = 1;
    QueenRow[c] = r;
    freeRows_ &= ~(std::uint64_t{1} << (r - 1));
    sumDiagonals_ |= std::uint64_t{1} << (c + r - 2);
    diffDiagonals_ |= std::uint64_t{1} << (r - c + 31);
}

void Board::Unmark(std::int32_t c, std::int32_t r) {
    RowFree[r] = 1;
    DiagSum[c + r] = 0;
    DiagDiff[BoardSize + c - r] = 0;
    freeRows_ |= std::uint64_t{1} << (r - 1);
    sumDiagonals_ &= ~(std::uint64_t{1} << (c + r - 2));
    diffDiagonals_ &= ~(std::uint64_t{1} << (r - c + 31));
}

void Board::SearchStep() {
    if (BreakRequested == 1) return;
    const std::int32_t n = BoardSize;
    for (;;) {
        // Seek: pass over fixed columns, but never beyond n (the cursor may have been put back on a fixed column n).
        while (FixedColumn[SearchColumn] == 1 && SearchColumn < n) ++SearchColumn;
        const std::int32_t c = SearchColumn;
        PreviousRow = QueenRow[c];

        // Rows below PreviousRow that are free. The queen still standing on PreviousRow blocks none of them.
        const std::uint64_t below = OpenRows(c) >> PreviousRow;
        if (below != 0) {
            CandidateRow = PreviousRow + 1 + static_cast<std::int32_t>(std::countr_zero(below));
            if (PreviousRow > 0) Unmark(c, PreviousRow);
            Mark(c, CandidateRow);
            SearchColumn = c + 1;
            while (SearchColumn <= n && FixedColumn[SearchColumn] == 1) ++SearchColumn;
            return;
        }
        CandidateRow = n + 1;
        if (c == 1) {
            SearchFinished = 1;  // column 1's queen stays on its last row; the state is not used again
            return;
        }

        // Backtrack: empty this column (unless fixed), then pass over fixed columns to the left.
        do {
            if (FixedColumn[SearchColumn] == 0 && PreviousRow > 0) {
                Unmark(SearchColumn, PreviousRow);
                QueenRow[SearchColumn] = 0;
            }
            --SearchColumn;
        } while (FixedColumn[SearchColumn] != 0 && SearchColumn != 0);
        if (SearchColumn == 0) {
            SearchFinished = 1;  // every column to the left was fixed
            return;
        }
        // The earlier column's queen is still marked; the next round looks for a row below it.
    }
}

bool Board::MasksAgreeWithArrays() const {
    for (std::int32_t r = 1; r <= kMaxBoardSize; ++r) {
        if ((RowFree[r] == 1) != (((freeRows_ >> (r - 1)) & 1) != 0)) return false;
    }
    for (std::int32_t k = 2; k <= 2 * kMaxBoardSize; ++k) {
        if ((DiagSum[k] == 1) != (((sumDiagonals_ >> (k - 2)) & 1) != 0)) return false;
    }
    // DiagDiff[k] is the diagonal with r - c = n - k, held at bit n - k + 31; k ranges over 1..2n - 1.
    const std::int32_t n = BoardSize;
    for (std::int32_t k = 1; k <= 2 * n - 1; ++k) {
        if ((DiagDiff[k] == 1) != (((diffDiagonals_ >> (n - k + 31)) & 1) != 0)) return false;
    }
    return true;
}

}  // namespace nq
