// SPDX-License-Identifier: GPL-3.0-or-later
// Counting on a oneTBB arena: the unfinished tasks in a fixed shuffled order, one at a time per worker, each
// timed by its thread's processor clock.
#include "count/counting.h"

#include <tbb/blocked_range.h>
#include <tbb/info.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <ctime>
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

CountResult CountTasks(const CountPlan& plan, TaskLedger& ledger, const TaskRun& run) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < ledger.Size(); ++i) {
        if (!ledger.IsFinished(i)) order.push_back(i);
    }
    std::shuffle(order.begin(), order.end(), std::mt19937_64(kOrderSeed));
    tbb::task_arena arena(run.Jobs);
    arena.execute([&] {
        tbb::parallel_for(
            tbb::blocked_range<std::size_t>(0, order.size(), 1),
            [&](const tbb::blocked_range<std::size_t>& range) {
                for (std::size_t k = range.begin(); k != range.end(); ++k) {
                    StopPoll poll{run.Stop};
                    if (poll.Stop != nullptr && poll.Stop->load(std::memory_order_relaxed)) return;
                    if (ledger.RunFinished() >= run.TaskBudget) return;
                    const std::uint64_t start = ThreadMicros();
                    const std::uint64_t count = plan.CountTask(order[k], poll);
                    if (poll.Stopped) return;
                    ledger.Finish(order[k], count, ThreadMicros() - start);
                }
            },
            tbb::simple_partitioner());
    });
    const std::size_t done = ledger.Finished();
    CountResult result;
    result.Solutions = ledger.Solutions();
    result.Stopped = done < ledger.Size();
    result.ShareDone =
        ledger.Size() == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(ledger.Size());
    return result;
}

CountResult CountSolutions(const CountRequest& request) {
    const CountPlan plan(request.Board, request.Unique);
    TaskLedger ledger(plan.Size());
    return CountTasks(plan, ledger, {.Jobs = request.Jobs, .Stop = request.Stop});
}

int HardwareThreads() {
    return std::max(1, tbb::info::default_concurrency());
}

}  // namespace nq
