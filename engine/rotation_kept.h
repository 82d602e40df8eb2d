// SPDX-License-Identifier: GPL-3.0-or-later
// Solutions that a rotation of the board maps onto themselves, by a search that places a queen's whole orbit
// at once: what a unique count adds to the count of all solutions (Burnside's lemma; no reflection keeps a
// solution of a board above 1). Used by both counting methods.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/problem.h"
#include "engine/stop_poll.h"

namespace nq {

// The solutions of the n-board (1..32) that hold `placed` (non-attacking queens, a set the rotation maps onto
// itself) and that the rotation by `turns` quarter turns (1 or 2) maps onto themselves. A quarter turn takes
// column c, row r to column n + 1 - r, row c. When poll.Stop turns true the search ends early with
// poll.Stopped set and a meaningless value.
std::uint64_t RotationKeptSolutions(int n, std::span<const Queen> placed, int turns, StopPoll& poll);

// The search of an empty board cut in pieces: the orbits of the queen of column 1 that hold no attack. The
// solutions kept that hold each of them add up to all of them (RotationKeptSolutions with no queen).
std::vector<std::vector<Queen>> RotationKeptStarts(int n, int turns);

}  // namespace nq
