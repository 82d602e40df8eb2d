// SPDX-License-Identifier: GPL-3.0-or-later
// The "test" command: reads n and the fixed queens, checks them column by column and prepares the board.
#include <array>
#include <cstdint>
#include <string>

#include "engine/board.h"
#include "window/controls.h"
#include "window/form1.h"
#include "window/platform.h"
#include "window/read_number.h"

namespace nq {

namespace {

const char* const kTestTitle = "n Queens Problem";

}  // namespace

void Form1::PrepareTest() {
    NewGeneration();  // any run still on the stack searched the board that is now rebuilt
    ClearOccupancy();
    const std::int32_t n = BoardSize;
    // Every entry box turns black: only the queens this test accepts are shown red afterwards, so a box
    // never looks fixed for a queen an earlier test accepted.
    for (LoopColumn = 1; LoopColumn <= n; ++LoopColumn) {
        FreeRow(LoopColumn);
        TextBox& box = Text7[LoopColumn - 1];
        box.ForeColor = kBlack;
        EntryText = box.Text;
        if (IsBlankEntry(EntryText)) box.Text.clear();
    }
    // Entries beyond the board are dropped without a message.
    for (LoopColumn = n + 1; LoopColumn <= kBoxesPerRow; ++LoopColumn) {
        Text7[LoopColumn - 1].Text.clear();
        Text7[LoopColumn - 1].ForeColor = kBlack;
    }
    LoopColumn = kDiagonalSlots;  // where the clearing of the diagonals leaves it
    BreakRequested = 0;
    StopRun = 0;
    SearchFinished = 0;
    StepCounter = 0;
    SolutionCount = 0;
    // After SolutionCount := 0, so that a click notification for the value finds nothing to enable.
    Check1.Enabled = true;
    Check1.Value = 1;
}

void Form1::Command1_Click() {
    const std::int32_t n = ReadTypedNumber(Text1.Text);
    if (n < 1 || n > kMaxN) {
        // BoardSize keeps the last accepted n: a rejected value must never reach a search.
        platform_.MessageBox("incorrect input for n", kTestTitle, kStyleInformation);
        return;
    }
    BoardSize = n;
    PrepareTest();

    for (LoopColumn = 1; LoopColumn <= n; ++LoopColumn) {
        const std::int32_t column = LoopColumn;
        TextBox& box = Text7[column - 1];
        EntryText = box.Text;
        if (EntryText.empty()) continue;
        const std::int32_t row = ReadTypedNumber(box.Text);
        EntryRow = row;
        const char* fault = nullptr;
        if (row < 1 || row > n) {
            fault = "incorrect input, column ";
        } else if (RowFree[row] == 0) {
            fault = "entry twice, column ";  // a fixed queen to the left holds this row
        } else if (DiagDiff[n + column - row] == 1 || DiagSum[column + row] == 1) {
            fault = "incorrectly placed queen, column ";  // ... or one of its diagonals
        }
        if (fault != nullptr) {
            // The board now holds only the queens left of the fault: nothing may start a search on it, also
            // when an earlier test had succeeded. The window is idle again, shown so behind the message.
            Text2.Text = kStateTestInput;
            Command2.Enabled = false;
            EntryText = fault + Decimal(column);
            platform_.MessageBox(EntryText, kTestTitle, kStyleInformation);
            return;  // only the first fault in column order is reported
        }
        box.ForeColor = kRed;
        FixedColumn[column] = 1;
        Mark(column, row);
    }
    ClearPosition();
    Text2.Text = kStateStartComputation;
    Command2.Enabled = true;
}

}  // namespace nq
