// SPDX-License-Identifier: GPL-3.0-or-later
// Counting in the window on every core: the fast-forward over counted subtrees and mirrored rows, and the
// members of Form1 that switch it on and call it from the run loop.
#include "window/fast_forward.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/problem.h"
#include "engine/search_tree.h"
#include "window/controls.h"
#include "window/form1.h"
#include "window/progress_estimate.h"

namespace nq {

std::int32_t FastForward::Prepare(const Board& board, std::uint64_t generation) {
    if (generation == generation_) return watch_;
    End();
    generation_ = generation;
    Problem problem;
    problem.N = board.BoardSize;
    if (problem.N < 1 || problem.N > kMaxN) return -1;
    bool atRoot = board.SolutionCount == 0;
    for (std::int32_t c = 1; c <= problem.N; ++c) {
        if (board.FixedColumn[c] == 1) {
            problem.Fixed.push_back({c, board.QueenRow[c]});
        } else if (board.QueenRow[c] != 0) {
            atRoot = false;
        }
    }
    const SearchLayout layout = MakeLayout(problem);
    if (layout.Free < 2) return -1;  // one free column: nothing below it to count
    n_ = problem.N;
    depth_ = std::clamp(CountingDepth(problem), 1, layout.Free - 1);
    for (int i = 0; i < layout.Free; ++i)
        columns_[static_cast<std::size_t>(i)] = layout.Column[i];
    watch_ = layout.Column[depth_];
    mirror_ = problem.Fixed.empty();
    inSubtree_ = false;
    rowEntry_.fill(-1);
    rowCount_.fill(-1);
    lastRow_ = 0;
    continuous_ = atRoot;
    counts_.Begin(problem, depth_, mirror_, PrefixOf(board));
    active_ = true;
    return watch_;
}

void FastForward::End() {
    counts_.End();
    active_ = false;
    watch_ = -1;
    inSubtree_ = false;
}

SubtreePrefix FastForward::PrefixOf(const Board& board) const {
    SubtreePrefix prefix{};
    for (int i = 0; i < depth_; ++i) {
        const std::int32_t row = board.QueenRow[columns_[static_cast<std::size_t>(i)]];
        if (row == 0) break;
        prefix[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(row);
    }
    return prefix;
}

bool FastForward::AtEntry(Board& board) {
    if (!active_ || board.QueenRow[watch_] != 0) return false;
    const SubtreePrefix prefix = PrefixOf(board);
    const std::int32_t row = prefix[0];
    if (mirror_) {
        // The first entry of a row, seen right after an entry of an earlier row: no solution of this row
        // has been counted yet, and the row before has had all of its solutions counted.
        if (row != lastRow_ && continuous_ && row > lastRow_) {
            if (lastRow_ > 0 && rowEntry_[lastRow_] >= 0)
                rowCount_[lastRow_] = board.SolutionCount - rowEntry_[lastRow_];
            rowEntry_[row] = board.SolutionCount;
        }
        lastRow_ = row;
        continuous_ = true;
        if (2 * row > n_ + 1) {
            const std::int64_t image = rowCount_[n_ + 1 - row];
            if (image >= 0 && rowEntry_[row] >= 0 && board.SolutionCount - rowEntry_[row] <= image) {
                board.SolutionCount = rowEntry_[row] + image;
                board.LeaveSubtree(columns_[0]);
                inSubtree_ = false;
                return true;
            }
            // Its mirror image went uncounted: the workers count this row too.
            counts_.LetThroughMirroredRow(row);
        }
    }
    continuous_ = true;
    if (const std::optional<std::uint64_t> count = counts_.Reach(prefix)) {
        board.SolutionCount += static_cast<std::int64_t>(*count);
        board.LeaveSubtree(columns_[static_cast<std::size_t>(depth_ - 1)]);
        inSubtree_ = false;
        return true;
    }
    inSubtree_ = true;
    current_ = prefix;
    enteredAt_ = board.SolutionCount;
    return false;
}

bool FastForward::Inside(Board& board) {
    if (!active_ || !inSubtree_ || board.SearchFinished == 1) return false;
    // A placement completed in the last pass waits for the next one to be counted.
    if (board.SearchColumn == board.BoardSize + 1) return false;
    if (PrefixOf(board) != current_) {
        inSubtree_ = false;
        return false;
    }
    bool counting = false;
    const std::optional<std::uint64_t> count = counts_.Finished(current_, counting);
    if (!count) {
        // A worker will have this count long before the steps get through the subtree: the steps go on,
        // but give way to the workers where they wait for a core.
        if (counting) std::this_thread::yield();
        return false;
    }
    const std::int64_t total = enteredAt_ + static_cast<std::int64_t>(*count);
    if (total < board.SolutionCount) return false;  // not this subtree's count after all: step on
    board.SolutionCount = total;
    board.LeaveSubtree(columns_[static_cast<std::size_t>(depth_ - 1)]);
    inSubtree_ = false;
    return true;
}

double FastForward::Share(const Board& board) const {
    if (!active_) return -1.0;
    const double position = ProgressEstimate::ShareOf(board);
    const double ahead = counts_.FinishedShareAfter(PrefixOf(board));
    // The first column's rows are alike in the estimate: each is 1/n of the search.
    const double mirrored = mirror_ ? static_cast<double>(n_ - (n_ + 1) / 2) / n_ : 0.0;
    return std::min(1.0, (position + ahead) / (1.0 - mirrored));
}

// ---- Form1's side.

void Form1::CountOnCores(int workers) {
    if (workers <= 0) {
        fast_.reset();
    } else {
        fast_ = std::make_unique<FastForward>(workers);
    }
}

double Form1::CountedShare() const {
    return fast_ != nullptr ? fast_->Share(*this) : -1.0;
}

void Form1::NewGeneration() {
    ++boardGeneration_;
    if (fast_ != nullptr) fast_->End();
}

std::int32_t Form1::WatchedColumn(bool stopAtSolution) {
    if (fast_ == nullptr) return -1;
    if (stopAtSolution) {
        fast_->EntriesMayHaveGoneUnseen();
        return -1;
    }
    return fast_->Prepare(*this, boardGeneration_);
}

bool Form1::FastForwardAtEntry() {
    return fast_->AtEntry(*this);
}

bool Form1::FastForwardAtPump() {
    if (fast_ == nullptr || StepCounter != 0 || WatchedColumn(Check1.Value == 1) < 0) return false;
    const std::int64_t shown = SolutionCount;
    if (!fast_->Inside(*this)) return false;
    ++StepCounter;
    if (SolutionCount != shown) Text3.Text = Decimal(SolutionCount);
    if (SearchFinished == 1) EndSearch();
    return true;
}

}  // namespace nq
