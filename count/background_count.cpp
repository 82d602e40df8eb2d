// SPDX-License-Identifier: GPL-3.0-or-later
// The background count: one thread runs the console's counter over the plan until it is done or told to
// stop; the caller's thread starts, stops and reads it.
#include "count/background_count.h"

#include <utility>

#include "count/counting.h"

namespace nq {

void BackgroundCount::Begin(const Problem& problem, int jobs) {
    End();
    state_ = std::make_shared<State>();
    state_->Board = problem;
    state_->Jobs = jobs < 1 ? 1 : jobs;
    Resume();
}

void BackgroundCount::StopThread() {
    if (!thread_.joinable()) return;
    state_->Stop.store(true, std::memory_order_relaxed);
    if (state_->Ready.load(std::memory_order_acquire)) {
        thread_.join();
        return;
    }
    thread_.detach();
    auto fresh = std::make_shared<State>();
    fresh->Board = state_->Board;
    fresh->Jobs = state_->Jobs;
    state_ = std::move(fresh);
    estimate_.reset();
}

void BackgroundCount::Pause() {
    StopThread();
}

void BackgroundCount::Resume() {
    if (state_ == nullptr || thread_.joinable() || state_->Done.load(std::memory_order_acquire)) return;
    state_->Stop.store(false, std::memory_order_relaxed);
    thread_ = std::thread([state = state_] {
        if (state->Plan == nullptr) {
            state->Plan = std::make_unique<CountPlan>(state->Board, false);
            state->Ledger = std::make_unique<TaskLedger>(state->Plan->Size());
            state->Ready.store(true, std::memory_order_release);
        }
        if (state->Stop.load(std::memory_order_relaxed)) return;
        CountTasks(*state->Plan, *state->Ledger, {.Jobs = state->Jobs, .Stop = &state->Stop});
        if (state->Ledger->Finished() == state->Ledger->Size())
            state->Done.store(true, std::memory_order_release);
    });
}

void BackgroundCount::End() {
    StopThread();
    estimate_.reset();
    state_.reset();
}

double BackgroundCount::Share() const {
    if (state_ == nullptr) return -1.0;
    if (!state_->Ready.load(std::memory_order_acquire)) return 0.0;
    if (estimate_ == nullptr) estimate_ = std::make_unique<WorkEstimate>(state_->Ledger->Size());
    estimate_->Update(*state_->Ledger);
    return estimate_->Share();
}

}  // namespace nq
