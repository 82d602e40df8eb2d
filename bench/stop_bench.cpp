// SPDX-License-Identifier: GPL-3.0-or-later
// How soon a count stops once asked, in every phase of both methods: the time from the stop request to the
// return of the call that was working, the longest of several requests at spread moments. Prints
//   stop_latency method=quadrants phase=P n=N ms=T      P: table (the plan's quarter table being made),
//                                                       count (a count's row sets, each making its halves
//                                                       and joining them, phases that alternate every few
//                                                       milliseconds: the stops at ten spread moments land
//                                                       in both)
//   stop_latency method=constellations phase=P n=20 ms=T   P: plan, kernel
// Arguments: the quadrant board (default 23).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "count/count_plan.h"
#include "count/counting.h"
#include "engine/half_keys.h"
#include "engine/quadrant_plan.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs work(stop) on a thread of its own, asks it to stop after `after`, and returns the milliseconds from
// the request to its end (negative when it ended before the request).
template <class Work>
double Latency(std::chrono::milliseconds after, Work&& work) {
    std::atomic<bool> stop{false};
    std::atomic<bool> ended{false};
    Clock::time_point end;
    std::thread worker([&] {
        work(&stop);
        end = Clock::now();
        ended = true;
    });
    std::this_thread::sleep_for(after);
    const Clock::time_point asked = Clock::now();
    const bool before = ended.load();
    stop = true;
    worker.join();
    return before ? -1.0 : Milliseconds(end - asked);
}

void Line(const char* method, const char* phase, int n, double ms) {
    std::printf("stop_latency method=%s phase=%s n=%d ms=%.1f\n", method, phase, n, ms);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 23;
    const int jobs = 2;
    constexpr int kTries = 5;

    // The plan's table: stopped at spread moments of its first second.
    double table = 0;
    for (int i = 1; i <= kTries; ++i) {
        table =
            std::max(table, Latency(std::chrono::milliseconds(150 * i), [&](const std::atomic<bool>* stop) {
                         nq::CountPlanMaker maker({.N = n, .Fixed = {}}, false,
                                                  {.Method = nq::CountMethod::Quadrants}, jobs);
                         maker.Make(stop);
                     }));
    }
    Line("quadrants", "table", n, table);

    // A count, stopped at ten moments of its first seconds spread so that they fall in both phases.
    nq::CountPlanMaker maker({.N = n, .Fixed = {}}, false, {.Method = nq::CountMethod::Quadrants}, jobs);
    maker.Make(nullptr);
    const std::unique_ptr<nq::CountPlan> plan = maker.Take();
    double count = 0;
    for (int i = 1; i <= 2 * kTries; ++i) {
        count =
            std::max(count, Latency(std::chrono::milliseconds(170 * i), [&](const std::atomic<bool>* stop) {
                         nq::TaskLedger ledger(plan->Size());
                         nq::CountTasks(*plan, ledger, {.Jobs = jobs, .Stop = stop});
                     }));
    }
    Line("quadrants", "count", n, count);

    double kernel = 0, constellationPlan = 0;
    for (int i = 1; i <= kTries; ++i) {
        constellationPlan = std::max(
            constellationPlan, Latency(std::chrono::milliseconds(40 * i), [&](const std::atomic<bool>* stop) {
                nq::CountPlanMaker m({.N = 20, .Fixed = {}}, false,
                                     {.Method = nq::CountMethod::Constellations}, jobs);
                m.Make(stop);
            }));
        kernel =
            std::max(kernel, Latency(std::chrono::milliseconds(400 * i), [&](const std::atomic<bool>* stop) {
                         nq::CountSolutions({.Board = {.N = 20, .Fixed = {}},
                                             .Jobs = jobs,
                                             .Stop = stop,
                                             .Options = {.Method = nq::CountMethod::Constellations}});
                     }));
    }
    Line("constellations", "plan", 20, constellationPlan);
    Line("constellations", "kernel", 20, kernel);
    return 0;
}
