// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target driving the monkey from the fuzzer's bytes instead of a seed: each byte picks the next action,
// text or answer, at the top and at the event pumps of runs. Every action is checked against the window's
// model.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "support/monkey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    static nq::testing::Monkey monkey(nq::testing::MonkeyBudget{60, 150, 10, 3});
    nq::testing::ByteChooser choose(data, size);
    if (!monkey.RunSequence(choose)) {
        std::fprintf(stderr, "monkey: %s\n", monkey.FirstFailure().c_str());
        std::abort();
    }
    return 0;
}
