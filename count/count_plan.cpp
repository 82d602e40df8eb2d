// SPDX-License-Identifier: GPL-3.0-or-later
// The plan of a count over the engine's work units of either method: the machine's memory, the choice of the
// method and the part, and the making of the plan on the count's threads.
#include "count/count_plan.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <new>
#include <stdexcept>

#include "count/counting.h"
#include "engine/rotation_kept.h"

namespace nq {
namespace {

// What the process maps besides a count's own memory (the program, its libraries, thread stacks, the
// allocator's arenas): kept free under an address-space limit.
constexpr std::uint64_t kAddressSpaceReserve = std::uint64_t{512} << 20;

std::uint64_t PhysicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size)
                                 : ~std::uint64_t{0};
}

// The control group's memory limit (cgroup v2), where one is set.
std::uint64_t GroupMemory() {
    std::ifstream in("/sys/fs/cgroup/memory.max");
    std::uint64_t bytes = 0;
    return in >> bytes ? bytes : ~std::uint64_t{0};
}

std::string Megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (std::uint64_t{1} << 20) - 1) >> 20) + " MB";
}

}  // namespace

MemoryLimits MachineMemory() {
    std::uint64_t most = std::min(PhysicalMemory(), GroupMemory());
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const std::uint64_t space = limit.rlim_cur;
        most = std::min(most, space > kAddressSpaceReserve ? space - kAddressSpaceReserve : 0);
    }
    return {std::min(most, PhysicalMemory() / 2), most};
}

MethodChoice ChooseMethod(const Problem& p, bool unique, const PlanOptions& options, int jobs,
                          const MemoryLimits& limits) {
    MethodChoice choice;
    if (options.Parts < 1 || options.Part < 1 || options.Part > options.Parts) {
        choice.Refusal = "--part K/M needs 1 <= K <= M";
        return choice;
    }
    const bool parted = options.Parts > 1;
    const std::uint64_t need = QuadrantBytes(p.N).With(jobs);
    switch (options.Method) {
        case CountMethod::Constellations: return choice;
        case CountMethod::Automatic:
            if (p.Fixed.empty() && p.N >= kQuadrantsFrom && !(unique && parted) && need <= limits.Automatic)
                choice.Method = CountMethod::Quadrants;
            return choice;
        case CountMethod::Quadrants: {
            if (!p.Fixed.empty()) {
                choice.Refusal = "--method quadrants counts whole boards; it refuses --fixed";
                return choice;
            }
            if (unique && parted) {
                choice.Refusal =
                    "--method quadrants counts --unique classes only over the whole board, not in parts; "
                    "use --method constellations";
                return choice;
            }
            const std::uint64_t entries = QuarterTableEntries(p.N / 2);
            if (entries > kMaxQuarterEntries) {
                choice.Refusal =
                    "--method quadrants cannot count n=" + std::to_string(p.N) +
                    " on any machine: its quarter-board table would hold " +
                    (entries == ~std::uint64_t{0} ? "more than " + std::to_string(kMaxQuarterEntries)
                                                  : std::to_string(entries)) +
                    " placements, past the " + std::to_string(kMaxQuarterEntries) +
                    " its index can address; use --method constellations";
                return choice;
            }
            if (need > limits.Most) {
                choice.Refusal = "--method quadrants needs about " + Megabytes(need) +
                                 " for n=" + std::to_string(p.N) + " on " + std::to_string(jobs) + " thread" +
                                 (jobs == 1 ? "" : "s") + ", more than the " + Megabytes(limits.Most) +
                                 " this process may use; use --method constellations";
                return choice;
            }
            choice.Method = CountMethod::Quadrants;
            return choice;
        }
    }
    return choice;
}

std::string PlanVersion(CountMethod method, const PlanOptions& options) {
    // Quadrants 2: units are runs of row sets sorted by their south rows (1 took them in plain order).
    std::string version = method == CountMethod::Quadrants ? "quadrants 2" : "constellations 1";
    if (options.Parts > 1)
        version += ", part " + std::to_string(options.Part) + " of " + std::to_string(options.Parts);
    return version;
}

CountPlan::CountPlan(const Problem& p, bool unique, const PlanOptions& options) {
    CountPlanMaker maker(p, unique, options, HardwareThreads());
    maker.Make(nullptr);
    *this = std::move(*maker.Take());
}

std::uint64_t CountPlan::CountTask(std::size_t i, TaskScratch& scratch, StopPoll& poll) const {
    return quadrants_ != nullptr ? quadrants_->CountUnit(Unit(i), scratch.Quadrants, poll)
                                 : CountWorkUnit(units_, Unit(i), poll);
}

WideCount CountPlan::Total(WideCount sumOfTasks) const {
    if (method_ != CountMethod::Quadrants || !unique_ || problem_.N == 1) return sumOfTasks;
    // Burnside's lemma over the eight symmetries: the identity keeps every solution, the quarter turns
    // (two of them) and the half turn those counted here, no reflection keeps any.
    return (sumOfTasks + 2 * WideCount{quarterTurnKept_} + halfTurnKept_) / 8;
}

TaskCounts CountPlan::Counts() const {
    if (!unique_) return TaskCounts::Solutions;
    return method_ == CountMethod::Quadrants ? TaskCounts::SolutionsOfClasses : TaskCounts::Classes;
}

std::optional<RotationKept> CountPlan::Kept() const {
    if (Counts() != TaskCounts::SolutionsOfClasses) return std::nullopt;
    return RotationKept{quarterTurnKept_, halfTurnKept_};
}

std::uint64_t CountPlan::Bytes() const {
    return quadrants_ != nullptr ? quadrants_->Bytes() : 0;
}

CountPlanMaker::CountPlanMaker(const Problem& p, bool unique, const PlanOptions& options, int jobs)
    : jobs_(std::max(jobs, 1)), plan_(new CountPlan()) {
    const MethodChoice choice = ChooseMethod(p, unique, options, jobs_, MachineMemory());
    if (!choice.Refusal.empty()) throw std::invalid_argument(choice.Refusal);
    CountPlan& plan = *plan_;
    plan.problem_ = p;
    plan.unique_ = unique;
    plan.method_ = choice.Method;
    plan.part_ = static_cast<std::size_t>(options.Part);
    plan.parts_ = static_cast<std::size_t>(options.Parts);
    plan.version_ = PlanVersion(choice.Method, options);
    automatic_ = options.Method == CountMethod::Automatic;
    options_ = options;
}

CountPlanMaker::~CountPlanMaker() = default;

void CountPlanMaker::FallBack() {
    quadrants_.reset();
    done_.reset();
    phase_ = -1;
    plan_->method_ = CountMethod::Constellations;
    plan_->version_ = PlanVersion(CountMethod::Constellations, options_);
}

bool CountPlanMaker::MakeQuadrants(const std::atomic<bool>* stop) {
    const int n = plan_->problem_.N;
    if (quadrants_ == nullptr) quadrants_ = std::make_unique<QuadrantPlanMaker>(n);
    while (phase_ < QuadrantPlanMaker::kPhases) {
        if (phase_ < 0 || finished_.load() == tasks_) {
            if (++phase_ == QuadrantPlanMaker::kPhases) break;
            tasks_ = quadrants_->Begin(phase_);
            done_ = std::make_unique<std::atomic<bool>[]>(tasks_);
            finished_ = 0;
        }
        double before = 0;
        for (int p = 0; p < phase_; ++p)
            before += QuadrantPlanMaker::PhaseShare(p);
        const double share = QuadrantPlanMaker::PhaseShare(phase_);
        RunOnThreads(jobs_, tasks_, stop, [&](std::size_t t) {
            if (done_[t].load(std::memory_order_relaxed) || !quadrants_->Run(t, stop)) return;
            done_[t].store(true, std::memory_order_relaxed);
            const std::size_t finished = finished_.fetch_add(1) + 1;
            share_.store(
                0.98 * (before + share * static_cast<double>(finished) / static_cast<double>(tasks_)),
                std::memory_order_relaxed);
        });
        if (finished_.load() != tasks_) return false;
    }
    if (plan_->unique_ && !MakeRotationKept(stop)) return false;
    plan_->quadrants_ = quadrants_->Finish();
    quadrants_.reset();
    done_.reset();
    return true;
}

bool CountPlanMaker::MakeRotationKept(const std::atomic<bool>* stop) {
    // A unique count's classes by quadrants need the solutions the rotations keep: a search cut by the
    // queen of the first column, on every thread.
    if (kept_) return true;
    const int n = plan_->problem_.N;
    if (starts_.empty()) {
        for (const int turns : {1, 2}) {
            for (std::vector<Queen>& start : RotationKeptStarts(n, turns))
                starts_.push_back({turns, std::move(start), std::nullopt});
        }
    }
    RunOnThreads(jobs_, starts_.size(), stop, [&](std::size_t t) {
        Start& start = starts_[t];
        if (start.Kept) return;
        StopPoll poll{stop};
        const std::uint64_t kept = RotationKeptSolutions(n, start.Queens, start.Turns, poll);
        if (!poll.Stopped) start.Kept = kept;
    });
    std::uint64_t quarter = 0, half = 0;
    for (const Start& start : starts_) {
        if (!start.Kept) return false;
        (start.Turns == 1 ? quarter : half) += *start.Kept;
    }
    plan_->quarterTurnKept_ = quarter;
    plan_->halfTurnKept_ = half;
    starts_ = {};
    kept_ = true;
    return true;
}

std::optional<WideCount> CountPlanMaker::TotalOf(WideCount sumOfTasks,
                                                 const std::optional<RotationKept>& kept,
                                                 const std::atomic<bool>* stop) {
    if (kept && !kept_) {
        plan_->quarterTurnKept_ = kept->QuarterTurn;
        plan_->halfTurnKept_ = kept->HalfTurn;
        kept_ = true;
    }
    if (plan_->method_ == CountMethod::Quadrants && plan_->unique_ && !MakeRotationKept(stop))
        return std::nullopt;
    return plan_->Total(sumOfTasks);
}

bool CountPlanMaker::Make(const std::atomic<bool>* stop) {
    if (made_) return true;
    CountPlan& plan = *plan_;
    try {
        if (plan.method_ == CountMethod::Quadrants) {
            if (!MakeQuadrants(stop)) return false;
        } else {
            std::optional<WorkUnits> units =
                MakeWorkUnits(plan.problem_.N, plan.problem_.Fixed, plan.unique_, stop);
            if (!units) return false;
            plan.units_ = std::move(*units);
        }
    } catch (const std::bad_alloc&) {
        if (plan.method_ != CountMethod::Quadrants || !automatic_) {
            throw std::runtime_error(
                (plan.method_ == CountMethod::Quadrants ? "--method quadrants" : "the count") +
                std::string(" cannot get the memory it needs for n=") + std::to_string(plan.problem_.N) +
                (plan.method_ == CountMethod::Quadrants ? "; use --method constellations" : ""));
        }
        FallBack();
        return Make(stop);
    }
    const std::size_t units = plan.quadrants_ != nullptr ? plan.quadrants_->Size() : plan.units_.Size();
    plan.size_ = units >= plan.part_ ? (units - plan.part_) / plan.parts_ + 1 : 0;
    share_.store(1.0, std::memory_order_relaxed);
    made_ = true;
    return true;
}

std::unique_ptr<CountPlan> CountPlanMaker::Take() {
    if (!made_) throw std::logic_error("count plan: taken before it was made");
    return std::move(plan_);
}

}  // namespace nq
