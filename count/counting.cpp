// Counting on a oneTBB arena: the work units of a count plan, taken one at a time by the workers.
#include "count/counting.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>

#include <vector>

#include "engine/constellations.h"

namespace nq {
namespace {

// Runs count(i, poll) for the tasks 0..tasks-1 on the request's arena, one task at a time per worker, and
// adds them up in task order.
template <class CountTask>
CountResult RunTasks(const CountRequest& request, std::size_t tasks, CountProgress* progress,
                     CountTask&& count) {
    std::vector<std::uint64_t> counts(tasks, 0);
    std::vector<char> finished(tasks, 0);
    if (progress != nullptr) progress->Total = tasks;
    tbb::task_arena arena(request.Jobs);
    arena.execute([&] {
        tbb::parallel_for(
            tbb::blocked_range<std::size_t>(0, tasks, 1),
            [&](const tbb::blocked_range<std::size_t>& range) {
                for (std::size_t i = range.begin(); i != range.end(); ++i) {
                    StopPoll poll{request.Stop};
                    if (poll.Stop != nullptr && poll.Stop->load(std::memory_order_relaxed)) return;
                    counts[i] = count(i, poll);
                    if (poll.Stopped) return;
                    finished[i] = 1;
                    if (progress != nullptr) {
                        progress->Solutions.fetch_add(counts[i], std::memory_order_relaxed);
                        progress->Done.fetch_add(1, std::memory_order_relaxed);
                    }
                }
            },
            tbb::simple_partitioner());
    });
    CountResult result;
    std::size_t done = 0;
    for (std::size_t i = 0; i < tasks; ++i) {
        result.Solutions += counts[i];
        done += finished[i] != 0 ? 1 : 0;
    }
    result.Stopped = done < tasks;
    result.ShareDone = tasks == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(tasks);
    return result;
}

}  // namespace

CountResult CountSolutions(const CountRequest& request, CountProgress* progress) {
    const CountPlan plan = MakeCountPlan(request.Board.N, request.Board.Fixed, request.Unique);
    return RunTasks(request, plan.Size(), progress,
                    [&](std::size_t i, StopPoll& poll) { return CountWorkUnit(plan, i, poll); });
}

}  // namespace nq
