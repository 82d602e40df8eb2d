// SPDX-License-Identifier: GPL-3.0-or-later
// The ledger's bookkeeping: figures first, then the finished flag, so that readers never see half a task.
#include "count/task_ledger.h"

namespace nq {

TaskLedger::TaskLedger(std::size_t tasks) : size_(tasks), slots_(std::make_unique<Slot[]>(tasks)) {}

void TaskLedger::Finish(std::size_t i, std::uint64_t solutions, std::uint64_t work, bool thisRun) {
    Slot& slot = slots_[i];
    slot.Solutions = solutions;
    slot.Work = work;
    slot.Done.store(true, std::memory_order_release);
    {
        const std::lock_guard<std::mutex> lock(sums_);
        solutions_ += solutions;
        if (thisRun) runSolutions_ += solutions;
    }
    if (thisRun) {
        runWork_.fetch_add(work, std::memory_order_relaxed);
        runFinished_.fetch_add(1, std::memory_order_relaxed);
    }
    finished_.fetch_add(1, std::memory_order_release);
}

void TaskLedger::NewRun() {
    {
        const std::lock_guard<std::mutex> lock(sums_);
        runSolutions_ = 0;
    }
    runWork_.store(0, std::memory_order_relaxed);
    runFinished_.store(0, std::memory_order_relaxed);
}

WideCount TaskLedger::Solutions() const {
    const std::lock_guard<std::mutex> lock(sums_);
    return solutions_;
}

WideCount TaskLedger::RunSolutions() const {
    const std::lock_guard<std::mutex> lock(sums_);
    return runSolutions_;
}

}  // namespace nq
