// SPDX-License-Identifier: GPL-3.0-or-later
// The halves' keys: the crossing diagonals and their layout, and the pairs of quarter placements that make a
// half, with their keys.
#include "engine/half_keys.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <stdexcept>

#include "engine/instruction_set.h"

#if defined(NQ_HAVE_X86_64_V4)
#include <immintrin.h>
#endif

namespace nq {
namespace {

// The pairs of one north entry (test `at`, key `ak`) with the south entries [0, n): the keys of those whose
// test misses `at` and whose key misses `check`, ORed with `extra`, written from `to` on; returns how many.
// `to` has room for n + 8 keys.
using PairFunction = std::size_t (*)(const std::uint64_t* st, const std::uint64_t* sk, std::size_t n,
                                     std::uint64_t at, std::uint64_t ak, std::uint64_t check,
                                     std::uint64_t extra, std::uint64_t* to);

[[gnu::always_inline]] inline std::size_t PairBody(const std::uint64_t* st, const std::uint64_t* sk,
                                                   std::size_t n, std::uint64_t at, std::uint64_t ak,
                                                   std::uint64_t check, std::uint64_t extra,
                                                   std::uint64_t* to) {
    std::size_t added = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const std::uint64_t key = ak | sk[j];
        to[added] = key | extra;
        added += ((at & st[j]) | (key & check)) == 0;
    }
    return added;
}

std::size_t PairPlain(const std::uint64_t* st, const std::uint64_t* sk, std::size_t n, std::uint64_t at,
                      std::uint64_t ak, std::uint64_t check, std::uint64_t extra, std::uint64_t* to) {
    return PairBody(st, sk, n, at, ak, check, extra, to);
}

#if defined(NQ_HAVE_X86_64_V4)
// AVX-512: eight pairs at a time, the kept keys packed into a register and stored whole (the lanes past
// them are overwritten by the next store or lie in the room past the end).
#pragma GCC push_options
#pragma GCC target("arch=x86-64-v4")
std::size_t PairV4(const std::uint64_t* st, const std::uint64_t* sk, std::size_t n, std::uint64_t at,
                   std::uint64_t ak, std::uint64_t check, std::uint64_t extra, std::uint64_t* to) {
    const __m512i t = _mm512_set1_epi64(static_cast<long long>(at));
    const __m512i a = _mm512_set1_epi64(static_cast<long long>(ak));
    const __m512i c = _mm512_set1_epi64(static_cast<long long>(check));
    const __m512i x = _mm512_set1_epi64(static_cast<long long>(extra));
    std::size_t added = 0;
    for (std::size_t j = 0; j < n; j += 8) {
        const __mmask8 in =
            n - j >= 8 ? static_cast<__mmask8>(0xff) : static_cast<__mmask8>((1u << (n - j)) - 1);
        const __m512i key = _mm512_or_si512(a, _mm512_maskz_loadu_epi64(in, sk + j));
        const __mmask8 keep = _mm512_mask_testn_epi64_mask(in, t, _mm512_maskz_loadu_epi64(in, st + j)) &
                              _mm512_testn_epi64_mask(key, c);
        _mm512_storeu_si512(to + added, _mm512_maskz_compress_epi64(keep, _mm512_or_si512(key, x)));
        added += static_cast<std::size_t>(std::popcount(static_cast<unsigned>(keep)));
    }
    return added;
}
#pragma GCC pop_options
#endif

PairFunction PairFor(InstructionSet set) {
#if defined(NQ_HAVE_X86_64_V4)
    if (set >= InstructionSet::X86_64_V4) return PairV4;
#endif
    static_cast<void>(set);
    return PairPlain;
}

}  // namespace

std::uint64_t KeyLayout::Key(std::uint64_t up, std::uint64_t down) const {
    std::uint64_t key = 0;
    for (; up != 0; up &= up - 1) {
        const int bit = UpBit[static_cast<std::size_t>(std::countr_zero(up))];
        if (bit >= 0) key |= std::uint64_t{1} << bit;
    }
    for (; down != 0; down &= down - 1) {
        const int bit = DownBit[static_cast<std::size_t>(std::countr_zero(down))];
        if (bit >= 0) key |= std::uint64_t{1} << bit;
    }
    return key;
}

CrossingDiagonals CrossingOf(int n) {
    if (n < 1 || n > 32) throw std::invalid_argument("board size out of range");
    const int h = n / 2, o = n - h;
    std::uint64_t westUp = 0, eastUp = 0, westDown = 0, eastDown = 0;
    for (int r = 0; r < n; ++r) {
        if (n % 2 == 1 && r == h) continue;
        for (int c = 0; c < h; ++c) {
            westUp |= std::uint64_t{1} << (r + c);
            westDown |= std::uint64_t{1} << (r - c + n - 1);
            eastUp |= std::uint64_t{1} << (r + c + o);
            eastDown |= std::uint64_t{1} << (r - (c + o) + n - 1);
        }
    }
    // Both runs are contiguous: each half reaches one unbroken run of diagonals in each direction.
    CrossingDiagonals d;
    const std::uint64_t up = westUp & eastUp, down = westDown & eastDown;
    if (up != 0) {
        d.UpFirst = std::countr_zero(up);
        d.UpLast = 63 - std::countl_zero(up);
    }
    if (down != 0) {
        d.DownFirst = std::countr_zero(down);
        d.DownLast = 63 - std::countl_zero(down);
    }
    if (n % 2 == 1 && h >= 1) d.EastOnlyDown = h;
    return d;
}

KeyLayout RankedLayout(int n, std::span<const double> score, std::uint64_t leaveUp, std::uint64_t leaveDown) {
    const CrossingDiagonals d = CrossingOf(n);
    const std::size_t diagonals = static_cast<std::size_t>(2 * n - 1);
    if (score.size() != 2 * diagonals) throw std::invalid_argument("key layout: one score per diagonal");
    // Candidates as indices into score: up diagonals, then down ones.
    std::vector<std::size_t> chosen;
    for (int u = d.UpFirst; u <= d.UpLast; ++u) {
        if (((leaveUp >> u) & 1u) == 0) chosen.push_back(static_cast<std::size_t>(u));
    }
    for (int v = d.DownFirst; v <= d.DownLast; ++v) {
        if (((leaveDown >> v) & 1u) == 0) chosen.push_back(diagonals + static_cast<std::size_t>(v));
    }
    if (d.EastOnlyDown >= 0) chosen.push_back(diagonals + static_cast<std::size_t>(d.EastOnlyDown));
    std::stable_sort(chosen.begin(), chosen.end(),
                     [&](std::size_t a, std::size_t b) { return score[a] < score[b]; });
    KeyLayout layout;
    layout.UpBit.fill(-1);
    layout.DownBit.fill(-1);
    layout.Width = static_cast<int>(chosen.size());
    for (std::size_t bit = 0; bit < chosen.size(); ++bit) {
        const std::size_t i = chosen[bit];
        (i < diagonals ? layout.UpBit[i] : layout.DownBit[i - diagonals]) = static_cast<std::int8_t>(bit);
    }
    return layout;
}

HalfMaker::HalfMaker(const QuarterTable& table, int n, const KeyLayout& layout)
    : table_(table), layout_(layout), n_(n), h_(n / 2), o_(n - n / 2) {
    if (n < 1 || n > 32 || table.H != h_) throw std::invalid_argument("halves: table and board disagree");
    const int shared = 2 * h_ - 1 - o_;
    sharedMask_ = shared > 0 ? (std::uint64_t{1} << shared) - 1 : 0;
    const std::uint64_t local = h_ == 0 ? 0 : (std::uint64_t{1} << (2 * h_ - 1)) - 1;
    for (std::size_t i = 0; i < 4; ++i) {
        const bool east = i >= 2, south = (i % 2) == 1;
        const int r0 = south ? o_ : 0, c0 = east ? o_ : 0;
        Corner& c = corners_[i];
        c.UpShift = r0 + c0;
        c.DownShift = r0 - c0 + n - h_;
        c.UpReach = local << c.UpShift;
        c.DownReach = local << c.DownShift;
        for (std::size_t byte = 0; byte < 4; ++byte) {
            for (std::size_t v = 0; v < 256; ++v) {
                const std::uint64_t bits = (v << (8 * byte)) & local;
                c.UpKey[byte][v] = layout.Key(bits << c.UpShift, 0);
                c.DownKey[byte][v] = layout.Key(0, bits << c.DownShift);
            }
        }
    }
}

std::size_t HalfMaker::Scratch::Bytes() const {
    std::size_t bytes = 0;
    for (const QuarterGroups* g : {&North, &South}) {
        bytes += (g->Entries.Test.capacity() + g->Entries.Key.capacity()) * sizeof(std::uint64_t) +
                 g->Where.capacity() * sizeof(g->Where[0]);
    }
    for (const auto& keys : Keys)
        bytes += keys.capacity() * sizeof(std::uint64_t);
    return bytes;
}

template <int Bytes>
std::array<std::uint32_t, 2> HalfMaker::LoadBytes(const Corner& c, bool south,
                                                  std::span<const std::uint64_t> group,
                                                  std::uint64_t blockedUp, std::uint64_t blockedDown,
                                                  std::uint64_t classUp, std::uint64_t classDown, Loaded& to,
                                                  std::size_t at) const {
    if (to.Test.size() < at + group.size()) {
        to.Test.resize(2 * (at + group.size()));
        to.Key.resize(2 * (at + group.size()));
    }
    std::uint64_t* tests = to.Test.data();
    std::uint64_t* keys = to.Key.data();
    // Class 0 grows from `at` up, class 1 from the group's end down; while an entry is left, front < back,
    // so the slot an entry that is not kept was written to is free or taken later.
    std::size_t front = at, back = at + group.size();
    const int o = o_, upShift = c.UpShift, downShift = c.DownShift;
    const std::uint64_t shared = sharedMask_;
    for (const std::uint64_t e : group) {
        const std::uint64_t lu = e & 0xffffffffu, ld = e >> 32;
        const std::uint64_t gu = lu << upShift, gd = ld << downShift;
        const bool keep = ((gu & blockedUp) | (gd & blockedDown)) == 0;
        const bool one = ((gu & classUp) | (gd & classDown)) != 0;
        std::uint64_t key = c.UpKey[0][lu & 0xff] | c.DownKey[0][ld & 0xff];
        if constexpr (Bytes > 1) key |= c.UpKey[1][(lu >> 8) & 0xff] | c.DownKey[1][(ld >> 8) & 0xff];
        if constexpr (Bytes > 2) key |= c.UpKey[2][(lu >> 16) & 0xff] | c.DownKey[2][(ld >> 16) & 0xff];
        if constexpr (Bytes > 3) key |= c.UpKey[3][(lu >> 24) & 0xff] | c.DownKey[3][(ld >> 24) & 0xff];
        const std::size_t slot = one ? back - 1 : front;
        tests[slot] = south ? (lu & shared) | (ld & shared) << 32 : (lu >> o) | (ld >> o) << 32;
        keys[slot] = key;
        front += keep & !one;
        back -= keep & one;
    }
    // Class 1 sits at the top of the group's room; move it down to follow class 0.
    const std::size_t ones = at + group.size() - back;
    for (std::size_t i = 0; i < ones; ++i) {
        tests[front + i] = tests[back + i];
        keys[front + i] = keys[back + i];
    }
    return {static_cast<std::uint32_t>(front), static_cast<std::uint32_t>(front + ones)};
}

std::array<std::uint32_t, 2> HalfMaker::Load(std::size_t corner, std::uint32_t rows, std::uint32_t columns,
                                             std::uint64_t blockedUp, std::uint64_t blockedDown,
                                             std::uint64_t classUp, std::uint64_t classDown, Loaded& to,
                                             std::size_t at) const {
    const Corner& c = corners_[corner];
    const bool south = (corner % 2) == 1;
    const std::span<const std::uint64_t> group = table_.Group(rows, columns);
    // The square's diagonals take 2h - 1 bits: the bytes of them that can be set.
    switch ((2 * h_ - 1 + 7) / 8) {
        case 0:
        case 1: return LoadBytes<1>(c, south, group, blockedUp, blockedDown, classUp, classDown, to, at);
        case 2: return LoadBytes<2>(c, south, group, blockedUp, blockedDown, classUp, classDown, to, at);
        case 3: return LoadBytes<3>(c, south, group, blockedUp, blockedDown, classUp, classDown, to, at);
        default: return LoadBytes<4>(c, south, group, blockedUp, blockedDown, classUp, classDown, to, at);
    }
}

void HalfMaker::Groups(QuarterGroups& g, std::size_t corner, std::uint32_t rows, std::uint64_t blockedUp,
                       std::uint64_t blockedDown, std::uint64_t classUp, std::uint64_t classDown) const {
    if (g.Valid && g.Corner == corner && g.Rows == rows && g.BlockedUp == blockedUp &&
        g.BlockedDown == blockedDown && g.ClassUp == classUp && g.ClassDown == classDown) {
        return;
    }
    g.Valid = false;
    g.Corner = corner;
    g.Rows = rows;
    g.BlockedUp = blockedUp;
    g.BlockedDown = blockedDown;
    g.ClassUp = classUp;
    g.ClassDown = classDown;
    const std::uint32_t all = (1u << h_) - 1;
    g.Where.assign(std::size_t{1} << h_, {0, 0, 0});
    std::size_t size = 0;
    const int k = std::popcount(rows);
    for (std::uint32_t cols = all;; cols = (cols - 1) & all) {
        if (std::popcount(cols) == k && table_.GroupSize(rows, cols) != 0) {
            const std::array<std::uint32_t, 2> ends =
                Load(corner, rows, cols, blockedUp, blockedDown, classUp, classDown, g.Entries, size);
            g.Where[cols] = {static_cast<std::uint32_t>(size), ends[0], ends[1]};
            size = ends[1];
        }
        if (cols == 0) break;
    }
    g.Valid = true;
}

void HalfMaker::Make(const HalfRequest& r, Scratch& s) const {
    s.Size.fill(0);
    const std::uint32_t quarter = (1u << h_) - 1;
    const std::uint32_t north = r.Rows & quarter, south = (r.Rows >> o_) & quarter;
    const int k = std::popcount(north);
    if (std::popcount(r.Columns) != k + std::popcount(south)) return;
    std::uint64_t blockedUp = r.BlockedUp, blockedDown = r.BlockedDown, classUp = 0, classDown = 0;
    // Even n: the main diagonals are the quarters' own (local diagonal h - 1): the east's north-east quarter
    // may hold the up one, its south-east the down one; the west's north-west the down one, south-west the
    // up.
    if (r.MainDiagonals) {
        const std::uint64_t main = std::uint64_t{1} << (n_ - 1);
        if (r.Of == Side::East) {
            blockedUp |= main;
            blockedDown |= main;
        } else {
            classUp = main;
            classDown = main;
        }
    }
    // The blocked diagonals that are key bits are tested on the keys, so that the quarters' groups, loaded
    // without them, serve every request of the same rows; the others when loading.
    std::uint64_t check = 0, loadUp = 0, loadDown = 0;
    for (std::uint64_t b = blockedUp; b != 0; b &= b - 1) {
        const int d = std::countr_zero(b), bit = layout_.UpBit[static_cast<std::size_t>(d)];
        (bit >= 0 ? check : loadUp) |= std::uint64_t{1} << (bit >= 0 ? bit : d);
    }
    for (std::uint64_t b = blockedDown; b != 0; b &= b - 1) {
        const int d = std::countr_zero(b), bit = layout_.DownBit[static_cast<std::size_t>(d)];
        (bit >= 0 ? check : loadDown) |= std::uint64_t{1} << (bit >= 0 ? bit : d);
    }
    const std::size_t northCorner = CornerIndex(r.Of, false), southCorner = CornerIndex(r.Of, true);
    const Corner& nc = corners_[northCorner];
    const Corner& sc = corners_[southCorner];
    Groups(s.North, northCorner, north, loadUp & nc.UpReach, loadDown & nc.DownReach, classUp & nc.UpReach,
           classDown & nc.DownReach);
    Groups(s.South, southCorner, south, loadUp & sc.UpReach, loadDown & sc.DownReach, classUp & sc.UpReach,
           classDown & sc.DownReach);
    const std::uint64_t* nt = s.North.Entries.Test.data();
    const std::uint64_t* nk = s.North.Entries.Key.data();
    const std::uint64_t* st = s.South.Entries.Test.data();
    const std::uint64_t* sk = s.South.Entries.Key.data();
    const PairFunction pair = PairFor(ActiveInstructionSet());
    for (std::uint32_t cols = r.Columns;; cols = (cols - 1) & r.Columns) {
        if (r.Stop != nullptr && r.Stop->load(std::memory_order_relaxed)) return;
        const std::array<std::uint32_t, 3>& nw = s.North.Where[cols];
        const std::array<std::uint32_t, 3>& sw = s.South.Where[r.Columns & ~cols];
        if (nw[2] != nw[0] && sw[2] != sw[0]) {
            // A north entry of class 1 holds the down main diagonal (list + 2), a south one the up one (+ 1).
            for (std::size_t ca = 0; ca < 2; ++ca) {
                for (std::size_t cb = 0; cb < 2; ++cb) {
                    const std::uint32_t nFrom = nw[ca], nTo = nw[ca + 1], sFrom = sw[cb], sTo = sw[cb + 1];
                    if (sTo <= sFrom || nTo <= nFrom) continue;
                    const std::size_t list = cb + 2 * ca;
                    std::vector<std::uint64_t>& out = s.Keys[list];
                    std::size_t size = s.Size[list];
                    const std::size_t room = sTo - sFrom + 8;
                    for (std::size_t i = nFrom; i < nTo; ++i) {
                        if (out.size() < size + room) out.resize(2 * (size + room));
                        size += pair(st + sFrom, sk + sFrom, sTo - sFrom, nt[i], nk[i], check, r.Extra,
                                     out.data() + size);
                    }
                    s.Size[list] = size;
                }
            }
        }
        if (cols == 0) break;
    }
}

}  // namespace nq
