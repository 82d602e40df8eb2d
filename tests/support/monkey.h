// SPDX-License-Identifier: GPL-3.0-or-later
// A seeded randomised user ("monkey") for the headless window. It acts as a user would (monkey_actions.h),
// at the top and now and then at event pumps, and after every action and at every pump checks the window
// against what it knows: the rows of the control-state table (window_states.h), the board invariants, the
// outcome of "test" (test_outcome.h), the k-th solution of a search and the final count (solution_book.h,
// against the oracle). Shared by the monkey test, its benchmark and the fuzz targets.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/board_invariants.h"
#include "support/choosers.h"
#include "support/monkey_actions.h"
#include "support/oracle.h"
#include "support/scripted_platform.h"
#include "support/solution_book.h"
#include "support/test_outcome.h"
#include "support/window_snapshot.h"
#include "support/window_states.h"
#include "window/form1.h"

namespace nq::testing {

struct MonkeyBudget {
    int ActionsPerSequence = 24;  // top-level actions
    int PumpsPerAction = 300;     // event pumps a top-level action may run before the monkey presses "break"
    int InjectPercent = 6;        // chance of acting at a pump
    int MaxNesting = 3;           // runs started inside pumps of runs
};

struct MonkeyStats {
    long long Sequences = 0;
    long long Actions = 0;
    long long Pumps = 0;
    long long Checks = 0;
    long long Failures = 0;
    std::array<long long, 6> StatesSeen{};  // checks made in each state of the window, by WindowState
    long long NestedRuns = 0;               // runs started inside a pump of another run
};

class Monkey {
  public:
    explicit Monkey(MonkeyBudget budget = {}) : budget_(budget) {}

    const MonkeyStats& Stats() const { return stats_; }
    // The first failure with the actions that led to it, one per line; empty while none was found.
    const std::string& FirstFailure() const { return firstFailure_; }

    // A fresh window, loaded, then actions chosen by `choose` (at the top and, now and then, at event pumps)
    // until the budget or the choices are used up, the window is closed, or a check fails. Returns false on a
    // failure.
    bool RunSequence(Chooser& choose) {
        Begin(&choose);
        if (choose.Chance(30)) platform_->WindowCaption = "caption " + std::to_string(choose.Below(1000));
        for (int k = 0; k < budget_.ActionsPerSequence && !failed_ && !model_.Closed && !choose.Exhausted();
             ++k) {
            Do(ChooseAction(choose, *form_));
        }
        return End();
    }

    // A fresh window, loaded and checked. With a chooser, the monkey also acts at event pumps now and then.
    void Begin(Chooser* pumpChooser) {
        platform_ = std::make_unique<ScriptedPlatform>();
        form_ = std::make_unique<Form1>(*platform_);
        model_ = Model{};
        frames_.clear();
        trace_.clear();
        failed_ = false;
        pumpChooser_ = pumpChooser;
        ++stats_.Sequences;
        platform_->EveryPump = [this] { OnPump(); };
        form_->Form_Load();
        model_.Text4 = form_->Text4.Text;
        Check(CheckIdleWindow(*form_), "after Form_Load");
    }

    // Ends the sequence; false when a check failed.
    bool End() {
        if (!failed_ && platform_->UnansweredQuestions != 0)
            Fail("a question was asked that the monkey did not expect");
        platform_->EveryPump = nullptr;
        pumpChooser_ = nullptr;
        return !failed_;
    }

    Form1& Window() { return *form_; }
    ScriptedPlatform& Platform() { return *platform_; }
    bool Failed() const { return failed_; }

    // Carries out one action as a user would and checks the window afterwards (exposed for the fuzz targets).
    void Do(const MonkeyAction& a) {
        if (failed_ || model_.Closed) return;
        const bool topLevel = frames_.empty();
        if (topLevel) pumpsThisAction_ = 0;
        ++stats_.Actions;
        Trace(a.Describe());
        Form1& f = *form_;
        const WindowSnapshot before = Snap();
        const WindowState state = StateOf(f);
        switch (a.What) {
            case MonkeyAction::TypeN:
            case MonkeyAction::TypeEntry: DoType(a, before); break;
            case MonkeyAction::Toggle: DoToggle(before); break;
            case MonkeyAction::Close: DoClose(a, before); break;
            case MonkeyAction::Click: DoClick(a, before, state); break;
        }
        if (model_.Closed) return;
        CheckAll(false);
        if (topLevel) {
            Check(form_->Running() ? "a run outlived its click" : "", "after a top-level action");
            Check(StateOf(f) == WindowState::Running ? "the state line says running after the click" : "",
                  "after a top-level action");
        }
    }

  private:
    // What the monkey knows the window should hold, beyond what the state line tells.
    struct Model {
        bool Closed = false;
        // An accepted n has been tested since the last reset: the board is that test's.
        bool Prepared = false;
        int N = 0;
        FixedSet Fixed;
        std::string Text1;
        std::string Text4;
        std::array<std::string, kBoxesPerRow> Text7{};
        std::array<bool, kBoxesPerRow> Red{};
    };

    // A click that may run a search: while its run is on the stack, the pumps belong to it.
    struct Frame {
        bool BoardGone = false;  // a reset, a test or a close ran in one of its pumps
        bool EndExpected = false;
        WindowSnapshot End;  // what its run must leave when it returns without another pass
    };

    WindowSnapshot Snap() const { return WindowSnapshot::Of(*form_, *platform_); }

    void Trace(const std::string& line) {
        std::string prefix(2 * frames_.size(), ' ');
        if (!frames_.empty()) prefix += "[pump " + std::to_string(platform_->Pumps) + "] ";
        trace_ += prefix + line + "\n";
    }

    void Fail(const std::string& what) {
        if (failed_) return;
        failed_ = true;
        ++stats_.Failures;
        if (firstFailure_.empty())
            firstFailure_ = what + "\nactions (fresh window, Form_Load first):\n" + trace_;
        // End every run on the stack at its next pump: the window goes away.
        form_->RequestClose(2);
        model_.Closed = true;
    }

    void Check(const std::string& fault, const char* where) {
        ++stats_.Checks;
        if (!fault.empty() && !failed_) Fail(std::string(where) + ": " + fault);
    }

    // ---- The checks made after every action and at every pump.
    void CheckAll(bool atPump) {
        if (failed_ || model_.Closed) return;
        const Form1& f = *form_;
        const char* where = atPump ? "at a pump" : "after the action";
        Check(CheckFieldRanges(f), where);
        Check(CheckControlStates(f), where);
        if (f.Text1.Text != model_.Text1)
            Check("Text1 " + detail::Quote(f.Text1.Text) + ", expected " + detail::Quote(model_.Text1),
                  where);
        for (int i = 0; i < kBoxesPerRow && !failed_; ++i) {
            if (f.Text7[i].Text != model_.Text7[i]) {
                Check("Text7(" + std::to_string(i) + ") " + detail::Quote(f.Text7[i].Text) + ", expected " +
                          detail::Quote(model_.Text7[i]),
                      where);
            }
            if ((f.Text7[i].ForeColor == kRed) != model_.Red[i] ||
                (f.Text7[i].ForeColor != kRed && f.Text7[i].ForeColor != kBlack)) {
                Check("Text7(" + std::to_string(i) + ") has the wrong colour", where);
            }
        }
        if (f.Text4.Text != model_.Text4) Check("Text4 changed", where);
        if (failed_) return;
        const WindowState state = StateOf(f);
        ++stats_.StatesSeen[static_cast<std::size_t>(state)];
        switch (state) {
            case WindowState::Idle:
                if (!model_.Prepared) {
                    Check(CheckClearedBoard(f), "idle board");
                    break;
                }
                [[fallthrough]];
            case WindowState::Tested:
                if (!model_.Prepared) {
                    Check("tested without an accepted test", where);
                    break;
                }
                Check(DescribeFieldDifference(PreparedBoard(model_.N, model_.Fixed, f), f), "tested board");
                break;
            default: {
                if (!model_.Prepared || f.BoardSize != model_.N) {
                    Check("a search on a board that no test prepared", where);
                    break;
                }
                InvariantOptions options;
                options.SearchEnded = state == WindowState::Finished;
                options.AfterStep = atPump;
                std::string fault = CheckBoardInvariants(f, model_.Fixed, options);
                // Once the search has ended its private bookkeeping is never used again (a test or a reset
                // rebuilds it), so only the arrays must still hold.
                if (options.SearchEnded && fault.find("bit masks") != std::string::npos) fault.clear();
                Check(fault, "board invariants");
                if (state == WindowState::StoppedAtSolution) CheckShownSolution();
                if (state == WindowState::Finished) {
                    const std::int64_t count = book_.Count(model_.N, model_.Fixed);
                    if (f.SolutionCount != count) {
                        Check("finished with " + std::to_string(f.SolutionCount) +
                                  " solutions, the oracle has " + std::to_string(count) +
                                  " for n = " + std::to_string(model_.N) + " " + FixedSetText(model_.Fixed),
                              where);
                    }
                }
                break;
            }
        }
    }

    // At a solution stop, the board is the oracle's solution with the number shown.
    void CheckShownSolution() {
        const Form1& f = *form_;
        const Placement shown = QueensOf(f);
        if (!IsSolution(model_.N, shown) || !KeepsFixed(shown, model_.Fixed)) {
            Check("the solution shown, " + PlacementText(shown) + ", is no solution keeping the fixed queens",
                  "solution found");
            return;
        }
        const Placement* expected = book_.Nth(model_.N, model_.Fixed, f.SolutionCount);
        if (expected == nullptr || *expected != shown) {
            Check("solution " + std::to_string(f.SolutionCount) + " shown as " + PlacementText(shown) +
                      ", the oracle's is " + (expected ? PlacementText(*expected) : std::string("missing")),
                  "solution found");
        }
    }

    // ---- Actions.
    void DoType(const MonkeyAction& a, const WindowSnapshot& before) {
        Form1& f = *form_;
        const bool isN = a.What == MonkeyAction::TypeN;
        const bool locked = isN ? f.Text1.Locked : f.Text7[a.Index].Locked;
        const bool typed =
            isN ? f.Type(ControlName::Text1, -1, a.Text) : f.Type(ControlName::Text7, a.Index, a.Text);
        WindowSnapshot expected = before;
        if (typed != !locked)
            Check(typed ? "typed into a locked box" : "an editable box refused the text", "typing");
        if (typed) {
            (isN ? expected.Text1 : expected.Text7[a.Index]).Text = a.Text;
            (isN ? model_.Text1 : model_.Text7[a.Index]) = a.Text;
        }
        Check(DescribeSnapshotDifference(expected, Snap()), "typing changed more than the box");
    }

    void DoToggle(const WindowSnapshot& before) {
        Form1& f = *form_;
        WindowSnapshot expected = before;
        if (before.Check1.Enabled) {
            expected.Check1.Value = before.Check1.Value == 1 ? 0 : 1;
            if (f.SolutionCount > 0 && expected.Check1.Value == 1 && f.BreakRequested == 0)
                expected.Commands[3] = true;
        }
        f.ToggleCheck();
        Check(DescribeSnapshotDifference(expected, Snap()), "the check box");
    }

    void DoClose(const MonkeyAction& a, const WindowSnapshot& before) {
        Form1& f = *form_;
        const bool asks = a.Index == 0 || a.Index == 1;
        if (asks) platform_->Answers.push_back(kAnswerNo);
        const bool closes = f.RequestClose(static_cast<std::int16_t>(a.Index));
        if (closes == asks)
            Check(closes ? "a close answered No went ahead" : "a system close was refused", "close");
        if (asks) CheckQuestion("exit program ?", before);
        WindowSnapshot expected = before;
        expected.ShownBoxes += asks ? 1 : 0;
        Check(DescribeSnapshotDifference(expected, Snap()), "a close changed the window");
        if (!asks) {
            model_.Closed = true;
            for (Frame& frame : frames_)
                frame.BoardGone = true;
        }
    }

    void CheckQuestion(const std::string& text, const WindowSnapshot& before) {
        const auto& shown = platform_->Shown;
        if (shown.size() != before.ShownBoxes + 1) {
            Check(
                "expected one question, " + std::to_string(shown.size() - before.ShownBoxes) + " boxes shown",
                "question");
            return;
        }
        const auto& box = shown.back();
        if (box.Text != text || box.Title != platform_->WindowCaption || box.Style != kStyleQuestion) {
            Check("question " + detail::Quote(box.Text) + " titled " + detail::Quote(box.Title) + " style " +
                      std::to_string(box.Style),
                  "question");
        }
        if (!platform_->Answers.empty()) Check("the queued answer was not taken", "question");
    }

    void DoClick(const MonkeyAction& a, const WindowSnapshot& before, WindowState state) {
        Form1& f = *form_;
        const auto button = static_cast<ControlName>(static_cast<int>(ControlName::Command1) + a.Index - 1);
        if (!before.Commands[a.Index - 1]) {
            f.Click(button);
            Check(DescribeSnapshotDifference(before, Snap()), "a disabled button acted");
            return;
        }
        switch (a.Index) {
            case 1: {
                const TestPrediction p = PredictTest(f);
                f.Click(button);
                Check(CheckTestOutcome(f, *platform_, before, p), "test");
                if (p.NAccepted) {
                    model_.Prepared = true;
                    model_.N = p.N;
                    model_.Fixed = p.Accepted;
                    model_.Text7 = p.EntriesAfter;
                    model_.Red.fill(false);
                    for (const FixedQueen& q : p.Accepted)
                        model_.Red[q.Column - 1] = true;
                    for (Frame& frame : frames_)
                        frame.BoardGone = true;
                }
                break;
            }
            case 2:
            case 4: {
                if (a.Index == 4 && state == WindowState::Running) {
                    // Pressed while a run goes: it only disables itself, the run goes on.
                    WindowSnapshot expected = before;
                    expected.Commands[3] = false;
                    f.Click(button);
                    Check(DescribeSnapshotDifference(expected, Snap()), "\"next solution\" during a run");
                    break;
                }
                if (a.Index == 2) model_.Text1 = Decimal(f.BoardSize);
                for (int i = 0; i < kBoxesPerRow; ++i) {
                    model_.Text7[i] =
                        i < f.BoardSize && f.QueenRow[i + 1] != 0 ? Decimal(f.QueenRow[i + 1]) : "";
                }
                if (!frames_.empty()) ++stats_.NestedRuns;
                frames_.emplace_back();
                f.Click(button);
                const Frame frame = frames_.back();
                frames_.pop_back();
                if (frame.EndExpected) {
                    Check(DescribeSnapshotDifference(frame.End, Snap()), "the run went on after its pump");
                } else if (!model_.Closed) {
                    const WindowState after = StateOf(f);
                    if (after != WindowState::StoppedAtSolution && after != WindowState::Interrupted &&
                        after != WindowState::Finished) {
                        Check(std::string("a run ended in state ") + StateName(after), "run");
                    }
                }
                break;
            }
            case 3: {
                // "break": shows the position and asks the loop to stop at its next pass.
                f.Click(button);
                WindowSnapshot expected = before;
                expected.Text2.Text = kStateInterrupted;
                expected.Fields.BreakRequested = 1;
                expected.Commands[1] = true;
                expected.Commands[2] = false;
                expected.Commands[3] = false;
                for (int i = 0; i < f.BoardSize; ++i) {
                    expected.Text8[i].Text = f.QueenRow[i + 1] != 0 ? Decimal(f.QueenRow[i + 1]) : "";
                }
                if (f.SolutionCount > 0) expected.Text3.Text = Decimal(f.SolutionCount);
                Check(DescribeSnapshotDifference(expected, Snap()), "break");
                break;
            }
            case 5: {
                platform_->Answers.push_back(a.Answer);
                f.Click(button);
                CheckQuestion("reset program ?", before);
                if (a.Answer == kAnswerNo) {
                    WindowSnapshot expected = before;
                    expected.ShownBoxes += 1;
                    Check(DescribeSnapshotDifference(expected, Snap()), "reset answered No");
                    break;
                }
                Check(CheckIdleWindow(f), "reset answered Yes");
                if (f.BoardSize != before.Fields.BoardSize || f.SearchColumn != before.Fields.SearchColumn) {
                    Check("the reset changed BoardSize or SearchColumn", "reset answered Yes");
                }
                model_.Prepared = false;
                model_.Fixed.clear();
                model_.Text1.clear();
                for (int i = 0; i < kBoxesPerRow; ++i) {
                    model_.Text7[i].clear();
                    model_.Red[i] = false;
                }
                for (Frame& frame : frames_)
                    frame.BoardGone = true;
                break;
            }
            case 6: {
                platform_->Answers.push_back(kAnswerNo);
                f.Click(button);
                CheckQuestion("exit program ?", before);
                WindowSnapshot expected = before;
                expected.ShownBoxes += 1;
                Check(DescribeSnapshotDifference(expected, Snap()), "quit answered No");
                break;
            }
            default: break;
        }
    }

    // ---- The event pump of a run: check, maybe act, and note what the run must do when the pump returns.
    void OnPump() {
        ++stats_.Pumps;
        ++pumpsThisAction_;
        if (failed_) {
            // The window is broken: end every run on the stack whatever the handlers do.
            form_->BreakRequested = 1;
            form_->StopRun = 1;
            return;
        }
        if (frames_.empty()) {
            Check("an event pump outside any run", "pump");
            return;
        }
        if (frames_.back().EndExpected) {
            Check("a run went on after its board was rebuilt or its search stopped", "pump");
            return;
        }
        const std::size_t depth = frames_.size();
        if (!model_.Closed) {
            Check(StateOf(*form_) == WindowState::Running ? "" : "the state line does not say running",
                  "pump");
            Check(form_->Running() ? "" : "Running() is false inside a run", "pump");
            Check(form_->StepCounter == 100 ? "" : "StepCounter " + std::to_string(form_->StepCounter),
                  "pump");
            CheckAll(true);
            if (failed_) return;
            if (pumpsThisAction_ > budget_.PumpsPerAction) {
                // Long enough: the monkey presses "break" (or resets when a nested run took "break" away).
                MonkeyAction stop;
                stop.What = MonkeyAction::Click;
                stop.Index = form_->Command3.Enabled ? 3 : 5;
                stop.Answer = kAnswerYes;
                Do(stop);
            } else if (pumpChooser_ != nullptr && static_cast<int>(depth) <= budget_.MaxNesting &&
                       pumpChooser_->Chance(budget_.InjectPercent)) {
                const int actions = pumpChooser_->Between(1, 3);
                for (int k = 0; k < actions && !failed_ && !model_.Closed; ++k)
                    Do(ChooseAction(*pumpChooser_, *form_));
            }
        }
        if (failed_ || frames_.size() != depth) return;
        Frame& top = frames_.back();
        if (top.BoardGone || form_->StopRun == 1) {
            // The run leaves as soon as the pump returns, touching nothing (its counter is reset, it no
            // longer runs).
            top.EndExpected = true;
            top.End = Snap();
            top.End.Fields.StepCounter = 0;
            top.End.Running = false;
        }
    }

    MonkeyBudget budget_;
    MonkeyStats stats_;
    std::unique_ptr<ScriptedPlatform> platform_;
    std::unique_ptr<Form1> form_;
    Model model_;
    std::vector<Frame> frames_;
    SolutionBook book_;
    std::string trace_;
    std::string firstFailure_;
    bool failed_ = false;
    long long pumpsThisAction_ = 0;
    Chooser* pumpChooser_ = nullptr;  // acts at pumps when set
};

}  // namespace nq::testing
