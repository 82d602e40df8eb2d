// The search tree as bit sets: the layout of the free columns, the subproblems, and the counting kernels.
#include "engine/search_tree.h"

#include <algorithm>
#include <cstdlib>

namespace nq {
namespace {

void Walk(const SearchLayout& layout, int depth, bool mirror, Subproblem& cur, std::vector<Subproblem>& out) {
    const int level = cur.Depth;
    if (level == depth) {
        out.push_back(cur);
        return;
    }
    const Subproblem saved = cur;
    const int c = layout.Column[level];
    const int g = layout.Gap[level];
    std::uint64_t open = layout.Board & ~(cur.Held | cur.Up | cur.Down | layout.Blocked[level]);
    const int half = layout.N / 2;
    if (mirror && level == 0) open &= layout.Board >> half;  // rows 1..ceil(n/2)
    while (open != 0) {
        const std::uint64_t bit = open & (~open + 1);
        open ^= bit;
        const int r = 1 + std::countr_zero(bit);
        cur.Rows[c] = static_cast<std::uint8_t>(r);
        cur.Held = saved.Held | bit;
        cur.Up = (saved.Up | bit) << g;
        cur.Down = (saved.Down | bit) >> g;
        cur.Depth = level + 1;
        if (level == 0) cur.Weight = mirror && r <= half ? 2 : 1;
        Walk(layout, depth, mirror, cur, out);
    }
    cur = saved;
}

// Without fixed queens: one recursion level per column, the masks in 32-bit registers (bits carried beyond
// the board fall off or are masked away), the last column counted by its open rows.
std::uint64_t CountPlain(std::uint32_t board, int left, std::uint32_t held, std::uint32_t up,
                         std::uint32_t down, StopPoll& poll, unsigned& budget) {
    std::uint32_t open = board & ~(held | up | down);
    if (left == 1) return static_cast<std::uint64_t>(std::popcount(open));
    std::uint64_t count = 0;
    if (left == 2) {
        while (open != 0) {
            const std::uint32_t bit = open & (~open + 1);
            open ^= bit;
            count += static_cast<std::uint64_t>(
                std::popcount(board & ~(held | bit | (up | bit) << 1 | (down | bit) >> 1)));
        }
        return count;
    }
    if (poll.Tick(budget)) return 0;
    while (open != 0) {
        const std::uint32_t bit = open & (~open + 1);
        open ^= bit;
        count += CountPlain(board, left - 1, held | bit, (up | bit) << 1, (down | bit) >> 1, poll, budget);
    }
    return count;
}

// With fixed queens: one frame per free column on an explicit stack, each free column's block and gap from
// the layout. At least one free column is left to place.
std::uint64_t CountWithFixed(const SearchLayout& layout, const Subproblem& s, StopPoll& poll) {
    const int start = s.Depth;
    const int last = layout.Free - 1;
    const std::uint64_t board = layout.Board;
    const std::uint64_t first = board & ~(s.Held | s.Up | s.Down | layout.Blocked[start]);
    if (start == last) return static_cast<std::uint64_t>(std::popcount(first));

    // One frame per free column: its rows still to try and the masks it was entered with.
    std::array<std::uint64_t, kMaxN + 1> open, held, up, down;
    int d = start;
    open[d] = first;
    held[d] = s.Held;
    up[d] = s.Up;
    down[d] = s.Down;
    std::uint64_t count = 0;
    unsigned budget = kPollEvery;
    for (;;) {
        const std::uint64_t a = open[d];
        if (a == 0) {
            if (d == start) break;
            --d;
            continue;
        }
        const std::uint64_t bit = a & (~a + 1);
        open[d] = a ^ bit;
        const int g = layout.Gap[d];
        const std::uint64_t h = held[d] | bit;
        const std::uint64_t u = (up[d] | bit) << g;
        const std::uint64_t dn = (down[d] | bit) >> g;
        const int e = d + 1;
        const std::uint64_t next = board & ~(h | u | dn | layout.Blocked[e]);
        if (e == last) {
            count += static_cast<std::uint64_t>(std::popcount(next));
            continue;
        }
        if (next == 0) continue;
        d = e;
        open[d] = next;
        held[d] = h;
        up[d] = u;
        down[d] = dn;
        if (poll.Tick(budget)) return count;
    }
    return count;
}

}  // namespace

SearchLayout MakeLayout(const Problem& p) {
    SearchLayout layout;
    const int n = p.N;
    layout.N = n;
    layout.Board = (std::uint64_t{1} << n) - 1;
    for (const Queen& q : p.Fixed)
        layout.FixedRow[q.Column] = static_cast<std::uint8_t>(q.Row);
    for (int c = 1; c <= n; ++c) {
        if (layout.FixedRow[c] != 0) continue;
        layout.Column[layout.Free] = c;
        layout.Blocked[layout.Free] = RowsAttacked(p.Fixed, n, c);
        ++layout.Free;
    }
    for (int i = 0; i < layout.Free; ++i)
        layout.Gap[i] = i + 1 < layout.Free ? layout.Column[i + 1] - layout.Column[i] : 1;
    layout.Plain = p.Fixed.empty();
    return layout;
}

std::vector<Subproblem> MakeSubproblems(const SearchLayout& layout, int depth, bool mirror) {
    Subproblem root;
    root.Rows = layout.FixedRow;
    // The first free column's masks: the free queens' diagonals start there, the fixed ones are in Blocked.
    std::vector<Subproblem> out;
    Walk(layout, std::clamp(depth, 0, layout.Free), mirror, root, out);
    return out;
}

std::uint64_t CountBelow(const SearchLayout& layout, const Subproblem& s, StopPoll& poll) {
    if (s.Depth >= layout.Free) return 1;  // every free column is placed: the subproblem is a solution
    if (!layout.Plain) return CountWithFixed(layout, s, poll);
    unsigned budget = kPollEvery;
    return CountPlain(static_cast<std::uint32_t>(layout.Board), layout.Free - s.Depth,
                      static_cast<std::uint32_t>(s.Held), static_cast<std::uint32_t>(s.Up),
                      static_cast<std::uint32_t>(s.Down), poll, budget);
}

}  // namespace nq
