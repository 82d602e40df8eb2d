// SPDX-License-Identifier: GPL-3.0-or-later
// The outcome of the "test" command held against the model's prediction (test_command_model.h) made from
// what the window held before the click: message box, board, entry row, controls and scratch fields.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "support/board_invariants.h"
#include "support/oracle.h"
#include "support/scripted_platform.h"
#include "support/search_driver.h"
#include "support/test_command_model.h"
#include "support/window_snapshot.h"
#include "window/design.h"
#include "window/form1.h"

namespace nq::testing {

inline TestPrediction PredictTest(const Form1& f) {
    std::array<std::string, kBoxesPerRow> entries;
    for (int i = 0; i < kBoxesPerRow; ++i)
        entries[i] = f.Text7[i].Text;
    return PredictTest(f.Text1.Text, entries);
}

// The first public field in which `actual` differs from `expected`, or an empty string. The search's private
// bookkeeping is left out (it may be rebuilt from the arrays whenever the search needs it); check
// BitsAgreeWithArrays for it.
inline std::string DescribeFieldDifference(const Board& expected, const Board& actual) {
    Board x = actual;  // the private part of `actual`, the public fields of `expected`
    x.BoardSize = expected.BoardSize;
    x.SearchColumn = expected.SearchColumn;
    x.PreviousRow = expected.PreviousRow;
    x.CandidateRow = expected.CandidateRow;
    x.SearchFinished = expected.SearchFinished;
    x.BreakRequested = expected.BreakRequested;
    x.StopRun = expected.StopRun;
    x.SolutionCount = expected.SolutionCount;
    x.StepCounter = expected.StepCounter;
    x.RowFree = expected.RowFree;
    x.QueenRow = expected.QueenRow;
    x.FixedColumn = expected.FixedColumn;
    x.DiagSum = expected.DiagSum;
    x.DiagDiff = expected.DiagDiff;
    if (std::string d = DescribeBoardDifference(x, actual); !d.empty()) return d;
    if (!BitsAgreeWithArrays(actual)) return "the search's bits disagree with the arrays";
    return {};
}

// The board an accepted test leaves for n and the accepted queens, with the cursor fields taken from `like`
// (the test does not touch them).
inline Board PreparedBoard(int n, const FixedSet& fixed, const Board& like) {
    Board b;
    SetUpBoard(b, n, fixed);
    b.SearchColumn = like.SearchColumn;
    b.PreviousRow = like.PreviousRow;
    b.CandidateRow = like.CandidateRow;
    return b;
}

// Compares the window after "test" with the prediction made before it. `before` is the snapshot before the
// click.
inline std::string CheckTestOutcome(const Form1& f, const ScriptedPlatform& platform,
                                    const WindowSnapshot& before, const TestPrediction& p) {
    const std::string kTitle = "n Queens Problem";
    const WindowSnapshot after = WindowSnapshot::Of(f, platform);
    const std::size_t boxes = p.NAccepted && p.FaultColumn == 0 ? 0 : 1;
    if (after.ShownBoxes != before.ShownBoxes + boxes) {
        return "the test showed " + std::to_string(after.ShownBoxes - before.ShownBoxes) +
               " message boxes, expected " + std::to_string(boxes);
    }
    if (boxes == 1) {
        const auto& box = platform.Shown.back();
        const std::string expected = p.NAccepted ? p.FaultMessage : "incorrect input for n";
        if (box.Text != expected || box.Title != kTitle || box.Style != kStyleInformation) {
            return "the test showed " + detail::Quote(box.Text) + " titled " + detail::Quote(box.Title) +
                   " style " + std::to_string(box.Style) + ", expected " + detail::Quote(expected);
        }
    }
    if (!p.NAccepted) {
        // A rejected n changes nothing at all.
        WindowSnapshot expected = before;
        expected.ShownBoxes = after.ShownBoxes;
        if (std::string d = DescribeSnapshotDifference(expected, after); !d.empty())
            return "after a rejected n: " + d;
        return {};
    }
    if (f.BoardSize != p.N)
        return "BoardSize " + std::to_string(f.BoardSize) + ", expected " + std::to_string(p.N);
    const Board expectedBoard = PreparedBoard(p.N, p.Accepted, f);
    if (std::string d = DescribeFieldDifference(expectedBoard, f); !d.empty())
        return "board after the test: " + d;
    if (!f.Check1.Enabled || f.Check1.Value != 1) return "the test left Check1 disabled or clear";
    for (int i = 0; i < kBoxesPerRow; ++i) {
        if (f.Text7[i].Text != p.EntriesAfter[i]) {
            return "Text7(" + std::to_string(i) + ") " + detail::Quote(f.Text7[i].Text) + ", expected " +
                   detail::Quote(p.EntriesAfter[i]);
        }
        if (f.Text7[i].Locked != before.Text7[i].Locked) return "the test changed a lock";
        // Every accepted n repaints the whole row: red for the queens this test accepted, black elsewhere.
        const bool accepted = i < p.N && f.FixedColumn[i + 1] == 1;
        if (f.Text7[i].ForeColor != (accepted ? kRed : kBlack))
            return "Text7(" + std::to_string(i) + ") has the wrong colour";
    }
    if (f.Text1.Text != before.Text1.Text || f.Text1.Locked != before.Text1.Locked)
        return "the test changed Text1";
    if (f.Command1.Enabled != before.Commands[0] || f.Command3.Enabled != before.Commands[2] ||
        f.Command4.Enabled != before.Commands[3]) {
        return "the test changed \"test\", \"break\" or \"next solution\"";
    }
    if (p.FaultColumn != 0) {
        if (f.LoopColumn != p.FaultColumn)
            return "LoopColumn " + std::to_string(f.LoopColumn) + " after a fault";
        if (f.EntryText != p.FaultMessage)
            return "EntryText " + detail::Quote(f.EntryText) + " after a fault";
        if (f.EntryRow != p.FaultEntryRow) return "EntryRow " + std::to_string(f.EntryRow) + " after a fault";
        // Nothing may start a search on a board the test has just found faulty.
        if (f.Text2.Text != kStateTestInput || f.Command2.Enabled)
            return "a failed test left the window other than idle";
        for (int i = 0; i < kBoxesPerRow; ++i) {
            if (f.Text8[i].Text != before.Text8[i].Text) return "a failed test changed the display row";
        }
        return {};
    }
    if (f.LoopColumn != p.N + 1) return "LoopColumn " + std::to_string(f.LoopColumn) + " after a success";
    if (f.Text2.Text != kStateStartComputation || !f.Command2.Enabled)
        return "a successful test did not enable a start";
    for (int i = 0; i < kBoxesPerRow; ++i) {
        const std::string expected = i < p.N ? std::string() : before.Text8[i].Text;
        if (f.Text8[i].Text != expected) return "Text8(" + std::to_string(i) + ") after a successful test";
    }
    return {};
}

}  // namespace nq::testing
