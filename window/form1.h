// SPDX-License-Identifier: GPL-3.0-or-later
// Form1, the program's one window: the board state, the model of the controls, and the procedures that make
// up the program (handlers, run loop, test command, display), each defined in the file of its subsystem in
// this folder. Plain C++ over a Platform; no toolkit types.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/board.h"
#include "window/controls.h"
#include "window/design.h"
#include "window/platform.h"

namespace nq {

class StepPacer;
class BackgroundCount;
struct BackgroundProgress;
struct PassSteps;

inline constexpr int kBoxesPerRow = 32;

// State texts of Text2; "start/continue" compares them exactly.
inline constexpr const char* kStateTestInput = "test input";
inline constexpr const char* kStateStartComputation = "start computation";
inline constexpr const char* kStateRunning = "computation is running";
inline constexpr const char* kStateSolutionFound = "solution found";
inline constexpr const char* kStateInterrupted = "computation interrupted";
inline constexpr const char* kStateFinished = "computation finished";

class Form1 : public Board {
  public:
    explicit Form1(Platform& platform);
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // ---- Controls (design names). Text7[i] / Text8[i] belong to board column i + 1.
    TextBox Text1;                         // n
    TextBox Text2{kStateTestInput, true};  // the state line; its text doubles as the program's state
    TextBox Text3{"", true};               // the solution number
    TextBox Text4{"oeis.org/A000170", true, Rgb(192, 192, 255)};
    std::array<TextBox, kBoxesPerRow> Text7{};  // entry row: fixed queens, later where the last run set off
    std::array<TextBox, kBoxesPerRow> Text8 = LockedRow();              // display row: the position shown
    Button Command1, Command2, Command3, Command4, Command5, Command6;  // test .. quit
    CheckBox Check1;                                                    // stop at next solution

    // ---- Scratch fields shared by the procedures. LoopColumn is left where a procedure's loop stopped: the
    // test command's fault messages print it as the column.
    std::int32_t LoopColumn = 0;
    std::int32_t EntryRow = 0;
    std::string EntryText;

    // ---- Event handlers, bound as the design says. They check nothing that the enabling of their buttons
    // guarantees; use the user-input entry points below to act as a user would.
    void Form_Load();
    void Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode);
    void Command1_Click();  // test
    void Command2_Click();  // start/continue
    void Command3_Click();  // break
    void Command4_Click();  // next solution
    void Command5_Click();  // reset
    void Command6_Click();  // quit
    void Check1_Click();

    // ---- Procedures.
    void InitialiseForm();
    void ConfirmReset();
    void PrepareTest();
    void RunSearch();
    // One pass of the run loop. `record` (nullptr: none) is given the board after each search step the pass
    // makes, for the pacer.
    void RunStep(PassSteps* record = nullptr);
    void ShowPosition();
    void ClearPosition();

    // ---- What a user can do. Each acts only as far as the control model allows (a disabled button raises
    // nothing, a locked box keeps its text), so a view that is a frame behind the model cannot do harm.
    void Click(ControlName button);  // a push button
    void ToggleCheck();              // the check box, by mouse or space bar
    // Typing into Text1 (index -1) or a member of Text7; returns false (text unchanged) where the box is
    // locked.
    bool Type(ControlName box, int index, std::string text);
    // The window's close request: reason 0 user, 1 program, 2 and more the session or system. Returns true
    // when the window may close. A close that goes ahead ends any run in progress.
    bool RequestClose(std::int16_t unloadMode);

    // True while a search runs inside RunSearch.
    bool Running() const { return running_; }
    // "stop at next solution" is checked: a run stops at every solution instead of counting to the end.
    bool StopsAtSolutions() const { return Check1.Value == 1; }
    // Changes whenever the board is rebuilt (test, reset) or the window closes.
    std::uint64_t Generation() const { return boardGeneration_; }

    // Watching: while `pacer` (nullptr: none) is pacing, the run loop hands it every pass (PacedPass). The
    // pacer must outlive its registration.
    void SetPacer(StepPacer* pacer) { pacer_ = pacer; }
    // True while the run loop hands every pass to the pacer; a faster way through the passes must not be
    // taken then.
    bool Paced() const;

    // Counting on every core: with workers >= 1, while a run counts (the box clear) that many worker threads
    // count the whole problem as the console's count does, and the pass after that count is known ends the
    // search as the one-step search ends it; until then the search steps as on one core, so every stop shows
    // a state of the one-core search. 0 (the default): the one-core search alone. Not during a run.
    void CountOnCores(int workers);
    // The same with `count` (not null) as the count the workers make, in place of a new BackgroundCount.
    void CountOnCores(int workers, std::unique_ptr<BackgroundCount> count);
    // What the displays show of the whole count while one is under way for the search (begun, its plan not
    // failed); nullopt otherwise: the one-core search alone. At a display's pace, not per pass.
    std::optional<BackgroundProgress> WholeCount() const;

    // The model object behind a design entry, for the view; nullptr where the kind does not match.
    TextBox* TextBoxFor(ControlName name, int index);
    const Button* ButtonFor(ControlName name) const;

  private:
    // The run loop's passes between two pumps while no break is pending, and the end of an exhausted search.
    void RunPassesUntilPump();
    void EndSearch();
    // One pass handed to the pacer, which draws its steps and may wait in the event loop. False when a
    // handler that ran meanwhile rebuilt the board or closed the window (the run is then over).
    bool PacedPass(std::uint64_t generation);
    // Counting on every core (whole_count.cpp), at the start of the passes between two pumps: sets the
    // workers on the whole count or resumes it (not while the box is checked), and when its total is known
    // and is the search's end (the box clear, or no solution left), ends the search in one pass (true).
    bool EndOnWholeCount(bool stopAtSolution);
    // The run stops short of the end: the workers stop, their finished tasks kept for a continue.
    void PauseWholeCount();
    // In place of a pump while the workers count: after a slice of steps the window's thread waits in the
    // event loop for a moment (true), leaving the cores to the workers; false when it is not yet time.
    bool GiveWayToWorkers();
    // The board is rebuilt or the window goes: a run on the stack ends, the workers' counts are dropped.
    void NewGeneration();

    static std::array<TextBox, kBoxesPerRow> LockedRow() {
        std::array<TextBox, kBoxesPerRow> row{};
        for (TextBox& box : row)
            box.Locked = true;
        return row;
    }

    Platform& platform_;
    bool running_ = false;
    // Changed whenever the board is rebuilt (test, reset) or the window closes. A run that finds it changed
    // when the event pump returns ends at once: whatever it was searching is gone.
    std::uint64_t boardGeneration_ = 0;
    StepPacer* pacer_ = nullptr;
    int workers_ = 0;
    std::int64_t sliceStart_ = 0;  // the platform's clock when the window's thread last took up stepping
    std::unique_ptr<BackgroundCount> whole_;  // null: the one-core search alone
};

// Writes a non-negative number as decimal digits, without blank or sign.
std::string Decimal(std::int64_t value);

}  // namespace nq
