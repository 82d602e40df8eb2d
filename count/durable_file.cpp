// SPDX-License-Identifier: GPL-3.0-or-later
// The durable write of a file (temporary file, flush, rename) and the lock beside it.
#include "count/durable_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace nq {
namespace {

std::string Failure(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string WriteFileAtomically(const std::string& path, const std::string& text) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return Failure("cannot create a temporary file beside " + path, errno);
    std::size_t written = 0;
    int error = 0;
    while (written < text.size() && error == 0) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno != EINTR) error = errno;
        if (n > 0) written += static_cast<std::size_t>(n);
    }
    if (error == 0 && fchmod(fd, 0644) != 0) error = errno;
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temp.c_str());
        return Failure("cannot write " + path, error);
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
        const int fd = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
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
