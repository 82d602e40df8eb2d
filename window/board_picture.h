// SPDX-License-Identifier: GPL-3.0-or-later
// What the board window shows, as plain data taken from the window's state at a mirror. No toolkit types: the
// Qt board window only paints a BoardPicture.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "count/background_count.h"
#include "count/wide_count.h"
#include "engine/board.h"
#include "engine/number_text.h"
#include "window/form1.h"
#include "window/progress_estimate.h"
#include "window/step_pacer.h"

namespace nq {

// How a queen on the board came there.
enum class QueenKind : std::uint8_t {
    None,
    Fixed,     // accepted by "test" (its entry box is red and matches the board)
    Typed,     // in the entry box, not (yet) accepted
    Searched,  // placed by the search
};

// Which of the window's rows the picture follows.
enum class BoardPhase : std::uint8_t {
    NoBoard,   // no n accepted (start-up, reset): an empty frame
    Entry,     // before a search: the entry row as typed
    Running,   // a search runs: its current placement
    Stopped,   // at a solution or interrupted: the display row
    Finished,  // the search has ended: the last picture's queens stay
};

struct BoardPicture {
    BoardPhase Phase = BoardPhase::NoBoard;
    std::int32_t N = 0;  // 0..32; 0 before the first accepted n
    // Per column 1..N (index 0 unused): the queen's row 1..N, or 0 for none (also for an entry outside 1..N).
    std::array<std::int32_t, kColumnSlots> Row{};
    std::array<QueenKind, kColumnSlots> Kind{};
    // The column's entry lies outside 1..N or attacks another queen of the entry row (before a search only).
    std::array<bool, kColumnSlots> Conflict{};
    // Bit r - 1 of column c: the empty square (c, r) is attacked by a placed queen (before a search, and
    // for a step drawn).
    std::array<std::uint32_t, kColumnSlots> Attacked{};
    bool Editable = false;  // a click on a square types into the entry row
    std::string Status;     // the status line under the board
    // How the status line's figures relate to the main window's (its tooltip); empty when they need no word.
    std::string StatusTip;
    bool ShowProgress = false;
    double Progress = 0.0;      // 0..1, meaningful when ShowProgress
    std::string ProgressLabel;  // the bar's text: "4.9 %", or the plan's share while it is being made
    // The search step drawn at a slow speed or after "Step" (Kind None otherwise): the queen it placed or
    // moved (column and row, 0 for none) and, per column, the row of a queen it took away (0 for none).
    StepKind Step = StepKind::None;
    std::int32_t StepColumn = 0;
    std::int32_t StepRow = 0;
    std::array<std::int32_t, kColumnSlots> TakenBack{};

    friend bool operator==(const BoardPicture&, const BoardPicture&) = default;
};

// The position of a picture as text: the rows of columns 1..N separated by single blanks, 0 for an empty
// column.
std::string PositionText(const BoardPicture& picture);
// The same for the display row of the window (columns 1..BoardSize), as the main window shows it; empty
// while no n is accepted (after start-up or a reset).
std::string DisplayRowText(const Form1& form);

// Takes pictures of one window over its life, remembering what a run started with (its clock, count and
// share) and the last queens shown (they stay when a search finishes). Reads only: the window is never
// changed.
class BoardWatcher {
  public:
    // numbers: how the user's locale writes numbers, for the status line and the bar.
    explicit BoardWatcher(NumberFormat numbers = {}) : numbers_(std::move(numbers)) {}

    // The picture of `form` now; `seconds` is a steady clock reading (any epoch). Call it at the main
    // window's mirrors, never per pass. `step` (nullptr: none) is the step a watched search drew last: while
    // a run goes its position is drawn, at a stop only when it is the position shown.
    const BoardPicture& Take(const Form1& form, double seconds, const StepFrame* step = nullptr);
    const BoardPicture& Picture() const { return picture_; }
    // The row a click on square (column, row) types into column's entry box: the row, or "" when that queen
    // is already there. Column and row 1..N.
    std::string ClickText(std::int32_t column, std::int32_t row) const;

  private:
    void TakeEntryRow(const Form1& form);
    void TakeRows(const Form1& form, bool fromDisplayRow);
    // The figures of a run (status, tip, bar) as they stand at `seconds`.
    void ComposeRun(const Form1& form, double seconds);
    // The same while the workers count or make their plan; spent: the search's time so far, as text.
    void ComposeCount(const BackgroundProgress& count, std::int32_t n, const std::string& spent);
    // What an interrupted search adds of the workers' count, paused with it.
    void TakePaused(const BackgroundProgress& count);
    // The one-core search's figures after the state: its solutions, time, rate and time left.
    std::string SteppedFigures(const Form1& form, double elapsed) const;
    // "1 solution", "50,721 solutions".
    std::string Solutions(WideCount count) const;
    std::string Percent(double share, int decimals) const;
    void TakeStep(const Form1& form, const StepFrame& step);

    static constexpr double kFiguresInterval = 0.25;  // seconds between two compositions of a run's figures

    NumberFormat numbers_;
    BoardPicture picture_;
    ProgressEstimate progress_;
    double figuresAt_ = 0.0;
    std::string runStatus_;  // the state line with a run's figures, as last composed, with its tip and bar
    std::string runTip_;
    std::string runLabel_;
    double runProgress_ = 0.0;
    int countedOn_ = 0;  // the workers that counted this search, as a run showed them; 0: none
    double runStart_ = 0.0;
    double elapsedBefore_ = 0.0;  // seconds of the search's earlier runs (before its last continue)
    double shareAtStart_ = 0.0;
    std::int64_t countAtStart_ = 0;
    bool haveQueens_ = false;  // picture_ holds a position taken from the board or the display row
};

}  // namespace nq
