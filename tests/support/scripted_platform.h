// SPDX-License-Identifier: GPL-3.0-or-later
// A platform for headless tests: message boxes answered from a script and recorded, actions injected at
// chosen event pumps and waits, a fake clock that only waits advance, and the end of the process as a real
// exit (test it in a child process).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "window/design.h"
#include "window/platform.h"

namespace nq::testing {

inline constexpr int kEndProcessExitCode = 0;

class ScriptedPlatform : public Platform {
  public:
    struct ShownBox {
        std::string Text;
        std::string Title;
        int Style = 0;
    };

    std::vector<ShownBox> Shown;  // every message box, in order
    std::deque<int> Answers;      // answers to the Yes/No questions, in order
    int UnansweredQuestions = 0;  // questions asked with no answer left (answered No)
    long long Pumps = 0;          // calls of PumpEvents so far
    std::map<long long, std::function<void()>>
        AtPump;                       // run when the pump with this number (1, 2, ...) is called
    std::function<void()> EveryPump;  // run at every pump, after AtPump
    std::string WindowCaption = Form1Design().Caption;
    // Waits for events (a watched search between its steps): each is first shown (Shows, at the clock as it
    // stands), then lets the fake clock run for its whole time, unless an action injected at it stands for
    // events that arrive at once (the clock then stays).
    long long Waits = 0;                                // calls of WaitForEvents so far
    std::int64_t Clock = 0;                             // microseconds
    std::map<long long, std::function<void()>> AtWait;  // run at the wait with this number (1, 2, ...)
    std::function<void()> Shows;                        // run at every wait, first

    int MessageBox(const std::string& text, const std::string& title, int style) override {
        Shown.push_back({text, title, style});
        if (style != kStyleQuestion) return kAnswerOk;
        if (Answers.empty()) {
            ++UnansweredQuestions;
            return kAnswerNo;
        }
        const int answer = Answers.front();
        Answers.pop_front();
        return answer;
    }

    void PumpEvents() override {
        ++Pumps;
        if (auto it = AtPump.find(Pumps); it != AtPump.end()) {
            auto action = std::move(it->second);
            AtPump.erase(it);
            action();
        }
        if (EveryPump) EveryPump();
    }

    void WaitForEvents(int milliseconds) override {
        ++Waits;
        if (Shows) Shows();
        if (auto it = AtWait.find(Waits); it != AtWait.end()) {
            auto action = std::move(it->second);
            AtWait.erase(it);
            action();
            return;
        }
        Clock += std::int64_t{milliseconds} * 1000;
    }

    std::int64_t Microseconds() const override { return Clock; }

    [[noreturn]] void EndProcess() override { std::_Exit(kEndProcessExitCode); }

    std::string Caption() const override { return WindowCaption; }
};

}  // namespace nq::testing
