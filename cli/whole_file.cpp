#include "whole_file.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "interrupt.h"

namespace {

bool WriteAll(int fd, const char* bytes, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = write(fd, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string Reason(int error) { return std::strerror(error); }

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The name a chain of symbolic links ends at, which need not exist (a link
// to a file not made yet); nullopt with errno set when it cannot be read
// or loops.
std::optional<std::string> FollowLinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        char target[PATH_MAX];
        const ssize_t n = readlink(current.c_str(), target, sizeof target);
        if (n < 0) return std::nullopt;
        if (static_cast<size_t>(n) == sizeof target) {
            errno = ENAMETOOLONG;
            return std::nullopt;
        }
        std::string next(target, static_cast<size_t>(n));
        const size_t slash = current.rfind('/');
        if (!next.starts_with('/') && slash != std::string::npos) next = current.substr(0, slash + 1) + next;
        current = std::move(next);
    }
    errno = ELOOP;
    return std::nullopt;
}

}  // namespace

PendingFile::~PendingFile() {
    if (fd_ >= 0) close(fd_);
    if (targetFd_ >= 0) close(targetFd_);
    if (!temporary_.empty()) unlink(temporary_.c_str());
    ForgetOnStop(stopRegistration_);
}

std::optional<std::string> PendingFile::Open() {
    target_ = path_;
    struct stat st {};
    if (lstat(path_.c_str(), &st) != 0) {
        if (errno != ENOENT) return Reason(errno);
        return OpenTemporary(nullptr);
    }
    if (S_ISLNK(st.st_mode)) {
        const auto followed = FollowLinks(path_);
        if (!followed) return Reason(errno);
        struct stat through {};
        if (stat(path_.c_str(), &through) != 0) {
            if (errno != ENOENT) return Reason(errno);
            target_ = *followed;  // a link to nothing yet: the file is made where it points
            return OpenTemporary(nullptr);
        }
        struct stat there {};
        struct stat out {};
        // A link the system resolves by itself (/dev/stdout to a pipe) names
        // no folder for a temporary file; our own standard output, even a
        // file, is the stream the caller redirected, never to be replaced.
        if (lstat(followed->c_str(), &there) != 0 || !SameFile(there, through) ||
            (fstat(STDOUT_FILENO, &out) == 0 && SameFile(out, through)))
            return OpenStream(through);
        target_ = *followed;
        st = there;
    }
    if (S_ISDIR(st.st_mode)) return Reason(EISDIR);
    if (S_ISSOCK(st.st_mode)) return std::string("Is a socket");
    if (!S_ISREG(st.st_mode)) return OpenStream(st);
    // A new file would break the other hard links, or as a user's own
    // file change the owner of someone else's: the content goes into the
    // file itself, but only once it is complete.
    if (st.st_nlink > 1 || (geteuid() != 0 && st.st_uid != geteuid())) {
        way_ = Way::CopyIn;
        targetFd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        if (targetFd_ < 0) return Reason(errno);
        return OpenTemporary(nullptr);
    }
    return OpenTemporary(&st);
}

std::optional<std::string> PendingFile::OpenTemporary(const struct stat* keep) {
    std::string temporary = target_ + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return Reason(errno);
    fd_ = fd;
    temporary_ = std::move(temporary);
    stopRegistration_ = RemoveOnStop(temporary_);
    if (way_ == Way::CopyIn) return std::nullopt;  // never shown under the target's name: mkstemp's mode will do
    mode_t mode = 0;
    if (keep) {
        if (geteuid() == 0) {
            if (fchown(fd_, keep->st_uid, keep->st_gid) != 0) return Reason(errno);
        } else if (fchown(fd_, static_cast<uid_t>(-1), keep->st_gid) != 0 && errno != EPERM) {
            // EPERM: a group the user is not in; the file gets the user's, as from any editor.
            return Reason(errno);
        }
        mode = keep->st_mode & 0777;  // set-id bits are dropped, as a write by another user drops them
    } else {
        // mkstemp makes the file private; give it the mode a new file gets.
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(fd_, mode) != 0) return Reason(errno);
    return std::nullopt;
}

std::optional<std::string> PendingFile::OpenStream(const struct stat& target) {
    way_ = Way::Stream;
    struct stat out {};
    if (fstat(STDOUT_FILENO, &out) == 0 && SameFile(out, target)) {
        // Through our own descriptor, so that what the run writes there
        // afterwards follows the file instead of overwriting its start.
        fd_ = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    } else {
        // A regular file reached so (/proc/self/fd/N) is somebody's stream: added to, never truncated.
        fd_ = open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (S_ISREG(target.st_mode) ? O_APPEND : 0));
    }
    if (fd_ < 0) return Reason(errno);
    return std::nullopt;
}

std::optional<std::string> PendingFile::Append(const void* bytes, size_t count) {
    if (fd_ < 0) return Reason(EBADF);
    if (!WriteAll(fd_, static_cast<const char*>(bytes), count)) return Reason(errno);
    return std::nullopt;
}

std::optional<std::string> PendingFile::CopyIntoTarget() {
    struct stat staged {}, now {};
    if (fstat(fd_, &staged) != 0 || fstat(targetFd_, &now) != 0) return Reason(errno);
    // Room for the whole content first, so that a full disk fails before
    // the target is touched (file systems without fallocate skip this).
    if (staged.st_size > now.st_size) {
        const int error = posix_fallocate(targetFd_, 0, staged.st_size);
        if (error != 0 && error != EOPNOTSUPP) return Reason(error);
    }
    char buffer[1 << 16];
    for (off_t at = 0; at < staged.st_size;) {
        const size_t want = static_cast<size_t>(std::min<off_t>(sizeof buffer, staged.st_size - at));
        const ssize_t got = pread(fd_, buffer, want, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return Reason(got == 0 ? EIO : errno);
        if (!WriteAll(targetFd_, buffer, static_cast<size_t>(got))) return Reason(errno);
        at += got;
    }
    if (ftruncate(targetFd_, staged.st_size) != 0 || fsync(targetFd_) != 0) return Reason(errno);
    if (close(std::exchange(targetFd_, -1)) != 0) return Reason(errno);
    return std::nullopt;
}

std::optional<std::string> PendingFile::Commit(const std::string& content) {
    if (fd_ < 0) return Reason(EBADF);
    // On any failure the destructor closes what is open and removes the
    // temporary file.
    if (!WriteAll(fd_, content.data(), content.size())) return Reason(errno);
    switch (way_) {
    case Way::Stream:
        if (close(std::exchange(fd_, -1)) != 0) return Reason(errno);
        return std::nullopt;
    case Way::CopyIn:
        if (auto reason = CopyIntoTarget()) return reason;
        close(std::exchange(fd_, -1));  // the staged copy: its content is in the target now
        if (unlink(temporary_.c_str()) != 0) return Reason(errno);
        break;
    case Way::Replace:
        if (fsync(fd_) != 0) return Reason(errno);
        if (close(std::exchange(fd_, -1)) != 0) return Reason(errno);
        if (rename(temporary_.c_str(), target_.c_str()) != 0) return Reason(errno);
        break;
    }
    ForgetOnStop(std::exchange(stopRegistration_, -1));
    temporary_.clear();
    return std::nullopt;
}

std::optional<std::string> WriteWholeFile(const std::string& path, const std::string& content) {
    PendingFile file(path);
    if (auto reason = file.Open()) return reason;
    return file.Commit(content);
}
