// SPDX-License-Identifier: GPL-3.0-or-later
// The plan of a count: a fixed list of independent tasks, identified by index, whose exact counts add up to
// the problem's count, and the version of the method that cut them. A saved task index means the same task
// only under the same problem, version and number of tasks; everything that saves, resumes or estimates
// progress sees a plan only through this class. A plan is made by CountPlanMaker, on the count's threads,
// stoppable at any moment and resumable; its method and version are known before it is made.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "count/wide_count.h"
#include "engine/constellations.h"
#include "engine/problem.h"
#include "engine/quadrant_plan.h"
#include "engine/stop_poll.h"

namespace nq {

enum class CountMethod {
    Automatic,       // the fastest that fits: quadrants for whole boards of kQuadrantsFrom.. while what they
                     // hold fits in MemoryLimits::Automatic (and not for a unique count cut into parts),
                     // constellations otherwise
    Constellations,  // border constellations; any problem
    Quadrants,       // quarter boards joined; whole boards only
};

// Whole boards from this size on are counted by quadrants when the method is left to the plan.
inline constexpr int kQuadrantsFrom = 12;

struct PlanOptions {
    CountMethod Method = CountMethod::Automatic;
    int Part = 1, Parts = 1;  // this plan's share: the units i with i % Parts == Part - 1, 1 <= Part <= Parts
};

// The memory a count may hold, in bytes: the automatic choice gives the quadrant method at most Automatic
// (half of the machine's memory), a forced choice at most Most (all of it); both no more than the process
// may map (its address-space limit) or its control group allows.
struct MemoryLimits {
    std::uint64_t Automatic = 0, Most = 0;
};
MemoryLimits MachineMemory();

// The method a plan with these options uses, or, when none can, one line saying why (without the program's
// name). jobs: the threads that will count, each with buffers of its own.
struct MethodChoice {
    CountMethod Method = CountMethod::Constellations;
    std::string Refusal;
};
MethodChoice ChooseMethod(const Problem& p, bool unique, const PlanOptions& options, int jobs,
                          const MemoryLimits& limits);

// The version a plan of this method (Constellations or Quadrants) and these options writes into save files:
// the method, how it cuts the problem into tasks, and the part.
std::string PlanVersion(CountMethod method, const PlanOptions& options);

// What a plan's tasks count, and so every sum of them before the count's end: solutions; or, in a unique
// count by constellations, classes up to rotation and reflection; or, in a unique count by quadrants, every
// solution, the classes following from their sum only once every task is done (CountPlan::Total).
enum class TaskCounts { Solutions, Classes, SolutionsOfClasses };

// The solutions of a whole board that a quarter turn keeps and those a half turn keeps: what turns the sum of
// a unique count's tasks by quadrants, every solution, into its classes.
struct RotationKept {
    std::uint64_t QuarterTurn = 0, HalfTurn = 0;
    friend bool operator==(const RotationKept&, const RotationKept&) = default;
};

// What one counting thread keeps from task to task.
struct TaskScratch {
    QuadrantPlan::Scratch Quadrants;
};

class CountPlan {
  public:
    // Makes the plan to the end on every thread (for tests and tools; a count that may be stopped while its
    // plan is made uses CountPlanMaker). p checked, the options as ChooseMethod accepts them (throws
    // std::invalid_argument otherwise).
    CountPlan(const Problem& p, bool unique, const PlanOptions& options = {});

    std::size_t Size() const { return size_; }
    // The exact contribution of task i (0..Size()-1) to the count; when stopped, poll.Stopped = true and the
    // value means nothing. Any thread, each with its own scratch; tasks share nothing but read-only tables.
    std::uint64_t CountTask(std::size_t i, TaskScratch& scratch, StopPoll& poll) const;
    // The count from the sum of all tasks: the same, but for a unique count by quadrants, whose tasks count
    // every solution and whose classes follow from them and the rotation-kept solutions.
    WideCount Total(WideCount sumOfTasks) const;
    // Names the method, how it cuts the problem into tasks and the part; a new cut needs a new version.
    const std::string& Version() const { return version_; }
    CountMethod Method() const { return method_; }
    const Problem& Board() const { return problem_; }
    bool Unique() const { return unique_; }
    TaskCounts Counts() const;
    // For tasks that count SolutionsOfClasses: what Total adds to their sum.
    std::optional<RotationKept> Kept() const;
    // Memory the plan holds, in bytes (its counting threads hold more: QuadrantBytes).
    std::uint64_t Bytes() const;

  private:
    friend class CountPlanMaker;
    CountPlan() = default;
    std::size_t Unit(std::size_t i) const { return i * parts_ + part_ - 1; }

    Problem problem_;
    bool unique_ = false;
    CountMethod method_ = CountMethod::Constellations;
    std::size_t part_ = 1, parts_ = 1, size_ = 0;
    WorkUnits units_;
    std::shared_ptr<const QuadrantPlan> quadrants_;
    std::uint64_t quarterTurnKept_ = 0, halfTurnKept_ = 0;  // unique counts by quadrants
    std::string version_;
};

// Makes a plan on the threads of the count that will use it. Its method and version are known at once; the
// making stops when asked and goes on later from where it was, holding what it made in between.
class CountPlanMaker {
  public:
    // p checked; unique only without fixed queens; the options as ChooseMethod accepts them for `jobs`
    // threads and this machine's memory (throws std::invalid_argument with its refusal otherwise). Makes
    // nothing yet.
    CountPlanMaker(const Problem& p, bool unique, const PlanOptions& options, int jobs);
    ~CountPlanMaker();
    CountPlanMaker(const CountPlanMaker&) = delete;
    CountPlanMaker& operator=(const CountPlanMaker&) = delete;

    CountMethod Method() const { return plan_->method_; }
    const std::string& Version() const { return plan_->version_; }

    // Makes the plan until it is made (true) or *stop turns true (false: the next call goes on from there;
    // a stop acts within some milliseconds). When the quadrant method cannot get its memory, the automatic
    // choice falls back to the constellations (Method and Version change); a forced one throws
    // std::runtime_error with one line saying so.
    bool Make(const std::atomic<bool>* stop);
    // The count of a plan of this maker's whose tasks add up to sumOfTasks (a save file's, say), without
    // making the plan: a unique count by quadrants takes the solutions the rotations keep from `kept` (as a
    // plan's Kept gave them), or searches them (seconds from n = 22 on, stopped like Make: nothing then).
    std::optional<WideCount> TotalOf(WideCount sumOfTasks, const std::optional<RotationKept>& kept,
                                     const std::atomic<bool>* stop);
    // 0..1: how much of the making is done. Any thread.
    double Share() const { return share_.load(std::memory_order_relaxed); }
    // The plan, once Make returned true; the maker holds nothing afterwards.
    std::unique_ptr<CountPlan> Take();

  private:
    bool MakeQuadrants(const std::atomic<bool>* stop);
    bool MakeRotationKept(const std::atomic<bool>* stop);
    void FallBack();

    int jobs_ = 1;
    PlanOptions options_;
    bool automatic_ = false;  // the method was left to the plan: quadrants may fall back
    std::unique_ptr<CountPlan> plan_;
    bool made_ = false;
    std::atomic<double> share_{0.0};
    // Quadrants: the engine's maker, the phase under way and which of its tasks are done.
    std::unique_ptr<QuadrantPlanMaker> quadrants_;
    int phase_ = -1;
    std::size_t tasks_ = 0;
    std::unique_ptr<std::atomic<bool>[]> done_;
    std::atomic<std::size_t> finished_{0};
    // Unique counts by quadrants: the pieces of the search for the solutions the rotations keep.
    struct Start {
        int Turns = 1;
        std::vector<Queen> Queens;
        std::optional<std::uint64_t> Kept;
    };
    std::vector<Start> starts_;
    bool kept_ = false;  // the plan holds the solutions the rotations keep
};

}  // namespace nq
