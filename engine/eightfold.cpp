// The eight-symmetry count of the whole board: the starts, the tasks and the search below a task.
#include "engine/eightfold.h"

namespace nq {
namespace {

struct Shape {
    int Last = 0;  // n - 1: the last row
    std::uint32_t Mask = 0, TopBit = 0;
};

Shape ShapeOf(int n) {
    return {n - 1, ~std::uint32_t{0} >> (32 - n), std::uint32_t{1} << (n - 1)};
}

// The columns row y (before the last) may take: those not attacked, less those that would make an image of
// the solution smaller than itself. 0 prunes the branch.
std::uint32_t OpenColumns(const Shape& shape, const EightfoldStart& s, int y, std::uint32_t left,
                          std::uint32_t down, std::uint32_t right) {
    std::uint32_t open = shape.Mask & ~(left | down | right);
    if (s.Corner) {
        // Below the second row's queen, column 2 would let the transposed image start smaller.
        if (y < s.Bound1) open &= ~std::uint32_t{2};
        return open;
    }
    if (y < s.Bound1) {
        open &= ~s.SideMask;  // the side columns: an image from that side would start smaller
    } else if (y == s.Bound2) {
        if ((down & s.SideMask) == 0) return 0;
        if ((down & s.SideMask) != s.SideMask) open &= s.SideMask;
    }
    return open;
}

class Search {
  public:
    Search(const Shape& shape, const EightfoldStart& start, const EightfoldTask& task, StopPoll& poll)
        : shape_(shape), start_(start), board_(task.Board), poll_(poll) {}

    void Descend(int y, std::uint32_t left, std::uint32_t down, std::uint32_t right) {
        if (y == shape_.Last) {
            Leaf(shape_.Mask & ~(left | down | right));
            return;
        }
        if (poll_.Tick(budget_)) return;
        std::uint32_t open = OpenColumns(shape_, start_, y, left, down, right);
        while (open != 0) {
            const std::uint32_t bit = open & (~open + 1);
            open ^= bit;
            board_[y] = bit;
            Descend(y + 1, (left | bit) << 1, down | bit, (right | bit) >> 1);
        }
    }

    EightfoldCounts Counts;

  private:
    void Leaf(std::uint32_t open) {
        if (open == 0) return;
        if (start_.Corner) {
            ++Counts.Class8;  // a queen in the corner: no symmetry maps the solution to itself
            return;
        }
        if ((open & start_.LastMask) != 0) return;
        board_[shape_.Last] = open;
        Classify();
    }

    // Compares the solution with its rotations by 90, 180 and 270 degrees; it is counted when none is
    // smaller, in the class of its orbit's size.
    void Classify() {
        const std::array<std::uint32_t, 32>& b = board_;
        const int last = shape_.Last;
        const std::uint32_t top = shape_.TopBit;
        if (b[start_.Bound2] == 1) {  // the 90-degree image may equal the solution
            int own = 1;
            for (std::uint32_t ptn = 2; own <= last; ++own, ptn <<= 1) {
                std::uint32_t bit = 1;
                for (int you = last; b[you] != ptn && b[own] >= bit; --you)
                    bit <<= 1;
                if (b[own] > bit) return;
                if (b[own] < bit) break;
            }
            if (own > last) {
                ++Counts.Class2;
                return;
            }
        }
        if (b[last] == start_.EndBit) {  // the 180-degree image
            int own = 1;
            for (int you = last - 1; own <= last; ++own, --you) {
                std::uint32_t bit = 1;
                for (std::uint32_t ptn = top; ptn != b[you] && b[own] >= bit; ptn >>= 1)
                    bit <<= 1;
                if (b[own] > bit) return;
                if (b[own] < bit) break;
            }
            if (own > last) {
                ++Counts.Class4;
                return;
            }
        }
        if (b[start_.Bound1] == top) {  // the 270-degree image
            int own = 1;
            for (std::uint32_t ptn = top >> 1; own <= last; ++own, ptn >>= 1) {
                std::uint32_t bit = 1;
                for (int you = 0; b[you] != ptn && b[own] >= bit; ++you)
                    bit <<= 1;
                if (b[own] > bit) return;
                if (b[own] < bit) break;
            }
        }
        ++Counts.Class8;
    }

    const Shape& shape_;
    const EightfoldStart& start_;
    std::array<std::uint32_t, 32> board_;
    StopPoll& poll_;
    unsigned budget_ = kPollEvery;
};

}  // namespace

EightfoldPlan MakeEightfoldPlan(int n, std::size_t enough) {
    EightfoldPlan plan;
    plan.N = n;
    const Shape shape = ShapeOf(n);
    std::vector<EightfoldTask>& tasks = plan.Tasks;
    // The corner starts: row 0's queen in column 1, row 1's in column Bound1 + 1.
    for (int bound1 = 2; bound1 < shape.Last; ++bound1) {
        const std::uint32_t bit = std::uint32_t{1} << bound1;
        EightfoldTask t{.Start = static_cast<int>(plan.Starts.size()),
                        .Row = 2,
                        .Left = (2 | bit) << 1,
                        .Down = 1 | bit,
                        .Right = bit >> 1};
        t.Board[0] = 1;
        t.Board[1] = bit;
        plan.Starts.push_back({.Corner = true, .Bound1 = bound1});
        tasks.push_back(t);
    }
    // The inside starts: row 0's queen in column Bound1 + 1 of the first half.
    std::uint32_t lastMask = shape.TopBit | 1, endBit = shape.TopBit >> 1;
    for (int bound1 = 1, bound2 = n - 2; bound1 < bound2; ++bound1, --bound2) {
        const std::uint32_t bit = std::uint32_t{1} << bound1;
        EightfoldTask t{.Start = static_cast<int>(plan.Starts.size()),
                        .Row = 1,
                        .Left = bit << 1,
                        .Down = bit,
                        .Right = bit >> 1};
        t.Board[0] = bit;
        plan.Starts.push_back({.Corner = false,
                               .Bound1 = bound1,
                               .Bound2 = bound2,
                               .SideMask = shape.TopBit | 1,
                               .LastMask = lastMask,
                               .EndBit = endBit});
        tasks.push_back(t);
        lastMask |= lastMask >> 1 | lastMask << 1;
        endBit >>= 1;
    }
    // One row deeper at a time, until there are enough tasks or none can be cut further.
    while (tasks.size() < enough) {
        std::vector<EightfoldTask> deeper;
        bool cut = false;
        for (const EightfoldTask& t : tasks) {
            if (t.Row >= shape.Last) {
                deeper.push_back(t);
                continue;
            }
            cut = true;
            std::uint32_t open = OpenColumns(shape, plan.Starts[t.Start], t.Row, t.Left, t.Down, t.Right);
            while (open != 0) {
                const std::uint32_t bit = open & (~open + 1);
                open ^= bit;
                EightfoldTask child = t;
                child.Board[t.Row] = bit;
                child.Row = t.Row + 1;
                child.Left = (t.Left | bit) << 1;
                child.Down = t.Down | bit;
                child.Right = (t.Right | bit) >> 1;
                deeper.push_back(child);
            }
        }
        tasks = std::move(deeper);
        if (!cut) break;
    }
    return plan;
}

EightfoldCounts CountEightfoldTask(const EightfoldPlan& plan, const EightfoldTask& task, StopPoll& poll) {
    const Shape shape = ShapeOf(plan.N);
    Search search(shape, plan.Starts[task.Start], task, poll);
    search.Descend(task.Row, task.Left, task.Down, task.Right);
    return search.Counts;
}

}  // namespace nq
