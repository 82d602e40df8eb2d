// SPDX-License-Identifier: GPL-3.0-or-later
// Watching a search: at a slow speed the run loop hands every pass to the pacer with the boards its search
// steps left, and the pacer makes each step in turn the frame the board window draws and waits in the
// window's event loop until that step's time is up. "Step" runs one pass through the window's own handlers.
// The pacer changes when passes happen, never which: the board is only read, and handlers are only clicked as
// a user would click them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/board.h"
#include "window/form1.h"
#include "window/platform.h"

namespace nq {

// What one search step did to the board.
enum class StepKind : std::uint8_t {
    None,    // no step drawn
    Placed,  // a queen put into an empty column
    Moved,   // a queen moved down its column, the queens right of it taken back
    Ended,   // the search ended, the queens right of column 1 taken back
};

// One step as the board window draws it.
struct StepFrame {
    StepKind Kind = StepKind::None;
    std::int32_t N = 0;  // the board size, 1..32 (0 with Kind None)
    // Per column 1..N (index 0 unused): the row of its queen after the step, 0 for none.
    std::array<std::int32_t, kColumnSlots> Row{};
    // Per column 1..N: the row of a queen the step took away from that square (a moved queen's old row), 0
    // for none.
    std::array<std::int32_t, kColumnSlots> TakenBack{};
    std::int32_t Column = 0;  // the queen placed or moved: its column and new row; 0 for Ended
    std::int32_t ToRow = 0;
    std::int64_t Steps = 0;         // steps drawn, this one included, since counting began
    std::int64_t Backtracks = 0;    // those of them that were not placements
    bool CountedFromStart = false;  // counting began at the search's start and no step went undrawn since

    friend bool operator==(const StepFrame&, const StepFrame&) = default;
};

// What one paced pass of the run loop did: the board after each of its search steps, in order. At most two
// (a solution counted first, then the steps that go on from it); none at a break or at a solution it stops.
struct PassSteps {
    std::array<Board, 2> After{};
    int Count = 0;

    void Add(const Board& board) { After[static_cast<std::size_t>(Count++)] = board; }
};

class StepPacer {
  public:
    static constexpr int kMaxSpeed = 1000;  // steps a second

    // Steps a second: 0 for full speed (no pacing), else 1..kMaxSpeed (clamped). Takes effect at once, also
    // in the middle of a wait.
    void SetSpeed(int stepsPerSecond);
    int Speed() const { return speed_; }
    // Whether the board window that draws the frames is open: a slow speed paces only then.
    void SetShown(bool shown) { shown_ = shown; }
    bool Shown() const { return shown_; }
    // True while the run loop must hand every pass to AfterPass: a slow speed with the board window open, or
    // a Step under way.
    bool Pacing() const { return (shown_ && speed_ > 0) || stepping_; }

    // "Step" can act: no run goes, and a user could go on from here ("start/continue" after a test or a
    // break, or "next solution" at a solution).
    static bool CanStep(const Form1& form);
    // One pass of the search as a user would make it: "start/continue" (or "next solution"), then "break"
    // after the pass, so that the window stops interrupted (or where the pass itself stopped: at a solution,
    // at the end). Returns false, doing nothing, unless CanStep.
    bool Step(Form1& form);

    // For the run loop, after each pass while Pacing(): `before` is the board as the pass found it, `steps`
    // what its search steps left, `form` the window after it. Draws each step of the pass and, at a slow
    // speed while the run goes on, waits in the event loop for that step's time; stops waiting as soon as a
    // handler breaks, stops or rebuilds the run, the speed changes or the board window closes. During a Step
    // it clicks "break" instead.
    void AfterPass(const Board& before, const PassSteps& steps, Form1& form, Platform& platform);

    // The step last drawn; Kind None before any.
    const StepFrame& Frame() const { return frame_; }
    // The frame the board window should draw for `form` now: the last step while a paced run goes or while
    // no run goes (the window checks that it is still the position shown); nullptr otherwise.
    const StepFrame* FrameFor(const Form1& form) const;

  private:
    void Record(const Board& from, const Board& to);
    void WaitForTurn(Form1& form, Platform& platform);
    bool KeepWaiting(const Form1& form, std::uint64_t generation, int speed) const;

    int speed_ = 0;
    bool shown_ = false;
    bool stepping_ = false;
    std::int64_t due_ = 0;  // microseconds on the platform's clock when the next step may be drawn
    StepFrame frame_;
};

}  // namespace nq
