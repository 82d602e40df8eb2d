// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a file so that the disk always holds a complete one (a temporary file in the same folder, flushed,
// renamed over the old, with the old one's mode and owner), the path of such a file resolved once through its
// symbolic links, and the lock file that keeps two processes from writing the same file; the operating system
// releases the lock when its holder dies.
#pragma once

#include <string>

namespace nq {

// Resolves `given` once, as an editor's save does: symbolic links are followed to the file they name (a
// dangling link to the file it would create) and the folder is made absolute with its own links resolved, so
// that every name of the file gives the same `resolved` path. Returns "" or one line on why no file can be
// kept there: a folder that does not exist or is no folder, a loop of links, the name of a folder.
std::string ResolveSavePath(const std::string& given, std::string& resolved);

// Whether the file at `path` (resolved), if it exists, may be replaced by a save; "" or one line naming it as
// `shown`: it is read-only (no write permission, or, for root, no write bit at all), it belongs to another
// user (whose ownership a save could not keep), or it has other names (hard links, which a rename would leave
// with the old work).
std::string CheckReplaceable(const std::string& path, const std::string& shown);

// Replaces the file at `path` (resolved) by `text` atomically: the temporary file `path`.tmp (only the holder
// of the path's SaveLock may write it; a leftover of a killed process is replaced), flushed to disk, given
// the old file's mode and owner (a new file: 0666 less the umask), renamed over it. Returns "" or one line
// naming the file as `shown`; when the disk is full it says how much room a save needs. On failure the old
// file is untouched and the temporary file removed.
std::string WriteFileAtomically(const std::string& path, const std::string& text, const std::string& shown);

// Whether a save of about `bytes` fits beside the file at `path` (resolved) now: writes the temporary file as
// WriteFileAtomically would, and removes it. "" or one line naming the file as `shown`, as
// WriteFileAtomically words it. Only by the holder of the path's SaveLock.
std::string CheckRoom(const std::string& path, std::size_t bytes, const std::string& shown);

// The lock of a save file: the file `path`.lock, held with flock while the object lives and removed then.
class SaveLock {
  public:
    enum class Outcome { Held, Busy, Failed };
    // Takes the lock of `path` (resolved, so that every name of a file shares one lock) without waiting.
    // Busy: another process holds it; Failed: the lock file cannot be created (error tells why).
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
