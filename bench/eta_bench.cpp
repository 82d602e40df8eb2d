// SPDX-License-Identifier: GPL-3.0-or-later
// How honest the console's time left is: real counts (whole board and one fixed queen, 1 and 2 jobs), the
// estimate sampled every 100 ms and held against the time that was really left once the count has ended.
// The error is |estimate - truth| / truth over the samples taken after the first 20 % of the run and before
// its last 10 % (where the truth nears zero and any error is unbounded). Arguments: board sizes (default
// 17 18). Prints per case:
//   eta n=<n> fixed=<0|1> jobs=<j> seconds=<run> worst_error_after_20pct=<e> mean_error_after_20pct=<e>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "count/count_plan.h"
#include "count/counting.h"
#include "count/task_ledger.h"
#include "count/work_estimate.h"

namespace {

struct Sample {
    double Elapsed = 0, Left = -1;
};

void Measure(int n, bool fixed, int jobs) {
    nq::Problem p{.N = n, .Fixed = {}};
    if (fixed) p.Fixed.push_back({.Column = (n + 1) / 2, .Row = 1});
    const nq::CountPlan plan(p, false);
    nq::TaskLedger ledger(plan.Size());
    nq::WorkEstimate estimate(plan.Size());
    std::atomic<bool> done{false};
    const auto start = std::chrono::steady_clock::now();
    std::thread worker([&] {
        nq::CountTasks(plan, ledger, {.Jobs = jobs});
        done = true;
    });
    std::vector<Sample> samples;
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        estimate.Update(ledger);
        samples.push_back({elapsed, nq::SecondsLeft(estimate, ledger, elapsed)});
    }
    worker.join();
    const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double worst = 0, sum = 0;
    int counted = 0;
    for (const Sample& s : samples) {
        const double truth = total - s.Elapsed;
        if (s.Elapsed < 0.2 * total || truth < 0.1 * total) continue;
        const double error = s.Left < 0 ? 1.0 : std::abs(s.Left - truth) / truth;
        worst = std::max(worst, error);
        sum += error;
        ++counted;
    }
    std::printf(
        "eta n=%d fixed=%d jobs=%d seconds=%.1f worst_error_after_20pct=%.3f mean_error_after_20pct=%.3f\n",
        n, fixed ? 1 : 0, jobs, total, worst, counted > 0 ? sum / counted : 0.0);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int k = 1; k < argc; ++k)
        sizes.push_back(std::atoi(argv[k]));
    if (sizes.empty()) sizes = {17, 18};
    for (const int n : sizes) {
        for (const bool fixed : {false, true}) {
            for (const int jobs : {1, 2})
                Measure(n, fixed, jobs);
        }
    }
}
