// SPDX-License-Identifier: GPL-3.0-or-later
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

#include "count/counting.h"
#include "engine/prefix_walker.h"
#include "engine/problem.h"
#include "engine/search_tree.h"
#include "engine/stop_poll.h"

namespace nq {

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
        double Share = 0.0;
        std::atomic<bool> Cancel{false};
        std::uint64_t Count = 0;
        SlotState State = SlotState::Pending;
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
    PrefixWalker walker_;
    std::deque<std::shared_ptr<Slot>> ahead_;  // in the search's order, from the one it is in or will reach
    std::size_t nextClaim_ = 0;                // ahead_[0..nextClaim_) are claimed by a worker or done
};

}  // namespace nq
