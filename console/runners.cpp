// SPDX-License-Identifier: GPL-3.0-or-later
// The four console commands over the engine and the parallel count: their output, the progress line of a
// count and its Ctrl+C.
#include "console/runners.h"

#include <langinfo.h>
#include <locale.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "console/output.h"
#include "count/count_plan.h"
#include "count/counting.h"
#include "count/saved_count.h"
#include "count/wide_count.h"
#include "count/work_estimate.h"
#include "engine/board.h"
#include "engine/duration.h"
#include "engine/number_text.h"
#include "engine/search_tree.h"

namespace nq::console {
namespace {

// Set by the handler of SIGINT, SIGTERM and SIGHUP while a count runs: the count stops, saves and ends as
// for Ctrl+C, with status 128 + the signal.
std::atomic<bool> gInterrupted{false};
std::atomic<int> gSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

extern "C" void OnInterrupt(int signal) {
    gSignal.store(signal);
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
// when it ends. text(elapsed, width) gives the line.
class ProgressLine {
  public:
    using Text = std::function<std::string(double elapsed, int width)>;
    ProgressLine(std::FILE* err, Text text) : err_(err), text_(std::move(text)) {
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
            std::fputs("\r", err_);
            std::fputs(text_(elapsed, TerminalWidth()).c_str(), err_);
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
    Text text_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

// Numbers as the C locale writes them: the messages a count ends with.
const NumberFormat kPlainNumbers{"", ".", ""};

// How the user's locale (LC_ALL, LC_NUMERIC, LANG) writes numbers, for the progress line; ungrouped where it
// names none or one that is not installed. The process's C locale stays as it is: nothing else printed
// changes.
NumberFormat EnvironmentNumbers() {
    NumberFormat format = kPlainNumbers;
    const locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return format;
    const std::string point = nl_langinfo_l(RADIXCHAR, locale);
    if (!point.empty()) format.Point = point;
    format.Separator = nl_langinfo_l(THOUSEP, locale);
    format.Grouping = nl_langinfo_l(GROUPING, locale);
    freelocale(locale);
    return format;
}

// Stops a count on Ctrl+C, SIGTERM (a kill, a cluster's time limit) and SIGHUP (a closed terminal) while it
// lives.
class InterruptGuard {
  public:
    InterruptGuard() {
        struct sigaction action = {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &action, &previous_[i]);
    }
    ~InterruptGuard() {
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &previous_[i], nullptr);
        gInterrupted = false;
        gSignal = 0;
    }

  private:
    static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> previous_ = {};
};

// What the message of a count stopped by `signal` calls the stop.
const char* StopWord(int signal) {
    if (signal == SIGTERM) return "terminated";
    if (signal == SIGHUP) return "hung up";
    return "interrupted";
}

// What a count prints once its plan is made, or when stopped before; the interrupt guard is the caller's.
int Interrupted(int signal) {
    return 128 + (signal != 0 ? signal : SIGINT);
}

// A share of 0..1 as a percentage with `decimals` decimals, in plain digits: "7.6%".
std::string Percent(double share, int decimals) {
    return FixedText(100.0 * share, decimals, kPlainNumbers) + "%";
}

// What the finished tasks of an interrupted count add up to, in words that say what they count.
std::string SoFar(WideCount sum, TaskCounts counts) {
    switch (counts) {
        case TaskCounts::Solutions: break;
        case TaskCounts::Classes:
            return DecimalText(sum) + " classes up to rotation and reflection found so far";
        case TaskCounts::SolutionsOfClasses:
            return DecimalText(sum) +
                   " solutions found so far (their classes up to rotation and reflection "
                   "are known only at the end)";
    }
    return DecimalText(sum) + " solutions found so far";
}

int PrintTotal(WideCount total, std::FILE* out, std::FILE* err) {
    Output output(out);
    output.Write(DecimalText(total) + "\n");
    return output.Finish(err);
}

int CountWithGuard(const Problem& p, bool unique, int jobs, const std::string& savePath,
                   const PlanOptions& options, std::FILE* out, std::FILE* err) {
    CountPlanMaker maker(p, unique, options, jobs);
    // A save file is refused, or its finished count printed, before any work.
    SaveSession session;
    if (!savePath.empty()) {
        if (const std::string refusal = session.Open(savePath, ProblemLine(p, unique), maker.Version());
            !refusal.empty()) {
            SayLine(err, refusal);
            return 2;
        }
        if (const std::optional<WideCount> sum = session.FinishedSum()) {
            if (const std::optional<WideCount> total = maker.TotalOf(*sum, session.Kept(), &gInterrupted))
                return PrintTotal(*total, out, err);
            SayLine(err, std::string(StopWord(gSignal.load())) + ": the count is complete in " + savePath +
                             "; run the same command to print it");
            return Interrupted(gSignal.load());
        }
    }
    bool made = false;
    try {
        ProgressLine line(err, [&maker](double elapsed, int width) {
            const std::string text = "preparing the count: " + Percent(maker.Share(), 0) + ", " +
                                     FormatDuration(elapsed, 0) + " elapsed";
            return CutToWidth(text, width);
        });
        made = maker.Make(&gInterrupted);
    } catch (const std::runtime_error& e) {  // no memory for the method asked for, or for any
        SayLine(err, e.what());
        return 2;
    } catch (const std::exception& e) {
        SayLine(err, CountFailure(e) + " while the count was being prepared; nothing counted yet");
        return 1;
    }
    if (!made) {
        const std::string keeps = savePath.empty()  ? ""
                                  : session.Fresh() ? "; " + savePath + " not written yet"
                                                    : "; " + savePath + " keeps what it held";
        SayLine(err, std::string(StopWord(gSignal.load())) + " while the count was being prepared (" +
                         Percent(maker.Share(), 0) + " of that done); nothing counted yet" + keeps);
        return Interrupted(gSignal.load());
    }
    const std::unique_ptr<CountPlan> plan = maker.Take();
    TaskLedger ledger(plan->Size());
    CountResult result;
    SavedCountOutcome saved;
    int signal = 0;
    {
        WorkEstimate estimate(ledger.Size());
        const NumberFormat numbers = EnvironmentNumbers();
        ProgressLine line(err, [&](double elapsed, int width) {
            return ProgressText(ReadCountFigures(estimate, ledger, elapsed), elapsed, width, numbers,
                                plan->Counts());
        });
        const TaskRun run{.Jobs = jobs, .Stop = &gInterrupted};
        if (savePath.empty()) {
            result = CountTasks(*plan, ledger, run);
        } else {
            saved = session.Count(*plan, ledger, run);
            result = saved.Count;
        }
        signal = gSignal.load();
    }
    using Status = SavedCountOutcome::Status;
    if (!savePath.empty() && saved.Outcome == Status::Refused) {
        SayLine(err, saved.Message);
        return 2;
    }
    const bool saveFailed = !savePath.empty() && saved.Outcome == Status::SaveFailed;
    if (result.Stopped) {
        WorkEstimate estimate(ledger.Size());
        estimate.Update(ledger);
        const std::string saving = savePath.empty() ? ""
                                   : saveFailed     ? "; not saved: " + saved.Message
                                                    : "; saved; run the same command to go on";
        // A failure (no memory) stops the count as a signal does, with status 1.
        const std::string why = result.Failure.empty() ? StopWord(signal) : result.Failure;
        SayLine(err, why + ": " + SoFar(result.Solutions, plan->Counts()) + ", " +
                         Percent(estimate.Share(), 1) + " of the search done" + saving);
        if (saveFailed || !result.Failure.empty()) return 1;
        return Interrupted(signal);
    }
    // The count is complete: its number is printed whatever became of the last save.
    const int status = PrintTotal(result.Solutions, out, err);
    if (!saveFailed) return status;
    SayLine(err, "the count is complete, but " + saved.Message);
    return 1;
}

}  // namespace

std::string ProgressText(const CountFigures& figures, double elapsed, int width, const NumberFormat& numbers,
                         TaskCounts counts) {
    const std::string unknown = "\u2014";
    std::string share = figures.Known ? FixedText(100.0 * figures.Share, 1, numbers) + "%" : unknown;
    share += " done";
    const std::string spent = FormatDuration(elapsed, 0, numbers) + " elapsed";
    std::string left = "time left " + unknown;
    if (figures.SecondsLeft >= 0.0)
        left = "about " + FormatDuration(figures.SecondsLeft, 0, numbers) + " left";
    // A unique count by quadrants finds classes at the end: its rate is an eighth of its solutions', which
    // leaves out only the few a symmetry keeps (nine in a million at n = 19).
    const double perClass = counts == TaskCounts::SolutionsOfClasses ? 8.0 : 1.0;
    std::string rate = figures.Rate >= 0.0 ? RateText(figures.Rate / perClass, numbers) : unknown;
    rate += counts == TaskCounts::Solutions ? " solutions/s" : " classes/s";
    // Longest first, then with the parts of least use dropped one by one: the rate, the time elapsed, the
    // label, the share done. The time left goes last, cut to the width.
    const std::string texts[] = {
        "counting: " + share + ", " + spent + ", " + left + ", " + rate,
        "counting: " + share + ", " + spent + ", " + left,
        "counting: " + share + ", " + left,
        share + ", " + left,
    };
    for (const std::string& text : texts) {
        if (CutToWidth(text, width) == text) return text;
    }
    return CutToWidth(left, width);
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

int RunCount(const Problem& p, bool unique, int jobs, const std::string& savePath, const PlanOptions& options,
             std::FILE* out, std::FILE* err) {
    InterruptGuard guard;
    return CountWithGuard(p, unique, jobs, savePath, options, out, err);
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
    for (const Subproblem& s : MakeSubproblems(layout, d)) {
        std::vector<Queen> queens;
        for (int c = 1; c <= p.N; ++c) {
            if (s.Rows[c] != 0) queens.push_back({c, s.Rows[c]});
        }
        if (!output.Write(QueensText(queens) + "\n")) break;
    }
    return output.Finish(err);
}

}  // namespace nq::console
