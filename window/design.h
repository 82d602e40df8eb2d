// SPDX-License-Identifier: GPL-3.0-or-later
// The window's design state as data: every control with its kind, caption or initial text, geometry in twips,
// tab index, alignment, read-only state and colours. The Qt view builds the window from it; the logic never
// reads it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "window/controls.h"

namespace nq {

enum class ControlKind { TextBox, Button, CheckBox, Label };

// The design names of the controls. A control array (Text7, Text8, Label1, Label7) is one name with an index.
enum class ControlName {
    Text1,
    Text2,
    Text3,
    Text4,
    Text7,
    Text8,
    Command1,
    Command2,
    Command3,
    Command4,
    Command5,
    Command6,
    Check1,
    Label1,
    Label6,
    Label7,
    Label8
};

// Positions and sizes in twips (1/1440 inch; 15 twips a pixel at 96 dpi), from the client area's top-left
// corner.
struct Twips {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int Right() const { return Left + Width; }
};

struct ControlDesign {
    ControlName Name = ControlName::Text1;
    int Index = -1;  // member index within a control array; -1 for a single control
    ControlKind Kind = ControlKind::TextBox;
    std::string Caption;  // caption of a button or label, initial text of a text box
    Twips Geometry;
    int TabIndex = 0;  // 0..114, all different; the focus walks them in rising order
    bool RightAligned = false;
    bool Locked = false;                  // text boxes only
    std::optional<ColorValue> BackColor;  // unset: the platform's colour for the kind
    std::optional<ColorValue> ForeColor;
    std::string AccessibleName;  // what a screen reader announces
};

struct FormDesign {
    std::string Caption;
    int ClientWidth = 0;  // twips
    int ClientHeight = 0;
    ColorValue BackColor = 0;
    ColorValue ForeColor = 0;
    std::vector<ControlDesign> Controls;  // in rising tab index

    const ControlDesign& Find(ControlName name, int index = -1) const;
};

// The one window's design, built once.
const FormDesign& Form1Design();

inline constexpr int kTwipsPerPixelAt96Dpi = 15;

}  // namespace nq
