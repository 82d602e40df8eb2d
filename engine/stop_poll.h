// SPDX-License-Identifier: GPL-3.0-or-later
// How a counting kernel learns that its count should stop: a shared flag it reads every few thousand nodes.
#pragma once

#include <atomic>

namespace nq {

// Nodes between two reads of the stop flag: a few tens of microseconds of work.
inline constexpr unsigned kPollEvery = 4096;

// A worker's view of a shared stop request. Stopped turns true once the kernel has seen the flag set.
struct StopPoll {
    const std::atomic<bool>* Stop = nullptr;
    bool Stopped = false;

    // Counts one node against `budget`; every kPollEvery nodes reads the flag. True once stopped, at every
    // node after that too, so that a kernel unwinds at once instead of one level per kPollEvery nodes.
    bool Tick(unsigned& budget) {
        if (--budget != 0) return Stopped;
        budget = kPollEvery;
        if (Stop != nullptr && Stop->load(std::memory_order_relaxed)) Stopped = true;
        return Stopped;
    }
};

}  // namespace nq
