// SPDX-License-Identifier: GPL-3.0-or-later
// Watching a search through the board window's picture, on the fake clock of the scripted platform: at a slow
// speed every node of the oracle's search tree is drawn once, in order, on time; "Step" makes one pass
// through the window's own handlers from each state it can start in; changing the speed, closing the board
// window, break and reset in the middle of a watched run take effect at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "support/oracle.h"
#include "support/window_script.h"
#include "window/board_picture.h"
#include "window/step_pacer.h"

namespace nq {
namespace {

using testing::FixedSet;
using testing::Placement;
using testing::RowText;
using testing::WindowScript;

constexpr std::int64_t kSecond = 1'000'000;

// A window with a pacer registered and the board window open, tested with n and the fixed queens.
struct Watched {
    WindowScript w;
    StepPacer pacer;
    BoardWatcher board;
    std::vector<std::string> drawn;  // per wait: the picture's position and the step's mark

    Watched(int n, const FixedSet& fixed, int speed) {
        w.form.SetPacer(&pacer);
        pacer.SetShown(true);
        pacer.SetSpeed(speed);
        w.Test(std::to_string(n), testing::EntriesOf(fixed));
        w.platform.Shows = [this] {
            const BoardPicture& p = board.Take(w.form, 0.0, pacer.FrameFor(w.form));
            const char mark = p.Step == StepKind::Placed ? '+' : p.Step == StepKind::Moved ? '~' : '?';
            drawn.push_back(PositionText(p) + " " + mark + std::to_string(p.StepColumn));
        };
    }
    ~Watched() { w.form.SetPacer(nullptr); }
};

// The nodes of the tree as the board draws them: the position, then '+' and the column of a queen placed or
// '~' and the column of a queen moved down.
std::vector<std::string> ExpectedDrawing(int n, const FixedSet& fixed) {
    std::vector<std::string> out;
    Placement previous = testing::PlacementOf(n, fixed);
    for (const testing::TreeNode& node : testing::AllTreeNodes(n, fixed)) {
        std::string mark;
        for (int c = 1; c <= n; ++c) {
            const int was = previous[static_cast<std::size_t>(c - 1)];
            const int is = node.Queens[static_cast<std::size_t>(c - 1)];
            if (is == 0 || is == was) continue;
            mark.clear();
            mark.push_back(was == 0 ? '+' : '~');
            mark += std::to_string(c);
        }
        std::string line = testing::PlacementText(node.Queens);
        line += ' ';
        line += mark;
        out.push_back(std::move(line));
        previous = node.Queens;
    }
    return out;
}

// ---- A watched run draws every step.

struct WatchRow {
    int N;
    FixedSet Fixed;
    int Speed;
};

void PrintTo(const WatchRow& row, std::ostream* os) {
    *os << testing::NameOfSize(row.N) << " " << testing::FixedSetText(row.Fixed) << " at " << row.Speed
        << "/s";
}

class WatchedRun : public ::testing::TestWithParam<WatchRow> {};

TEST_P(WatchedRun, DrawsEveryNodeOnceInOrderOnTime) {
    const WatchRow& row = GetParam();
    Watched watched(row.N, row.Fixed, row.Speed);
    watched.w.SetStopAtSolution(false);
    watched.w.Start();

    const std::vector<std::string> expected = ExpectedDrawing(row.N, row.Fixed);
    EXPECT_EQ(watched.drawn, expected);
    EXPECT_EQ(watched.w.form.Text2.Text, kStateFinished);
    EXPECT_EQ(watched.w.form.SolutionCount, testing::OracleSolutionCount(row.N, row.Fixed));
    // One step's time for each node drawn, to within the rounding of one wait to whole milliseconds.
    const std::int64_t planned = static_cast<std::int64_t>(expected.size()) * (kSecond / row.Speed);
    EXPECT_NEAR(static_cast<double>(watched.w.platform.Clock), static_cast<double>(planned), 1000.0);
    // The counts cover the finishing step too, and every step that placed no queen is a backtrack.
    const StepFrame& last = watched.pacer.Frame();
    EXPECT_EQ(last.Kind, StepKind::Ended);
    EXPECT_TRUE(last.CountedFromStart);
    EXPECT_EQ(last.Steps, static_cast<std::int64_t>(expected.size()) + 1);
    std::int64_t moves = 1;
    for (const std::string& node : expected)
        moves += node.find('~') != std::string::npos ? 1 : 0;
    EXPECT_EQ(last.Backtracks, moves);
}

INSTANTIATE_TEST_SUITE_P(Boards, WatchedRun,
                         ::testing::Values(WatchRow{6, {}, 1}, WatchRow{5, {{5, 2}}, 10},
                                           WatchRow{7, {{3, 5}, {6, 1}}, 300}, WatchRow{8, {{1, 1}}, 1000},
                                           WatchRow{6, {{2, 4}, {3, 6}}, 3}));

// ---- "Step" makes one pass.

enum class Reach {
    Tested,         // after an accepted test
    Interrupted,    // "break" at the first pump of a run that does not stop at solutions
    FullPlacement,  // interrupted by Steps right after the step that completed the first solution
    AtSolution,     // stopped at the first solution
    AtLastSolution  // stopped at the last solution
};

struct StepRow {
    const char* Name;
    int N;
    FixedSet Fixed;
    Reach From;
    int Speed;
};

void PrintTo(const StepRow& row, std::ostream* os) {
    *os << row.Name;
}

class StepFrom : public ::testing::TestWithParam<StepRow> {};

// Where the board stands in the tree: the index of its node, or -1 at the start.
int NodeIndex(const Form1& form, const std::vector<testing::TreeNode>& nodes) {
    const Placement now(form.QueenRow.begin() + 1, form.QueenRow.begin() + 1 + form.BoardSize);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].Queens == now) return static_cast<int>(i);
    }
    return -1;
}

TEST_P(StepFrom, MakesOnePassThroughTheHandlers) {
    const StepRow& row = GetParam();
    Watched watched(row.N, row.Fixed, 0);
    WindowScript& w = watched.w;
    const std::vector<testing::TreeNode> nodes = testing::AllTreeNodes(row.N, row.Fixed);
    switch (row.From) {
        case Reach::Tested: break;
        case Reach::Interrupted:
            w.SetStopAtSolution(false);
            w.AtPump(1, [&w] { w.Break(); });
            w.Start();
            w.SetStopAtSolution(true);
            break;
        case Reach::FullPlacement:
            while (NodeIndex(w.form, nodes) < 0 ||
                   nodes[static_cast<std::size_t>(NodeIndex(w.form, nodes))].NextColumn != row.N + 1)
                ASSERT_TRUE(watched.pacer.Step(w.form));
            break;
        case Reach::AtSolution: w.Start(); break;
        case Reach::AtLastSolution:
            w.Start();
            while (w.form.SolutionCount < testing::OracleSolutionCount(row.N, row.Fixed))
                w.Next();
            break;
    }
    watched.pacer.SetSpeed(row.Speed);
    ASSERT_TRUE(StepPacer::CanStep(w.form)) << w.form.Text2.Text;

    const int at = NodeIndex(w.form, nodes);
    const std::int64_t counted = w.form.SolutionCount;
    const bool uncounted = w.form.Text2.Text == kStateInterrupted && at >= 0 &&
                           nodes[static_cast<std::size_t>(at)].NextColumn == row.N + 1;
    const long long waits = w.platform.Waits;
    ASSERT_TRUE(watched.pacer.Step(w.form));

    EXPECT_EQ(w.platform.Waits, waits);  // a Step never waits
    EXPECT_FALSE(w.form.Running());
    if (uncounted) {  // the pass counts the placement on the board and stops there
        EXPECT_EQ(w.form.Text2.Text, kStateSolutionFound);
        EXPECT_EQ(w.form.SolutionCount, counted + 1);
        EXPECT_EQ(NodeIndex(w.form, nodes), at);
        EXPECT_EQ(w.Controls(), testing::kControlsAtSolution);
        return;
    }
    EXPECT_EQ(w.form.SolutionCount, counted);
    const std::size_t next = static_cast<std::size_t>(at + 1);
    if (next == nodes.size()) {  // the step that ends the search
        EXPECT_EQ(w.form.Text2.Text, kStateFinished);
        EXPECT_EQ(w.Controls(), testing::kControlsFinished);
        return;
    }
    EXPECT_EQ(w.form.Text2.Text, kStateInterrupted);
    EXPECT_EQ(w.Controls(), "test:0 start:1 break:0 next:0 check:1/1 locked:1");
    EXPECT_EQ(w.DisplayRow(), RowText(nodes[next].Queens));
    // The board draws the step at the stop, highlighted.
    const BoardPicture& p = watched.board.Take(w.form, 0.0, watched.pacer.FrameFor(w.form));
    EXPECT_EQ(PositionText(p), testing::PlacementText(nodes[next].Queens));
    EXPECT_NE(p.StepColumn, 0);
}

INSTANTIATE_TEST_SUITE_P(
    States, StepFrom,
    ::testing::Values(StepRow{"Tested", 6, {}, Reach::Tested, 0},
                      StepRow{"TestedFixedFirstColumn", 6, {{1, 2}}, Reach::Tested, 1},
                      StepRow{"Interrupted", 8, {}, Reach::Interrupted, 0},
                      StepRow{"InterruptedSlow", 8, {{4, 1}}, Reach::Interrupted, 1},
                      StepRow{"FullPlacement", 6, {}, Reach::FullPlacement, 0},
                      StepRow{"AtSolution", 6, {}, Reach::AtSolution, 0},
                      StepRow{"AtSolutionFixedLastColumn", 5, {{5, 2}}, Reach::AtSolution, 10},
                      StepRow{"AtLastSolution", 6, {}, Reach::AtLastSolution, 0},
                      StepRow{"AtLastSolutionEndsTheSearch", 4, {{1, 3}}, Reach::AtLastSolution, 0}),
    [](const ::testing::TestParamInfo<StepRow>& row) { return std::string(row.param.Name); });

// ---- Changes in the middle of a watched run, n = 6 at one step a second, at the third step's wait.

struct MidRunRow {
    const char* Name;
    std::function<void(Watched&)> Action;
    const char* State;    // Text2 when the run is over
    std::int64_t Count;   // solutions counted by then
    int StepsThereAfter;  // steps' times waited after the action, and their speed
    int SpeedThereAfter;
};

void PrintTo(const MidRunRow& row, std::ostream* os) {
    *os << row.Name;
}

class MidRun : public ::testing::TestWithParam<MidRunRow> {};

TEST_P(MidRun, TakesEffectAtOnce) {
    const MidRunRow& row = GetParam();
    Watched watched(6, {}, 1);
    watched.w.SetStopAtSolution(false);
    std::int64_t actedAt = -1;
    watched.w.platform.AtWait[3] = [&] {
        actedAt = watched.w.platform.Clock;
        row.Action(watched);
    };
    watched.w.Answer(kAnswerYes);
    watched.w.Start();

    ASSERT_GE(actedAt, 0);
    EXPECT_EQ(watched.w.form.Text2.Text, row.State);
    EXPECT_EQ(watched.w.form.SolutionCount, row.Count);
    const std::int64_t after = watched.w.platform.Clock - actedAt;
    if (row.StepsThereAfter == 0) {
        EXPECT_LT(after, 50'000) << "microseconds waited after the action";
        EXPECT_EQ(watched.w.platform.Waits, 3);
    } else {
        EXPECT_NEAR(static_cast<double>(after),
                    static_cast<double>(row.StepsThereAfter * (kSecond / row.SpeedThereAfter)), 1000.0);
    }
}

const int kNodes6 = static_cast<int>(testing::AllTreeNodes(6, {}).size());

INSTANTIATE_TEST_SUITE_P(
    Actions, MidRun,
    ::testing::Values(
        MidRunRow{"FasterSpeed", [](Watched& x) { x.pacer.SetSpeed(100); }, kStateFinished, 4, kNodes6 - 3,
                  100},
        MidRunRow{"FullSpeed", [](Watched& x) { x.pacer.SetSpeed(0); }, kStateFinished, 4, 0, 1},
        MidRunRow{"BoardWindowClosed", [](Watched& x) { x.pacer.SetShown(false); }, kStateFinished, 4, 0, 1},
        MidRunRow{"Break", [](Watched& x) { x.w.Break(); }, kStateInterrupted, 0, 0, 1},
        MidRunRow{"Reset", [](Watched& x) { x.w.Reset(); }, kStateTestInput, 0, 0, 1}),
    [](const ::testing::TestParamInfo<MidRunRow>& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace nq
