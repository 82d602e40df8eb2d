// SPDX-License-Identifier: GPL-3.0-or-later
// 128-bit counts as decimal text and back (the standard library's conversions stop at 64 bits).
#include "count/wide_count.h"

#include <algorithm>

namespace nq {

std::string DecimalText(WideCount value) {
    std::string digits;
    do {
        digits.push_back(static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    std::reverse(digits.begin(), digits.end());
    return digits;
}

bool ReadDecimalText(std::string_view text, WideCount& value) {
    if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
    const WideCount most = ~WideCount{0};
    WideCount result = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9') return false;
        const auto digit = static_cast<unsigned>(ch - '0');
        if (result > (most - digit) / 10) return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

}  // namespace nq
