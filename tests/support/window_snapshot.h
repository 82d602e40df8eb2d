// SPDX-License-Identifier: GPL-3.0-or-later
// A snapshot of everything the headless window holds (controls, board, scratch fields, what the platform
// was asked), to prove that an action changed nothing or only what it should, and the first difference
// between two snapshots.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>

#include "support/board_invariants.h"
#include "support/scripted_platform.h"
#include "window/form1.h"

namespace nq::testing {

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

}  // namespace nq::testing
