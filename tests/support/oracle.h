// SPDX-License-Identifier: GPL-3.0-or-later
// A slow, obvious model of the n-queens search to hold the engine against: brute-force enumerations that
// share no code or data structure with the engine (no occupancy arrays, no bit masks; every pair of queens is
// compared).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "engine/problem.h"

namespace nq::testing {

// Rows of columns 1..n in order: element i is the row (1..n) of column i + 1, 0 for an empty column.
using Placement = std::vector<int>;

using FixedQueen = Queen;
using FixedSet = std::vector<FixedQueen>;

inline bool QueensAttack(int c1, int r1, int c2, int r2) {
    return c1 == c2 || r1 == r2 || std::abs(c1 - c2) == std::abs(r1 - r2);
}

// True when no two queens of the set attack each other and every queen lies on the board: a set the test
// command accepts.
inline bool FixedSetIsConsistent(int n, const FixedSet& fixed) {
    for (std::size_t i = 0; i < fixed.size(); ++i) {
        if (fixed[i].Column < 1 || fixed[i].Column > n || fixed[i].Row < 1 || fixed[i].Row > n) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (QueensAttack(fixed[i].Column, fixed[i].Row, fixed[j].Column, fixed[j].Row)) return false;
        }
    }
    return true;
}

// True when the placement has n queens, rows 1..n, and no two attack each other.
inline bool IsSolution(int n, const Placement& p) {
    if (static_cast<int>(p.size()) != n) return false;
    for (int i = 0; i < n; ++i) {
        if (p[i] < 1 || p[i] > n) return false;
        for (int j = 0; j < i; ++j) {
            if (QueensAttack(i + 1, p[i], j + 1, p[j])) return false;
        }
    }
    return true;
}

inline bool KeepsFixed(const Placement& p, const FixedSet& fixed) {
    return std::all_of(fixed.begin(), fixed.end(),
                       [&](const FixedQueen& q) { return p[q.Column - 1] == q.Row; });
}

// The fixed queens alone as a placement (0 for the other columns).
inline Placement PlacementOf(int n, const FixedSet& fixed) {
    Placement p(n, 0);
    for (const FixedQueen& q : fixed)
        p[q.Column - 1] = q.Row;
    return p;
}

// Every solution keeping the fixed queens, in lexicographic order: walks all n! permutations of the rows in
// order and keeps the valid ones. For n <= 9 only (9! = 362880).
inline std::vector<Placement> PermutationSolutions(int n, const FixedSet& fixed) {
    std::vector<Placement> out;
    Placement p(n);
    std::iota(p.begin(), p.end(), 1);
    do {
        if (KeepsFixed(p, fixed) && IsSolution(n, p)) out.push_back(p);
    } while (std::next_permutation(p.begin(), p.end()));
    return out;
}

// The tree of partial placements that a column-by-column backtracking over the free columns walks: a node is
// a placement of the first k free columns (k >= 1) together with every fixed queen, in which no two queens
// attack each other. Visits the nodes in depth-first order, rows ascending, so the full-depth nodes come in
// lexicographic order. Visit(const Placement& node, int nextFreeColumn) gets the column after the node's last
// free column that is not fixed (n + 1 when none is left); returning false stops the walk. Returns false when
// stopped.
class PartialPlacementTree {
  public:
    PartialPlacementTree(int n, const FixedSet& fixed) : n_(n), board_(n, 0), isFixed_(n + 2, false) {
        for (const FixedQueen& q : fixed) {
            board_[q.Column - 1] = q.Row;
            isFixed_[q.Column] = true;
        }
        for (int c = 1; c <= n; ++c) {
            if (!isFixed_[c]) freeColumns_.push_back(c);
        }
    }

    template <class Visit>
    bool Walk(Visit&& visit) {
        return Descend(0, visit);
    }

  private:
    template <class Visit>
    bool Descend(std::size_t depth, Visit& visit) {
        if (depth == freeColumns_.size()) return true;
        const int c = freeColumns_[depth];
        const int next = depth + 1 < freeColumns_.size() ? freeColumns_[depth + 1] : n_ + 1;
        for (int r = 1; r <= n_; ++r) {
            if (!FitsWithPlaced(c, r)) continue;
            board_[c - 1] = r;
            if (!visit(static_cast<const Placement&>(board_), next)) return false;
            if (!Descend(depth + 1, visit)) return false;
            board_[c - 1] = 0;
        }
        return true;
    }

    bool FitsWithPlaced(int c, int r) const {
        for (int other = 1; other <= n_; ++other) {
            const int row = board_[other - 1];
            if (other != c && row != 0 && QueensAttack(c, r, other, row)) return false;
        }
        return true;
    }

    int n_;
    Placement board_;
    std::vector<bool> isFixed_;
    std::vector<int> freeColumns_;
};

// Every node of the tree above, in the order visited, with the free column that follows it.
struct TreeNode {
    Placement Queens;
    int NextColumn = 0;
};
inline std::vector<TreeNode> AllTreeNodes(int n, const FixedSet& fixed) {
    std::vector<TreeNode> out;
    PartialPlacementTree(n, fixed).Walk([&](const Placement& p, int next) {
        out.push_back({p, next});
        return true;
    });
    return out;
}

// Number of solutions keeping the fixed queens, by the same tree walk (for n too large for permutations).
inline std::int64_t OracleSolutionCount(int n, const FixedSet& fixed) {
    std::int64_t count = 0;
    if (static_cast<int>(fixed.size()) == n) return IsSolution(n, PlacementOf(n, fixed)) ? 1 : 0;
    PartialPlacementTree(n, fixed).Walk([&](const Placement&, int next) {
        if (next == n + 1)
            ++count;  // the last free column has its queen: with the fixed ones, all n are placed
        return true;
    });
    return count;
}

inline std::string PlacementText(const Placement& p) {
    std::string s;
    for (int r : p) {
        if (!s.empty()) s += ' ';
        s += std::to_string(r);
    }
    return s;
}

// "n8" for n = 8: a name for test cases.
inline std::string NameOfSize(int n) {
    std::string name(1, 'n');
    name += std::to_string(n);
    return name;
}

inline std::string FixedSetText(const FixedSet& fixed) {
    std::string s = "{";
    for (const FixedQueen& q : fixed)
        s += " (" + std::to_string(q.Column) + "," + std::to_string(q.Row) + ")";
    return s + " }";
}

}  // namespace nq::testing
