// SPDX-License-Identifier: GPL-3.0-or-later
// The completion kernel: counts the solutions that keep a problem's placed queens, by a bitmask search over
// its free columns. Every count by constellations (whole boards and fixed queens alike) ends here.
#pragma once

#include <cstdint>

#include "engine/search_tree.h"
#include "engine/stop_poll.h"

namespace nq {

// The solutions of the layout's problem: every placement of its free columns that keeps its placed queens
// (1 when no column is free). When poll.Stop turns true the search ends early with poll.Stopped set and a
// meaningless value.
std::uint64_t CountCompletions(const SearchLayout& layout, StopPoll& poll);

// As CountCompletions without a stop flag, adding to `nodes` the queens it places (a measure of search work;
// slower than CountCompletions, for benchmarks only).
std::uint64_t CountCompletionsNodes(const SearchLayout& layout, std::uint64_t& nodes);

}  // namespace nq
