// SPDX-License-Identifier: GPL-3.0-or-later
// The count of a whole problem made in the background of a thread that looks at it now and then (the
// window's): the console's plan and counter on worker threads of their own, one plan per problem, paused and
// resumed keeping what was made and counted, its total once every task is done, and what the console's
// progress line shows: the share of the plan made, the solutions so far, the weighted share of the count,
// the rate and the time left.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "count/count_plan.h"
#include "count/task_ledger.h"
#include "count/work_estimate.h"
#include "engine/problem.h"

namespace nq {

// What the displays of a background count show, read at one moment.
struct BackgroundProgress {
    int Jobs = 1;            // the workers
    bool Preparing = false;  // the plan is being made, or waits to be made on the next Resume
    double Prepared = 0.0;   // 0..1: how much of the plan is made
    // The count's figures once the plan is made (nothing known before); the rate and the time left are
    // over the time the workers have counted, pauses and the plan's making left out.
    CountFigures Count;
};

class BackgroundCount {
  public:
    BackgroundCount() = default;
    virtual ~BackgroundCount() { End(); }
    BackgroundCount(const BackgroundCount&) = delete;
    BackgroundCount& operator=(const BackgroundCount&) = delete;

    // Drops what was counted before and sets `jobs` (>= 1) workers on `problem` (checked), with the plan and
    // the counter of `nqueens count --jobs <jobs>`: they make the plan, then count its tasks.
    void Begin(const Problem& problem, int jobs);
    // Stops the workers, keeping the plan (made or half made) and the finished tasks; returns once none
    // works any more (every step of the plan and of the count looks at its stop flag within milliseconds).
    void Pause();
    // Sets the workers on what is left again, the plan's making first; nothing while they work, once all is
    // done or before Begin.
    void Resume();
    // Stops the workers as promptly as Pause and frees the plan and the count.
    void End();

    bool Begun() const { return state_ != nullptr; }
    // The workers are working (making the plan or counting): resumed, not paused, not yet done.
    bool Counting() const { return thread_.joinable() && !state_->Done.load(std::memory_order_relaxed); }
    // The plan is being made, or waits to be made on the next Resume.
    bool Preparing() const { return state_ != nullptr && !state_->Ready.load(std::memory_order_acquire); }
    // 0..1: how much of the plan is made; -1 before Begin.
    double PreparedShare() const;
    // The problem's count once every task is done. Cheap (one atomic read until then). The window learns the
    // total from here alone, so a count handed to it may show its total later than it has it (a test choosing
    // the pass that ends the search).
    virtual std::optional<WideCount> Total() const {
        if (state_ == nullptr || !state_->Done.load(std::memory_order_acquire)) return std::nullopt;
        return state_->Plan->Total(state_->Ledger->Solutions());
    }
    // 0..1: the weighted share of the count done, never decreasing; -1 before Begin, 0 while preparing.
    double Share() const;
    // The solutions of the finished tasks, and those of this run's alone (since the last Resume); 0 while
    // preparing.
    WideCount SolutionsSoFar() const;
    WideCount RunSolutions() const;
    // Memory the plan holds (not the workers' buffers), in bytes.
    std::uint64_t PlanBytes() const;
    // What the displays show now; nullopt before Begin and once the plan could not be made (the count never
    // comes). Reads every task of the ledger: at a display's pace, not per pass. Virtual so that a test can
    // script what a count shows.
    virtual std::optional<BackgroundProgress> Progress() const;

  private:
    // What the counting thread works on.
    struct State {
        Problem Board;
        int Jobs = 1;
        std::unique_ptr<CountPlanMaker> Maker;  // makes the plan (and then holds nothing)
        std::unique_ptr<CountPlan> Plan;        // made by the counting thread, published by Ready
        std::unique_ptr<TaskLedger> Ledger;
        std::atomic<bool> Stop{false};
        std::atomic<bool> Ready{false};
        std::atomic<bool> Done{false};    // every task finished
        std::atomic<bool> Failed{false};  // no memory for the plan or a task: the count never comes
        // The seconds the workers have counted: those of the runs ended, and the start of the one under way.
        mutable std::mutex ClockMutex;
        double CountedSeconds = 0.0;
        std::optional<std::chrono::steady_clock::time_point> CountingSince;
    };
    // Seconds the workers have counted so far, over every run.
    static double CountingSeconds(const State& state);
    // Stops the thread and waits for it.
    void StopThread();

    std::unique_ptr<State> state_;
    mutable std::unique_ptr<WorkEstimate>
        estimate_;        // made at the first Share once ready, read again at each
    std::thread thread_;  // joinable from Resume to Pause or End
};

}  // namespace nq
