// A count's save file: a small text file that holds the problem, the method's version, the finished tasks
// with their counts and the total so far, closed by a CRC-32 line. Written whole into a temporary file in
// the same folder and renamed over the old one, so that the file on disk is always a complete one; guarded
// by a lock file beside it that the operating system releases when its holder dies.
//
//   nqueens saved count 1
//   # run the same count command to go on; each task line: index, solutions, work in microseconds
//   problem n=18 fixed= unique=no
//   method eightfold 1
//   tasks 8349
//   finished 2
//   solutions 5744
//   task 17 3120 51234
//   task 90 2624 40210
//   checksum 1c291ca3
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/problem.h"

namespace nq {

struct SavedTask {
    std::size_t Index = 0;
    std::uint64_t Solutions = 0, Work = 0;
    friend bool operator==(const SavedTask&, const SavedTask&) = default;
};

struct SavedCount {
    std::string Problem;          // as ProblemLine gives it
    std::string Method;           // the plan's version
    std::size_t Tasks = 0;        // the plan's number of tasks
    std::vector<SavedTask> Done;  // ascending, distinct indices below Tasks
    friend bool operator==(const SavedCount&, const SavedCount&) = default;
};

// The problem as the file names it: "n=18 fixed=3:5,6:1 unique=no".
std::string ProblemLine(const Problem& p, bool unique);

std::string SaveText(const SavedCount& saved);
// Reads a save file's text. Returns "" and fills `saved`, or says why the text is not a sound save file.
// Any bytes at all are safe input.
std::string ReadSaveText(std::string_view text, SavedCount& saved);

// Replaces the file at `path` by `text` atomically (a temporary file in the same folder, flushed to disk,
// renamed). Returns "" or what went wrong; on failure the old file is untouched and no temporary is left.
std::string WriteFileAtomically(const std::string& path, const std::string& text);

// The lock of a save file: the file `path`.lock, held with flock while the object lives and removed then.
class SaveLock {
  public:
    enum class Outcome { Held, Busy, Failed };
    // Takes the lock without waiting. Busy: another process holds it; Failed: the lock file cannot be
    // created (error tells why).
    Outcome Acquire(const std::string& path, std::string& error);
    ~SaveLock();
    SaveLock() = default;
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

  private:
    int fd_ = -1;
    std::string lockPath_;
};

}  // namespace nq
