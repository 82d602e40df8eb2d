// SPDX-License-Identifier: GPL-3.0-or-later
// The run loop: drives the search step on the window's thread, pumps events every 100 passes, turns complete
// placements into counted solutions and stops at a break, at a solution (when asked to) or at the end. While
// a search is watched, every pass goes through the pacer's hook (PacedPass); otherwise, while worker threads
// count the whole problem, the pass after its total is known ends the search (whole_count.cpp).
#include <cstdint>
#include <memory>
#include <string>

#include "count/background_count.h"
#include "engine/board.h"
#include "window/controls.h"
#include "window/form1.h"
#include "window/platform.h"
#include "window/step_pacer.h"

namespace nq {

namespace {

constexpr std::int32_t kPassesPerPump = 100;

}  // namespace

// Flattened: the passes and the search step are inlined into the loop, which is where a counting run spends
// its time.
[[gnu::flatten]] void Form1::RunSearch() {
    Text2.Text = kStateRunning;
    Command3.Enabled = true;
    BreakRequested = 0;
    StopRun = 0;
    SearchFinished = 0;
    StepCounter = 0;

    const std::uint64_t generation = boardGeneration_;
    running_ = true;
    while (StopRun == 0) {
        if (StepCounter == kPassesPerPump) {
            if (whole_ == nullptr || !GiveWayToWorkers()) platform_.PumpEvents();
            StepCounter = 0;
            // A handler run by the pump may have rebuilt the board (reset, test) or closed the window: this
            // run's search is gone, and the window already shows the state that handler left. Or a run
            // started inside the pump has stopped the search: one more pass here would count its solution
            // again.
            if (boardGeneration_ != generation) {
                running_ = false;
                return;
            }
            if (StopRun == 1) break;
        }
        if (Paced()) [[unlikely]] {
            if (!PacedPass(generation)) return;
        } else if (BreakRequested == 0) {
            RunPassesUntilPump();
        } else {
            ++StepCounter;
            RunStep();
        }
    }
    StepCounter = 0;
    running_ = false;
    if (SearchFinished == 0) PauseWholeCount();
}

bool Form1::Paced() const {
    return pacer_ != nullptr && pacer_->Pacing();
}

// Watching: the same pass as at full speed, which also keeps the board after each of its steps for the pacer;
// what comes after it (the drawing of those steps, a wait in the event loop) is the pacer's.
bool Form1::PacedPass(std::uint64_t generation) {
    const Board before = *this;
    PassSteps steps;
    ++StepCounter;
    RunStep(&steps);
    pacer_->AfterPass(before, steps, *this, platform_);
    if (boardGeneration_ != generation) {
        running_ = false;
        return false;
    }
    return true;
}

// The passes of RunStep up to the next pump, for a search without a break. Between two pumps no handler runs,
// so what only a handler changes (the break flag, the check box, the board's size) is read once here, and the
// solution number reaches Text3 once, before anyone can look at it: at the pump, or when the loop stops. A
// pass that must stop the loop at a solution is left to RunStep.
void Form1::RunPassesUntilPump() {
    const std::int32_t n = BoardSize;
    const bool stopAtSolution = StopsAtSolutions();
    if (whole_ != nullptr && EndOnWholeCount(stopAtSolution)) return;
    const std::int64_t shown = SolutionCount;
    std::int32_t left = kPassesPerPump - StepCounter;  // passes until the pump
    for (; left > 0; --left) {
        if (SearchColumn == n + 1) [[unlikely]] {
            if (stopAtSolution) break;
            ++SolutionCount;
            GoOnFromSolution();
            SearchStep();
            // A second step in the same pass, unless the first completed a placement or ended the search.
            if (SearchColumn == n + 1) continue;
            if (SearchFinished == 1) {
                --left;
                break;
            }
        }
        SearchStep();
        if (SearchFinished == 1) [[unlikely]] {
            --left;
            break;
        }
    }
    StepCounter = kPassesPerPump - left;
    if (SolutionCount != shown) Text3.Text = Decimal(SolutionCount);
    if (SearchFinished == 1) {
        EndSearch();
    } else if (left > 0) {
        ++StepCounter;
        RunStep();  // the solution at which the loop stops
    }
}

void Form1::RunStep(PassSteps* record) {
    const std::int32_t n = BoardSize;
    if (BreakRequested == 1) {
        StopRun = 1;
        Command2.Enabled = true;
        Command3.Enabled = false;
        Command4.Enabled = false;
        ShowPosition();
        return;
    }
    int steps = 1;
    if (SearchColumn == n + 1) {
        ++SolutionCount;
        Text3.Text = Decimal(SolutionCount);
        if (Check1.Value == 1) {
            Text2.Text = kStateSolutionFound;
            Command4.Enabled = true;
            Command3.Enabled = false;
            StopRun = 1;
            ShowPosition();
            return;
        }
        GoOnFromSolution();
        steps = 2;
    }
    for (; steps > 0 && SearchColumn != n + 1 && SearchFinished == 0; --steps) {
        SearchStep();
        if (record != nullptr) record->Add(*this);
    }
    if (SearchFinished == 1) EndSearch();
}

void Form1::EndSearch() {
    if (whole_ != nullptr) whole_->End();
    Text2.Text = kStateFinished;
    if (!Text1.Text.empty()) {
        Check1.Value = 0;
        Check1.Enabled = false;
    } else {
        Text2.Text = kStateTestInput;  // the window was reset under the run
    }
    StopRun = 1;
    Command3.Enabled = false;
    Command4.Enabled = false;
}

}  // namespace nq
