// SPDX-License-Identifier: GPL-3.0-or-later
// A bare driver of the search step: sets up a Board as an accepted test leaves it and calls SearchStep the
// way the run loop does (no window, no pumping), reporting every call to the caller; and a run of the step in
// lockstep with the oracle's tree of partial placements. Used by tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/board.h"
#include "engine/problem.h"
#include "support/board_invariants.h"
#include "support/oracle.h"

namespace nq::testing {

// The board after an accepted test of n and the fixed queens (a consistent set, 1 <= n <= 32), with the
// cursor where a start puts it: on the first column that is not fixed, or on n + 1 when every column is
// fixed.
inline void SetUpBoard(Board& b, int n, const FixedSet& fixed) {
    nq::SetUpBoard(b, Problem{n, fixed});
}

// What the driver has just done to the board.
enum class DriverEvent {
    Step,          // called SearchStep
    CursorPutBack  // counted the solution on the board and put the cursor back on column n
};

inline Placement QueensOf(const Board& b) {
    return Placement(b.QueenRow.begin() + 1, b.QueenRow.begin() + 1 + b.BoardSize);
}

struct DriveResult {
    std::int64_t Steps = 0;      // calls of SearchStep
    std::int64_t Solutions = 0;  // full placements met
    bool Finished = false;  // SearchFinished = 1 was reached (else the step limit or the observer stopped it)
};

// Runs the search on a set-up board until SearchFinished = 1, maxSteps calls, or until observe returns false.
// observe(const Board&, DriverEvent) is called after every call of SearchStep and after every solution's
// cursor put-back; onSolution(const Board&) sees every full placement before the cursor is put back.
template <class OnSolution, class Observe>
DriveResult DriveSearch(Board& b, std::int64_t maxSteps, OnSolution&& onSolution, Observe&& observe) {
    DriveResult result;
    const std::int32_t n = b.BoardSize;
    while (result.Steps < maxSteps) {
        if (b.SearchColumn == n + 1) {
            ++result.Solutions;
            onSolution(static_cast<const Board&>(b));
            b.SearchColumn = n;
            if (!observe(static_cast<const Board&>(b), DriverEvent::CursorPutBack)) return result;
        }
        b.SearchStep();
        ++result.Steps;
        if (!observe(static_cast<const Board&>(b), DriverEvent::Step)) return result;
        if (b.SearchFinished == 1) {
            result.Finished = true;
            return result;
        }
    }
    return result;
}

// All solutions of a whole search, in the order met.
inline std::vector<Placement> EngineSolutions(int n, const FixedSet& fixed) {
    Board b;
    SetUpBoard(b, n, fixed);
    std::vector<Placement> out;
    DriveSearch(
        b, INT64_MAX, [&](const Board& board) { out.push_back(QueensOf(board)); },
        [](const Board&, DriverEvent) { return true; });
    return out;
}

struct LockstepResult {
    std::string Fault;                 // empty when every call matched the oracle and kept the invariants
    std::vector<Placement> Solutions;  // the full placements met, in order
    std::int64_t Steps = 0;            // calls of SearchStep
    bool Finished = false;             // the whole tree was walked and the next call ended the search
};

// Runs the search from a freshly set-up board beside the tree of partial placements: one call of SearchStep
// per node, each leaving exactly the node's queens (fixed ones included) and the cursor on the node's
// following free column; after the last node one more call must end the search. The invariants are checked
// after every call and every cursor put-back when invariantsEvery = 1 (after every invariantsEvery-th call
// otherwise). Stops after maxNodes nodes.
inline LockstepResult RunInLockstep(int n, const FixedSet& fixed, std::int64_t maxNodes = INT64_MAX,
                                    std::int64_t invariantsEvery = 1) {
    LockstepResult result;
    Board b;
    SetUpBoard(b, n, fixed);
    auto fail = [&](const std::string& what) {
        result.Fault = "after call " + std::to_string(result.Steps) + " (queens " +
                       PlacementText(QueensOf(b)) + ", cursor " + std::to_string(b.SearchColumn) +
                       "): " + what;
    };
    auto check = [&](InvariantOptions options) {
        if (invariantsEvery != 1 && result.Steps % invariantsEvery != 0) return true;
        const std::string fault = CheckBoardInvariants(b, fixed, options);
        if (!fault.empty()) fail(fault);
        return fault.empty();
    };
    if (!check({.AfterStep = false})) return result;
    // Counts the solution on the board, if any, and puts the cursor back as the run loop does.
    auto takeSolution = [&] {
        if (b.SearchColumn != n + 1) return true;
        result.Solutions.push_back(QueensOf(b));
        b.SearchColumn = n;
        return check({.CursorPutBackAfterSolution = true, .AfterStep = result.Steps > 0});
    };

    // The step's working rows: after a placement in column c, PreviousRow is the row c's queen stood on
    // before the call (0: empty) and CandidateRow the row it stands on now; the call that ends the search
    // leaves CandidateRow n + 1 and PreviousRow the row before the call of the leftmost free column (of
    // column n when all are fixed).
    auto checkRows = [&](const Placement& before, int column, int candidate) {
        if (b.PreviousRow == before[column - 1] && b.CandidateRow == candidate) return true;
        fail("PreviousRow " + std::to_string(b.PreviousRow) + " and CandidateRow " +
             std::to_string(b.CandidateRow) + ", expected " + std::to_string(before[column - 1]) + " and " +
             std::to_string(candidate));
        return false;
    };

    std::int64_t nodes = 0;
    const bool walked = PartialPlacementTree(n, fixed).Walk([&](const Placement& node, int next) {
        if (!takeSolution()) return false;
        const Placement before = QueensOf(b);
        b.SearchStep();
        ++result.Steps;
        if (b.SearchFinished != 0) {
            fail("the search ended before node " + PlacementText(node));
            return false;
        }
        if (b.BoardSize != n || b.BreakRequested != 0 || b.StopRun != 0 || b.SolutionCount != 0 ||
            b.StepCounter != 0) {
            fail("the step wrote a field it does not own");
            return false;
        }
        if (QueensOf(b) != node || b.SearchColumn != next) {
            fail("expected queens " + PlacementText(node) + " and cursor " + std::to_string(next));
            return false;
        }
        int placed = next - 1;
        while (b.FixedColumn[placed] == 1)
            --placed;
        if (!checkRows(before, placed, node[placed - 1])) return false;
        if (!check({})) return false;
        return ++nodes < maxNodes;
    });
    if (!walked) return result;
    if (!takeSolution()) return result;
    const Placement before = QueensOf(b);
    b.SearchStep();
    ++result.Steps;
    if (b.SearchFinished != 1) {
        fail("the tree is exhausted but the search goes on");
        return result;
    }
    int leftmostFree = 1;
    while (leftmostFree < n && b.FixedColumn[leftmostFree] == 1)
        ++leftmostFree;
    if (!checkRows(before, leftmostFree, n + 1)) return result;
    if (!check({.SearchEnded = true})) return result;
    result.Finished = true;
    return result;
}

}  // namespace nq::testing
