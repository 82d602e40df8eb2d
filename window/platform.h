// SPDX-License-Identifier: GPL-3.0-or-later
// What the window's logic needs from the windowing platform. The Qt platform implements it for the real
// window, a scripted one for headless tests.
#pragma once

#include <cstdint>
#include <string>

namespace nq {

// Message box styles and answers in the platform's numbering.
inline constexpr int kStyleInformation = 64;  // information icon, OK
inline constexpr int kStyleQuestion = 36;     // question icon, Yes and No, Yes the default
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

class Platform {
  public:
    virtual ~Platform() = default;

    // Modal message box; returns when the user has closed it: kAnswerOk for style 64, kAnswerYes or kAnswerNo
    // for 36. The window takes no other input while it is open.
    virtual int MessageBox(const std::string& text, const std::string& title, int style) = 0;
    // Runs every pending window event, handlers included, then returns. May skip the real work when it last
    // ran a moment ago: the run loop calls it every 100 passes, far more often than a user can act.
    virtual void PumpEvents() = 0;
    // Shows the window's state as it stands, then runs window events, handlers included, as they come for at
    // most `milliseconds` (0..1000): returns after the first events have run or when the time is up. A
    // watched search waits here between its steps, never in a sleep, so that a break, reset or quit is
    // answered at once.
    virtual void WaitForEvents(int milliseconds) = 0;
    // A steady clock in microseconds, any epoch.
    virtual std::int64_t Microseconds() const = 0;
    // Ends the process at once: no further event or handler of the program runs.
    [[noreturn]] virtual void EndProcess() = 0;
    // The window's title bar text.
    virtual std::string Caption() const = 0;
};

}  // namespace nq
