// Counting on a oneTBB arena: mirror symmetry for the whole board, subproblems taken one at a time.
#include "count/counting.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>

#include <vector>

#include "engine/eightfold.h"
#include "engine/search_tree.h"

namespace nq {
namespace {

constexpr std::size_t kEnoughSubproblems = 4096;
constexpr int kMaxDepth = 6;

}  // namespace

int CountingDepth(const Problem& p) {
    const SearchLayout layout = MakeLayout(p);
    int depth = 0;
    while (depth < layout.Free && depth < kMaxDepth &&
           MakeSubproblems(layout, depth, p.Fixed.empty()).size() < kEnoughSubproblems)
        ++depth;
    return depth;
}

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
    const Problem& p = request.Board;
    if (p.Fixed.empty() && p.N >= kEightfoldMinN) {
        const EightfoldPlan plan = MakeEightfoldPlan(p.N, kEnoughSubproblems);
        return RunTasks(request, plan.Tasks.size(), progress, [&](std::size_t i, StopPoll& poll) {
            const EightfoldCounts c = CountEightfoldTask(plan, plan.Tasks[i], poll);
            return request.Unique ? c.Unique() : c.Total();
        });
    }
    const SearchLayout layout = MakeLayout(p);
    // Without fixed queens the board's mirror image of a solution is another one: the first column's upper
    // half counts twice. A count up to symmetry needs the same half (see CountCanonicalBelow).
    const std::vector<Subproblem> subs = MakeSubproblems(layout, CountingDepth(p), p.Fixed.empty());
    return RunTasks(request, subs.size(), progress, [&](std::size_t i, StopPoll& poll) {
        const Subproblem& s = subs[i];
        return request.Unique ? CountCanonicalBelow(layout, s, poll)
                              : CountBelow(layout, s, poll) * static_cast<std::uint64_t>(s.Weight);
    });
}

}  // namespace nq
