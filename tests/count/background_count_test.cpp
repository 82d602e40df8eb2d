// SPDX-License-Identifier: GPL-3.0-or-later
// The whole count the window makes in its background, paused, resumed and ended while its plan is made and
// while it counts: a pause holds every figure still, a resume goes on from the finished tasks to the
// uninterrupted count, and the end gives back the memory of the plan and of the count.
#include <gtest/gtest.h>
#include <malloc.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <thread>

#include "count/background_count.h"
#include "count/counting.h"
#include "count/wide_count.h"

namespace nq::testing {
namespace {

// Bytes the allocator has handed out and not taken back; 0 where a sanitizer's allocator stands in.
std::size_t BytesInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// What oneTBB and the allocator may keep after a count has ended (its threads' pools).
constexpr std::size_t kKept = std::size_t{8} << 20;

// Whether BytesInUse sees this process's allocations: not under a sanitizer's allocator.
bool AllocationsSeen() {
    const std::size_t before = BytesInUse();
    char* volatile block = new char[kKept * 2];
    const bool seen = BytesInUse() >= before + kKept * 2;
    delete[] block;
    return seen;
}

bool WaitFor(const std::function<bool()>& ready) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

enum class When { Planning, Counting };
enum class Act { PauseAndResume, End };

TEST(BackgroundCount, KeepsItsWorkAcrossAPauseAndGivesBackItsMemoryAtTheEnd) {
    // Quadrants make the plan of n = 22 for seconds (hundreds of megabytes) and count n = 16 in a fraction
    // of one; fixed queens are counted by constellations.
    const struct {
        const char* Name;
        Problem Board;
        When At;
        Act What;
    } rows[] = {
        {"pause while the plan is made", {22, {}}, When::Planning, Act::PauseAndResume},
        {"end while the plan is made", {22, {}}, When::Planning, Act::End},
        {"pause while counting", {16, {}}, When::Counting, Act::PauseAndResume},
        {"pause while counting fixed queens", {16, {{2, 5}}}, When::Counting, Act::PauseAndResume},
        {"end while counting", {17, {}}, When::Counting, Act::End},
    };
    CountSolutions({.Board = {8, {}}, .Jobs = 2});  // oneTBB's threads, which outlive every count
    const bool seen = AllocationsSeen();
    const bool quadrants =
        ChooseMethod({22, {}}, false, {}, 2, MachineMemory()).Method == CountMethod::Quadrants;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        if (row.At == When::Planning && !quadrants) continue;  // a plan of constellations is made at once
        const std::size_t before = BytesInUse();
        BackgroundCount count;
        count.Begin(row.Board, 2);
        ASSERT_TRUE(WaitFor(
            [&] { return (row.At == When::Planning ? count.PreparedShare() : count.Share()) > 0.0; }));
        if (row.What == Act::PauseAndResume) {
            count.Pause();
            EXPECT_FALSE(count.Counting());
            EXPECT_EQ(count.Preparing(), row.At == When::Planning);
            const double prepared = count.PreparedShare(), share = count.Share();
            const WideCount found = count.SolutionsSoFar();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_EQ(count.PreparedShare(), prepared);
            EXPECT_EQ(count.Share(), share);
            EXPECT_TRUE(count.SolutionsSoFar() == found);
            count.Resume();
            if (row.At == When::Planning) {
                // The plan goes on past where it stood (n = 22 is not counted to the end here).
                EXPECT_TRUE(WaitFor([&] { return count.PreparedShare() > prepared; }));
            } else {
                ASSERT_TRUE(WaitFor([&] { return count.Total().has_value(); }));
                const CountResult whole = CountSolutions({.Board = row.Board, .Jobs = 2});
                EXPECT_EQ(DecimalText(*count.Total()), DecimalText(whole.Solutions));
                // The resumed run counted only the tasks not finished before the pause.
                EXPECT_EQ(DecimalText(count.RunSolutions()), DecimalText(whole.Solutions - found));
                EXPECT_EQ(count.Share(), 1.0);
            }
        }
        const std::size_t held = BytesInUse();
        count.End();
        EXPECT_FALSE(count.Begun());
        EXPECT_FALSE(count.Counting());
        EXPECT_FALSE(count.Total().has_value());
        if (seen) {
            // The plan of n = 22 holds its quarter table's index (16 MB) from its first phase on.
            if (row.At == When::Planning) {
                EXPECT_GT(held, before + kKept);
            }
            EXPECT_LT(BytesInUse(), before + kKept);
        }
    }
}

}  // namespace
}  // namespace nq::testing
