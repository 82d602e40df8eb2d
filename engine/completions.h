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

#if defined(NQ_COUNT_NODES)
// Only in the benchmarks' build of the kernel (the nq_kernel_nodes library, which defines NQ_COUNT_NODES for
// its users): as CountCompletions without a stop flag, adding to `nodes` the queens it places, a measure of
// search work.
std::uint64_t CountCompletionsNodes(const SearchLayout& layout, std::uint64_t& nodes);
#endif

}  // namespace nq
