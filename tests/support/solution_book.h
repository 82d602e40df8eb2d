// SPDX-License-Identifier: GPL-3.0-or-later
// The oracle's solutions, found as far as they are asked for and kept per board size and fixed set: the k-th
// solution of a search and the count of all of them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/oracle.h"

namespace nq::testing {

class SolutionBook {
  public:
    // The k-th solution (k >= 1) in lexicographic order, or nullptr when there are fewer than k.
    const Placement* Nth(int n, const FixedSet& fixed, std::int64_t k) {
        Entry& e = EntryFor(n, fixed);
        while (static_cast<std::int64_t>(e.Solutions.size()) < k && !e.Complete)
            Extend(n, fixed, e, 2 * k + 16);
        return k >= 1 && k <= static_cast<std::int64_t>(e.Solutions.size()) ? &e.Solutions[k - 1] : nullptr;
    }

    std::int64_t Count(int n, const FixedSet& fixed) {
        Entry& e = EntryFor(n, fixed);
        if (!e.Complete) e.Count = OracleSolutionCount(n, fixed);
        return e.Complete ? static_cast<std::int64_t>(e.Solutions.size()) : e.Count;
    }

  private:
    struct Entry {
        std::vector<Placement> Solutions;  // the first ones, in order
        bool Complete = false;             // Solutions holds them all
        std::int64_t Count = -1;
    };

    Entry& EntryFor(int n, const FixedSet& fixed) {
        const std::string key = std::to_string(n) + FixedSetText(fixed);
        if (book_.size() > 4000) book_.clear();
        return book_[key];
    }

    static void Extend(int n, const FixedSet& fixed, Entry& e, std::int64_t limit) {
        e.Solutions.clear();
        if (static_cast<int>(fixed.size()) == n) {
            const Placement p = PlacementOf(n, fixed);
            if (IsSolution(n, p)) e.Solutions.push_back(p);
            e.Complete = true;
            return;
        }
        const bool walked = PartialPlacementTree(n, fixed).Walk([&](const Placement& p, int next) {
            if (next != n + 1) return true;
            e.Solutions.push_back(p);
            return static_cast<std::int64_t>(e.Solutions.size()) < limit;
        });
        e.Complete = walked;
    }

    std::map<std::string, Entry> book_;
};

}  // namespace nq::testing
