// SPDX-License-Identifier: GPL-3.0-or-later
// Time spans as a person reads them, for every progress display of the program.
#pragma once

#include <string>

#include "engine/number_text.h"

namespace nq {

// "4.2 s" (decimals 1) or "4 s" (decimals 0) under a minute, then "3 min 07 s", "2 h 05 min", and "more
// than a million hours" beyond that. Negative spans and NaN read as 0. decimals: 0..3. The decimal mark and
// the hours' digits are written as `format` says.
std::string FormatDuration(double seconds, int decimals, const NumberFormat& format = {});

}  // namespace nq
