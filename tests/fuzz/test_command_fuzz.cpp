// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the "test" command: bytes become the text of n and of the 32 entry boxes, typed into a
// fresh window, then "test" is pressed. The monkey's model predicts the outcome (the first fault and its
// column, or the accepted queens) and checks the controls and the board invariants; a small accepted board is
// then searched and every solution (or the final count) is held against the oracle.
//
// Input: one byte of flags, then up to three rounds separated by '#'; a round is fields separated by '|': the
// text of n, then the texts of the entry boxes of columns 1, 2, ... (a missing field leaves its box as it is;
// an empty one types nothing into it). Flags: 1 clear the check box before each test; 2 search after the last
// test (n <= 8); 4 search counting instead of stopping at each solution; 8 reset (answered Yes) at the end.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "support/monkey.h"

namespace {

using nq::testing::ClickAction;
using nq::testing::Monkey;
using nq::testing::MonkeyAction;
using nq::testing::ToggleAction;
using nq::testing::TypeAction;

std::vector<std::string_view> Split(std::string_view s, char separator, std::size_t limit) {
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < limit) {
        const std::size_t at = s.find(separator);
        if (at == std::string_view::npos) break;
        parts.push_back(s.substr(0, at));
        s.remove_prefix(at + 1);
    }
    parts.push_back(s);
    return parts;
}

[[noreturn]] void Report(const std::string& what) {
    std::fprintf(stderr, "test command: %s\n", what.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 8192) return 0;
    static Monkey monkey;  // one monkey, so that the oracle's solutions stay cached between inputs
    const std::uint8_t flags = data[0];
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

    monkey.Begin(nullptr);
    nq::Form1& form = monkey.Window();
    for (std::string_view round : Split(input, '#', 3)) {
        const std::vector<std::string_view> fields = Split(round, '|', 1 + nq::kBoxesPerRow);
        monkey.Do(TypeAction(-1, fields[0]));
        for (std::size_t i = 1; i < fields.size(); ++i)
            monkey.Do(TypeAction(static_cast<int>(i) - 1, fields[i]));
        if ((flags & 1) != 0 && form.StopsAtSolutions()) monkey.Do(ToggleAction());
        const std::size_t boxesBefore = monkey.Platform().Shown.size();
        monkey.Do(ClickAction(1));
        if (monkey.Failed()) break;

        // Independently of the model: a fault names a column of the board; a success leaves only valid
        // queens.
        const auto& shown = monkey.Platform().Shown;
        if (shown.size() > boxesBefore && shown.back().Text != "incorrect input for n") {
            const std::string& message = shown.back().Text;
            const std::size_t digits = message.find_last_not_of("0123456789") + 1;
            const long column = std::strtol(message.c_str() + digits, nullptr, 10);
            if (column < 1 || column > form.BoardSize)
                Report("fault message " + message + " names no column of the board");
        }
        nq::testing::Placement queens(static_cast<std::size_t>(form.BoardSize), 0);
        for (int c = 1; c <= form.BoardSize; ++c)
            queens[static_cast<std::size_t>(c - 1)] = form.QueenRow[c];
        for (int c = 1; c <= form.BoardSize; ++c) {
            for (int d = 1; d < c; ++d) {
                const int r = queens[static_cast<std::size_t>(c - 1)],
                          s = queens[static_cast<std::size_t>(d - 1)];
                if (r != 0 && s != 0 && nq::testing::QueensAttack(c, r, d, s))
                    Report("accepted queens attack");
            }
        }
    }

    const bool tested = nq::testing::StateOf(form) == nq::testing::WindowState::Tested;
    if ((flags & 2) != 0 && tested && !monkey.Failed()) {
        const bool counting = (flags & 4) != 0;
        if (form.BoardSize <= (counting ? 8 : 6)) {
            if ((form.StopsAtSolutions()) == counting) monkey.Do(ToggleAction());
            monkey.Do(ClickAction(2));
            for (int k = 0;
                 k < 100 && nq::testing::StateOf(form) == nq::testing::WindowState::StoppedAtSolution; ++k) {
                monkey.Do(ClickAction(4));
            }
            if (!monkey.Failed() && nq::testing::StateOf(form) != nq::testing::WindowState::Finished) {
                Report("the search of a small board did not finish");
            }
        }
    }
    if ((flags & 8) != 0) monkey.Do(ClickAction(5, nq::kAnswerYes));
    if (!monkey.End()) Report(monkey.FirstFailure());
    return 0;
}
