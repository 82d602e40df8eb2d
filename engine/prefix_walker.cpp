// SPDX-License-Identifier: GPL-3.0-or-later
// The walk over the placements of the first free columns.
#include "engine/prefix_walker.h"

#include <bit>

namespace nq {

void PrefixWalker::Reset(const SearchLayout& layout, int depth) {
    layout_ = &layout;
    depth_ = depth < 0 ? 0 : (depth > layout.Free ? layout.Free : depth);
    frame_[0] = {};
    share_[0] = 1.0;
    Seek({});
}

void PrefixWalker::Place(int level, std::uint64_t candidates) {
    const auto l = static_cast<std::size_t>(level);
    const std::uint64_t bit = candidates & (~candidates + 1);
    untried_[l] = candidates ^ bit;
    rows_[l] = static_cast<std::uint8_t>(1 + std::countr_zero(bit));
    frame_[l + 1] = frame_[l].After(bit, layout_->Gap[l]);
    share_[l + 1] = share_[l] / std::popcount(open_[l]);
}

bool PrefixWalker::Descend(int from) {
    for (int level = from; level < depth_; ++level) {
        const auto l = static_cast<std::size_t>(level);
        open_[l] = frame_[l].Open(layout_->Board, layout_->Blocked[l]);
        if (open_[l] == 0) {
            failed_ = level;
            return false;
        }
        Place(level, open_[l]);
    }
    return true;
}

bool PrefixWalker::NextFrom(int level) {
    for (int i = level;;) {
        while (i >= 0 && untried_[static_cast<std::size_t>(i)] == 0)
            --i;
        if (i < 0) {
            exhausted_ = true;
            return false;
        }
        Place(i, untried_[static_cast<std::size_t>(i)]);
        if (Descend(i + 1)) return true;
        i = failed_ - 1;
    }
}

bool PrefixWalker::Seek(const SubtreePrefix& bound) {
    exhausted_ = false;
    rows_ = {};
    for (int level = 0; level < depth_; ++level) {
        const auto l = static_cast<std::size_t>(level);
        open_[l] = frame_[l].Open(layout_->Board, layout_->Blocked[l]);
        const int b = bound[l];
        const std::uint64_t atOrAbove = b == 0 ? open_[l] : open_[l] & ~((std::uint64_t{1} << (b - 1)) - 1);
        if (b >= 1 && (open_[l] & (std::uint64_t{1} << (b - 1))) != 0) {
            Place(level, atOrAbove);  // the bound's own row; the rows below it lie before the bound
            continue;
        }
        if (atOrAbove != 0) {
            Place(level, atOrAbove);
            return Descend(level + 1) || NextFrom(failed_ - 1);
        }
        untried_[l] = 0;
        return NextFrom(level - 1);
    }
    return true;
}

double PrefixWalker::ShareBefore() const {
    if (exhausted_) return 1.0;
    double share = 0.0;
    for (int level = 0; level < depth_; ++level) {
        const auto l = static_cast<std::size_t>(level);
        const std::uint64_t below = (std::uint64_t{1} << (rows_[l] - 1)) - 1;
        share += share_[l + 1] * std::popcount(open_[l] & below);
    }
    return share;
}

}  // namespace nq
