// SPDX-License-Identifier: GPL-3.0-or-later
// The durable write of a file (temporary file, flush, rename, the old file's mode and owner), the resolution
// of its path through symbolic links, the checks before it is replaced, and the lock beside it.
#include "count/durable_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace nq {
namespace {

// Links followed before a path counts as a loop, as the kernel's own limit.
constexpr int kMaxLinks = 40;

std::string Failure(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The target of the symbolic link at `path`; false when it is none.
bool LinkTarget(const std::string& path, std::string& target) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0) return false;
        if (static_cast<std::size_t>(n) < buffer.size()) {
            target = buffer.substr(0, static_cast<std::size_t>(n));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The room a save needs when the disk is full: the new copy, written beside the old one.
std::string RoomNeeded(std::size_t bytes) {
    return "; a save needs room for a second copy of the file (" + std::to_string((bytes + 1023) / 1024) +
           " KiB) beside the old one while it is written";
}

}  // namespace

std::string ResolveSavePath(const std::string& given, std::string& resolved) {
    std::string path = given;
    for (int links = 0;; ++links) {
        struct stat st = {};
        std::string target;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || !LinkTarget(path, target)) break;
        if (links == kMaxLinks) return Failure(given, ELOOP);
        path = target.starts_with("/") ? target : FolderOf(path) + "/" + target;
    }
    const std::string base = BaseOf(path);
    if (base.empty() || base == "." || base == "..") return given + " names a folder, not a file";
    const std::string folder = FolderOf(path);
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(folder.c_str(), nullptr), &std::free);
    if (real == nullptr) {
        if (errno == ENOENT) return "the folder " + folder + " does not exist";
        if (errno == ENOTDIR) return folder + " is not a folder";
        return Failure("cannot reach the folder " + folder, errno);
    }
    const std::string realFolder = real.get();
    struct stat st = {};
    if (stat(realFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return folder + " is not a folder";
    resolved = (realFolder == "/" ? "" : realFolder) + "/" + base;
    if (stat(resolved.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return given + " names a folder, not a file";
    return "";
}

std::string CheckReplaceable(const std::string& path, const std::string& shown) {
    struct stat st = {};
    if (stat(path.c_str(), &st) != 0) return errno == ENOENT ? "" : Failure("cannot reach " + shown, errno);
    if (!S_ISREG(st.st_mode)) return "";  // the reader says what it is
    // Root may write any file: a file without a single write bit is still one its owner meant to keep.
    if (access(path.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
        return shown +
               " is read-only: a save would replace it; make it writable (chmod u+w) to go on with it";
    if (geteuid() != 0 && st.st_uid != geteuid())
        return shown +
               " belongs to another user: a save writes a new file, which would be yours; run the count "
               "as its owner";
    if (st.st_nlink > 1)
        return shown + " has " + std::to_string(st.st_nlink) +
               " names (hard links): a save writes a new file under this name, and the others would keep the "
               "old work; keep the save file under one name";
    return "";
}

namespace {

// Writes `text` into the temporary file beside `path` (resolved), flushed to disk, with the mode and owner of
// `old` where given. Returns 0 or the error; the temporary file stays for the caller to rename or remove.
// The error of a temporary file that cannot be created at all is in `creating`.
int WriteTemporary(const std::string& temp, const std::string& text, const struct stat* old, bool& creating) {
    unlink(temp.c_str());  // a leftover of a save that was killed
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    creating = fd < 0;
    if (fd < 0) return errno;
    std::size_t written = 0;
    int error = 0;
    while (written < text.size() && error == 0) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno != EINTR) error = errno;
        if (n > 0) written += static_cast<std::size_t>(n);
    }
    // The owner first: a change of owner clears the set-id bits. A group the user is not in stays the user's.
    if (error == 0 && old != nullptr && fchown(fd, old->st_uid, old->st_gid) != 0 &&
        fchown(fd, old->st_uid, static_cast<gid_t>(-1)) != 0)
        error = errno;
    if (error == 0 && old != nullptr && fchmod(fd, old->st_mode & 07777) != 0) error = errno;
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    return error;
}

}  // namespace

std::string CheckRoom(const std::string& path, std::size_t bytes, const std::string& shown) {
    const std::string temp = path + ".tmp";
    bool creating = false;
    const int error = WriteTemporary(temp, std::string(bytes, '\n'), nullptr, creating);
    unlink(temp.c_str());
    if (error == 0) return "";
    return Failure("cannot write " + shown + (creating ? " (its temporary file " + temp + ")" : ""), error) +
           (error == ENOSPC || error == EDQUOT
                ? "; a new save file needs at least " + std::to_string((bytes + 1023) / 1024) + " KiB"
                : "");
}

std::string WriteFileAtomically(const std::string& path, const std::string& text, const std::string& shown) {
    const std::string temp = path + ".tmp";
    struct stat old = {};
    const bool replaces = stat(path.c_str(), &old) == 0;
    bool creating = false;
    int error = WriteTemporary(temp, text, replaces ? &old : nullptr, creating);
    if (creating) {
        return Failure("cannot write " + shown + " (its temporary file " + temp + ")", error) +
               (error == ENOSPC || error == EDQUOT ? RoomNeeded(text.size()) : "");
    }
    if (error == 0 && rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temp.c_str());
        return Failure("cannot write " + shown, error) +
               (error == ENOSPC || error == EDQUOT ? RoomNeeded(text.size()) : "");
    }
    // The rename itself reaches the disk with the folder.
    const int folder = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return "";
}

SaveLock::Outcome SaveLock::Acquire(const std::string& path, std::string& error) {
    lockPath_ = path + ".lock";
    // The lock file is removed by its last holder; a file locked just after that removal is a stale one,
    // so try again on the file now at the path.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            error = Failure("cannot create the lock file " + lockPath_, errno);
            return Outcome::Failed;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int e = errno;
            close(fd);
            if (e == EWOULDBLOCK) return Outcome::Busy;
            error = Failure("cannot lock " + lockPath_, e);
            return Outcome::Failed;
        }
        struct stat held = {}, named = {};
        if (fstat(fd, &held) == 0 && stat(lockPath_.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
            held.st_dev == named.st_dev) {
            fd_ = fd;
            return Outcome::Held;
        }
        close(fd);
    }
    error = "cannot lock " + lockPath_ + ": it keeps being replaced";
    return Outcome::Failed;
}

SaveLock::~SaveLock() {
    if (fd_ < 0) return;
    unlink(lockPath_.c_str());
    close(fd_);
}

}  // namespace nq
