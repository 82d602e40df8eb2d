// SPDX-License-Identifier: GPL-3.0-or-later
// A count that keeps its finished work in a save file and goes on from it: the file is locked, read and
// checked against the plan before any work, saved every few seconds while the count runs and once more at
// every stop. Any interruption loses at most the tasks finished since the last save that succeeded.
#pragma once

#include <string>

#include "count/count_plan.h"
#include "count/counting.h"
#include "count/task_ledger.h"

namespace nq {

// Seconds between two saves of a running count.
inline constexpr double kSaveEverySeconds = 2.0;

struct SavedCountOutcome {
    enum class Status {
        Finished,    // every task counted (perhaps all of them in earlier runs); the file holds them all
        Stopped,     // stopped on request; the file holds every finished task
        Refused,     // the file is not for this count, is damaged, is held by another count, cannot be
                     // created or replaced; nothing was counted and the file is untouched
        SaveFailed,  // the last save failed (a full disk); the count went on past failed saves, so Count is
                     // complete unless stopped on request. The file keeps its last good state
    };
    Status Outcome = Status::Refused;
    CountResult Count;
    std::string Message;  // for Refused and SaveFailed: one line, without the program's name
};

// path: as the user gave it; it is resolved once (ResolveSavePath), and the lock, the reading and every save
// act on the file it names. ledger: plan.Size() tasks, none finished yet; the finished tasks of the file are
// loaded into it (as not of this run), so that another thread may watch it for progress.
SavedCountOutcome CountWithSaveFile(const CountPlan& plan, TaskLedger& ledger, const TaskRun& run,
                                    const std::string& path, double saveEverySeconds = kSaveEverySeconds);

}  // namespace nq
