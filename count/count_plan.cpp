// Today's plans: the whole board by its eight symmetries, or the subproblems of the first free columns.
#include "count/count_plan.h"

#include "count/counting.h"

namespace nq {
namespace {

constexpr std::size_t kEnoughTasks = 4096;

}  // namespace

CountPlan::CountPlan(const Problem& p, bool unique) : problem_(p), unique_(unique) {
    if (p.Fixed.empty() && p.N >= kEightfoldMinN) {
        eightfold_ = MakeEightfoldPlan(p.N, kEnoughTasks);
        size_ = eightfold_->Tasks.size();
        version_ = "eightfold 1";
        return;
    }
    layout_ = MakeLayout(p);
    // Without fixed queens the board's mirror image of a solution is another one: the first column's upper
    // half counts twice. A count up to symmetry needs the same half (see CountCanonicalBelow).
    const int depth = CountingDepth(p);
    subproblems_ = MakeSubproblems(layout_, depth, p.Fixed.empty());
    size_ = subproblems_.size();
    version_ = "subproblems 1 depth " + std::to_string(depth);
}

std::uint64_t CountPlan::CountTask(std::size_t i, StopPoll& poll) const {
    if (eightfold_) {
        const EightfoldCounts c = CountEightfoldTask(*eightfold_, eightfold_->Tasks[i], poll);
        return unique_ ? c.Unique() : c.Total();
    }
    const Subproblem& s = subproblems_[i];
    return unique_ ? CountCanonicalBelow(layout_, s, poll)
                   : CountBelow(layout_, s, poll) * static_cast<std::uint64_t>(s.Weight);
}

}  // namespace nq
