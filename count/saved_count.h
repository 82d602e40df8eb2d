// SPDX-License-Identifier: GPL-3.0-or-later
// A count that keeps its finished work in a save file and goes on from it: the file is locked, read and
// checked against the problem and the method before any work (before the plan is made), saved every few
// seconds while the count runs and once more at every stop. Any interruption loses at most the tasks
// finished since the last save that succeeded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "count/count_plan.h"
#include "count/counting.h"
#include "count/durable_file.h"
#include "count/save_file.h"
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

// A save file held for one count, from before its plan is made to the end of the count.
class SaveSession {
  public:
    // Opens `path` (as the user gave it; it is resolved once (ResolveSavePath), and the lock, the reading and
    // every save act on the file it names) for the count of `problem` (ProblemLine) by a plan of `version`:
    // takes its lock, reads it and checks it. Returns "" or one line, without the program's name, saying
    // why the file is refused; nothing is touched then.
    std::string Open(const std::string& path, const std::string& problem, const std::string& version);
    // When the file holds every task of its plan: the sum of their counts, known without making the plan.
    std::optional<WideCount> FinishedSum() const;
    // What the file holds of the solutions the rotations keep (a unique count by quadrants): the total of a
    // finished file without a search (CountPlanMaker::TotalOf).
    const std::optional<RotationKept>& Kept() const { return saved_.Kept; }
    // The file did not exist when opened: nothing is written until Count.
    bool Fresh() const { return fresh_; }
    // Counts the made plan (of the version given to Open): loads the file's finished tasks into the ledger
    // (plan.Size() tasks, none finished yet; loaded as not of this run, so that another thread may watch it
    // for progress), writes a new file at once, counts, saves every few seconds and at the end.
    SavedCountOutcome Count(const CountPlan& plan, TaskLedger& ledger, const TaskRun& run,
                            double saveEverySeconds = kSaveEverySeconds);

  private:
    std::string path_, real_, version_;
    SaveLock lock_;
    bool fresh_ = false;
    SavedCount saved_;
};

// Open and Count in one: what a count whose plan is made already does.
SavedCountOutcome CountWithSaveFile(const CountPlan& plan, TaskLedger& ledger, const TaskRun& run,
                                    const std::string& path, double saveEverySeconds = kSaveEverySeconds);

}  // namespace nq
