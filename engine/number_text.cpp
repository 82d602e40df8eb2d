// SPDX-License-Identifier: GPL-3.0-or-later
// Grouping digits and writing decimals locale by locale, with std::to_chars, which no C locale changes.
#include "engine/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace nq {

std::string GroupDigits(std::string_view digits, const NumberFormat& format) {
    if (digits.size() <= 4 || format.Grouping.empty()) return std::string(digits);
    // The groups' sizes from the right: the grouping's in turn, its last one for the rest. A size of 0 or
    // below (CHAR_MAX and beyond) leaves the rest in one group, as in std::numpunct.
    std::vector<std::size_t> sizes;
    for (std::size_t left = digits.size(); left > 0;) {
        const char size = format.Grouping[std::min(sizes.size(), format.Grouping.size() - 1)];
        const std::size_t take = size <= 0 ? left : std::min(static_cast<std::size_t>(size), left);
        sizes.push_back(take);
        left -= take;
    }
    std::string text;
    std::size_t at = 0;
    for (std::size_t k = sizes.size(); k-- > 0;) {
        text += digits.substr(at, sizes[k]);
        at += sizes[k];
        if (k > 0) text += format.Separator;
    }
    return text;
}

std::string CountText(std::uint64_t value, const NumberFormat& format) {
    std::array<char, 24> digits{};
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    (void)error;  // 24 places hold any 64-bit number
    return GroupDigits(std::string_view(digits.data(), static_cast<std::size_t>(end - digits.data())),
                       format);
}

std::string FixedText(double value, int decimals, const NumberFormat& format) {
    if (!(value > 0.0)) value = 0.0;
    const int places = std::clamp(decimals, 0, 3);
    std::array<char, 400> text{};  // the longest double in fixed notation has 309 digits before the point
    const auto [end, error] =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, places);
    (void)error;
    const std::string_view written(text.data(), static_cast<std::size_t>(end - text.data()));
    const std::size_t point = written.find('.');
    if (point == std::string_view::npos) return GroupDigits(written, format);
    return GroupDigits(written.substr(0, point), format) + format.Point +
           std::string(written.substr(point + 1));
}

std::string RateText(double perSecond, const NumberFormat& format) {
    if (!(perSecond > 0.0)) perSecond = 0.0;
    if (perSecond < 999'999.5) return CountText(static_cast<std::uint64_t>(std::llround(perSecond)), format);
    static constexpr struct {
        double Unit;
        const char* Word;
    } kScales[] = {{1e6, " million"}, {1e9, " billion"}, {1e12, " trillion"}};
    for (const auto& scale : kScales) {
        const double scaled = perSecond / scale.Unit;
        // Three significant digits as they round: 9.996 million reads "10.0 million".
        if (scaled < 999.5 || scale.Unit == kScales[2].Unit)
            return FixedText(scaled, scaled < 9.995 ? 2 : scaled < 99.95 ? 1 : 0, format) + scale.Word;
    }
    return {};
}

}  // namespace nq
