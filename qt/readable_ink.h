// SPDX-License-Identifier: GPL-3.0-or-later
// Text colours that stay readable on any palette: the WCAG 2 contrast ratio, and the ink for a background.
#pragma once

#include <QColor>

namespace nq {

// The WCAG 2 contrast ratio of two colours, 1 (the same) to 21 (black on white); alpha is ignored.
double ContrastRatio(QColor a, QColor b);

// `preferred` when it reaches 4.5:1 on `background`, otherwise black or white, whichever contrasts more (at
// least 4.58:1 on any background).
QColor ReadableInk(QColor background, QColor preferred);

}  // namespace nq
