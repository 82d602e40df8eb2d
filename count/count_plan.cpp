// SPDX-License-Identifier: GPL-3.0-or-later
// The plan of a count over the engine's work units.
#include "count/count_plan.h"

namespace nq {

CountPlan::CountPlan(const Problem& p, bool unique)
    : problem_(p), unique_(unique), units_(MakeWorkUnits(p.N, p.Fixed, unique)) {}

}  // namespace nq
