// SPDX-License-Identifier: GPL-3.0-or-later
// The "test" command driven through the window: the accepted values of n, every fault message with its
// column, the blank rules, the erasing of entries beyond n, the red boxes, and a rejected n after an accepted
// test. Each table row is first held against a pairwise model of the checks (every entry compared with every
// queen accepted before).
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "support/board_invariants.h"
#include "support/oracle.h"
#include "support/test_command_model.h"
#include "support/window_script.h"
#include "window/read_number.h"

namespace nq {
namespace {

using testing::EntryTexts;
using testing::FixedQueen;
using testing::FixedSet;
using testing::WindowScript;

constexpr const char* kTitle = "n Queens Problem";

// What a test of these texts should do, by the pairwise model.
testing::TestPrediction ModelTest(const std::string& nText, const EntryTexts& entries) {
    std::array<std::string, kBoxesPerRow> boxes;
    for (const auto& [column, text] : entries)
        boxes[static_cast<std::size_t>(column - 1)] = text;
    return testing::PredictTest(nText, boxes);
}

struct TestRow {
    std::string Name;
    std::string N;
    EntryTexts Entries;
    std::string Message;  // "" when the test succeeds
    int StopColumn;       // LoopColumn afterwards; 0 for a rejected n (LoopColumn unchanged)
    std::string Red;      // red entry columns afterwards
    EntryTexts Kept;      // the entry boxes that are not empty afterwards, with their texts
};

// Names the row in failure messages instead of its bytes.
void PrintTo(const TestRow& row, std::ostream* os) {
    *os << row.Name;
}

const std::vector<TestRow>& TestRows() {
    const std::string huge = "99999999999999999999";
    static const std::vector<TestRow> rows = {
        // Rejected n: nothing changes.
        {"empty_n", "", {{2, "3"}}, "incorrect input for n", 0, "", {{2, "3"}}},
        {"letters_n", "abc", {}, "incorrect input for n", 0, "", {}},
        {"zero_n", "0", {}, "incorrect input for n", 0, "", {}},
        {"n_33", "33", {{32, "1"}}, "incorrect input for n", 0, "", {{32, "1"}}},
        {"n_32_6", "32.6", {}, "incorrect input for n", 0, "", {}},
        {"n_0_5", "0.5", {}, "incorrect input for n", 0, "", {}},
        {"negative_n", "-4", {}, "incorrect input for n", 0, "", {}},
        {"huge_n", huge, {}, "incorrect input for n", 0, "", {}},
        {"huge_negative_n", "-" + huge, {}, "incorrect input for n", 0, "", {}},
        {"n_2_pow_32_plus_8", "4294967304", {}, "incorrect input for n", 0, "", {}},
        // Row out of range.
        {"row_0", "8", {{1, "0"}}, "incorrect input, column 1", 1, "", {{1, "0"}}},
        {"row_above_n", "8", {{3, "9"}}, "incorrect input, column 3", 3, "", {{3, "9"}}},
        {"row_negative", "8", {{4, "-3"}}, "incorrect input, column 4", 4, "", {{4, "-3"}}},
        {"row_letters", "8", {{4, "abc"}}, "incorrect input, column 4", 4, "", {{4, "abc"}}},
        {"row_four_blanks", "8", {{5, "    "}}, "incorrect input, column 5", 5, "", {{5, "    "}}},
        {"row_huge", "8", {{2, huge}}, "incorrect input, column 2", 2, "", {{2, huge}}},
        {"row_2_pow_32_plus_1",
         "8",
         {{2, "4294967297"}},
         "incorrect input, column 2",
         2,
         "",
         {{2, "4294967297"}}},
        {"column_12", "12", {{12, "13"}}, "incorrect input, column 12", 12, "", {{12, "13"}}},
        {"after_accepted",
         "8",
         {{1, "1"}, {6, "0"}},
         "incorrect input, column 6",
         6,
         "1",
         {{1, "1"}, {6, "0"}}},
        // Row taken by a fixed queen to the left; reported before a diagonal it also lies on.
        {"twice", "8", {{2, "3"}, {5, "3"}}, "entry twice, column 5", 5, "2", {{2, "3"}, {5, "3"}}},
        {"twice_and_diagonal",
         "8",
         {{1, "1"}, {2, "3"}, {4, "1"}},
         "entry twice, column 4",
         4,
         "1 2",
         {{1, "1"}, {2, "3"}, {4, "1"}}},
        // Diagonals, both directions, near and far.
        {"diagonal_down",
         "8",
         {{1, "1"}, {2, "2"}},
         "incorrectly placed queen, column 2",
         2,
         "1",
         {{1, "1"}, {2, "2"}}},
        {"diagonal_up",
         "8",
         {{1, "2"}, {2, "1"}},
         "incorrectly placed queen, column 2",
         2,
         "1",
         {{1, "2"}, {2, "1"}}},
        {"long_diagonal",
         "8",
         {{1, "1"}, {8, "8"}},
         "incorrectly placed queen, column 8",
         8,
         "1",
         {{1, "1"}, {8, "8"}}},
        {"far_diff_diagonal",
         "8",
         {{2, "1"}, {8, "7"}},
         "incorrectly placed queen, column 8",
         8,
         "2",
         {{2, "1"}, {8, "7"}}},
        {"n32_sum_diagonal",
         "32",
         {{1, "32"}, {2, "30"}, {32, "1"}},
         "incorrectly placed queen, column 32",
         32,
         "1 2",
         {{1, "32"}, {2, "30"}, {32, "1"}}},
        // Only the first fault is reported.
        {"first_fault_only",
         "8",
         {{1, "1"}, {2, "2"}, {3, "9"}},
         "incorrectly placed queen, column 2",
         2,
         "1",
         {{1, "1"}, {2, "2"}, {3, "9"}}},
        {"lower_column_first",
         "8",
         {{2, "0"}, {3, "9"}},
         "incorrect input, column 2",
         2,
         "",
         {{2, "0"}, {3, "9"}}},
        // Entries beyond n are erased without a message, also when the test then fails.
        {"beyond_n_erased", "8", {{11, "4"}}, "", 9, "", {}},
        {"beyond_n_erased_then_fault",
         "8",
         {{11, "4"}, {3, "0"}},
         "incorrect input, column 3",
         3,
         "",
         {{3, "0"}}},
        {"beyond_n_up_to_32", "5", {{6, "1"}, {32, "1"}, {5, "1"}}, "", 6, "5", {{5, "1"}}},
        // Blank-looking entries are emptied; other texts stay as typed.
        {"one_to_three_blanks", "8", {{1, " "}, {2, "  "}, {3, "   "}}, "", 9, "", {}},
        {"letters_after_row", "8", {{2, "3abc"}}, "", 9, "2", {{2, "3abc"}}},
        {"blanks_around_row", "8", {{4, " 5 "}}, "", 9, "4", {{4, " 5 "}}},
        {"halves", "8", {{1, "2.5"}, {2, "3.5"}}, "", 9, "1 2", {{1, "2.5"}, {2, "3.5"}}},
        // Accepted tests.
        {"no_entries", "8", {}, "", 9, "", {}},
        {"n_1", "1", {{1, "1"}}, "", 2, "1", {{1, "1"}}},
        {"two_fixed", "8", {{3, "5"}, {6, "1"}}, "", 9, "3 6", {{3, "5"}, {6, "1"}}},
        {"diagonal_three_apart",
         "8",
         {{3, "5"}, {6, "2"}},
         "incorrectly placed queen, column 6",
         6,
         "3",
         {{3, "5"}, {6, "2"}}},
        {"n32_corners", "32", {{1, "1"}, {32, "2"}}, "", 33, "1 32", {{1, "1"}, {32, "2"}}},
    };
    return rows;
}

// The entry row as it should read: the kept texts in their columns.
std::string KeptRow(const EntryTexts& kept) {
    std::vector<std::string> boxes(32);
    for (const auto& [column, text] : kept)
        boxes[column - 1] = text;
    return testing::RowText(boxes);
}

std::string EntriesLabel(const std::string& n, const EntryTexts& entries) {
    std::string s = "n [";
    s += n;
    s += ']';
    for (const auto& [column, text] : entries) {
        s += ' ';
        s += std::to_string(column);
        s += ":[";
        s += text;
        s += ']';
    }
    return s;
}

class TestCommand : public ::testing::TestWithParam<TestRow> {};

TEST_P(TestCommand, RowAgreesWithModel) {
    const TestRow& row = GetParam();
    const testing::TestPrediction model = ModelTest(row.N, row.Entries);
    EXPECT_EQ(model.Message(), row.Message);
    EXPECT_EQ(model.StopColumn(), row.StopColumn);
    std::string red;
    for (const FixedQueen& q : model.Accepted) {
        if (!red.empty()) red += ' ';
        red += std::to_string(q.Column);
    }
    EXPECT_EQ(red, row.Red);
}

TEST_P(TestCommand, ReportsAndLeavesTheWindowAsExpected) {
    const TestRow& row = GetParam();
    WindowScript w;
    w.SetStopAtSolution(false);  // every accepted n checks the box again, also when an entry then fails
    w.TypeN(row.N);
    w.TypeEntries(row.Entries);
    const std::int32_t loopColumnBefore = w.form.LoopColumn;
    w.Test();

    if (row.Message.empty()) {
        EXPECT_TRUE(w.platform.Shown.empty());
    } else {
        ASSERT_EQ(w.platform.Shown.size(), 1u);
        EXPECT_EQ(w.platform.Shown[0].Text, row.Message);
        EXPECT_EQ(w.platform.Shown[0].Title, kTitle);
        EXPECT_EQ(w.platform.Shown[0].Style, 64);
    }
    EXPECT_EQ(w.form.LoopColumn, row.StopColumn == 0 ? loopColumnBefore : row.StopColumn);
    EXPECT_EQ(w.RedColumns(), row.Red);
    EXPECT_EQ(w.EntryRow(), KeptRow(row.Kept));
    EXPECT_EQ(w.form.Text1.Text, row.N);  // the test never rewrites n

    const bool rejectedN = row.Message == "incorrect input for n";
    const bool success = row.Message.empty();
    EXPECT_EQ(w.form.Text2.Text, success ? "start computation" : "test input");
    EXPECT_EQ(w.Controls(), success     ? testing::kControlsTested
                            : rejectedN ? "test:1 start:0 break:0 next:0 check:1/0 locked:0"
                                        : testing::kControlsIdle);
    EXPECT_EQ(w.DisplayRow(), "");
    if (rejectedN) {
        EXPECT_EQ(w.form.BoardSize, 0);  // no test accepted yet
        return;
    }

    // The board holds exactly the accepted queens, rows 1..n free but theirs.
    const testing::TestPrediction model = ModelTest(row.N, row.Entries);
    const int n = ReadTypedNumber(row.N);
    EXPECT_EQ(w.form.BoardSize, n);
    std::vector<int> queenRow(35, 0);
    for (const FixedQueen& q : model.Accepted)
        queenRow[q.Column] = q.Row;
    for (int k = 1; k <= 34; ++k) {
        EXPECT_EQ(w.form.QueenRow[k], queenRow[k]) << "column " << k;
        EXPECT_EQ(w.form.FixedColumn[k], queenRow[k] != 0 ? 1 : 0) << "column " << k;
        bool taken = false;
        for (const FixedQueen& q : model.Accepted)
            taken = taken || q.Row == k;
        EXPECT_EQ(w.form.RowFree[k], k <= n && !taken ? 1 : 0) << "row " << k;
    }
    if (!success) {
        EXPECT_EQ(w.form.EntryRow, ReadTypedNumber(row.Entries.at(row.StopColumn)));
    }
    EXPECT_TRUE(testing::BitsAgreeWithArrays(w.form));
}

INSTANTIATE_TEST_SUITE_P(Rows, TestCommand, ::testing::ValuesIn(TestRows()),
                         [](const ::testing::TestParamInfo<TestRow>& row_info) {
                             return row_info.param.Name;
                         });

// Texts of n that read as an n in range: the board gets that size, whatever the text looks like.
struct NRow {
    std::string Text;
    int N;
};

TEST(TestCommandN, OddTextsAreReadAsTheRightN) {
    const std::vector<NRow> rows = {{"12abc", 12},  {" 1 2", 12}, {"0.6", 1}, {"32.5", 32}, {"08", 8},
                                    {"1\t2\n", 12}, {"+5", 5},    {"4.5", 4}, {"5.5", 6},   {"1e3", 1}};
    for (const NRow& row : rows) {
        SCOPED_TRACE("n text [" + row.Text + "]");
        ASSERT_EQ(ReadTypedNumber(row.Text), row.N);
        WindowScript w;
        // An entry in the last column is kept, one just beyond is erased: the window's n, seen from outside.
        w.TypeEntry(row.N, "   ");  // blank-looking, emptied by any accepted test
        if (row.N < 32) w.TypeEntry(row.N + 1, "1");
        w.Test(row.Text);
        EXPECT_TRUE(w.platform.Shown.empty());
        EXPECT_EQ(w.form.BoardSize, row.N);
        EXPECT_EQ(w.form.LoopColumn, row.N + 1);
        EXPECT_EQ(w.form.Text1.Text, row.Text);
        EXPECT_EQ(w.EntryRow(), "");
        EXPECT_EQ(w.form.Text2.Text, "start computation");
        for (int k = 1; k <= 34; ++k)
            EXPECT_EQ(w.form.RowFree[k], k <= row.N ? 1 : 0) << "row " << k;
    }
}

// Every accepted n paints the whole entry row black, then the queens it accepts red; a rejected n changes no
// colour. A search afterwards shows its own queens black beside the red fixed ones.
TEST(TestCommandColour, EachTestRepaintsTheEntryRow) {
    struct Step {
        std::string N;
        EntryTexts Entries;
        std::string Red;
    };
    const std::vector<Step> steps = {
        {"8", {{2, "3"}, {5, "1"}}, "2 5"}, {"abc", {}, "2 5"},  // rejected n
        {"8", {{2, ""}, {5, "9"}}, ""},                          // entry removed, column 5 now rejected
        {"8", {{5, ""}, {7, "1"}}, "7"},                         // a new queen
        {"4", {{7, "1"}, {1, "2"}}, "1"},                        // column 7 erased as beyond n
    };
    WindowScript w;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1));
        w.Test(steps[i].N, steps[i].Entries);
        EXPECT_EQ(w.RedColumns(), steps[i].Red);
    }
    w.Start();
    ASSERT_EQ(w.form.Text2.Text, "solution found");
    w.Next();
    EXPECT_EQ(w.RedColumns(), "1");
    w.Answer(kAnswerYes);
    w.Reset();
    EXPECT_EQ(w.RedColumns(), "");
}

// After an accepted test, a test that rejects n leaves the window tested, with the earlier board and n; a
// start then searches that board.
TEST(TestCommandN, RejectedNKeepsTheAcceptedTest) {
    const FixedSet fixed = {{2, 4}};
    const std::int64_t solutions = testing::OracleSolutionCount(6, fixed);
    for (const char* rejected : {"", "abc", "0", "33", "32.6", "0.5", "-1", "99999999999999999999"}) {
        SCOPED_TRACE(std::string("rejected n [") + rejected + "]");
        WindowScript w;
        w.Test("6", {{2, "4"}});
        ASSERT_EQ(w.form.Text2.Text, "start computation");
        const auto queens = w.form.QueenRow;
        const auto rowFree = w.form.RowFree;
        const auto diagSum = w.form.DiagSum;
        const auto diagDiff = w.form.DiagDiff;

        w.Test(rejected, {{2, "4"}});
        ASSERT_EQ(w.Messages(), std::vector<std::string>{"incorrect input for n"});
        EXPECT_EQ(w.form.Text2.Text, "start computation");
        EXPECT_EQ(w.Controls(), testing::kControlsTested);
        EXPECT_EQ(w.form.BoardSize, 6);
        EXPECT_EQ(w.form.QueenRow, queens);
        EXPECT_EQ(w.form.RowFree, rowFree);
        EXPECT_EQ(w.form.DiagSum, diagSum);
        EXPECT_EQ(w.form.DiagDiff, diagDiff);

        w.SetStopAtSolution(false);
        w.Start();
        EXPECT_EQ(w.form.Text1.Text, "6");
        EXPECT_EQ(w.EntryRow(), ". 4");
        EXPECT_EQ(w.form.Text2.Text, kStateFinished);
        EXPECT_EQ(w.form.Text3.Text, solutions > 0 ? std::to_string(solutions) : "");
    }
}

// Random entries against the model: the same message, stopping column and accepted queens.
TEST(TestCommandRandom, AgreesWithModel) {
    std::mt19937 rng(7031);
    std::uniform_int_distribution<int> sizes(1, 10);
    std::uniform_int_distribution<int> coin(0, 3);
    for (int trial = 0; trial < 1500; ++trial) {
        const int n = sizes(rng);
        EntryTexts entries;
        std::uniform_int_distribution<int> rows(0, n + 1);
        std::uniform_int_distribution<int> columns(1, n + 2);
        const int count = coin(rng) + coin(rng);
        for (int k = 0; k < count; ++k) {
            const int c = columns(rng);
            switch (coin(rng)) {
                case 0: entries[c] = std::string(static_cast<std::size_t>(rows(rng) % 5), ' '); break;
                case 1: entries[c] = std::to_string(rows(rng)) + "x"; break;
                default: entries[c] = std::to_string(rows(rng)); break;
            }
        }
        const std::string nText = coin(rng) == 0 ? std::to_string(n) + ".5" : std::to_string(n);
        const testing::TestPrediction model = ModelTest(nText, entries);
        WindowScript w;
        w.Test(nText, entries);
        const std::string label = EntriesLabel(nText, entries);
        ASSERT_EQ(w.Messages().empty(), model.Message().empty()) << label;
        if (!model.Message().empty()) {
            ASSERT_EQ(w.Messages()[0], model.Message()) << label;
        }
        if (model.StopColumn() == 0) continue;
        ASSERT_EQ(w.form.LoopColumn, model.StopColumn()) << label;
        std::string red;
        for (const FixedQueen& q : model.Accepted) {
            if (!red.empty()) red += ' ';
            red += std::to_string(q.Column);
            ASSERT_EQ(w.form.QueenRow[q.Column], q.Row) << label;
        }
        ASSERT_EQ(w.RedColumns(), red) << label;
        ASSERT_TRUE(testing::BitsAgreeWithArrays(w.form)) << label;
    }
}

}  // namespace
}  // namespace nq
