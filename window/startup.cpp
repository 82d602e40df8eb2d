// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, reset and quit: the idle state of the window, and the two confirming questions.
#include <array>
#include <cstdint>
#include <string>

#include "engine/board.h"
#include "window/controls.h"
#include "window/form1.h"
#include "window/platform.h"

namespace nq {

void Form1::Form_Load() {
    InitialiseForm();
}

void Form1::InitialiseForm() {
    NewGeneration();   // a run on the stack (a reset in one of its pumps) ends without another pass
    ClearOccupancy();  // every row not free: until the next test no queen can be placed
    for (LoopColumn = 1; LoopColumn <= kBoxesPerRow; ++LoopColumn) {
        TextBox& entry = Text7[LoopColumn - 1];
        entry.Text.clear();
        Text8[LoopColumn - 1].Text.clear();
        entry.ForeColor = kBlack;
        entry.Locked = false;
    }
    LoopColumn = kDiagonalSlots;  // where the clearing of the diagonals leaves it
    BreakRequested = 0;
    StopRun = 0;
    SearchFinished = 0;
    StepCounter = 0;
    SolutionCount = 0;
    Text2.Text = kStateTestInput;
    Text3.Text.clear();
    Text1.Locked = false;
    Text1.Text.clear();
    Command1.Enabled = true;
    Command2.Enabled = false;
    Command3.Enabled = false;
    Command4.Enabled = false;
    Check1.Enabled = true;
    Check1.Value = 1;
}

void Form1::Command5_Click() {
    ConfirmReset();
}

void Form1::ConfirmReset() {
    const std::string title = platform_.Caption();
    if (platform_.MessageBox("reset program ?", title, kStyleQuestion) == kAnswerYes) InitialiseForm();
}

void Form1::Command6_Click() {
    // Asks through the close-request handler as the program's own close; what it writes into Cancel is
    // dropped.
    std::int16_t cancel = 1;
    Form_QueryUnload(cancel, 1);
}

void Form1::Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode) {
    if (UnloadMode != 0 && UnloadMode != 1) return;  // the session or system closes: no question
    const std::string title = platform_.Caption();
    if (platform_.MessageBox("exit program ?", title, kStyleQuestion) == kAnswerNo) {
        Cancel = 1;
        return;
    }
    platform_.EndProcess();
}

}  // namespace nq
