// SPDX-License-Identifier: GPL-3.0-or-later
// A console command's problem (engine/problem.h), read from the command line's N and QUEENS texts, with the
// one-line reason when they are not acceptable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/problem.h"

namespace nq::console {

// Either a problem or, when the texts are not acceptable, Error (one line, without the "nqueens: " prefix).
struct ProblemOrError {
    Problem Value;
    std::string Error;
};

// N: decimal digits, 1..32. QUEENS: comma-separated column:row pairs (blanks around numbers allowed), columns
// and rows 1..N, each column once, no two queens attacking; the empty text fixes nothing.
ProblemOrError ReadProblem(std::string_view nText, std::string_view fixedText);

// A whole number of decimal digits (blanks around allowed) in min..max, or -1 when the text is not one.
std::int64_t ReadWholeNumber(std::string_view text, std::int64_t min, std::int64_t max);

}  // namespace nq::console
