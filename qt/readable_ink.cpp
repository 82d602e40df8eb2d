// SPDX-License-Identifier: GPL-3.0-or-later
// The contrast ratio and the readable ink.
#include "qt/readable_ink.h"

#include <algorithm>
#include <cmath>

namespace nq {
namespace {

double Luminance(QColor c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

}  // namespace

double ContrastRatio(QColor a, QColor b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableInk(QColor background, QColor preferred) {
    if (ContrastRatio(background, preferred) >= 4.5) return preferred;
    const QColor black(Qt::black), white(Qt::white);
    return ContrastRatio(background, black) >= ContrastRatio(background, white) ? black : white;
}

}  // namespace nq
