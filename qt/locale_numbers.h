// SPDX-License-Identifier: GPL-3.0-or-later
// How a Qt locale writes numbers, for the texts of the board window (window/ composes them without Qt).
#pragma once

#include <QLocale>

#include "engine/number_text.h"

namespace nq {

// The locale's decimal mark, group separator and group sizes; no grouping where the locale omits it (the C
// locale).
NumberFormat NumbersOf(const QLocale& locale);

}  // namespace nq
