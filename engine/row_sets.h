// SPDX-License-Identifier: GPL-3.0-or-later
// The row sets of the quadrant counter and their symmetry: which rows hold the east half's queens, and, for
// odd n, the queens of the middle row and column placed before the quadrants.
//
// Even n = 2h: a solution's row set E is the h rows whose queens stand in the east half. The vertical
// mirror (rows reversed) maps the solutions of E onto those of its mirror image, so only E no larger than its
// image is joined, standing for both. (The horizontal mirror, which maps E to the other rows, is left to the
// halves: they use the main diagonals instead, which halves the east half's placements; see half_keys.h.)
//
// Odd n = 2h + 1: the middle row and the middle column hold one queen each, or one queen on the centre.
// Every row set E is an h-subset of the 2h other rows. With the centre queen, the four flips of the rows
// (mirror and complement) map the solutions of E onto those of its images, so only the smallest of them
// is joined, standing for its orbit. Otherwise the middle column's queen on row a and the middle row's
// queen on column b (a, b < h, both in the north-west; a < b since a == b would share a diagonal with the
// centre's square) stand for the eight placements the symmetries of the board make of them; E then holds
// h of the 2h - 1 rows left.
#pragma once

#include <cstdint>
#include <vector>

namespace nq {

// Every row set of an n-board (1..32): even n, the h-subsets of all rows no larger than their mirror image;
// odd n, every h-subset of the rows outside the middle one. In a fixed order, those with the same south rows
// (o..n-1) next to each other, since they share the south quarters' groups.
std::vector<std::uint32_t> MakeRowSets(int n);

// Rows reversed (row r to n - 1 - r).
std::uint32_t MirrorRows(int n, std::uint32_t rows);

// Even n: the row sets E stands for, 2 (itself and its mirror image) or 1 (when they are the same).
int MirrorWeight(int n, std::uint32_t east);

// Odd n, the centre queen: the size of E's orbit under the flips of the rows when E is its smallest member,
// 0 otherwise.
int CentreWeight(int n, std::uint32_t east);

// Odd n: the rows a (0..h-2) of the middle column's queen that row set E leaves free, as bits; each goes
// with every column b of a + 1..h-1 for the middle row's queen.
std::uint32_t MiddleQueenRows(int n, std::uint32_t east);

}  // namespace nq
