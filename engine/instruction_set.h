// SPDX-License-Identifier: GPL-3.0-or-later
// The instruction sets the hot loops are built for, and the one this process uses: the best the processor
// runs, chosen once, unless the environment variable NQ_KERNEL=baseline forces plain x86-64.
#pragma once

namespace nq {

enum class InstructionSet {
    Baseline,  // what the package targets: x86-64 (or whatever the build's architecture is)
    X86_64_V3  // x86-64-v3: BMI1/2, LZCNT, POPCNT, AVX2 (kernels built beside the baseline ones)
};

// "baseline" or "x86-64-v3", as the benchmarks print them.
const char* InstructionSetName(InstructionSet set);

// True when this build holds code for `set` and this processor runs it; always true for Baseline.
bool Runs(InstructionSet set);

// The set this process uses: on first call, X86_64_V3 when it Runs and NQ_KERNEL is not "baseline".
InstructionSet ActiveInstructionSet();

// Makes `set` (one that Runs) the active set from now on, for every thread; for tests and benchmarks that
// compare the kernels. Returns the one it replaces.
InstructionSet UseInstructionSet(InstructionSet set);

}  // namespace nq

// The attribute that builds a function for x86-64-v3, where the compiler can: NQ_HAVE_X86_64_V3 is defined
// (by engine/CMakeLists.txt) when it accepts it.
#if defined(NQ_HAVE_X86_64_V3)
#define NQ_TARGET_X86_64_V3 __attribute__((target("arch=x86-64-v3")))
#endif
