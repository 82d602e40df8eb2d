// SPDX-License-Identifier: GPL-3.0-or-later
// Formatting time spans.
#include "engine/duration.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace nq {

std::string FormatDuration(double seconds, int decimals, const NumberFormat& format) {
    if (!(seconds > 0.0)) seconds = 0.0;
    const int places = std::clamp(decimals, 0, 3);
    // Under a minute as the seconds round at this precision, so that 59.96 reads "60.0 s", not "1 min 00 s".
    const double limit = places == 0 ? 59.5 : 60.0;
    char text[32];
    if (seconds < limit) return FixedText(seconds, places, format) + " s";
    if (seconds < 3600.0) {
        const long s = std::lround(seconds);
        std::snprintf(text, sizeof text, "%ld min %02ld s", s / 60, s % 60);
        return text;
    }
    if (seconds < 1e6 * 3600.0) {
        const long long m = std::llround(seconds / 60.0);
        std::snprintf(text, sizeof text, " h %02lld min", m % 60);
        return CountText(static_cast<std::uint64_t>(m / 60), format) + text;
    }
    return "more than a million hours";
}

}  // namespace nq
