// SPDX-License-Identifier: GPL-3.0-or-later
// Showing a position as numbers: the display row Text8 and the solution number. Both procedures count in a
// local, leaving the shared LoopColumn alone, and change no field, colour or lock.
#include <array>
#include <charconv>
#include <cstdint>
#include <string>

#include "window/controls.h"
#include "window/form1.h"

namespace nq {

std::string Decimal(std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return std::string(digits, end);
}

void Form1::ShowPosition() {
    const std::int32_t n = BoardSize;
    for (std::int32_t i = 1; i <= n; ++i) {
        Text8[i - 1].Text = QueenRow[i] != 0 ? Decimal(QueenRow[i]) : std::string();
    }
    if (SolutionCount > 0) Text3.Text = Decimal(SolutionCount);
}

void Form1::ClearPosition() {
    const std::int32_t n = BoardSize;
    for (std::int32_t i = 1; i <= n; ++i)
        Text8[i - 1].Text.clear();
}

}  // namespace nq
