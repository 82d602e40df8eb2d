// SPDX-License-Identifier: GPL-3.0-or-later
// The run commands: "start/continue", "break", "next solution", and the check box "stop at next solution".
#include <array>
#include <cstdint>
#include <string>

#include "window/controls.h"
#include "window/form1.h"

namespace nq {

namespace {

// Shows the board's queens in the entry row, whatever the user had typed there. Counts in LoopColumn and
// leaves it at n + 1.
void RefreshEntryRow(Form1& form) {
    for (form.LoopColumn = 1; form.LoopColumn <= kBoxesPerRow; ++form.LoopColumn) {
        form.Text7[form.LoopColumn - 1].Text.clear();
    }
    const std::int32_t n = form.BoardSize;
    for (form.LoopColumn = 1; form.LoopColumn <= n; ++form.LoopColumn) {
        const std::int32_t row = form.QueenRow[form.LoopColumn];
        if (row != 0) form.Text7[form.LoopColumn - 1].Text = Decimal(row);
    }
}

}  // namespace

void Form1::Command2_Click() {
    Text1.Text = Decimal(BoardSize);
    Text1.Locked = true;
    RefreshEntryRow(*this);
    Command1.Enabled = false;
    for (LoopColumn = 1; LoopColumn <= kBoxesPerRow; ++LoopColumn)
        Text7[LoopColumn - 1].Locked = true;

    // The state line is read once and both tests below compare this copy. A local copy besides the field:
    // handlers that run inside the first run's event pumps may write EntryText.
    const std::string state = Text2.Text;
    EntryText = state;
    if (state == kStateStartComputation) {
        SolutionCount = 0;
        SearchColumn = FirstFreeColumn();
        LoopColumn = SearchColumn;  // where the procedure's own search for it would leave its counter
        Command2.Enabled = false;
        Command3.Enabled = true;
        RunSearch();
    }
    // A separate test after the first start's run: a first run that is broken off does not continue in this
    // click.
    if (state == kStateInterrupted) {
        Command2.Enabled = false;
        Command3.Enabled = true;
        ClearPosition();
        RunSearch();
    }
}

void Form1::Command3_Click() {
    ShowPosition();
    Text2.Text = kStateInterrupted;
    BreakRequested = 1;
    Command4.Enabled = false;
    Command3.Enabled = false;
    Command2.Enabled = true;
}

void Form1::Command4_Click() {
    if (running_) {
        // Enabled by the check box while a run goes: the run itself stops at its next solution while the box
        // is checked. Moving the cursor now would count a half-filled board or skip the placement just
        // completed.
        Command4.Enabled = false;
        return;
    }
    Command3.Enabled = false;
    ClearPosition();
    RefreshEntryRow(*this);  // the solution shown moves from the display row to the entry row
    Command4.Enabled = false;
    GoOnFromSolution();
    RunSearch();
}

void Form1::Check1_Click() {
    const std::int32_t value = Check1.Value;
    if (SolutionCount > 0 && value == 1 && BreakRequested == 0) Command4.Enabled = true;
}

}  // namespace nq
