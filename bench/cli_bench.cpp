// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the console count (by constellations) for n = 16 and n = 17 with 1, 2 and all hardware threads,
// against a plain single-thread bitmask recursion without symmetry timed in the same run. Prints per board
//   bitmask_reference n=N seconds=T cpu_seconds=C
//   cli_count n=N jobs=J seconds=T ratio_to_bitmask=R          (R below 1: faster; the best of a few runs)
//             with jobs=1 also cpu_seconds=C cpu_ratio_to_bitmask=Q  (processor time, steadier on a busy
//             machine)
//   cli_nodes n=N nodes_per_solution=X ns_per_node=Y kernel=K   (the kernel's queens placed, one thread,
//                                                                 by processor time; K the instruction set
//                                                                 it is built for)
// and for n = 17 a board with a fixed queen (column 3, row 5):
//   cli_count n=17 fixed=3:5 jobs=1 seconds=T ratio_to_bitmask=R kernel=K
//   cli_count n=N jobs=J method=M seconds=T ratio_to_constellations=R peak_mb=P
//             the console count by each method (constellations, quadrants) for N = 17, 18 (or the boards
//             given), one and two threads; R divides by the constellations at the same N and J in this run,
//             P is the peak resident memory of that count alone; with jobs=1 also the processor time and
//             its ratio, the steadier figures on a busy machine
// With --big (minutes to an hour; not part of the default run), only the quadrants:
//   cli_count n=N jobs=J method=quadrants seconds=T peak_mb=P kernel=K   whole counts: n = 19 on one and two
//             threads, n = 20 on two (K the instruction set of the disjoint-pair count)
//   cli_parts n=19 parts=64 jobs=2 seconds=T sum_ok=1     the 64 parts of n = 19 add up to the whole count
//   cli_part n=N part=K/M jobs=2 seconds=T whole_estimate_s=E peak_mb=P   two parts of n = 21 (of 32) and
//             n = 22 (of 256): T counts the part once its plan is made (plan_s, printed beside, is made once
//             for the whole count), E = plan_s + M times the mean part: an estimate of the whole count
// Exits 1 when a count is wrong. Arguments: the boards to run (default 16 17 for the lines above the method
// lines, 17 18 for those).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "count/counting.h"
#include "engine/completions.h"
#include "engine/constellations.h"
#include "engine/instruction_set.h"
#include "support/known_counts.h"

namespace {

// The reference: one recursion level per column, the lowest free row first.
std::uint64_t Bitmask(std::uint32_t all, std::uint32_t rows, std::uint32_t up, std::uint32_t down) {
    if (rows == all) return 1;
    std::uint64_t count = 0;
    std::uint32_t open = all & ~(rows | up | down);
    while (open != 0) {
        const std::uint32_t bit = open & (~open + 1);
        open ^= bit;
        count += Bitmask(all, rows | bit, (up | bit) << 1, (down | bit) >> 1);
    }
    return count;
}

// The same recursion on a board whose column `fixedColumn` (0-based) holds its queen on the row `fixedRow`
// (one bit), to check the fixed-queen line against.
std::uint64_t BitmaskFixed(std::uint32_t all, int column, int fixedColumn, std::uint32_t fixedRow,
                           std::uint32_t rows, std::uint32_t up, std::uint32_t down) {
    if (rows == all) return 1;
    std::uint64_t count = 0;
    std::uint32_t open = all & ~(rows | up | down);
    if (column == fixedColumn) open &= fixedRow;
    while (open != 0) {
        const std::uint32_t bit = open & (~open + 1);
        open ^= bit;
        count += BitmaskFixed(all, column + 1, fixedColumn, fixedRow, rows | bit, (up | bit) << 1,
                              (down | bit) >> 1);
    }
    return count;
}

// The best wall time and the best processor time (std::clock: all threads of the process) of a few runs;
// on a machine shared with other work the processor time of a single-thread run is the steadier figure.
struct Times {
    double Wall = 1e30;
    double Cpu = 1e30;
};

template <class Run>
Times BestTimes(int repetitions, std::uint64_t expected, Run&& run, bool& ok) {
    Times best;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpuStart = std::clock();
        ok = run() == expected && ok;
        const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        best.Wall = std::min(best.Wall,
                             std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        best.Cpu = std::min(best.Cpu, cpu);
    }
    return best;
}

// The peak resident memory since the last reset (Linux: VmHWM, reset through clear_refs), in MB; 0 when
// unknown.
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
double PeakMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

// The published count of the n-board the method lines run (0 past the table).
std::uint64_t PublishedCount(int n) {
    for (const nq::testing::KnownCount& k : nq::testing::kKnownCounts) {
        if (k.N == n) return k.All;
    }
    return 0;
}

// The method lines of one board: each method on one and two threads, the constellations first.
void MethodLines(int n, const std::vector<int>& jobCounts, bool constellations, bool& ok) {
    const std::uint64_t solutions = PublishedCount(n);
    const int repetitions = n <= 17 ? 2 : 1;
    std::vector<double> reference, referenceCpu;  // the constellations' wall and processor times, by jobs
    for (const nq::CountMethod method : {nq::CountMethod::Constellations, nq::CountMethod::Quadrants}) {
        if (method == nq::CountMethod::Constellations && !constellations) continue;
        const char* name = method == nq::CountMethod::Quadrants ? "quadrants" : "constellations";
        for (std::size_t j = 0; j < jobCounts.size(); ++j) {
            const int jobs = jobCounts[j];
            ResetPeakMemory();
            const Times t = BestTimes(
                repetitions, solutions,
                [&] {
                    return nq::CountSolutions(
                               {.Board = {.N = n, .Fixed = {}}, .Jobs = jobs, .Options = {.Method = method}})
                        .Solutions;
                },
                ok);
            if (method == nq::CountMethod::Constellations) {
                reference.push_back(t.Wall);
                referenceCpu.push_back(t.Cpu);
            }
            std::printf("cli_count n=%d jobs=%d method=%s seconds=%.3f", n, jobs, name, t.Wall);
            if (j < reference.size()) std::printf(" ratio_to_constellations=%.3f", t.Wall / reference[j]);
            std::printf(" peak_mb=%.0f", PeakMegabytes());
            if (jobs == 1) std::printf(" cpu_seconds=%.3f", t.Cpu);
            if (jobs == 1 && j < referenceCpu.size())
                std::printf(" cpu_ratio_to_constellations=%.3f", t.Cpu / referenceCpu[j]);
            if (method == nq::CountMethod::Quadrants)
                std::printf(" kernel=%s", nq::InstructionSetName(nq::ActiveInstructionSet()));
            std::printf("\n");
            std::fflush(stdout);
        }
    }
}

// The parts of n = 19 cut into 64, one plan each as the machines of a cluster would make them: their sum.
void PartsOfNineteen(bool& ok) {
    constexpr int kParts = 64;
    const auto start = std::chrono::steady_clock::now();
    nq::WideCount sum = 0;
    for (int k = 1; k <= kParts; ++k) {
        sum += nq::CountSolutions(
                   {.Board = {.N = 19, .Fixed = {}},
                    .Jobs = 2,
                    .Options = {.Method = nq::CountMethod::Quadrants, .Part = k, .Parts = kParts}})
                   .Solutions;
    }
    const bool right = sum == PublishedCount(19);
    ok = right && ok;
    std::printf("cli_parts n=19 parts=%d jobs=2 seconds=%.1f sum_ok=%d\n", kParts,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                right ? 1 : 0);
    std::fflush(stdout);
}

// Parts of a count too long to run whole here: the plan made once, then each part counted on two threads.
void PartLines(int n, int parts, const std::vector<int>& which) {
    using Clock = std::chrono::steady_clock;
    ResetPeakMemory();
    Clock::time_point start = Clock::now();
    const nq::PlanOptions options{.Method = nq::CountMethod::Quadrants, .Part = 1, .Parts = 1};
    nq::CountPlanMaker maker({.N = n, .Fixed = {}}, false, options, 2);
    maker.Make(nullptr);
    const std::unique_ptr<nq::CountPlan> whole = maker.Take();
    const double plan = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> times;
    for (const int k : which) {
        // The part's tasks are every parts-th unit of the whole plan, as --part K/M takes them: the others
        // are entered as done.
        nq::TaskLedger ledger(whole->Size());
        for (std::size_t i = 0; i < whole->Size(); ++i) {
            if ((i + static_cast<std::size_t>(parts) - static_cast<std::size_t>(k) + 1) %
                    static_cast<std::size_t>(parts) !=
                0)
                ledger.Finish(i, 0, 0, false);
        }
        start = Clock::now();
        nq::CountTasks(*whole, ledger, {.Jobs = 2});
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        double mean = 0;
        for (const double t : times)
            mean += t;
        mean /= static_cast<double>(times.size());
        std::printf(
            "cli_part n=%d part=%d/%d jobs=2 seconds=%.1f plan_s=%.1f whole_estimate_s=%.0f peak_mb=%.0f "
            "kernel=%s\n",
            n, k, parts, times.back(), plan, plan + parts * mean, PeakMegabytes(),
            nq::InstructionSetName(nq::ActiveInstructionSet()));
        std::fflush(stdout);
    }
}

// The fixed-queen line: the console count of a board with a queen on column 3, row 5.
void FixedQueenLine(int n, double bitmaskWall, bool& ok) {
    const nq::Problem board{.N = n, .Fixed = {{3, 5}}};
    const std::uint64_t expected = BitmaskFixed((1u << n) - 1, 0, 2, 1u << 4, 0, 0, 0);
    const Times t = BestTimes(
        2, expected, [&] { return nq::CountSolutions({.Board = board, .Jobs = 1}).Solutions; }, ok);
    std::printf("cli_count n=%d fixed=3:5 jobs=1 seconds=%.4f ratio_to_bitmask=%.3f kernel=%s\n", n, t.Wall,
                t.Wall / bitmaskWall, nq::InstructionSetName(nq::ActiveInstructionSet()));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> boards;
    bool big = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--big") == 0) {
            big = true;
        } else {
            boards.push_back(std::atoi(argv[i]));
        }
    }
    bool ok = true;
    if (big) {
        MethodLines(19, {1, 2}, false, ok);
        MethodLines(20, {2}, false, ok);
        PartsOfNineteen(ok);
        PartLines(21, 32, {1, 2});
        PartLines(22, 256, {1, 200});
        if (!ok) std::fputs("cli_count: wrong count\n", stderr);
        return ok ? 0 : 1;
    }
    const std::vector<int> methodBoards = boards.empty() ? std::vector<int>{17, 18} : boards;
    if (boards.empty()) boards = {16, 17};
    const int hardware = nq::HardwareThreads();
    for (const int n : boards) {
        if (n < 8 || n > 20) continue;
        const std::uint64_t solutions = Bitmask((1u << n) - 1, 0, 0, 0);
        const int repetitions = n <= 16 ? 3 : 2;
        const Times reference = BestTimes(
            1, solutions, [n] { return Bitmask((1u << n) - 1, 0, 0, 0); }, ok);
        std::printf("bitmask_reference n=%d seconds=%.4f cpu_seconds=%.4f\n", n, reference.Wall,
                    reference.Cpu);
        double oneThread = 0;
        std::vector<int> jobCounts = {1, 2};
        if (hardware > 2) jobCounts.push_back(hardware);
        for (const int jobs : jobCounts) {
            const Times t = BestTimes(
                repetitions, solutions,
                [&] {
                    return nq::CountSolutions({.Board = {.N = n, .Fixed = {}},
                                               .Jobs = jobs,
                                               .Options = {.Method = nq::CountMethod::Constellations}})
                        .Solutions;
                },
                ok);
            if (jobs == 1) oneThread = t.Cpu;
            std::printf("cli_count n=%d jobs=%d seconds=%.4f ratio_to_bitmask=%.3f", n, jobs, t.Wall,
                        t.Wall / reference.Wall);
            if (jobs == 1)
                std::printf(" cpu_seconds=%.4f cpu_ratio_to_bitmask=%.3f", t.Cpu, t.Cpu / reference.Cpu);
            std::printf("\n");
            std::fflush(stdout);
        }
        const nq::WorkUnits plan = nq::MakeWorkUnits(n, {}, false);
        std::uint64_t nodes = 0, counted = 0;
        nq::StopPoll none;
        for (std::size_t i = 0; i < plan.Size(); ++i)
            counted += plan.Share(
                i, nq::CountCompletionsNodes(nq::MakeLayout({.N = n, .Fixed = plan.PlacedQueens(i)}), nodes),
                none);
        ok = counted == solutions && ok;
        std::printf("cli_nodes n=%d nodes_per_solution=%.2f ns_per_node=%.2f kernel=%s\n", n,
                    static_cast<double>(nodes) / static_cast<double>(solutions),
                    1e9 * oneThread / static_cast<double>(nodes),
                    nq::InstructionSetName(nq::ActiveInstructionSet()));
        std::fflush(stdout);
        if (n == 17) FixedQueenLine(n, reference.Wall, ok);
    }
    for (const int n : methodBoards) {
        if (n >= 12 && n <= 20) MethodLines(n, {1, 2}, true, ok);
    }
    if (!ok) std::fputs("cli_count: wrong count\n", stderr);
    return ok ? 0 : 1;
}
