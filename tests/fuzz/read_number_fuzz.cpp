// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the reading of typed numbers: any bytes as the text of a box. The reading must agree with
// two independent readings (exact decimal arithmetic; long double for short numbers) and keep its simple
// laws: blanks anywhere and any ending after the number change nothing, a leading zero changes nothing, a
// minus sign negates.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "support/monkey.h"
#include "support/reference_reading.h"
#include "window/read_number.h"

namespace {

using nq::testing::ReferenceReadTypedNumber;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

void Require(bool ok, const char* law, const std::string& text, std::int32_t got, std::int32_t expected) {
    if (ok) return;
    std::fprintf(stderr, "ReadTypedNumber: %s broken for %s: got %d, expected %d\n", law,
                 nq::testing::detail::Quote(text).c_str(), got, expected);
    std::abort();
}

// Rounds the short decimal prefix with the platform's long double: exact for up to 15 digits, and nearbyint
// rounds halves to even in the default rounding mode.
bool LongDoubleReading(const std::string& text, std::int32_t& out) {
    const nq::testing::DecimalPrefix p = nq::testing::ScanDecimalPrefix(text);
    if (!p.HasDigit || p.Whole.size() + p.Fraction.size() > 15) return false;
    const std::string literal =
        std::string(p.Negative ? "-" : "") + (p.Whole.empty() ? "0" : p.Whole) + "." + p.Fraction + "0";
    const long double rounded = std::nearbyint(std::strtold(literal.c_str(), nullptr));
    out = rounded >= static_cast<long double>(kMax)   ? kMax
          : rounded <= static_cast<long double>(kMin) ? kMin
                                                      : static_cast<std::int32_t>(rounded);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::int32_t value = nq::ReadTypedNumber(text);

    Require(value == ReferenceReadTypedNumber(text), "exact reference", text, value,
            ReferenceReadTypedNumber(text));
    std::int32_t shortReading = 0;
    if (LongDoubleReading(text, shortReading))
        Require(value == shortReading, "long double", text, value, shortReading);

    // Blanks, tabs and line feeds are dropped wherever they stand.
    const std::size_t at = size == 0 ? 0 : data[0] % (size + 1);
    for (const char* blank : {" ", "\t", "\n", " \t\n "}) {
        std::string spaced = text;
        spaced.insert(at, blank);
        Require(nq::ReadTypedNumber(spaced) == value, "blank-insensitivity", spaced,
                nq::ReadTypedNumber(spaced), value);
    }
    // Nothing after the number counts: a letter, a comma or a second point never extends it.
    for (const char* tail : {"x", ",5", "e9", "\xc3\xa9"}) {
        Require(nq::ReadTypedNumber(text + tail) == value, "ending", text + tail,
                nq::ReadTypedNumber(text + tail), value);
    }

    std::string compact;
    for (char ch : text) {
        if (ch != ' ' && ch != '\t' && ch != '\n') compact += ch;
    }
    const bool startsWithNumber =
        !compact.empty() && ((compact[0] >= '0' && compact[0] <= '9') || compact[0] == '.');
    if (startsWithNumber) {
        // A leading zero changes nothing; a minus sign in front negates (away from the saturated ends).
        Require(nq::ReadTypedNumber("0" + compact) == value, "leading zero", "0" + compact,
                nq::ReadTypedNumber("0" + compact), value);
        if (value != kMax) {
            Require(nq::ReadTypedNumber("-" + compact) == -value, "negation", "-" + compact,
                    nq::ReadTypedNumber("-" + compact), -value);
            Require(nq::ReadTypedNumber("+" + compact) == value, "plus sign", "+" + compact,
                    nq::ReadTypedNumber("+" + compact), value);
        }
    }

    // Every 32-bit number written in decimal reads back as itself.
    if (size >= 4) {
        std::int32_t n = 0;
        for (int k = 0; k < 4; ++k)
            n = static_cast<std::int32_t>(static_cast<std::uint32_t>(n) << 8 | data[k]);
        const std::string written = std::to_string(n);
        Require(nq::ReadTypedNumber(written) == n, "round trip", written, nq::ReadTypedNumber(written), n);
    }
    return 0;
}
