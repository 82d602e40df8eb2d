// SPDX-License-Identifier: GPL-3.0-or-later
// What the counts are held against: the published counts of whole boards, n = 1..20 (OEIS A000170, and
// A002562 up to rotation and reflection), the one table of them for the tests and the benchmarks; and the
// count of a constellation plan as the sum of its units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/constellations.h"
#include "engine/stop_poll.h"

namespace nq::testing {

struct KnownCount {
    int N;
    std::uint64_t All;     // A000170
    std::uint64_t Unique;  // A002562
};

inline constexpr KnownCount kKnownCounts[] = {{1, 1, 1},
                                              {2, 0, 0},
                                              {3, 0, 0},
                                              {4, 2, 1},
                                              {5, 10, 2},
                                              {6, 4, 1},
                                              {7, 40, 6},
                                              {8, 92, 12},
                                              {9, 352, 46},
                                              {10, 724, 92},
                                              {11, 2680, 341},
                                              {12, 14200, 1787},
                                              {13, 73712, 9233},
                                              {14, 365596, 45752},
                                              {15, 2279184, 285053},
                                              {16, 14772512, 1846955},
                                              {17, 95815104, 11977939},
                                              {18, 666090624, 83263591},
                                              {19, 4968057848, 621012754},
                                              {20, 39029188884, 4878666808}};

// The rows of the boards 1..n (n at most 20), for checks that would take too long on the bigger ones.
inline std::span<const KnownCount> KnownCountsUpTo(int n) {
    return std::span<const KnownCount>(kKnownCounts).first(static_cast<std::size_t>(n));
}

// The constellation plan's count of n and the fixed queens, unit by unit, with no stop.
inline std::uint64_t SumOfUnits(int n, const std::vector<Queen>& fixed, bool unique) {
    const WorkUnits plan = MakeWorkUnits(n, fixed, unique);
    StopPoll poll;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < plan.Size(); ++i)
        total += CountWorkUnit(plan, i, poll);
    return total;
}

}  // namespace nq::testing
