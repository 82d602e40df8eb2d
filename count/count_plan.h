// SPDX-License-Identifier: GPL-3.0-or-later
// The plan of a count: a fixed list of independent tasks, identified by index, whose exact counts add up to
// the problem's count, and the version of the method that cut them. A saved task index means the same task
// only under the same problem, version and number of tasks; everything that saves, resumes or estimates
// progress sees a plan only through this class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/constellations.h"
#include "engine/problem.h"
#include "engine/stop_poll.h"

namespace nq {

class CountPlan {
  public:
    // p must be checked (see Problem); unique only without fixed queens.
    CountPlan(const Problem& p, bool unique);

    std::size_t Size() const { return units_.Size(); }
    // The exact contribution of task i (0..Size()-1) to the count; when stopped, poll.Stopped = true and the
    // value means nothing. Any thread; tasks share nothing.
    std::uint64_t CountTask(std::size_t i, StopPoll& poll) const { return CountWorkUnit(units_, i, poll); }
    // A relative size of task i, known before it runs (only ratios between tasks mean anything).
    double ExpectedWork(std::size_t i) const { return units_.ExpectedWork(i); }
    // Names the method and how it cuts the problem into tasks; a new cut needs a new version.
    const std::string& Version() const { return version_; }
    const Problem& Board() const { return problem_; }
    bool Unique() const { return unique_; }

  private:
    Problem problem_;
    bool unique_ = false;
    WorkUnits units_;
    std::string version_ = "constellations 1";
};

}  // namespace nq
