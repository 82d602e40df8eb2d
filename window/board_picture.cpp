// SPDX-License-Identifier: GPL-3.0-or-later
// What the board window shows in each state of the window.
#include "window/board_picture.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "engine/duration.h"
#include "engine/problem.h"
#include "window/controls.h"
#include "window/read_number.h"

namespace nq {

namespace {

// True when a queen on (c1, r1) attacks the square (c2, r2) of another column or row.
bool Attacks(std::int32_t c1, std::int32_t r1, std::int32_t c2, std::int32_t r2) {
    return c1 == c2 || r1 == r2 || std::abs(c1 - c2) == std::abs(r1 - r2);
}

// Shades the squares the picture's queens attack.
void MarkAttacked(BoardPicture& p) {
    const std::int32_t n = p.N;
    std::vector<Queen> placed;
    for (std::int32_t c = 1; c <= n; ++c) {
        if (p.Row[c] != 0) placed.push_back({c, p.Row[c]});
    }
    const std::uint64_t all = (std::uint64_t{1} << n) - 1;
    for (std::int32_t c = 1; c <= n; ++c) {
        // A queen of its own attacks the rest of its column.
        const std::uint64_t rows =
            p.Row[c] != 0 ? all & ~(std::uint64_t{1} << (p.Row[c] - 1)) : RowsAttacked(placed, n, c);
        p.Attacked[c] = static_cast<std::uint32_t>(rows);
    }
}

std::string Count(std::int64_t solutions) {
    return solutions == 1 ? std::string("1 solution") : Decimal(solutions) + " solutions";
}

// True after start-up and after a reset until the next test: no n accepted, or the board cleared (no row
// free, no fixed column; any test that reads an n frees a row or fixes a column).
bool NoBoardAccepted(const Form1& form) {
    const std::int32_t n = form.BoardSize;
    if (n < 1 || n > kMaxN) return true;
    if (form.Running() || form.Text2.Text != kStateTestInput) return false;
    for (std::int32_t k = 1; k <= n; ++k) {
        if (form.RowFree[k] != 0 || form.FixedColumn[k] != 0) return false;
    }
    return true;
}

// ", <what> in column 1, 3" for the columns where `has` holds, or "".
template <class Has>
std::string ColumnsWhere(std::int32_t n, const char* what, Has has) {
    std::string columns;
    for (std::int32_t c = 1; c <= n; ++c) {
        if (has(c)) columns += (columns.empty() ? "" : ", ") + Decimal(c);
    }
    return columns.empty() ? columns : std::string(what) + " in column " + columns;
}

}  // namespace

std::string PositionText(const BoardPicture& picture) {
    std::string text;
    for (std::int32_t c = 1; c <= picture.N; ++c) {
        if (c > 1) text += ' ';
        text += Decimal(picture.Row[c]);
    }
    return text;
}

std::string DisplayRowText(const Form1& form) {
    std::string text;
    if (NoBoardAccepted(form)) return text;
    for (std::int32_t c = 1; c <= form.BoardSize; ++c) {
        if (c > 1) text += ' ';
        const std::int32_t row = ReadTypedNumber(form.Text8[c - 1].Text);
        text += Decimal(row >= 1 && row <= form.BoardSize ? row : 0);
    }
    return text;
}

void BoardWatcher::TakeEntryRow(const Form1& form) {
    BoardPicture& p = picture_;
    const std::int32_t n = p.N;
    for (std::int32_t c = 1; c <= n; ++c) {
        const std::string& text = form.Text7[c - 1].Text;
        if (IsBlankEntry(text)) continue;
        const std::int32_t row = ReadTypedNumber(text);
        const bool onBoard = row >= 1 && row <= n;
        p.Kind[c] = onBoard && form.FixedColumn[c] == 1 && form.QueenRow[c] == row ? QueenKind::Fixed
                                                                                   : QueenKind::Typed;
        p.Row[c] = onBoard ? row : 0;
        p.Conflict[c] = !onBoard;
    }
    for (std::int32_t c = 1; c <= n; ++c) {
        for (std::int32_t k = c + 1; k <= n; ++k) {
            if (p.Row[c] != 0 && p.Row[k] != 0 && Attacks(c, p.Row[c], k, p.Row[k])) {
                p.Conflict[c] = true;
                p.Conflict[k] = true;
            }
        }
    }
    MarkAttacked(p);
}

void BoardWatcher::TakeRows(const Form1& form, bool fromDisplayRow) {
    BoardPicture& p = picture_;
    for (std::int32_t c = 1; c <= p.N; ++c) {
        const std::int32_t row = fromDisplayRow ? ReadTypedNumber(form.Text8[c - 1].Text) : form.QueenRow[c];
        if (row < 1 || row > p.N) continue;
        p.Row[c] = row;
        p.Kind[c] = form.FixedColumn[c] == 1 ? QueenKind::Fixed : QueenKind::Searched;
    }
    haveQueens_ = true;
}

std::string BoardWatcher::RunFigures(const Form1& form, double seconds) const {
    const double elapsed = seconds - runStart_;
    std::string text = ", " + Count(form.SolutionCount) + ", " + FormatDuration(elapsedBefore_ + elapsed, 1);
    if (elapsed >= 1.0) {
        const double rate = static_cast<double>(form.SolutionCount - countAtStart_) / elapsed;
        text += ", " + Decimal(std::llround(rate)) + " solutions/s";
        const double done = progress_.Value() - shareAtStart_;
        if (done > 0.0) {
            const std::string left = FormatDuration(elapsed * (1.0 - progress_.Value()) / done, 1);
            text += (left.front() == 'm' ? ", " : ", about ") + left + " left";
        }
    }
    return text;
}

void BoardWatcher::TakeStep(const Form1& form, const StepFrame& step) {
    BoardPicture& p = picture_;
    for (std::int32_t c = 1; c <= p.N; ++c) {
        p.Row[c] = step.Row[c];
        p.Kind[c] = step.Row[c] == 0           ? QueenKind::None
                    : form.FixedColumn[c] == 1 ? QueenKind::Fixed
                                               : QueenKind::Searched;
    }
    MarkAttacked(p);
    p.Step = step.Kind;
    p.StepColumn = step.Column;
    p.StepRow = step.ToRow;
    p.TakenBack = step.TakenBack;
    auto many = [](std::int64_t k, const char* one) { return Decimal(k) + " " + one + (k == 1 ? "" : "s"); };
    p.Status += ", " + many(step.Steps, "step") + (step.CountedFromStart ? ", " : " and ") +
                many(step.Backtracks, "backtrack") + (step.CountedFromStart ? "" : " watched");
}

const BoardPicture& BoardWatcher::Take(const Form1& form, double seconds, const StepFrame* step) {
    const BoardPhase before = picture_.Phase;
    const std::string& state = form.Text2.Text;
    BoardPhase phase = BoardPhase::Entry;
    if (state == kStateSolutionFound || state == kStateInterrupted) {
        phase = BoardPhase::Stopped;
    } else if (form.Running()) {
        phase = BoardPhase::Running;
    } else if (state == kStateFinished) {
        phase = BoardPhase::Finished;
    } else if (NoBoardAccepted(form)) {
        phase = BoardPhase::NoBoard;
    }

    if (before == BoardPhase::Running && phase != BoardPhase::Running) elapsedBefore_ += seconds - runStart_;
    const BoardPicture last = picture_;
    picture_ = BoardPicture{};
    BoardPicture& p = picture_;
    p.Phase = phase;
    p.N = phase == BoardPhase::NoBoard ? 0 : form.BoardSize;
    p.Status = state;
    switch (phase) {
        case BoardPhase::NoBoard:
        case BoardPhase::Entry:
            haveQueens_ = false;
            progress_.Restart();
            p.Editable = !form.Text7[0].Locked;
            if (phase == BoardPhase::NoBoard) {
                p.Status += ": type n in the main window and press test";
                break;
            }
            TakeEntryRow(form);
            {
                // Queens that attack each other, and entries that name no row (outside 1..n, not a number).
                const std::string attacks = ColumnsWhere(
                    p.N, "conflict", [&](std::int32_t c) { return p.Conflict[c] && p.Row[c] != 0; });
                const std::string offBoard = ColumnsWhere(
                    p.N, "not a row", [&](std::int32_t c) { return p.Conflict[c] && p.Row[c] == 0; });
                if (!attacks.empty()) p.Status += ", " + attacks;
                if (!offBoard.empty()) p.Status += (attacks.empty() ? ", " : "; ") + offBoard;
            }
            break;
        case BoardPhase::Running:
            if (before != BoardPhase::Running) {
                // A continuation goes on from the stop it was last seen at; anything else is a new search.
                if (before != BoardPhase::Stopped || last.N != p.N || form.SolutionCount < countAtStart_) {
                    progress_.Restart();
                    elapsedBefore_ = 0.0;
                }
                runStart_ = seconds;
                countAtStart_ = form.SolutionCount;
                shareAtStart_ = progress_.Value();
            }
            TakeRows(form, false);
            progress_.Update(form);
            // The figures (status and progress) are kept for a moment: read at a human pace, they cost the
            // run less, and a window that mirrors while the run is held (a question box open) comes to rest
            // instead of repainting the clock.
            if (before != BoardPhase::Running || seconds - figuresAt_ >= kFiguresInterval) {
                runStatus_ = p.Status + RunFigures(form, seconds);
                runProgress_ = progress_.Value();
                figuresAt_ = seconds;
            }
            p.Status = runStatus_;
            p.ShowProgress = true;
            if (step != nullptr && step->N == p.N) TakeStep(form, *step);
            p.Progress = runProgress_;
            return p;
        case BoardPhase::Stopped:
            TakeRows(form, true);
            progress_.Update(form);
            p.Status += state == kStateSolutionFound ? ", solution " + form.Text3.Text
                                                     : ", " + Count(form.SolutionCount);
            p.ShowProgress = true;
            if (step != nullptr && step->N == p.N && step->Row == p.Row) TakeStep(form, *step);
            break;
        case BoardPhase::Finished:
            if (haveQueens_) {
                p.Row = last.Row;
                p.Kind = last.Kind;
            } else {
                TakeRows(form, true);
            }
            progress_.Finish();
            // A whole count past the field's 63 bits leaves it at its most; the solution box has every digit.
            p.Status += form.SolutionCount == 0 ? std::string(", no solution")
                        : form.SolutionCount == std::numeric_limits<std::int64_t>::max()
                            ? ", " + form.Text3.Text + " solutions"
                            : ", " + Count(form.SolutionCount);
            p.ShowProgress = true;
            break;
    }
    p.Progress = progress_.Value();
    return p;
}

std::string BoardWatcher::ClickText(std::int32_t column, std::int32_t row) const {
    if (column < 1 || column > picture_.N || row < 1 || row > picture_.N) return {};
    if (picture_.Kind[column] != QueenKind::None && picture_.Row[column] == row) return {};
    return Decimal(row);
}

}  // namespace nq
