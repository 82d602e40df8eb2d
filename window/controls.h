// SPDX-License-Identifier: GPL-3.0-or-later
// The model of the window's controls: exactly the properties the program reads and writes. The procedures of
// Form1 work on these; the Qt view only mirrors them onto widgets, so reading a property gives what was last
// set or typed.
#pragma once

#include <cstdint>
#include <string>

namespace nq {

// Colour values in the platform's numbering: red in the lowest byte, then green, then blue.
using ColorValue = std::uint32_t;
inline constexpr ColorValue Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | (g << 8) | (b << 16);
}
inline constexpr ColorValue kBlack = Rgb(0, 0, 0);
inline constexpr ColorValue kRed = Rgb(255, 0, 0);

struct TextBox {
    std::string Text;
    bool Locked = false;  // read-only for the user; the program still sets Text
    ColorValue ForeColor = kBlack;
};

struct Button {
    bool Enabled = true;  // a disabled button raises no Click
};

struct CheckBox {
    bool Enabled = true;
    std::int32_t Value = 1;  // 1 checked, 0 clear
};

}  // namespace nq
