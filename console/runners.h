// The console commands' runners: each takes a checked problem and its options, writes its results to `out`
// and its messages to `err`, and returns the program's exit status.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/problem.h"

namespace nq::console {

// The number of solutions; on a terminal, a progress line from the second second on. Ctrl+C stops the count:
// a line on what was done, status 130. jobs >= 1.
int RunCount(const Problem& p, bool unique, int jobs, std::FILE* out, std::FILE* err);
// The first `limit` solutions (limit >= 0), one per line, in the window's order.
int RunList(const Problem& p, std::int64_t limit, std::FILE* out, std::FILE* err);
// The first solution; status 1 when there is none.
int RunFirst(const Problem& p, std::FILE* out, std::FILE* err);
// The subproblems that place the next `depth` free columns (depth >= 0), one list of queens per line.
int RunSplit(const Problem& p, std::int64_t depth, std::FILE* out, std::FILE* err);

}  // namespace nq::console
