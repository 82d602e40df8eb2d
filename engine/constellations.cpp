// SPDX-License-Identifier: GPL-3.0-or-later
// Start constellations and the work units built on them; the completion kernel counts each unit.
//
// Inside this file the board is read along the project's columns: a "line" is a column (0-based, the
// search's depth axis) and a "pos" is a row (0-based, a bit of the masks). The square is symmetric, so the
// method does not care which axis the search walks.
#include "engine/constellations.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <compare>
#include <stdexcept>
#include <utility>

#include "engine/board.h"
#include "engine/completions.h"
#include "engine/instruction_set.h"
#include "engine/rotation_kept.h"
#include "engine/search_tree.h"

namespace nq {
namespace {

// A unit's count is 64 bits; one past them (centuries of counting) is refused, never wrapped.
std::uint64_t Times(std::uint64_t a, std::uint64_t b) {
    std::uint64_t product = 0;
    if (__builtin_mul_overflow(a, b, &product))
        throw std::overflow_error("a work unit's count passes 64 bits");
    return product;
}

std::uint64_t Plus(std::uint64_t a, std::uint64_t b) {
    std::uint64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) throw std::overflow_error("a work unit's count passes 64 bits");
    return sum;
}

// Boards up to this size are counted as a single unit by the plain search: their constellations are few
// and degenerate (corners and near-corners everywhere).
constexpr int kSmallN = 5;
// Units enough for an even load on 16 threads; fewer are cut by one more queen, but only where the board
// leaves more than kCutAbove free lines (smaller searches are too quick to matter).
constexpr std::size_t kEnoughUnits = 2000;
constexpr int kCutAbove = 12;

struct Square {
    int Line = 0;
    int Pos = 0;
    friend auto operator<=>(const Square&, const Square&) = default;
};

bool Attacks(Square a, Square b) {
    return a.Line == b.Line || a.Pos == b.Pos || a.Line - a.Pos == b.Line - b.Pos ||
           a.Line + a.Pos == b.Line + b.Pos;
}

bool Fits(const std::vector<Square>& placed, Square s) {
    for (const Square q : placed)
        if (q != s && Attacks(q, s)) return false;
    return true;
}

// The eight symmetries of the n-square: 0 identity, 1..3 quarter turns, 4..7 reflections.
Square Map(int symmetry, Square s, int n) {
    const int m = n - 1;
    switch (symmetry) {
        case 0: return s;
        case 1: return {s.Pos, m - s.Line};
        case 2: return {m - s.Line, m - s.Pos};
        case 3: return {m - s.Pos, s.Line};
        case 4: return {s.Line, m - s.Pos};
        case 5: return {m - s.Line, s.Pos};
        case 6: return {s.Pos, s.Line};
        default: return {m - s.Pos, m - s.Line};
    }
}

std::vector<Square> Image(int symmetry, const std::vector<Square>& set, int n) {
    std::vector<Square> image;
    image.reserve(set.size());
    for (const Square s : set)
        image.push_back(Map(symmetry, s, n));
    std::sort(image.begin(), image.end());
    return image;
}

// Calls f(set) for every way to complete `placed` (non-attacking) with queens on the border lines so that
// each of the four holds exactly one queen; `set` is then placed plus the added queens.
template <class F>
void ForEachBorder(int n, const std::vector<Square>& placed, F&& f) {
    std::vector<Square> set = placed;
    const auto lineTaken = [&](int line) {
        return std::any_of(set.begin(), set.end(), [&](Square q) { return q.Line == line; });
    };
    const auto posTaken = [&](int pos) {
        return std::any_of(set.begin(), set.end(), [&](Square q) { return q.Pos == pos; });
    };
    const auto stage = [&](const auto& self, int k) -> void {
        if (k == 4) {
            f(set);
            return;
        }
        const bool byLine = k < 2;  // stages 0, 1: first and last line; 2, 3: first and last pos
        const int fixedCoordinate = (k % 2 == 0) ? 0 : n - 1;
        if (byLine ? lineTaken(fixedCoordinate) : posTaken(fixedCoordinate)) {
            self(self, k + 1);
            return;
        }
        for (int other = 0; other < n; ++other) {
            const Square q = byLine ? Square{fixedCoordinate, other} : Square{other, fixedCoordinate};
            if ((byLine ? posTaken(other) : lineTaken(other)) || !Fits(set, q)) continue;
            set.push_back(q);
            self(self, k + 1);
            set.pop_back();
        }
    };
    stage(stage, 0);
}

// A class of border placements by its smallest member, with what the symmetries do to it.
struct BorderClass {
    std::vector<Square> Queens;
    int Orbit = 0;
    int Stabilizer = 0;          // 8 / Orbit
    std::uint8_t Rotations = 0;  // bit 0: the quarter turns keep it; bit 1: the half turn does
};

std::vector<BorderClass> BorderClasses(int n) {
    std::vector<BorderClass> classes;
    ForEachBorder(n, {}, [&](const std::vector<Square>& found) {
        std::vector<Square> set = found;
        std::sort(set.begin(), set.end());
        std::array<std::vector<Square>, 8> images;
        for (int k = 0; k < 8; ++k) {
            images[k] = Image(k, set, n);
            if (images[k] < set) return;
        }
        BorderClass c;
        c.Queens = set;
        for (int k = 0; k < 8; ++k) {
            if (images[k] == set) {
                ++c.Stabilizer;
                if (k == 1) c.Rotations |= 1;
                if (k == 2) c.Rotations |= 2;
            }
        }
        c.Orbit = 8 / c.Stabilizer;
        classes.push_back(std::move(c));
    });
    return classes;
}

// The layout of the search below `placed` ((line, pos) pairs, 0-based): the lines are the columns.
SearchLayout LayoutOf(int n, const std::uint8_t* placed, int count) {
    std::array<Queen, kMaxN> queens;
    for (int i = 0; i < count; ++i)
        queens[static_cast<std::size_t>(i)] = {placed[2 * i] + 1, placed[2 * i + 1] + 1};
    return MakeLayout(n, std::span<const Queen>(queens.data(), static_cast<std::size_t>(count)));
}

// ---------------------------------------------------------------------------------------------------
// The plain counter of the unique count of small boards: it runs seldom and on little work, so it favours
// clarity over speed.

struct PlainBoard {
    int N = 0;
    std::array<int, kMaxN> PosOfLine{};  // -1: free
    std::uint64_t Pos = 0, Up = 0, Down = 0;

    bool Free(Square s) const {
        return PosOfLine[s.Line] < 0 && ((Pos >> s.Pos) & 1u) == 0 && ((Up >> (s.Line + s.Pos)) & 1u) == 0 &&
               ((Down >> (s.Line - s.Pos + N - 1)) & 1u) == 0;
    }
    void Flip(Square s) {
        PosOfLine[s.Line] = PosOfLine[s.Line] < 0 ? s.Pos : -1;
        Pos ^= std::uint64_t{1} << s.Pos;
        Up ^= std::uint64_t{1} << (s.Line + s.Pos);
        Down ^= std::uint64_t{1} << (s.Line - s.Pos + N - 1);
    }
};

// Classes under the eight symmetries of all solutions of a small board: those no image of which is smaller.
std::uint64_t SmallUnique(PlainBoard& b, int line) {
    if (line == b.N) {
        std::vector<Square> set;
        for (int l = 0; l < b.N; ++l)
            set.push_back({l, b.PosOfLine[l]});
        for (int k = 1; k < 8; ++k)
            if (Image(k, set, b.N) < set) return 0;
        return 1;
    }
    std::uint64_t count = 0;
    for (int pos = 0; pos < b.N; ++pos) {
        if (!b.Free({line, pos})) continue;
        b.Flip({line, pos});
        count += SmallUnique(b, line + 1);
        b.Flip({line, pos});
    }
    return count;
}

// A model of the nodes of a search: line t of the search (t = 0, 1, ... over the free lines) offers its
// open squares, thinned by the factor kThinning for each queen the search placed above it; the nodes are
// the sum over depths of the products of those branchings. It sizes units (for the order of the work and
// progress) and, below a few exactly searched levels, ranks the images of a constellation.
constexpr double kThinning = 0.7;

// The model's nodes for the free lines from t on, given the masks the search carries into line t. Zero
// when a line has no open square. Built for both instruction sets, as its popcount is a library call on
// baseline x86-64.
__attribute__((always_inline)) inline double ModelBody(const SearchLayout& layout, int t, ColumnFrame frame) {
    double nodes = 0, width = 1, thinning = 1;
    for (int i = t; i < layout.Free; ++i) {
        const int open = std::popcount(frame.Open(layout.Board, layout.Blocked[i]));
        if (open == 0) return 0;
        width *= open * thinning;
        thinning *= kThinning;
        nodes += width;
        frame = frame.After(0, layout.Gap[i]);
    }
    return nodes;
}

double ModelBaseline(const SearchLayout& layout, int t, ColumnFrame frame) {
    return ModelBody(layout, t, frame);
}

#if defined(NQ_TARGET_X86_64_V3)
NQ_TARGET_X86_64_V3 double ModelV3(const SearchLayout& layout, int t, ColumnFrame frame) {
    return ModelBody(layout, t, frame);
}
#endif

double ModelFrom(const SearchLayout& layout, int t, ColumnFrame frame) {
#if defined(NQ_TARGET_X86_64_V3)
    if (ActiveInstructionSet() >= InstructionSet::X86_64_V3) return ModelV3(layout, t, frame);
#endif
    return ModelBaseline(layout, t, frame);
}

// The model's nodes below `placed`, the root included (so that a unit with no free line weighs 1); zero
// when a free line has no open square.
double Expected(int n, const std::uint8_t* placed, int count) {
    const SearchLayout layout = LayoutOf(n, placed, count);
    for (int i = 0; i < layout.Free; ++i)
        if ((layout.Board & ~layout.Blocked[i]) == 0) return 0;
    return 1 + ModelFrom(layout, 0, {});
}

// The nodes of the first `depth` levels of the search exactly (with the kernel's look-ahead), and the
// model's below each node they reach.
double Estimate(const SearchLayout& layout, int t, int depth, const ColumnFrame& frame) {
    if (t >= layout.Free) return 0;
    if (depth == 0) return ModelFrom(layout, t, frame);
    std::uint64_t open = frame.Open(layout.Board, layout.Blocked[t]);
    double nodes = 0;
    while (open != 0) {
        const std::uint64_t bit = open & (~open + 1);
        open ^= bit;
        nodes += 1;
        const ColumnFrame next = frame.After(bit, layout.Gap[t]);
        if (t + 1 < layout.Free && next.Open(layout.Board, layout.Blocked[t + 1]) == 0) continue;
        if (t + 2 < layout.Free &&
            next.After(0, layout.Gap[t + 1]).Open(layout.Board, layout.Blocked[t + 2]) == 0)
            continue;
        nodes += Estimate(layout, t + 1, depth - 1, next);
    }
    return nodes;
}

// Levels searched exactly when ranking images. Measured against the best of the eight images: the model
// alone picks one with 6-7% more nodes, one exact level 3-4%, two levels 1-2%. Their cost grows with n
// while the count's grows far faster: two levels pay from n = 17 (plan 0.1 s, count about 8 s on one
// thread), not yet on n = 16 (they cost 3% of the count to save 2%); two levels at n = 28 would take
// 11 s, so big boards use fewer (n = 32: 0.5 s with none).
int ExactLevels(int n) {
    if (n <= 16) return 1;
    if (n <= 20) return 2;
    return n <= 24 ? 1 : 0;
}

// The image of `set` under the symmetries whose search is expected to be the smallest (the count is the
// same for all of them). Ties go to the lowest symmetry, so the choice is deterministic.
std::vector<Square> Oriented(int n, const std::vector<Square>& set) {
    std::vector<Square> best;
    double bestNodes = 0;
    std::vector<std::uint8_t> bytes;
    for (int k = 0; k < 8; ++k) {
        std::vector<Square> image = Image(k, set, n);
        bytes.clear();
        for (const Square s : image) {
            bytes.push_back(static_cast<std::uint8_t>(s.Line));
            bytes.push_back(static_cast<std::uint8_t>(s.Pos));
        }
        const SearchLayout layout = LayoutOf(n, bytes.data(), static_cast<int>(image.size()));
        const double nodes = Estimate(layout, 0, ExactLevels(n), {});
        if (k == 0 || nodes < bestNodes) {
            best = std::move(image);
            bestNodes = nodes;
        }
    }
    return best;
}

}  // namespace

std::vector<Constellation> StartConstellations(int n) {
    if (n < 2 || n > kMaxN) throw std::invalid_argument("board size out of range");
    std::vector<Constellation> result;
    for (const BorderClass& c : BorderClasses(n)) {
        Constellation k;
        for (const Square s : c.Queens)
            k.Queens.push_back({s.Line + 1, s.Pos + 1});
        k.Multiplicity = c.Orbit;
        result.push_back(std::move(k));
    }
    return result;
}

std::vector<Queen> WorkUnits::PlacedQueens(std::size_t i) const {
    std::vector<Queen> queens;
    const Unit& u = Units_[i];
    for (int k = 0; k < u.Count; ++k)
        queens.push_back({Placed_[u.First + 2 * k] + 1, Placed_[u.First + 2 * k + 1] + 1});
    return queens;
}

// Builds a plan's units: one way for boards too small for constellations, one for fixed queens, one from the
// constellations of a whole board.
struct PlanBuilder {
    using Unit = WorkUnits::Unit;
    using Kind = WorkUnits::Kind;
    WorkUnits Plan;

    const std::atomic<bool>* Stop = nullptr;

    PlanBuilder(int n, bool unique, const std::atomic<bool>* stop) : Stop(stop) {
        Plan.N_ = n;
        Plan.Unique_ = unique;
    }

    // The steps check this between units and between the orientations of constellations (a few
    // milliseconds each at most) and end early once it holds.
    bool Stopped() const { return Stop != nullptr && Stop->load(std::memory_order_relaxed); }

    void Add(const std::vector<Square>& set, Unit u) {
        u.First = static_cast<std::uint32_t>(Plan.Placed_.size());
        u.Count = static_cast<std::uint8_t>(set.size());
        for (const Square s : set) {
            Plan.Placed_.push_back(static_cast<std::uint8_t>(s.Line));
            Plan.Placed_.push_back(static_cast<std::uint8_t>(s.Pos));
        }
        u.Expected = Expected(Plan.N_, Plan.Placed_.data() + u.First, u.Count);
        if (u.Expected == 0 && u.How != Kind::SmallUnique) {
            Plan.Placed_.resize(u.First);  // no solution below: not worth a unit
            return;
        }
        Plan.Units_.push_back(u);
    }

    static int FirstFreeLine(const std::vector<Square>& set) {
        int line = 0;
        while (std::any_of(set.begin(), set.end(), [&](Square q) { return q.Line == line; }))
            ++line;
        return line;
    }

    // One plain unit: the fixed queens, or the unique count by full enumeration.
    void SmallBoard(const std::vector<Square>& given) {
        Unit u;
        u.How = Plan.Unique_ ? Kind::SmallUnique : Kind::Times;
        Add(given, u);
    }

    // No symmetry here, and without it constellations do not pay: a border completion searches about 1.2
    // times the nodes of the plain search it replaces. Units are the placements of the first free lines of
    // the best-oriented image of the fixed queens, as many lines as an even load needs.
    void WithFixed(const std::vector<Square>& given) {
        const int n = Plan.N_;
        std::vector<std::vector<Square>> level = {Oriented(n, given)};
        for (int freeLines = n - static_cast<int>(given.size());
             level.size() < kEnoughUnits && freeLines > kCutAbove; --freeLines) {
            std::vector<std::vector<Square>> next;
            for (std::vector<Square>& set : level) {
                if (Stopped()) return;
                const int line = FirstFreeLine(set);
                for (int pos = 0; pos < n; ++pos) {
                    if (!Fits(set, {line, pos})) continue;
                    next.push_back(set);
                    next.back().push_back({line, pos});
                }
            }
            level = std::move(next);
        }
        for (const std::vector<Square>& set : level)
            Add(set, Unit{});
    }

    // One unit per class of border placements (multiplicity, or the class share of the unique count), cut
    // by one more queen on the first line the search visits when they are too few for an even load; the
    // searches below add up to the same nodes. Class shares stay whole: their value is only known for the
    // whole constellation.
    void FromConstellations() {
        const int n = Plan.N_;
        std::vector<std::pair<std::vector<Square>, Unit>> classes;
        for (BorderClass& c : BorderClasses(n)) {
            if (Stopped()) return;
            Unit u;
            if (!Plan.Unique_) {
                u.Multiplicity = static_cast<std::uint8_t>(c.Orbit);
            } else if (c.Stabilizer > 1) {
                u.How = Kind::ClassShare;
                u.Stabilizer = static_cast<std::uint8_t>(c.Stabilizer);
                u.Rotations = c.Rotations;
            }
            classes.emplace_back(Oriented(n, c.Queens), u);
        }
        const bool cut = classes.size() < kEnoughUnits && n > kCutAbove;
        for (auto& [set, u] : classes) {
            if (!cut || u.How != Kind::Times) {
                Add(set, u);
                continue;
            }
            const int line = FirstFreeLine(set);
            for (int pos = 0; pos < n; ++pos) {
                if (!Fits(set, {line, pos})) continue;
                set.push_back({line, pos});
                Add(set, u);
                set.pop_back();
            }
        }
    }

    // The biggest expected units first.
    WorkUnits Finish() {
        std::stable_sort(Plan.Units_.begin(), Plan.Units_.end(),
                         [](const Unit& a, const Unit& b) { return a.Expected > b.Expected; });
        return std::move(Plan);
    }
};

WorkUnits MakeWorkUnits(int n, const std::vector<Queen>& fixed, bool unique) {
    return *MakeWorkUnits(n, fixed, unique, nullptr);
}

std::optional<WorkUnits> MakeWorkUnits(int n, const std::vector<Queen>& fixed, bool unique,
                                       const std::atomic<bool>* stop) {
    if (n < 1 || n > kMaxN) throw std::invalid_argument("board size out of range");
    if (unique && !fixed.empty()) throw std::invalid_argument("unique count with fixed queens");
    std::vector<Square> given;
    for (const Queen& q : fixed) {
        const Square s{q.Column - 1, q.Row - 1};
        if (s.Line < 0 || s.Line >= n || s.Pos < 0 || s.Pos >= n || !Fits(given, s) ||
            std::find(given.begin(), given.end(), s) != given.end())
            throw std::invalid_argument("fixed queens off the board or attacking");
        given.push_back(s);
    }
    PlanBuilder builder(n, unique, stop);
    if (n <= kSmallN) {
        builder.SmallBoard(given);
    } else if (!given.empty()) {
        builder.WithFixed(given);
    } else {
        builder.FromConstellations();
    }
    if (builder.Stopped()) return std::nullopt;
    return builder.Finish();
}

std::uint64_t WorkUnits::Share(std::size_t i, std::uint64_t completions, StopPoll& poll) const {
    const Unit& u = Units_[i];
    const std::uint8_t* placed = Placed_.data() + u.First;
    if (u.How == Kind::SmallUnique) {
        PlainBoard b;
        b.N = N_;
        b.PosOfLine.fill(-1);
        return SmallUnique(b, 0);
    }
    if (u.How == Kind::Times) return Times(completions, u.Multiplicity);
    // Burnside on the class: each solution with this constellation counts as its symmetries over the
    // constellation's; reflections keep no solution, so only rotations add.
    std::array<Queen, kMaxN> queens;
    for (int k = 0; k < u.Count; ++k)
        queens[static_cast<std::size_t>(k)] = {placed[2 * k] + 1, placed[2 * k + 1] + 1};
    const std::span<const Queen> set(queens.data(), u.Count);
    std::uint64_t count = completions;
    if (u.Rotations & 2u) count = Plus(count, RotationKeptSolutions(N_, set, 2, poll));
    if (u.Rotations & 1u) count = Plus(count, Times(2, RotationKeptSolutions(N_, set, 1, poll)));
    return count / u.Stabilizer;
}

std::uint64_t CountWorkUnit(const WorkUnits& plan, std::size_t i, StopPoll& poll) {
    const WorkUnits::Unit& u = plan.Units_[i];
    if (u.How == WorkUnits::Kind::SmallUnique) return plan.Share(i, 0, poll);
    const std::uint64_t completions =
        CountCompletions(LayoutOf(plan.N_, plan.Placed_.data() + u.First, u.Count), poll);
    return poll.Stopped ? 0 : plan.Share(i, completions, poll);
}

}  // namespace nq
