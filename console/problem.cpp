// SPDX-License-Identifier: GPL-3.0-or-later
// Reading N and the fixed queens of a console command, with a message naming the first fault.
#include "console/problem.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <initializer_list>
#include <system_error>
#include <vector>

namespace nq::console {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Joins the parts into one message. (Chains of operator+ on strings trip a false -Wrestrict in GCC 12.)
std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view part : parts)
        out.append(part);
    return out;
}

// The text without its blanks when what is left is a run of digits, else "".
std::string_view Digits(std::string_view text) {
    const std::string_view t = Trim(text);
    return std::all_of(t.begin(), t.end(), [](char ch) { return ch >= '0' && ch <= '9'; }) ? t : "";
}

}  // namespace

std::int64_t ReadWholeNumber(std::string_view text, std::int64_t min, std::int64_t max) {
    const std::string_view t = Trim(text);
    if (t.empty() || !std::all_of(t.begin(), t.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
        return -1;
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || end != t.data() + t.size() || value < min || value > max) return -1;
    return value;
}

ProblemOrError ReadProblem(std::string_view nText, std::string_view fixedText) {
    ProblemOrError out;
    const std::int64_t n = ReadWholeNumber(nText, 1, kMaxN);
    if (n < 0) {
        out.Error = Cat({"N must be a whole number from 1 to 32, not '", nText, "'"});
        return out;
    }
    out.Value.N = static_cast<int>(n);
    const std::string range = Cat({" is outside 1..", std::to_string(n)});
    std::vector<Queen>& fixed = out.Value.Fixed;
    std::string_view rest = fixedText;
    while (!Trim(fixedText).empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view pair = Trim(rest.substr(0, comma));
        const std::size_t colon = pair.find(':');
        // A number of any length is a column or row; one outside the board says so, however large.
        const std::string_view columnText =
            colon == std::string_view::npos ? "" : Digits(pair.substr(0, colon));
        const std::string_view rowText =
            colon == std::string_view::npos ? "" : Digits(pair.substr(colon + 1));
        if (columnText.empty() || rowText.empty()) {
            out.Error = Cat({"malformed --fixed '", fixedText,
                             "': expected column:row pairs separated by commas, like 3:5,6:1"});
            return out;
        }
        const std::int64_t column = ReadWholeNumber(columnText, 1, n);
        if (column < 0) {
            out.Error = Cat({"--fixed '", pair, "': column ", columnText, range});
            return out;
        }
        const std::int64_t row = ReadWholeNumber(rowText, 1, n);
        if (row < 0) {
            out.Error = Cat({"--fixed '", pair, "': row ", rowText, range});
            return out;
        }
        const Queen q{static_cast<int>(column), static_cast<int>(row)};
        for (const Queen& other : fixed) {
            if (other.Column == q.Column) {
                out.Error = Cat({"--fixed: column ", std::to_string(q.Column), " is given twice (",
                                 QueensText({other}), " and ", QueensText({q}), ")"});
                return out;
            }
            if (other.Row == q.Row || std::abs(other.Column - q.Column) == std::abs(other.Row - q.Row)) {
                out.Error = Cat({"--fixed: the queens on ", QueensText({other}), " and ", QueensText({q}),
                                 " attack each other"});
                return out;
            }
        }
        fixed.push_back(q);
        if (comma == std::string_view::npos) break;
        rest = rest.substr(comma + 1);
    }
    std::sort(fixed.begin(), fixed.end(), [](const Queen& a, const Queen& b) { return a.Column < b.Column; });
    return out;
}

}  // namespace nq::console
