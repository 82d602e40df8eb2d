// SPDX-License-Identifier: GPL-3.0-or-later
// What a user can do to the window, routed to the handlers the design binds, as far as the control model
// allows.
#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "window/controls.h"
#include "window/design.h"
#include "window/form1.h"

namespace nq {

TextBox* Form1::TextBoxFor(ControlName name, int index) {
    const bool member = index >= 0 && index < kBoxesPerRow;
    switch (name) {
        case ControlName::Text1: return &Text1;
        case ControlName::Text2: return &Text2;
        case ControlName::Text3: return &Text3;
        case ControlName::Text4: return &Text4;
        case ControlName::Text7: return member ? &Text7[index] : nullptr;
        case ControlName::Text8: return member ? &Text8[index] : nullptr;
        default: return nullptr;
    }
}

const Button* Form1::ButtonFor(ControlName name) const {
    switch (name) {
        case ControlName::Command1: return &Command1;
        case ControlName::Command2: return &Command2;
        case ControlName::Command3: return &Command3;
        case ControlName::Command4: return &Command4;
        case ControlName::Command5: return &Command5;
        case ControlName::Command6: return &Command6;
        default: return nullptr;
    }
}

void Form1::Click(ControlName button) {
    const Button* b = ButtonFor(button);
    if (b == nullptr || !b->Enabled) return;
    switch (button) {
        case ControlName::Command1: Command1_Click(); break;
        case ControlName::Command2: Command2_Click(); break;
        case ControlName::Command3: Command3_Click(); break;
        case ControlName::Command4: Command4_Click(); break;
        case ControlName::Command5: Command5_Click(); break;
        case ControlName::Command6: Command6_Click(); break;
        default: break;
    }
}

void Form1::ToggleCheck() {
    if (!Check1.Enabled) return;
    Check1.Value = StopsAtSolutions() ? 0 : 1;
    Check1_Click();
}

bool Form1::Type(ControlName box, int index, std::string text) {
    if (box != ControlName::Text1 && box != ControlName::Text7) return false;
    TextBox* target = TextBoxFor(box, index);
    if (target == nullptr || target->Locked) return false;
    target->Text = std::move(text);
    return true;
}

bool Form1::RequestClose(std::int16_t unloadMode) {
    std::int16_t cancel = 0;
    Form_QueryUnload(cancel, unloadMode);
    if (cancel != 0) return false;
    NewGeneration();  // the window goes: a run in progress must not outlive it
    return true;
}

}  // namespace nq
