// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, reset and quit: the idle state after loading, a reset in every state of the window (answered Yes
// and No, also in the middle of a run), the two questions, and how a close or quit ends the program or a run.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "support/monkey.h"
#include "support/oracle.h"
#include "support/scripted_platform.h"
#include "window/form1.h"

namespace nq::testing {
namespace {

// A scripted platform that says on stderr which question it answered last before it ends the process, so that
// a death test can see that the program asked before it ended.
class ReportingPlatform : public ScriptedPlatform {
  public:
    [[noreturn]] void EndProcess() override {
        std::fprintf(stderr, "process ended after \"%s\"\n", Shown.empty() ? "" : Shown.back().Text.c_str());
        std::fflush(stderr);
        ScriptedPlatform::EndProcess();
    }
};

// One loaded window; entries are given by board column (1..32).
struct Window {
    ReportingPlatform platform;
    Form1 form{platform};

    Window() { form.Form_Load(); }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    void Test(const std::string& n, const std::vector<std::pair<int, std::string>>& entries = {}) {
        form.Type(ControlName::Text1, -1, n);
        for (const auto& [column, text] : entries)
            form.Type(ControlName::Text7, column - 1, text);
        form.Click(ControlName::Command1);
    }
    void SetStopAtSolution(bool checked) {
        if (form.StopsAtSolutions() != checked) form.ToggleCheck();
    }
    void Click(ControlName button) { form.Click(button); }
    void Answer(int answer) { platform.Answers.push_back(answer); }
    WindowSnapshot Snap() const { return WindowSnapshot::Of(form, platform); }
};

// The snapshot a run leaves when it returns from a pump without another pass: its counter back at 0, not
// running.
WindowSnapshot AsLeftByTheLoop(WindowSnapshot s) {
    s.Fields.StepCounter = 0;
    s.Running = false;
    return s;
}

// ---- Start-up

TEST(StartUp, FormLoadLeavesTheIdleStateAndAClearedBoard) {
    ScriptedPlatform platform;
    Form1 form(platform);
    form.Form_Load();
    EXPECT_EQ(CheckIdleWindow(form), "");
    EXPECT_EQ(form.BoardSize, 0);
    EXPECT_TRUE(platform.Shown.empty());
    EXPECT_EQ(platform.Pumps, 0);
    EXPECT_FALSE(form.Running());
}

// ---- Reset in each state of the window

struct StateRow {
    const char* Name;
    std::function<void(Window&)> Enter;
    WindowState Expected;
};

void PrintTo(const StateRow& row, std::ostream* os) {
    *os << row.Name;
}

const std::vector<StateRow>& States() {
    static const std::vector<StateRow> rows = {
        {"Idle", [](Window&) {}, WindowState::Idle},
        {"IdleCheckCleared", [](Window& w) { w.SetStopAtSolution(false); }, WindowState::Idle},
        {"IdleAfterFailedTest",  // column 2 accepted (red), column 5 repeats its row
         [](Window& w) {
             w.Test("8", {{2, "3"}, {5, "3"}, {11, "4"}});
         },
         WindowState::Idle},
        {"IdleAfterRejectedN",
         [](Window& w) {
             w.SetStopAtSolution(false);
             w.Test("abc", {{1, "1"}});
         },
         WindowState::Idle},
        {"Tested",
         [](Window& w) {
             w.Test("8", {{3, "5"}});
         },
         WindowState::Tested},
        {"TestedSmallerAfterLarger",  // the box of column 9, red before, is erased above the new n
         [](Window& w) {
             w.Test("10", {{9, "3"}});
             w.Test("5");
         },
         WindowState::Tested},
        {"IdleAfterTestedThenFailedRetest",  // column 4 repeats the row of column 3
         [](Window& w) {
             w.Test("8", {{3, "5"}});
             w.form.Type(ControlName::Text7, 3, "5");
             w.Click(ControlName::Command1);
         },
         WindowState::Idle},
        {"StoppedAtSolution",
         [](Window& w) {
             w.Test("6");
             w.Click(ControlName::Command2);
         },
         WindowState::StoppedAtSolution},
        {"StoppedAtSecondSolution",
         [](Window& w) {
             w.Test("8", {{1, "1"}});
             w.Click(ControlName::Command2);
             w.Click(ControlName::Command4);
         },
         WindowState::StoppedAtSolution},
        {"Interrupted",
         [](Window& w) {
             w.Test("10");
             w.SetStopAtSolution(false);
             w.platform.AtPump[2] = [&w] { w.Click(ControlName::Command3); };
             w.Click(ControlName::Command2);
         },
         WindowState::Interrupted},
        {"InterruptedOnBoard32",
         [](Window& w) {
             w.Test("32", {{32, "1"}, {31, "3"}});
             w.platform.AtPump[3] = [&w] { w.Click(ControlName::Command3); };
             w.Click(ControlName::Command2);
         },
         WindowState::Interrupted},
        {"Finished",
         [](Window& w) {
             w.Test("5");
             w.SetStopAtSolution(false);
             w.Click(ControlName::Command2);
         },
         WindowState::Finished},
        {"FinishedEveryColumnFixed",
         [](Window& w) {
             w.Test("4", {{1, "2"}, {2, "4"}, {3, "1"}, {4, "3"}});
             w.SetStopAtSolution(false);
             w.Click(ControlName::Command2);
         },
         WindowState::Finished},
    };
    return rows;
}

enum class Question { Reset, Quit, CloseBox, ProgramClose };

const char* QuestionName(Question q) {
    switch (q) {
        case Question::Reset: return "Reset";
        case Question::Quit: return "Quit";
        case Question::CloseBox: return "CloseBox";
        default: return "ProgramClose";
    }
}

// Asks the question as the user would: "reset", "quit", the close box (reason 0), or the program's close
// (reason 1). Returns what RequestClose returned (true for the buttons).
bool Ask(Window& w, Question q) {
    switch (q) {
        case Question::Reset: w.Click(ControlName::Command5); return true;
        case Question::Quit: w.Click(ControlName::Command6); return true;
        case Question::CloseBox: return w.form.RequestClose(0);
        default: return w.form.RequestClose(1);
    }
}

// The question asked, once, with the caption as title and the Yes/No style; every answer queued was taken.
void ExpectAsked(const Window& w, std::size_t boxesBefore, const std::string& text) {
    ASSERT_EQ(w.platform.Shown.size(), boxesBefore + 1);
    EXPECT_EQ(w.platform.Shown.back().Text, text);
    EXPECT_EQ(w.platform.Shown.back().Title, w.platform.WindowCaption);
    EXPECT_EQ(w.platform.Shown.back().Style, kStyleQuestion);
    EXPECT_TRUE(w.platform.Answers.empty());
}

class InState : public ::testing::TestWithParam<StateRow> {
  protected:
    // A window brought into the row's state, with a caption of its own.
    void Enter(Window& w) {
        w.platform.WindowCaption = "window title " + std::string(GetParam().Name);
        GetParam().Enter(w);
        ASSERT_EQ(StateOf(w.form), GetParam().Expected) << "the scenario does not reach its state";
        ASSERT_EQ(CheckControlStates(w.form), "");
    }
};

TEST_P(InState, ResetAnsweredYesGivesTheIdleState) {
    Window w;
    ASSERT_NO_FATAL_FAILURE(Enter(w));
    const WindowSnapshot before = w.Snap();
    w.Answer(kAnswerYes);
    w.Click(ControlName::Command5);
    ASSERT_NO_FATAL_FAILURE(ExpectAsked(w, before.ShownBoxes, "reset program ?"));
    EXPECT_EQ(CheckIdleWindow(w.form), "");
    EXPECT_EQ(w.form.BoardSize, before.Fields.BoardSize);
    EXPECT_EQ(w.form.SearchColumn, before.Fields.SearchColumn);
    // The cleared board stays cleared: every row not free, so no queen can be placed until the next test.
    for (int r = 1; r <= kMaxN; ++r)
        EXPECT_EQ(w.form.RowFree[r], 0) << "row " << r;

    // A new test and search then behave as in a fresh window: the old board leaves nothing behind.
    w.Test("6", {{2, "4"}});
    w.SetStopAtSolution(false);
    w.Click(ControlName::Command2);
    EXPECT_EQ(w.form.Text2.Text, kStateFinished);
    EXPECT_EQ(w.form.SolutionCount, OracleSolutionCount(6, {{2, 4}}));
}

// "reset", "quit", the close box (reason 0) and the program's own close (reason 1), answered No: every
// control and field stays as it was. A close by the operating system or an owner (reasons 2 and above) asks
// nothing, goes ahead and changes nothing either.
TEST_P(InState, QuestionsAnsweredNoAndSystemClosesChangeNothing) {
    for (Question q : {Question::Reset, Question::Quit, Question::CloseBox, Question::ProgramClose}) {
        SCOPED_TRACE(QuestionName(q));
        Window w;
        ASSERT_NO_FATAL_FAILURE(Enter(w));
        const WindowSnapshot before = w.Snap();
        w.Answer(kAnswerNo);
        const bool closes = Ask(w, q);
        EXPECT_EQ(closes, q == Question::Reset || q == Question::Quit);
        ASSERT_NO_FATAL_FAILURE(
            ExpectAsked(w, before.ShownBoxes, q == Question::Reset ? "reset program ?" : "exit program ?"));
        WindowSnapshot expected = before;
        expected.ShownBoxes += 1;
        EXPECT_EQ(DescribeSnapshotDifference(expected, w.Snap()), "");
    }
    for (std::int16_t reason : std::initializer_list<std::int16_t>{2, 3, 5, 100, 32767}) {
        SCOPED_TRACE("system close, reason " + std::to_string(reason));
        Window w;
        ASSERT_NO_FATAL_FAILURE(Enter(w));
        const WindowSnapshot before = w.Snap();
        EXPECT_TRUE(w.form.RequestClose(reason));
        EXPECT_EQ(DescribeSnapshotDifference(before, w.Snap()), "");
        EXPECT_EQ(w.platform.UnansweredQuestions, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(States, InState, ::testing::ValuesIn(States()),
                         [](const auto& p) { return std::string(p.param.Name); });

// ---- Runs with a question at a pump

struct RunRow {
    const char* Name;
    std::string N;
    std::vector<std::pair<int, std::string>> Entries;
    bool StopAtSolution;
    long long ActAtPump;    // the pump at which the question comes
    long long BreakAtPump;  // 0: the run ends by itself
};

void PrintTo(const RunRow& row, std::ostream* os) {
    *os << row.Name;
}

const std::vector<RunRow>& Runs() {
    static const std::vector<RunRow> rows = {
        {"Counting8", "8", {}, false, 5, 0},
        {"Stopping8", "8", {}, true, 1, 0},
        {"Counting9FixedLast", "9", {{9, "5"}}, false, 10, 0},
        {"Counting10FixedFirst", "10", {{1, "2"}}, false, 7, 0},
        {"Stopping32WithBreak", "32", {{16, "16"}}, true, 4, 12},
    };
    return rows;
}

// What the run did: the board at every pump (so also how many), and the window when the click returned.
struct RunRecord {
    std::vector<Board> AtPumps;
    WindowSnapshot Final;
};

// Tests and starts the row's search; `act` runs inside pump ActAtPump (before the board of that pump is
// recorded).
RunRecord RecordRun(Window& w, const RunRow& row, const std::function<void()>& act) {
    RunRecord record;
    w.Test(row.N, row.Entries);
    w.SetStopAtSolution(row.StopAtSolution);
    w.platform.EveryPump = [&] {
        if (w.platform.Pumps == row.ActAtPump && act) act();
        if (w.platform.Pumps == row.BreakAtPump) w.Click(ControlName::Command3);
        record.AtPumps.push_back(static_cast<const Board&>(w.form));
    };
    w.Click(ControlName::Command2);
    w.platform.EveryPump = nullptr;
    record.Final = w.Snap();
    return record;
}

class DuringRun : public ::testing::TestWithParam<RunRow> {};

// Answered No, a question changes nothing: the run makes the same passes, pumps as often, and ends the same.
TEST_P(DuringRun, QuestionsAnsweredNoLeaveTheSamePasses) {
    const RunRow& row = GetParam();
    Window plain;
    const RunRecord expected = RecordRun(plain, row, nullptr);
    ASSERT_GE(static_cast<long long>(expected.AtPumps.size()), row.ActAtPump)
        << "the run never reaches the pump";
    ASSERT_NE(expected.Final.Text2.Text, kStateRunning);

    for (Question q : {Question::Reset, Question::Quit, Question::CloseBox, Question::ProgramClose}) {
        SCOPED_TRACE(QuestionName(q));
        Window asked;
        bool closeRefused = false;
        const RunRecord got = RecordRun(asked, row, [&] {
            asked.Answer(kAnswerNo);
            closeRefused = !Ask(asked, q);
        });
        EXPECT_EQ(closeRefused, q == Question::CloseBox || q == Question::ProgramClose);
        ASSERT_EQ(got.AtPumps.size(), expected.AtPumps.size());
        for (std::size_t k = 0; k < got.AtPumps.size(); ++k) {
            ASSERT_EQ(DescribeBoardDifference(expected.AtPumps[k], got.AtPumps[k]), "")
                << "at pump " << k + 1;
        }
        WindowSnapshot final = expected.Final;
        final.ShownBoxes += 1;
        EXPECT_EQ(DescribeSnapshotDifference(final, got.Final), "");
        ASSERT_FALSE(asked.platform.Shown.empty());
        EXPECT_EQ(asked.platform.Shown.back().Text,
                  q == Question::Reset ? "reset program ?" : "exit program ?");
    }
}

// A confirmed reset ends the run at the pump: no pass follows, nothing is counted or shown, the window is
// idle.
TEST_P(DuringRun, ResetAnsweredYesEndsTheRunAtThePump) {
    const RunRow& row = GetParam();
    Window w;
    WindowSnapshot atReset;
    const RunRecord got = RecordRun(w, row, [&] {
        w.Answer(kAnswerYes);
        w.Click(ControlName::Command5);
        atReset = w.Snap();
    });
    EXPECT_EQ(static_cast<long long>(got.AtPumps.size()), row.ActAtPump);
    EXPECT_EQ(CheckIdleWindow(w.form), "");
    EXPECT_EQ(DescribeSnapshotDifference(AsLeftByTheLoop(atReset), got.Final), "");
}

// A close by the system ends a run in progress when the pump in which it came returns, with no further pass.
TEST_P(DuringRun, SystemCloseEndsTheRunAtThePump) {
    const RunRow& row = GetParam();
    for (std::int16_t reason : std::initializer_list<std::int16_t>{2, 100}) {
        SCOPED_TRACE("reason " + std::to_string(reason));
        Window w;
        WindowSnapshot atClose;
        bool closes = false;
        const RunRecord got = RecordRun(w, row, [&] {
            closes = w.form.RequestClose(reason);
            atClose = w.Snap();
        });
        EXPECT_TRUE(closes);
        EXPECT_EQ(static_cast<long long>(got.AtPumps.size()), row.ActAtPump);
        EXPECT_FALSE(w.form.Running());
        EXPECT_TRUE(w.platform.Shown.empty());
        EXPECT_EQ(DescribeSnapshotDifference(AsLeftByTheLoop(atClose), got.Final), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, DuringRun, ::testing::ValuesIn(Runs()),
                         [](const auto& p) { return std::string(p.param.Name); });

// ---- Reset while the cursor stands on a completed placement

struct CompletedRow {
    const char* Name;
    std::string N;
    std::vector<std::pair<int, std::string>> Entries;
};

// A reset at a pump whose last pass completed a placement (SearchColumn = n + 1, not yet counted) must not
// count or show it: the run ends there and the window is idle. The pumps where that happens are found by
// scanning a run.
TEST(ResetOnCompletedPlacement, TheRunEndsWithoutCountingOrShowing) {
    const std::vector<CompletedRow> rows = {{"n8", "8", {}},
                                            {"n9", "9", {}},
                                            {"n10", "10", {}},
                                            {"n10Fixed", "10", {{4, "7"}}},
                                            {"n11", "11", {}}};
    int found = 0;
    for (const CompletedRow& row : rows) {
        SCOPED_TRACE(row.Name);
        std::vector<long long> pumps;
        {
            Window scan;
            scan.Test(row.N, row.Entries);
            scan.SetStopAtSolution(false);
            scan.platform.EveryPump = [&] {
                if (scan.form.SearchColumn == scan.form.BoardSize + 1) pumps.push_back(scan.platform.Pumps);
            };
            scan.Click(ControlName::Command2);
            scan.platform.EveryPump = nullptr;
        }
        if (pumps.size() > 3) pumps.resize(3);
        for (long long k : pumps) {
            SCOPED_TRACE("pump " + std::to_string(k));
            ++found;
            Window w;
            w.Test(row.N, row.Entries);
            w.SetStopAtSolution(false);
            WindowSnapshot atReset;
            w.platform.AtPump[k] = [&] {
                ASSERT_EQ(w.form.SearchColumn, w.form.BoardSize + 1);
                w.Answer(kAnswerYes);
                w.Click(ControlName::Command5);
                atReset = w.Snap();
            };
            w.Click(ControlName::Command2);
            EXPECT_EQ(w.platform.Pumps, k);
            EXPECT_EQ(CheckIdleWindow(w.form),
                      "");  // Text3 and the display row blank, "next solution" disabled
            EXPECT_EQ(DescribeSnapshotDifference(AsLeftByTheLoop(atReset), w.Snap()), "");
        }
    }
    EXPECT_GT(found, 0) << "no scanned run had a pump on a completed placement";
}

// ---- Reset, then test (and start) in the same pump

struct RetestRow {
    const char* Name;
    std::string OldN;
    long long Pump;
    std::string NewN;
    std::vector<std::pair<int, std::string>> NewEntries;
    FixedSet NewFixed;  // the queens of NewEntries
    bool StartToo;
    bool StopAtSolution;  // for the new run
};

void PrintTo(const RetestRow& row, std::ostream* os) {
    *os << row.Name;
}

class ResetThenTestInOnePump : public ::testing::TestWithParam<RetestRow> {};

// The old loop must not go on over the new board: the window is exactly as the handlers in the pump left it.
TEST_P(ResetThenTestInOnePump, TheOldRunLeavesTheNewBoardAlone) {
    const RetestRow& row = GetParam();
    Window w;
    w.Test(row.OldN);
    w.SetStopAtSolution(false);
    WindowSnapshot afterPump;
    long long pumpsAfterHandlers = 0;
    w.platform.AtPump[row.Pump] = [&] {
        w.Answer(kAnswerYes);
        w.Click(ControlName::Command5);
        w.Test(row.NewN, row.NewEntries);
        if (row.StartToo) {
            w.SetStopAtSolution(row.StopAtSolution);
            w.Click(ControlName::Command2);
        }
        afterPump = w.Snap();
        pumpsAfterHandlers = w.platform.Pumps;
    };
    w.Click(ControlName::Command2);
    ASSERT_GT(pumpsAfterHandlers, 0) << "the old run never reached the pump";
    EXPECT_EQ(w.platform.Pumps, pumpsAfterHandlers);
    EXPECT_EQ(DescribeSnapshotDifference(AsLeftByTheLoop(afterPump), w.Snap()), "");

    const int n = std::stoi(row.NewN);
    if (!row.StartToo) {
        EXPECT_EQ(w.form.Text2.Text, kStateStartComputation);
        EXPECT_EQ(CheckControlStates(w.form), "");
        EXPECT_EQ(DescribeFieldDifference(PreparedBoard(n, row.NewFixed, w.form), w.form), "");
        return;
    }
    EXPECT_EQ(CheckControlStates(w.form), "");
    if (row.StopAtSolution) {
        ASSERT_EQ(w.form.Text2.Text, kStateSolutionFound);
        const std::vector<Placement> all = PermutationSolutions(n, row.NewFixed);
        ASSERT_FALSE(all.empty());
        EXPECT_EQ(PlacementText(QueensOf(w.form)), PlacementText(all.front()));
        EXPECT_EQ(w.form.Text3.Text, "1");
    } else {
        EXPECT_EQ(w.form.Text2.Text, kStateFinished);
        EXPECT_EQ(w.form.SolutionCount, OracleSolutionCount(n, row.NewFixed));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ResetThenTestInOnePump,
    ::testing::Values(RetestRow{"TestOnly", "9", 3, "6", {{2, "4"}}, {{2, 4}}, false, false},
                      RetestRow{"TestOnlyLargerBoard", "8", 2, "12", {{12, "1"}}, {{12, 1}}, false, false},
                      RetestRow{"TestAndCount", "10", 5, "7", {{1, "3"}}, {{1, 3}}, true, false},
                      RetestRow{"TestAndStop", "9", 4, "8", {{8, "4"}}, {{8, 4}}, true, true},
                      RetestRow{"TestAndCountLongerThanAPump", "8", 2, "9", {}, {}, true, false}),
    [](const auto& p) { return std::string(p.param.Name); });

// ---- The questions

// Each question is asked once, with the caption the window has at that moment as its title, and the Yes/No
// style.
TEST(Questions, CarryTheCaptionAsTitleAndTheYesNoStyle) {
    for (Question q : {Question::Reset, Question::Quit, Question::CloseBox, Question::ProgramClose}) {
        for (const std::string caption :
             {"n Queens on a n x n Chessboard", "a caption changed at run time", ""}) {
            SCOPED_TRACE(std::string(QuestionName(q)) + " with caption \"" + caption + "\"");
            Window w;
            w.Test("5");
            w.platform.WindowCaption = caption;
            w.Answer(kAnswerNo);
            Ask(w, q);
            ASSERT_NO_FATAL_FAILURE(
                ExpectAsked(w, 0, q == Question::Reset ? "reset program ?" : "exit program ?"));
            EXPECT_EQ(w.platform.Shown[0].Title, caption);
            EXPECT_EQ(w.platform.UnansweredQuestions, 0);
        }
    }
}

// ---- Quit answered Yes ends the process

struct EndRow {
    const char* Name;
    std::function<void(Window&)> Enter;
    long long AtPump;  // 0: asked at the top; else inside this pump of a run started after Enter
};

void PrintTo(const EndRow& row, std::ostream* os) {
    *os << row.Name;
}

class QuitAnsweredYes : public ::testing::TestWithParam<EndRow> {};

// Brings the window into the row's state and asks the question, answered Yes; returns only if the process
// lives on.
void AskYes(const EndRow& row, Question question) {
    Window w;
    row.Enter(w);
    if (row.AtPump == 0) {
        w.Answer(kAnswerYes);
        Ask(w, question);
    } else {
        w.platform.AtPump[row.AtPump] = [&w, question] {
            w.Answer(kAnswerYes);
            Ask(w, question);
        };
        w.Click(ControlName::Command2);
    }
    std::fprintf(stderr, "still running\n");
}

TEST_P(QuitAnsweredYes, EndsTheProcessAfterAsking) {
    for (Question q : {Question::Quit, Question::CloseBox, Question::ProgramClose}) {
        SCOPED_TRACE(QuestionName(q));
        EXPECT_EXIT(AskYes(GetParam(), q), ::testing::ExitedWithCode(kEndProcessExitCode),
                    "process ended after \"exit program \\?\"");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, QuitAnsweredYes,
                         ::testing::Values(EndRow{"Idle", [](Window&) {}, 0},
                                           EndRow{"Tested", [](Window& w) { w.Test("7"); }, 0},
                                           EndRow{"StoppedAtSolution",
                                                  [](Window& w) {
                                                      w.Test("6");
                                                      w.Click(ControlName::Command2);
                                                  },
                                                  0},
                                           EndRow{"InARun",
                                                  [](Window& w) {
                                                      w.Test("12");
                                                      w.SetStopAtSolution(false);
                                                  },
                                                  3}),
                         [](const auto& p) { return std::string(p.param.Name); });

}  // namespace
}  // namespace nq::testing
