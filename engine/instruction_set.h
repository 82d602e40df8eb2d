// SPDX-License-Identifier: GPL-3.0-or-later
// The instruction sets the hot loops are built for, and the one this process uses: the best the processor
// runs, chosen once, unless the environment variable NQ_KERNEL names a lower one ("baseline", "x86-64-v3").
// One choice for every fast path: the completion kernel, the disjoint-pair count and the quadrant halves.
#pragma once

namespace nq {

// In rising order: a set runs the code built for any set below it.
enum class InstructionSet {
    Baseline,   // what the package targets: x86-64 (or whatever the build's architecture is)
    X86_64_V3,  // x86-64-v3: BMI1/2, LZCNT, POPCNT, AVX2
    X86_64_V4,  // x86-64-v4 with AVX-512's vector popcount (VPOPCNTDQ): the disjoint-pair count only;
                // the completion kernel runs its x86-64-v3 build under it
};

// "baseline", "x86-64-v3" or "x86-64-v4", as the benchmarks print them and NQ_KERNEL takes them.
const char* InstructionSetName(InstructionSet set);

// True when this build holds code for `set` and this processor runs it; always true for Baseline.
bool Runs(InstructionSet set);

// The set this process uses: on first call, the highest that Runs, lowered to NQ_KERNEL's when that names
// one (an unknown name changes nothing).
InstructionSet ActiveInstructionSet();

// Makes `set` (one that Runs) the active set from now on, for every thread; for tests and benchmarks that
// compare the builds. Returns the one it replaces.
InstructionSet UseInstructionSet(InstructionSet set);

}  // namespace nq

// The attributes that build a function for x86-64-v3 and for x86-64-v4 with VPOPCNTDQ, where the compiler
// can: NQ_HAVE_X86_64_V3 and NQ_HAVE_X86_64_V4 are defined (by engine/CMakeLists.txt) when it accepts them.
#if defined(NQ_HAVE_X86_64_V3)
#define NQ_TARGET_X86_64_V3 __attribute__((target("arch=x86-64-v3")))
#endif
#if defined(NQ_HAVE_X86_64_V4)
#define NQ_TARGET_X86_64_V4 __attribute__((target("arch=x86-64-v4,avx512vpopcntdq")))
#endif
