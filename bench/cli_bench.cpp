// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the console count for n = 16 and n = 17 with 1, 2 and all hardware threads, against a plain
// single-thread bitmask recursion without symmetry timed in the same run. Prints per board
//   bitmask_reference n=N seconds=T cpu_seconds=C
//   cli_count n=N jobs=J seconds=T ratio_to_bitmask=R          (R below 1: faster; the best of a few runs)
//             with jobs=1 also cpu_seconds=C cpu_ratio_to_bitmask=Q  (processor time, steadier on a busy
//             machine)
//   cli_nodes n=N nodes_per_solution=X ns_per_node=Y kernel=K   (the kernel's queens placed, one thread,
//                                                                 by processor time; K the instruction set
//                                                                 it is built for)
// and for n = 17 a board with a fixed queen (column 3, row 5), against the kernel it replaced:
//   cli_count n=17 fixed=3:5 jobs=1 seconds=T ratio_to_bitmask=R kernel=K
//   previous_kernel n=17 fixed=3:5 jobs=1 seconds=T speedup=S       (S: how many times faster today's is)
// Exits 1 when a count is wrong. Arguments: the boards to run (default 16 17).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "count/counting.h"
#include "engine/constellations.h"
#include "engine/instruction_set.h"
#include "previous_kernel.h"

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

// The fixed-queen lines: the console count against the previous kernel over the same plan.
void FixedQueenLines(int n, double bitmaskWall, bool& ok) {
    const nq::Problem board{.N = n, .Fixed = {{3, 5}}};
    std::uint64_t expected = 0;
    const Times previous = BestTimes(
        2, 0,
        [&] {
            const nq::WorkUnits plan = nq::MakeWorkUnits(n, board.Fixed, false);
            std::uint64_t sum = 0;
            for (std::size_t i = 0; i < plan.Size(); ++i)
                sum += previous_kernel::Completions(nq::MakeLayout({.N = n, .Fixed = plan.PlacedQueens(i)}));
            expected = sum;
            return std::uint64_t{0};
        },
        ok);
    const Times today = BestTimes(
        2, expected, [&] { return nq::CountSolutions({.Board = board, .Jobs = 1}).Solutions; }, ok);
    std::printf("cli_count n=%d fixed=3:5 jobs=1 seconds=%.4f ratio_to_bitmask=%.3f kernel=%s\n", n,
                today.Wall, today.Wall / bitmaskWall, nq::InstructionSetName(nq::ActiveInstructionSet()));
    std::printf("previous_kernel n=%d fixed=3:5 jobs=1 seconds=%.4f speedup=%.3f\n", n, previous.Wall,
                previous.Wall / today.Wall);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> boards;
    for (int i = 1; i < argc; ++i)
        boards.push_back(std::atoi(argv[i]));
    if (boards.empty()) boards = {16, 17};
    bool ok = true;
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
                [&] { return nq::CountSolutions({.Board = {.N = n, .Fixed = {}}, .Jobs = jobs}).Solutions; },
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
        for (std::size_t i = 0; i < plan.Size(); ++i)
            counted += nq::CountWorkUnitNodes(plan, i, nodes);
        ok = counted == solutions && ok;
        std::printf("cli_nodes n=%d nodes_per_solution=%.2f ns_per_node=%.2f kernel=%s\n", n,
                    static_cast<double>(nodes) / static_cast<double>(solutions),
                    1e9 * oneThread / static_cast<double>(nodes),
                    nq::InstructionSetName(nq::ActiveInstructionSet()));
        std::fflush(stdout);
        if (n == 17) FixedQueenLines(n, reference.Wall, ok);
    }
    if (!ok) std::fputs("cli_count: wrong count\n", stderr);
    return ok ? 0 : 1;
}
