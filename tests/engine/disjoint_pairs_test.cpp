// SPDX-License-Identifier: GPL-3.0-or-later
// The disjoint-pair count against a plain double loop, on random keys of every width, for every processor
// build this machine runs.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/disjoint_pairs.h"
#include "engine/instruction_set.h"

namespace nq::testing {
namespace {

std::uint64_t DoubleLoop(const std::vector<std::uint64_t>& a, const std::vector<std::uint64_t>& b) {
    std::uint64_t pairs = 0;
    for (const std::uint64_t x : a)
        for (const std::uint64_t y : b)
            pairs += (x & y) == 0;
    return pairs;
}

struct Lists {
    std::size_t A, B;
    int Sparseness;  // each key the AND of this many random words: about 1 bit in 2^Sparseness set
};

TEST(DisjointPairs, MatchTheDoubleLoopForEveryWidthAndBuild) {
    // Empty and single lists; blocks of one word, just over one, partly filled; many buckets.
    const std::vector<Lists> rows = {{0, 9, 1},     {1, 1, 1},      {64, 65, 1},
                                     {300, 513, 2}, {1500, 700, 2}, {2600, 90, 3}};
    const InstructionSet active = ActiveInstructionSet();
    std::mt19937_64 random(7);
    for (const InstructionSet set :
         {InstructionSet::Baseline, InstructionSet::X86_64_V3, InstructionSet::X86_64_V4}) {
        if (!Runs(set)) continue;
        UseInstructionSet(set);
        for (int width = 0; width <= 64; ++width) {
            const std::uint64_t mask = width == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
            for (const Lists& r : rows) {
                auto key = [&] {
                    std::uint64_t k = ~std::uint64_t{0};
                    for (int i = 0; i < r.Sparseness; ++i)
                        k &= random();
                    return k & mask;
                };
                std::vector<std::uint64_t> a(r.A), b(r.B);
                for (std::uint64_t& k : a)
                    k = key();
                for (std::uint64_t& k : b)
                    k = key();
                const std::uint64_t want = DoubleLoop(a, b);
                EXPECT_EQ(CountDisjointPairs(a, b, width), want)
                    << InstructionSetName(set) << " width=" << width << " sizes=" << r.A << "," << r.B;
                // Every cut, the most included, prepared either way round.
                const int cut = std::min(width, kMaxCutBits);
                PreparedKeys prepared;
                SortedKeys sorted;
                prepared.Prepare(b, width, cut);
                sorted.Sort(a, width, cut);
                StopPoll poll;
                EXPECT_EQ(CountDisjointPairs(prepared, sorted, poll), want)
                    << InstructionSetName(set) << " width=" << width << " cut=" << cut;
            }
        }
    }
    UseInstructionSet(active);
}

TEST(DisjointPairs, AStopEndsTheCount) {
    std::vector<std::uint64_t> keys(2000, 0);
    PreparedKeys prepared;
    SortedKeys sorted;
    prepared.Prepare(keys, 40, 3);
    sorted.Sort(keys, 40, 3);
    const std::atomic<bool> stop{true};
    StopPoll poll{&stop};
    CountDisjointPairs(prepared, sorted, poll);
    EXPECT_TRUE(poll.Stopped);
    sorted.Sort(keys, 40, 2);
    StopPoll fresh;
    EXPECT_THROW(CountDisjointPairs(prepared, sorted, fresh), std::invalid_argument);
    // Stopped while being prepared, the keys count nothing until prepared again.
    EXPECT_FALSE(prepared.Prepare(keys, 40, 2, &stop));
    StopPoll after;
    EXPECT_EQ(CountDisjointPairs(prepared, sorted, after), 0u);
    EXPECT_TRUE(prepared.Prepare(keys, 40, 2));
    EXPECT_EQ(CountDisjointPairs(prepared, sorted, after), 2000u * 2000u);
}

}  // namespace
}  // namespace nq::testing
