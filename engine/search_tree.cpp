// SPDX-License-Identifier: GPL-3.0-or-later
// The layout of the free columns and the subproblems that place the first of them.
#include "engine/search_tree.h"

#include "engine/prefix_walker.h"

namespace nq {

SearchLayout MakeLayout(int n, std::span<const Queen> placed) {
    SearchLayout layout;
    layout.N = n;
    layout.Board = (std::uint64_t{1} << n) - 1;
    for (const Queen& q : placed)
        layout.FixedRow[q.Column] = static_cast<std::uint8_t>(q.Row);
    for (int c = 1; c <= n; ++c) {
        if (layout.FixedRow[c] != 0) continue;
        layout.Column[layout.Free] = c;
        layout.Blocked[layout.Free] = RowsAttacked(placed, n, c);
        ++layout.Free;
    }
    for (int i = 0; i < layout.Free; ++i)
        layout.Gap[i] = i + 1 < layout.Free ? layout.Column[i + 1] - layout.Column[i] : 1;
    return layout;
}

std::vector<Subproblem> MakeSubproblems(const SearchLayout& layout, int depth) {
    std::vector<Subproblem> out;
    PrefixWalker walker;
    walker.Reset(layout, depth);
    for (; !walker.Exhausted(); walker.Advance()) {
        Subproblem s;
        s.Rows = layout.FixedRow;
        s.Depth = walker.Depth();
        for (int i = 0; i < s.Depth; ++i)
            s.Rows[layout.Column[i]] = walker.Rows()[i];
        out.push_back(s);
    }
    return out;
}

}  // namespace nq
