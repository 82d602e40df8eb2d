// SPDX-License-Identifier: GPL-3.0-or-later
// The subtrees ahead of a search: their generation in the search's order, the window of them, and the workers
// that count them with the engine's kernels.
#include "count/subtree_counts.h"

#include <tbb/global_control.h>
#include <tbb/task_arena.h>
#include <tbb/task_group.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "engine/completions.h"

namespace nq {

int CountingDepth(const Problem& p) {
    constexpr std::size_t kEnoughSubtrees = 4096;
    constexpr int kMaxDepth = 6;
    const SearchLayout layout = MakeLayout(p);
    int depth = 0;
    while (depth < layout.Free && depth < kMaxDepth &&
           MakeSubproblems(layout, depth, p.Fixed.empty()).size() < kEnoughSubtrees)
        ++depth;
    return depth;
}

// ---- The window and its workers.

// One thread more than the workers may run in the arena: the search's thread, which enters it only to wait
// for the workers at End(), on the slot reserved for it.
struct SubtreeCounts::Pool {
    explicit Pool(int workers)
        : control(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(workers) + 1),
          arena(workers + 1, 1) {}
    tbb::global_control control;
    tbb::task_arena arena;
    tbb::task_group group;
};

SubtreeCounts::SubtreeCounts(int workers) : pool_(std::make_unique<Pool>(std::max(1, workers))) {}

SubtreeCounts::~SubtreeCounts() {
    End();
}

void SubtreeCounts::End() {
    {
        const std::lock_guard lock(mutex_);
        active_ = false;
        for (const std::shared_ptr<Slot>& slot : ahead_) {
            slot->Cancel.store(true, std::memory_order_relaxed);
            slot->State = SlotState::Dropped;
        }
        ahead_.clear();
        nextClaim_ = 0;
    }
    pool_->arena.execute([this] { pool_->group.wait(); });
}

void SubtreeCounts::Begin(const Problem& problem, int depth, bool mirror, const SubtreePrefix& from) {
    End();
    std::size_t tasks = 0;
    {
        const std::lock_guard lock(mutex_);
        problem_ = problem;
        layout_ = MakeLayout(problem);
        depth_ = std::clamp(depth, 1, std::max(1, layout_.Free - 1));
        mirror_ = mirror && problem.Fixed.empty();
        countRow_ = 0;
        walker_.Reset(layout_, depth_);
        walker_.Seek(from);
        active_ = layout_.Free >= 2;
        tasks = RefillLocked();
    }
    Enqueue(tasks);
}

void SubtreeCounts::DropFrontLocked() {
    const std::shared_ptr<Slot>& slot = ahead_.front();
    if (slot->State == SlotState::Counting) slot->Cancel.store(true, std::memory_order_relaxed);
    slot->State = SlotState::Dropped;
    ahead_.pop_front();
    if (nextClaim_ > 0) --nextClaim_;
}

std::size_t SubtreeCounts::RefillLocked() {
    std::size_t added = 0;
    while (active_ && ahead_.size() < kWindow && !walker_.Exhausted()) {
        const int row = walker_.Rows()[0];
        if (mirror_ && 2 * row > problem_.N + 1 && row != countRow_) break;  // its mirror image may do
        auto slot = std::make_shared<Slot>();
        slot->Rows = walker_.Rows();
        slot->Share = walker_.Share();
        ahead_.push_back(std::move(slot));
        ++added;
        walker_.Advance();
    }
    return added;
}

void SubtreeCounts::Enqueue(std::size_t tasks) {
    for (std::size_t i = 0; i < tasks; ++i)
        pool_->arena.enqueue(pool_->group.defer([this] { Work(); }));
}

std::optional<std::uint64_t> SubtreeCounts::Reach(const SubtreePrefix& prefix) {
    std::optional<std::uint64_t> count;
    std::size_t tasks = 0;
    {
        const std::lock_guard lock(mutex_);
        if (!active_) return std::nullopt;
        while (!ahead_.empty() && ahead_.front()->Rows < prefix)
            DropFrontLocked();
        if (ahead_.empty() && !walker_.Exhausted() && walker_.Rows() < prefix) walker_.Seek(prefix);
        if (!ahead_.empty() && ahead_.front()->Rows == prefix && ahead_.front()->State == SlotState::Done)
            count = ahead_.front()->Count;
        tasks = RefillLocked();
    }
    Enqueue(tasks);
    return count;
}

std::optional<std::uint64_t> SubtreeCounts::Finished(const SubtreePrefix& prefix, bool& counting) {
    std::optional<std::uint64_t> count;
    std::size_t tasks = 0;
    counting = false;
    {
        const std::lock_guard lock(mutex_);
        if (!active_) return std::nullopt;
        for (const std::shared_ptr<Slot>& slot : ahead_) {
            if (slot->Rows > prefix) break;
            if (slot->Rows != prefix) continue;
            if (slot->State == SlotState::Done) count = slot->Count;
            counting = slot->State == SlotState::Counting;
        }
        tasks = RefillLocked();
    }
    Enqueue(tasks);
    return count;
}

void SubtreeCounts::LetThroughMirroredRow(int row) {
    std::size_t tasks = 0;
    {
        const std::lock_guard lock(mutex_);
        countRow_ = row;
        tasks = RefillLocked();
    }
    Enqueue(tasks);
}

double SubtreeCounts::FinishedShareAfter(const SubtreePrefix& prefix) const {
    const std::lock_guard lock(mutex_);
    double share = 0.0;
    for (const std::shared_ptr<Slot>& slot : ahead_) {
        if (slot->State == SlotState::Done && slot->Rows > prefix) share += slot->Share;
    }
    return share;
}

void SubtreeCounts::Work() {
    std::shared_ptr<Slot> slot;
    {
        const std::lock_guard lock(mutex_);
        if (!active_ || nextClaim_ >= ahead_.size()) return;
        slot = ahead_[nextClaim_++];
        slot->State = SlotState::Counting;
    }
    StopPoll poll{&slot->Cancel};
    const std::uint64_t count = CountSlot(*slot, poll);
    const std::lock_guard lock(mutex_);
    if (!poll.Stopped && slot->State == SlotState::Counting) {
        slot->Count = count;
        slot->State = SlotState::Done;
    }
}

// The completion kernel on the problem whose fixed queens are the user's and the placed ones. Reads what
// Begin wrote before any task existed.
std::uint64_t SubtreeCounts::CountSlot(const Slot& slot, StopPoll& poll) const {
    Problem sub = problem_;
    for (int i = 0; i < depth_; ++i)
        sub.Fixed.push_back({layout_.Column[i], slot.Rows[i]});
    return CountCompletions(MakeLayout(sub), poll);
}

}  // namespace nq
