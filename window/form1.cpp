// SPDX-License-Identifier: GPL-3.0-or-later
// Form1's construction and destruction: out of line, where the types it owns through pointers are complete.
#include "window/form1.h"

#include "count/background_count.h"
#include "window/platform.h"

namespace nq {

Form1::Form1(Platform& platform) : platform_(platform) {}

Form1::~Form1() = default;

}  // namespace nq
