// SPDX-License-Identifier: GPL-3.0-or-later
// How a count learns that it should stop: a shared flag that its kernels read between small pieces of their
// work (the completion kernel after each subtree of its last few free columns).
#pragma once

#include <atomic>

namespace nq {

// A worker's view of a shared stop request (Stop: nullptr for none). Stopped turns true once the kernel has
// seen the flag set; the count it returns is then meaningless.
struct StopPoll {
    const std::atomic<bool>* Stop = nullptr;
    bool Stopped = false;
};

}  // namespace nq
