// The command line through CLI11, and the four console commands over the engine and the parallel count.
#include "console/command_line.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "console/counting.h"
#include "console/problem.h"
#include "console/search_tree.h"
#include "engine/board.h"

namespace nq::console {
namespace {

constexpr std::int64_t kMaxJobs = 1024;

// Set by the SIGINT handler while a count runs.
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    gInterrupted.store(true);
}

// A usage error: one line on err, status 2.
int UsageError(std::FILE* err, const std::string& message) {
    std::fprintf(err, "nqueens: %s\n", message.c_str());
    return 2;
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
    b.BoardSize = n;
    b.ClearOccupancy();
    for (int r = 1; r <= n; ++r)
        b.FreeRow(r);
    for (const Queen& q : p.Fixed) {
        b.FixedColumn[q.Column] = 1;
        b.Mark(q.Column, q.Row);
    }
    b.SearchColumn = 1;
    while (b.SearchColumn <= n && b.FixedColumn[b.SearchColumn] == 1)
        ++b.SearchColumn;
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

std::string Duration(double seconds) {
    const auto s = static_cast<long long>(seconds + 0.5);
    char text[48];
    if (s < 60)
        std::snprintf(text, sizeof text, "%lld s", s);
    else if (s < 3600)
        std::snprintf(text, sizeof text, "%lld min %02lld s", s / 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld h %02lld min", s / 3600, s / 60 % 60);
    return text;
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
            const std::string left = share > 0.0
                                         ? "about " + Duration(elapsed * (1.0 - share) / share) + " left"
                                         : "time left unknown";
            std::fprintf(err_, "\rcounting: %.1f%% done, %s elapsed, %s, %.3g solutions/s\033[K",
                         100.0 * share, Duration(elapsed).c_str(), left.c_str(), solutions / elapsed);
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

// The message of a parse error, on one line.
std::string OneLine(std::string text) {
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    for (char& ch : text) {
        if (ch == '\n') ch = ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

}  // namespace

CommandLineOutcome RunCommandLine(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
                                  const char* version) {
    CLI::App app("Searches the solutions of the n-queens problem. Without a command: opens the window.",
                 "nqueens");
    app.set_version_flag("--version", version);
    app.require_subcommand(0, 1);
    bool board = false;
    app.add_flag("--board", board, "open the window with the board window beside it");

    std::string nText, fixedText, jobsText, limitText, depthText;
    bool unique = false;
    const auto addN = [&](CLI::App* command) {
        command->add_option("N", nText, "board size, 1..32")->required()->type_name("");
    };
    const auto addFixed = [&](CLI::App* command) {
        command
            ->add_option("--fixed", fixedText,
                         "fixed queens as column:row pairs, columns and rows 1..N: 3:5,6:1")
            ->type_name("QUEENS");
    };
    CLI::App* count = app.add_subcommand("count", "print the number of solutions that keep the fixed queens");
    addN(count);
    addFixed(count);
    count->add_option("--jobs", jobsText, "worker threads (default: all hardware threads)")->type_name("J");
    count->add_flag("--unique", unique, "count solutions up to rotation and reflection (not with --fixed)");
    CLI::App* list = app.add_subcommand("list", "print the solutions, one per line, in the window's order");
    addN(list);
    addFixed(list);
    list->add_option("--limit", limitText, "stop after K solutions")->type_name("K");
    CLI::App* first =
        app.add_subcommand("first", "print the first solution; exit status 1 when there is none");
    addN(first);
    addFixed(first);
    CLI::App* split = app.add_subcommand(
        "split",
        "print subproblems, one list of fixed queens per line, that share the solutions between them");
    addN(split);
    addFixed(split);
    split->add_option("--depth", depthText, "number of free columns placed, from the left")
        ->required()
        ->type_name("D");
    app.footer(
        "Examples:\n  nqueens count 14 --jobs 2\n  nqueens list 8 --fixed 3:5,6:1\n  nqueens first 32\n"
        "  nqueens split 16 --depth 2 > parts.txt");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help or --version
        std::ostringstream o, m;
        app.exit(e, o, m);
        std::fputs(o.str().c_str(), out);
        return {.ExitStatus = 0};
    } catch (const CLI::ParseError& e) {
        return {.ExitStatus = UsageError(err, OneLine(e.what()) + " (see nqueens --help)")};
    }

    if (app.get_subcommands().empty()) return {.OpenWindow = true, .BoardWindow = board};
    if (board) return {.ExitStatus = UsageError(err, "--board opens the window and takes no command")};

    // A closed pipe shows as a failed write (EPIPE), which ends the output quietly, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    const ProblemOrError problem = ReadProblem(nText, fixedText);
    if (!problem.Error.empty()) return {.ExitStatus = UsageError(err, problem.Error)};
    const Problem& p = problem.Value;

    if (count->parsed()) {
        if (unique && count->count("--fixed") > 0)
            return {
                .ExitStatus = UsageError(
                    err, "--unique counts whole boards up to rotation and reflection; it refuses --fixed")};
        std::int64_t jobs = std::max(1u, std::thread::hardware_concurrency());
        if (count->count("--jobs") > 0) {
            jobs = ReadWholeNumber(jobsText, 1, kMaxJobs);
            if (jobs < 0)
                return {.ExitStatus =
                            UsageError(err, "--jobs must be a whole number from 1 to " +
                                                std::to_string(kMaxJobs) + ", not '" + jobsText + "'")};
        }
        return {.ExitStatus = RunCount(p, unique, static_cast<int>(jobs), out, err)};
    }
    if (list->parsed()) {
        std::int64_t limit = INT64_MAX;
        if (list->count("--limit") > 0) {
            limit = ReadWholeNumber(limitText, 0, INT64_MAX);
            if (limit < 0)
                return {.ExitStatus = UsageError(
                            err, "--limit must be a whole number 0 or more, not '" + limitText + "'")};
        }
        return {.ExitStatus = RunList(p, limit, out, err)};
    }
    if (first->parsed()) return {.ExitStatus = RunFirst(p, out, err)};
    const std::int64_t depth = ReadWholeNumber(depthText, 0, INT64_MAX);
    if (depth < 0)
        return {.ExitStatus =
                    UsageError(err, "--depth must be a whole number 0 or more, not '" + depthText + "'")};
    return {.ExitStatus = RunSplit(p, depth, out, err)};
}

}  // namespace nq::console
