// SPDX-License-Identifier: GPL-3.0-or-later
// What the board window shows in each state of the window (taken as it would be at a mirror), and the
// progress estimate held against hand-counted shares and over whole searches. Positions come from the oracle.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "count/background_count.h"
#include "engine/duration.h"
#include "support/oracle.h"
#include "support/search_driver.h"
#include "support/window_script.h"
#include "window/board_picture.h"
#include "window/progress_estimate.h"

namespace nq {
namespace {

using testing::FixedSet;
using testing::Placement;
using testing::WindowScript;

// A picture in one line: per column "." or the row followed by f (fixed), t (typed) or q (searched), and "!"
// for a conflict; then whether clicks type, and the status line.
std::string Describe(const BoardPicture& p) {
    std::string s = "n=" + std::to_string(p.N) + (p.Editable ? " edit |" : " locked |");
    for (std::int32_t c = 1; c <= p.N; ++c) {
        s += ' ';
        const char kind[] = {'.', 'f', 't', 'q'};
        s +=
            p.Kind[c] == QueenKind::None ? "." : std::to_string(p.Row[c]) + kind[static_cast<int>(p.Kind[c])];
        if (p.Conflict[c]) s += '!';
    }
    return s + " | " + p.Status;
}

// The placement of an oracle node as Describe shows a running search: fixed columns f, the others q.
std::string Searched(const Placement& queens, const FixedSet& fixed) {
    std::string s;
    for (std::size_t i = 0; i < queens.size(); ++i) {
        bool isFixed = false;
        for (const testing::FixedQueen& q : fixed)
            isFixed = isFixed || q.Column == static_cast<int>(i) + 1;
        s += ' ';
        s += queens[i] == 0 ? std::string(".") : std::to_string(queens[i]) + (isFixed ? "f" : "q");
    }
    return s;
}

struct StateRow {
    const char* Name;
    // Drives the window and takes the picture(s) the row is about; returns the last.
    std::function<BoardPicture(WindowScript&, BoardWatcher&)> Drive;
    std::function<std::string()> Expected;
};

// n = 10 with (3, 1) fixed meets its first solution at node 484: the first pumps come in the middle of the
// search. Pump j comes after pass 100 j, which made the search tree's node 100 j (index 100 j - 1).
const FixedSet kFixed31 = {{3, 1}};

const StateRow kStates[] = {
    {"NoBoardBeforeTheFirstTest",
     [](WindowScript& w, BoardWatcher& b) {
         w.TypeN("8");
         w.TypeEntry(1, "1");
         return b.Take(w.form, 0);
     },
     [] { return std::string("n=0 edit | | test input: type n in the main window and press test"); }},
    {"TypedEntriesConflictsAndEntriesOffTheBoard",
     [](WindowScript& w, BoardWatcher& b) {
         w.Test("5", {{1, "1"}});
         w.TypeEntries({{2, "2"}, {4, "9"}, {5, " 4"}, {3, "   "}});
         return b.Take(w.form, 0);
     },
     [] {
         return std::string(
             "n=5 edit | 1f! 2t! . 0t! 4t | start computation, conflict in column 1, 2; not a row in column "
             "4");
     }},
    {"AcceptedQueenRetypedIsTyped",
     [](WindowScript& w, BoardWatcher& b) {
         w.Test("5", {{1, "1"}, {3, "2"}});
         w.TypeEntry(1, "5");
         return b.Take(w.form, 0);
     },
     [] { return std::string("n=5 edit | 5t . 2f . . | start computation"); }},
    {"FailedTestKeepsTheAcceptedQueenFixed",
     [](WindowScript& w, BoardWatcher& b) {
         w.Test("8", {{2, "3"}, {5, "3"}});
         return b.Take(w.form, 0);
     },
     [] { return std::string("n=8 edit | . 3f! . . 3t! . . . | test input, conflict in column 2, 5"); }},
    {"RunningShowsTheSearchLiveFixedQueensRed",
     [](WindowScript& w, BoardWatcher& b) {
         BoardPicture at;
         w.Test("10", {{3, "1"}});
         w.AtPump(1, [&] { at = b.Take(w.form, 0); });
         w.Start();
         return at;
     },
     [] {
         return "n=10 locked |" + Searched(testing::AllTreeNodes(10, kFixed31)[99].Queens, kFixed31) +
                " | computation is running, 0 solutions, 0.0 s";
     }},
    {"StoppedAtASolution",
     [](WindowScript& w, BoardWatcher& b) {
         w.Test("4");
         w.Start();
         return b.Take(w.form, 0);
     },
     [] { return std::string("n=4 locked | 2q 4q 1q 3q | solution found, solution 1"); }},
    {"InterruptedShowsTheDisplayRow",
     [](WindowScript& w, BoardWatcher& b) {
         w.Test("10", {{3, "1"}});
         w.AtPump(2, [&] { w.Break(); });
         w.Start();
         return b.Take(w.form, 0);
     },
     [] {
         return "n=10 locked |" + Searched(testing::AllTreeNodes(10, kFixed31)[199].Queens, kFixed31) +
                " | computation interrupted, 0 solutions";
     }},
    {"FinishedKeepsTheLastShownQueens",
     [](WindowScript& w, BoardWatcher& b) {
         w.Test("8");  // its first solution comes at node 113
         w.SetStopAtSolution(false);
         w.AtPump(1, [&] { b.Take(w.form, 0); });
         w.Start();
         return b.Take(w.form, 0);
     },
     [] {
         return "n=8 locked |" + Searched(testing::AllTreeNodes(8, {})[99].Queens, {}) +
                " | computation finished, 92 solutions";
     }},
    {"FinishedWithoutSolution",
     [](WindowScript& w, BoardWatcher& b) {
         w.Test("3");
         w.Start();
         return b.Take(w.form, 0);
     },
     [] { return std::string("n=3 locked | . . . | computation finished, no solution"); }},
    {"EntriesThatAreNoRowAreNotConflicts",
     [](WindowScript& w, BoardWatcher& b) {
         w.Test("6");
         w.TypeEntries({{1, "x"}, {2, "7"}, {4, "3"}});
         return b.Take(w.form, 0);
     },
     [] { return std::string("n=6 edit | 0t! 0t! . 3t . . | start computation, not a row in column 1, 2"); }},
    {"AfterResetNoBoardUntilTheNextTest",
     [](WindowScript& w, BoardWatcher& b) {
         w.Test("4", {{2, "4"}});
         w.Start();
         b.Take(w.form, 0);
         w.Answer(kAnswerYes);
         w.Reset();
         return b.Take(w.form, 0);
     },
     [] { return std::string("n=0 edit | | test input: type n in the main window and press test"); }},
};

class BoardStates : public ::testing::TestWithParam<StateRow> {};

TEST_P(BoardStates, ShowWhatTheWindowHolds) {
    WindowScript w;
    BoardWatcher watcher;
    EXPECT_EQ(Describe(GetParam().Drive(w, watcher)), GetParam().Expected());
}

INSTANTIATE_TEST_SUITE_P(Window, BoardStates, ::testing::ValuesIn(kStates),
                         [](const auto& row) { return std::string(row.param.Name); });

TEST(BoardPicture, AttackedSquaresClicksAndCopiedText) {
    WindowScript w;
    BoardWatcher watcher;
    w.Test("4", {{2, "1"}});
    const BoardPicture& p = watcher.Take(w.form, 0);
    // (2, 1) attacks its row, column and both diagonals: every square but (1, 3), (1, 4), (3, 3), (3, 4),
    // (4, 2), (4, 4), and not its own.
    const std::uint32_t expected[] = {0, 0b0011, 0b1110, 0b0011, 0b0101};
    for (int c = 1; c <= 4; ++c)
        EXPECT_EQ(p.Attacked[c], expected[c]) << "column " << c;
    EXPECT_EQ(PositionText(p), "0 1 0 0");
    EXPECT_EQ(watcher.ClickText(2, 1), "");   // the queen there: the box is emptied
    EXPECT_EQ(watcher.ClickText(2, 3), "3");  // elsewhere in its column: moved
    EXPECT_EQ(watcher.ClickText(1, 4), "4");
}

// While a run is held (a question box open over it) the window keeps mirroring: the picture must come to rest
// between two updates of the run's figures, or the window would repaint the clock without pause.
TEST(BoardPicture, RunFiguresRestBetweenUpdates) {
    WindowScript w;
    BoardWatcher watcher;
    w.Test("10", {{3, "1"}});
    std::vector<std::string> status;
    std::vector<BoardPicture> pictures;
    w.AtPump(1, [&] {
        for (double at : {100.0, 100.05, 100.1, 101.5})
            status.push_back(watcher.Take(w.form, at).Status);
    });
    // Between two updates of the figures the search moves on: its queens do, status and progress stay.
    w.AtPump(3, [&] { pictures.push_back(watcher.Take(w.form, 200.0)); });
    w.AtPump(4, [&] { pictures.push_back(watcher.Take(w.form, 200.1)); });
    w.Start();
    ASSERT_EQ(status.size(), 4u);
    EXPECT_EQ(status[0], "computation is running, 0 solutions, 0.0 s");
    EXPECT_EQ(status[1], status[0]);
    EXPECT_EQ(status[2], status[0]);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_NE(pictures[1].Row, pictures[0].Row);
    EXPECT_EQ(pictures[1].Status, pictures[0].Status);
    EXPECT_EQ(pictures[1].Progress, pictures[0].Progress);
    EXPECT_EQ(status[3].rfind("computation is running, 0 solutions, 1.5 s, 0 solutions/s, about ", 0), 0u)
        << status[3];
}

// After a continue the elapsed time goes on from where the search was interrupted, as its count and share do.
TEST(BoardPicture, ElapsedTimeCountsTheWholeSearch) {
    WindowScript w;
    BoardWatcher watcher;
    w.Test("10", {{3, "1"}});
    std::vector<std::string> status;
    w.AtPump(1, [&] { watcher.Take(w.form, 100.0); });
    w.AtPump(2, [&] { w.Break(); });
    w.AtPump(3, [&] { status.push_back(watcher.Take(w.form, 110.0).Status); });
    w.AtPump(4, [&] { status.push_back(watcher.Take(w.form, 111.0).Status); });
    w.Start();
    watcher.Take(w.form, 102.0);  // interrupted after two seconds
    w.Start();                    // continue
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(status[0], "computation is running, 0 solutions, 2.0 s");
    EXPECT_EQ(status[1].rfind("computation is running, 0 solutions, 3.0 s, 0 solutions/s", 0), 0u)
        << status[1];
    EXPECT_EQ(DisplayRowText(w.form).empty(), false);
    w.Answer(kAnswerYes);
    w.Reset();
    EXPECT_EQ(DisplayRowText(w.form), "");  // nothing to copy after a reset
}

// ---- Counting on every core: the status line speaks of the workers' count.

// The window's whole count with the figures a row sets: the workers really count the small board, but the
// window sees their total only once Released, and their progress as Shown says.
class ScriptedCount final : public BackgroundCount {
  public:
    std::optional<BackgroundProgress> Shown;
    bool Released = false;
    std::optional<WideCount> Total() const override {
        return Released ? BackgroundCount::Total() : std::nullopt;
    }
    std::optional<BackgroundProgress> Progress() const override { return Shown; }
};

enum class Then { Runs, Breaks, Ends };

struct CountPhaseRow {
    const char* Name;
    NumberFormat Numbers;
    std::optional<BackgroundProgress> Shown;
    bool StopsAtSolutions;
    Then What;      // at the second pump
    double Second;  // of the run, when the picture is taken (the run's first picture at 0)
    std::string Status;
    const char* Bar;  // nullptr: the bar is the search's own
    bool Tip;         // the status line explains its figures
};

void PrintTo(const CountPhaseRow& row, std::ostream* os) {
    *os << row.Name;
}

const NumberFormat kGerman{".", ",", "\3"};
const BackgroundProgress kPreparing{.Jobs = 2, .Preparing = true, .Prepared = 0.4, .Count = {}};
const BackgroundProgress kCounting{
    .Jobs = 2,
    .Count = {.Solutions = 1'912'345'678, .Known = true, .Share = 0.049, .Rate = 2.5e8, .SecondsLeft = 156}};
const BackgroundProgress kJustCounting{.Jobs = 2, .Count = {}};

// n = 10 with (3, 1) fixed, the box cleared: no solution before the second pump.
const CountPhaseRow kCountPhases[] = {
    {"Preparing",
     {},
     kPreparing,
     false,
     Then::Runs,
     3.2,
     "computation is running, preparing the count of n = 10: 40 %, 3.2 s elapsed",
     "preparing: 40 %",
     true},
    {"Counting",
     {},
     kCounting,
     false,
     Then::Runs,
     8.1,
     "computation is running, counting on 2 cores: 1,912,345,678 solutions so far (4.9 %), 250 million a "
     "second, 8.1 s elapsed, about 2 min 36 s left",
     "4.9 %",
     true},
    {"CountingInGerman", kGerman, kCounting, false, Then::Runs, 8.1,
     "computation is running, counting on 2 cores: 1.912.345.678 solutions so far (4,9 %), 250 million a "
     "second, 8,1 s elapsed, about 2 min 36 s left",
     "4,9 %", true},
    {"CountingBeforeAPartIsDone",
     {},
     kJustCounting,
     false,
     Then::Runs,
     0.3,
     "computation is running, counting on 2 cores: 0 solutions so far, 0.3 s elapsed",
     "0.0 %",
     true},
    {"BoxCheckedTheSearchStepsAlone",
     {},
     kCounting,
     true,
     Then::Runs,
     0.3,
     "computation is running, 0 solutions, 0.3 s",
     nullptr,
     false},
    {"InterruptedWhilePreparing",
     {},
     kPreparing,
     false,
     Then::Breaks,
     1.0,
     "computation interrupted, 0 solutions; the count of n = 10 is 40 % prepared",
     "preparing: 40 %",
     true},
    {"InterruptedWhileCounting", kGerman, kCounting, false, Then::Breaks, 1.0,
     "computation interrupted, 0 solutions; counted on 2 cores so far: 1.912.345.678 solutions (4,9 %)",
     "4,9 %", true},
    {"Finished",
     {},
     kCounting,
     false,
     Then::Ends,
     2.5,
     "computation finished, " + std::to_string(testing::OracleSolutionCount(10, kFixed31)) +
         " solutions, counted on 2 cores in 2.5 s",
     "100.0 %",
     false},
};

class CountPhases : public ::testing::TestWithParam<CountPhaseRow> {};

TEST_P(CountPhases, StatusAndBarSpeakOfTheWorkersCount) {
    const CountPhaseRow& row = GetParam();
    WindowScript w;
    auto owned = std::make_unique<ScriptedCount>();
    ScriptedCount& count = *owned;
    count.Shown = row.Shown;
    w.form.CountOnCores(2, std::move(owned));
    BoardWatcher watcher(row.Numbers);
    w.Test("10", {{3, "1"}});
    w.SetStopAtSolution(row.StopsAtSolutions);
    BoardPicture picture;
    w.AtPump(1, [&] { watcher.Take(w.form, 100.0); });
    w.AtPump(2, [&] {
        if (row.What == Then::Runs) picture = watcher.Take(w.form, 100.0 + row.Second);
        if (row.What == Then::Breaks) w.Break();
        if (row.What == Then::Ends) count.Released = true;
    });
    w.Start();
    if (row.What != Then::Runs) picture = watcher.Take(w.form, 100.0 + row.Second);
    EXPECT_EQ(picture.Status, row.Status);
    if (row.Bar != nullptr) {
        EXPECT_EQ(picture.ProgressLabel, row.Bar);
    }
    EXPECT_EQ(!picture.StatusTip.empty(), row.Tip);
}

INSTANTIATE_TEST_SUITE_P(Window, CountPhases, ::testing::ValuesIn(kCountPhases),
                         [](const auto& row) { return std::string(row.param.Name); });

// ---- The progress estimate.

struct ShareRow {
    int N;
    Placement Queens;  // the free columns' queens, 0 from the cursor on
    FixedSet Fixed;
    double Share;  // counted by hand: rows open in each column given the queens left of it and the fixed ones
};

class ProgressShare : public ::testing::TestWithParam<ShareRow> {};

TEST_P(ProgressShare, IsTheLexicographicShareOfTheTree) {
    const ShareRow& row = GetParam();
    Board b;
    testing::SetUpBoard(b, row.N, row.Fixed);
    for (std::size_t i = 0; i < row.Queens.size(); ++i) {
        if (row.Queens[i] != 0 && b.FixedColumn[i + 1] == 0) b.Mark(static_cast<int>(i) + 1, row.Queens[i]);
    }
    EXPECT_DOUBLE_EQ(ProgressEstimate::ShareOf(b), row.Share);
}

INSTANTIATE_TEST_SUITE_P(
    Hand, ProgressShare,
    ::testing::Values(ShareRow{4, {2, 4, 1, 3}, {}, 0.25},             // 1 of 4 rows above, then one row each
                      ShareRow{4, {3, 1, 4, 2}, {}, 0.5},              // 2 of 4, then one row each
                      ShareRow{8, {0}, {}, 0.0},                       // nothing placed yet
                      ShareRow{8, {4, 0}, {}, 3.0 / 8},                // the cursor on column 2
                      ShareRow{5, {5, 3, 0}, {}, 4.0 / 5 + 2.0 / 15},  // column 2 open: 1 2 3
                      ShareRow{5, {3, 0, 0}, {{2, 5}}, 2.0 / 3}));     // fixed (2, 5): column 1 open: 1 2 3

// Over whole searches the share never falls, stays below 1, and is 0 at the start.
TEST(ProgressEstimate, NeverFallsOverWholeSearches) {
    const std::pair<int, FixedSet> searches[] = {{8, {}}, {9, {{4, 2}}}, {10, {}}, {10, {{1, 10}, {10, 1}}}};
    for (const auto& [n, fixed] : searches) {
        Board b;
        testing::SetUpBoard(b, n, fixed);
        double last = ProgressEstimate::ShareOf(b);
        EXPECT_EQ(last, 0.0);
        std::int64_t falls = 0;
        testing::DriveSearch(
            b, 1'000'000, [](const Board&) {},
            [&](const Board& now, testing::DriverEvent) {
                if (now.SearchFinished == 1) return true;  // the final state is not a position
                const double share = ProgressEstimate::ShareOf(now);
                falls += share < last || share >= 1.0 ? 1 : 0;
                last = share;
                return true;
            });
        EXPECT_EQ(falls, 0) << "n=" << n;
        EXPECT_GT(last, 0.5) << "n=" << n;  // the last position lies deep in the last columns' rows
    }
}

TEST(ProgressEstimate, ClampsWithinASearchAndReadsOneAtTheEnd) {
    WindowScript w;
    BoardWatcher watcher;
    w.Test("8");
    w.SetStopAtSolution(false);
    double last = 0.0;
    int falls = 0;
    w.platform.EveryPump = [&] {
        // Mirrors further apart than the figures' rest, so that every one updates the progress.
        const BoardPicture& p = watcher.Take(w.form, 0.3 * static_cast<double>(w.platform.Pumps));
        falls += p.Progress < last ? 1 : 0;
        last = p.Progress;
    };
    w.Start();
    EXPECT_EQ(falls, 0);
    EXPECT_GT(last, 0.5);  // the last pumps come late in the search
    const BoardPicture& end = watcher.Take(w.form, 0);
    EXPECT_TRUE(end.ShowProgress);
    EXPECT_EQ(end.Progress, 1.0);
}

TEST(ProgressEstimate, TinyAtTheFirstSolutionOf32) {
    // The first solution of n = 32 in the search's order, as the engine finds it after some 87 million steps.
    const Placement first = {1,  3,  5,  2,  4,  9,  11, 13, 15, 6,  18, 24, 26, 30, 25, 31,
                             28, 32, 27, 29, 16, 19, 10, 8,  17, 12, 21, 7,  14, 23, 20, 22};
    ASSERT_TRUE(testing::IsSolution(32, first));
    Board b;
    testing::SetUpBoard(b, 32, {});
    for (int c = 1; c <= 32; ++c)
        b.Mark(c, first[c - 1]);
    const double share = ProgressEstimate::ShareOf(b);
    EXPECT_GT(share, 1e-18);
    EXPECT_LT(share, 1e-12);
}

struct DurationRow {
    double Seconds;
    const char* Text;
};

class Durations : public ::testing::TestWithParam<DurationRow> {};

TEST_P(Durations, ReadAsAUserReadsThem) {
    EXPECT_EQ(FormatDuration(GetParam().Seconds, 1), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Text, Durations,
                         ::testing::Values(DurationRow{-3, "0.0 s"}, DurationRow{4.24, "4.2 s"},
                                           DurationRow{59.96, "60.0 s"}, DurationRow{187, "3 min 07 s"},
                                           DurationRow{7500, "2 h 05 min"},
                                           DurationRow{1e300, "more than a million hours"}));

}  // namespace
}  // namespace nq
