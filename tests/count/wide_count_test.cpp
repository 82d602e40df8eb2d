// SPDX-License-Identifier: GPL-3.0-or-later
// Counts past 64 bits: the decimal text and its strict reading, and the sums that carry them (the ledger, the
// save file, the console's answer from a finished file) kept exact, never wrapped.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "count/count_plan.h"
#include "count/save_file.h"
#include "count/task_ledger.h"
#include "count/wide_count.h"
#include "support/console_run.h"

namespace nq::testing {
namespace {

constexpr std::uint64_t kMost64 = ~std::uint64_t{0};

TEST(WideCount, DecimalTextReadsBackAndNothingElseDoes) {
    const struct {
        const char* Text;
        bool Read;
        WideCount Value;
    } cases[] = {
        {"0", true, 0},
        {"18446744073709551615", true, kMost64},
        {"18446744073709551616", true, WideCount{1} << 64},
        {"340282366920938463463374607431768211455", true, ~WideCount{0}},
        {"340282366920938463463374607431768211456", false, 0},
        {"", false, 0},
        {"00", false, 0},
        {"012", false, 0},
        {"-1", false, 0},
        {"+1", false, 0},
        {"1 ", false, 0},
        {"1e3", false, 0},
    };
    for (const auto& c : cases) {
        WideCount value = 7;
        EXPECT_EQ(ReadDecimalText(c.Text, value), c.Read) << c.Text;
        if (!c.Read) continue;
        EXPECT_TRUE(value == c.Value) << c.Text;
        EXPECT_EQ(DecimalText(c.Value), c.Text);
    }
}

// Tasks whose counts sum past 64 bits: the ledger's sums, the save file's solutions line read back, and the
// number the console prints at once for such a finished file.
TEST(WideCount, SumsOfTasksPastSixtyFourBitsStayExact) {
    TaskLedger ledger(3);
    ledger.Finish(0, kMost64, 10, false);
    ledger.Finish(2, kMost64, 10);
    ledger.Finish(1, 5, 10);
    const WideCount all = 2 * WideCount{kMost64} + 5;
    EXPECT_EQ(DecimalText(ledger.Solutions()), "36893488147419103235");
    EXPECT_TRUE(ledger.RunSolutions() == all - kMost64);

    const Problem board{.N = 10, .Fixed = {}};
    SavedCount saved{.Problem = ProblemLine(board, false),
                     .Method = PlanVersion(CountMethod::Constellations, {}),
                     .Counts = TaskCounts::Solutions,
                     .Kept = std::nullopt,
                     .Tasks = 3,
                     .Done = {{0, kMost64, 10}, {1, 5, 10}, {2, kMost64, 10}}};
    const std::string text = SaveText(saved);
    EXPECT_NE(text.find("\nsolutions 36893488147419103235\n"), std::string::npos) << text;
    SavedCount again;
    ASSERT_EQ(ReadSaveText(text, again), "");
    EXPECT_EQ(again, saved);

    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("nq-wide-" + std::to_string(getpid()) + ".txt");
    std::ofstream(file, std::ios::binary) << text;
    const Outcome o = Nqueens({"count", "10", "--method", "constellations", "--save", file.string()});
    std::filesystem::remove(file);
    EXPECT_EQ(o.Status, 0) << o.Err;
    EXPECT_EQ(o.Out, "36893488147419103235\n");
}

}  // namespace
}  // namespace nq::testing
