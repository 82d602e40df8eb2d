// SPDX-License-Identifier: GPL-3.0-or-later
// The taskbar entry's progress, through the launcher-entry signal that docks and task managers read. Silent
// where there is no session bus.
#pragma once

#include <chrono>

namespace nq {

class LauncherProgress {
  public:
    using Clock = std::chrono::steady_clock;
    // Updates while a run goes come at most this often; showing and clearing go out at once.
    static constexpr Clock::duration kInterval = std::chrono::milliseconds(250);

    LauncherProgress();
    // progress: 0..1, shown while visible.
    void Show(bool visible, double progress);

  private:
    bool enabled_ = false;
    bool shown_ = false;
    double sent_ = -1.0;
    Clock::time_point last_{};
};

}  // namespace nq
