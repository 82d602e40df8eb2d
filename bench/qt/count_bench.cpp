// SPDX-License-Identifier: GPL-3.0-or-later
// What counting all solutions costs in the window: the search step alone, the window's procedures on a
// headless platform, and the same procedures in the real window (offscreen), "stop at next solution" cleared.
// Also the longest time the real window went without processing its events during the run. The last line
// repeats n = 14 with the board window open beside the main window (board=1), which repaints from every
// mirror. The window_count lines count n = 16, 17 and 17 with a fixed queen in the real window on every core,
// against the console's count of the same problem on as many threads in the same run, with the board window
// closed and open; window_count_end times how long the workers take to stop.
#include <QApplication>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "count/background_count.h"
#include "count/counting.h"
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

template <class F>
double Best(F&& run) {
    double best = 1e300;
    for (int t = 0; t < kTrials; ++t) {
        const Clock::time_point start = Clock::now();
        run();
        best = std::min(best, Seconds(Clock::now() - start));
    }
    return best;
}

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
        const double engine = Best([&] { engineSolutions = EngineCount(n); });
        const double window = Best([&] { headlessSolutions = WindowCount(headlessForm, n); });
        const double real = Best([&] {
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

    // The whole problem through the real window with two workers, once each, against the console's count of
    // the same problem on two threads just before it.
    constexpr int kThreads = 2;
    auto windowCount = [&](int n, int fixedRow, int board) {
        nq::Problem problem{n, {}};
        if (fixedRow > 0) problem.Fixed.push_back({(n + 1) / 2, fixedRow});
        Clock::time_point start = Clock::now();
        const nq::CountResult console = nq::CountSolutions({.Board = problem, .Jobs = kThreads});
        const double consoleSeconds = Seconds(Clock::now() - start);
        qtForm.CountOnCores(kThreads);
        meter.Start();
        start = Clock::now();
        const std::int64_t solutions = WindowCount(qtForm, n, fixedRow);
        const double seconds = Seconds(Clock::now() - start);
        const double gap = Seconds(meter.MaxGap()) * 1e3;
        qtForm.CountOnCores(0);
        if (solutions != static_cast<std::int64_t>(console.Solutions)) {
            std::fprintf(stderr, "count_bench: n=%d fixed=%d: the window counts %lld, the console %llu\n", n,
                         fixedRow > 0 ? 1 : 0, static_cast<long long>(solutions),
                         static_cast<unsigned long long>(console.Solutions));
            std::exit(1);
        }
        std::printf(
            "window_count n=%d fixed=%d threads=%d seconds=%.3f ratio_to_console=%.3f max_pump_gap_ms=%.2f "
            "board=%d console_seconds=%.3f\n",
            n, fixedRow > 0 ? 1 : 0, kThreads, seconds, seconds / consoleSeconds, gap, board, consoleSeconds);
        std::fflush(stdout);
    };
    auto windowCounts = [&](int board) {
        windowCount(16, 0, board);
        windowCount(17, 0, board);
        windowCount(17, 3, board);
    };
    windowCounts(0);

    nq::BoardWindow board(qtForm, view);
    board.show();
    QApplication::processEvents();
    measure(14, 1);
    windowCounts(1);

    // How long the workers take to end their work when the search is gone (reset, test, quit): n = 20
    // counted until its first tasks are done, then ended.
    {
        nq::BackgroundCount count;
        count.Begin(nq::Problem{20, {}}, nq::HardwareThreads());
        // Until the plan is made and the first tasks are done: the workers are counting.
        for (int wait = 0; wait < 3000 && count.Share() <= 0.0; ++wait)
            QThread::msleep(10);
        Clock::time_point start = Clock::now();
        count.End();
        const double endMs = Seconds(Clock::now() - start) * 1e3;
        // At once after the start, while the plan is being made.
        count.Begin(nq::Problem{20, {}}, nq::HardwareThreads());
        start = Clock::now();
        count.End();
        std::printf("window_count_end n=20 threads=%d end_ms=%.3f end_at_start_ms=%.3f\n",
                    nq::HardwareThreads(), endMs, Seconds(Clock::now() - start) * 1e3);
    }
    return 0;
}
