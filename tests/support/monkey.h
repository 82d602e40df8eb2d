// SPDX-License-Identifier: GPL-3.0-or-later
// A seeded randomised user ("monkey") for the headless window, and the model of the window it checks against
// after every action and at every event pump: the rows of the control-state table, the board invariants, the
// test command's outcome, the k-th solution of a search and the final count (against a brute-force oracle).
// Shared by the monkey test, its benchmark and the fuzz targets.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "support/board_invariants.h"
#include "support/oracle.h"
#include "support/scripted_platform.h"
#include "support/search_driver.h"
#include "support/test_command_model.h"
#include "window/form1.h"

namespace nq::testing {

// ---- A snapshot of everything the window holds, to prove that an action changed nothing (or only what it
// should).

struct WindowSnapshot {
    TextBox Text1, Text2, Text3, Text4;
    std::array<TextBox, kBoxesPerRow> Text7{}, Text8{};
    std::array<bool, 6> Commands{};  // Command1..Command6 enabled
    CheckBox Check1;
    Board Fields;
    std::int32_t LoopColumn = 0;
    std::int32_t EntryRow = 0;
    std::string EntryText;
    bool Running = false;
    std::size_t ShownBoxes = 0;
    long long Pumps = 0;

    static WindowSnapshot Of(const Form1& f, const ScriptedPlatform& p) {
        WindowSnapshot s;
        s.Text1 = f.Text1;
        s.Text2 = f.Text2;
        s.Text3 = f.Text3;
        s.Text4 = f.Text4;
        s.Text7 = f.Text7;
        s.Text8 = f.Text8;
        s.Commands = {f.Command1.Enabled, f.Command2.Enabled, f.Command3.Enabled,
                      f.Command4.Enabled, f.Command5.Enabled, f.Command6.Enabled};
        s.Check1 = f.Check1;
        s.Fields = static_cast<const Board&>(f);
        s.LoopColumn = f.LoopColumn;
        s.EntryRow = f.EntryRow;
        s.EntryText = f.EntryText;
        s.Running = f.Running();
        s.ShownBoxes = p.Shown.size();
        s.Pumps = p.Pumps;
        return s;
    }
};

namespace detail {

inline std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (unsigned char ch : s) {
        if (ch >= 0x20 && ch < 0x7f && ch != '"' && ch != '\\') {
            out += static_cast<char>(ch);
        } else {
            static const char* const kHex = "0123456789abcdef";
            out += "\\x";
            out += kHex[ch >> 4];
            out += kHex[ch & 15];
        }
        if (out.size() > 60) return out + "...\"(" + std::to_string(s.size()) + " bytes)";
    }
    return out + "\"";
}

inline std::string BoxDifference(const std::string& name, const TextBox& a, const TextBox& b) {
    if (a.Text != b.Text) return name + " text " + Quote(a.Text) + " vs " + Quote(b.Text);
    if (a.Locked != b.Locked)
        return name + " locked " + std::to_string(a.Locked) + " vs " + std::to_string(b.Locked);
    if (a.ForeColor != b.ForeColor) {
        return name + " colour " + std::to_string(a.ForeColor) + " vs " + std::to_string(b.ForeColor);
    }
    return {};
}

}  // namespace detail

// The first difference between two snapshots, or an empty string.
inline std::string DescribeSnapshotDifference(const WindowSnapshot& a, const WindowSnapshot& b) {
    using detail::BoxDifference;
    for (const auto& [name, x, y] :
         {std::tuple{"Text1", &a.Text1, &b.Text1}, std::tuple{"Text2", &a.Text2, &b.Text2},
          std::tuple{"Text3", &a.Text3, &b.Text3}, std::tuple{"Text4", &a.Text4, &b.Text4}}) {
        if (std::string d = BoxDifference(name, *x, *y); !d.empty()) return d;
    }
    for (int i = 0; i < kBoxesPerRow; ++i) {
        std::string index = std::to_string(i);
        index.insert(index.begin(), '(');
        index.push_back(')');
        if (std::string d = BoxDifference("Text7" + index, a.Text7[i], b.Text7[i]); !d.empty()) return d;
        if (std::string d = BoxDifference("Text8" + index, a.Text8[i], b.Text8[i]); !d.empty()) return d;
    }
    for (int k = 0; k < 6; ++k) {
        if (a.Commands[k] != b.Commands[k]) {
            return "Command" + std::to_string(k + 1) + " enabled " + std::to_string(a.Commands[k]) + " vs " +
                   std::to_string(b.Commands[k]);
        }
    }
    if (a.Check1.Enabled != b.Check1.Enabled || a.Check1.Value != b.Check1.Value) {
        return "Check1 " + std::to_string(a.Check1.Enabled) + "/" + std::to_string(a.Check1.Value) + " vs " +
               std::to_string(b.Check1.Enabled) + "/" + std::to_string(b.Check1.Value);
    }
    if (std::string d = DescribeBoardDifference(a.Fields, b.Fields); !d.empty()) return d;
    if (a.LoopColumn != b.LoopColumn) {
        return "LoopColumn " + std::to_string(a.LoopColumn) + " vs " + std::to_string(b.LoopColumn);
    }
    if (a.EntryRow != b.EntryRow)
        return "EntryRow " + std::to_string(a.EntryRow) + " vs " + std::to_string(b.EntryRow);
    if (a.EntryText != b.EntryText)
        return "EntryText " + detail::Quote(a.EntryText) + " vs " + detail::Quote(b.EntryText);
    if (a.Running != b.Running)
        return "Running " + std::to_string(a.Running) + " vs " + std::to_string(b.Running);
    if (a.ShownBoxes != b.ShownBoxes) {
        return "message boxes shown " + std::to_string(a.ShownBoxes) + " vs " + std::to_string(b.ShownBoxes);
    }
    if (a.Pumps != b.Pumps)
        return "event pumps " + std::to_string(a.Pumps) + " vs " + std::to_string(b.Pumps);
    return {};
}

// ---- The rows of the control-state table, derived from the state line.

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

// ---- The test command's outcome, predicted from what the window holds before the click.

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

// ---- Solutions of the oracle, cached per board size and fixed set.

class SolutionBook {
  public:
    // The k-th solution (k >= 1) in lexicographic order, or nullptr when there are fewer than k.
    const Placement* Nth(int n, const FixedSet& fixed, std::int64_t k) {
        Entry& e = EntryFor(n, fixed);
        while (static_cast<std::int64_t>(e.Solutions.size()) < k && !e.Complete)
            Extend(n, fixed, e, 2 * k + 16);
        return k >= 1 && k <= static_cast<std::int64_t>(e.Solutions.size()) ? &e.Solutions[k - 1] : nullptr;
    }

    std::int64_t Count(int n, const FixedSet& fixed) {
        Entry& e = EntryFor(n, fixed);
        if (!e.Complete) e.Count = OracleSolutionCount(n, fixed);
        return e.Complete ? static_cast<std::int64_t>(e.Solutions.size()) : e.Count;
    }

  private:
    struct Entry {
        std::vector<Placement> Solutions;  // the first ones, in order
        bool Complete = false;             // Solutions holds them all
        std::int64_t Count = -1;
    };

    Entry& EntryFor(int n, const FixedSet& fixed) {
        const std::string key = std::to_string(n) + FixedSetText(fixed);
        if (book_.size() > 4000) book_.clear();
        return book_[key];
    }

    static void Extend(int n, const FixedSet& fixed, Entry& e, std::int64_t limit) {
        e.Solutions.clear();
        if (static_cast<int>(fixed.size()) == n) {
            const Placement p = PlacementOf(n, fixed);
            if (IsSolution(n, p)) e.Solutions.push_back(p);
            e.Complete = true;
            return;
        }
        const bool walked = PartialPlacementTree(n, fixed).Walk([&](const Placement& p, int next) {
            if (next != n + 1) return true;
            e.Solutions.push_back(p);
            return static_cast<std::int64_t>(e.Solutions.size()) < limit;
        });
        e.Complete = walked;
    }

    std::map<std::string, Entry> book_;
};

// ---- Sources of choices: a seeded generator, or the bytes of a fuzzer's input.

class Chooser {
  public:
    virtual ~Chooser() = default;
    // A number in 0..bound-1 (bound >= 1).
    virtual std::uint32_t Below(std::uint32_t bound) = 0;
    // True when the choices are used up (a byte source); a seeded generator never is.
    virtual bool Exhausted() const { return false; }
    bool Chance(std::uint32_t percent) { return Below(100) < percent; }
    int Between(int lo, int hi) {
        return lo + static_cast<int>(Below(static_cast<std::uint32_t>(hi - lo + 1)));
    }
};

class RandomChooser : public Chooser {
  public:
    explicit RandomChooser(std::uint64_t seed) : engine_(seed) {}
    std::uint32_t Below(std::uint32_t bound) override {
        return static_cast<std::uint32_t>(engine_() %
                                          bound);  // bounds are tiny: the modulo bias does not matter
    }

  private:
    std::mt19937_64 engine_;
};

// Takes one byte per choice (two for bounds above 256); zeros once the bytes are used up.
class ByteChooser : public Chooser {
  public:
    ByteChooser(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t Below(std::uint32_t bound) override {
        std::uint32_t v = Next();
        if (bound > 256) v = v << 8 | Next();
        return v % bound;
    }
    bool Exhausted() const override { return pos_ >= size_; }

  private:
    std::uint32_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// ---- The monkey.

// One thing a user does to the window.
struct MonkeyAction {
    enum Kind { TypeN, TypeEntry, Click, Toggle, Close } What = Click;
    int Index = 0;  // Text7 member for TypeEntry; 1..6 for Click (Command1..Command6); the reason for Close
    std::string Text;  // typed text
    // The answer queued for the question of "reset"; "quit" and the close box are always answered No.
    int Answer = kAnswerNo;

    std::string Describe() const {
        switch (What) {
            case TypeN: return "Type(Text1, " + detail::Quote(Text) + ")";
            case TypeEntry: return "Type(Text7(" + std::to_string(Index) + "), " + detail::Quote(Text) + ")";
            case Toggle: return "ToggleCheck()";
            case Close:
                return "RequestClose(" + std::to_string(Index) + ")" + (Index <= 1 ? " answered No" : "");
            default: break;
        }
        static const char* const kNames[] = {"",      "test", "start/continue", "break", "next solution",
                                             "reset", "quit"};
        std::string s = std::string("Click(Command") + std::to_string(Index) + " \"" + kNames[Index] + "\")";
        if (Index == 5) s += Answer == kAnswerYes ? " answered Yes" : " answered No";
        if (Index == 6) s += " answered No";
        return s;
    }
};

// Actions as a script writes them. index -1 types into Text1, 0..31 into that Text7 member; command 1..6 is
// Command1..Command6.
inline MonkeyAction TypeAction(int index, std::string_view text) {
    MonkeyAction a;
    a.What = index < 0 ? MonkeyAction::TypeN : MonkeyAction::TypeEntry;
    a.Index = index < 0 ? 0 : index;
    a.Text = std::string(text);
    return a;
}

inline MonkeyAction ClickAction(int command, int answer = kAnswerNo) {
    MonkeyAction a;
    a.What = MonkeyAction::Click;
    a.Index = command;
    a.Answer = answer;
    return a;
}

inline MonkeyAction ToggleAction() {
    MonkeyAction a;
    a.What = MonkeyAction::Toggle;
    return a;
}

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

    // A random action. Like a user, the monkey mostly presses what the window offers (an enabled button), but
    // also types anything anywhere and clicks disabled buttons.
    static MonkeyAction ChooseAction(Chooser& c, const Form1& f) {
        MonkeyAction a;
        a.Answer = c.Chance(35) ? kAnswerYes : kAnswerNo;
        const std::uint32_t roll = c.Below(1000);
        if (roll < 450) {
            // An enabled button, "reset" and "quit" less often than the others.
            const bool enabled[] = {f.Command1.Enabled, f.Command2.Enabled, f.Command3.Enabled,
                                    f.Command4.Enabled};
            int offered[4];
            int count = 0;
            for (int k = 0; k < 4; ++k) {
                if (enabled[k]) offered[count++] = k + 1;
            }
            a.What = MonkeyAction::Click;
            a.Index = count > 0 && c.Chance(90) ? offered[c.Below(static_cast<std::uint32_t>(count))]
                                                : (c.Chance(70) ? 5 : 6);
        } else if (roll < 570) {
            a.What = MonkeyAction::TypeN;
            a.Text = ChooseN(c);
        } else if (roll < 700) {
            a.What = MonkeyAction::TypeEntry;
            a.Index = c.Chance(85) ? c.Between(0, 9) : c.Between(0, kBoxesPerRow - 1);
            a.Text = ChooseRow(c, a.Index + 1);
        } else if (roll < 720) {
            // Clears an entry: most tests keep only a few fixed queens.
            a.What = MonkeyAction::TypeEntry;
            a.Index = c.Between(0, 9);
        } else if (roll < 900) {
            static const int kWeights[] = {0, 60, 60, 20, 40, 40, 15};  // Command1..Command6, enabled or not
            int pick = c.Between(0, 234);
            a.What = MonkeyAction::Click;
            for (a.Index = 1; a.Index < 6 && pick >= kWeights[a.Index]; ++a.Index)
                pick -= kWeights[a.Index];
        } else if (roll < 990) {
            a.What = MonkeyAction::Toggle;
        } else {
            a.What = MonkeyAction::Close;
            a.Index = c.Chance(85) ? c.Between(0, 1) : c.Between(2, 5);
        }
        return a;
    }

    // Texts for n: mostly small boards whose searches end quickly, some larger ones, and anything else.
    static std::string ChooseN(Chooser& c) {
        const std::uint32_t roll = c.Below(100);
        if (roll < 70) return std::to_string(c.Chance(80) ? c.Between(4, 9) : c.Between(1, 10));
        if (roll < 80) return std::to_string(c.Between(11, 32));
        return ChooseText(c);
    }

    // Texts for the entry box of a column: mostly a row that may fit, else anything.
    static std::string ChooseRow(Chooser& c, int column) {
        const std::uint32_t roll = c.Below(100);
        if (roll < 55) return std::to_string(c.Between(1, column <= 10 ? 10 : 32));
        if (roll < 70) return "";
        return ChooseText(c);
    }

    // Any text: digits, signs, points, blanks, tabs, long strings, non-ASCII bytes, huge numbers.
    static std::string ChooseText(Chooser& c) {
        static const char* const kPieces[] = {
            "0",  "1",           "7",          "12",           "32",         "33",  "-",   "+",
            ".",  " ",           "\t",         "\n",           "x",          "e",   "1e1", "0x1f",
            ",",  "\xc3\xa9",    "\xd9\xa3",   "\xef\xbc\x95", "\xff",       "2.5", "3.5", "0.5",
            "-0", "99999999999", "2147483648", "-2147483649",  "4294967302", "   ", "    "};
        constexpr std::uint32_t kPieceCount = sizeof kPieces / sizeof kPieces[0];
        std::string s;
        if (c.Chance(5)) {
            const int length = c.Between(100, 4000);
            const char fill = c.Chance(50) ? '9' : c.Chance(50) ? '0' : ' ';
            s.assign(static_cast<std::size_t>(length), fill);
            if (c.Chance(50)) s = std::to_string(c.Between(1, 9)) + "." + s;
            return s;
        }
        const int pieces = c.Between(1, 4);
        for (int k = 0; k < pieces; ++k)
            s += kPieces[c.Below(kPieceCount)];
        return s;
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
