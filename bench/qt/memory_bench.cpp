// SPDX-License-Identifier: GPL-3.0-or-later
// What the window holds while it counts a big board on every core, broken off and continued as a user would:
// n typed, tested, "stop at next solution" cleared, then start/continue and break every few seconds, five
// times, in the real window (offscreen); against the console's count of the same board on as many threads.
// Prints
//   console_memory n=N threads=J seconds=S peak_mb=P        (the console's count stopped after S seconds)
//   window_memory n=N continues=C threads=J peak_mb=P plan_mb=Q
// The two peaks come from separate processes: run it as `memory_bench console` and `memory_bench window`
// (no argument runs both in children of its own). Arguments after the mode: n (default 23), seconds per run
// (default 3).
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QStandardPaths>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "count/counting.h"
#include "qt/qt_platform.h"
#include "qt/qt_view.h"
#include "window/form1.h"

namespace {

constexpr int kContinues = 5;
constexpr int kThreads = 2;

double PeakMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

int Console(int n, double seconds) {
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    nq::CountSolutions({.Board = {.N = n, .Fixed = {}}, .Jobs = kThreads, .Stop = &stop});
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    stopper.join();
    std::printf("console_memory n=%d threads=%d seconds=%.1f peak_mb=%.0f\n", n, kThreads, took,
                PeakMegabytes());
    return 0;
}

int Window(int argc, char** argv, int n, double seconds) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    nq::QtPlatform qt;
    nq::Form1 form(qt);
    nq::QtView view(form, qt);
    form.Form_Load();
    view.show();
    QApplication::processEvents();
    form.CountOnCores(kThreads);
    form.Type(nq::ControlName::Text1, -1, std::to_string(n));
    form.Click(nq::ControlName::Command1);
    form.ToggleCheck();
    // Each start or continue runs until the timer presses "break" from inside the run's event pumps.
    for (int run = 0; run <= kContinues; ++run) {
        QTimer::singleShot(static_cast<int>(seconds * 1000),
                           [&form] { form.Click(nq::ControlName::Command3); });
        form.Click(nq::ControlName::Command2);
        if (form.Text2.Text != nq::kStateInterrupted) {
            std::fprintf(stderr, "memory_bench: run %d ended in \"%s\"\n", run, form.Text2.Text.c_str());
            return 1;
        }
    }
    std::printf("window_memory n=%d continues=%d threads=%d peak_mb=%.0f\n", n, kContinues, kThreads,
                PeakMegabytes());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const int n = argc > 2 ? std::atoi(argv[2]) : 23;
    const double seconds = argc > 3 ? std::atof(argv[3]) : 3.0;
    if (mode == "console") return Console(n, seconds);
    if (mode == "window") return Window(argc, argv, n, seconds);
    // Both, each in a process of its own so that each peak is its own.
    int status = 0;
    for (const char* which : {"console", "window"}) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            const std::string nText = std::to_string(n), secondsText = std::to_string(seconds);
            execl("/proc/self/exe", argv[0], which, nText.c_str(), secondsText.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int result = 0;
        waitpid(child, &result, 0);
        if (!WIFEXITED(result) || WEXITSTATUS(result) != 0) status = 1;
    }
    return status;
}
