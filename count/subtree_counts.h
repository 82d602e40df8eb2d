// Counts of the subtrees that lie ahead of a one-step search, made by worker threads while the search runs. A
// subtree is the part of the search below one placement of the first `depth` free columns; they are generated
// in the order the search reaches them, a bounded window of them at a time, and counted one per task with the
// engine's kernel on a oneTBB arena. The search's thread generates, looks up and drops subtrees; the workers
// only fill in counts.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/problem.h"
#include "engine/search_tree.h"

namespace nq {

// The rows (1..n) of the first free columns, by free-column index from 0; entries past the depth are 0.
// Compared lexicographically, which is the order the search reaches them in; a 0 lies below every row.
using SubtreePrefix = std::array<std::uint8_t, kMaxN>;

// The worker threads the machine offers for counting: all hardware threads, at least 1.
int HardwareThreads();

// The depth of the first free columns at which the subtrees are cut: enough of them (a few thousand) for an
// even load, at most 6 columns.
int CountingDepth(const Problem& p);

class SubtreeCounts {
  public:
    // The most subtrees generated ahead of the search at any time, counted or not.
    static constexpr std::size_t kWindow = 1024;

    // `workers` (>= 1) threads of their own: one where the machine has a single hardware thread, so that the
    // search's thread never waits for a count.
    explicit SubtreeCounts(int workers);
    ~SubtreeCounts();
    SubtreeCounts(const SubtreeCounts&) = delete;
    SubtreeCounts& operator=(const SubtreeCounts&) = delete;

    // Ends what was counted before, then generates the subtrees of `problem` at `depth` (1..free columns - 1)
    // from the first one not below `from`. With `mirror` (no fixed queens only), the rows r of the first
    // column with 2r > n + 1 (the lower half, whose mirror images lie in the upper half) are generated only
    // once LetThroughMirroredRow names them.
    void Begin(const Problem& problem, int depth, bool mirror, const SubtreePrefix& from);
    // Ends the workers' work and forgets every count: returns once no worker counts any more (microseconds
    // after the call: the kernels poll their stop flag every few thousand nodes).
    void End();

    // The search has reached the subtree `prefix` (a placement of the first `depth` free columns): the
    // subtrees before it are dropped, the generation moves up to it and the window ahead is refilled. Its
    // count, once a worker has finished it.
    std::optional<std::uint64_t> Reach(const SubtreePrefix& prefix);
    // The count of `prefix` when a worker has finished it; refills the window. Nothing is dropped. `counting`
    // tells whether a worker is counting it now.
    std::optional<std::uint64_t> Finished(const SubtreePrefix& prefix, bool& counting);
    // Lets the generation go on through the lower-half row `row` of the first column (mirror only).
    void LetThroughMirroredRow(int row);
    // The share of the whole search (as if every subtree of a column were alike) of the finished subtrees
    // that lie after `prefix`.
    double FinishedShareAfter(const SubtreePrefix& prefix) const;

  private:
    enum class SlotState : std::uint8_t { Pending, Counting, Done, Dropped };
    struct Slot {
        SubtreePrefix Rows{};
        std::uint64_t Held = 0, Up = 0,
                      Down = 0;  // the masks of the next free column, as Subproblem has them
        double Share = 0.0;
        std::atomic<bool> Cancel{false};
        std::uint64_t Count = 0;
        SlotState State = SlotState::Pending;
    };

    // The placements of the first `depth` free columns in the search's order, one at a time.
    class Walker {
      public:
        void Reset(const SearchLayout* layout, int depth);
        // Moves to the first placement not below `bound`; false when there is none.
        bool Seek(const SubtreePrefix& bound);
        // Moves to the next placement; false when there is none.
        bool Advance() { return NextFrom(depth_ - 1); }
        // Moves past every placement with the current first row.
        bool SkipFirstRow() { return NextFrom(0); }
        bool Exhausted() const { return exhausted_; }
        void Fill(Slot& slot) const;
        const SubtreePrefix& Rows() const { return rows_; }

      private:
        std::uint64_t Open(int level) const;
        void Place(int level, std::uint64_t candidates);
        bool Descend(int from);
        bool NextFrom(int level);

        const SearchLayout* layout_ = nullptr;
        int depth_ = 0;
        int failed_ = 0;  // the level a failed Descend found without a row
        bool exhausted_ = true;
        SubtreePrefix rows_{};
        // Per level: rows still to try, the count of its open rows, the masks it was entered with, its share.
        std::array<std::uint64_t, kMaxN + 1> untried_{}, held_{}, up_{}, down_{};
        std::array<int, kMaxN + 1> open_{};
        std::array<double, kMaxN + 1> share_{};
    };

    void DropFrontLocked();
    // Generates up to the window; returns how many new subtrees need a task.
    std::size_t RefillLocked();
    void Enqueue(std::size_t tasks);
    void Work();
    std::uint64_t CountSlot(const Slot& slot, StopPoll& poll) const;

    // The oneTBB objects, kept out of this header so that Qt code may include it (Qt's `emit` macro).
    struct Pool;
    std::unique_ptr<Pool> pool_;

    mutable std::mutex mutex_;  // guards everything below, the slots' Count and State included
    bool active_ = false;
    Problem problem_;
    SearchLayout layout_;
    int depth_ = 0;
    bool mirror_ = false;
    int countRow_ = 0;  // the lower-half row LetThroughMirroredRow let through
    Walker walker_;
    std::deque<std::shared_ptr<Slot>> ahead_;  // in the search's order, from the one it is in or will reach
    std::size_t nextClaim_ = 0;                // ahead_[0..nextClaim_) are claimed by a worker or done
};

}  // namespace nq
