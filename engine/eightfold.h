// Counting the whole board (no fixed queens) by its eight symmetries: only the solutions that are the
// smallest of their images are searched for, each found one standing for 2, 4 or 8 solutions by the
// symmetries it has. The first row's queen is either in the corner (no solution there has a symmetry) or
// strictly inside the first half, and rows near the border are pruned by the image that would be smaller
// (after T. Takaken's method). The search is cut into tasks for the workers.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/search_tree.h"

namespace nq {

// One first-row placement with its pruning bounds. Row y holds a set of columns (bit k is column k + 1).
struct EightfoldStart {
    bool Corner = false;  // the first queen on the corner; the second row's queen in column Bound1 + 1
    int Bound1 = 0;       // corner: second row's queen; inside: first row's queen (as a bit index)
    int Bound2 = 0;       // inside: n - 1 - Bound1
    std::uint32_t SideMask = 0, LastMask = 0, EndBit = 0;
};

// The search below a partial placement of rows 0..Row-1.
struct EightfoldTask {
    int Start = 0;  // index into the starts
    int Row = 0;
    std::uint32_t Left = 0, Down = 0, Right = 0;
    std::array<std::uint32_t, 32> Board{};  // rows 0..Row-1: the queen's column as a bit
};

// Solutions found as the smallest of their class, by the size of the class.
struct EightfoldCounts {
    std::uint64_t Class2 = 0, Class4 = 0, Class8 = 0;
    std::uint64_t Total() const { return 2 * Class2 + 4 * Class4 + 8 * Class8; }
    std::uint64_t Unique() const { return Class2 + Class4 + Class8; }
};

// n from kEightfoldMinN to 32 (smaller boards are counted by the plain search).
inline constexpr int kEightfoldMinN = 6;

struct EightfoldPlan {
    int N = 0;
    std::vector<EightfoldStart> Starts;
    std::vector<EightfoldTask> Tasks;  // at least `enough` where the board allows
};

EightfoldPlan MakeEightfoldPlan(int n, std::size_t enough);

// The counts below one task; when stopped, those met so far and poll.Stopped = true.
EightfoldCounts CountEightfoldTask(const EightfoldPlan& plan, const EightfoldTask& task, StopPoll& poll);

}  // namespace nq
