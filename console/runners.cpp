// SPDX-License-Identifier: GPL-3.0-or-later
// The four console commands over the engine and the parallel count: their output, the progress line of a
// count and its Ctrl+C.
#include "console/runners.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "console/output.h"
#include "count/count_plan.h"
#include "count/counting.h"
#include "count/saved_count.h"
#include "count/work_estimate.h"
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
            b.GoOnFromSolution();
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
// cut to the terminal's width (read again at every update, so a resized terminal is followed) and erased
// when the count ends. The share and the time left weight the tasks by the estimate of their sizes.
class ProgressLine {
  public:
    ProgressLine(std::FILE* err, const TaskLedger& ledger)
        : err_(err), ledger_(ledger), estimate_(ledger.Size()) {
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
            estimate_.Update(ledger_);
            const std::string text = ProgressText(estimate_, ledger_, elapsed);
            std::fputs("\r", err_);
            std::fputs(CutToWidth(text, TerminalWidth()).c_str(), err_);
            std::fputs("\033[K", err_);
            std::fflush(err_);
            shown = true;
        }
        if (shown) {
            std::fputs("\r\033[K", err_);
            std::fflush(err_);
        }
    }

    int TerminalWidth() const {
        winsize size = {};
        if (ioctl(fileno(err_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
        return 80;
    }

    std::FILE* err_;
    const TaskLedger& ledger_;
    WorkEstimate estimate_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

// Stops a count on Ctrl+C while it lives.
class InterruptGuard {
  public:
    InterruptGuard() {
        action_.sa_handler = OnInterrupt;
        sigemptyset(&action_.sa_mask);
        sigaction(SIGINT, &action_, &previous_);
    }
    ~InterruptGuard() {
        sigaction(SIGINT, &previous_, nullptr);
        gInterrupted = false;
    }

  private:
    struct sigaction action_ = {}, previous_ = {};
};

}  // namespace

std::string ProgressText(const WorkEstimate& estimate, const TaskLedger& ledger, double elapsed) {
    std::string text = "counting: ";
    const bool known = estimate.Known();
    char figure[64];
    std::snprintf(figure, sizeof figure, "%.1f%%", 100.0 * estimate.Share());
    text += known ? figure : "\u2014";
    text += " done, " + FormatDuration(elapsed, 0) + " elapsed, ";
    const double left = SecondsLeft(estimate, ledger, elapsed);
    text += left >= 0.0 ? "about " + FormatDuration(left, 0) + " left" : "time left \u2014";
    if (ledger.RunFinished() > 0) {
        std::snprintf(figure, sizeof figure, "%.3g", static_cast<double>(ledger.RunSolutions()) / elapsed);
        text += std::string(", ") + figure + " solutions/s";
    } else {
        text += ", \u2014 solutions/s";
    }
    return text;
}

std::string CutToWidth(const std::string& text, int width) {
    // One column short of the width: a line that fills the last column wraps on some terminals.
    const int columns = std::max(width - 1, 0);
    int used = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        // Each character starts with a byte that is not a UTF-8 continuation byte.
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && used++ == columns)
            return text.substr(0, at);
    }
    return text;
}

int RunCount(const Problem& p, bool unique, int jobs, const std::string& savePath, std::FILE* out,
             std::FILE* err) {
    const CountPlan plan(p, unique);
    TaskLedger ledger(plan.Size());
    CountResult result;
    double share = 1.0;
    SavedCountOutcome saved;
    {
        InterruptGuard guard;
        ProgressLine line(err, ledger);
        const TaskRun run{.Jobs = jobs, .Stop = &gInterrupted};
        if (savePath.empty()) {
            result = CountTasks(plan, ledger, run);
        } else {
            saved = CountWithSaveFile(plan, ledger, run, savePath);
            result = saved.Count;
        }
    }
    WorkEstimate estimate(ledger.Size());
    estimate.Update(ledger);
    share = estimate.Share();
    using Status = SavedCountOutcome::Status;
    if (!savePath.empty() && saved.Outcome == Status::Refused) {
        std::fprintf(err, "nqueens: %s\n", saved.Message.c_str());
        return 2;
    }
    if (!savePath.empty() && saved.Outcome == Status::SaveFailed) {
        std::fprintf(err, "nqueens: %s\n", saved.Message.c_str());
        return 1;
    }
    if (result.Stopped) {
        std::fprintf(err, "nqueens: interrupted: %llu solutions found so far, %.1f%% of the search done%s\n",
                     static_cast<unsigned long long>(result.Solutions), 100.0 * share,
                     savePath.empty() ? "" : "; saved; run the same command to go on");
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
