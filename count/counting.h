// Counting the solutions of a problem on several threads: the search is cut into subproblems that the workers
// of a oneTBB arena take one at a time, so that uneven subtrees keep every thread busy. Results are exact and
// the same for any number of threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "engine/problem.h"

namespace nq {

struct CountRequest {
    Problem Board;
    bool Unique = false;  // up to rotation and reflection; only without fixed queens
    int Jobs = 1;         // worker threads, >= 1
    const std::atomic<bool>* Stop =
        nullptr;  // when it turns true, the workers stop within a few milliseconds
};

// Written by the workers while a count runs, for a progress display on another thread.
struct CountProgress {
    std::atomic<std::size_t> Total{0};        // subproblems, known once the count has started
    std::atomic<std::size_t> Done{0};         // subproblems finished
    std::atomic<std::uint64_t> Solutions{0};  // solutions in the finished subproblems
};

struct CountResult {
    std::uint64_t Solutions = 0;  // all of them, or those found before the stop
    bool Stopped = false;
    double ShareDone = 1.0;  // 0..1: finished subproblems over all of them
};

CountResult CountSolutions(const CountRequest& request, CountProgress* progress = nullptr);

}  // namespace nq
