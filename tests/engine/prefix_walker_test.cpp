// SPDX-License-Identifier: GPL-3.0-or-later
// The walk over the first free columns held against the oracle's tree: the same placements in the same
// order, Seek landing on the first placement not below any bound, and shares that only grow along the walk.
#include <gtest/gtest.h>

#include "engine/prefix_walker.h"
#include "support/oracle.h"

namespace nq::testing {
namespace {

struct WalkRow {
    const char* Name;
    int N;
    FixedSet Fixed;
    int Depth;
};

// The oracle's placements of the first `depth` free columns, as prefixes, in the order it visits them.
std::vector<SubtreePrefix> OraclePrefixes(const WalkRow& row, const SearchLayout& layout) {
    std::vector<SubtreePrefix> out;
    if (row.Depth == 0) return {SubtreePrefix{}};
    for (const TreeNode& node : AllTreeNodes(row.N, row.Fixed)) {
        SubtreePrefix prefix{};
        int placed = 0;
        for (int i = 0; i < layout.Free && node.Queens[layout.Column[i] - 1] != 0; ++i, ++placed)
            prefix[i] = static_cast<std::uint8_t>(node.Queens[layout.Column[i] - 1]);
        if (placed == row.Depth) out.push_back(prefix);
    }
    return out;
}

class Walk : public ::testing::TestWithParam<WalkRow> {};

TEST_P(Walk, MeetsThePlacementsAsTheSearchDoes) {
    const WalkRow& row = GetParam();
    const SearchLayout layout = MakeLayout({row.N, row.Fixed});
    const std::vector<SubtreePrefix> expected = OraclePrefixes(row, layout);

    PrefixWalker walker;
    walker.Reset(layout, row.Depth);
    std::vector<SubtreePrefix> walked;
    double before = 0.0;
    for (; !walker.Exhausted(); walker.Advance()) {
        walked.push_back(walker.Rows());
        EXPECT_GE(walker.ShareBefore(), before - 1e-12);  // what went before, dead ends aside
        before = walker.ShareBefore() + walker.Share();
        EXPECT_LE(before, 1.0 + 1e-12);
    }
    EXPECT_EQ(walked, expected);
    EXPECT_EQ(walker.ShareBefore(), 1.0);

    // Every placement found from itself, and from just past itself the next one.
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_TRUE(walker.Seek(expected[k]));
        EXPECT_EQ(walker.Rows(), expected[k]);
        if (row.Depth == 0) continue;
        SubtreePrefix past = expected[k];
        ++past[static_cast<std::size_t>(row.Depth - 1)];
        const bool more = k + 1 < expected.size();
        EXPECT_EQ(walker.Seek(past), more);
        if (more) {
            EXPECT_EQ(walker.Rows(), expected[k + 1]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Walk,
                         ::testing::Values(WalkRow{"n6_depth2", 6, {}, 2}, WalkRow{"n8_depth3", 8, {}, 3},
                                           WalkRow{"n7_depth0", 7, {}, 0},
                                           WalkRow{"n8_fixed_gaps", 8, {{3, 5}, {6, 1}}, 3},
                                           WalkRow{"n9_fixed_first", 9, {{1, 1}, {2, 3}}, 4},
                                           WalkRow{"n5_every_free_column", 5, {{2, 4}}, 4},
                                           WalkRow{"n4_no_placement", 4, {{1, 2}, {2, 4}, {3, 1}}, 1}),
                         [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace nq::testing
