// SPDX-License-Identifier: GPL-3.0-or-later
// Formatting time spans.
#include "engine/duration.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace nq {

std::string FormatDuration(double seconds, int decimals) {
    char text[48];
    if (!(seconds > 0.0)) seconds = 0.0;
    const int places = std::clamp(decimals, 0, 3);
    // Under a minute as the seconds round at this precision, so that 59.96 reads "60.0 s", not "1 min 00 s".
    const double limit = places == 0 ? 59.5 : 60.0;
    if (seconds < limit) {
        std::snprintf(text, sizeof text, "%.*f s", places, seconds);
    } else if (seconds < 3600.0) {
        const long s = std::lround(seconds);
        std::snprintf(text, sizeof text, "%ld min %02ld s", s / 60, s % 60);
    } else if (seconds < 1e6 * 3600.0) {
        const long long m = std::llround(seconds / 60.0);
        std::snprintf(text, sizeof text, "%lld h %02lld min", m / 60, m % 60);
    } else {
        std::snprintf(text, sizeof text, "more than a million hours");
    }
    return text;
}

}  // namespace nq
