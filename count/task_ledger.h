// SPDX-License-Identifier: GPL-3.0-or-later
// The finished tasks of one count, shared between the workers that finish them and the threads that show
// progress or save it. Each task is finished at most once; a reader that sees it finished sees its figures.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "count/wide_count.h"

namespace nq {

class TaskLedger {
  public:
    explicit TaskLedger(std::size_t tasks);

    std::size_t Size() const { return size_; }
    // Records task i (0..Size()-1, not yet finished) with its solutions and its work (microseconds of one
    // thread's processor time). thisRun: false for tasks read back from a save file, which then count for
    // the totals but not for this run's rate.
    void Finish(std::size_t i, std::uint64_t solutions, std::uint64_t work, bool thisRun = true);
    // Starts a new run: this run's figures go back to 0, the finished tasks stay. Only while no task is
    // being finished.
    void NewRun();

    bool IsFinished(std::size_t i) const { return slots_[i].Done.load(std::memory_order_acquire); }
    // Only for a finished task.
    std::uint64_t SolutionsOf(std::size_t i) const { return slots_[i].Solutions; }
    std::uint64_t WorkOf(std::size_t i) const { return slots_[i].Work; }

    std::size_t Finished() const { return finished_.load(std::memory_order_acquire); }
    // The sum of the finished tasks' solutions: exact, past 64 bits too.
    WideCount Solutions() const;
    // Tasks, work and solutions of this run only.
    std::size_t RunFinished() const { return runFinished_.load(std::memory_order_relaxed); }
    std::uint64_t RunWork() const { return runWork_.load(std::memory_order_relaxed); }
    WideCount RunSolutions() const;

  private:
    struct Slot {
        std::atomic<bool> Done{false};
        std::uint64_t Solutions = 0, Work = 0;  // written before Done turns true
    };
    std::size_t size_;
    std::unique_ptr<Slot[]> slots_;
    std::atomic<std::size_t> finished_{0}, runFinished_{0};
    std::atomic<std::uint64_t> runWork_{0};
    // 128-bit sums have no lock-free atomic; a task is finished every millisecond at most, so a lock is
    // cheap.
    mutable std::mutex sums_;
    WideCount solutions_ = 0, runSolutions_ = 0;
};

}  // namespace nq
