// SPDX-License-Identifier: GPL-3.0-or-later
// Sources of random choices: a seeded generator, or the bytes of a fuzzer's input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>

namespace nq::testing {

class Chooser {
  public:
    virtual ~Chooser() = default;
    // A number in 0..bound-1 (bound >= 1).
    virtual std::uint32_t Below(std::uint32_t bound) = 0;
    // True when the choices are used up (a byte source); a seeded generator never is.
    virtual bool Exhausted() const { return false; }
    bool Chance(std::uint32_t percent) { return Below(100) < percent; }
    int Between(int lo, int hi) {
        return lo + static_cast<int>(Below(static_cast<std::uint32_t>(hi - lo + 1)));
    }
};

class RandomChooser : public Chooser {
  public:
    explicit RandomChooser(std::uint64_t seed) : engine_(seed) {}
    std::uint32_t Below(std::uint32_t bound) override {
        return static_cast<std::uint32_t>(engine_() %
                                          bound);  // bounds are tiny: the modulo bias does not matter
    }

  private:
    std::mt19937_64 engine_;
};

// Takes one byte per choice (two for bounds above 256); zeros once the bytes are used up.
class ByteChooser : public Chooser {
  public:
    ByteChooser(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t Below(std::uint32_t bound) override {
        std::uint32_t v = Next();
        if (bound > 256) v = v << 8 | Next();
        return v % bound;
    }
    bool Exhausted() const override { return pos_ >= size_; }

  private:
    std::uint32_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace nq::testing
