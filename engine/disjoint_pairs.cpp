// SPDX-License-Identifier: GPL-3.0-or-later
// The disjoint-pair count: the buckets of the prepared keys, their bit-sliced blocks, and the loop that
// streams keys through them, built once for each instruction set.
#include "engine/disjoint_pairs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>

#include "engine/instruction_set.h"

#if defined(NQ_HAVE_X86_64_V3)
#include <immintrin.h>
#endif

namespace nq {
namespace {

using Word = std::uint64_t;

// A block's rows: one per value of each 6-bit chunk of a key's remaining bits.
constexpr int kChunkBits = 6;
constexpr std::size_t kValues = std::size_t{1} << kChunkBits;
constexpr int kMaxChunks = (64 + kChunkBits - 1) / kChunkBits;
constexpr std::size_t kBlockKeys = 512;
// The keys a prepared bucket holds on average (CutBitsFor): large enough that most of its blocks are full,
// small enough that the buckets a key need not meet are many. Two blocks' worth measured 3-8 % faster than
// one at n = 21 and 22, half a block 40 % slower.
constexpr std::size_t kBucketKeys = 1024;

// The rows of a block of `count` keys (count <= 64 Words): row (j, v), at rows[(j * kValues + v) * Words],
// has the bit of key i set where key i shares a bit with value v of chunk j.
template <int Words>
[[gnu::always_inline]] inline void BuildRows(const Word* keys, std::size_t count, int chunks, Word* rows) {
    // bits[b][w]: which keys of 64w..64w+63 have bit b, by transposing the Words 64 x 64 bit matrices of the
    // keys side by side (so that each step works on Words words at once).
    alignas(64) Word bits[64][Words];
    for (std::size_t i = 0; i < 64; ++i) {
        for (int w = 0; w < Words; ++w) {
            const std::size_t k = 64 * static_cast<std::size_t>(w) + i;
            bits[i][w] = k < count ? keys[k] : 0;
        }
    }
    Word m = 0x00000000ffffffffu;
    for (int j = 32; j != 0; j >>= 1, m ^= m << j) {
        for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
            for (int w = 0; w < Words; ++w) {
                const Word t = ((bits[k][w] >> j) ^ bits[k | j][w]) & m;
                bits[k][w] ^= t << j;
                bits[k | j][w] ^= t;
            }
        }
    }
    for (int j = 0; j < chunks; ++j) {
        Word* h = rows + static_cast<std::size_t>(j) * kValues * Words;
        for (int w = 0; w < Words; ++w)
            h[w] = 0;
        for (std::size_t v = 1; v < kValues; ++v) {
            const Word* rest = h + (v & (v - 1)) * Words;
            const int bit = j * kChunkBits + std::countr_zero(v);
            for (int w = 0; w < Words; ++w)
                h[v * Words + w] = rest[w] | (bit < 64 ? bits[bit][w] : 0);
        }
    }
}

// Words 64-bit words as one vector of the compiler's.
template <int Words>
struct LanesOf;
template <>
struct LanesOf<2> {
    using Type = Word __attribute__((vector_size(16)));
};
template <>
struct LanesOf<4> {
    using Type = Word __attribute__((vector_size(32)));
};
template <>
struct LanesOf<8> {
    using Type = Word __attribute__((vector_size(64)));
};

// Counting the set bits of a word where the processor has no instruction for it (plain x86-64).
[[gnu::always_inline]] inline Word PopcountPlain(Word x) {
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return (x * 0x0101010101010101u) >> 56;
}
struct CountPlain {
    static Word Of(Word x) { return PopcountPlain(x); }
};
struct CountNative {
    static Word Of(Word x) { return static_cast<Word>(std::popcount(x)); }
};

// The keys of `list` and the block's keys they share a bit with, summed.
template <int Chunks, int Words, class Popcount>
[[gnu::always_inline]] inline Word ClashBody(const Word* rows, const Word* list, std::size_t n) {
    constexpr Word mask = kValues - 1;
    Word clash = 0;
    if constexpr (Words == 1) {
        for (std::size_t i = 0; i < n; ++i) {
            const Word key = list[i];
            Word any = rows[key & mask];
            for (int j = 1; j < Chunks; ++j)
                any |= rows[j * kValues + ((key >> (j * kChunkBits)) & mask)];
            clash += Popcount::Of(any);
        }
    } else {
        using Lanes = typename LanesOf<Words>::Type;
        for (std::size_t i = 0; i < n; ++i) {
            const Word key = list[i];
            Lanes any;
            std::memcpy(&any, rows + (key & mask) * Words, sizeof any);
            for (int j = 1; j < Chunks; ++j) {
                Lanes row;
                std::memcpy(&row, rows + (j * kValues + ((key >> (j * kChunkBits)) & mask)) * Words,
                            sizeof row);
                any |= row;
            }
            for (int w = 0; w < Words; ++w)
                clash += Popcount::Of(any[w]);
        }
    }
    return clash;
}

using ClashFunction = Word (*)(const Word*, const Word*, std::size_t);
using BuildFunction = void (*)(const Word*, std::size_t, int, Word*);

// One instruction set's functions: Clash[chunks][log2 words] (chunks 1..kMaxChunks), Build[log2 words].
struct Kernels {
    std::array<std::array<ClashFunction, 4>, kMaxChunks + 1> Clash;
    std::array<BuildFunction, 4> Build;
};

#define NQ_CLASH_WORDS(space, chunks) \
    { &space::Clash<chunks, 1>, &space::Clash<chunks, 2>, &space::Clash<chunks, 4>, &space::Clash<chunks, 8> }
#define NQ_KERNELS(space)                                                             \
    Kernels {                                                                         \
        {{{nullptr, nullptr, nullptr, nullptr},                                       \
          NQ_CLASH_WORDS(space, 1),                                                   \
          NQ_CLASH_WORDS(space, 2),                                                   \
          NQ_CLASH_WORDS(space, 3),                                                   \
          NQ_CLASH_WORDS(space, 4),                                                   \
          NQ_CLASH_WORDS(space, 5),                                                   \
          NQ_CLASH_WORDS(space, 6),                                                   \
          NQ_CLASH_WORDS(space, 7),                                                   \
          NQ_CLASH_WORDS(space, 8),                                                   \
          NQ_CLASH_WORDS(space, 9),                                                   \
          NQ_CLASH_WORDS(space, 10),                                                  \
          NQ_CLASH_WORDS(space, 11)}},                                                \
            {&space::Build<1>, &space::Build<2>, &space::Build<4>, &space::Build<8>}, \
    }

namespace plain {
template <int Chunks, int Words>
Word Clash(const Word* rows, const Word* list, std::size_t n) {
    return ClashBody<Chunks, Words, CountPlain>(rows, list, n);
}
template <int Words>
void Build(const Word* keys, std::size_t count, int chunks, Word* rows) {
    BuildRows<Words>(keys, count, chunks, rows);
}
}  // namespace plain
const Kernels kPlain = NQ_KERNELS(plain);

#if defined(NQ_TARGET_X86_64_V3)
// AVX2: a row of 4 or 8 words is one or two registers, whose bits are counted by nibbles through a table in
// a register (no vector popcount before AVX-512).
namespace v3 {
NQ_TARGET_X86_64_V3 inline __m256i ByteCounts(__m256i v) {
    const __m256i table = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 0, 1, 1, 2, 1, 2,
                                           2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
    const __m256i low = _mm256_set1_epi8(0x0f);
    return _mm256_add_epi8(_mm256_shuffle_epi8(table, _mm256_and_si256(v, low)),
                           _mm256_shuffle_epi8(table, _mm256_and_si256(_mm256_srli_epi16(v, 4), low)));
}
template <int Chunks, int Words>
NQ_TARGET_X86_64_V3 Word Clash(const Word* rows, const Word* list, std::size_t n) {
    constexpr Word mask = kValues - 1;
    if constexpr (Words == 4 || Words == 8) {
        constexpr int halves = Words / 4;
        const __m256i zero = _mm256_setzero_si256();
        __m256i clash = zero;
        for (std::size_t i = 0; i < n; ++i) {
            const Word key = list[i];
            __m256i any[halves];
            for (int x = 0; x < halves; ++x)
                any[x] =
                    _mm256_load_si256(reinterpret_cast<const __m256i*>(rows + (key & mask) * Words + 4 * x));
            for (int j = 1; j < Chunks; ++j) {
                const Word* row = rows + (j * kValues + ((key >> (j * kChunkBits)) & mask)) * Words;
                for (int x = 0; x < halves; ++x)
                    any[x] = _mm256_or_si256(
                        any[x], _mm256_load_si256(reinterpret_cast<const __m256i*>(row + 4 * x)));
            }
            __m256i bytes = ByteCounts(any[0]);
            if constexpr (halves == 2) bytes = _mm256_add_epi8(bytes, ByteCounts(any[1]));
            clash = _mm256_add_epi64(clash, _mm256_sad_epu8(bytes, zero));
        }
        alignas(32) Word lanes[4];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), clash);
        return lanes[0] + lanes[1] + lanes[2] + lanes[3];
    } else {
        return ClashBody<Chunks, Words, CountNative>(rows, list, n);
    }
}
template <int Words>
NQ_TARGET_X86_64_V3 void Build(const Word* keys, std::size_t count, int chunks, Word* rows) {
    BuildRows<Words>(keys, count, chunks, rows);
}
}  // namespace v3
const Kernels kV3 = NQ_KERNELS(v3);
#endif

#if defined(NQ_HAVE_X86_64_V4)
// AVX-512: a full block's row is one register, whose bits one instruction counts per lane.
#pragma GCC push_options
#pragma GCC target("arch=x86-64-v4,avx512vpopcntdq")
namespace v4 {
template <int Chunks, int Words>
Word Clash(const Word* rows, const Word* list, std::size_t n) {
    constexpr Word mask = kValues - 1;
    if constexpr (Words == 8) {
        __m512i clash = _mm512_setzero_si512();
        for (std::size_t i = 0; i < n; ++i) {
            const Word key = list[i];
            __m512i any = _mm512_load_si512(rows + (key & mask) * 8);
            for (int j = 1; j < Chunks; ++j)
                any = _mm512_or_si512(
                    any, _mm512_load_si512(rows + (j * kValues + ((key >> (j * kChunkBits)) & mask)) * 8));
            clash = _mm512_add_epi64(clash, _mm512_popcnt_epi64(any));
        }
        alignas(64) Word lanes[8];
        _mm512_store_si512(lanes, clash);
        Word total = 0;
        for (const Word lane : lanes)
            total += lane;
        return total;
    } else if constexpr (Words == 4) {
        __m256i clash = _mm256_setzero_si256();
        for (std::size_t i = 0; i < n; ++i) {
            const Word key = list[i];
            __m256i any = _mm256_load_si256(reinterpret_cast<const __m256i*>(rows + (key & mask) * 4));
            for (int j = 1; j < Chunks; ++j)
                any =
                    _mm256_or_si256(any, _mm256_load_si256(reinterpret_cast<const __m256i*>(
                                             rows + (j * kValues + ((key >> (j * kChunkBits)) & mask)) * 4)));
            clash = _mm256_add_epi64(clash, _mm256_popcnt_epi64(any));
        }
        alignas(32) Word lanes[4];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), clash);
        return lanes[0] + lanes[1] + lanes[2] + lanes[3];
    } else {
        return ClashBody<Chunks, Words, CountNative>(rows, list, n);
    }
}
template <int Words>
void Build(const Word* keys, std::size_t count, int chunks, Word* rows) {
    BuildRows<Words>(keys, count, chunks, rows);
}
}  // namespace v4
const Kernels kV4 = NQ_KERNELS(v4);
#pragma GCC pop_options
#endif

#undef NQ_KERNELS
#undef NQ_CLASH_WORDS

const Kernels& KernelsFor(InstructionSet set) {
#if defined(NQ_HAVE_X86_64_V4)
    if (set >= InstructionSet::X86_64_V4) return kV4;
#endif
#if defined(NQ_TARGET_X86_64_V3)
    if (set >= InstructionSet::X86_64_V3) return kV3;
#endif
    static_cast<void>(set);
    return kPlain;
}

// log2 of the fewest words of 64 bits that hold `count` (1..512) bits.
int WordsIndex(std::size_t count) {
    return count <= 64 ? 0 : count <= 128 ? 1 : count <= 256 ? 2 : 3;
}

}  // namespace

int CutBitsFor(std::size_t prepared, int width) {
    int cut = 0;
    while (cut < kMaxCutBits && cut < width && (prepared >> cut) > kBucketKeys)
        ++cut;
    return cut;
}

void SortedKeys::Sort(std::span<const std::uint64_t> keys, int width, int cut) {
    if (width < 0 || width > 64 || cut < 0 || cut > std::min(kMaxCutBits, width))
        throw std::invalid_argument("disjoint pairs: key width or cut out of range");
    if (keys.size() > 0xffffffffu) throw std::invalid_argument("disjoint pairs: too many keys");
    Width = width;
    Cut = cut;
    const std::size_t buckets = std::size_t{1} << cut;
    const int shift = width - cut;
    const Word restMask = shift == 64 ? ~Word{0} : (Word{1} << shift) - 1;
    Start.assign(buckets + 1, 0);
    Rest.resize(keys.size());
    if (cut == 0) {
        for (std::size_t i = 0; i < keys.size(); ++i)
            Rest[i] = keys[i] & restMask;
        Start[1] = static_cast<std::uint32_t>(keys.size());
        return;
    }
    for (const Word key : keys)
        ++Start[(key >> shift) + 1];
    for (std::size_t y = 0; y < buckets; ++y)
        Start[y + 1] += Start[y];
    // Each bucket's next free place, from its start; afterwards each holds the next bucket's start.
    for (const Word key : keys)
        Rest[Start[key >> shift]++] = key & restMask;
    for (std::size_t y = buckets; y > 0; --y)
        Start[y] = Start[y - 1];
    Start[0] = 0;
}

std::size_t SortedKeys::Bytes() const {
    return Rest.capacity() * sizeof(Word) + Start.capacity() * sizeof(std::uint32_t);
}

bool PreparedKeys::Prepare(std::span<const std::uint64_t> keys, int width, int cut,
                           const std::atomic<bool>* stop) {
    sorted_.Sort(keys, width, cut);
    chunks_ = (width - cut + kChunkBits - 1) / kChunkBits;
    blocks_.clear();
    std::size_t words = 0;
    const std::size_t buckets = std::size_t{1} << cut;
    for (std::size_t x = 0; x < buckets; ++x) {
        for (std::size_t first = sorted_.Start[x]; first < sorted_.Start[x + 1]; first += kBlockKeys) {
            Block b;
            b.Bucket = static_cast<std::uint32_t>(x);
            b.Count =
                static_cast<std::uint32_t>(std::min<std::size_t>(kBlockKeys, sorted_.Start[x + 1] - first));
            b.Words = 1u << WordsIndex(b.Count);
            b.Rows = words;
            words += (static_cast<std::size_t>(chunks_) * kValues * b.Words + 7) / 8 * 8;
            blocks_.push_back(b);
        }
    }
    // Grown without being zeroed (Build writes every row it reads): the first touch of its pages, tens of
    // milliseconds at n = 23, falls between the blocks, where the flag is looked at.
    if (words / 8 > lines_) {
        rows_.reset();
        rows_.reset(new Line[words / 8]);
        lines_ = words / 8;
    }
    if (chunks_ == 0) return true;
    const Kernels& k = KernelsFor(ActiveInstructionSet());
    Word* rows = rows_[0].W;
    std::size_t first = 0;  // the blocks hold the sorted keys in order
    for (const Block& b : blocks_) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            blocks_.clear();
            sorted_.Start.clear();
            return false;
        }
        k.Build[static_cast<std::size_t>(std::countr_zero(b.Words))](sorted_.Rest.data() + first, b.Count,
                                                                     chunks_, rows + b.Rows);
        first += b.Count;
    }
    return true;
}

std::size_t PreparedKeys::Bytes() const {
    return sorted_.Bytes() + blocks_.capacity() * sizeof(Block) + lines_ * sizeof(Line);
}

std::uint64_t CountDisjointPairs(const PreparedKeys& prepared, const SortedKeys& sorted, StopPoll& poll) {
    if (prepared.Width() != sorted.Width || prepared.Cut() != sorted.Cut)
        throw std::invalid_argument("disjoint pairs: the lists are cut differently");
    if (prepared.Size() == 0 || sorted.Size() == 0) return 0;
    const Kernels& k = KernelsFor(ActiveInstructionSet());
    const std::uint32_t all = (std::uint32_t{1} << sorted.Cut) - 1;
    const Word* rows = prepared.lines_ == 0 ? nullptr : prepared.rows_[0].W;
    const std::uint32_t* start = sorted.Start.data();
    const Word* rest = sorted.Rest.data();
    const std::size_t chunks = static_cast<std::size_t>(prepared.chunks_);
    std::uint64_t total = 0;
    // The flag is looked at per bucket met (a microsecond or so of work each), not per block, whose buckets
    // may hold a large share of the other list's keys.
    const auto stopped = [&poll] {
        if (poll.Stop == nullptr || !poll.Stop->load(std::memory_order_relaxed)) return false;
        poll.Stopped = true;
        return true;
    };
    for (const PreparedKeys::Block& b : prepared.blocks_) {
        const std::uint32_t open = all & ~b.Bucket;
        std::uint64_t met = 0, clash = 0;
        const ClashFunction clashOf =
            chunks == 0 ? nullptr : k.Clash[chunks][static_cast<std::size_t>(std::countr_zero(b.Words))];
        // Every bucket y with y & Bucket == 0: the subsets of `open`, from open itself down to 0.
        for (std::uint32_t y = open;; y = (y - 1) & open) {
            const std::uint32_t from = start[y], to = start[y + 1];
            if (to > from) {
                if (stopped()) return 0;
                met += to - from;
                if (clashOf != nullptr) clash += clashOf(rows + b.Rows, rest + from, to - from);
            }
            if (y == 0) break;
        }
        total += b.Count * met - clash;
    }
    return total;
}

std::uint64_t CountDisjointPairs(std::span<const std::uint64_t> a, std::span<const std::uint64_t> b,
                                 int width) {
    if (a.size() < b.size()) std::swap(a, b);
    const int cut = CutBitsFor(a.size(), width);
    PreparedKeys prepared;
    prepared.Prepare(a, width, cut);
    SortedKeys sorted;
    sorted.Sort(b, width, cut);
    StopPoll poll;
    return CountDisjointPairs(prepared, sorted, poll);
}

}  // namespace nq
