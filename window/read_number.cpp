// SPDX-License-Identifier: GPL-3.0-or-later
// ReadTypedNumber: exact decimal reading with half-to-even rounding, done on the digits so that no binary
// fraction can tip a half.
#include "window/read_number.h"

#include <cstddef>
#include <limits>
#include <string>

namespace nq {

namespace {

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

}  // namespace

std::int32_t ReadTypedNumber(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char ch : text) {
        if (ch != ' ' && ch != '\t' && ch != '\n') s.push_back(ch);
    }

    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

    // Whole part, saturating: anything past 2^31 is out of range whatever follows.
    constexpr std::int64_t kBeyond = std::int64_t{1} << 32;
    std::int64_t whole = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        whole = whole * 10 + (s[i] - '0');
        if (whole > kBeyond) whole = kBeyond;
    }

    // Fraction: only whether it is below, at or above one half matters.
    int firstFraction = 0;     // first decimal digit
    bool restNonZero = false;  // any non-zero digit after the first
    if (i < s.size() && s[i] == '.') {
        ++i;
        if (i < s.size() && IsDigit(s[i])) firstFraction = s[i++] - '0';
        for (; i < s.size() && IsDigit(s[i]); ++i)
            restNonZero = restNonZero || s[i] != '0';
    }
    const bool roundUp = firstFraction > 5 || (firstFraction == 5 && (restNonZero || whole % 2 == 1));
    if (roundUp) ++whole;

    const std::int64_t value = negative ? -whole : whole;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

bool IsBlankEntry(std::string_view text) {
    return text.size() <= 3 && text.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace nq
