// SPDX-License-Identifier: GPL-3.0-or-later
// Which instruction set this process uses: the processor's features, read once, and the NQ_KERNEL switch.
#include "engine/instruction_set.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace nq {
namespace {

bool ProcessorRunsV3() {
#if defined(NQ_HAVE_X86_64_V3)
    __builtin_cpu_init();
    // The features the compiler uses in the kernels; LZCNT, MOVBE and F16C come with them on every
    // processor that has these.
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
           __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt") &&
           __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

std::atomic<InstructionSet>& Active() {
    static std::atomic<InstructionSet> active = [] {
        const char* forced = std::getenv("NQ_KERNEL");
        const bool baseline = forced != nullptr && std::strcmp(forced, "baseline") == 0;
        return !baseline && ProcessorRunsV3() ? InstructionSet::X86_64_V3 : InstructionSet::Baseline;
    }();
    return active;
}

}  // namespace

const char* InstructionSetName(InstructionSet set) {
    return set == InstructionSet::X86_64_V3 ? "x86-64-v3" : "baseline";
}

bool Runs(InstructionSet set) {
    static const bool v3 = ProcessorRunsV3();
    return set == InstructionSet::Baseline || v3;
}

InstructionSet ActiveInstructionSet() {
    return Active().load(std::memory_order_relaxed);
}

InstructionSet UseInstructionSet(InstructionSet set) {
    return Active().exchange(set, std::memory_order_relaxed);
}

}  // namespace nq
