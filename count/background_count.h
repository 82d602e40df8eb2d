// SPDX-License-Identifier: GPL-3.0-or-later
// The count of a whole problem made in the background of a thread that looks at it now and then (the
// window's): the console's plan and counter on worker threads of their own, stopped and resumed keeping the
// finished tasks, its total once every task is done, and the console's weighted estimate of the share done.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

#include "count/count_plan.h"
#include "count/task_ledger.h"
#include "count/work_estimate.h"
#include "engine/problem.h"

namespace nq {

class BackgroundCount {
  public:
    BackgroundCount() = default;
    virtual ~BackgroundCount() { End(); }
    BackgroundCount(const BackgroundCount&) = delete;
    BackgroundCount& operator=(const BackgroundCount&) = delete;

    // Drops what was counted before and sets `jobs` (>= 1) workers on `problem` (checked), with the plan and
    // the counter of `nqueens count --jobs <jobs>`.
    void Begin(const Problem& problem, int jobs);
    // Stops the workers, keeping the finished tasks; returns once none counts any more (the kernels poll
    // their stop flag every few tens of microseconds). A plan still being made is dropped at once, to be
    // made again by Resume.
    void Pause();
    // Sets the workers on the unfinished tasks again; nothing while they count, once all are done or before
    // Begin.
    void Resume();
    // Stops the workers and forgets the count, as promptly as Pause.
    void End();

    bool Begun() const { return state_ != nullptr; }
    // The workers are counting: resumed, not paused, not yet done.
    bool Counting() const { return thread_.joinable() && !state_->Done.load(std::memory_order_relaxed); }
    // The problem's count once every task is done. Cheap (one atomic read until then). The window learns the
    // total from here alone, so a count handed to it may show its total later than it has it (a test choosing
    // the pass that ends the search).
    virtual std::optional<std::uint64_t> Total() const {
        if (state_ == nullptr || !state_->Done.load(std::memory_order_acquire)) return std::nullopt;
        return state_->Ledger->Solutions();
    }
    // 0..1: the weighted share of the work done, never decreasing; -1 before Begin.
    double Share() const;

  private:
    // What the counting thread works on; shared with it, so that a thread still making its plan can be left
    // to finish that alone (it then counts nothing).
    struct State {
        Problem Board;
        int Jobs = 1;
        std::unique_ptr<CountPlan> Plan;  // made by the counting thread, published by Ready
        std::unique_ptr<TaskLedger> Ledger;
        std::atomic<bool> Stop{false};
        std::atomic<bool> Ready{false};
        std::atomic<bool> Done{false};  // every task finished
    };
    // Stops the thread: joins it once its plan is made, else lets it go and starts the state over.
    void StopThread();

    std::shared_ptr<State> state_;
    mutable std::unique_ptr<WorkEstimate>
        estimate_;        // made at the first Share once ready, read again at each
    std::thread thread_;  // joinable from Resume to Pause or End
};

}  // namespace nq
