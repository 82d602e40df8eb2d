// The subtrees ahead of a search: their generation in the search's order, the window of them, and the workers
// that count them with the engine's kernels.
#include "count/subtree_counts.h"

#include <tbb/global_control.h>
#include <tbb/info.h>
#include <tbb/task_arena.h>
#include <tbb/task_group.h>

#include <algorithm>
#include <bit>

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

int HardwareThreads() {
    return std::max(1, tbb::info::default_concurrency());
}

// ---- Walker: the placements of the first free columns, as the search meets them.

void SubtreeCounts::Walker::Reset(const SearchLayout* layout, int depth) {
    layout_ = layout;
    depth_ = depth;
    rows_ = {};
    untried_ = {};
    held_[0] = up_[0] = down_[0] = 0;
    share_[0] = 1.0;
    exhausted_ = false;
}

std::uint64_t SubtreeCounts::Walker::Open(int level) const {
    return layout_->Board & ~(held_[level] | up_[level] | down_[level] | layout_->Blocked[level]);
}

void SubtreeCounts::Walker::Place(int level, std::uint64_t candidates) {
    const std::uint64_t bit = candidates & (~candidates + 1);
    untried_[level] = candidates ^ bit;
    rows_[level] = static_cast<std::uint8_t>(1 + std::countr_zero(bit));
    const int gap = layout_->Gap[level];
    held_[level + 1] = held_[level] | bit;
    up_[level + 1] = (up_[level] | bit) << gap;
    down_[level + 1] = (down_[level] | bit) >> gap;
    share_[level + 1] = share_[level] / open_[level];
}

bool SubtreeCounts::Walker::Descend(int from) {
    for (int level = from; level < depth_; ++level) {
        const std::uint64_t open = Open(level);
        open_[level] = std::popcount(open);
        if (open == 0) {
            failed_ = level;
            return false;
        }
        Place(level, open);
    }
    return true;
}

bool SubtreeCounts::Walker::NextFrom(int level) {
    for (int i = level;;) {
        while (i >= 0 && untried_[i] == 0)
            --i;
        if (i < 0) {
            exhausted_ = true;
            return false;
        }
        Place(i, untried_[i]);
        if (Descend(i + 1)) return true;
        i = failed_ - 1;
    }
}

bool SubtreeCounts::Walker::Seek(const SubtreePrefix& bound) {
    exhausted_ = false;
    for (int level = 0; level < depth_; ++level) {
        const std::uint64_t open = Open(level);
        open_[level] = std::popcount(open);
        const int b = bound[level];
        const std::uint64_t atOrAbove = b == 0 ? open : open & ~((std::uint64_t{1} << (b - 1)) - 1);
        if (b >= 1 && (open & (std::uint64_t{1} << (b - 1))) != 0) {
            Place(level, atOrAbove);  // the bound's own row; the rows below it lie before the bound
            continue;
        }
        if (atOrAbove != 0) {
            Place(level, atOrAbove);
            return Descend(level + 1) || NextFrom(failed_ - 1);
        }
        untried_[level] = 0;
        return NextFrom(level - 1);
    }
    return true;
}

void SubtreeCounts::Walker::Fill(Slot& slot) const {
    slot.Rows = rows_;
    slot.Held = held_[depth_];
    slot.Up = up_[depth_];
    slot.Down = down_[depth_];
    slot.Share = share_[depth_];
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
        walker_.Reset(&layout_, depth_);
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
        walker_.Fill(*slot);
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

// Without fixed queens, the plain kernel below the placed columns; with them, the fixed-queen kernel on the
// problem whose fixed queens are the user's and the placed ones. Reads what Begin wrote before any task
// existed.
std::uint64_t SubtreeCounts::CountSlot(const Slot& slot, StopPoll& poll) const {
    if (layout_.Plain) {
        Subproblem s;
        for (int i = 0; i < depth_; ++i)
            s.Rows[layout_.Column[i]] = slot.Rows[i];
        s.Held = slot.Held;
        s.Up = slot.Up;
        s.Down = slot.Down;
        s.Depth = depth_;
        return CountBelow(layout_, s, poll);
    }
    Problem sub = problem_;
    for (int i = 0; i < depth_; ++i)
        sub.Fixed.push_back({layout_.Column[i], slot.Rows[i]});
    std::sort(sub.Fixed.begin(), sub.Fixed.end(),
              [](const Queen& a, const Queen& b) { return a.Column < b.Column; });
    const SearchLayout layout = MakeLayout(sub);
    return CountBelow(layout, MakeSubproblems(layout, 0, false).front(), poll);
}

}  // namespace nq
