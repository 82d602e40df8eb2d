// SPDX-License-Identifier: GPL-3.0-or-later
// The randomised monkey of the window tests with a longer budget: runs seeded sequences until the time is up
// and prints what it did as key=value lines. Exits with 1 (and the first failure with its actions on stderr)
// on a fault.
//
// Usage: monkey_bench [seconds [seed]]; or NQ_MONKEY_SECONDS and NQ_MONKEY_SEED. Defaults: 60 s, seed 1.
// "passes" counts the run passes between event pumps (100 per pump); the passes after a run's last pump are
// not seen.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/monkey.h"

namespace {

double Setting(int argc, char** argv, int position, const char* variable, double fallback) {
    if (argc > position) return std::strtod(argv[position], nullptr);
    if (const char* value = std::getenv(variable); value != nullptr && *value != '\0')
        return std::strtod(value, nullptr);
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    using Clock = std::chrono::steady_clock;
    const double seconds = Setting(argc, argv, 1, "NQ_MONKEY_SECONDS", 60.0);
    const auto seed = static_cast<std::uint64_t>(Setting(argc, argv, 2, "NQ_MONKEY_SEED", 1.0));

    nq::testing::Monkey monkey(nq::testing::MonkeyBudget{30, 400, 10, 4});
    const Clock::time_point start = Clock::now();
    const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    std::uint64_t failedSequence = 0;
    bool failed = false;
    for (std::uint64_t k = 0; elapsed() < seconds; ++k) {
        nq::testing::RandomChooser choose(seed * 1000003u + k);
        if (!monkey.RunSequence(choose) && !failed) {
            failed = true;
            failedSequence = k;
        }
    }
    const double took = elapsed();

    const nq::testing::MonkeyStats& s = monkey.Stats();
    std::printf("monkey sequences=%lld actions=%lld passes=%lld failures=%lld\n", s.Sequences, s.Actions,
                s.Pumps * 100, s.Failures);
    std::printf("monkey_seed=%llu\n", static_cast<unsigned long long>(seed));
    std::printf("monkey_seconds=%.1f\n", took);
    std::printf("monkey_pumps=%lld\n", s.Pumps);
    std::printf("monkey_checks=%lld\n", s.Checks);
    std::printf("monkey_nested_runs=%lld\n", s.NestedRuns);
    std::printf("monkey_actions_per_second=%.0f\n", took > 0 ? static_cast<double>(s.Actions) / took : 0.0);
    for (int state = 0; state < 6; ++state) {
        std::string name = nq::testing::StateName(static_cast<nq::testing::WindowState>(state));
        for (char& ch : name) {
            if (ch == ' ') ch = '_';
        }
        std::printf("monkey_checks_%s=%lld\n", name.c_str(), s.StatesSeen[static_cast<std::size_t>(state)]);
    }
    if (failed) {
        std::fprintf(stderr, "monkey: first failure in sequence %llu (seed %llu):\n%s\n",
                     static_cast<unsigned long long>(failedSequence), static_cast<unsigned long long>(seed),
                     monkey.FirstFailure().c_str());
        return 1;
    }
    return 0;
}
