// SPDX-License-Identifier: GPL-3.0-or-later
// The console commands' runners: each takes a checked problem and its options, writes its results to `out`
// and its messages to `err`, and returns the program's exit status.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "count/count_plan.h"
#include "count/work_estimate.h"
#include "engine/number_text.h"
#include "engine/problem.h"

namespace nq::console {

// The number of solutions; on a terminal, a progress line from the second second on. Ctrl+C, SIGTERM and
// SIGHUP stop the count (saved, with a savePath): a line on what was done, status 130, 143 or 129. jobs >= 1.
// With a savePath, the count keeps its finished work in that file and goes on from it (see
// CountWithSaveFile): a file it refuses gets one line and status 2; a failed save one line and status 1,
// after the number on `out` when the count is complete.
// options: the method and the part, as ChooseMethod accepts them.
int RunCount(const Problem& p, bool unique, int jobs, const std::string& savePath, const PlanOptions& options,
             std::FILE* out, std::FILE* err);
// The first `limit` solutions (limit >= 0), one per line, in the window's order.
int RunList(const Problem& p, std::int64_t limit, std::FILE* out, std::FILE* err);
// The first solution; status 1 when there is none.
int RunFirst(const Problem& p, std::FILE* out, std::FILE* err);
// The subproblems that place the next `depth` free columns (depth >= 0), one list of queens per line.
int RunSplit(const Problem& p, std::int64_t depth, std::FILE* out, std::FILE* err);

// The progress line's text: share done, time elapsed and left, this run's solutions per second (classes per
// second in a unique count), with their numbers written as `numbers` says; a figure not known yet reads as a
// dash. elapsed > 0: seconds since this run started. To fit a terminal line of `width` columns (as CutToWidth
// counts them) it drops the rate, the time elapsed, the label and the share, in that order; the time left,
// cut to the width, is the last to go.
std::string ProgressText(const CountFigures& figures, double elapsed, int width, const NumberFormat& numbers,
                         TaskCounts counts = TaskCounts::Solutions);
// The text cut to fit a terminal line of `width` columns (one column is left free), counting UTF-8
// characters as one column each.
std::string CutToWidth(const std::string& text, int width);

}  // namespace nq::console
