// SPDX-License-Identifier: GPL-3.0-or-later
// Sums of counts: each task's count fits 64 bits, but whole boards from about n = 29 on (by the growth of the
// known counts) have more solutions than that, so every sum of tasks, every total and what the console prints
// is a 128-bit number; its decimal text and its strict reading.
#pragma once

#include <string>
#include <string_view>

namespace nq {

// 2^32 tasks of 64-bit counts each sum to less than 2^96: no sum of a plan's tasks can pass it.
__extension__ typedef unsigned __int128 WideCount;

// The number in decimal digits, every one of them: no sign, no leading zero.
std::string DecimalText(WideCount value);

// Reads the whole of `text` as DecimalText writes it (digits only, no sign, no leading zero, "0" alone);
// false for anything else or a value past 128 bits.
bool ReadDecimalText(std::string_view text, WideCount& value);

}  // namespace nq
