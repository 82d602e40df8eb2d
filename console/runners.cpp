// The four console commands over the engine and the parallel count: their output, the progress line of a
// count and its Ctrl+C.
#include "console/runners.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "console/problem.h"
#include "count/counting.h"
#include "engine/board.h"
#include "engine/duration.h"
#include "engine/search_tree.h"

namespace nq::console {
namespace {

// Set by the SIGINT handler while a count runs.
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    gInterrupted.store(true);
}

// Writes text to out; false when it cannot. A closed pipe is not an error worth a message.
class Output {
  public:
    explicit Output(std::FILE* out) : out_(out) {}
    bool Write(const std::string& text) {
        if (failed_) return false;
        if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) Fail();
        return !failed_;
    }
    // Flushes; returns the exit status: 0, or 1 after a write error other than a closed pipe.
    int Finish(std::FILE* err) {
        if (!failed_ && std::fflush(out_) != 0) Fail();
        if (!failed_ || errno_ == EPIPE) return 0;
        std::fprintf(err, "nqueens: cannot write the output: %s\n", std::strerror(errno_));
        return 1;
    }

  private:
    void Fail() {
        failed_ = true;
        errno_ = errno;
    }
    std::FILE* out_;
    bool failed_ = false;
    int errno_ = 0;
};

// Runs the window's search step over the problem and hands each solution, in the window's order, to
// onSolution(const Board&), which returns false to stop.
template <class OnSolution>
void ForEachSolution(const Problem& p, OnSolution&& onSolution) {
    Board b;
    const int n = p.N;
    SetUpBoard(b, p);
    for (;;) {
        if (b.SearchColumn == n + 1) {
            if (!onSolution(static_cast<const Board&>(b))) return;
            b.SearchColumn = n;  // as the run loop does after a solution
        }
        b.SearchStep();
        if (b.SearchFinished == 1) return;
    }
}

std::string SolutionLine(const Board& b) {
    std::string line;
    for (int c = 1; c <= b.BoardSize; ++c) {
        if (c > 1) line += ' ';
        line += std::to_string(b.QueenRow[c]);
    }
    line += '\n';
    return line;
}

// The progress line on a terminal's standard error: from the second second on, at most ten times a second,
// erased when the count ends.
class ProgressLine {
  public:
    ProgressLine(std::FILE* err, const CountProgress& progress) : err_(err), progress_(progress) {
        if (isatty(fileno(err)) == 1) thread_ = std::thread([this] { Run(); });
    }
    ~ProgressLine() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

  private:
    void Run() {
        const auto start = std::chrono::steady_clock::now();
        bool shown = false;
        std::unique_lock<std::mutex> lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return done_; })) {
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (elapsed < 1.0) continue;
            const std::size_t total = progress_.Total.load(std::memory_order_relaxed);
            const double share = total == 0
                                     ? 0.0
                                     : static_cast<double>(progress_.Done.load(std::memory_order_relaxed)) /
                                           static_cast<double>(total);
            const double solutions = static_cast<double>(progress_.Solutions.load(std::memory_order_relaxed));
            const std::string left =
                share > 0.0 ? "about " + FormatDuration(elapsed * (1.0 - share) / share, 0) + " left"
                            : "time left unknown";
            std::fprintf(err_, "\rcounting: %.1f%% done, %s elapsed, %s, %.3g solutions/s\033[K",
                         100.0 * share, FormatDuration(elapsed, 0).c_str(), left.c_str(),
                         solutions / elapsed);
            std::fflush(err_);
            shown = true;
        }
        if (shown) {
            std::fputs("\r\033[K", err_);
            std::fflush(err_);
        }
    }

    std::FILE* err_;
    const CountProgress& progress_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace

int RunCount(const Problem& p, bool unique, int jobs, std::FILE* out, std::FILE* err) {
    CountProgress progress;
    CountResult result;
    struct sigaction action = {}, previous = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous);
    {
        ProgressLine line(err, progress);
        result =
            CountSolutions({.Board = p, .Unique = unique, .Jobs = jobs, .Stop = &gInterrupted}, &progress);
    }
    sigaction(SIGINT, &previous, nullptr);
    if (result.Stopped) {
        gInterrupted = false;
        std::fprintf(err, "nqueens: interrupted: %llu solutions found so far, %.1f%% of the search done\n",
                     static_cast<unsigned long long>(result.Solutions), 100.0 * result.ShareDone);
        return 130;
    }
    Output output(out);
    output.Write(std::to_string(result.Solutions) + "\n");
    return output.Finish(err);
}

int RunList(const Problem& p, std::int64_t limit, std::FILE* out, std::FILE* err) {
    Output output(out);
    std::int64_t written = 0;
    if (limit > 0)
        ForEachSolution(p,
                        [&](const Board& b) { return output.Write(SolutionLine(b)) && ++written < limit; });
    return output.Finish(err);
}

int RunFirst(const Problem& p, std::FILE* out, std::FILE* err) {
    Output output(out);
    bool found = false;
    ForEachSolution(p, [&](const Board& b) {
        found = true;
        output.Write(SolutionLine(b));
        return false;
    });
    const int status = output.Finish(err);
    return found ? status : 1;
}

int RunSplit(const Problem& p, std::int64_t depth, std::FILE* out, std::FILE* err) {
    const SearchLayout layout = MakeLayout(p);
    Output output(out);
    const int d = static_cast<int>(std::min<std::int64_t>(depth, layout.Free));
    for (const Subproblem& s : MakeSubproblems(layout, d, false)) {
        std::vector<Queen> queens;
        for (int c = 1; c <= p.N; ++c) {
            if (s.Rows[c] != 0) queens.push_back({c, s.Rows[c]});
        }
        if (!output.Write(QueensText(queens) + "\n")) break;
    }
    return output.Finish(err);
}

}  // namespace nq::console
