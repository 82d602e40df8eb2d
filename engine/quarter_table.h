// SPDX-License-Identifier: GPL-3.0-or-later
// The quarter-board table of the quadrant counter: every placement of queens on some of the rows of an h x h
// square (h = n / 2), one queen on each row it uses, no two on a column or a diagonal, grouped by the rows
// and the columns it uses. An entry holds the square's own diagonals of its queens: up (row + column) in the
// low 32 bits, down (row - column + h - 1) in the high 32 bits; rows and columns 0..h-1, as bits.
//
// The table is made in tasks of one set of rows each, which any threads may run in any order, each at most
// once at a time: every Count task, then Allocate, then every Fill task. A task may be given up half done
// (a stop) and run again from the start later; so a stopped table resumes where it was.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <utility>
#include <vector>

namespace nq {

// The table's positions are 32-bit: it holds at most this many entries.
inline constexpr std::uint64_t kMaxQuarterEntries = 0xffffffffu;

// Entries of the table for h (0..16), the empty placement included; for h >= 13 (n >= 26) a number above
// kMaxQuarterEntries: no table that big can be made.
std::uint64_t QuarterTableEntries(int h);

// Bytes of the table for h: its entries and its index.
std::uint64_t QuarterTableBytes(int h);

// An allocator that leaves new elements unwritten: the Fill tasks write every entry of the table, and
// zeroing its half gigabyte (n = 23) first would take the one thread that allocates a second or two, in
// which a stop is not looked at.
template <class T>
struct UnwrittenAllocator : std::allocator<T> {
    using value_type = T;
    template <class U>
    struct rebind {
        using other = UnwrittenAllocator<U>;
    };
    UnwrittenAllocator() = default;
    template <class U>
    UnwrittenAllocator(const UnwrittenAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

struct QuarterTable {
    int H = 0;
    std::vector<std::uint32_t> Start;  // by group (rows << h | columns): its first entry; one more at the end
    std::vector<std::uint64_t, UnwrittenAllocator<std::uint64_t>> Entries;

    std::span<const std::uint64_t> Group(std::uint32_t rows, std::uint32_t columns) const {
        const std::size_t g = (static_cast<std::size_t>(rows) << H) | columns;
        return {Entries.data() + Start[g], Entries.data() + Start[g + 1]};
    }
    std::uint32_t GroupSize(std::uint32_t rows, std::uint32_t columns) const {
        const std::size_t g = (static_cast<std::size_t>(rows) << H) | columns;
        return Start[g + 1] - Start[g];
    }
};

class QuarterTableMaker {
  public:
    // h 0..12 (throws std::invalid_argument otherwise); allocates the index (std::bad_alloc when it cannot).
    explicit QuarterTableMaker(int h);

    // One task per set of rows.
    std::size_t Tasks() const { return std::size_t{1} << table_.H; }
    // Counts the placements on the rows of `task` by their columns. False when `stop` turned true first.
    bool Count(std::size_t task, const std::atomic<bool>* stop);
    // After every Count task: places the groups and allocates the entries (std::bad_alloc when it cannot).
    void Allocate();
    // Writes the placements on the rows of `task`. False when `stop` turned true first.
    bool Fill(std::size_t task, const std::atomic<bool>* stop);
    // After every Fill task.
    QuarterTable Take() { return std::move(table_); }

  private:
    QuarterTable table_;
};

}  // namespace nq
