// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the search step against the classic bitmask recursion (rows as bits, lowest free row first, no
// mirror trick), which walks the same tree in the same order: full enumerations for n = 12..14 and the first
// solution for n = 30 and 32. Prints one key=value line per case; times are the best of several runs. Exits 1
// when the two disagree on a count, a step count or the first solution.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

#include "engine/board.h"
#include "support/search_driver.h"

namespace {

using nq::testing::Placement;

constexpr int kRepetitions = 3;

struct EngineRun {
    std::int64_t Solutions = 0;
    std::int64_t Steps = 0;
    Placement First;
};

// Drives SearchStep as the run loop does, without pumping: to the end, or to the first solution.
EngineRun RunEngine(int n, bool firstOnly) {
    nq::Board b;
    nq::testing::SetUpBoard(b, n, {});
    std::int64_t solutions = 0, steps = 0;  // locals, so that the loop keeps them in registers
    EngineRun run;
    for (;;) {
        if (b.SearchColumn == n + 1) {
            ++solutions;
            if (firstOnly) {
                run.First = nq::testing::QueensOf(b);
                break;
            }
            b.SearchColumn = n;
        }
        b.SearchStep();
        ++steps;
        if (b.SearchFinished == 1) break;
    }
    run.Solutions = solutions;
    run.Steps = steps;
    return run;
}

// The reference: one recursion level per column; a level's free rows are the bits of all & ~(rows | up |
// down).
class Bitmask {
  public:
    explicit Bitmask(int n) : n_(n), all_((std::uint64_t{1} << n) - 1) {}

    std::int64_t Solutions = 0;
    std::int64_t Placements = 0;  // counted only when asked, outside the timed runs
    Placement First;

    template <bool kFirstOnly, bool kCountPlacements>
    bool Search(int column, std::uint64_t rows, std::uint64_t up, std::uint64_t down) {
        if (column == n_) {
            ++Solutions;
            return kFirstOnly;
        }
        std::uint64_t open = all_ & ~(rows | up | down);
        while (open != 0) {
            const std::uint64_t bit = open & (~open + 1);
            open ^= bit;
            if constexpr (kCountPlacements) ++Placements;
            if constexpr (kFirstOnly) row_[column] = 1 + std::countr_zero(bit);
            if (Search<kFirstOnly, kCountPlacements>(column + 1, rows | bit, ((up | bit) << 1) & all_,
                                                     (down | bit) >> 1)) {
                if constexpr (kFirstOnly) {
                    if (column == 0) First.assign(row_, row_ + n_);
                }
                return true;
            }
        }
        return false;
    }

  private:
    int n_;
    std::uint64_t all_;
    int row_[64] = {};
};

// Runs engine() and reference() alternately, at least kRepetitions times each and until each side has run for
// kMinSeconds in all; keeps each side's best time.
constexpr double kMinSeconds = 0.3;

double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

struct Timing {
    double Engine = 1e30;
    double Reference = 1e30;
};

template <class Engine, class Reference>
Timing BestOfAlternating(Engine&& engine, Reference&& reference) {
    Timing best;
    double engineTotal = 0, referenceTotal = 0;
    for (int rep = 0; rep < kRepetitions || engineTotal < kMinSeconds || referenceTotal < kMinSeconds;
         ++rep) {
        double start = CpuSeconds();
        engine();
        const double e = CpuSeconds() - start;
        start = CpuSeconds();
        reference();
        const double r = CpuSeconds() - start;
        best.Engine = std::min(best.Engine, e);
        best.Reference = std::min(best.Reference, r);
        engineTotal += e;
        referenceTotal += r;
    }
    return best;
}

bool Mismatch(const char* what, int n) {
    std::fprintf(stderr, "engine and bitmask disagree on %s for n=%d\n", what, n);
    return true;
}

}  // namespace

int main() {
    bool failed = false;

    for (int n : {12, 13, 14}) {
        Bitmask check(n);
        check.Search<false, true>(0, 0, 0, 0);
        EngineRun engine;
        std::int64_t reference = 0;
        const Timing t = BestOfAlternating([&] { engine = RunEngine(n, false); },
                                           [&] {
                                               Bitmask b(n);
                                               b.Search<false, false>(0, 0, 0, 0);
                                               reference = b.Solutions;
                                           });
        if (engine.Solutions != reference || reference != check.Solutions) failed = Mismatch("the count", n);
        if (engine.Steps != check.Placements + 1) failed = Mismatch("the steps (placements + 1)", n);
        std::printf(
            "enumerate n=%d solutions=%lld steps=%lld engine_ns_per_step=%.2f ratio_engine_to_bitmask=%.3f\n",
            n, static_cast<long long>(engine.Solutions), static_cast<long long>(engine.Steps),
            t.Engine * 1e9 / static_cast<double>(engine.Steps), t.Engine / t.Reference);
        std::fflush(stdout);
    }

    for (int n : {30, 32}) {
        Bitmask check(n);
        check.Search<true, true>(0, 0, 0, 0);
        EngineRun engine;
        Placement reference;
        const Timing t = BestOfAlternating([&] { engine = RunEngine(n, true); },
                                           [&] {
                                               Bitmask b(n);
                                               b.Search<true, false>(0, 0, 0, 0);
                                               reference = b.First;
                                           });
        if (engine.First != reference || reference != check.First) failed = Mismatch("the first solution", n);
        if (engine.Steps != check.Placements) failed = Mismatch("the steps (placements)", n);
        std::printf("first n=%d steps=%lld engine_s=%.3f ratio_engine_to_bitmask=%.3f\n", n,
                    static_cast<long long>(engine.Steps), t.Engine, t.Engine / t.Reference);
        std::fflush(stdout);
    }
    return failed ? 1 : 0;
}
