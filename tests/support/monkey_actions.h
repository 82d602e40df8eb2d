// SPDX-License-Identifier: GPL-3.0-or-later
// What a user does to the headless window, as the monkey and the fuzz targets write it (typing, clicks,
// the check box, a close request), and the random choice of such an action.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/choosers.h"
#include "support/window_snapshot.h"
#include "window/form1.h"
#include "window/platform.h"

namespace nq::testing {

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

// Any text: digits, signs, points, blanks, tabs, long strings, non-ASCII bytes, huge numbers.
inline std::string ChooseText(Chooser& c) {
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

// Texts for the entry box of a column: mostly a row that may fit, else anything.
inline std::string ChooseRow(Chooser& c, int column) {
    const std::uint32_t roll = c.Below(100);
    if (roll < 55) return std::to_string(c.Between(1, column <= 10 ? 10 : 32));
    if (roll < 70) return "";
    return ChooseText(c);
}

// Texts for n: mostly small boards whose searches end quickly, some larger ones, and anything else.
inline std::string ChooseN(Chooser& c) {
    const std::uint32_t roll = c.Below(100);
    if (roll < 70) return std::to_string(c.Chance(80) ? c.Between(4, 9) : c.Between(1, 10));
    if (roll < 80) return std::to_string(c.Between(11, 32));
    return ChooseText(c);
}

// A random action. Like a user, the monkey mostly presses what the window offers (an enabled button), but
// also types anything anywhere and clicks disabled buttons.
inline MonkeyAction ChooseAction(Chooser& c, const Form1& f) {
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

}  // namespace nq::testing
