// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of the control-state table, derived from the state line: which controls each state of the window
// enables and locks, what the display row and the solution number show, the ranges of the scalar fields, and
// the idle window of start-up and reset in full. Each check returns an empty string when all is well, else
// the first fault.
#pragma once

#include <cstdint>
#include <string>

#include "support/board_invariants.h"
#include "support/window_snapshot.h"
#include "window/form1.h"

namespace nq::testing {

enum class WindowState { Idle, Tested, Running, StoppedAtSolution, Interrupted, Finished, Unknown };

inline WindowState StateOf(const Form1& f) {
    const std::string& t = f.Text2.Text;
    if (t == kStateTestInput) return WindowState::Idle;
    if (t == kStateStartComputation) return WindowState::Tested;
    if (t == kStateRunning) return WindowState::Running;
    if (t == kStateSolutionFound) return WindowState::StoppedAtSolution;
    if (t == kStateInterrupted) return WindowState::Interrupted;
    if (t == kStateFinished) return WindowState::Finished;
    return WindowState::Unknown;
}

inline const char* StateName(WindowState s) {
    switch (s) {
        case WindowState::Idle: return "idle";
        case WindowState::Tested: return "tested";
        case WindowState::Running: return "running";
        case WindowState::StoppedAtSolution: return "stopped at a solution";
        case WindowState::Interrupted: return "interrupted";
        case WindowState::Finished: return "finished";
        default: return "unknown";
    }
}

// The display row as a position: box i - 1 shows the row of column i of the board (n = BoardSize), or is
// empty; every box beyond n is empty.
inline std::string CheckDisplayShowsBoard(const Form1& f) {
    const int n = f.BoardSize;
    for (int i = 1; i <= kBoxesPerRow; ++i) {
        const std::string expected = i <= n && f.QueenRow[i] != 0 ? Decimal(f.QueenRow[i]) : std::string();
        if (f.Text8[i - 1].Text != expected) {
            return "Text8(" + std::to_string(i - 1) + ") shows " + detail::Quote(f.Text8[i - 1].Text) +
                   ", the board " + detail::Quote(expected);
        }
    }
    return {};
}

// The controls match the row of the control-state table that the state line names; the check box's value is
// left out (the user may toggle it in every state but finished).
inline std::string CheckControlStates(const Form1& f) {
    const WindowState state = StateOf(f);
    if (state == WindowState::Unknown) return "state line " + detail::Quote(f.Text2.Text) + " names no state";
    struct Row {
        bool Test, Start, Break, Next, CheckEnabled, Locked;
    };
    Row row{};
    switch (state) {
        case WindowState::Idle: row = {true, false, false, false, true, false}; break;
        case WindowState::Tested: row = {true, true, false, false, true, false}; break;
        case WindowState::Running: row = {false, false, true, f.Command4.Enabled, true, true}; break;
        case WindowState::StoppedAtSolution: row = {false, false, false, true, true, true}; break;
        case WindowState::Interrupted: row = {false, true, false, false, true, true}; break;
        default: row = {false, false, false, false, false, true}; break;
    }
    const std::string where = std::string(" in state ") + StateName(state);
    if (f.Command1.Enabled != row.Test)
        return "\"test\" enabled " + std::to_string(f.Command1.Enabled) + where;
    if (f.Command2.Enabled != row.Start)
        return "\"start/continue\" enabled " + std::to_string(f.Command2.Enabled) + where;
    if (f.Command3.Enabled != row.Break)
        return "\"break\" enabled " + std::to_string(f.Command3.Enabled) + where;
    if (f.Command4.Enabled != row.Next)
        return "\"next solution\" enabled " + std::to_string(f.Command4.Enabled) + where;
    if (f.Check1.Enabled != row.CheckEnabled)
        return "Check1 enabled " + std::to_string(f.Check1.Enabled) + where;
    if (state == WindowState::Finished && f.Check1.Value != 0) return "Check1 checked" + where;
    if (!f.Command5.Enabled || !f.Command6.Enabled) return "\"reset\" or \"quit\" disabled" + where;
    if (f.Text1.Locked != row.Locked) return "Text1 locked " + std::to_string(f.Text1.Locked) + where;
    for (int i = 0; i < kBoxesPerRow; ++i) {
        if (f.Text7[i].Locked != row.Locked) {
            return "Text7(" + std::to_string(i) + ") locked " + std::to_string(f.Text7[i].Locked) + where;
        }
        if (!f.Text8[i].Locked) return "Text8(" + std::to_string(i) + ") editable";
    }
    if (!f.Text2.Locked || !f.Text3.Locked || !f.Text4.Locked) return "Text2, Text3 or Text4 editable";
    // The solution number: blank until a solution is counted, then the count.
    const std::string count = f.SolutionCount > 0 ? Decimal(f.SolutionCount) : std::string();
    if (f.Text3.Text != count) {
        return "Text3 " + detail::Quote(f.Text3.Text) + " with SolutionCount " +
               std::to_string(f.SolutionCount) + where;
    }
    switch (state) {
        case WindowState::Idle:
        case WindowState::Tested:
            if (f.SolutionCount != 0) return "SolutionCount " + std::to_string(f.SolutionCount) + where;
            [[fallthrough]];
        case WindowState::Running:
        case WindowState::Finished:
            for (int i = 0; i < kBoxesPerRow; ++i) {
                if (!f.Text8[i].Text.empty()) return "Text8(" + std::to_string(i) + ") not blank" + where;
            }
            break;
        default:
            if (std::string d = CheckDisplayShowsBoard(f); !d.empty()) return d + where;
            break;
    }
    if (state == WindowState::Running && f.Command4.Enabled && f.SolutionCount == 0) {
        return "\"next solution\" enabled while running before any solution";
    }
    if (state == WindowState::StoppedAtSolution && f.SolutionCount == 0) return "solution found with count 0";
    const bool searched = state != WindowState::Idle && state != WindowState::Tested;
    if (searched && f.Text1.Text != Decimal(f.BoardSize)) {
        return "Text1 " + detail::Quote(f.Text1.Text) + " with BoardSize " + std::to_string(f.BoardSize) +
               where;
    }
    return {};
}

// Every scalar field in its range.
inline std::string CheckFieldRanges(const Form1& f) {
    auto flag = [](std::int32_t v) { return v == 0 || v == 1; };
    if (f.BoardSize < 0 || f.BoardSize > kMaxN) return "BoardSize " + std::to_string(f.BoardSize);
    if (!flag(f.SearchFinished) || !flag(f.BreakRequested) || !flag(f.StopRun))
        return "a flag is neither 0 nor 1";
    if (f.StepCounter < 0 || f.StepCounter > 100) return "StepCounter " + std::to_string(f.StepCounter);
    if (f.LoopColumn < 0 || f.LoopColumn > 70) return "LoopColumn " + std::to_string(f.LoopColumn);
    if (f.SolutionCount < 0) return "SolutionCount " + std::to_string(f.SolutionCount);
    return {};
}

// The cleared board of start-up and reset: indices 1..34 and 1..69 of every array zero (index 0 is zero from
// creation and never written), flags and counters zero.
inline std::string CheckClearedBoard(const Board& b) {
    for (int k = 0; k < kColumnSlots; ++k) {
        if (b.RowFree[k] != 0 || b.QueenRow[k] != 0 || b.FixedColumn[k] != 0) {
            return "column/row slot " + std::to_string(k) + " not cleared";
        }
    }
    for (int k = 0; k < kDiagonalSlots; ++k) {
        if (b.DiagSum[k] != 0 || b.DiagDiff[k] != 0)
            return "diagonal slot " + std::to_string(k) + " not cleared";
    }
    if (b.BreakRequested != 0 || b.StopRun != 0 || b.SearchFinished != 0 || b.StepCounter != 0 ||
        b.SolutionCount != 0) {
        return "a flag or counter not cleared";
    }
    if (!BitsAgreeWithArrays(b)) return "the bit masks disagree with the cleared arrays";
    return {};
}

// The idle state of start-up and of a confirmed reset, in full: every control as the initialisation leaves it
// and the cleared board, with LoopColumn where the clearing of the diagonals leaves it.
inline std::string CheckIdleWindow(const Form1& f) {
    if (f.Text2.Text != kStateTestInput) return "state line " + detail::Quote(f.Text2.Text);
    if (std::string d = CheckControlStates(f); !d.empty()) return d;
    if (f.Check1.Value != 1) return "Check1 not checked";
    if (!f.Text1.Text.empty()) return "Text1 not blank";
    if (!f.Text3.Text.empty()) return "Text3 not blank";
    for (int i = 0; i < kBoxesPerRow; ++i) {
        if (!f.Text7[i].Text.empty() || f.Text7[i].ForeColor != kBlack) {
            return "Text7(" + std::to_string(i) + ") not blank and black";
        }
    }
    if (std::string d = CheckClearedBoard(f); !d.empty()) return d;
    if (f.LoopColumn != 70) return "LoopColumn " + std::to_string(f.LoopColumn) + " after the initialisation";
    return {};
}

}  // namespace nq::testing
