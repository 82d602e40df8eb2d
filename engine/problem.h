// SPDX-License-Identifier: GPL-3.0-or-later
// A board to search: its size and the queens fixed on it. The one vocabulary every layer uses to describe a
// problem, to set a board up for the one-step search, and to ask which rows the fixed queens take from a
// column.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "engine/board.h"

namespace nq {

struct Queen {
    int Column = 0;  // 1..n
    int Row = 0;     // 1..n
    friend bool operator==(const Queen&, const Queen&) = default;
};

// n in 1..kMaxN; fixed queens on distinct columns, on the board, none attacking another, sorted by column.
struct Problem {
    int N = 0;
    std::vector<Queen> Fixed;
};

// The rows of column `column` (1..n) that the queens hold or attack, as bits (row r is bit r - 1). Queens
// on the column itself hold only their own row.
inline std::uint64_t RowsAttacked(std::span<const Queen> queens, int n, int column) {
    std::uint64_t rows = 0;
    for (const Queen& q : queens) {
        const int dist = std::abs(column - q.Column);
        rows |= std::uint64_t{1} << (q.Row - 1);
        if (q.Row - dist >= 1) rows |= std::uint64_t{1} << (q.Row - dist - 1);
        if (q.Row + dist <= n) rows |= std::uint64_t{1} << (q.Row + dist - 1);
    }
    return rows;
}

// The queens as the command line and the save file write them: "3:5,6:1" (column:row, in the given order).
std::string QueensText(const std::vector<Queen>& queens);

// The board as an accepted test leaves it and a start finds it: size n, every row free but the fixed queens',
// the fixed columns marked, no solution counted, the cursor on the first column that is not fixed (n + 1 when
// every column is).
void SetUpBoard(Board& board, const Problem& problem);

}  // namespace nq
