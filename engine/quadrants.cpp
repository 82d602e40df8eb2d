// SPDX-License-Identifier: GPL-3.0-or-later
// The quadrant counter: the quarter-board table, the row sets E and their weights, the halves of one E and
// their bit-sliced join, and the small search for the solutions a rotation keeps.
//
// Coordinates: rows r and columns c are 0..n-1; a queen uses the up diagonal r + c and the down diagonal
// r - c + n - 1. A quarter square keeps its own local diagonals (lr + lc, lr - lc + h - 1); a quarter with
// its corner at (r0, c0) shifts them by r0 + c0 and r0 - c0 + n - h.
#include "engine/quadrants.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

#include "engine/instruction_set.h"

// The processor-specific builds of the join: x86-64-v3 where the compiler takes its attribute (the kernel's
// check, NQ_HAVE_X86_64_V3), and AVX-512 with its vector popcount only under GCC, whose processor checks
// name it; they run where the process's instruction set (NQ_KERNEL included) is x86-64-v3.
#if defined(__x86_64__) && defined(NQ_HAVE_X86_64_V3)
#define NQ_QUADRANTS_V3 1
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#define NQ_QUADRANTS_V4 1
#endif
#endif

namespace nq {

// Quarter-board placements, grouped by (rows, columns) of the h x h square; each entry holds the local up
// diagonals in its low 32 bits and the local down diagonals in its high 32 bits.
struct QuadrantTable {
    int H = 0;
    std::vector<std::uint32_t> Start;  // index (rows << h | columns); Start[i + 1] ends group i
    std::vector<std::uint64_t> Entries;

    std::size_t Index(std::uint32_t rows, std::uint32_t columns) const {
        return (static_cast<std::size_t>(rows) << H) | columns;
    }
    std::uint32_t Size(std::uint32_t rows, std::uint32_t columns) const {
        const std::size_t i = Index(rows, columns);
        return Start[i + 1] - Start[i];
    }
};

namespace {

// Units enough for an even load and a fine progress display; smaller plans take one unit per row set.
constexpr std::size_t kTargetUnits = 4000;
// Keys per bit-sliced block, and the 64-bit words that hold one bit of each.
constexpr int kBlockWords = 8;
constexpr std::size_t kBlockKeys = 64 * kBlockWords;

// Every placement of queens on some of the rows 0..h-1 of an h x h square, one per row used, no two on a
// column or diagonal; `visit(rows, columns, up, down)` returns false to end the walk.
template <class Visit>
bool WalkQuarter(int h, int row, std::uint32_t rows, std::uint32_t columns, std::uint32_t up,
                 std::uint32_t down, Visit& visit) {
    if (row == h) return visit(rows, columns, up, down);
    if (!WalkQuarter(h, row + 1, rows, columns, up, down, visit)) return false;
    for (int c = 0; c < h; ++c) {
        const std::uint32_t u = 1u << (row + c), d = 1u << (row - c + h - 1);
        if ((columns >> c) & 1u || up & u || down & d) continue;
        if (!WalkQuarter(h, row + 1, rows | 1u << row, columns | 1u << c, up | u, down | d, visit))
            return false;
    }
    return true;
}

std::shared_ptr<const QuadrantTable> BuildTable(int h) {
    auto table = std::make_shared<QuadrantTable>();
    table->H = h;
    const std::size_t groups = std::size_t{1} << (2 * h);
    table->Start.assign(groups + 1, 0);
    // Counted first, so that the entries take exactly their own memory; then filled from each group's end.
    auto count = [&](std::uint32_t rows, std::uint32_t columns, std::uint32_t, std::uint32_t) {
        ++table->Start[table->Index(rows, columns)];
        return true;
    };
    WalkQuarter(h, 0, 0, 0, 0, 0, count);
    std::uint64_t total = table->Start[0];
    for (std::size_t i = 1; i < groups; ++i) {
        total += table->Start[i];
        if (total > kMaxTableEntries) throw std::invalid_argument("quarter-board table past its index range");
        table->Start[i] += table->Start[i - 1];
    }
    table->Start[groups] = table->Start[groups - 1];
    table->Entries.resize(table->Start[groups]);
    auto fill = [&](std::uint32_t rows, std::uint32_t columns, std::uint32_t up, std::uint32_t down) {
        table->Entries[--table->Start[table->Index(rows, columns)]] = up | std::uint64_t{down} << 32;
        return true;
    };
    WalkQuarter(h, 0, 0, 0, 0, 0, fill);
    return table;
}

std::uint32_t ReverseRows(std::uint32_t rows, int n) {
    std::uint32_t r = 0;
    for (int i = 0; i < n; ++i)
        if ((rows >> i) & 1u) r |= 1u << (n - 1 - i);
    return r;
}

// The bits of `mask`, in order, placed on the set bits of `onto`.
std::uint32_t Deposit(std::uint32_t mask, std::uint32_t onto) {
    std::uint32_t r = 0;
    for (; onto != 0; onto &= onto - 1, mask >>= 1)
        if (mask & 1u) r |= onto & (~onto + 1);
    return r;
}

// Where a half's crossing diagonals sit in the global masks, and how they pack into one key.
struct KeyLayout {
    int LowUp = 0, WidthUp = 0, LowDown = 0, WidthDown = 0;

    std::uint64_t Key(std::uint64_t up, std::uint64_t down) const {
        const std::uint64_t u = (up >> LowUp) & ((std::uint64_t{1} << WidthUp) - 1);
        const std::uint64_t d = (down >> LowDown) & ((std::uint64_t{1} << WidthDown) - 1);
        return u | d << WidthUp;
    }
    int Bits() const { return WidthUp + WidthDown; }
};

// The diagonals that meet squares of both halves (outside the middle row and column) form one run in each
// direction; a diagonal of one half only is checked inside that half.
KeyLayout CrossingLayout(int n) {
    const int h = n / 2, o = n - h;
    std::uint64_t westUp = 0, eastUp = 0, westDown = 0, eastDown = 0;
    for (int r = 0; r < n; ++r) {
        if (n % 2 == 1 && r == h) continue;
        for (int c = 0; c < h; ++c) {
            westUp |= std::uint64_t{1} << (r + c);
            westDown |= std::uint64_t{1} << (r - c + n - 1);
            eastUp |= std::uint64_t{1} << (r + c + o);
            eastDown |= std::uint64_t{1} << (r - c - o + n - 1);
        }
    }
    const std::uint64_t up = westUp & eastUp, down = westDown & eastDown;
    KeyLayout k;
    k.LowUp = up == 0 ? 0 : std::countr_zero(up);
    k.WidthUp = std::popcount(up);
    k.LowDown = down == 0 ? 0 : std::countr_zero(down);
    k.WidthDown = std::popcount(down);
    return k;
}

// One bit of each of kBlockKeys keys; the join's tables are stored as rows of these.
struct alignas(64) BlockWords {
    std::array<std::uint64_t, kBlockWords> W;
};

// Buffers of one thread, kept between units so that a unit allocates only when it needs more than any
// before it. A quarter's placements of one (rows, columns) as (test, key): test holds the diagonals this
// quarter shares with the other quarter of its half, key the half's crossing diagonals it uses.
struct Scratch {
    std::vector<std::uint64_t> NorthTest, NorthKey, SouthTest, SouthKey;
    std::vector<std::uint64_t> East, West;  // the first EastSize, WestSize hold keys
    std::size_t EastSize = 0, WestSize = 0;
    std::vector<BlockWords> Hits;
};

// Where one half's quarters sit: the shifts of the north and the south quarter's diagonals (the south one's
// are larger by o = n - h in both directions, so the two share the diagonals from the south one's lowest
// up to the north one's highest: 2h - 1 - o of each direction).
struct HalfPlace {
    int NorthUp = 0, NorthDown = 0, SouthUp = 0, SouthDown = 0;
};

// One quarter's placements on (rows, columns), its diagonals shifted by (up, down), those that avoid the
// blocked diagonals, as (test, key).
[[gnu::always_inline]] inline void LoadQuarter(const QuadrantTable& t, std::uint32_t rows,
                                               std::uint32_t columns, int up, int down,
                                               const HalfPlace& place, std::uint64_t sharedMask,
                                               std::uint64_t blockedUp, std::uint64_t blockedDown,
                                               const KeyLayout& layout, std::vector<std::uint64_t>& tests,
                                               std::vector<std::uint64_t>& keys, std::size_t& size) {
    const std::size_t i = t.Index(rows, columns);
    const std::uint32_t begin = t.Start[i], end = t.Start[i + 1];
    if (tests.size() < end - begin) {
        tests.resize(end - begin);
        keys.resize(end - begin);
    }
    std::size_t kept = 0;
    for (std::uint32_t e = begin; e < end; ++e) {
        const std::uint64_t u = (t.Entries[e] & 0xffffffffu) << up, d = (t.Entries[e] >> 32) << down;
        tests[kept] = ((u >> place.SouthUp) & sharedMask) | ((d >> place.SouthDown) & sharedMask) << 32;
        keys[kept] = layout.Key(u, d);
        kept += ((u & blockedUp) | (d & blockedDown)) == 0;
    }
    size = kept;
}

// The keys of one half's placements on rows (north, south) and `columns` (quarter-local bits), avoiding
// the blocked diagonals, into keys[0..size).
[[gnu::always_inline]] inline void HalfKeys(const QuadrantTable& t, std::uint32_t north, std::uint32_t south,
                                            std::uint32_t columns, const HalfPlace& place, int shared,
                                            std::uint64_t blockedUp, std::uint64_t blockedDown,
                                            const KeyLayout& layout, Scratch& s,
                                            std::vector<std::uint64_t>& keys, std::size_t& size) {
    size = 0;
    const int k = std::popcount(north);
    if (std::popcount(columns) != k + std::popcount(south)) return;
    const std::uint64_t sharedMask = (std::uint64_t{1} << shared) - 1;
    // Every subset of the columns with k of them, from the full set down.
    for (std::uint32_t cn = columns;; cn = (cn - 1) & columns) {
        if (std::popcount(cn) == k) {
            std::size_t northSize = 0, southSize = 0;
            LoadQuarter(t, north, cn, place.NorthUp, place.NorthDown, place, sharedMask, blockedUp,
                        blockedDown, layout, s.NorthTest, s.NorthKey, northSize);
            if (northSize != 0) {
                LoadQuarter(t, south, columns & ~cn, place.SouthUp, place.SouthDown, place, sharedMask,
                            blockedUp, blockedDown, layout, s.SouthTest, s.SouthKey, southSize);
                const std::uint64_t* st = s.SouthTest.data();
                const std::uint64_t* sk = s.SouthKey.data();
                for (std::size_t a = 0; a < northSize && southSize != 0; ++a) {
                    if (keys.size() < size + southSize) keys.resize(2 * (size + southSize));
                    const std::uint64_t at = s.NorthTest[a], ak = s.NorthKey[a];
                    std::uint64_t* out = keys.data() + size;
                    std::size_t added = 0;
                    for (std::size_t b = 0; b < southSize; ++b) {
                        out[added] = ak | sk[b];
                        added += (at & st[b]) == 0;
                    }
                    size += added;
                }
            }
        }
        if (cn == 0) break;
    }
}

// The bit-sliced join of one block of up to kBlockKeys keys against a list of keys. For chunk j (key bits
// 7j..7j+6) and every value x of it, row (j, x) of `hits` holds the block's keys that share a bit with x,
// in Words 64-bit words (the fewest that hold the block); a list key takes one row per chunk, ORs them and
// counts the bits: up to kBlockKeys pair tests in a few instructions.
constexpr int kChunkBits = 7;
constexpr std::size_t kChunkValues = std::size_t{1} << kChunkBits;

// Words 64-bit words as one vector of the compiler's (two SSE, one AVX2 or one AVX-512 register).
template <int Words>
struct LanesOf;
template <>
struct LanesOf<2> {
    using Type = std::uint64_t __attribute__((vector_size(16)));
};
template <>
struct LanesOf<4> {
    using Type = std::uint64_t __attribute__((vector_size(32)));
};
template <>
struct LanesOf<8> {
    using Type = std::uint64_t __attribute__((vector_size(64)));
};

template <int Chunks, int Words>
[[gnu::always_inline]] inline std::uint64_t ClashChunks(const std::uint64_t* hits, const std::uint64_t* list,
                                                        std::size_t size) {
    constexpr std::uint64_t mask = kChunkValues - 1;
    std::uint64_t total = 0;
    if constexpr (Words == 1) {
        for (std::size_t i = 0; i < size; ++i) {
            const std::uint64_t key = list[i];
            std::uint64_t any = hits[key & mask];
            for (int j = 1; j < Chunks; ++j)
                any |= hits[j * kChunkValues + ((key >> (j * kChunkBits)) & mask)];
            total += static_cast<std::uint64_t>(std::popcount(any));
        }
    } else {
        using Lanes = typename LanesOf<Words>::Type;
        for (std::size_t i = 0; i < size; ++i) {
            const std::uint64_t key = list[i];
            Lanes any;
            std::memcpy(&any, hits + (key & mask) * Words, sizeof any);
            for (int j = 1; j < Chunks; ++j) {
                Lanes row;
                std::memcpy(&row, hits + (j * kChunkValues + ((key >> (j * kChunkBits)) & mask)) * Words,
                            sizeof row);
                any |= row;
            }
            for (int w = 0; w < Words; ++w)
                total += static_cast<std::uint64_t>(std::popcount(any[w]));
        }
    }
    return total;
}

using ClashFunction = std::uint64_t (*)(const std::uint64_t*, int, int, const std::uint64_t*, std::size_t);

#define NQ_CLASH_CHUNKS(Template, ...)                                            \
    switch (chunks) {                                                             \
        case 1: return Template<1 __VA_OPT__(, ) __VA_ARGS__>(hits, list, size);  \
        case 2: return Template<2 __VA_OPT__(, ) __VA_ARGS__>(hits, list, size);  \
        case 3: return Template<3 __VA_OPT__(, ) __VA_ARGS__>(hits, list, size);  \
        case 4: return Template<4 __VA_OPT__(, ) __VA_ARGS__>(hits, list, size);  \
        case 5: return Template<5 __VA_OPT__(, ) __VA_ARGS__>(hits, list, size);  \
        case 6: return Template<6 __VA_OPT__(, ) __VA_ARGS__>(hits, list, size);  \
        case 7: return Template<7 __VA_OPT__(, ) __VA_ARGS__>(hits, list, size);  \
        case 8: return Template<8 __VA_OPT__(, ) __VA_ARGS__>(hits, list, size);  \
        default: return Template<9 __VA_OPT__(, ) __VA_ARGS__>(hits, list, size); \
    }

[[gnu::always_inline]] inline std::uint64_t ClashAny(const std::uint64_t* hits, int chunks, int words,
                                                     const std::uint64_t* list, std::size_t size) {
    switch (words) {
        case 1: NQ_CLASH_CHUNKS(ClashChunks, 1)
        case 2: NQ_CLASH_CHUNKS(ClashChunks, 2)
        case 4: NQ_CLASH_CHUNKS(ClashChunks, 4)
        default: NQ_CLASH_CHUNKS(ClashChunks, 8)
    }
}

std::uint64_t ClashPlain(const std::uint64_t* hits, int chunks, int words, const std::uint64_t* list,
                         std::size_t size) {
    return ClashAny(hits, chunks, words, list, size);
}

#if defined(NQ_QUADRANTS_V3)
// AVX2 and POPCNT (x86-64-v3).
[[gnu::target("arch=x86-64-v3")]] std::uint64_t ClashV3(const std::uint64_t* hits, int chunks, int words,
                                                        const std::uint64_t* list, std::size_t size) {
    return ClashAny(hits, chunks, words, list, size);
}

#endif
#if defined(NQ_QUADRANTS_V4)
// AVX-512 with its vector popcount: a full block's row is one register, its bits are counted in one
// instruction and summed per lane.
#pragma GCC push_options
#pragma GCC target("arch=x86-64-v4,avx512vpopcntdq")
template <int Chunks>
inline std::uint64_t ClashChunksVpopcnt(const std::uint64_t* hits, const std::uint64_t* list,
                                        std::size_t size) {
    constexpr std::uint64_t mask = kChunkValues - 1;
    __m512i clash = _mm512_setzero_si512();
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint64_t key = list[i];
        __m512i any = _mm512_load_si512(hits + (key & mask) * 8);
        for (int j = 1; j < Chunks; ++j)
            any = _mm512_or_si512(
                any, _mm512_load_si512(hits + (j * kChunkValues + ((key >> (j * kChunkBits)) & mask)) * 8));
        clash = _mm512_add_epi64(clash, _mm512_popcnt_epi64(any));
    }
    alignas(64) std::array<std::uint64_t, 8> lanes;
    _mm512_store_si512(lanes.data(), clash);
    std::uint64_t total = 0;
    for (const std::uint64_t lane : lanes)
        total += lane;
    return total;
}

std::uint64_t ClashVpopcnt(const std::uint64_t* hits, int chunks, int words, const std::uint64_t* list,
                           std::size_t size) {
    if (words < 8) return ClashAny(hits, chunks, words, list, size);
    NQ_CLASH_CHUNKS(ClashChunksVpopcnt)
}
#pragma GCC pop_options
#endif
#undef NQ_CLASH_CHUNKS

// The fastest of the above that this processor runs, chosen once.
ClashFunction ChooseClash() {
#if defined(NQ_QUADRANTS_V3)
    if (ActiveInstructionSet() == InstructionSet::X86_64_V3) {
#if defined(NQ_QUADRANTS_V4)
        __builtin_cpu_init();
        if (__builtin_cpu_supports("x86-64-v4") && __builtin_cpu_supports("avx512vpopcntdq"))
            return ClashVpopcnt;
#endif
        return ClashV3;
    }
#endif
    return ClashPlain;
}

const ClashFunction kClash = ChooseClash();

// Transposes a 64 x 64 bit matrix: afterwards bit i of word j is what bit j of word i was.
[[gnu::always_inline]] inline void Transpose64(std::array<std::uint64_t, 64>& a) {
    std::uint64_t m = 0x00000000ffffffffu;
    for (int j = 32; j != 0; j >>= 1, m ^= m << j)
        for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
            const std::uint64_t t = ((a[k] >> j) ^ a[k | j]) & m;
            a[k] ^= t << j;
            a[k | j] ^= t;
        }
}

// Pairs (a of `blocks`, b of `list`) with a & b == 0, keys of `bits` bits (<= 63).
[[gnu::always_inline]] inline std::uint64_t Join(const std::uint64_t* blocks, std::size_t blockSize,
                                                 const std::uint64_t* list, std::size_t listSize, int bits,
                                                 StopPoll& poll, std::vector<BlockWords>& hitRows) {
    if (blockSize == 0 || listSize == 0) return 0;
    if (bits == 0) return static_cast<std::uint64_t>(blockSize) * listSize;
    const int chunks = (bits + kChunkBits - 1) / kChunkBits;
    hitRows.resize(static_cast<std::size_t>(chunks) * kChunkValues);
    std::uint64_t* hits = hitRows.data()->W.data();
    std::array<std::array<std::uint64_t, 64>, kBlockWords> byWord;
    std::uint64_t total = 0;
    for (std::size_t first = 0; first < blockSize; first += kBlockKeys) {
        if (poll.Stop != nullptr && poll.Stop->load(std::memory_order_relaxed)) {
            poll.Stopped = true;
            return 0;
        }
        const std::size_t count = std::min(kBlockKeys, blockSize - first);
        const int words = count <= 64 ? 1 : count <= 128 ? 2 : count <= 256 ? 4 : 8;
        for (int w = 0; w < words; ++w) {
            const std::size_t from = 64 * static_cast<std::size_t>(w);
            for (std::size_t i = 0; i < 64; ++i)
                byWord[w][i] = from + i < count ? blocks[first + from + i] : 0;
            Transpose64(byWord[w]);
        }
        for (int j = 0; j < chunks; ++j) {
            std::uint64_t* h = hits + j * kChunkValues * words;
            for (int w = 0; w < words; ++w)
                h[w] = 0;
            for (std::size_t x = 1; x < kChunkValues; ++x) {
                const std::uint64_t* rest = h + (x & (x - 1)) * words;
                const int bit = j * kChunkBits + std::countr_zero(x);
                for (int w = 0; w < words; ++w)
                    h[x * words + w] = rest[w] | (bit < 64 ? byWord[w][bit] : 0);
            }
        }
        total += count * listSize - kClash(hits, chunks, words, list, listSize);
    }
    return total;
}

// What one row set needs of its plan: its rows and free columns by half (quarter-local bits).
struct RowSet {
    std::uint32_t EastNorth = 0, EastSouth = 0, WestNorth = 0, WestSouth = 0;
    std::uint32_t EastColumns = 0, WestColumns = 0;
    std::uint64_t BlockedUp = 0, BlockedDown = 0;
};

// The solutions with the east half on one row set.
[[gnu::always_inline]] inline std::uint64_t JoinRowSetBody(const QuadrantTable& t, const RowSet& r, int n,
                                                           const KeyLayout& layout, Scratch& s,
                                                           StopPoll& poll) {
    const int h = n / 2, o = n - h;
    // North-east quarter at (0, o), south-east at (o, o), north-west at (0, 0), south-west at (o, 0).
    const HalfPlace east{o, 0, 2 * o, o}, west{0, o, o, 2 * o};
    const int shared = std::max(0, 2 * h - 1 - o);
    HalfKeys(t, r.EastNorth, r.EastSouth, r.EastColumns, east, shared, r.BlockedUp, r.BlockedDown, layout, s,
             s.East, s.EastSize);
    if (s.EastSize == 0) return 0;
    HalfKeys(t, r.WestNorth, r.WestSouth, r.WestColumns, west, shared, r.BlockedUp, r.BlockedDown, layout, s,
             s.West, s.WestSize);
    return s.EastSize <= s.WestSize
               ? Join(s.East.data(), s.EastSize, s.West.data(), s.WestSize, layout.Bits(), poll, s.Hits)
               : Join(s.West.data(), s.WestSize, s.East.data(), s.EastSize, layout.Bits(), poll, s.Hits);
}

using JoinFunction = std::uint64_t (*)(const QuadrantTable&, const RowSet&, int, const KeyLayout&, Scratch&,
                                       StopPoll&);

std::uint64_t JoinPlain(const QuadrantTable& t, const RowSet& r, int n, const KeyLayout& layout, Scratch& s,
                        StopPoll& poll) {
    return JoinRowSetBody(t, r, n, layout, s, poll);
}

#if defined(NQ_QUADRANTS_V3)
// The same code for processors with AVX2 and POPCNT (x86-64-v3), and with AVX-512's vector popcount.
[[gnu::target("arch=x86-64-v3")]] std::uint64_t JoinV3(const QuadrantTable& t, const RowSet& r, int n,
                                                       const KeyLayout& layout, Scratch& s, StopPoll& poll) {
    return JoinRowSetBody(t, r, n, layout, s, poll);
}
#endif
#if defined(NQ_QUADRANTS_V4)
[[gnu::target("arch=x86-64-v4,avx512vpopcntdq")]] std::uint64_t JoinVpopcnt(const QuadrantTable& t,
                                                                            const RowSet& r, int n,
                                                                            const KeyLayout& layout,
                                                                            Scratch& s, StopPoll& poll) {
    return JoinRowSetBody(t, r, n, layout, s, poll);
}
#endif

// The fastest of the above that this processor runs, chosen once.
JoinFunction ChooseJoin() {
#if defined(NQ_QUADRANTS_V3)
    if (ActiveInstructionSet() == InstructionSet::X86_64_V3) {
#if defined(NQ_QUADRANTS_V4)
        __builtin_cpu_init();
        if (__builtin_cpu_supports("x86-64-v4") && __builtin_cpu_supports("avx512vpopcntdq"))
            return JoinVpopcnt;
#endif
        return JoinV3;
    }
#endif
    return JoinPlain;
}

const JoinFunction kJoinRowSet = ChooseJoin();

}  // namespace

std::size_t QuadrantUnits::TableBytes() const {
    return table_->Entries.size() * sizeof(std::uint64_t) + table_->Start.size() * sizeof(std::uint32_t);
}

std::uint64_t QuadrantTableEntries(int n, std::uint64_t limit) {
    if (n < 1 || n > 32) throw std::invalid_argument("board size out of range");
    std::uint64_t entries = 0;
    auto count = [&](std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {
        return ++entries <= limit;
    };
    WalkQuarter(n / 2, 0, 0, 0, 0, 0, count);
    return entries;
}

std::uint64_t QuadrantBytes(int n, std::uint64_t entries) {
    // Row sets: even n about C(n, h) / 4 of them, odd n C(n - 1, h) / 4 with the centre queen and
    // C(n - 2, h) for each of the h (h - 1) / 2 pairs of middle queens; each an item and its expected work
    // while the plan is made.
    auto binomial = [](int a, int b) {
        double c = 1;
        for (int i = 1; i <= b; ++i)
            c = c * (a - b + i) / i;
        return c;
    };
    const int h = n / 2;
    const double sets =
        n % 2 == 0 ? binomial(n, h) / 4 : binomial(n - 1, h) / 4 + binomial(n - 2, h) * h * (h - 1) / 2;
    return entries * sizeof(std::uint64_t) + ((std::uint64_t{1} << (2 * h)) + 1) * sizeof(std::uint32_t) +
           static_cast<std::uint64_t>(sets * 16);
}

QuadrantUnits MakeQuadrantUnits(int n) {
    if (n < 1 || n > 32) throw std::invalid_argument("board size out of range");
    QuadrantUnits plan;
    plan.n_ = n;
    const int h = n / 2, o = n - h;
    plan.table_ = BuildTable(h);
    const std::uint32_t all = n == 32 ? ~0u : (1u << n) - 1, quarter = (1u << h) - 1;

    // Row sets E of `middle` with |E| = the east's free columns, those of a symmetry orbit joined once.
    // symmetric: the middle queens (if any) are kept by both flips, whose orbits of E then give the
    // weights; otherwise every E is joined, with `weight` (the orbit of the middle queens).
    auto addSets = [&](const QuadrantUnits::Middle& middle, bool symmetric, int weight) {
        const auto m = static_cast<std::uint8_t>(plan.middles_.size());
        plan.middles_.push_back(middle);
        const int size = std::popcount(middle.EastColumns), free = std::popcount(middle.Rows);
        if (size > free) return;
        // Combinations of `size` of the free rows, as the lowest bits of a compact mask (Gosper's step).
        const std::uint64_t end = std::uint64_t{1} << free;
        for (std::uint64_t x = (std::uint64_t{1} << size) - 1; x < end;) {
            const std::uint32_t e = Deposit(static_cast<std::uint32_t>(x), middle.Rows);
            int w = weight;
            bool keep = true;
            if (symmetric) {
                const std::uint32_t v = ReverseRows(e, n), hf = middle.Rows & ~e, vh = ReverseRows(hf, n);
                keep = e <= v && e <= hf && e <= vh;
                const std::array<std::uint32_t, 4> orbit = {e, v, hf, vh};
                w = 0;
                for (int i = 0; i < 4; ++i)
                    if (std::find(orbit.begin(), orbit.begin() + i, orbit[i]) == orbit.begin() + i) ++w;
            }
            if (keep) plan.items_.push_back({e, m, static_cast<std::uint8_t>(w)});
            if (x == 0) break;
            const std::uint64_t low = x & (~x + 1), ripple = x + low;
            x = ripple | (((x ^ ripple) >> 2) / low);
        }
    };
    if (n % 2 == 0) {
        addSets({0, 0, quarter, quarter, all}, true, 1);
    } else {
        // The centre queen, kept by every symmetry; then one pair (middle column's queen on row a, middle
        // row's queen on column b) per orbit of eight: a < b < h (a == b would put both on one diagonal).
        const std::uint32_t rows = all & ~(1u << h);
        const int down = n - 1;
        addSets({std::uint64_t{1} << (2 * h), std::uint64_t{1} << down, quarter, quarter, rows}, true, 1);
        for (int a = 0; a < h; ++a)
            for (int b = a + 1; b < h; ++b) {
                QuadrantUnits::Middle mid;
                mid.BlockedUp = std::uint64_t{1} << (a + h) | std::uint64_t{1} << (h + b);
                mid.BlockedDown = std::uint64_t{1} << (a - h + down) | std::uint64_t{1} << (h - b + down);
                mid.EastColumns = quarter;
                mid.WestColumns = quarter & ~(1u << b);
                mid.Rows = rows & ~(1u << a);
                addSets(mid, false, 8);
            }
    }

    // Expected work of a row set: the pairs of quarter placements each half tries and the join of the two.
    const QuadrantTable& t = *plan.table_;
    std::unordered_map<std::uint64_t, double> known;
    auto pairs = [&](std::uint32_t north, std::uint32_t south, std::uint32_t columns) {
        const std::uint64_t id = (std::uint64_t{columns} << 32) | (std::uint64_t{north} << 16) | south;
        if (const auto found = known.find(id); found != known.end()) return found->second;
        double sum = 0;
        const int k = std::popcount(north);
        for (std::uint32_t cn = columns;; cn = (cn - 1) & columns) {
            if (std::popcount(cn) == k && std::popcount(columns & ~cn) == std::popcount(south))
                sum += double(t.Size(north, cn)) * t.Size(south, columns & ~cn);
            if (cn == 0) break;
        }
        known.emplace(id, sum);
        return sum;
    };
    std::vector<double> expected(plan.items_.size());
    double total = 0;
    for (std::size_t i = 0; i < plan.items_.size(); ++i) {
        const QuadrantUnits::Item& it = plan.items_[i];
        const QuadrantUnits::Middle& mid = plan.middles_[it.Middle];
        const std::uint32_t w = mid.Rows & ~it.East;
        const double east = pairs(it.East & quarter, (it.East >> o) & quarter, mid.EastColumns);
        const double west = pairs(w & quarter, (w >> o) & quarter, mid.WestColumns);
        expected[i] = east + west + east * west / 64 + 1;
        total += expected[i];
    }
    const double target = total / kTargetUnits;
    for (std::size_t i = 0; i < plan.items_.size(); ++i) {
        if (plan.units_.empty() || plan.units_.back().Expected >= target)
            plan.units_.push_back({static_cast<std::uint32_t>(i), 0, 0});
        ++plan.units_.back().Count;
        plan.units_.back().Expected += expected[i];
    }
    return plan;
}

std::uint64_t CountQuadrantUnit(const QuadrantUnits& plan, std::size_t i, StopPoll& poll) {
    thread_local Scratch s;
    const int n = plan.n_, o = n - n / 2;
    const std::uint32_t quarter = (1u << (n / 2)) - 1;
    const QuadrantUnits::Unit& unit = plan.units_[i];
    const KeyLayout layout = CrossingLayout(n);
    std::uint64_t count = 0;
    for (std::uint32_t k = unit.First; k < unit.First + unit.Count; ++k) {
        const QuadrantUnits::Item& it = plan.items_[k];
        const QuadrantUnits::Middle& mid = plan.middles_[it.Middle];
        const std::uint32_t w = mid.Rows & ~it.East;
        const RowSet r{it.East & quarter, (it.East >> o) & quarter, w & quarter,   (w >> o) & quarter,
                       mid.EastColumns,   mid.WestColumns,          mid.BlockedUp, mid.BlockedDown};
        const std::uint64_t joined = kJoinRowSet(*plan.table_, r, n, layout, s, poll);
        if (poll.Stopped) return 0;
        count += it.Weight * joined;
    }
    return count;
}

namespace {

// Solutions holding the placed queens (an orbit-closed set) that the rotation maps onto themselves: the
// first free row takes a queen, and with it the queen's whole orbit.
struct RotationSearch {
    int N = 0, Turns = 1;
    std::uint64_t Rows = 0, Columns = 0, Up = 0, Down = 0;

    bool Free(int r, int c) const {
        return ((Rows >> r) & 1u) == 0 && ((Columns >> c) & 1u) == 0 && ((Up >> (r + c)) & 1u) == 0 &&
               ((Down >> (r - c + N - 1)) & 1u) == 0;
    }
    void Flip(int r, int c) {
        Rows ^= std::uint64_t{1} << r;
        Columns ^= std::uint64_t{1} << c;
        Up ^= std::uint64_t{1} << (r + c);
        Down ^= std::uint64_t{1} << (r - c + N - 1);
    }
    std::uint64_t Count() {
        const int r = std::countr_one(Rows);
        if (r >= N) return 1;
        std::uint64_t count = 0;
        for (int c = 0; c < N; ++c) {
            std::array<std::array<int, 2>, 4> orbit{};
            int size = 0, placed = 0;
            int qr = r, qc = c;
            do {
                orbit[size++] = {qr, qc};
                const int nr = Turns == 1 ? qc : N - 1 - qr, nc = Turns == 1 ? N - 1 - qr : N - 1 - qc;
                qr = nr;
                qc = nc;
            } while (qr != r || qc != c);
            for (; placed < size && Free(orbit[placed][0], orbit[placed][1]); ++placed)
                Flip(orbit[placed][0], orbit[placed][1]);
            if (placed == size) count += Count();
            while (placed > 0) {
                --placed;
                Flip(orbit[placed][0], orbit[placed][1]);
            }
        }
        return count;
    }
};

}  // namespace

std::uint64_t RotationKeptSolutions(int n, int turns) {
    if (n < 1 || n > 32 || (turns != 1 && turns != 2)) throw std::invalid_argument("out of range");
    RotationSearch search;
    search.N = n;
    search.Turns = turns;
    return search.Count();
}

std::uint64_t UniqueFromCount(int n, std::uint64_t solutions) {
    if (n == 1) return solutions;
    return (solutions + 2 * RotationKeptSolutions(n, 1) + RotationKeptSolutions(n, 2)) / 8;
}

}  // namespace nq
