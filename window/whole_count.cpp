// SPDX-License-Identifier: GPL-3.0-or-later
// Counting in the window on every core: the whole problem counted in the background with the console's
// counter, and the pass that ends the search on its total; the members of Form1 that switch it on.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

#include "count/background_count.h"
#include "count/wide_count.h"
#include "engine/problem.h"
#include "window/form1.h"

namespace nq {

void Form1::CountOnCores(int workers) {
    workers_ = workers;
    if (workers <= 0) {
        whole_.reset();
    } else if (whole_ == nullptr) {
        whole_ = std::make_unique<BackgroundCount>();
    } else {
        whole_->End();
    }
}

void Form1::CountOnCores(int workers, std::unique_ptr<BackgroundCount> count) {
    workers_ = workers;
    whole_ = workers > 0 ? std::move(count) : nullptr;
}

std::optional<BackgroundProgress> Form1::WholeCount() const {
    if (whole_ == nullptr) return std::nullopt;
    return whole_->Progress();
}

void Form1::NewGeneration() {
    ++boardGeneration_;
    if (whole_ != nullptr) whole_->End();
}

void Form1::PauseWholeCount() {
    if (whole_ != nullptr) whole_->Pause();
}

namespace {

// The window's thread steps for this long, then waits in the event loop for kGiveWayMillis: about a
// seventeenth of one core, and events run at once all the while it waits.
constexpr std::int64_t kStepSliceMicros = 500;
constexpr int kGiveWayMillis = 8;

}  // namespace

bool Form1::GiveWayToWorkers() {
    if (!whole_->Counting() || StopsAtSolutions() || Paced()) return false;
    if (platform_.Microseconds() - sliceStart_ < kStepSliceMicros) return false;
    // A wait returns after the first events, often the repaints of the last mirror: wait again until the
    // time is up, unless a handler changed the run or the count is there.
    const std::uint64_t generation = boardGeneration_;
    const std::int64_t until = platform_.Microseconds() + std::int64_t{kGiveWayMillis} * 1000;
    for (int wait = 0; wait < kGiveWayMillis * 4; ++wait) {
        const std::int64_t now = platform_.Microseconds();
        if (now >= until) break;
        platform_.WaitForEvents(static_cast<int>((until - now + 999) / 1000));
        if (boardGeneration_ != generation || StopRun == 1 || BreakRequested == 1 || StopsAtSolutions() ||
            !whole_->Counting()) {
            break;
        }
    }
    sliceStart_ = platform_.Microseconds();
    return true;
}

bool Form1::EndOnWholeCount(bool stopAtSolution) {
    if (whole_ == nullptr) return false;
    if (!whole_->Begun()) {
        if (stopAtSolution) return false;
        // The problem the test accepted: n and the fixed queens. One free column or none: the search ends
        // within a few passes anyway.
        Problem problem;
        problem.N = BoardSize;
        for (std::int32_t c = 1; c <= BoardSize; ++c) {
            if (FixedColumn[c] == 1) problem.Fixed.push_back({c, QueenRow[c]});
        }
        if (problem.N - static_cast<int>(problem.Fixed.size()) < 2) return false;
        whole_->Begin(problem, workers_);
    } else if (!stopAtSolution) {
        whole_->Resume();
    }
    const std::optional<WideCount> total = whole_->Total();
    if (!total) return false;
    // SolutionCount holds 63 bits. A total past them (whole boards from about n = 29 on) leaves the field at
    // its most, never wrapped, and the solution box shows every digit of it, as the console prints it.
    const auto count = static_cast<std::int64_t>(
        std::min<WideCount>(*total, static_cast<WideCount>(std::numeric_limits<std::int64_t>::max())));
    // The search counts the problem's solutions in order, so count >= SolutionCount; with the box checked
    // the end is the search's next stop only when no solution is left.
    if (count < SolutionCount || (stopAtSolution && count != SolutionCount)) return false;
    ++StepCounter;
    if (*total != static_cast<WideCount>(SolutionCount)) {
        SolutionCount = count;
        Text3.Text = DecimalText(*total);
    }
    FinishSearch();
    EndSearch();
    return true;
}

}  // namespace nq
