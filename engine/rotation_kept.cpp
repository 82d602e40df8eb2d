// SPDX-License-Identifier: GPL-3.0-or-later
// The search for the solutions a rotation keeps: the first free column takes a queen, and with it the
// queen's whole orbit under the rotation; bit masks give the rows a column leaves open.
#include "engine/rotation_kept.h"

#include <array>
#include <bit>
#include <stdexcept>

namespace nq {
namespace {

// Nodes between two looks at the stop flag: some tens of microseconds of search.
constexpr unsigned kNodesPerPoll = 1u << 12;

// 0-based columns c and rows r; the up diagonal c + r, the down diagonal r - c + n - 1.
struct Search {
    int N = 0, Turns = 1;
    std::uint64_t Columns = 0, Rows = 0, Up = 0, Down = 0;
    StopPoll& Poll;
    unsigned Budget = kNodesPerPoll;

    bool Free(int c, int r) const {
        return ((Columns >> c) & 1u) == 0 && ((Rows >> r) & 1u) == 0 && ((Up >> (c + r)) & 1u) == 0 &&
               ((Down >> (r - c + N - 1)) & 1u) == 0;
    }
    void Flip(int c, int r) {
        Columns ^= std::uint64_t{1} << c;
        Rows ^= std::uint64_t{1} << r;
        Up ^= std::uint64_t{1} << (c + r);
        Down ^= std::uint64_t{1} << (r - c + N - 1);
    }
    // A quarter turn takes (c, r) to (n - 1 - r, c), a half turn to (n - 1 - c, n - 1 - r).
    std::array<int, 2> Turn(int c, int r) const {
        return Turns == 1 ? std::array<int, 2>{N - 1 - r, c} : std::array<int, 2>{N - 1 - c, N - 1 - r};
    }
    // Places the orbit of (c, r) if none of its squares is attacked; returns how many it placed (all of
    // them, or fewer when it gave up and took them back).
    int PlaceOrbit(int c, int r, std::array<std::array<int, 2>, 4>& orbit) {
        int size = 0;
        std::array<int, 2> q = {c, r};
        do {
            orbit[static_cast<std::size_t>(size++)] = q;
            q = Turn(q[0], q[1]);
        } while (q[0] != c || q[1] != r);
        int placed = 0;
        for (; placed < size; ++placed) {
            const auto [qc, qr] = orbit[static_cast<std::size_t>(placed)];
            if (!Free(qc, qr)) break;
            Flip(qc, qr);
        }
        if (placed == size) return size;
        TakeBack(orbit, placed);
        return 0;
    }
    void TakeBack(const std::array<std::array<int, 2>, 4>& orbit, int placed) {
        while (placed > 0) {
            --placed;
            Flip(orbit[static_cast<std::size_t>(placed)][0], orbit[static_cast<std::size_t>(placed)][1]);
        }
    }

    std::uint64_t Count() {
        if (--Budget == 0) {
            Budget = kNodesPerPoll;
            if (Poll.Stop != nullptr && Poll.Stop->load(std::memory_order_relaxed)) Poll.Stopped = true;
        }
        if (Poll.Stopped) return 0;
        const std::uint64_t all = N == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << N) - 1;
        const int c = std::countr_one(Columns);
        if (c >= N) return 1;
        // Rows of column c on a taken row or diagonal.
        const std::uint64_t attacked = Rows | (Up >> c) | (Down >> (N - 1 - c));
        std::uint64_t count = 0;
        for (std::uint64_t open = ~attacked & all; open != 0; open &= open - 1) {
            std::array<std::array<int, 2>, 4> orbit{};
            const int placed = PlaceOrbit(c, std::countr_zero(open), orbit);
            if (placed == 0) continue;
            count += Count();
            TakeBack(orbit, placed);
        }
        return count;
    }
};

}  // namespace

std::uint64_t RotationKeptSolutions(int n, std::span<const Queen> placed, int turns, StopPoll& poll) {
    if (n < 1 || n > 32 || (turns != 1 && turns != 2)) throw std::invalid_argument("rotation: out of range");
    Search s{.N = n, .Turns = turns, .Poll = poll};
    for (const Queen& q : placed)
        s.Flip(q.Column - 1, q.Row - 1);
    return s.Count();
}

std::vector<std::vector<Queen>> RotationKeptStarts(int n, int turns) {
    if (n < 1 || n > 32 || (turns != 1 && turns != 2)) throw std::invalid_argument("rotation: out of range");
    std::vector<std::vector<Queen>> starts;
    StopPoll none;
    for (int r = 0; r < n; ++r) {
        Search s{.N = n, .Turns = turns, .Poll = none};
        std::array<std::array<int, 2>, 4> orbit{};
        const int placed = s.PlaceOrbit(0, r, orbit);
        if (placed == 0) continue;
        std::vector<Queen> start;
        for (int i = 0; i < placed; ++i)
            start.push_back(
                {orbit[static_cast<std::size_t>(i)][0] + 1, orbit[static_cast<std::size_t>(i)][1] + 1});
        starts.push_back(std::move(start));
    }
    return starts;
}

}  // namespace nq
