// SPDX-License-Identifier: GPL-3.0-or-later
// The platform services over Qt: modal message boxes over the window, a throttled event pump that mirrors the
// control model onto the widgets at screen rate during a run, the wait in the event loop of a watched search,
// the immediate end of the process, and the window's caption.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "window/platform.h"

namespace nq {

class QtView;

class QtPlatform final : public Platform {
  public:
    using Clock = std::chrono::steady_clock;
    // A pump called sooner than this after the last real one returns at once: the run loop pumps every 100
    // passes, far more often than anyone can act, and a real pass through the event queue costs more than 100
    // passes.
    static constexpr Clock::duration kMinPumpInterval = std::chrono::milliseconds(1);
    // The clock is read on every so many calls only: a read costs as much as a few search steps on some
    // machines (about 60 ns on a virtual one), while the calls come at most some microseconds apart.
    static constexpr int kCallsPerClockRead = 8;
    // During a run the widgets follow the model at most this often (about 60 times a second).
    static constexpr Clock::duration kMirrorInterval = std::chrono::milliseconds(16);

    QtPlatform() = default;
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    // The window: message boxes open over it, the pump mirrors through it. The view attaches and detaches
    // itself.
    void SetView(QtView* view) { view_ = view; }

    // Style 64: information icon and OK, returns kAnswerOk. Style 36: question icon, Yes (default) and No,
    // returns kAnswerYes or kAnswerNo. Modal to the window, which shows the model's current state behind it.
    int MessageBox(const std::string& text, const std::string& title, int style) override;
    // QCoreApplication::processEvents(), at most once per kMinPumpInterval; mirrors the model first when
    // kMirrorInterval has passed since the last mirror.
    void PumpEvents() override;
    // Mirrors the model (the board window takes its picture), then runs the pending events and waits for more
    // on a precise timer of `milliseconds`: returns after one batch of events or when the timer fires.
    void WaitForEvents(int milliseconds) override;
    // The steady clock's reading in microseconds.
    std::int64_t Microseconds() const override;
    // Ends the process at once with exit code 0; no event, handler or destructor runs any more.
    [[noreturn]] void EndProcess() override;
    // The window's title text; the design's caption while no view is attached.
    std::string Caption() const override;

  private:
    QtView* view_ = nullptr;
    int callsSinceClockRead_ = 0;
    Clock::rep lastPump_ = 0;  // clock ticks since its epoch
    Clock::rep lastMirror_ = 0;
};

}  // namespace nq
