// SPDX-License-Identifier: GPL-3.0-or-later
// A count's save file: a small text file that holds the problem, the method's version, the finished tasks
// with their counts and the total so far, closed by a CRC-32 line; its writer and its strict reader. How it
// reaches the disk and is guarded is durable_file.h's.
//
//   nqueens saved count 1
//   # run the same count command to go on; each task line: index, solutions, work in microseconds
//   problem n=18 fixed= unique=no
//   method constellations 1
//   tasks 8349
//   finished 2
//   solutions 5744
//   task 17 3120 51234
//   task 90 2624 40210
//   checksum 1c291ca3
//
// The note says what the task lines count (TaskCounts): in a unique count by constellations classes, summed
// on a `classes` line; in a unique count by quadrants every solution, the classes coming only at the end from
// them and from the solutions a quarter turn and a half turn keep, on a `kept` line after the sum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "count/count_plan.h"
#include "engine/problem.h"

namespace nq {

struct SavedTask {
    std::size_t Index = 0;
    std::uint64_t Solutions = 0, Work = 0;
    friend bool operator==(const SavedTask&, const SavedTask&) = default;
};

struct SavedCount {
    std::string Problem;                        // as ProblemLine gives it
    std::string Method;                         // the plan's version
    TaskCounts Counts = TaskCounts::Solutions;  // what the task lines count, as the file's note says
    std::optional<RotationKept> Kept;           // given exactly when Counts is SolutionsOfClasses
    std::size_t Tasks = 0;                      // the plan's number of tasks
    std::vector<SavedTask> Done;                // ascending, distinct indices below Tasks
    friend bool operator==(const SavedCount&, const SavedCount&) = default;
};

// The problem as the file names it: "n=18 fixed=3:5,6:1 unique=no".
std::string ProblemLine(const Problem& p, bool unique);

std::string SaveText(const SavedCount& saved);
// Reads a save file's text. Returns "" and fills `saved`, or says why the text is not a sound save file.
// Any bytes at all are safe input.
std::string ReadSaveText(std::string_view text, SavedCount& saved);

}  // namespace nq
