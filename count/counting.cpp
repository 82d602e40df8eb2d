// SPDX-License-Identifier: GPL-3.0-or-later
// Counting on a oneTBB arena: the unfinished tasks in a fixed shuffled order, one at a time per worker, each
// timed by its thread's processor clock.
#include "count/counting.h"

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <ctime>
#include <optional>
#include <random>
#include <vector>

#include "engine/stop_poll.h"

namespace nq {
namespace {

// The order's seed: any fixed value; the same order on every run keeps runs comparable.
constexpr std::uint64_t kOrderSeed = 0x6e71756565e5;

std::uint64_t ThreadMicros() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000u + static_cast<std::uint64_t>(t.tv_nsec) / 1000u;
}

}  // namespace

void RunOnThreads(int jobs, std::size_t tasks, const std::atomic<bool>* stop,
                  const std::function<void(std::size_t, std::size_t)>& task) {
    jobs = std::max(jobs, 1);
    // oneTBB lets no more threads work than the machine has unless told; the caller asked for `jobs`.
    std::optional<tbb::global_control> allow;
    if (jobs > HardwareThreads()) allow.emplace(tbb::global_control::max_allowed_parallelism, jobs);
    tbb::task_arena arena(jobs);
    arena.execute([&] {
        tbb::parallel_for(
            tbb::blocked_range<std::size_t>(0, tasks, 1),
            [&](const tbb::blocked_range<std::size_t>& range) {
                const int slot = tbb::this_task_arena::current_thread_index();
                for (std::size_t i = range.begin(); i != range.end(); ++i) {
                    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
                    task(i, static_cast<std::size_t>(std::clamp(slot, 0, jobs - 1)));
                }
            },
            tbb::simple_partitioner());
    });
}

void RunOnThreads(int jobs, std::size_t tasks, const std::atomic<bool>* stop,
                  const std::function<void(std::size_t)>& task) {
    RunOnThreads(jobs, tasks, stop, [&task](std::size_t i, std::size_t) { task(i); });
}

CountResult CountTasks(const CountPlan& plan, TaskLedger& ledger, const TaskRun& run) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < ledger.Size(); ++i) {
        if (!ledger.IsFinished(i)) order.push_back(i);
    }
    std::shuffle(order.begin(), order.end(), std::mt19937_64(kOrderSeed));
    // Each thread's buffers live as long as this run.
    std::vector<TaskScratch> scratch(static_cast<std::size_t>(std::max(run.Jobs, 1)));
    RunOnThreads(run.Jobs, order.size(), run.Stop, [&](std::size_t k, std::size_t slot) {
        if (ledger.RunFinished() >= run.TaskBudget) return;
        StopPoll poll{run.Stop};
        const std::uint64_t start = ThreadMicros();
        const std::uint64_t count = plan.CountTask(order[k], scratch[slot], poll);
        if (poll.Stopped) return;
        ledger.Finish(order[k], count, ThreadMicros() - start);
    });
    const std::size_t done = ledger.Finished();
    CountResult result;
    result.Stopped = done < ledger.Size();
    result.Solutions = result.Stopped ? ledger.Solutions() : plan.Total(ledger.Solutions());
    result.ShareDone =
        ledger.Size() == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(ledger.Size());
    return result;
}

CountResult CountSolutions(const CountRequest& request) {
    CountPlanMaker maker(request.Board, request.Unique, request.Options, request.Jobs);
    if (!maker.Make(request.Stop)) return {.Solutions = 0, .Stopped = true, .ShareDone = 0.0};
    const std::unique_ptr<CountPlan> plan = maker.Take();
    TaskLedger ledger(plan->Size());
    return CountTasks(*plan, ledger, {.Jobs = request.Jobs, .Stop = request.Stop});
}

int HardwareThreads() {
    return std::max(1, tbb::info::default_concurrency());
}

}  // namespace nq
