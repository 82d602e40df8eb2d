// SPDX-License-Identifier: GPL-3.0-or-later
// The plan of a count: a fixed list of independent tasks, identified by index, whose exact counts add up to
// the problem's count, and the version of the method that cut them. A saved task index means the same task
// only under the same problem, version and number of tasks; everything that saves, resumes or estimates
// progress sees a plan only through this class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/constellations.h"
#include "engine/problem.h"
#include "engine/quadrants.h"
#include "engine/stop_poll.h"

namespace nq {

enum class CountMethod {
    Automatic,       // the fastest that fits: quadrants for whole boards of kQuadrantsFrom.. while their
                     // table fits in kQuadrantsAutoBytes (and not for a unique count cut into parts),
                     // constellations otherwise
    Constellations,  // border constellations; any problem
    Quadrants,       // quarter boards joined; whole boards only
};

// Whole boards from this size on are counted by quadrants when the method is left to the plan.
inline constexpr int kQuadrantsFrom = 12;
// The most memory the automatic choice gives the quadrant table (today: up to n = 23).
inline constexpr std::uint64_t kQuadrantsAutoBytes = std::uint64_t{2} << 30;

struct PlanOptions {
    CountMethod Method = CountMethod::Automatic;
    int Part = 1, Parts = 1;  // this plan's share: the units i with i % Parts == Part - 1, 1 <= Part <= Parts
};

// The method a plan with these options uses, or, when none can, one line saying why (without the program's
// name). physicalBytes: the machine's memory, which the quadrant method may not exceed.
struct MethodChoice {
    CountMethod Method = CountMethod::Constellations;
    std::string Refusal;
};
MethodChoice ChooseMethod(const Problem& p, bool unique, const PlanOptions& options,
                          std::uint64_t physicalBytes);

// The machine's physical memory in bytes (0 when unknown).
std::uint64_t PhysicalMemoryBytes();

class CountPlan {
  public:
    // p must be checked (see Problem); unique only without fixed queens; the options as ChooseMethod accepts
    // them (throws std::invalid_argument otherwise).
    CountPlan(const Problem& p, bool unique, const PlanOptions& options = {});

    std::size_t Size() const { return size_; }
    // The exact contribution of task i (0..Size()-1) to the count; when stopped, poll.Stopped = true and the
    // value means nothing. Any thread; tasks share nothing but read-only tables.
    std::uint64_t CountTask(std::size_t i, StopPoll& poll) const {
        return quadrants_ != nullptr ? CountQuadrantUnit(*quadrants_, Unit(i), poll)
                                     : CountWorkUnit(units_, Unit(i), poll);
    }
    // The count from the sum of all tasks: the same, but for a unique count by quadrants, whose tasks count
    // every solution and whose classes follow from them and the rotation-kept solutions.
    std::uint64_t Total(std::uint64_t sumOfTasks) const;
    // Names the method, how it cuts the problem into tasks and the part; a new cut needs a new version.
    const std::string& Version() const { return version_; }
    CountMethod Method() const { return method_; }
    const Problem& Board() const { return problem_; }
    bool Unique() const { return unique_; }

  private:
    std::size_t Unit(std::size_t i) const { return i * parts_ + part_ - 1; }

    Problem problem_;
    bool unique_ = false;
    CountMethod method_ = CountMethod::Constellations;
    std::size_t part_ = 1, parts_ = 1, size_ = 0;
    WorkUnits units_;
    std::shared_ptr<const QuadrantUnits> quadrants_;
    std::string version_;
};

}  // namespace nq
