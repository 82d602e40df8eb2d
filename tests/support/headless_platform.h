// SPDX-License-Identifier: GPL-3.0-or-later
// A platform that does nothing, for benchmarks that compare the window's logic with and without a real
// window. Its pump stays a real call that may read anything, so the compiler cannot drop it from the loop.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "window/platform.h"

namespace nq::testing {

class HeadlessPlatform final : public Platform {
  public:
    int MessageBox(const std::string&, const std::string&, int) override { return kAnswerOk; }
    [[gnu::noinline]] void PumpEvents() override { asm volatile("" ::: "memory"); }
    void WaitForEvents(int) override {}
    std::int64_t Microseconds() const override { return 0; }
    [[noreturn]] void EndProcess() override { std::_Exit(0); }
    std::string Caption() const override { return {}; }
};

}  // namespace nq::testing
