// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a file so that the disk always holds a complete one (a temporary file in the same folder, flushed,
// renamed over the old), and the lock file that keeps two processes from writing the same file; the
// operating system releases the lock when its holder dies.
#pragma once

#include <string>

namespace nq {

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
