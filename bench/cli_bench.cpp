// Speed of the console count for n = 16 (14772512 solutions) with 1, 2 and all hardware threads, against a
// plain single-thread bitmask recursion without symmetry timed in the same run. Prints one line per thread
// count, `cli_count n=16 jobs=J seconds=T ratio_to_bitmask=R` (R below 1: faster), the best of a few runs.
// Exits 1 when a count is wrong.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "count/counting.h"

namespace {

constexpr int kN = 16;
constexpr std::uint64_t kSolutions = 14772512;
constexpr int kRepetitions = 3;

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

template <class Run>
double BestSeconds(Run&& run, bool& ok) {
    double best = 1e30;
    for (int i = 0; i < kRepetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ok = ok && run() == kSolutions;
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main() {
    bool ok = true;
    const double reference = BestSeconds([] { return Bitmask((1u << kN) - 1, 0, 0, 0); }, ok);
    std::printf("bitmask_reference n=%d seconds=%.4f\n", kN, reference);
    const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int jobs : {1, 2, hardware}) {
        const double seconds = BestSeconds(
            [&] { return nq::CountSolutions({.Board = {.N = kN, .Fixed = {}}, .Jobs = jobs}).Solutions; },
            ok);
        std::printf("cli_count n=%d jobs=%d seconds=%.4f ratio_to_bitmask=%.3f\n", kN, jobs, seconds,
                    seconds / reference);
    }
    if (!ok) std::fputs("cli_count: wrong count\n", stderr);
    return ok ? 0 : 1;
}
