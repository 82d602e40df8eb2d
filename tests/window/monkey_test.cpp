// SPDX-License-Identifier: GPL-3.0-or-later
// The randomised monkey against the headless window, with fixed seeds: thousands of short sequences of
// typing, clicks, answers and actions injected at event pumps, every one checked against the window's model.
// Also proves that the monkey's own checks catch planted faults, and holds its reading of numbers against
// worked examples.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "support/monkey.h"
#include "support/reference_reading.h"
#include "window/read_number.h"

namespace nq::testing {
namespace {

struct MonkeyRow {
    const char* Name;
    std::uint64_t Seed;
    int Sequences;
    MonkeyBudget Budget;
};

void PrintTo(const MonkeyRow& row, std::ostream* os) {
    *os << row.Name;
}

class MonkeyRun : public ::testing::TestWithParam<MonkeyRow> {};

TEST_P(MonkeyRun, FindsNoFault) {
    const MonkeyRow& row = GetParam();
    Monkey monkey(row.Budget);
    for (int k = 0; k < row.Sequences; ++k) {
        RandomChooser choose(row.Seed * 1000003u + static_cast<std::uint64_t>(k));
        if (!monkey.RunSequence(choose)) {
            ADD_FAILURE() << "sequence " << k << " (seed " << row.Seed << "):\n" << monkey.FirstFailure();
            break;
        }
    }
    const MonkeyStats& s = monkey.Stats();
    EXPECT_EQ(s.Failures, 0);
    // The monkey must have wandered through the whole window, or the run proves little.
    for (int state = 0; state < 6; ++state) {
        EXPECT_GT(s.StatesSeen[static_cast<std::size_t>(state)], 0)
            << "never in state " << StateName(static_cast<WindowState>(state));
    }
    EXPECT_GT(s.Pumps, 500);
    EXPECT_GT(s.NestedRuns, 0);
    RecordProperty("actions", std::to_string(s.Actions));
    RecordProperty("pumps", std::to_string(s.Pumps));
}

INSTANTIATE_TEST_SUITE_P(Seeds, MonkeyRun,
                         ::testing::Values(MonkeyRow{"ShortSequences", 1, 3000, MonkeyBudget{12, 300, 6, 3}},
                                           MonkeyRow{"LongSequences", 2, 600, MonkeyBudget{60, 300, 6, 3}},
                                           MonkeyRow{"BusyPumps", 3, 800, MonkeyBudget{20, 120, 35, 5}}),
                         [](const auto& p) { return std::string(p.param.Name); });

// ---- The monkey's checks catch what they are for

struct PlantedFault {
    const char* Name;
    std::function<void(Monkey&)> Prepare;  // actions that bring the window into a state
    std::function<void(Form1&)> Plant;     // a fault planted behind the window's back
};

void TestEight(Monkey& m) {
    m.Do(TypeAction(-1, "8"));
    m.Do(ClickAction(1));
}

void StopAtFirstSolution(Monkey& m) {
    TestEight(m);
    m.Do(ClickAction(2));
}

// Each row brings the window into a state, plants a fault behind its back, and lets the monkey make one more
// action: the checks after it must report the fault.
TEST(MonkeyChecks, CatchPlantedFaults) {
    const std::vector<PlantedFault> rows = {
        {"StartEnabledWhenIdle", [](Monkey&) {}, [](Form1& f) { f.Command2.Enabled = true; }},
        {"EntryLockedWhenIdle", [](Monkey&) {}, [](Form1& f) { f.Text7[20].Locked = true; }},
        {"IdleRowLeftFree", [](Monkey&) {}, [](Form1& f) { f.RowFree[3] = 1; }},
        {"TestedRowNotFree", TestEight, [](Form1& f) { f.RowFree[8] = 0; }},
        {"TestedCountNotZero", TestEight, [](Form1& f) { f.SolutionCount = 1; }},
        {"QueensMovedBehindTheMarks", StopAtFirstSolution,
         [](Form1& f) {
             // Columns 1 and 8 swap rows; the occupancy arrays still mark the old squares.
             std::swap(f.QueenRow[1], f.QueenRow[8]);
             f.ShowPosition();
         }},
        {"SolutionNumberOff", StopAtFirstSolution,
         [](Form1& f) {
             f.SolutionCount = 2;
             f.Text3.Text = std::string(1, '2');
         }},
        {"DisplayStale", StopAtFirstSolution, [](Form1& f) { f.Text8[0].Text = std::string(1, '9'); }},
        {"EntryRowChanged", StopAtFirstSolution, [](Form1& f) { f.Text7[4].Text = std::string(1, '1'); }},
        {"ColourLost",
         [](Monkey& m) {
             m.Do(TypeAction(-1, "6"));
             MonkeyAction entry;
             entry.What = MonkeyAction::TypeEntry;
             entry.Index = 1;
             entry.Text = "3";
             m.Do(entry);
             m.Do(ClickAction(1));
         },
         [](Form1& f) { f.Text7[1].ForeColor = kBlack; }},
        {"FinishedCountWrong",
         [](Monkey& m) {
             m.Do(TypeAction(-1, "6"));
             m.Do(ClickAction(1));
             m.Do(ToggleAction());
             m.Do(ClickAction(2));
         },
         [](Form1& f) {
             f.SolutionCount += 1;
             f.Text3.Text = Decimal(f.SolutionCount);
         }}};
    for (const PlantedFault& row : rows) {
        SCOPED_TRACE(row.Name);
        Monkey monkey;
        monkey.Begin(nullptr);
        row.Prepare(monkey);
        ASSERT_FALSE(monkey.Failed()) << monkey.FirstFailure();
        row.Plant(monkey.Window());
        monkey.Do(ToggleAction());
        monkey.Do(ToggleAction());
        EXPECT_TRUE(monkey.Failed());
        EXPECT_FALSE(monkey.FirstFailure().empty());
    }
}

// ---- The monkey's reading of numbers against worked examples and the program's reading

struct ReadingRow {
    const char* Text;
    std::int32_t Value;
};

// The monkey's reading against worked examples (and the program's reading against the same).
TEST(ReferenceReading, AgreesWithTheWorkedExamplesAndTheProgram) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const std::vector<ReadingRow> rows = {{"", 0},
                                          {"abc", 0},
                                          {"12abc", 12},
                                          {" 1 2", 12},
                                          {"0.6", 1},
                                          {"32.5", 32},
                                          {"32.6", 33},
                                          {"0.5", 0},
                                          {"1.5", 2},
                                          {"2.5", 2},
                                          {"7.5", 8},
                                          {"3.5", 4},
                                          {"    ", 0},
                                          {"-0.5", 0},
                                          {"-1.5", -2},
                                          {"-.6", -1},
                                          {"5.", 5},
                                          {".", 0},
                                          {"+-3", 0},
                                          {"1.2.3", 1},
                                          {"3,7", 3},
                                          {"\t-\n4", -4},
                                          {"\r4", 0},
                                          {"2147483647", kMax},
                                          {"2147483648", kMax},
                                          {"-2147483648", kMin},
                                          {"-2147483649", kMin},
                                          {"2147483646.5", 2147483646},
                                          {"2147483647.5", kMax},
                                          {"99999999999999999999999", kMax},
                                          {"0000000000000000000007", 7},
                                          {"2.50000000000000000000000001", 3},
                                          {"2.50000000000000000000000000", 2},
                                          {"3.49999999999999999999999999", 3}};
    for (const ReadingRow& row : rows) {
        EXPECT_EQ(ReferenceReadTypedNumber(row.Text), row.Value) << detail::Quote(row.Text);
        EXPECT_EQ(ReadTypedNumber(row.Text), row.Value) << detail::Quote(row.Text);
    }
}

}  // namespace
}  // namespace nq::testing
