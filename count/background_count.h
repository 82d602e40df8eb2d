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
    ~BackgroundCount() { End(); }
    BackgroundCount(const BackgroundCount&) = delete;
    BackgroundCount& operator=(const BackgroundCount&) = delete;

    // Drops what was counted before and sets `jobs` (>= 1) workers on `problem` (checked), with the plan and
    // the counter of `nqueens count --jobs <jobs>`.
    void Begin(const Problem& problem, int jobs);
    // Stops the workers, keeping the finished tasks; returns once none counts any more (the kernels poll
    // their stop flag every few tens of microseconds).
    void Pause();
    // Sets the workers on the unfinished tasks again; nothing while they count, once all are done or before
    // Begin.
    void Resume();
    // Stops the workers and forgets the count.
    void End();

    bool Begun() const { return begun_; }
    // The workers are counting: resumed, not paused, not yet done.
    bool Counting() const { return thread_.joinable() && !done_.load(std::memory_order_relaxed); }
    // The problem's count once every task is done. Cheap (one atomic read until then).
    std::optional<std::uint64_t> Total() const {
        if (!done_.load(std::memory_order_acquire)) return std::nullopt;
        return ledger_->Solutions();
    }
    // 0..1: the weighted share of the work done, never decreasing; -1 before Begin.
    double Share() const;

  private:
    Problem problem_;
    bool begun_ = false;
    int jobs_ = 1;
    // Made by the counting thread (the plan may take a while), published by ready_.
    std::unique_ptr<CountPlan> plan_;
    std::unique_ptr<TaskLedger> ledger_;
    std::atomic<bool> ready_{false};
    mutable std::unique_ptr<WorkEstimate>
        estimate_;  // made at the first Share once ready, read again at each
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};  // every task finished; set by the counting thread
    std::thread thread_;             // joinable from Resume to Pause or End
};

}  // namespace nq
