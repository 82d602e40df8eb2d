// SPDX-License-Identifier: GPL-3.0-or-later
// Setting a board up from a problem, the rows fixed queens take from a column, and a queen list's text.
#include "engine/problem.h"

#include <cstdlib>
#include <string>

namespace nq {

std::string QueensText(const std::vector<Queen>& queens) {
    std::string s;
    for (const Queen& q : queens) {
        if (!s.empty()) s += ',';
        s.append(std::to_string(q.Column));
        s.push_back(':');
        s.append(std::to_string(q.Row));
    }
    return s;
}

void SetUpBoard(Board& board, const Problem& problem) {
    const int n = problem.N;
    board.BoardSize = n;
    board.ClearOccupancy();
    board.BreakRequested = 0;
    board.StopRun = 0;
    board.SearchFinished = 0;
    board.StepCounter = 0;
    board.SolutionCount = 0;
    for (int r = 1; r <= n; ++r)
        board.FreeRow(r);
    for (const Queen& q : problem.Fixed) {
        board.FixedColumn[q.Column] = 1;
        board.Mark(q.Column, q.Row);
    }
    board.SearchColumn = board.FirstFreeColumn();
}

}  // namespace nq
