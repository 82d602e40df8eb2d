// SPDX-License-Identifier: GPL-3.0-or-later
// Reading what the user typed into the window's boxes: numbers, and entries that hold no queen.
#pragma once

#include <cstdint>
#include <string_view>

namespace nq {

// Blanks, tabs and line feeds anywhere are dropped; then the longest prefix of the form [+|-]digits[.digits]
// is read (only '.' separates decimals, whatever the locale; any other character ends the number) and rounded
// to the nearest whole number, halves to the even one. No digit in that prefix, the empty text included,
// reads as 0. A value beyond the 32-bit range reads as INT32_MIN or INT32_MAX, outside every range the
// program accepts.
std::int32_t ReadTypedNumber(std::string_view text);

// True for the text of an entry box that holds no queen: empty, or one to three blanks and nothing else.
bool IsBlankEntry(std::string_view text);

}  // namespace nq
