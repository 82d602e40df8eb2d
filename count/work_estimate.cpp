// SPDX-License-Identifier: GPL-3.0-or-later
// The stratified estimate: per block of indices, the mean work of its finished tasks.
#include "count/work_estimate.h"

#include <algorithm>

namespace nq {
namespace {

// Blocks of neighbouring tasks, and how many finished tasks a block needs before its own figure counts.
constexpr std::size_t kBlocks = 64;
constexpr std::size_t kBlockSamples = 4;

}  // namespace

WorkEstimate::WorkEstimate(std::size_t tasks)
    : blockOf_(tasks, 0), blocks_(std::clamp<std::size_t>(tasks, 1, kBlocks)) {
    for (std::size_t i = 0; i < tasks; ++i)
        blockOf_[i] = i * blocks_ / tasks;
}

void WorkEstimate::Update(const TaskLedger& ledger) {
    struct Block {
        double Work = 0;
        std::size_t Done = 0, Open = 0;
    };
    std::vector<Block> blocks(blocks_);
    Block all;
    for (std::size_t i = 0; i < blockOf_.size(); ++i) {
        Block& b = blocks[blockOf_[i]];
        if (ledger.IsFinished(i)) {
            const double work = static_cast<double>(ledger.WorkOf(i));
            b.Work += work;
            ++b.Done;
            all.Work += work;
            ++all.Done;
        } else {
            ++b.Open;
            ++all.Open;
        }
    }
    if (all.Open == 0) {  // every task finished
        known_ = true;
        share_ = 1.0;
        remaining_ = 0.0;
        return;
    }
    if (all.Done == 0) return;
    known_ = true;
    const double overall = all.Work / static_cast<double>(all.Done);
    double remaining = 0.0;
    for (const Block& b : blocks) {
        const double mean = b.Done >= kBlockSamples ? b.Work / static_cast<double>(b.Done) : overall;
        remaining += mean * static_cast<double>(b.Open);
    }
    remaining_ = remaining;
    const double total = all.Work + remaining;
    // Just short of 1 until the last task has finished.
    const double share = total > 0.0 ? std::min(all.Work / total, 0.999) : 0.0;
    share_ = std::max(share_, share);
}

double SecondsLeft(const WorkEstimate& estimate, const TaskLedger& ledger, double elapsed) {
    const double pace = elapsed > 0.0 ? static_cast<double>(ledger.RunWork()) / elapsed : 0.0;
    if (!estimate.Known() || ledger.RunFinished() == 0 || pace <= 0.0) return -1.0;
    return estimate.RemainingWork() / pace;
}

CountFigures ReadCountFigures(WorkEstimate& estimate, const TaskLedger& ledger, double elapsed) {
    estimate.Update(ledger);
    CountFigures figures;
    figures.Solutions = ledger.Solutions();
    figures.Known = estimate.Known();
    figures.Share = estimate.Share();
    if (ledger.RunFinished() > 0 && elapsed > 0.0)
        figures.Rate = static_cast<double>(ledger.RunSolutions()) / elapsed;
    figures.SecondsLeft = SecondsLeft(estimate, ledger, elapsed);
    return figures;
}

}  // namespace nq
