// SPDX-License-Identifier: GPL-3.0-or-later
// Counting the pairs of keys with no bit in common, one from each of two lists of bit keys: the join of the
// quadrant counter, which knows nothing of queens here. One list is prepared once, the other streamed against
// it as often as the caller likes.
//
// How: the prepared keys are sorted into buckets by their top `cut` bits; a key of bucket x can only be
// disjoint from keys whose top bits y have x & y == 0, so a streamed key meets only those buckets. Within a
// bucket the remaining bits are tested bit-sliced, up to 512 pairs at a time: for each block of up to 512
// prepared keys and each 6-bit chunk of the remaining bits, row (chunk, value) holds one bit per key of the
// block, set where that key shares a bit with the value; a streamed key ORs one row per chunk and counts the
// bits: the keys of the block it clashes with. Built for plain x86-64, x86-64-v3 and AVX-512 with its
// vector popcount (x86-64-v4), as the process's instruction set says at each call.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/stop_poll.h"

namespace nq {

// The most top bits a prepared list is bucketed by (2^10 buckets).
inline constexpr int kMaxCutBits = 10;

// The top bits to bucket a prepared list of `prepared` keys of `width` bits by: buckets of a few blocks on
// average, at most kMaxCutBits and never more than width.
int CutBitsFor(std::size_t prepared, int width);

// Keys of `width` bits (0..64; higher bits clear) sorted into buckets by their top `cut` bits
// (0..min(kMaxCutBits, width)): bucket y holds the remaining bits of its keys in Rest[Start[y] ..
// Start[y + 1]). The streamed side of a count; also the first step of preparing one.
struct SortedKeys {
    int Width = 0, Cut = 0;
    std::vector<std::uint64_t> Rest;
    std::vector<std::uint32_t> Start;

    // Replaces the keys; keeps the memory for the next Sort.
    void Sort(std::span<const std::uint64_t> keys, int width, int cut);
    std::size_t Size() const { return Start.empty() ? 0 : Start.back(); }
    std::size_t Bytes() const;
};

// Keys sorted by their top bits and, within a bucket, bit-sliced in blocks of up to 512 keys.
class PreparedKeys {
  public:
    // Replaces the keys (as SortedKeys::Sort takes them); keeps the memory for the next Prepare. Looks at
    // `stop` between blocks: once it holds, returns false and holds no keys until the next Prepare.
    bool Prepare(std::span<const std::uint64_t> keys, int width, int cut,
                 const std::atomic<bool>* stop = nullptr);
    int Width() const { return sorted_.Width; }
    int Cut() const { return sorted_.Cut; }
    std::size_t Size() const { return sorted_.Size(); }
    std::size_t Bytes() const;

  private:
    friend std::uint64_t CountDisjointPairs(const PreparedKeys&, const SortedKeys&, StopPoll&);
    // The bit-sliced rows of a block of up to 512 keys of one bucket.
    struct Block {
        std::uint32_t Bucket = 0;
        std::uint32_t Count = 0;  // keys, 1..512
        std::uint32_t Words = 0;  // 64-bit words per row: 1, 2, 4 or 8, the fewest that hold Count bits
        std::size_t Rows = 0;     // where its rows start in rows_, in words; a multiple of 8
    };
    struct alignas(64) Line {
        std::uint64_t W[8];
    };

    SortedKeys sorted_;
    int chunks_ = 0;
    std::vector<Block> blocks_;
    std::unique_ptr<Line[]> rows_;
    std::size_t lines_ = 0;  // rows_'s length
};

// The pairs (p, s) of a prepared key p and a sorted key s with p & s == 0; both of the same width and cut
// (throws std::invalid_argument otherwise). Checks poll.Stop between blocks: once stopped, returns 0 with
// poll.Stopped set.
std::uint64_t CountDisjointPairs(const PreparedKeys& prepared, const SortedKeys& sorted, StopPoll& poll);

// The pairs (a, b), a from `a` and b from `b`, with a & b == 0, for keys of `width` bits (0..64): the
// larger list prepared with CutBitsFor, the other sorted and streamed.
std::uint64_t CountDisjointPairs(std::span<const std::uint64_t> a, std::span<const std::uint64_t> b,
                                 int width);

}  // namespace nq
