// SPDX-License-Identifier: GPL-3.0-or-later
// The design table of the main window.
#include "window/design.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace nq {

namespace {

constexpr ColorValue kLightCyan = Rgb(192, 255, 255);
constexpr ColorValue kLightBlue = Rgb(192, 192, 255);

// Index within Label1 of the column-number label of board column k (1..32): the design's numbering is
// irregular.
int ColumnLabelIndex(int k) {
    if (k <= 7) return k + 1;
    if (k <= 17) return k + 2;
    if (k == 18) return 9;
    if (k <= 29) return k + 1;
    if (k == 30) return 32;
    return k == 31 ? 34 : 35;
}

ControlDesign Make(ControlName name, int index, ControlKind kind, std::string caption, Twips at, int tab) {
    ControlDesign d;
    d.Name = name;
    d.Index = index;
    d.Kind = kind;
    d.Caption = std::move(caption);
    d.Geometry = at;
    d.TabIndex = tab;
    return d;
}

ControlDesign Label(ControlName name, int index, std::string caption, Twips at, int tab,
                    std::string accessible) {
    ControlDesign d = Make(name, index, ControlKind::Label, std::move(caption), at, tab);
    d.BackColor = kLightCyan;
    d.AccessibleName = std::move(accessible);
    return d;
}

ControlDesign Button(ControlName name, std::string caption, Twips at, int tab) {
    ControlDesign d = Make(name, -1, ControlKind::Button, caption, at, tab);
    d.AccessibleName = std::move(caption);
    return d;
}

ControlDesign Box(ControlName name, int index, Twips at, int tab, bool rightAligned, bool locked,
                  std::string accessible) {
    ControlDesign d = Make(name, index, ControlKind::TextBox, "", at, tab);
    d.RightAligned = rightAligned;
    d.Locked = locked;
    d.AccessibleName = std::move(accessible);
    return d;
}

FormDesign Build() {
    FormDesign f;
    f.Caption = "n Queens on a n x n Chessboard";
    f.ClientWidth = 11760;
    f.ClientHeight = 2895;
    f.BackColor = kLightCyan;
    f.ForeColor = kLightBlue;
    auto& c = f.Controls;
    using N = ControlName;

    c.push_back(Box(N::Text1, -1, {720, 240, 375, 285}, 0, true, false, "n, the board size"));
    c.push_back(Button(N::Command1, "test", {3360, 120, 1095, 375}, 1));
    c.push_back(Button(N::Command2, "start/continue", {4800, 120, 1455, 375}, 2));
    c.push_back(Button(N::Command3, "break", {6600, 120, 1095, 375}, 3));
    c.push_back(Button(N::Command4, "next solution", {8040, 120, 1455, 375}, 4));
    c.push_back(Button(N::Command5, "reset", {9840, 120, 735, 375}, 5));
    c.push_back(Button(N::Command6, "quit", {10920, 120, 735, 375}, 6));
    for (int i = 0; i < 32; ++i) {
        c.push_back(Box(N::Text7, i, {120 + 360 * i, 1200, 375, 285}, 7 + i, true, false,
                        "column " + std::to_string(i + 1) + ", fixed queen"));
    }
    for (int i = 0; i < 32; ++i) {
        c.push_back(Box(N::Text8, i, {120 + 360 * i, 1920, 375, 285}, 39 + i, true, true,
                        "column " + std::to_string(i + 1) + ", actual position"));
    }
    c.push_back(Box(N::Text2, -1, {600, 2520, 2775, 285}, 71, false, true, "state"));
    ControlDesign check = Make(N::Check1, -1, ControlKind::CheckBox, "", {5400, 2520, 255, 315}, 72);
    check.BackColor = kLightCyan;
    check.AccessibleName = "stop at next solution";
    c.push_back(check);
    c.push_back(Box(N::Text3, -1, {7440, 2520, 2175, 285}, 73, false, true, "solution number"));
    c.push_back(Label(N::Label1, 31, "input n:", {120, 240, 1095, 285}, 74, "input n:"));
    c.push_back(Label(N::Label1, 33, "(1 <=  n <= 32)", {1200, 240, 1215, 285}, 75, "1 to 32"));
    c.push_back(Label(N::Label1, 0, "fixed queens/last shown position", {120, 720, 2535, 285}, 76,
                      "fixed queens/last shown position"));
    for (int k = 1; k <= 32; ++k) {
        ControlDesign d = Label(N::Label1, ColumnLabelIndex(k), std::to_string(k) + " ",
                                {120 + 360 * (k - 1), 960, 375, 255}, 76 + k, "column " + std::to_string(k));
        d.RightAligned = true;
        c.push_back(d);
    }
    c.push_back(Label(N::Label1, 1, "actual position", {120, 1680, 1575, 255}, 109, "actual position"));
    c.push_back(Label(N::Label7, 1, "state:", {120, 2520, 495, 285}, 110, "state:"));
    c.push_back(
        Label(N::Label6, -1, "stop at next solution", {3840, 2520, 1455, 285}, 111, "stop at next solution"));
    c.push_back(Label(N::Label7, 0, "solution number:", {6240, 2520, 1215, 285}, 112, "solution number:"));
    ControlDesign credit =
        Label(N::Label8, -1, "nqueens, step by step", {0, 4440, 1695, 255}, 113, "credits");
    credit.ForeColor = kLightBlue;
    c.push_back(credit);
    ControlDesign web = Box(N::Text4, -1, {9960, 2520, 1695, 285}, 114, false, true, "web address");
    web.Caption = "oeis.org/A000170";
    web.BackColor = kLightCyan;
    web.ForeColor = kLightBlue;
    c.push_back(web);
    return f;
}

}  // namespace

const ControlDesign& FormDesign::Find(ControlName name, int index) const {
    auto it = std::find_if(Controls.begin(), Controls.end(),
                           [&](const ControlDesign& d) { return d.Name == name && d.Index == index; });
    if (it == Controls.end()) throw std::out_of_range("no such control in the design");
    return *it;
}

const FormDesign& Form1Design() {
    static const FormDesign design = Build();
    return design;
}

}  // namespace nq
