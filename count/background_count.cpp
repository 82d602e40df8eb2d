// SPDX-License-Identifier: GPL-3.0-or-later
// The background count: one thread makes the plan and runs the console's counter over it until it is done
// or told to stop; the caller's thread starts, stops and reads it.
#include "count/background_count.h"

#include <exception>
#include <system_error>
#include <utility>

#include "count/counting.h"

namespace nq {

void BackgroundCount::Begin(const Problem& problem, int jobs) {
    End();
    state_ = std::make_unique<State>();
    state_->Board = problem;
    state_->Jobs = jobs < 1 ? 1 : jobs;
    state_->Maker = std::make_unique<CountPlanMaker>(problem, false, PlanOptions{}, state_->Jobs);
    Resume();
}

void BackgroundCount::StopThread() {
    if (!thread_.joinable()) return;
    state_->Stop.store(true, std::memory_order_relaxed);
    thread_.join();
}

void BackgroundCount::Pause() {
    StopThread();
}

void BackgroundCount::Resume() {
    if (state_ == nullptr || thread_.joinable() || state_->Done.load(std::memory_order_acquire) ||
        state_->Failed.load(std::memory_order_relaxed))
        return;
    state_->Stop.store(false, std::memory_order_relaxed);
    if (state_->Ledger != nullptr) state_->Ledger->NewRun();
    const auto work = [state = state_.get()] {
        if (state->Plan == nullptr) {
            try {
                if (!state->Maker->Make(&state->Stop)) return;
                state->Plan = state->Maker->Take();
                state->Ledger = std::make_unique<TaskLedger>(state->Plan->Size());
            } catch (const std::exception&) {
                // No memory for any plan: the window's own search goes on and ends the count itself.
                state->Failed.store(true, std::memory_order_relaxed);
                return;
            }
            state->Ready.store(true, std::memory_order_release);
        }
        if (state->Stop.load(std::memory_order_relaxed)) return;
        {
            const std::lock_guard<std::mutex> lock(state->ClockMutex);
            state->CountingSince = std::chrono::steady_clock::now();
        }
        // No memory for a task: as without a plan, the count never comes.
        if (!CountTasks(*state->Plan, *state->Ledger, {.Jobs = state->Jobs, .Stop = &state->Stop})
                 .Failure.empty())
            state->Failed.store(true, std::memory_order_relaxed);
        {
            const std::lock_guard<std::mutex> lock(state->ClockMutex);
            state->CountedSeconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - *state->CountingSince)
                    .count();
            state->CountingSince.reset();
        }
        if (state->Ledger->Finished() == state->Ledger->Size())
            state->Done.store(true, std::memory_order_release);
    };
    try {
        thread_ = std::thread(work);
    } catch (const std::system_error&) {
        // No thread to be had: as without memory, the window's own search ends the count.
        state_->Failed.store(true, std::memory_order_relaxed);
    }
}

void BackgroundCount::End() {
    StopThread();
    estimate_.reset();
    state_.reset();
}

double BackgroundCount::PreparedShare() const {
    if (state_ == nullptr) return -1.0;
    if (state_->Ready.load(std::memory_order_acquire)) return 1.0;
    return state_->Maker != nullptr ? state_->Maker->Share() : 0.0;
}

double BackgroundCount::Share() const {
    if (state_ == nullptr) return -1.0;
    if (!state_->Ready.load(std::memory_order_acquire)) return 0.0;
    if (estimate_ == nullptr) estimate_ = std::make_unique<WorkEstimate>(state_->Ledger->Size());
    estimate_->Update(*state_->Ledger);
    return estimate_->Share();
}

WideCount BackgroundCount::SolutionsSoFar() const {
    if (state_ == nullptr || !state_->Ready.load(std::memory_order_acquire)) return 0;
    return state_->Ledger->Solutions();
}

WideCount BackgroundCount::RunSolutions() const {
    if (state_ == nullptr || !state_->Ready.load(std::memory_order_acquire)) return 0;
    return state_->Ledger->RunSolutions();
}

std::uint64_t BackgroundCount::PlanBytes() const {
    if (state_ == nullptr || !state_->Ready.load(std::memory_order_acquire)) return 0;
    return state_->Plan->Bytes();
}

double BackgroundCount::CountingSeconds(const State& state) {
    const std::lock_guard<std::mutex> lock(state.ClockMutex);
    if (!state.CountingSince) return state.CountedSeconds;
    return state.CountedSeconds +
           std::chrono::duration<double>(std::chrono::steady_clock::now() - *state.CountingSince).count();
}

std::optional<BackgroundProgress> BackgroundCount::Progress() const {
    if (state_ == nullptr || state_->Failed.load(std::memory_order_relaxed)) return std::nullopt;
    BackgroundProgress progress;
    progress.Jobs = state_->Jobs;
    progress.Preparing = !state_->Ready.load(std::memory_order_acquire);
    progress.Prepared = PreparedShare();
    if (progress.Preparing) return progress;
    if (estimate_ == nullptr) estimate_ = std::make_unique<WorkEstimate>(state_->Ledger->Size());
    progress.Count = ReadCountFigures(*estimate_, *state_->Ledger, CountingSeconds(*state_));
    return progress;
}

}  // namespace nq
