// SPDX-License-Identifier: GPL-3.0-or-later
// The reading of typed numbers: a table of readings, each first checked against the reference reading (the
// decimal prefix cut as text, rounded by exact integer arithmetic), then random texts against it.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "support/reference_reading.h"
#include "window/read_number.h"

namespace nq {
namespace {

using testing::ReferenceReadTypedNumber;

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

TEST(ReadTypedNumber, TableAgreesWithReference) {
    for (const Reading& row : Readings()) {
        EXPECT_EQ(ReferenceReadTypedNumber(row.Text), row.Value) << "reference, text [" << row.Text << "]";
    }
}

TEST(ReadTypedNumber, ReadsTheTable) {
    for (const Reading& row : Readings())
        EXPECT_EQ(ReadTypedNumber(row.Text), row.Value) << "text [" << row.Text << "]";
}

// Random texts over an alphabet that makes numbers, near-numbers and the characters that end them likely.
TEST(ReadTypedNumber, RandomTextsReadAsTheReference) {
    const std::string alphabet = "0123456789012345678905555.... \t\n+-,eEa\r9999";
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<std::size_t> length(0, 24);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const std::size_t len = length(rng);
        for (std::size_t k = 0; k < len; ++k)
            text += alphabet[pick(rng)];
        ASSERT_EQ(ReadTypedNumber(text), ReferenceReadTypedNumber(text)) << "text [" << text << "]";
    }
}

}  // namespace
}  // namespace nq
