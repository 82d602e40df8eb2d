// SPDX-License-Identifier: GPL-3.0-or-later
// A small driver for headless window scenarios: one Form1 over a ScriptedPlatform, loaded as at start-up,
// driven only through what a user can do (type, click, toggle, answer), with readers that turn the control
// model into short text.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/problem.h"
#include "support/scripted_platform.h"
#include "window/form1.h"

namespace nq::testing {

// Entry texts by board column (1..32), e.g. {{3, "5"}, {6, "1"}}.
using EntryTexts = std::map<int, std::string>;

// The entry texts that fix these queens: each queen's row typed under its column.
inline EntryTexts EntriesOf(const std::vector<Queen>& fixed) {
    EntryTexts entries;
    for (const Queen& q : fixed)
        entries[q.Column] = std::to_string(q.Row);
    return entries;
}

// Rows of columns 1..32 as text: the row numbers separated by one blank, an empty column as ".", trailing
// empty columns left off ("2 4 1 3"; "1 3 . 2"; "" when every box is empty).
inline std::string RowText(const std::vector<std::string>& boxes) {
    std::size_t used = boxes.size();
    while (used > 0 && boxes[used - 1].empty())
        --used;
    std::string s;
    for (std::size_t i = 0; i < used; ++i) {
        if (i > 0) s += ' ';
        s += boxes[i].empty() ? std::string(".") : boxes[i];
    }
    return s;
}

// A placement (element i is the row of column i + 1, 0 for none) in the form of RowText, to compare with a
// row.
inline std::string RowText(const std::vector<int>& rows) {
    std::vector<std::string> boxes;
    for (int r : rows)
        boxes.push_back(r == 0 ? std::string() : std::to_string(r));
    return RowText(boxes);
}

inline std::string RowText(const std::array<TextBox, kBoxesPerRow>& row) {
    std::vector<std::string> boxes;
    for (const TextBox& box : row)
        boxes.push_back(box.Text);
    return RowText(boxes);
}

// The window of one scenario. Not copyable or movable (the form keeps a reference to the platform): make it a
// local.
class WindowScript {
  public:
    ScriptedPlatform platform;
    Form1 form{platform};

    WindowScript() { form.Form_Load(); }
    WindowScript(const WindowScript&) = delete;
    WindowScript& operator=(const WindowScript&) = delete;

    // ---- Typing. Returns false where the box is locked (its text is then unchanged).
    bool TypeN(std::string text) { return form.Type(ControlName::Text1, -1, std::move(text)); }
    bool TypeEntry(int column, std::string text) {
        return form.Type(ControlName::Text7, column - 1, std::move(text));
    }
    void TypeEntries(const EntryTexts& entries) {
        for (const auto& [column, text] : entries)
            TypeEntry(column, text);
    }
    // Types n and the entries, then presses "test".
    void Test(const std::string& n, const EntryTexts& entries = {}) {
        TypeN(n);
        TypeEntries(entries);
        Test();
    }

    // ---- Buttons and the check box; a disabled control does nothing, as for a user.
    void Test() { form.Click(ControlName::Command1); }
    void Start() { form.Click(ControlName::Command2); }
    void Break() { form.Click(ControlName::Command3); }
    void Next() { form.Click(ControlName::Command4); }
    void Reset() { form.Click(ControlName::Command5); }
    void Quit() { form.Click(ControlName::Command6); }
    void Toggle() { form.ToggleCheck(); }
    // Clears or checks "stop at next solution" (value 1 checked) by toggling it when it differs.
    void SetStopAtSolution(bool checked) {
        if (form.StopsAtSolutions() != checked) Toggle();
    }

    // ---- Script of the platform.
    // Queues the answer (kAnswerYes, kAnswerNo) to the next Yes/No question.
    void Answer(int answer) { platform.Answers.push_back(answer); }
    // Runs the action when the k-th event pump (counted from 1 over the window's whole life) is called.
    void AtPump(long long k, std::function<void()> action) { platform.AtPump[k] = std::move(action); }

    // ---- Readers.
    std::string EntryRow() const { return RowText(form.Text7); }
    std::string DisplayRow() const { return RowText(form.Text8); }
    // Columns 1..32 whose entry box is red, e.g. "3 6".
    std::string RedColumns() const {
        std::string s;
        for (int i = 0; i < kBoxesPerRow; ++i) {
            if (form.Text7[i].ForeColor != kRed) continue;
            if (!s.empty()) s += ' ';
            s += std::to_string(i + 1);
        }
        return s;
    }
    // Texts of every message box shown so far, in order.
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& box : platform.Shown)
            texts.push_back(box.Text);
        return texts;
    }
    // The enabling of the controls as one line: the buttons "test", "start/continue", "break" and "next
    // solution", the check box as enabled/value, and whether the inputs (Text1 and all of Text7) are locked
    // (1), editable (0) or mixed (?). Example: "test:0 start:0 break:0 next:1 check:1/1 locked:1".
    std::string Controls() const {
        int locked = form.Text1.Locked ? 1 : 0;
        for (const TextBox& box : form.Text7)
            locked += box.Locked ? 1 : 0;
        const std::string lock = locked == 0 ? "0" : locked == kBoxesPerRow + 1 ? "1" : "?";
        auto on = [](bool b) { return b ? std::string("1") : std::string("0"); };
        return "test:" + on(form.Command1.Enabled) + " start:" + on(form.Command2.Enabled) +
               " break:" + on(form.Command3.Enabled) + " next:" + on(form.Command4.Enabled) +
               " check:" + on(form.Check1.Enabled) + "/" + std::to_string(form.Check1.Value) +
               " locked:" + lock;
    }
};

// Controls() in the states of the window where the check box is known.
inline constexpr const char* kControlsIdle = "test:1 start:0 break:0 next:0 check:1/1 locked:0";
inline constexpr const char* kControlsTested = "test:1 start:1 break:0 next:0 check:1/1 locked:0";
inline constexpr const char* kControlsAtSolution = "test:0 start:0 break:0 next:1 check:1/1 locked:1";
inline constexpr const char* kControlsFinished = "test:0 start:0 break:0 next:0 check:0/0 locked:1";

}  // namespace nq::testing
