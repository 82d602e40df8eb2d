// SPDX-License-Identifier: GPL-3.0-or-later
// Counting on every core, called directly: what a stop request leaves.
#include <gtest/gtest.h>

#include <atomic>

#include "count/counting.h"

namespace nq::testing {
namespace {

TEST(ConsoleCount, AStopRequestEndsTheCountAndSaysHowFarItGot) {
    const std::atomic<bool> stop{true};
    const CountResult r = nq::CountSolutions({.Board = {.N = 20, .Fixed = {}}, .Jobs = 2, .Stop = &stop});
    EXPECT_TRUE(r.Stopped);
    EXPECT_LT(r.ShareDone, 1.0);
}

}  // namespace
}  // namespace nq::testing
