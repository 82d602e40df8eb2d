// SPDX-License-Identifier: GPL-3.0-or-later
// Counting the solutions of a problem on several threads: the plan's tasks, taken one at a time by the
// workers of a oneTBB arena so that uneven tasks keep every thread busy, in a fixed shuffled order so that
// the tasks finished at any moment are a fair sample of all of them (which the progress estimate relies on).
// Results are exact and the same for any number of threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <limits>
#include <string>

#include "count/count_plan.h"
#include "count/task_ledger.h"
#include "engine/problem.h"

namespace nq {

struct CountRequest {
    Problem Board;
    bool Unique = false;  // up to rotation and reflection; only without fixed queens
    int Jobs = 1;         // worker threads, >= 1
    const std::atomic<bool>* Stop =
        nullptr;            // when it turns true, the workers stop within a few milliseconds
    PlanOptions Options{};  // the method and the part, as CountPlan takes them
};

struct CountResult {
    WideCount Solutions = 0;  // all of them (plan.Total), or the sum of the finished tasks
    bool Stopped = false;     // on request, or by a failure
    double ShareDone = 1.0;   // 0..1: finished tasks over all of them
    std::string Failure;      // why the count could not go on (CountFailure: no memory, ...), or ""
};

// How one run over a plan's tasks goes.
struct TaskRun {
    int Jobs = 1;                             // worker threads, >= 1
    const std::atomic<bool>* Stop = nullptr;  // as in CountRequest
    // No worker takes a new task once this many have finished in this run (those under way still finish):
    // a run that ends at a chosen point, as an interruption would.
    std::size_t TaskBudget = std::numeric_limits<std::size_t>::max();
};

// Counts the tasks the ledger (of plan.Size() tasks) does not hold yet, recording each as it finishes. The
// result sums the whole ledger. What a task throws (no memory) stops the count, with the result's Failure.
CountResult CountTasks(const CountPlan& plan, TaskLedger& ledger, const TaskRun& run);

// Runs task(i) for every i of 0..tasks-1 on `jobs` threads (>= 1; more than the machine's are honoured), one
// task at a time per thread, in order of i as far as threads allow; a thread takes no new task once *stop
// holds. task gets the index and the thread's slot (0..jobs-1).
void RunOnThreads(int jobs, std::size_t tasks, const std::atomic<bool>* stop,
                  const std::function<void(std::size_t)>& task);
void RunOnThreads(int jobs, std::size_t tasks, const std::atomic<bool>* stop,
                  const std::function<void(std::size_t, std::size_t)>& task);

CountResult CountSolutions(const CountRequest& request);

// The worker threads the machine offers for counting, as oneTBB sees them (all hardware threads, or what
// the process's affinity leaves): at least 1. What "all threads" means wherever the program counts.
int HardwareThreads();

// Whether a count on `jobs` threads (>= 1) can start them all here, with oneTBB's stacks, beside the caller's
// thread and two of its own (saving, progress): "" or one line, without the program's name, saying how many
// the limits on processes and address space let it start. oneTBB ends the process when it cannot start a
// worker, so a count asks this before any work.
std::string CheckThreads(int jobs);

// One line on why a count could not go on, from what was thrown while it ran: "out of memory", a thread the
// system refused, or our own message (a task's count past 64 bits).
std::string CountFailure(const std::exception& e);

}  // namespace nq
