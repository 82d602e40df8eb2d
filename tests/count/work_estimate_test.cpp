// SPDX-License-Identifier: GPL-3.0-or-later
// The weighted progress estimate replayed over recorded runs: tasks finishing one by one with their sizes,
// in the shuffled order the workers take them. The share never goes back, reaches 100 % exactly at the last
// task and, after the first 20 % of the work, stays close to the true share of the work done.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "count/count_plan.h"
#include "count/work_estimate.h"
#include "engine/stop_poll.h"

namespace nq::testing {
namespace {

// Task sizes of a real plan: each task's solutions plus one, as uneven as its work.
std::vector<std::uint64_t> SolutionSizes(int n) {
    const CountPlan plan({.N = n, .Fixed = {}}, false);
    std::vector<std::uint64_t> sizes;
    TaskScratch scratch;
    for (std::size_t i = 0; i < plan.Size(); ++i) {
        StopPoll poll;
        sizes.push_back(plan.CountTask(i, scratch, poll) + 1);
    }
    return sizes;
}

std::vector<std::uint64_t> Ramp(std::size_t tasks, double ratio) {
    std::vector<std::uint64_t> sizes;
    for (std::size_t i = 0; i < tasks; ++i)
        sizes.push_back(static_cast<std::uint64_t>(
            100.0 * std::pow(ratio, static_cast<double>(i) / static_cast<double>(tasks))));
    return sizes;
}

TEST(WorkEstimate, ARecordedRunRisesToTheEndAndTracksTheWorkDone) {
    const struct {
        const char* Run;
        std::vector<std::uint64_t> Sizes;
        double Tolerance;  // on the share, after the first 20 % of the work
    } cases[] = {
        {"whole board n=12, sizes by solutions", SolutionSizes(12), 0.05},
        {"sizes rising a thousandfold along the plan", Ramp(3000, 1000.0), 0.05},
        {"equal sizes", std::vector<std::uint64_t>(500, 7), 0.01},
        {"a single task", {42}, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Run);
        std::vector<std::size_t> order(c.Sizes.size());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), std::mt19937_64(7));
        const double total = static_cast<double>(std::accumulate(c.Sizes.begin(), c.Sizes.end(), 0ull));

        TaskLedger ledger(c.Sizes.size());
        WorkEstimate estimate(c.Sizes.size());
        estimate.Update(ledger);
        EXPECT_FALSE(estimate.Known());
        double previous = 0.0, done = 0.0, worst = 0.0;
        for (std::size_t k = 0; k < order.size(); ++k) {
            ledger.Finish(order[k], 0, c.Sizes[order[k]]);
            done += static_cast<double>(c.Sizes[order[k]]);
            estimate.Update(ledger);
            ASSERT_GE(estimate.Share(), previous) << "after task " << k;
            previous = estimate.Share();
            if (k + 1 < order.size()) {
                ASSERT_LT(estimate.Share(), 1.0) << "after task " << k;
            }
            if (done >= 0.2 * total) worst = std::max(worst, std::abs(estimate.Share() - done / total));
        }
        EXPECT_EQ(estimate.Share(), 1.0);
        EXPECT_EQ(estimate.RemainingWork(), 0.0);
        EXPECT_LE(worst, c.Tolerance);
    }
}

}  // namespace
}  // namespace nq::testing
