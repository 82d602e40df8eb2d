// SPDX-License-Identifier: GPL-3.0-or-later
// The stratified estimate: per block of indices, the work per unit of prior of its finished tasks.
#include "count/work_estimate.h"

#include <algorithm>

namespace nq {
namespace {

// Blocks of neighbouring tasks, and how many finished tasks a block needs before its own figure counts.
constexpr std::size_t kBlocks = 64;
constexpr std::size_t kBlockSamples = 4;

}  // namespace

WorkEstimate::WorkEstimate(std::size_t tasks, TaskSizePrior prior)
    : prior_(tasks, 1.0), blockOf_(tasks, 0), blocks_(std::clamp<std::size_t>(tasks, 1, kBlocks)) {
    for (std::size_t i = 0; i < tasks; ++i) {
        if (prior) prior_[i] = std::max(prior(i), 1e-12);
        blockOf_[i] = i * blocks_ / tasks;
    }
}

void WorkEstimate::Update(const TaskLedger& ledger) {
    struct Block {
        double Work = 0, DonePrior = 0, OpenPrior = 0;
        std::size_t Done = 0;
    };
    std::vector<Block> blocks(blocks_);
    Block all;
    for (std::size_t i = 0; i < prior_.size(); ++i) {
        Block& b = blocks[blockOf_[i]];
        if (ledger.IsFinished(i)) {
            const double work = static_cast<double>(ledger.WorkOf(i));
            b.Work += work;
            b.DonePrior += prior_[i];
            ++b.Done;
            all.Work += work;
            all.DonePrior += prior_[i];
            ++all.Done;
        } else {
            b.OpenPrior += prior_[i];
            all.OpenPrior += prior_[i];
        }
    }
    if (all.OpenPrior == 0.0) {  // every task finished
        known_ = true;
        share_ = 1.0;
        remaining_ = 0.0;
        return;
    }
    if (all.Done == 0) return;
    known_ = true;
    const double overall = all.Work / all.DonePrior;
    double remaining = 0.0;
    for (const Block& b : blocks) {
        const double rate = b.Done >= kBlockSamples ? b.Work / b.DonePrior : overall;
        remaining += rate * b.OpenPrior;
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

}  // namespace nq
