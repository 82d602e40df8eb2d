// The reading of typed numbers: a table of readings, each first checked against a reference reader that works
// on the decimal text alone (prefix cut, rounding and range test done on digit strings), then random texts
// against it.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "window/read_number.h"

namespace nq {
namespace {

// Adds one to a string of decimal digits.
std::string PlusOne(std::string digits) {
    int i = static_cast<int>(digits.size()) - 1;
    while (i >= 0 && digits[i] == '9')
        digits[i--] = '0';
    if (i < 0) return "1" + digits;
    ++digits[i];
    return digits;
}

// True when the digit string (no leading zeros) stands for a value above the one of `limit`.
bool DigitsAbove(const std::string& digits, const std::string& limit) {
    if (digits.size() != limit.size()) return digits.size() > limit.size();
    return digits > limit;
}

// The reference: drop blanks, tabs and line feeds; cut the prefix [+-]?digits*(.digits*)? at the start; round
// the decimal text half to even; saturate outside the 32-bit range.
std::int32_t ReferenceRead(const std::string& text) {
    std::string s;
    for (char ch : text) {
        if (ch != ' ' && ch != '\t' && ch != '\n') s += ch;
    }
    // The prefix [+-]?[0-9]*(.[0-9]*)?, cut into its sign, whole digits and decimals.
    std::size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) i = 1;
    const std::size_t wholeEnd = s.find_first_not_of("0123456789", i);
    std::string whole = s.substr(i, wholeEnd == std::string::npos ? std::string::npos : wholeEnd - i);
    std::string fraction;
    if (wholeEnd != std::string::npos && s[wholeEnd] == '.') {
        const std::size_t fractionEnd = s.find_first_not_of("0123456789", wholeEnd + 1);
        fraction = s.substr(
            wholeEnd + 1, fractionEnd == std::string::npos ? std::string::npos : fractionEnd - wholeEnd - 1);
    }
    if (whole.empty() && fraction.empty()) return 0;

    whole.erase(0, whole.find_first_not_of('0'));
    const bool aboveHalf = !fraction.empty() &&
                           (fraction[0] > '5' ||
                            (fraction[0] == '5' && fraction.find_first_not_of('0', 1) != std::string::npos));
    const bool exactlyHalf =
        !fraction.empty() && fraction[0] == '5' && fraction.find_first_not_of('0', 1) == std::string::npos;
    const bool wholeOdd = !whole.empty() && (whole.back() - '0') % 2 == 1;
    if (aboveHalf || (exactlyHalf && wholeOdd)) whole = PlusOne(whole);
    if (whole.empty()) return 0;

    if (negative) {
        if (DigitsAbove(whole, "2147483648")) return std::numeric_limits<std::int32_t>::min();
        return static_cast<std::int32_t>(-std::stoll(whole));
    }
    if (DigitsAbove(whole, "2147483647")) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::stoll(whole));
}

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct Reading {
    std::string Text;
    std::int32_t Value;
};

const std::vector<Reading>& Readings() {
    static const std::vector<Reading> rows = {
        // Halves go to the even neighbour; everything else to the nearest.
        {"0.5", 0},
        {"1.5", 2},
        {"2.5", 2},
        {"3.5", 4},
        {"7.5", 8},
        {"-0.5", 0},
        {"-1.5", -2},
        {"-2.5", -2},
        {"-3.5", -4},
        {"2.50000000000000000000", 2},
        {"2.50000000000000000001", 3},
        {"0.49999999999999999999", 0},
        {"0.4", 0},
        {"0.6", 1},
        {"32.5", 32},
        {"32.6", 33},
        {"31.5", 32},
        {"3.49", 3},
        {"-3.51", -4},
        // Blanks, tabs and line feeds are dropped anywhere, signs and points included; other control
        // characters
        // end the number.
        {" 1 2", 12},
        {"1\t2\n3", 123},
        {"  8  ", 8},
        {"- 5", -5},
        {"+ 7", 7},
        {"2 . 5", 2},
        {"3 .6", 4},
        {"\n\t 4", 4},
        {"5\r", 5},
        {"\r5", 0},
        {"    ", 0},
        // The longest prefix that forms a number; no digit reads as 0.
        {"", 0},
        {"12abc", 12},
        {"abc", 0},
        {"3abc", 3},
        {"1.2.3", 1},
        {".6", 1},
        {".5", 0},
        {"5.", 5},
        {"+", 0},
        {"-", 0},
        {".", 0},
        {"+.", 0},
        {"-.", 0},
        {"+-3", 0},
        {"--3", 0},
        {"1,5", 1},
        {"1,6", 1},
        {"1e5", 1},
        {"2E3", 2},
        {"0x10", 0},
        {"007", 7},
        {"-0", 0},
        {"+8", 8},
        {"8-", 8},
        {"12 ab 3", 12},
        // Beyond the 32-bit range the reading saturates.
        {"2147483647", kMax},
        {"2147483648", kMax},
        {"2147483646.5", 2147483646},
        {"2147483647.5", kMax},
        {"-2147483648", kMin},
        {"-2147483649", kMin},
        {"-2147483648.5", kMin},
        {"4294967296", kMax},
        {"4294967297", kMax},
        {"18446744073709551617", kMax},
        {"-18446744073709551617", kMin},
        {std::string(400, '9'), kMax},
        {"-" + std::string(400, '9'), kMin},
        {std::string(300, '0') + "12", 12},
        {"1" + std::string(300, '0') + ".5", kMax},
        {"0." + std::string(300, '4') + "9", 0},
        {"0.5" + std::string(300, '0'), 0},
        {"0.5" + std::string(300, '0') + "1", 1},
    };
    return rows;
}

TEST(ReadNumber, TableAgreesWithReference) {
    for (const Reading& row : Readings()) {
        EXPECT_EQ(ReferenceRead(row.Text), row.Value) << "reference, text [" << row.Text << "]";
    }
}

TEST(ReadNumber, ReadsTheTable) {
    for (const Reading& row : Readings())
        EXPECT_EQ(ReadNumber(row.Text), row.Value) << "text [" << row.Text << "]";
}

// Random texts over an alphabet that makes numbers, near-numbers and the characters that end them likely.
TEST(ReadNumber, RandomTextsReadAsTheReference) {
    const std::string alphabet = "0123456789012345678905555.... \t\n+-,eEa\r9999";
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<std::size_t> length(0, 24);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const std::size_t len = length(rng);
        for (std::size_t k = 0; k < len; ++k)
            text += alphabet[pick(rng)];
        ASSERT_EQ(ReadNumber(text), ReferenceRead(text)) << "text [" << text << "]";
    }
}

}  // namespace
}  // namespace nq
