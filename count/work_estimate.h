// SPDX-License-Identifier: GPL-3.0-or-later
// How much of a count is done and how much work is left. A finished task weighs its measured work; an
// unfinished one the mean work of the finished tasks of its block of neighbouring indices (tasks cut next to
// each other are alike in size), or of the whole plan while its block has too few. Since the workers take
// tasks in a shuffled order, the finished ones are a fair sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "count/task_ledger.h"

namespace nq {

class WorkEstimate {
  public:
    explicit WorkEstimate(std::size_t tasks);

    // Reads the ledger (of the same number of tasks) again.
    void Update(const TaskLedger& ledger);

    // False until some task has finished: nothing is known yet.
    bool Known() const { return known_; }
    // 0..1: the estimated share of the work done. Never decreases from one update to the next; exactly 1 once
    // every task has finished.
    double Share() const { return share_; }
    // Estimated work of the unfinished tasks, in the ledger's units (0 when all are finished).
    double RemainingWork() const { return remaining_; }

  private:
    std::vector<std::size_t> blockOf_;
    std::size_t blocks_ = 1;
    bool known_ = false;
    double share_ = 0.0, remaining_ = 0.0;
};

// Seconds left: the estimated remaining work over this run's pace (its finished work per second of the
// clock). elapsed: seconds since this run started. Negative while unknown (no task of this run finished).
double SecondsLeft(const WorkEstimate& estimate, const TaskLedger& ledger, double elapsed);

// What a count's progress displays show, read at one moment: the console's progress line and the board
// window read the same figures.
struct CountFigures {
    WideCount Solutions = 0;    // the finished tasks' sum, those read back from a save file included
    bool Known = false;         // some task has finished: Share is an estimate
    double Share = 0.0;         // 0..1, as WorkEstimate::Share
    double Rate = -1.0;         // this run's solutions per second; negative until a task of this run finished
    double SecondsLeft = -1.0;  // as SecondsLeft: negative while unknown
};

// Updates `estimate` (made for the ledger's tasks) and reads the figures. elapsed: seconds this run has
// counted (the plan's making and the pauses not included).
CountFigures ReadCountFigures(WorkEstimate& estimate, const TaskLedger& ledger, double elapsed);

}  // namespace nq
