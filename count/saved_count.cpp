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
// What the first save of a new file needs on disk, at most: its lines before the tasks.
constexpr std::size_t kFreshBytes = 1024;

using Status = SavedCountOutcome::Status;

SavedCount Snapshot(const CountPlan& plan, const TaskLedger& ledger) {
    SavedCount saved{.Problem = ProblemLine(plan.Board(), plan.Unique()),
                     .Method = plan.Version(),
                     .Counts = plan.Counts(),
                     .Kept = plan.Kept(),
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

// What a part of a count or its method's version is called in messages: "quadrants 2, part 3 of 8".
std::string Describe(const std::string& version, std::size_t tasks) {
    return version + ", " + std::to_string(tasks) + " tasks";
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

std::string SaveSession::Open(const std::string& path, const std::string& problem,
                              const std::string& version) {
    std::string error;
    path_ = path;
    version_ = version;
    if (error = ResolveSavePath(path, real_); !error.empty()) return error;
    switch (lock_.Acquire(real_, error)) {
        case SaveLock::Outcome::Busy: return path + " is in use by another running count";
        case SaveLock::Outcome::Failed: return error;
        case SaveLock::Outcome::Held: break;
    }
    if (error = CheckReplaceable(real_, path); !error.empty()) return error;
    std::string text;
    // A new file is written only once the plan is made: a folder that cannot take it (a full disk) is found
    // before that, with a file of the size a new save has at most (a few lines and a few tasks).
    if (!ReadWhole(real_, path, text, fresh_, error))
        return fresh_ ? CheckRoom(real_, kFreshBytes, path) : error;
    if (const std::string why = ReadSaveText(text, saved_); !why.empty())
        return path + " is not a save file of nqueens or is damaged: " + why;
    if (saved_.Problem != problem)
        return path + " holds the count of another problem (" + saved_.Problem + "), not of " + problem;
    if (saved_.Method != version) {
        // The method's name and its version come first, the part (if any) after a comma.
        auto method = [](const std::string& v) { return v.substr(0, v.find(',')); };
        if (method(saved_.Method) != method(version) &&
            saved_.Method.substr(0, saved_.Method.find(' ')) == version.substr(0, version.find(' ')))
            return path + " was saved by another version of the counting method (" + saved_.Method +
                   "), not by this one (" + version + ")";
        return path + " holds a count by " + saved_.Method + ", not by " + version +
               "; give the options of that count, or another file";
    }
    return "";
}

std::optional<WideCount> SaveSession::FinishedSum() const {
    if (fresh_ || saved_.Done.size() != saved_.Tasks) return std::nullopt;
    WideCount sum = 0;
    for (const SavedTask& t : saved_.Done)
        sum += t.Solutions;
    return sum;
}

SavedCountOutcome SaveSession::Count(const CountPlan& plan, TaskLedger& ledger, const TaskRun& run,
                                     double saveEverySeconds) {
    SavedCountOutcome outcome;
    if (plan.Version() != version_) {
        // The automatic method fell back to another one while the plan was made.
        if (!fresh_) {
            outcome.Message = path_ + " holds a count by " + saved_.Method + ", but this count runs by " +
                              plan.Version() + ": there was no memory for the other method";
            return outcome;
        }
    } else if (!fresh_ && saved_.Tasks != plan.Size()) {
        outcome.Message = path_ + " holds " + Describe(saved_.Method, saved_.Tasks) + ", not " +
                          Describe(plan.Version(), plan.Size()) + " as this version of nqueens cuts it";
        return outcome;
    }
    if (!fresh_) {
        for (const SavedTask& t : saved_.Done)
            ledger.Finish(t.Index, t.Solutions, t.Work, false);
    } else {
        // A new file is written at once, so that a folder that cannot take it is known before any work.
        if (outcome.Message = WriteFileAtomically(real_, SaveText(Snapshot(plan, ledger)), path_);
            !outcome.Message.empty())
            return outcome;
    }
    Saver saver(plan, ledger, real_, path_, saveEverySeconds, run.Stop);
    TaskRun inner = run;
    inner.Stop = &saver.Halt;
    outcome.Count = CountTasks(plan, ledger, inner);
    saver.Finish();
    if (const std::string error = saver.SaveIfChanged(); !error.empty()) {
        outcome.Outcome = Status::SaveFailed;
        outcome.Message = error + "; the file keeps the work saved before";
        return outcome;
    }
    outcome.Outcome = outcome.Count.Stopped ? Status::Stopped : Status::Finished;
    return outcome;
}

SavedCountOutcome CountWithSaveFile(const CountPlan& plan, TaskLedger& ledger, const TaskRun& run,
                                    const std::string& path, double saveEverySeconds) {
    SaveSession session;
    if (std::string refusal = session.Open(path, ProblemLine(plan.Board(), plan.Unique()), plan.Version());
        !refusal.empty()) {
        SavedCountOutcome outcome;
        outcome.Message = std::move(refusal);
        return outcome;
    }
    return session.Count(plan, ledger, run, saveEverySeconds);
}

}  // namespace nq
