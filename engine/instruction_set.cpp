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

bool ProcessorRunsV4() {
#if defined(NQ_HAVE_X86_64_V4)
    __builtin_cpu_init();
    return ProcessorRunsV3() && __builtin_cpu_supports("x86-64-v4") &&
           __builtin_cpu_supports("avx512vpopcntdq");
#else
    return false;
#endif
}

InstructionSet Highest() {
    static const InstructionSet highest = ProcessorRunsV4()   ? InstructionSet::X86_64_V4
                                          : ProcessorRunsV3() ? InstructionSet::X86_64_V3
                                                              : InstructionSet::Baseline;
    return highest;
}

std::atomic<InstructionSet>& Active() {
    static std::atomic<InstructionSet> active = [] {
        InstructionSet set = Highest();
        if (const char* forced = std::getenv("NQ_KERNEL"); forced != nullptr) {
            for (const InstructionSet lower : {InstructionSet::Baseline, InstructionSet::X86_64_V3}) {
                if (std::strcmp(forced, InstructionSetName(lower)) == 0 && lower < set) set = lower;
            }
        }
        return set;
    }();
    return active;
}

}  // namespace

const char* InstructionSetName(InstructionSet set) {
    switch (set) {
        case InstructionSet::X86_64_V3: return "x86-64-v3";
        case InstructionSet::X86_64_V4: return "x86-64-v4";
        case InstructionSet::Baseline: break;
    }
    return "baseline";
}

bool Runs(InstructionSet set) {
    return set <= Highest();
}

InstructionSet ActiveInstructionSet() {
    return Active().load(std::memory_order_relaxed);
}

InstructionSet UseInstructionSet(InstructionSet set) {
    return Active().exchange(set, std::memory_order_relaxed);
}

}  // namespace nq
