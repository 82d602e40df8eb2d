// SPDX-License-Identifier: GPL-3.0-or-later
// What counting all solutions costs in the window: the search step alone, the window's procedures on a
// headless platform, and the same procedures in the real window (offscreen), "stop at next solution" cleared.
// Also the longest time the real window went without processing its events during the run. The count line
// for n = 14 comes again with the board window open beside the main window (board=1), which repaints from
// every mirror. The window_count lines count n = 18, 19 and 18 with a fixed queen in the real window on every
// core, against the console's count of the same problem on as many threads in the same run, with the board
// window closed and open, with the share of a core the window's thread took (stepping, mirroring, painting);
// with the board window open, what its status line shows is held against the workers' count: the
// solutions so far against their finished sum at each change of the line, the rate against the console's
// (its solutions over the time its workers counted), and the time left against the time that was really
// left (after the first 20 % of the run, before its last 10 %). window_prepare breaks a count of n = 23 in
// the window while its plan is being made; window_count_end times how long the workers take to stop, also
// while they make the plan. Every figure is the median of five runs: single runs on a shared machine vary by
// a quarter.
#include <time.h>

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "count/background_count.h"
#include "count/count_plan.h"
#include "count/counting.h"
#include "count/task_ledger.h"
#include "engine/board.h"
#include "pump_watch.h"
#include "qt/board_canvas.h"
#include "qt/board_window.h"
#include "qt/qt_platform.h"
#include "qt/qt_view.h"
#include "support/headless_platform.h"
#include "window/form1.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTrials = 5;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Passes everything to the Qt platform and times the gaps between pumps that really processed events.
class GapMeter final : public nq::Platform {
  public:
    // Needs the application's event dispatcher.
    explicit GapMeter(nq::QtPlatform& qt) : qt_(qt) {}
    int MessageBox(const std::string& t, const std::string& title, int s) override {
        return qt_.MessageBox(t, title, s);
    }
    void PumpEvents() override {
        const long long before = watch_.Passes();
        // The Qt platform looks at the clock, and so can pump, only on every kCallsPerClockRead-th call:
        // those alone are timed, which keeps the clock out of the other calls.
        const bool timed = ++calls_ % nq::QtPlatform::kCallsPerClockRead == 0;
        const Clock::time_point start = timed ? Clock::now() : Clock::time_point{};
        qt_.PumpEvents();
        if (watch_.Passes() != before) {
            Mark();
            if (timed) inPumps_ += last_ - start;
        }
    }
    // A wait runs events as they come: the window answers all the while, so no gap lies inside it.
    void WaitForEvents(int milliseconds) override {
        Mark();
        qt_.WaitForEvents(milliseconds);
        Mark();
    }
    std::int64_t Microseconds() const override { return qt_.Microseconds(); }
    [[noreturn]] void EndProcess() override { qt_.EndProcess(); }
    std::string Caption() const override { return qt_.Caption(); }

    void Start() {
        last_ = Clock::now();
        maxGap_ = Clock::duration::zero();
        inPumps_ = Clock::duration::zero();
    }
    void Mark() {
        const Clock::time_point now = Clock::now();
        maxGap_ = std::max(maxGap_, now - last_);
        last_ = now;
    }
    Clock::duration MaxGap() const { return maxGap_; }
    // Time spent inside pumps that processed events (mirrors and repaints included) since Start().
    Clock::duration InPumps() const { return inPumps_; }

  private:
    nq::QtPlatform& qt_;
    const PumpWatch watch_;
    Clock::time_point last_;
    Clock::duration maxGap_{};
    Clock::duration inPumps_{};
    long long calls_ = 0;
};

// The search step driven as the run loop drives it, counting solutions; no window.
std::int64_t EngineCount(int n) {
    nq::Board b;
    b.BoardSize = n;
    b.ClearOccupancy();
    for (int r = 1; r <= n; ++r)
        b.FreeRow(r);
    b.SearchColumn = 1;
    std::int64_t solutions = 0;
    while (b.SearchFinished == 0) {
        if (b.SearchColumn == n + 1) {
            ++solutions;
            b.SearchColumn = n;
        }
        b.SearchStep();
    }
    return solutions;
}

// Types n (and a fixed queen on `fixedRow` of the middle column, when > 0), tests, clears "stop at next
// solution" and starts: the click returns when the search has finished.
std::int64_t WindowCount(nq::Form1& form, int n, int fixedRow = 0) {
    form.Form_Load();
    form.Type(nq::ControlName::Text1, -1, std::to_string(n));
    if (fixedRow > 0) form.Type(nq::ControlName::Text7, (n + 1) / 2 - 1, std::to_string(fixedRow));
    form.Click(nq::ControlName::Command1);
    form.ToggleCheck();
    form.Click(nq::ControlName::Command2);
    if (form.Text2.Text != nq::kStateFinished) {
        std::fprintf(stderr, "count_bench: n=%d did not finish (%s)\n", n, form.Text2.Text.c_str());
        std::exit(1);
    }
    return std::stoll(form.Text3.Text);
}

// Processor seconds the calling thread has used.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The median time of kTrials runs.
template <class F>
double MedianTime(F&& run) {
    std::vector<double> times;
    for (int t = 0; t < kTrials; ++t) {
        const Clock::time_point start = Clock::now();
        run();
        times.push_back(Seconds(Clock::now() - start));
    }
    return Median(times);
}

// The console's count of a problem on `threads` threads: its solutions, its seconds (the plan's making
// included) and its rate as its progress line reckons it (solutions over the time the workers counted).
struct ConsoleCount {
    nq::WideCount Solutions = 0;
    double Seconds = 0, Rate = 0;
};

ConsoleCount CountInConsole(const nq::Problem& problem, int threads) {
    const Clock::time_point start = Clock::now();
    nq::CountPlanMaker maker(problem, false, {}, threads);
    maker.Make(nullptr);
    const std::unique_ptr<nq::CountPlan> plan = maker.Take();
    nq::TaskLedger ledger(plan->Size());
    const Clock::time_point counting = Clock::now();
    const nq::CountResult result = nq::CountTasks(*plan, ledger, {.Jobs = threads});
    const Clock::time_point end = Clock::now();
    return {result.Solutions, Seconds(end - start),
            static_cast<double>(result.Solutions) / Seconds(end - counting)};
}

// A number as the status line writes it (the C locale's plain digits, or grouped), times a word's scale.
double NumberIn(const QString& digits, const QString& word) {
    QString plain = digits;
    plain.remove(QLatin1Char(','));
    const double scale = word == QLatin1String("million")    ? 1e6
                         : word == QLatin1String("billion")  ? 1e9
                         : word == QLatin1String("trillion") ? 1e12
                                                             : 1.0;
    return plain.toDouble() * scale;
}

// Seconds of a duration as FormatDuration writes it ("8.1 s", "2 min 36 s", "1 h 05 min").
double SecondsIn(const QString& duration) {
    static const QRegularExpression part(QStringLiteral("([\\d,.]+) (h|min|s)\\b"));
    double seconds = 0;
    for (const QRegularExpressionMatch& m : part.globalMatch(duration)) {
        const double unit = m.captured(2) == QLatin1String("h")     ? 3600
                            : m.captured(2) == QLatin1String("min") ? 60
                                                                    : 1;
        seconds += NumberIn(m.captured(1), {}) * unit;
    }
    return seconds;
}

// What the board window's status line said while the workers counted, read at each change of the line.
class StatusWatch {
  public:
    struct Sample {
        double At = 0;                  // seconds since Start
        double Shown = 0, Counted = 0;  // solutions so far: on the line, and the workers' finished sum then
        double Rate = -1, Left = -1;    // per second and seconds, -1 where the line has none
    };

    StatusWatch(const nq::QtView& view, const QLabel& status) : status_(status) {
        // After the board window's own refresh, which connected first.
        QObject::connect(&view, &nq::QtView::Mirrored, [this] { Look(); });
    }
    void Start(const nq::BackgroundCount* count) {
        count_ = count;
        start_ = Clock::now();
        samples_.clear();
        last_.clear();
    }
    // The worst relative error of the solutions so far; the median rate and the worst error of the time
    // left after the first 20 % of a run of `total` seconds and before its last 10 %.
    double WorstSolutionsError() const {
        double worst = 0;
        for (const Sample& s : samples_) {
            if (s.Counted > 0) worst = std::max(worst, std::abs(s.Shown - s.Counted) / s.Counted);
        }
        return worst;
    }
    double MedianRate(double total) const {
        std::vector<double> rates;
        for (const Sample& s : samples_) {
            if (s.At >= 0.2 * total && s.Rate >= 0) rates.push_back(s.Rate);
        }
        return Median(rates);
    }
    double WorstLeftError(double total) const {
        double worst = 0;
        for (const Sample& s : samples_) {
            const double truth = total - s.At;
            if (s.At < 0.2 * total || truth < 0.1 * total) continue;
            worst = std::max(worst, s.Left < 0 ? 1.0 : std::abs(s.Left - truth) / truth);
        }
        return worst;
    }

  private:
    void Look() {
        const QString text = status_.text();
        if (count_ == nullptr || text == last_) return;
        last_ = text;
        static const QRegularExpression so(QStringLiteral("([\\d,]+) solutions? so far"));
        static const QRegularExpression rate(
            QStringLiteral("([\\d,.]+) ?(million|billion|trillion)? a second"));
        static const QRegularExpression left(QStringLiteral("about (.+) left"));
        const QRegularExpressionMatch m = so.match(text);
        if (!m.hasMatch()) return;
        Sample s;
        s.At = Seconds(Clock::now() - start_);
        s.Counted = static_cast<double>(count_->SolutionsSoFar());
        s.Shown = NumberIn(m.captured(1), {});
        if (const QRegularExpressionMatch r = rate.match(text); r.hasMatch())
            s.Rate = NumberIn(r.captured(1), r.captured(2));
        if (const QRegularExpressionMatch l = left.match(text); l.hasMatch())
            s.Left = SecondsIn(l.captured(1));
        samples_.push_back(s);
    }

    const QLabel& status_;
    const nq::BackgroundCount* count_ = nullptr;
    Clock::time_point start_;
    QString last_;
    std::vector<Sample> samples_;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // The board window remembers its state: in a test location, not in the user's settings.
    QStandardPaths::setTestModeEnabled(true);

    nq::testing::HeadlessPlatform headless;
    nq::Form1 headlessForm(headless);

    nq::QtPlatform qt;
    GapMeter meter(qt);
    nq::Form1 qtForm(meter);
    nq::QtView view(qtForm, qt);
    qtForm.Form_Load();
    view.show();
    QApplication::processEvents();

    auto measure = [&](int n, int board) {
        std::int64_t engineSolutions = 0, headlessSolutions = 0, qtSolutions = 0;
        double qtGap = 0, inPumps = 0, qtTotal = 0;
        const double engine = MedianTime([&] { engineSolutions = EngineCount(n); });
        const double window = MedianTime([&] { headlessSolutions = WindowCount(headlessForm, n); });
        const double real = MedianTime([&] {
            const Clock::time_point start = Clock::now();
            meter.Start();
            qtSolutions = WindowCount(qtForm, n);
            qtGap = std::max(qtGap, Seconds(meter.MaxGap()) * 1e3);
            inPumps += Seconds(meter.InPumps());
            qtTotal += Seconds(Clock::now() - start);
        });
        if (engineSolutions != headlessSolutions || engineSolutions != qtSolutions) {
            std::fprintf(stderr, "count_bench: counts differ for n=%d\n", n);
            std::exit(1);
        }
        std::printf(
            "count n=%d solutions=%lld engine_s=%.4f headless_window_s=%.4f qt_window_s=%.4f board=%d "
            "ratio_qt_to_engine=%.3f max_pump_gap_ms=%.2f pump_share=%.3f\n",
            n, static_cast<long long>(engineSolutions), engine, window, real, board, real / engine, qtGap,
            inPumps / qtTotal);
        std::fflush(stdout);
    };
    for (int n : {12, 13, 14})
        measure(n, 0);

    // The whole problem through the real window with two workers, against the console's count of the same
    // problem on two threads just before it; with the board window open, what its status line said.
    constexpr int kThreads = 2;
    std::unique_ptr<StatusWatch> watch;
    auto windowCount = [&](int n, int fixedRow, int board) {
        nq::Problem problem{n, {}};
        if (fixedRow > 0) problem.Fixed.push_back({(n + 1) / 2, fixedRow});
        std::vector<double> seconds, ratios, gaps, consoleSeconds, windowThread, solutionsErrors, rateRatios,
            leftErrors;
        for (int t = 0; t < kTrials; ++t) {
            const ConsoleCount console = CountInConsole(problem, kThreads);
            auto owned = std::make_unique<nq::BackgroundCount>();
            const nq::BackgroundCount* count = owned.get();
            qtForm.CountOnCores(kThreads, std::move(owned));
            if (watch) watch->Start(count);
            meter.Start();
            const Clock::time_point start = Clock::now();
            const double threadBefore = ThreadSeconds();
            const std::int64_t solutions = WindowCount(qtForm, n, fixedRow);
            const double window = Seconds(Clock::now() - start);
            windowThread.push_back((ThreadSeconds() - threadBefore) / window);
            gaps.push_back(Seconds(meter.MaxGap()) * 1e3);
            qtForm.CountOnCores(0);
            if (solutions != static_cast<std::int64_t>(console.Solutions)) {
                std::fprintf(stderr, "count_bench: n=%d fixed=%d: the window counts %lld, the console %llu\n",
                             n, fixedRow > 0 ? 1 : 0, static_cast<long long>(solutions),
                             static_cast<unsigned long long>(console.Solutions));
                std::exit(1);
            }
            seconds.push_back(window);
            consoleSeconds.push_back(console.Seconds);
            ratios.push_back(window / console.Seconds);
            if (watch) {
                solutionsErrors.push_back(watch->WorstSolutionsError());
                rateRatios.push_back(watch->MedianRate(window) / console.Rate);
                leftErrors.push_back(watch->WorstLeftError(window));
            }
        }
        std::printf(
            "window_count n=%d fixed=%d threads=%d seconds=%.3f ratio_to_console=%.3f max_pump_gap_ms=%.2f "
            "board=%d console_seconds=%.3f window_thread_cpu_share=%.3f",
            n, fixedRow > 0 ? 1 : 0, kThreads, Median(seconds), Median(ratios), Median(gaps), board,
            Median(consoleSeconds), Median(windowThread));
        if (watch)
            std::printf(
                " status_solutions_worst_error=%.4f status_rate_to_console=%.3f "
                "status_time_left_worst_error_after_20pct=%.3f",
                Median(solutionsErrors), Median(rateRatios), Median(leftErrors));
        std::printf("\n");
        std::fflush(stdout);
    };
    auto windowCounts = [&](int board) {
        windowCount(18, 0, board);
        windowCount(19, 0, board);
        windowCount(18, 3, board);
    };
    windowCounts(0);

    nq::BoardWindow board(qtForm, view);
    board.show();
    QApplication::processEvents();
    measure(14, 1);
    watch = std::make_unique<StatusWatch>(view, *board.StatusLine());
    windowCounts(1);

    // A break while the workers make the plan of n = 23 (some seconds): from the click to the end of the run,
    // the workers stopped.
    {
        std::vector<double> breaks;
        int preparing = 0;
        for (int t = 0; t < kTrials; ++t) {
            auto owned = std::make_unique<nq::BackgroundCount>();
            const nq::BackgroundCount* count = owned.get();
            qtForm.CountOnCores(kThreads, std::move(owned));
            Clock::time_point clicked;
            QTimer::singleShot(1500, [&] {
                const std::optional<nq::BackgroundProgress> progress = count->Progress();
                preparing += progress && progress->Preparing ? 1 : 0;
                clicked = Clock::now();
                qtForm.Click(nq::ControlName::Command3);
            });
            qtForm.Form_Load();
            qtForm.Type(nq::ControlName::Text1, -1, "23");
            qtForm.Click(nq::ControlName::Command1);
            qtForm.ToggleCheck();
            qtForm.Click(nq::ControlName::Command2);
            breaks.push_back(Seconds(Clock::now() - clicked) * 1e3);
            if (qtForm.Text2.Text != nq::kStateInterrupted || count->Counting()) {
                std::fprintf(stderr, "count_bench: the break during the plan did not stop the count\n");
                std::exit(1);
            }
            qtForm.CountOnCores(0);
        }
        std::printf("window_prepare n=23 threads=%d break_ms=%.2f breaks_while_preparing=%d/%d\n", kThreads,
                    Median(breaks), preparing, kTrials);
        std::fflush(stdout);
    }

    // How long the workers take to end their work when the search is gone (reset, test, quit): n = 20
    // counted until its first tasks are done, then ended; n = 23 while its plan is half made.
    {
        std::vector<double> counting, atStart, preparing;
        for (int t = 0; t < kTrials; ++t) {
            nq::BackgroundCount count;
            count.Begin(nq::Problem{20, {}}, nq::HardwareThreads());
            // Until the plan is made and the first tasks are done: the workers are counting.
            for (int wait = 0; wait < 3000 && count.Share() <= 0.0; ++wait)
                QThread::msleep(10);
            Clock::time_point start = Clock::now();
            count.End();
            counting.push_back(Seconds(Clock::now() - start) * 1e3);
            // At once after the start, while the plan is being made.
            count.Begin(nq::Problem{20, {}}, nq::HardwareThreads());
            start = Clock::now();
            count.End();
            atStart.push_back(Seconds(Clock::now() - start) * 1e3);
            count.Begin(nq::Problem{23, {}}, nq::HardwareThreads());
            for (int wait = 0; wait < 3000 && count.PreparedShare() < 0.3; ++wait)
                QThread::msleep(10);
            start = Clock::now();
            count.End();
            preparing.push_back(Seconds(Clock::now() - start) * 1e3);
        }
        std::printf(
            "window_count_end n=20 threads=%d end_ms=%.3f end_at_start_ms=%.3f "
            "n23_end_while_preparing_ms=%.3f\n",
            nq::HardwareThreads(), Median(counting), Median(atStart), Median(preparing));
    }
    return 0;
}
