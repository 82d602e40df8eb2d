// SPDX-License-Identifier: GPL-3.0-or-later
// The reference reading of typed numbers, the slow way: the decimal prefix cut out as text, then rounded by
// exact integer arithmetic. Independent of the program's reading, which the tests and fuzz targets hold
// against it; the monkey's model of the test command reads n and the entries with it.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace nq::testing {

// The decimal prefix of a typed text as the reading sees it: blanks, tabs and line feeds dropped, then an
// optional sign, digits and at most one point. Digits holds no leading zeros of the whole part.
struct DecimalPrefix {
    bool Negative = false;
    bool HasDigit = false;
    std::string Whole;     // digits before the point, leading zeros dropped
    std::string Fraction;  // digits after the point, as typed
};

inline DecimalPrefix ScanDecimalPrefix(std::string_view text) {
    std::string s;
    for (char ch : text) {
        if (ch != ' ' && ch != '\t' && ch != '\n') s += ch;
    }
    DecimalPrefix p;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) p.Negative = s[i++] == '-';
    bool point = false;
    for (; i < s.size(); ++i) {
        const char ch = s[i];
        if (ch >= '0' && ch <= '9') {
            p.HasDigit = true;
            (point ? p.Fraction : p.Whole) += ch;
        } else if (ch == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    const std::size_t nonZero = p.Whole.find_first_not_of('0');
    p.Whole.erase(0, nonZero == std::string::npos ? p.Whole.size() : nonZero);
    return p;
}

// The reading of a typed number by exact arithmetic: the fraction F / 10^k is compared with one half as 2F
// against 10^k (F kept to 17 digits plus one sticky digit for anything non-zero beyond), ties to the even
// whole number; the result is clamped to the 32-bit range.
inline std::int32_t ReferenceReadTypedNumber(std::string_view text) {
    const DecimalPrefix p = ScanDecimalPrefix(text);
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    if (!p.HasDigit) return 0;
    if (p.Whole.size() > 12) return static_cast<std::int32_t>(p.Negative ? kMin : kMax);
    std::int64_t whole = 0;
    for (char d : p.Whole)
        whole = whole * 10 + (d - '0');

    std::string fraction = p.Fraction.substr(0, 17);
    if (p.Fraction.find_first_not_of('0', 17) != std::string::npos && p.Fraction.size() > 17) fraction += '1';
    std::uint64_t f = 0;
    std::uint64_t scale = 1;
    for (char d : fraction) {
        f = f * 10 + static_cast<std::uint64_t>(d - '0');
        scale *= 10;
    }
    if (2 * f > scale || (2 * f == scale && whole % 2 == 1)) ++whole;
    const std::int64_t value = p.Negative ? -whole : whole;
    return static_cast<std::int32_t>(value < kMin ? kMin : value > kMax ? kMax : value);
}

}  // namespace nq::testing
