// The plan of a count: a fixed list of independent tasks, identified by index, whose exact counts add up to
// the problem's count, and the version of the method that cut them. A saved task index means the same task
// only under the same problem, version and number of tasks; everything that saves, resumes or estimates
// progress sees a plan only through this class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/eightfold.h"
#include "engine/problem.h"
#include "engine/search_tree.h"

namespace nq {

class CountPlan {
  public:
    // p must be checked (see Problem); unique only without fixed queens.
    CountPlan(const Problem& p, bool unique);

    std::size_t Size() const { return size_; }
    // The exact contribution of task i (0..Size()-1) to the count; when stopped, the part met so far and
    // poll.Stopped = true. Any thread; tasks share nothing.
    std::uint64_t CountTask(std::size_t i, StopPoll& poll) const;
    // Names the method and how it cuts the problem into tasks, e.g. "eightfold 1".
    const std::string& Version() const { return version_; }
    const Problem& Board() const { return problem_; }
    bool Unique() const { return unique_; }

  private:
    Problem problem_;
    bool unique_ = false;
    std::string version_;
    std::size_t size_ = 0;
    std::optional<EightfoldPlan> eightfold_;
    SearchLayout layout_;
    std::vector<Subproblem> subproblems_;
};

}  // namespace nq
