// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers as a person reads them in the progress displays (the board window, the console's progress line on a
// terminal): digits grouped and the decimal mark as the user's locale writes them. What scripts read (a
// count's result, the lists, the save file, the main window's boxes) keeps plain digits and never comes here.
// Independent of the process's C locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nq {

// How a locale writes numbers; the default is English (1,912,345,678 and 4.9).
struct NumberFormat {
    std::string Separator = ",";  // between two groups of digits; UTF-8, perhaps several bytes (U+202F)
    std::string Point = ".";      // the decimal mark
    // The sizes of the groups from the right, one char each, the last one repeated, as std::numpunct's
    // grouping gives them: "\3" (1,912,345,678), "\3\2" (1,91,23,45,678); empty where the locale does not
    // group.
    std::string Grouping = "\3";

    friend bool operator==(const NumberFormat&, const NumberFormat&) = default;
};

// A string of decimal digits, grouped when it has more than four (1912 stays, 19,120 does not).
std::string GroupDigits(std::string_view digits, const NumberFormat& format);
// A count, grouped.
std::string CountText(std::uint64_t value, const NumberFormat& format);
// value (negative and NaN read as 0) with `decimals` (0..3) places after the mark, its whole part grouped.
std::string FixedText(double value, int decimals, const NumberFormat& format);
// A rate per second (negative reads as 0): below a million its rounded number (6257, 45,312), from there
// three significant digits and a word (1.87 million, 250 million, 39.0 billion, up to trillions).
std::string RateText(double perSecond, const NumberFormat& format);

}  // namespace nq
