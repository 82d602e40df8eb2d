// SPDX-License-Identifier: GPL-3.0-or-later
// The quarter-board table: its size by h, and the walk over the placements on one set of rows that counts
// and then writes them.
#include "engine/quarter_table.h"

#include <array>
#include <bit>
#include <stdexcept>

namespace nq {
namespace {

// Placements for h = 0..13 (the empty one included), by the walk below; from h = 13 on they no longer fit
// 32-bit positions (each step multiplies them by about ten).
constexpr std::array<std::uint64_t, 14> kEntries = {
    1, 2, 5, 18, 87, 462, 2635, 16870, 118969, 915442, 7535369, 66807234, 633443407, 6354135838,
};

// Leaves between two looks at the stop flag: about a millisecond of walking.
constexpr unsigned kLeavesPerPoll = 1u << 16;

// Every placement with one queen on each row of `rows` (h x h square): visit(columns, up, down) with the
// columns and the square's up and down diagonals it uses. False when stopped before the end.
template <class Visit>
struct RowWalk {
    int H = 0;
    const std::atomic<bool>* Stop = nullptr;
    Visit& Leaf;
    unsigned Budget = kLeavesPerPoll;
    bool Stopped = false;

    void From(std::uint32_t rows, std::uint32_t columns, std::uint32_t up, std::uint32_t down) {
        if (rows == 0) {
            Leaf(columns, up, down);
            if (--Budget == 0) {
                Budget = kLeavesPerPoll;
                Stopped = Stop != nullptr && Stop->load(std::memory_order_relaxed);
            }
            return;
        }
        const int r = std::countr_zero(rows);
        for (std::uint32_t free = ~columns & ((1u << H) - 1); free != 0 && !Stopped; free &= free - 1) {
            const int c = std::countr_zero(free);
            const std::uint32_t u = 1u << (r + c), d = 1u << (r - c + H - 1);
            if ((up & u) != 0 || (down & d) != 0) continue;
            From(rows & (rows - 1), columns | 1u << c, up | u, down | d);
        }
    }
};

template <class Visit>
bool WalkRows(int h, std::uint32_t rows, const std::atomic<bool>* stop, Visit&& visit) {
    RowWalk<Visit> walk{h, stop, visit};
    walk.From(rows, 0, 0, 0);
    return !walk.Stopped;
}

}  // namespace

std::uint64_t QuarterTableEntries(int h) {
    if (h < 0 || h > 16) throw std::invalid_argument("quarter size out of range");
    return h < static_cast<int>(kEntries.size()) ? kEntries[static_cast<std::size_t>(h)] : ~std::uint64_t{0};
}

std::uint64_t QuarterTableBytes(int h) {
    const std::uint64_t entries = QuarterTableEntries(h);
    if (entries > kMaxQuarterEntries) return ~std::uint64_t{0};
    return entries * sizeof(std::uint64_t) + ((std::uint64_t{1} << (2 * h)) + 1) * sizeof(std::uint32_t);
}

QuarterTableMaker::QuarterTableMaker(int h) {
    if (h < 0 || QuarterTableEntries(h) > kMaxQuarterEntries)
        throw std::invalid_argument("quarter size out of range");
    table_.H = h;
    table_.Start.assign((std::size_t{1} << (2 * h)) + 1, 0);
}

bool QuarterTableMaker::Count(std::size_t task, const std::atomic<bool>* stop) {
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return false;
    // The groups of these rows: Start[rows << h .. (rows + 1) << h), this task's alone.
    std::uint32_t* count = table_.Start.data() + (task << table_.H);
    std::fill(count, count + (std::size_t{1} << table_.H), 0u);
    return WalkRows(table_.H, static_cast<std::uint32_t>(task), stop,
                    [count](std::uint32_t columns, std::uint32_t, std::uint32_t) { ++count[columns]; });
}

void QuarterTableMaker::Allocate() {
    // Counts into first positions: Start[g] the sum of the groups before g.
    std::uint64_t sum = 0;
    for (std::uint32_t& start : table_.Start) {
        const std::uint64_t size = start;
        start = static_cast<std::uint32_t>(sum);
        sum += size;
    }
    table_.Entries.reset(new std::uint64_t[sum]);
}

bool QuarterTableMaker::Fill(std::size_t task, const std::atomic<bool>* stop) {
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) return false;
    const std::size_t groups = std::size_t{1} << table_.H;
    const std::uint32_t* start = table_.Start.data() + (task << table_.H);
    std::vector<std::uint32_t> next(start, start + groups);
    std::uint64_t* entries = table_.Entries.get();
    return WalkRows(table_.H, static_cast<std::uint32_t>(task), stop,
                    [&next, entries](std::uint32_t columns, std::uint32_t up, std::uint32_t down) {
                        entries[next[columns]++] = up | std::uint64_t{down} << 32;
                    });
}

}  // namespace nq
