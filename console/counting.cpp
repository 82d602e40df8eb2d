// Counting on a oneTBB arena: mirror symmetry for the whole board, subproblems taken one at a time.
#include "console/counting.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/partitioner.h>
#include <tbb/task_arena.h>

#include <vector>

#include "console/search_tree.h"

namespace nq::console {
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

CountResult CountSolutions(const CountRequest& request, CountProgress* progress) {
    const SearchLayout layout = MakeLayout(request.Board);
    // Without fixed queens the board's mirror image of a solution is another one: the first column's upper
    // half counts twice. A count up to symmetry needs the same half (see CountCanonicalBelow).
    const bool mirror = request.Board.Fixed.empty();
    const std::vector<Subproblem> subs = MakeSubproblems(layout, CountingDepth(request.Board), mirror);
    std::vector<std::uint64_t> counts(subs.size(), 0);
    std::vector<char> finished(subs.size(), 0);
    if (progress != nullptr) progress->Total = subs.size();

    tbb::task_arena arena(request.Jobs);
    arena.execute([&] {
        tbb::parallel_for(
            tbb::blocked_range<std::size_t>(0, subs.size(), 1),
            [&](const tbb::blocked_range<std::size_t>& range) {
                for (std::size_t i = range.begin(); i != range.end(); ++i) {
                    StopPoll poll{request.Stop};
                    if (poll.Stop != nullptr && poll.Stop->load(std::memory_order_relaxed)) return;
                    const Subproblem& s = subs[i];
                    const std::uint64_t below =
                        request.Unique ? CountCanonicalBelow(layout, s, poll) : CountBelow(layout, s, poll);
                    counts[i] = request.Unique ? below : below * static_cast<std::uint64_t>(s.Weight);
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
    for (std::size_t i = 0; i < subs.size(); ++i) {
        result.Solutions += counts[i];
        done += finished[i] != 0 ? 1 : 0;
    }
    result.Stopped = done < subs.size();
    result.ShareDone = subs.empty() ? 1.0 : static_cast<double>(done) / static_cast<double>(subs.size());
    return result;
}

}  // namespace nq::console
