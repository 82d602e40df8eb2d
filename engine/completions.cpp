// SPDX-License-Identifier: GPL-3.0-or-later
// The completion kernel: the layout turned once per problem into starting masks and the few special steps
// between free columns, then a bitmask search built for baseline x86-64 and for x86-64-v3. Compiled once
// more with NQ_COUNT_NODES for the benchmarks (nq_kernel_nodes), where it counts the queens it places and
// offers CountCompletionsNodes in place of CountCompletions.
#include "engine/completions.h"

#include <array>
#include <atomic>
#include <bit>

#include "engine/board.h"
#include "engine/instruction_set.h"

namespace nq {
namespace {

// Free columns at the bottom of a search that run without looking at the stop flag: their subtrees hold a
// few thousand nodes at most.
constexpr int kUnpolledLines = 10;

// The kernel's own form of a layout: a "line" is a free column and a "pos" a row (row r is bit r - 1, as
// everywhere). The placed queens are folded into the masks of the first free line (see
// completions_kernel.inc). A step from one free line to the next is plain when the next line is the next
// column and no placed queen's rising diagonal comes up onto the board there: the masks shift by one. The
// others, a few per problem, are special.
struct Steps {
    // The step from this line to the next and the one after it: the distance (1..31) and the rows that
    // rising diagonals of placed queens enter at the line reached; (1, 0) for a plain step or none.
    std::uint32_t Shift0 = 1, Enter0 = 0, Shift1 = 1, Enter1 = 0;
    std::uint32_t Special = 0;  // bit 0: the first step is special; bit 1: the second
};

struct KernelPlan {
    std::array<Steps, kMaxN + 1> Lines{};  // by free line
    int Free = 0;
    std::uint32_t Ld = 0;  // the masks at the first free line
    std::uint64_t Rd = 0;
    std::uint32_t Col = 0;
};

KernelPlan Prepare(const SearchLayout& layout) {
    KernelPlan p;
    const int n = layout.N;
    p.Free = layout.Free;
    p.Col = n >= 32 ? 0u : ~0u << n;
    if (p.Free == 0) return p;
    std::array<std::uint32_t, kMaxN + 1> enter{};
    const int first = layout.Column[0] - 1;
    for (int line = 0; line < n; ++line) {
        if (layout.FixedRow[line + 1] == 0) continue;
        const int pos = layout.FixedRow[line + 1] - 1;
        p.Col |= 1u << pos;
        const int up = pos + first - line;  // where its diagonals cross the first free line
        const int down = pos - first + line;
        if (up >= 0) {
            if (up < 32) p.Ld |= 1u << up;
        } else {
            // A queen below whose rising diagonal is under the board there: it comes up at line - pos,
            // or after the placed lines there.
            int t = 1;
            while (t < p.Free && layout.Column[t] - 1 < line - pos)
                ++t;
            if (t < p.Free) enter[t - 1] |= 1u << (layout.Column[t] - 1 - (line - pos));
        }
        if (down >= 0) p.Rd |= std::uint64_t{1} << down;
    }
    for (int t = 0; t + 1 < p.Free; ++t) {
        const bool special = layout.Gap[t] != 1 || enter[t] != 0;
        if (!special) continue;
        p.Lines[t].Shift0 = static_cast<std::uint32_t>(layout.Gap[t]);
        p.Lines[t].Enter0 = enter[t];
        p.Lines[t].Special |= 1u;
        if (t > 0) {
            p.Lines[t - 1].Shift1 = p.Lines[t].Shift0;
            p.Lines[t - 1].Enter1 = enter[t];
            p.Lines[t - 1].Special |= 2u;
        }
    }
    return p;
}

// The poll of the running count and, in the benchmarks' build, the queens it placed.
thread_local StopPoll* tPoll = nullptr;
#if defined(NQ_COUNT_NODES)
thread_local std::uint64_t tNodes = 0;
#endif

namespace baseline {
#define NQ_KERNEL_LEVEL __attribute__((noinline))
#define NQ_KERNEL_INLINE __attribute__((always_inline)) inline
#define NQ_KERNEL_ENTRY
#include "engine/completions_kernel.inc"
#undef NQ_KERNEL_LEVEL
#undef NQ_KERNEL_INLINE
#undef NQ_KERNEL_ENTRY
}  // namespace baseline

#if defined(NQ_TARGET_X86_64_V3)
namespace v3 {
#define NQ_KERNEL_LEVEL __attribute__((noinline, target("arch=x86-64-v3")))
#define NQ_KERNEL_INLINE __attribute__((always_inline, target("arch=x86-64-v3"))) inline
#define NQ_KERNEL_ENTRY NQ_TARGET_X86_64_V3
#include "engine/completions_kernel.inc"
#undef NQ_KERNEL_LEVEL
#undef NQ_KERNEL_INLINE
#undef NQ_KERNEL_ENTRY
}  // namespace v3
#endif

std::uint64_t Completions(const SearchLayout& layout, StopPoll& poll) {
    const KernelPlan p = Prepare(layout);
    if (p.Free == 0) return 1;
    const std::uint32_t open = ~(p.Ld | static_cast<std::uint32_t>(p.Rd) | p.Col);
    if (p.Free == 1) return static_cast<std::uint64_t>(std::popcount(open));
    if (open == 0) return 0;
    if (poll.Stop != nullptr && poll.Stop->load(std::memory_order_relaxed)) {
        poll.Stopped = true;
        return 0;
    }
    tPoll = &poll;
#if defined(NQ_TARGET_X86_64_V3)
    if (ActiveInstructionSet() >= InstructionSet::X86_64_V3) return v3::Search(p, open);
#endif
    return baseline::Search(p, open);
}

}  // namespace

#if defined(NQ_COUNT_NODES)
std::uint64_t CountCompletionsNodes(const SearchLayout& layout, std::uint64_t& nodes) {
    StopPoll none;
    tNodes = 0;
    const std::uint64_t count = Completions(layout, none);
    nodes += tNodes;
    return count;
}
#else
std::uint64_t CountCompletions(const SearchLayout& layout, StopPoll& poll) {
    return Completions(layout, poll);
}
#endif

}  // namespace nq
