// SPDX-License-Identifier: GPL-3.0-or-later
// The background count: one thread runs the console's counter over the plan until it is done or told to
// stop; the caller's thread starts, stops and reads it.
#include "count/background_count.h"

#include "count/counting.h"

namespace nq {

void BackgroundCount::Begin(const Problem& problem, int jobs) {
    End();
    problem_ = problem;
    jobs_ = jobs < 1 ? 1 : jobs;
    begun_ = true;
    Resume();
}

void BackgroundCount::Pause() {
    if (!thread_.joinable()) return;
    stop_.store(true, std::memory_order_relaxed);
    thread_.join();
}

void BackgroundCount::Resume() {
    if (!begun_ || thread_.joinable() || done_.load(std::memory_order_acquire)) return;
    stop_.store(false, std::memory_order_relaxed);
    thread_ = std::thread([this] {
        if (plan_ == nullptr) {
            plan_ = std::make_unique<CountPlan>(problem_, false);
            ledger_ = std::make_unique<TaskLedger>(plan_->Size());
            ready_.store(true, std::memory_order_release);
        }
        CountTasks(*plan_, *ledger_, {.Jobs = jobs_, .Stop = &stop_});
        if (ledger_->Finished() == ledger_->Size()) done_.store(true, std::memory_order_release);
    });
}

void BackgroundCount::End() {
    Pause();
    begun_ = false;
    done_.store(false, std::memory_order_relaxed);
    ready_.store(false, std::memory_order_relaxed);
    estimate_.reset();
    ledger_.reset();
    plan_.reset();
}

double BackgroundCount::Share() const {
    if (!begun_) return -1.0;
    if (!ready_.load(std::memory_order_acquire)) return 0.0;
    if (estimate_ == nullptr) estimate_ = std::make_unique<WorkEstimate>(ledger_->Size());
    estimate_->Update(*ledger_);
    return estimate_->Share();
}

}  // namespace nq
