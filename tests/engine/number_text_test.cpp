// SPDX-License-Identifier: GPL-3.0-or-later
// Numbers for people in the ways locales write them: English and German (the mark and the separator
// swapped), Indian grouping (3 then 2), French (a separator of three bytes) and a locale that does not group.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "engine/duration.h"
#include "engine/number_text.h"

namespace nq {
namespace {

const NumberFormat kEnglish{",", ".", "\3"};
const NumberFormat kGerman{".", ",", "\3"};
const NumberFormat kIndian{",", ".", "\3\2"};
const NumberFormat kFrench{"\u202f", ",", "\3"};
const NumberFormat kUngrouped{"", ".", ""};

TEST(NumberText, ReadsAsTheLocaleWritesIt) {
    const struct {
        const char* What;
        std::string Text;
        const char* Expected;
    } rows[] = {
        {"en", CountText(1'912'345'678, kEnglish), "1,912,345,678"},
        {"de", CountText(1'912'345'678, kGerman), "1.912.345.678"},
        {"hi", CountText(1'912'345'678, kIndian), "1,91,23,45,678"},
        {"fr", CountText(1'912'345'678, kFrench), "1\u202f912\u202f345\u202f678"},
        {"ungrouped", CountText(1'912'345'678, kUngrouped), "1912345678"},
        {"four digits stay whole", CountText(6257, kGerman), "6257"},
        {"five are grouped", CountText(50'721, kGerman), "50.721"},
        {"zero", CountText(0, kEnglish), "0"},
        {"largest", CountText(std::numeric_limits<std::uint64_t>::max(), kEnglish),
         "18,446,744,073,709,551,615"},
        {"de decimal", FixedText(4.94, 1, kGerman), "4,9"},
        {"en decimal grouped", FixedText(12'345.678, 2, kEnglish), "12,345.68"},
        {"negative", FixedText(-1.0, 1, kEnglish), "0.0"},
        {"rate below a million", RateText(45'312.4, kGerman), "45.312"},
        {"rate just short of a million", RateText(999'999.7, kEnglish), "1.00 million"},
        {"rate in millions, de", RateText(1.8745e6, kGerman), "1,87 million"},
        {"rate rounding up a place", RateText(9.996e6, kEnglish), "10.0 million"},
        {"rate of the example", RateText(2.5e8, kEnglish), "250 million"},
        {"rate in billions", RateText(3.9e10, kEnglish), "39.0 billion"},
        {"duration, de", FormatDuration(8.14, 1, kGerman), "8,1 s"},
        {"hours grouped", FormatDuration(4e7, 0, kEnglish), "11,111 h 07 min"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.Text, row.Expected) << row.What;
}

}  // namespace
}  // namespace nq
