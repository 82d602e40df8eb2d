// SPDX-License-Identifier: GPL-3.0-or-later
// The halves of the quadrant counter and their keys.
//
// Coordinates: rows r and columns c are 0..n-1, a queen uses the up diagonal r + c and the down diagonal
// r - c + n - 1 (both 0..2n-2). h = n / 2 and o = n - h: the west half is columns 0..h-1, the east half
// columns o..n-1, the north quarters rows 0..h-1, the south ones rows o..n-1 (odd n leaves the middle row and
// column h to the queens placed first). A half's placement on a set of rows pairs a placement of its north
// quarter and one of its south quarter, both from the quarter table, on complementary columns and with no
// diagonal in common. Its key holds the crossing diagonals it uses, those that meet squares of both halves:
// an east and a west placement on complementary rows and columns form a solution exactly when their keys
// have no bit in common.
//
// The key's bits follow a layout: bit 0 the crossing diagonal least often used by both halves, the top bit
// the most often used, so that the disjoint-pair count buckets by the bits that part the most pairs.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/quarter_table.h"

namespace nq {

enum class Side { West, East };

// Which diagonals a key holds, and where.
struct KeyLayout {
    int Width = 0;                          // key bits, 0..64
    std::array<std::int8_t, 64> UpBit{};    // by up diagonal: its key bit, or -1
    std::array<std::int8_t, 64> DownBit{};  // by down diagonal: its key bit, or -1

    // The key of a set of diagonals (bits of up and down diagonals); the ones outside the layout drop out.
    std::uint64_t Key(std::uint64_t up, std::uint64_t down) const;
};

// The crossing diagonals of an n-board (1..32), as [first, last] runs of up and of down diagonals, and the
// one diagonal only the east half can reach that a queen placed first may hold (odd n: the down diagonal h,
// of the middle column's queen on row 0; -1 otherwise).
struct CrossingDiagonals {
    int UpFirst = 0, UpLast = -1, DownFirst = 0, DownLast = -1;
    int EastOnlyDown = -1;
};
CrossingDiagonals CrossingOf(int n);

// The layout that gives the crossing diagonals of n (and the east-only one) bits in the order of `score`
// (indexed [0..2n-2] up, then [2n-1..4n-3] down; higher scores get higher bits, ties by index), leaving out
// the diagonals in `leaveUp` and `leaveDown` (bits of diagonals).
KeyLayout RankedLayout(int n, std::span<const double> score, std::uint64_t leaveUp, std::uint64_t leaveDown);

// What a half is asked for.
struct HalfRequest {
    Side Of = Side::West;
    std::uint32_t Rows = 0;                        // the half's rows, global bits (none of the middle row)
    std::uint32_t Columns = 0;                     // the half's free columns, bits 0..h-1 from its west edge
    std::uint64_t BlockedUp = 0, BlockedDown = 0;  // diagonals its queens must not use
    std::uint64_t Extra = 0;                       // ORed into every key
    // Even n, the four lists of the main diagonals: placements of the east half that use the up main diagonal
    // n - 1 or the down main diagonal n - 1 are left out; west placements go to list u + 2 d, u (d) telling
    // whether the half uses the up (down) main diagonal. Otherwise every key goes to list 0.
    bool MainDiagonals = false;
    // Looked at between the sets of columns the quarters split: once it holds, Make ends early with some of
    // the keys.
    const std::atomic<bool>* Stop = nullptr;
};

// Makes the keys of halves; shared read-only by every thread (each with its own Scratch).
class HalfMaker {
  public:
    // table: that of h = n / 2; n 1..32.
    HalfMaker(const QuarterTable& table, int n, const KeyLayout& layout);

    // Entries of a quarter loaded for pairing: its test bits (the diagonals it shares with the half's other
    // quarter, aligned), its key bits, class 0 first and class 1 (holding a class diagonal) from the back.
    struct Loaded {
        std::vector<std::uint64_t> Test, Key;
    };
    // A quarter's groups on one set of rows for every set of columns, loaded once and kept while the requests
    // that follow ask for the same rows loaded the same way: a run of row sets with the same south rows, or
    // the middle queens of one row set.
    struct QuarterGroups {
        bool Valid = false;
        std::size_t Corner = 0;
        std::uint32_t Rows = 0;
        std::uint64_t BlockedUp = 0, BlockedDown = 0, ClassUp = 0, ClassDown = 0;
        Loaded Entries;
        std::vector<std::array<std::uint32_t, 3>>
            Where;  // by columns: class 0 from [0], class 1 from [1], end [2]
    };
    struct Scratch {
        QuarterGroups North, South;
        std::array<std::vector<std::uint64_t>, 4> Keys;
        std::array<std::size_t, 4> Size{};
        std::size_t Bytes() const;
    };
    // Fills s.Keys[k][0 .. s.Size[k]) with the keys of every placement the request asks for (some of them,
    // once request.Stop holds).
    void Make(const HalfRequest& request, Scratch& s) const;

  private:
    // A quarter in one corner: where its diagonals lie on the board, which of them it reaches, and what its
    // entries' diagonals give as key bits, a byte of the square's diagonals at a time.
    struct Corner {
        int UpShift = 0, DownShift = 0;
        std::uint64_t UpReach = 0, DownReach = 0;
        std::array<std::array<std::uint64_t, 256>, 4> UpKey{}, DownKey{};
    };
    static std::size_t CornerIndex(Side of, bool south) {
        return 2 * static_cast<std::size_t>(of == Side::East) + south;
    }
    // Makes g hold the groups of `rows` of a corner, loaded with the blocked and class diagonals given.
    void Groups(QuarterGroups& g, std::size_t corner, std::uint32_t rows, std::uint64_t blockedUp,
                std::uint64_t blockedDown, std::uint64_t classUp, std::uint64_t classDown) const;
    // Appends the entries of (rows, columns) of a corner that avoid the blocked diagonals to `to` (from
    // index `at`, growing it as needed), class 0 first: returns where class 1 begins and where it ends.
    std::array<std::uint32_t, 2> Load(std::size_t corner, std::uint32_t rows, std::uint32_t columns,
                                      std::uint64_t blockedUp, std::uint64_t blockedDown,
                                      std::uint64_t classUp, std::uint64_t classDown, Loaded& to,
                                      std::size_t at) const;
    template <int Bytes>
    std::array<std::uint32_t, 2> LoadBytes(const Corner& c, bool south, std::span<const std::uint64_t> group,
                                           std::uint64_t blockedUp, std::uint64_t blockedDown,
                                           std::uint64_t classUp, std::uint64_t classDown, Loaded& to,
                                           std::size_t at) const;

    const QuarterTable& table_;
    KeyLayout layout_;
    int n_ = 0, h_ = 0, o_ = 0;
    std::uint64_t sharedMask_ = 0;
    std::array<Corner, 4> corners_;  // north-west, south-west, north-east, south-east
};

}  // namespace nq
