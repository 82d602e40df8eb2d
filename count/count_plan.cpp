// SPDX-License-Identifier: GPL-3.0-or-later
// The plan of a count over the engine's work units of either method: the choice of the method, the part.
#include "count/count_plan.h"

#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace nq {

std::uint64_t PhysicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size) : 0;
}

namespace {

// The memory the quadrant method needs for n, and whether that fits in `most` bytes with a table that its
// index can hold.
struct QuadrantNeed {
    std::uint64_t Bytes = 0;
    bool Fits = false;
};
QuadrantNeed QuadrantsNeed(int n, std::uint64_t most) {
    const std::uint64_t limit = std::min<std::uint64_t>(most / sizeof(std::uint64_t), kMaxTableEntries);
    const std::uint64_t entries = QuadrantTableEntries(n, limit);
    const std::uint64_t bytes = QuadrantBytes(n, entries);
    return {bytes, entries <= limit && bytes <= most};
}

}  // namespace

MethodChoice ChooseMethod(const Problem& p, bool unique, const PlanOptions& options,
                          std::uint64_t physicalBytes) {
    MethodChoice choice;
    if (options.Parts < 1 || options.Part < 1 || options.Part > options.Parts) {
        choice.Refusal = "--part K/M needs 1 <= K <= M";
        return choice;
    }
    const bool parted = options.Parts > 1;
    switch (options.Method) {
        case CountMethod::Constellations: return choice;
        case CountMethod::Automatic: {
            if (!p.Fixed.empty() || p.N < kQuadrantsFrom || (unique && parted)) return choice;
            const std::uint64_t bound =
                physicalBytes == 0 ? kQuadrantsAutoBytes : std::min(kQuadrantsAutoBytes, physicalBytes / 2);
            if (QuadrantsNeed(p.N, bound).Fits) choice.Method = CountMethod::Quadrants;
            return choice;
        }
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
            // Past kMaxTableEntries no machine counts by quadrants.
            const std::uint64_t most = physicalBytes == 0 ? ~std::uint64_t{0} : physicalBytes;
            const QuadrantNeed need = QuadrantsNeed(p.N, most);
            if (!need.Fits) {
                choice.Refusal = "--method quadrants needs more than " + std::to_string(need.Bytes >> 20) +
                                 " MB for n=" + std::to_string(p.N) + ", more than this machine's " +
                                 std::to_string(most >> 20) + " MB; use --method constellations";
                return choice;
            }
            choice.Method = CountMethod::Quadrants;
            return choice;
        }
    }
    return choice;
}

CountPlan::CountPlan(const Problem& p, bool unique, const PlanOptions& options)
    : problem_(p), unique_(unique) {
    const MethodChoice choice = ChooseMethod(p, unique, options, PhysicalMemoryBytes());
    if (!choice.Refusal.empty()) throw std::invalid_argument(choice.Refusal);
    method_ = choice.Method;
    part_ = static_cast<std::size_t>(options.Part);
    parts_ = static_cast<std::size_t>(options.Parts);
    std::size_t units = 0;
    if (method_ == CountMethod::Quadrants) {
        quadrants_ = std::make_shared<const QuadrantUnits>(MakeQuadrantUnits(p.N));
        units = quadrants_->Size();
        version_ = "quadrants 1";
    } else {
        units_ = MakeWorkUnits(p.N, p.Fixed, unique);
        units = units_.Size();
        version_ = "constellations 1";
    }
    size_ = units >= part_ ? (units - part_) / parts_ + 1 : 0;
    if (parts_ > 1) version_ += ", part " + std::to_string(part_) + " of " + std::to_string(parts_);
}

std::uint64_t CountPlan::Total(std::uint64_t sumOfTasks) const {
    if (method_ == CountMethod::Quadrants && unique_) return UniqueFromCount(problem_.N, sumOfTasks);
    return sumOfTasks;
}

}  // namespace nq
