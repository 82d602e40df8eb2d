// SPDX-License-Identifier: GPL-3.0-or-later
// The quadrant plan: its phases (the table, the row sets' expected work, the key layout from a sample), its
// units, and the count of a row set.
#include "engine/quadrant_plan.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <stdexcept>

#include "engine/row_sets.h"

namespace nq {
namespace {

// Units enough for an even load and a fine progress display; smaller plans take one unit per row set.
constexpr std::size_t kTargetUnits = 4000;
// Row sets weighed per task of that phase.
constexpr std::size_t kRowSetsPerTask = 4096;
// Row sets whose keys are sampled for the layout.
constexpr std::size_t kSampledRowSets = 32;
// Pairs the disjoint-pair count tests in the time a half's placement is made, roughly: what a row set's
// expected work weighs its join by.
constexpr double kPairsPerPlacement = 1024;
// Even n: the weight of the west lists of the main diagonals (list u + 2 d: (1 + u) (1 + d)).
constexpr std::array<std::uint64_t, 4> kMainDiagonalWeight = {1, 2, 2, 4};

std::uint32_t AllRows(int n) {
    return n == 32 ? ~0u : (1u << n) - 1;
}

std::uint32_t OutsideMiddle(int n) {
    return n % 2 == 1 ? AllRows(n) & ~(1u << (n / 2)) : AllRows(n);
}

double Binomial(int a, int b) {
    double c = 1;
    for (int i = 1; i <= b; ++i)
        c = c * (a - b + i) / i;
    return c;
}

// The diagonals of the middle queens of odd n: the centre (b < 0), or the middle column's queen on row a and
// the middle row's on column b.
struct MiddleDiagonals {
    std::uint64_t Up = 0, Down = 0;
};
MiddleDiagonals MiddleOf(int n, int a, int b) {
    const int h = n / 2;
    if (b < 0) return {std::uint64_t{1} << (2 * h), std::uint64_t{1} << (2 * h)};
    return {std::uint64_t{1} << (a + h) | std::uint64_t{1} << (h + b),
            std::uint64_t{1} << (a + h) | std::uint64_t{1} << (3 * h - b)};
}

}  // namespace

std::uint64_t QuadrantMemory::With(int threads) const {
    if (Plan == ~std::uint64_t{0} || PerThread == ~std::uint64_t{0}) return ~std::uint64_t{0};
    return Plan + PerThread * static_cast<std::uint64_t>(std::max(threads, 1));
}

QuadrantMemory QuadrantBytes(int n) {
    if (n < 1 || n > 32) throw std::invalid_argument("board size out of range");
    const int h = n / 2;
    QuadrantMemory m;
    const std::uint64_t table = QuarterTableBytes(h);
    if (table == ~std::uint64_t{0}) return {~std::uint64_t{0}, ~std::uint64_t{0}};
    // Row sets: each a mask and, while the plan is made, its expected work.
    const double sets = n % 2 == 0 ? Binomial(n, h) / 2 + 1 : Binomial(n - 1, h);
    m.Plan = table + static_cast<std::uint64_t>(sets * (sizeof(std::uint32_t) + sizeof(double))) +
             kTargetUnits * 16;
    // Each thread: the keys of its halves, their prepared rows (up to 56 bytes a key) and the quarters'
    // groups, all as large as the largest half. Measured over units of n = 14..21 (at most 0.5, 2.7, 14.5 MB
    // for n = 17, 19, 21), about 100 entries^0.75 bytes for the table's entries; at n = 23 the heaviest parts
    // reach about twice that (a peak of 878 MB on two threads): three times it.
    const double entries = static_cast<double>(QuarterTableEntries(h));
    m.PerThread = static_cast<std::uint64_t>(300.0 * std::pow(entries, 0.75)) + (std::uint64_t{1} << 20);
    return m;
}

std::uint64_t QuadrantPlan::Bytes() const {
    return table_.Start.capacity() * sizeof(std::uint32_t) + table_.Size() * sizeof(std::uint64_t) +
           rowSets_.capacity() * sizeof(std::uint32_t) + units_.capacity() * sizeof(Unit);
}

std::uint64_t QuadrantPlan::Scratch::Bytes() const {
    std::uint64_t bytes = East.Bytes() + West.Bytes() + Sorted.Bytes();
    for (const PreparedKeys& p : Prepared)
        bytes += p.Bytes();
    return bytes;
}

std::uint64_t QuadrantPlan::CountRowSet(std::uint32_t east, Scratch& s, StopPoll& poll) const {
    const int n = n_, h = n / 2;
    const std::uint32_t half = (1u << h) - 1, rows = OutsideMiddle(n);
    const int width = layout_.Width;
    if (n % 2 == 0) {
        const int weight = MirrorWeight(n, east);
        halves_->Make(
            {.Of = Side::East, .Rows = east, .Columns = half, .MainDiagonals = true, .Stop = poll.Stop},
            s.East);
        const std::span<const std::uint64_t> eastKeys(s.East.Keys[0].data(), s.East.Size[0]);
        if (eastKeys.empty()) return 0;
        halves_->Make({.Of = Side::West,
                       .Rows = rows & ~east,
                       .Columns = half,
                       .MainDiagonals = true,
                       .Stop = poll.Stop},
                      s.West);
        const int cut = CutBitsFor(eastKeys.size(), width);
        if (!s.Prepared[0].Prepare(eastKeys, width, cut, poll.Stop)) {
            poll.Stopped = true;
            return 0;
        }
        std::uint64_t count = 0;
        for (std::size_t list = 0; list < 4; ++list) {
            if (s.West.Size[list] == 0) continue;
            s.Sorted.Sort({s.West.Keys[list].data(), s.West.Size[list]}, width, cut);
            count += kMainDiagonalWeight[list] * CountDisjointPairs(s.Prepared[0], s.Sorted, poll);
        }
        return static_cast<std::uint64_t>(weight) * count;
    }
    // Odd n: the east half on E before any middle queen, prepared once, then the west half streamed for each
    // choice of middle queens.
    halves_->Make({.Of = Side::East, .Rows = east, .Columns = half, .Stop = poll.Stop}, s.East);
    if (s.East.Size[0] == 0) return 0;
    const int cut = CutBitsFor(s.East.Size[0], width);
    if (!s.Prepared[0].Prepare({s.East.Keys[0].data(), s.East.Size[0]}, width, cut, poll.Stop)) {
        poll.Stopped = true;
        return 0;
    }
    std::uint64_t count = 0;
    auto west = [&](int a, int b, std::uint64_t weight) {
        const MiddleDiagonals m = MiddleOf(n, a, b);
        HalfRequest r{.Of = Side::West,
                      .Rows = rows & ~east,
                      .Columns = half,
                      .BlockedUp = m.Up,
                      .BlockedDown = m.Down,
                      .Extra = layout_.Key(m.Up, m.Down),
                      .Stop = poll.Stop};
        if (b >= 0) {
            r.Rows &= ~(1u << a);
            r.Columns &= ~(1u << b);
        }
        halves_->Make(r, s.West);
        s.Sorted.Sort({s.West.Keys[0].data(), s.West.Size[0]}, width, cut);
        count += weight * CountDisjointPairs(s.Prepared[0], s.Sorted, poll);
    };
    if (const int centre = CentreWeight(n, east); centre != 0)
        west(h, -1, static_cast<std::uint64_t>(centre));
    for (std::uint32_t free = MiddleQueenRows(n, east); free != 0 && !poll.Stopped; free &= free - 1) {
        const int a = std::countr_zero(free);
        for (int b = a + 1; b < h; ++b)
            west(a, b, 8);
    }
    return count;
}

std::uint64_t QuadrantPlan::CountUnit(std::size_t i, Scratch& s, StopPoll& poll) const {
    const Unit& unit = units_[i];
    std::uint64_t count = 0;
    // A row set's halves end early once the flag holds, leaving a count short: the flag is looked at after
    // each row set, so that no short count is taken for a whole one.
    for (std::uint32_t k = unit.First; k < unit.First + unit.Count && !poll.Stopped; ++k) {
        count += CountRowSet(rowSets_[k], s, poll);
        if (poll.Stop != nullptr && poll.Stop->load(std::memory_order_relaxed)) poll.Stopped = true;
    }
    return poll.Stopped ? 0 : count;
}

// Per sampled row set: how often each diagonal (up 0..2n-2, then down) appears in the east and in the west
// keys.
struct QuadrantPlanMaker::Samples {
    std::vector<std::array<std::vector<double>, 2>> Uses;  // by task: east, west
    KeyLayout Layout;                                      // every crossing diagonal, in order
    std::unique_ptr<HalfMaker> Halves;
};

QuadrantPlanMaker::QuadrantPlanMaker(int n) : n_(n) {
    if (n < 1 || n > 32 || QuarterTableEntries(n / 2) > kMaxQuarterEntries)
        throw std::invalid_argument("no quadrant plan for this board size");
    table_ = std::make_unique<QuarterTableMaker>(n / 2);
    plan_ = std::make_shared<QuadrantPlan>();
    plan_->n_ = n;
}

QuadrantPlanMaker::~QuadrantPlanMaker() = default;

double QuadrantPlanMaker::PhaseShare(int phase) {
    // Measured at n = 23 on one thread: 1.3 s to count the table, 2.0 s to fill it, 0.15 s to weigh the row
    // sets, 0.5 s to sample the keys.
    constexpr std::array<double, kPhases> share = {0.33, 0.51, 0.04, 0.12};
    return share[static_cast<std::size_t>(phase)];
}

std::size_t QuadrantPlanMaker::Begin(int phase) {
    if (phase != phase_ + 1 || phase >= kPhases) throw std::logic_error("quadrant plan: phases out of order");
    phase_ = phase;
    switch (phase) {
        case 0: return table_->Tasks();
        case 1: table_->Allocate(); return table_->Tasks();
        case 2: {
            plan_->table_ = table_->Take();
            table_.reset();
            plan_->rowSets_ = MakeRowSets(n_);
            weight_.assign(plan_->rowSets_.size(), 0.0);
            return (plan_->rowSets_.size() + kRowSetsPerTask - 1) / kRowSetsPerTask;
        }
        default: {
            samples_ = std::make_unique<Samples>();
            const std::size_t diagonals = static_cast<std::size_t>(2 * n_ - 1);
            samples_->Layout = RankedLayout(n_, std::vector<double>(2 * diagonals, 0.0), 0, 0);
            samples_->Halves = std::make_unique<HalfMaker>(plan_->table_, n_, samples_->Layout);
            const std::size_t tasks = std::min(kSampledRowSets, plan_->rowSets_.size());
            samples_->Uses.assign(
                tasks, {std::vector<double>(2 * diagonals, 0.0), std::vector<double>(2 * diagonals, 0.0)});
            return tasks;
        }
    }
}

bool QuadrantPlanMaker::Run(std::size_t task, const std::atomic<bool>* stop) {
    const int n = n_, h = n / 2;
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return false;
    switch (phase_) {
        case 0: return table_->Count(task, stop);
        case 1: return table_->Fill(task, stop);
        case 2: {
            // The placements of a half, by the placements of its quarters on their rows: a pair of them has
            // complementary columns about once in C(h, k) pairs.
            const QuarterTable& t = plan_->table_;
            const std::uint32_t quarter = (1u << h) - 1;
            auto half = [&](std::uint32_t rows) {
                const std::uint32_t north = rows & quarter, south = (rows >> (n - h)) & quarter;
                // A quarter's placements on its rows: its groups (rows << h | columns) side by side.
                auto placements = [&](std::uint32_t r) -> double {
                    const std::size_t first = static_cast<std::size_t>(r) << h;
                    return t.Start[first + quarter + 1] - t.Start[first];
                };
                return placements(north) * placements(south) / Binomial(h, std::popcount(north));
            };
            const std::size_t first = task * kRowSetsPerTask;
            const std::size_t last = std::min(first + kRowSetsPerTask, plan_->rowSets_.size());
            const std::uint32_t rows = OutsideMiddle(n);
            for (std::size_t i = first; i < last; ++i) {
                const std::uint32_t e = plan_->rowSets_[i];
                const double east = half(e), west = half(rows & ~e);
                double joins = 1;
                if (n % 2 == 1) {
                    joins = (CentreWeight(n, e) != 0 ? 1 : 0);
                    for (std::uint32_t free = MiddleQueenRows(n, e); free != 0; free &= free - 1)
                        joins += h - 1 - std::countr_zero(free);
                }
                weight_[i] = 1 + east + joins * (west + east * west / kPairsPerPlacement);
            }
            return true;
        }
        default: {
            // Row set `task` of kSampledRowSets spread over all; its west half as the first middle queens.
            const std::vector<std::uint32_t>& sets = plan_->rowSets_;
            const std::uint32_t e = sets[task * sets.size() / samples_->Uses.size()];
            const std::uint32_t half = (1u << h) - 1, rest = OutsideMiddle(n) & ~e;
            HalfMaker::Scratch s;
            HalfRequest east{
                .Of = Side::East, .Rows = e, .Columns = half, .MainDiagonals = n % 2 == 0, .Stop = stop};
            HalfRequest west{
                .Of = Side::West, .Rows = rest, .Columns = half, .MainDiagonals = n % 2 == 0, .Stop = stop};
            if (n % 2 == 1 && MiddleQueenRows(n, e) != 0) {
                const int a = std::countr_zero(MiddleQueenRows(n, e));
                west.Rows &= ~(1u << a);
                west.Columns &= ~(1u << (a + 1));
            }
            const KeyLayout& layout = samples_->Layout;
            const std::size_t diagonals = static_cast<std::size_t>(2 * n - 1);
            std::array<std::int16_t, 64> diagonalOf{};
            diagonalOf.fill(-1);
            for (std::size_t d = 0; d < diagonals; ++d) {
                if (layout.UpBit[d] >= 0)
                    diagonalOf[static_cast<std::size_t>(layout.UpBit[d])] = static_cast<std::int16_t>(d);
                if (layout.DownBit[d] >= 0)
                    diagonalOf[static_cast<std::size_t>(layout.DownBit[d])] =
                        static_cast<std::int16_t>(diagonals + d);
            }
            for (int side = 0; side < 2; ++side) {
                samples_->Halves->Make(side == 0 ? east : west, s);
                // Keys cut short by a stop are no sample: the task runs again from the start.
                if (stop != nullptr && stop->load(std::memory_order_relaxed)) return false;
                std::vector<double>& uses = samples_->Uses[task][static_cast<std::size_t>(side)];
                std::fill(uses.begin(), uses.end(), 0.0);
                double keys = 0;
                for (std::size_t list = 0; list < 4; ++list) {
                    for (std::size_t i = 0; i < s.Size[list]; ++i) {
                        for (std::uint64_t k = s.Keys[list][i]; k != 0; k &= k - 1)
                            uses[static_cast<std::size_t>(
                                diagonalOf[static_cast<std::size_t>(std::countr_zero(k))])] += 1;
                    }
                    keys += static_cast<double>(s.Size[list]);
                }
                // Each row set counts alike, whatever its size: a share of keys.
                if (keys > 0) {
                    for (double& u : uses)
                        u /= keys;
                }
            }
            return true;
        }
    }
}

std::shared_ptr<const QuadrantPlan> QuadrantPlanMaker::Finish() {
    if (phase_ != kPhases - 1) throw std::logic_error("quadrant plan: not every phase ran");
    QuadrantPlan& plan = *plan_;
    const int n = n_;
    // The key layout: diagonals ranked by how often both halves use them.
    const std::size_t scores = 2 * static_cast<std::size_t>(2 * n - 1);
    std::vector<double> east(scores, 0.0), west(scores, 0.0), score(scores, 0.0);
    for (const auto& uses : samples_->Uses) {
        for (std::size_t d = 0; d < scores; ++d) {
            east[d] += uses[0][d];
            west[d] += uses[1][d];
        }
    }
    for (std::size_t d = 0; d < scores; ++d)
        score[d] = east[d] * west[d];
    // Even n: the main diagonals are the halves' lists, not key bits.
    const std::uint64_t main = n % 2 == 0 ? std::uint64_t{1} << (n - 1) : 0;
    plan.layout_ = RankedLayout(n, score, main, main);
    samples_.reset();
    plan.halves_ = std::make_unique<HalfMaker>(plan.table_, n, plan.layout_);
    // Units: runs of row sets of about equal expected work.
    double total = 0;
    for (const double w : weight_)
        total += w;
    const double target = total / kTargetUnits;
    for (std::size_t i = 0; i < weight_.size(); ++i) {
        if (plan.units_.empty() || plan.units_.back().Expected >= target)
            plan.units_.push_back({static_cast<std::uint32_t>(i), 0, 0});
        ++plan.units_.back().Count;
        plan.units_.back().Expected += weight_[i];
    }
    weight_ = {};
    return std::move(plan_);
}

}  // namespace nq
