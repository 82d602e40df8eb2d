// SPDX-License-Identifier: GPL-3.0-or-later
// Watching a search: the steps of a pass, their frames and counts, the waits between them, and "Step".
#include "window/step_pacer.h"

#include <algorithm>
#include <string>

#include "window/controls.h"
#include "window/design.h"

namespace nq {

namespace {

// True when no column the search fills holds a queen: the position a first start sets off from.
bool AtStart(const Board& board) {
    for (std::int32_t c = 1; c <= board.BoardSize; ++c) {
        if (board.FixedColumn[c] == 0 && board.QueenRow[c] != 0) return false;
    }
    return board.SolutionCount == 0;
}

}  // namespace

void StepPacer::SetSpeed(int stepsPerSecond) {
    speed_ = std::clamp(stepsPerSecond, 0, kMaxSpeed);
}

bool StepPacer::CanStep(const Form1& form) {
    if (form.Running()) return false;
    const std::string& state = form.Text2.Text;
    if (form.Command2.Enabled && (state == kStateStartComputation || state == kStateInterrupted)) return true;
    return form.Command4.Enabled && state == kStateSolutionFound;
}

bool StepPacer::Step(Form1& form) {
    if (!CanStep(form)) return false;
    stepping_ = true;
    form.Click(form.Command2.Enabled ? ControlName::Command2 : ControlName::Command4);
    stepping_ = false;  // also when the pass stopped the run by itself
    return true;
}

const StepFrame* StepPacer::FrameFor(const Form1& form) const {
    if (frame_.Kind == StepKind::None) return nullptr;
    if (form.Running() && !Pacing()) return nullptr;
    return &frame_;
}

void StepPacer::Record(const Board& from, const Board& to) {
    const std::int32_t n = to.BoardSize;
    StepFrame next;
    next.N = n;
    next.Steps = frame_.Steps + 1;
    next.Backtracks = frame_.Backtracks;
    next.CountedFromStart = frame_.CountedFromStart;
    if (AtStart(from)) {
        next.Steps = 1;
        next.Backtracks = 0;
        next.CountedFromStart = true;
    } else if (frame_.Kind == StepKind::None || frame_.N != n ||
               !std::equal(frame_.Row.begin() + 1, frame_.Row.begin() + 1 + n, from.QueenRow.begin() + 1)) {
        next.CountedFromStart = false;  // steps went by undrawn since the last frame
    }
    next.Kind = to.SearchFinished == 1 ? StepKind::Ended : StepKind::Placed;
    for (std::int32_t c = 1; c <= n; ++c) {
        const std::int32_t was = from.QueenRow[c];
        const std::int32_t is = to.QueenRow[c];
        next.Row[c] = is;
        if (was == is) continue;
        if (was != 0) next.TakenBack[c] = was;
        if (is == 0 || next.Kind == StepKind::Ended) continue;
        next.Column = c;
        next.ToRow = is;
        if (was != 0) next.Kind = StepKind::Moved;
    }
    if (next.Kind != StepKind::Placed) ++next.Backtracks;
    frame_ = next;
}

void StepPacer::AfterPass(const Board& before, const PassSteps& steps, Form1& form, Platform& platform) {
    for (int k = 0; k < steps.Count; ++k) {
        const Board& to = steps.After[static_cast<std::size_t>(k)];
        Record(k == 0 ? before : steps.After[static_cast<std::size_t>(k - 1)], to);
        if (!stepping_ && form.StopRun == 0) WaitForTurn(form, platform);
    }
    if (stepping_) {
        stepping_ = false;
        form.Click(ControlName::Command3);  // disabled, and so nothing, when the pass stopped the run itself
    }
}

bool StepPacer::KeepWaiting(const Form1& form, std::uint64_t generation, int speed) const {
    return Pacing() && speed_ == speed && form.Running() && form.BreakRequested == 0 && form.StopRun == 0 &&
           form.Generation() == generation;
}

void StepPacer::WaitForTurn(Form1& form, Platform& platform) {
    const int speed = speed_;
    const std::uint64_t generation = form.Generation();
    if (!KeepWaiting(form, generation, speed)) return;
    const std::int64_t interval = 1'000'000 / speed;
    std::int64_t now = platform.Microseconds();
    // Behind by more than a step (a message box, a slow repaint, a new run): start the count from now, so
    // that no burst of undrawn steps makes up for it.
    if (due_ < now - interval || due_ > now + interval) due_ = now;
    due_ += interval;
    do {  // at least one wait, which shows the frame
        const std::int64_t left = std::max<std::int64_t>(due_ - now, 0);
        platform.WaitForEvents(static_cast<int>((left + 999) / 1000));
        if (!KeepWaiting(form, generation, speed)) return;
        now = platform.Microseconds();
    } while (now < due_);
}

}  // namespace nq
