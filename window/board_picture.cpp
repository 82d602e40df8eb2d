// SPDX-License-Identifier: GPL-3.0-or-later
// What the board window shows in each state of the window.
#include "window/board_picture.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <vector>

#include "count/background_count.h"
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

// What the tooltip says while the workers count or are paused: how the two solution numbers relate.
constexpr const char* kCountingTip =
    "Solutions so far: those of the parts of the problem the workers on every core have counted to the end. "
    "The main window's solution number is its own step-by-step search's, which goes on slowly beside them so "
    "that every stop shows an exact position; the search ends the moment their count is complete.";
constexpr const char* kPreparingTip =
    "Before they count, the workers on every core make the count's plan: on a big board, the table of every "
    "placement of a quarter of the board.";

std::string Cores(int jobs) {
    return Decimal(jobs) + (jobs == 1 ? " core" : " cores");
}

std::string About(const std::string& duration) {
    return (duration.front() == 'm' ? "" : "about ") + duration + " left";
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

std::string BoardWatcher::Solutions(WideCount count) const {
    return count == 1 ? std::string("1 solution") : GroupDigits(DecimalText(count), numbers_) + " solutions";
}

std::string BoardWatcher::Percent(double share, int decimals) const {
    return FixedText(100.0 * share, decimals, numbers_) + " %";
}

std::string BoardWatcher::SteppedFigures(const Form1& form, double elapsed) const {
    std::string text = ", " + Solutions(static_cast<std::uint64_t>(form.SolutionCount)) + ", " +
                       FormatDuration(elapsedBefore_ + elapsed, 1, numbers_);
    if (elapsed >= 1.0) {
        const double rate = static_cast<double>(form.SolutionCount - countAtStart_) / elapsed;
        text += ", " + RateText(rate, numbers_) + " solutions/s";
        const double done = progress_.Value() - shareAtStart_;
        if (done > 0.0)
            text += ", " + About(FormatDuration(elapsed * (1.0 - progress_.Value()) / done, 1, numbers_));
    }
    return text;
}

void BoardWatcher::ComposeRun(const Form1& form, double seconds) {
    const double elapsed = seconds - runStart_;
    runStatus_ = form.Text2.Text;
    runTip_.clear();
    // With the box checked the workers wait: the search steps to its next solution on its own.
    const std::optional<BackgroundProgress> count =
        form.StopsAtSolutions() ? std::nullopt : form.WholeCount();
    if (count.has_value()) {
        ComposeCount(*count, form.BoardSize, FormatDuration(elapsedBefore_ + elapsed, 1, numbers_));
        return;
    }
    progress_.Update(static_cast<const Board&>(form));
    runStatus_ += SteppedFigures(form, elapsed);
    runProgress_ = progress_.Value();
    runLabel_ = Percent(runProgress_, 1);
}

void BoardWatcher::ComposeCount(const BackgroundProgress& count, std::int32_t n, const std::string& spent) {
    if (count.Preparing) {
        // The plan's share has a bar of its own; the count's share starts from 0 once it is made.
        runStatus_ += ", preparing the count of n = " + Decimal(n) + ": " + Percent(count.Prepared, 0) +
                      ", " + spent + " elapsed";
        runTip_ = kPreparingTip;
        runProgress_ = count.Prepared;
        runLabel_ = "preparing: " + Percent(count.Prepared, 0);
        return;
    }
    const CountFigures& figures = count.Count;
    countedOn_ = count.Jobs;
    if (figures.Known) progress_.Update(figures.Share);
    runStatus_ += ", counting on " + Cores(count.Jobs) + ": " + Solutions(figures.Solutions) + " so far";
    if (figures.Known) runStatus_ += " (" + Percent(figures.Share, 1) + ")";
    if (figures.Rate >= 0.0) runStatus_ += ", " + RateText(figures.Rate, numbers_) + " a second";
    runStatus_ += ", " + spent + " elapsed";
    if (figures.SecondsLeft >= 0.0)
        runStatus_ += ", " + About(FormatDuration(figures.SecondsLeft, 1, numbers_));
    runTip_ = kCountingTip;
    runProgress_ = progress_.Value();
    runLabel_ = Percent(runProgress_, 1);
}

void BoardWatcher::TakePaused(const BackgroundProgress& count) {
    BoardPicture& p = picture_;
    if (count.Preparing) {
        p.Status += "; the count of n = " + Decimal(p.N) + " is " + Percent(count.Prepared, 0) + " prepared";
        p.StatusTip = kPreparingTip;
        return;
    }
    p.Status += "; counted on " + Cores(count.Jobs) + " so far: " + Solutions(count.Count.Solutions);
    if (count.Count.Known) p.Status += " (" + Percent(count.Count.Share, 1) + ")";
    p.StatusTip = kCountingTip;
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
    auto many = [this](std::int64_t k, const char* one) {
        return CountText(static_cast<std::uint64_t>(k), numbers_) + " " + one + (k == 1 ? "" : "s");
    };
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
            countedOn_ = 0;
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
                    countedOn_ = 0;
                }
                runStart_ = seconds;
                countAtStart_ = form.SolutionCount;
                shareAtStart_ = progress_.Value();
            }
            TakeRows(form, false);
            // The figures (status and progress) are kept for a moment: read at a human pace, they cost the
            // run less, and a window that mirrors while the run is held (a question box open) comes to rest
            // instead of repainting the clock.
            if (before != BoardPhase::Running || seconds - figuresAt_ >= kFiguresInterval) {
                ComposeRun(form, seconds);
                figuresAt_ = seconds;
            }
            p.Status = runStatus_;
            p.StatusTip = runTip_;
            p.ShowProgress = true;
            if (step != nullptr && step->N == p.N) TakeStep(form, *step);
            p.Progress = runProgress_;
            p.ProgressLabel = runLabel_;
            return p;
        case BoardPhase::Stopped: {
            TakeRows(form, true);
            const std::optional<BackgroundProgress> count = form.WholeCount();
            if (state == kStateSolutionFound) {
                p.Status += ", solution " + GroupDigits(form.Text3.Text, numbers_);
            } else {
                p.Status += ", " + Solutions(static_cast<std::uint64_t>(form.SolutionCount));
                if (count.has_value()) TakePaused(*count);
            }
            p.ShowProgress = true;
            if (step != nullptr && step->N == p.N && step->Row == p.Row) TakeStep(form, *step);
            if (!count.has_value()) {
                progress_.Update(static_cast<const Board&>(form));
            } else if (count->Preparing) {
                p.Progress = count->Prepared;
                p.ProgressLabel = "preparing: " + Percent(count->Prepared, 0);
                return p;
            } else if (count->Count.Known) {
                progress_.Update(count->Count.Share);
            }
            break;
        }
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
                            : ", " + Solutions(static_cast<std::uint64_t>(form.SolutionCount));
            if (countedOn_ > 0)
                p.Status += ", counted on " + Cores(countedOn_) + " in " +
                            FormatDuration(elapsedBefore_, 1, numbers_);
            p.ShowProgress = true;
            break;
    }
    p.Progress = progress_.Value();
    p.ProgressLabel = Percent(p.Progress, 1);
    return p;
}

std::string BoardWatcher::ClickText(std::int32_t column, std::int32_t row) const {
    if (column < 1 || column > picture_.N || row < 1 || row > picture_.N) return {};
    if (picture_.Kind[column] != QueenKind::None && picture_.Row[column] == row) return {};
    return Decimal(row);
}

}  // namespace nq
