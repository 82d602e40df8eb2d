// SPDX-License-Identifier: GPL-3.0-or-later
// The view's cost: a million writes of the solution number through the control model, with an event pump
// every 100 writes, in the real window (offscreen) against a headless platform; counts the repaints of the
// number's box. The headline ratio compares the best thread CPU times of 21 alternating trials: on a shared
// machine the wall time of a 20 ms loop mostly measures the neighbours. Wall-time figures are printed beside
// it.
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <string>
#include <vector>

#include "pump_watch.h"
#include "qt/qt_platform.h"
#include "qt/qt_view.h"
#include "support/headless_platform.h"
#include "window/form1.h"

namespace {

constexpr int kWrites = 1'000'000;
constexpr int kWritesPerPump = 100;
constexpr int kTrials = 21;

class PaintCounter : public QObject {
  public:
    long long paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Timing {
    double Wall = 0;  // seconds
    double Cpu = 0;   // seconds this thread ran
};

// The loop a run makes on the solution number.
[[gnu::noinline]] Timing WriteLoop(nq::Form1& form, nq::Platform& platform) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuSeconds();
    for (int i = 0; i < kWrites; ++i) {
        form.Text3.Text = nq::Decimal(i);
        if ((i + 1) % kWritesPerPump == 0) platform.PumpEvents();
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            ThreadCpuSeconds() - cpuStart};
}

// One long run of writes, for the repaint rate a run keeps up: returns its wall seconds.
double SustainedRun(nq::Form1& form, nq::Platform& platform, double seconds) {
    const auto start = std::chrono::steady_clock::now();
    double elapsed = 0;
    for (int round = 0; elapsed < seconds; ++round) {
        for (int i = 0; i < kWrites; ++i) {
            form.Text3.Text = nq::Decimal(static_cast<std::int64_t>(round) * kWrites + i);
            if ((i + 1) % kWritesPerPump == 0) platform.PumpEvents();
        }
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return elapsed;
}

// Lets the event loop wait once, so that the idle window mirrors the model and repaints.
void LetTheLoopWait() {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

double Best(const std::vector<Timing>& runs, double Timing::*field) {
    double best = runs.front().*field;
    for (const Timing& t : runs)
        best = std::min(best, t.*field);
    return best;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    nq::QtPlatform qtPlatform;
    nq::Form1 windowForm(qtPlatform);
    nq::QtView view(windowForm, qtPlatform);
    windowForm.Form_Load();
    view.show();
    LetTheLoopWait();
    PaintCounter counter;
    view.Control(nq::ControlName::Text3)->installEventFilter(&counter);
    const PumpWatch watch(&view);

    nq::testing::HeadlessPlatform headless;
    nq::Form1 headlessForm(headless);
    headlessForm.Form_Load();

    std::vector<Timing> windowRuns;
    std::vector<Timing> headlessRuns;
    std::vector<long long> repaints;
    long long mirrors = 0;
    long long realPumps = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        headlessRuns.push_back(WriteLoop(headlessForm, headless));
        const long long paintsBefore = counter.paints;
        const long long mirrorsBefore = watch.Mirrors();
        const long long pumpsBefore = watch.Passes();
        windowRuns.push_back(WriteLoop(windowForm, qtPlatform));
        repaints.push_back(counter.paints - paintsBefore);
        mirrors += watch.Mirrors() - mirrorsBefore;
        realPumps += watch.Passes() - pumpsBefore;
        LetTheLoopWait();  // outside the measured loop
    }

    const long long paintsBeforeSustained = counter.paints;
    const double sustainedSeconds = SustainedRun(windowForm, qtPlatform, 1.0);
    const long long sustainedRepaints = counter.paints - paintsBeforeSustained;

    const double windowSeconds = std::accumulate(windowRuns.begin(), windowRuns.end(), 0.0,
                                                 [](double sum, const Timing& t) { return sum + t.Wall; });
    const long long repaintTotal = std::accumulate(repaints.begin(), repaints.end(), 0LL);
    const long long repaintsMost = *std::max_element(repaints.begin(), repaints.end());
    std::vector<double> paired;  // wall-time ratio trial by trial
    for (int trial = 0; trial < kTrials; ++trial)
        paired.push_back(windowRuns[trial].Wall / headlessRuns[trial].Wall);
    std::sort(paired.begin(), paired.end());
    const double cpuRatio = Best(windowRuns, &Timing::Cpu) / Best(headlessRuns, &Timing::Cpu);

    std::printf("platform=%s writes=%d writes_per_pump=%d trials=%d\n",
                qPrintable(QGuiApplication::platformName()), kWrites, kWritesPerPump, kTrials);
    std::printf("headless_cpu_ms_best=%.2f window_cpu_ms_best=%.2f\n", Best(headlessRuns, &Timing::Cpu) * 1e3,
                Best(windowRuns, &Timing::Cpu) * 1e3);
    std::printf(
        "headless_wall_ms_best=%.2f window_wall_ms_best=%.2f wall_ratio_best=%.3f wall_ratio_median=%.3f\n",
        Best(headlessRuns, &Timing::Wall) * 1e3, Best(windowRuns, &Timing::Wall) * 1e3,
        Best(windowRuns, &Timing::Wall) / Best(headlessRuns, &Timing::Wall), paired[paired.size() / 2]);
    std::printf("window_real_pumps_per_run=%.1f window_mirrors_per_run=%.1f\n",
                static_cast<double>(realPumps) / kTrials, static_cast<double>(mirrors) / kTrials);
    std::printf("short_runs_repaints_total=%lld window_wall_s_total=%.3f repaints_per_s=%.1f\n", repaintTotal,
                windowSeconds, static_cast<double>(repaintTotal) / windowSeconds);
    std::printf("sustained_run_s=%.3f sustained_repaints=%lld sustained_repaints_per_s=%.1f\n",
                sustainedSeconds, sustainedRepaints,
                static_cast<double>(sustainedRepaints) / sustainedSeconds);
    std::printf("view_overhead ratio_window_to_headless=%.3f repaints=%lld\n", cpuRatio, repaintsMost);
    return 0;
}
