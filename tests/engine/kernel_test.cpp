// SPDX-License-Identifier: GPL-3.0-or-later
// Both builds of the completion kernel, baseline x86-64 and x86-64-v3, each made the active one in turn, so
// that the one this machine would not pick is tested too: whole boards against A000170 and boards with
// fixed queens against the oracle, the fixed sets chosen for the kernel's special steps.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/constellations.h"
#include "engine/instruction_set.h"
#include "support/known_counts.h"
#include "support/oracle.h"

namespace nq::testing {
namespace {

// Rows (2c mod 31) + 1 + shift for columns c + 1 in [from, to): a solution of the 31-board for shift 0.
std::vector<Queen> Wide(int from, int to, int shift) {
    std::vector<Queen> queens;
    for (int c = from; c < to; ++c)
        queens.push_back({c + 1, (2 * c) % 31 + 1 + shift});
    return queens;
}

struct FixedCase {
    const char* What;
    int N;
    std::vector<Queen> Fixed;
};

const std::vector<FixedCase>& FixedCases() {
    static const std::vector<FixedCase> cases = {
        {"last column high: a falling diagonal from above the board, a rising one entering at a free column",
         12,
         {{12, 11}}},
        {"first row: its rising diagonal enters past its own column", 12, {{6, 1}}},
        {"three placed columns in a row (a step of 4) and a step of 2",
         13,
         {{3, 2}, {4, 6}, {5, 9}, {9, 12}}},
        {"rising diagonals entering at placed columns, after the jump",
         11,
         {{2, 4}, {4, 1}, {10, 8}, {11, 2}}},
        {"first column placed: the search starts at column 2", 10, {{1, 7}}},
        {"two free columns, three apart (the last two lines at the root)",
         8,
         {{1, 1}, {2, 5}, {4, 6}, {5, 3}, {7, 2}, {8, 4}}},
        {"three free columns with steps of 1 and 5", 8, {{1, 1}, {4, 6}, {5, 3}, {6, 7}, {7, 2}}},
        {"one free column", 8, {{1, 1}, {2, 5}, {3, 8}, {4, 6}, {5, 3}, {6, 7}, {7, 2}}},
        {"32 rows, the last ten columns free", 32, Wide(0, 22, 1)},
        {"32 rows, the first ten columns free", 32, Wide(10, 32, 0)},
        {"31 rows, the first ten columns free", 31, Wide(10, 31, 0)},
    };
    return cases;
}

TEST(Kernel, EachBuildCountsKnownAndFixedBoards) {
    for (const InstructionSet set : {InstructionSet::Baseline, InstructionSet::X86_64_V3}) {
        const std::string name = InstructionSetName(set);
        if (!Runs(set)) {
            std::printf("kernel %s: not built or not run by this processor, skipped\n", name.c_str());
            continue;
        }
        const InstructionSet previous = UseInstructionSet(set);
        for (const KnownCount& k : KnownCountsUpTo(16))
            EXPECT_EQ(SumOfUnits(k.N, {}, false), k.All) << name << " n=" << k.N;
        for (const FixedCase& c : FixedCases()) {
            ASSERT_TRUE(FixedSetIsConsistent(c.N, c.Fixed)) << c.What;
            EXPECT_EQ(SumOfUnits(c.N, c.Fixed, false),
                      static_cast<std::uint64_t>(OracleSolutionCount(c.N, c.Fixed)))
                << name << ": " << c.What;
        }
        UseInstructionSet(previous);
    }
}

}  // namespace
}  // namespace nq::testing
