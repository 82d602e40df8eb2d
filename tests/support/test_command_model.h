// SPDX-License-Identifier: GPL-3.0-or-later
// The model of the "test" command: from the texts of n and of the entry boxes alone, what the command does
// (n rejected, or the first fault with its column and message, the queens accepted before it, and the entry
// texts it leaves). Numbers are read by the reference reading; each entry is compared with every queen
// accepted before it.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/board.h"
#include "support/oracle.h"
#include "support/reference_reading.h"
#include "window/form1.h"

namespace nq::testing {

struct TestPrediction {
    bool NAccepted = false;
    int N = 0;
    FixedSet Accepted;         // fixed queens accepted, in column order
    int FaultColumn = 0;       // 0: every column passed
    std::string FaultMessage;  // "" or the message of the fault
    std::int32_t FaultEntryRow = 0;
    std::array<std::string, kBoxesPerRow> EntriesAfter{};  // entry texts after the test

    // The text of the message box the test shows, "" when it shows none.
    std::string Message() const { return NAccepted ? FaultMessage : "incorrect input for n"; }
    // The column the test stops at: the fault's, n + 1 when every column passed, 0 for a rejected n.
    int StopColumn() const { return !NAccepted ? 0 : FaultColumn != 0 ? FaultColumn : N + 1; }
};

inline bool LooksBlank(const std::string& s) {
    return s == "" || s == " " || s == "  " || s == "   ";
}

// `entries[i]` is the text of the entry box of column i + 1.
inline TestPrediction PredictTest(const std::string& nText,
                                  const std::array<std::string, kBoxesPerRow>& entries) {
    TestPrediction p;
    p.EntriesAfter = entries;
    const std::int32_t n = ReferenceReadTypedNumber(nText);
    if (n < 1 || n > kMaxN) return p;
    p.NAccepted = true;
    p.N = n;
    for (int c = 1; c <= kBoxesPerRow; ++c) {
        if (c > n || LooksBlank(p.EntriesAfter[c - 1])) p.EntriesAfter[c - 1].clear();
    }
    for (int c = 1; c <= n; ++c) {
        const std::string& text = p.EntriesAfter[c - 1];
        if (text.empty()) continue;
        const std::int32_t r = ReferenceReadTypedNumber(text);
        const char* fault = nullptr;
        if (r < 1 || r > n) {
            fault = "incorrect input, column ";
        } else {
            for (const FixedQueen& q : p.Accepted) {
                if (q.Row == r) {
                    fault = "entry twice, column ";
                    break;
                }
            }
            if (fault == nullptr) {
                for (const FixedQueen& q : p.Accepted) {
                    if (std::abs(q.Column - c) == std::abs(q.Row - r))
                        fault = "incorrectly placed queen, column ";
                }
            }
        }
        if (fault != nullptr) {
            p.FaultColumn = c;
            p.FaultMessage = fault + std::to_string(c);
            p.FaultEntryRow = r;
            return p;
        }
        p.Accepted.push_back({c, r});
    }
    return p;
}

}  // namespace nq::testing
