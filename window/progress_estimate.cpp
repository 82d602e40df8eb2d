// SPDX-License-Identifier: GPL-3.0-or-later
// The progress estimate of a search: the share of the tree before its position, and the clamp that keeps it
// from falling.
#include "window/progress_estimate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "engine/problem.h"
#include "window/form1.h"

namespace nq {

double ProgressEstimate::ShareOf(const Board& board) {
    const std::int32_t n = board.BoardSize;
    if (n < 1 || n > kMaxN) return 0.0;
    const std::uint64_t all = (std::uint64_t{1} << n) - 1;
    auto bit = [](std::int32_t row) { return std::uint64_t{1} << (row - 1); };
    // The rows the search may try in column c are free of the queens to its left and of every fixed queen:
    // the fixed queens' rows and diagonals per column, then the free queens' as the columns go right.
    std::vector<Queen> fixed;
    for (std::int32_t k = 1; k <= n; ++k) {
        const std::int32_t q = board.QueenRow[k];
        if (board.FixedColumn[k] == 1 && q >= 1 && q <= n) fixed.push_back({k, q});
    }
    std::uint64_t held = 0, up = 0, down = 0;  // the free queens' rows and diagonals, in the current column
    double share = 0.0;
    double weight = 1.0;  // the share of the subtree of the queens left of the column
    for (std::int32_t c = 1; c <= n; ++c, up <<= 1, down >>= 1) {
        if (board.FixedColumn[c] == 1) continue;
        const std::int32_t row = board.QueenRow[c];
        if (row < 1 || row > n) break;
        const std::uint64_t open = all & ~(held | up | down | RowsAttacked(fixed, n, c));
        const int count = std::popcount(open);
        if (count == 0) break;  // not a placement the search makes
        const int above = std::popcount(open & (bit(row) - 1));
        share += weight * above / count;
        weight /= count;
        held |= bit(row);
        up |= bit(row);
        down |= bit(row);
    }
    return std::min(share, 1.0);
}

double ProgressEstimate::Update(const Board& board) {
    value_ = std::max(value_, ShareOf(board));
    return value_;
}

double ProgressEstimate::Update(const Form1& form) {
    const double counted = form.CountedShare();
    if (counted < 0.0) return Update(static_cast<const Board&>(form));
    value_ = std::max(value_, counted);
    return value_;
}

}  // namespace nq
