// SPDX-License-Identifier: GPL-3.0-or-later
// Opening, checking and loading a save file; the saving thread beside the workers.
#include "count/saved_count.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "count/durable_file.h"
#include "count/save_file.h"

namespace nq {
namespace {

// A save file holds at most some tens of bytes a task: anything far larger is not one of ours.
constexpr long long kMaxFileBytes = 1LL << 30;

using Status = SavedCountOutcome::Status;

SavedCount Snapshot(const CountPlan& plan, const TaskLedger& ledger) {
    SavedCount saved{.Problem = ProblemLine(plan.Board(), plan.Unique()),
                     .Method = plan.Version(),
                     .Tasks = plan.Size(),
                     .Done = {}};
    for (std::size_t i = 0; i < ledger.Size(); ++i) {
        if (ledger.IsFinished(i)) saved.Done.push_back({i, ledger.SolutionsOf(i), ledger.WorkOf(i)});
    }
    return saved;
}

// Reads the file into `text`; false with `error` set when it cannot be read. missing: it does not exist.
// Messages name the file as `shown`.
bool ReadWhole(const std::string& path, const std::string& shown, std::string& text, bool& missing,
               std::string& error) {
    struct stat st = {};
    missing = false;
    if (stat(path.c_str(), &st) != 0) {
        missing = errno == ENOENT;
        error = shown + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxFileBytes) {
        error = shown + " is not a save file of nqueens: not a regular file of a sensible size";
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        error = "cannot read " + shown + ": " + std::strerror(errno);
        return false;
    }
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        text.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) error = "cannot read " + shown;
    return !failed;
}

// Loads the file's finished tasks into the ledger, or says why the file is refused.
std::string Load(const CountPlan& plan, TaskLedger& ledger, const std::string& path, const std::string& shown,
                 bool& fresh) {
    std::string text, error;
    fresh = false;
    if (!ReadWhole(path, shown, text, fresh, error)) return fresh ? "" : error;
    SavedCount saved;
    if (const std::string why = ReadSaveText(text, saved); !why.empty())
        return shown + " is not a save file of nqueens or is damaged: " + why;
    const std::string problem = ProblemLine(plan.Board(), plan.Unique());
    if (saved.Problem != problem)
        return shown + " holds the count of another problem (" + saved.Problem + "), not of " + problem;
    if (saved.Method != plan.Version() || saved.Tasks != plan.Size())
        return shown + " was saved by another version of the counting method (" + saved.Method + ", " +
               std::to_string(saved.Tasks) + " tasks), not by this one (" + plan.Version() + ", " +
               std::to_string(plan.Size()) + " tasks)";
    for (const SavedTask& t : saved.Done)
        ledger.Finish(t.Index, t.Solutions, t.Work, false);
    return "";
}

// Saves the ledger every few seconds while the workers run, and passes an outside stop on to them.
class Saver {
  public:
    // path: resolved; shown: as the messages name it.
    Saver(const CountPlan& plan, const TaskLedger& ledger, const std::string& path, const std::string& shown,
          double every, const std::atomic<bool>* outsideStop)
        : plan_(plan), ledger_(ledger), path_(path), shown_(shown), every_(every), outsideStop_(outsideStop) {
        saved_ = ledger.Finished();
        thread_ = std::thread([this] { Run(); });
    }
    ~Saver() { Finish(); }

    void Finish() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
    }
    // Saves now when anything finished since the last save; "" or what went wrong.
    std::string SaveIfChanged() {
        const std::size_t finished = ledger_.Finished();
        if (finished == saved_) return "";
        std::string error = WriteFileAtomically(path_, SaveText(Snapshot(plan_, ledger_)), shown_);
        if (error.empty()) saved_ = finished;
        return error;
    }

    std::atomic<bool> Halt{false};  // what the workers poll

  private:
    void Run() {
        auto last = std::chrono::steady_clock::now();
        std::unique_lock<std::mutex> lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::milliseconds(20), [this] { return done_; })) {
            if (outsideStop_ != nullptr && outsideStop_->load()) Halt = true;
            const auto now = std::chrono::steady_clock::now();
            if (std::chrono::duration<double>(now - last).count() < every_) continue;
            last = now;
            // A failed save (a full disk) does not stop the count: the next one may succeed, and the last
            // one, after the count, says what became of it.
            SaveIfChanged();
        }
    }

    const CountPlan& plan_;
    const TaskLedger& ledger_;
    const std::string& path_;
    const std::string& shown_;
    double every_;
    const std::atomic<bool>* outsideStop_;
    std::size_t saved_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace

SavedCountOutcome CountWithSaveFile(const CountPlan& plan, TaskLedger& ledger, const TaskRun& run,
                                    const std::string& path, double saveEverySeconds) {
    SavedCountOutcome outcome;
    std::string real, error;
    if (outcome.Message = ResolveSavePath(path, real); !outcome.Message.empty()) return outcome;
    SaveLock lock;
    switch (lock.Acquire(real, error)) {
        case SaveLock::Outcome::Busy:
            outcome.Message = path + " is in use by another running count";
            return outcome;
        case SaveLock::Outcome::Failed: outcome.Message = error; return outcome;
        case SaveLock::Outcome::Held: break;
    }
    if (outcome.Message = CheckReplaceable(real, path); !outcome.Message.empty()) return outcome;
    bool fresh = false;
    if (outcome.Message = Load(plan, ledger, real, path, fresh); !outcome.Message.empty()) return outcome;
    // A new file is written at once, so that a folder that cannot take it is known before any work.
    if (fresh) {
        if (outcome.Message = WriteFileAtomically(real, SaveText(Snapshot(plan, ledger)), path);
            !outcome.Message.empty())
            return outcome;
    }
    Saver saver(plan, ledger, real, path, saveEverySeconds, run.Stop);
    TaskRun inner = run;
    inner.Stop = &saver.Halt;
    outcome.Count = CountTasks(plan, ledger, inner);
    saver.Finish();
    if (error = saver.SaveIfChanged(); !error.empty()) {
        outcome.Outcome = Status::SaveFailed;
        outcome.Message = error + "; the file keeps the work saved before";
        return outcome;
    }
    outcome.Outcome = outcome.Count.Stopped ? Status::Stopped : Status::Finished;
    return outcome;
}

}  // namespace nq
