// A platform for headless tests: message boxes answered from a script and recorded, actions injected at
// chosen event pumps, and the end of the process as a real exit (test it in a child process).
#pragma once

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

    [[noreturn]] void EndProcess() override { std::_Exit(kEndProcessExitCode); }

    std::string Caption() const override { return WindowCaption; }
};

}  // namespace nq::testing
