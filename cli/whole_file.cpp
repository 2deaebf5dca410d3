#include "whole_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

}  // namespace

PendingFile::~PendingFile() {
    if (fd_ >= 0) close(fd_);
    if (!temporary_.empty()) unlink(temporary_.c_str());
}

std::optional<std::string> PendingFile::Open() {
    std::string temporary = path_ + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return std::string(std::strerror(errno));
    fd_ = fd;
    temporary_ = std::move(temporary);
    // mkstemp makes the file private; give it the mode a new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd_, 0666 & ~mask) != 0) return std::string(std::strerror(errno));
    return std::nullopt;
}

std::optional<std::string> PendingFile::Append(const void* bytes, size_t count) {
    if (fd_ < 0) return std::string(std::strerror(EBADF));
    if (!WriteAll(fd_, static_cast<const char*>(bytes), count)) return std::string(std::strerror(errno));
    return std::nullopt;
}

std::optional<std::string> PendingFile::Commit(const std::string& content) {
    if (fd_ < 0) return std::string(std::strerror(EBADF));
    bool ok = WriteAll(fd_, content.data(), content.size()) && fsync(fd_) == 0;
    int error = ok ? 0 : errno;
    if (close(fd_) != 0 && ok) {
        ok = false;
        error = errno;
    }
    fd_ = -1;
    if (ok && rename(temporary_.c_str(), path_.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) return std::string(std::strerror(error));  // the destructor removes the temporary file
    temporary_.clear();
    return std::nullopt;
}

std::optional<std::string> WriteWholeFile(const std::string& path, const std::string& content) {
    PendingFile file(path);
    if (auto reason = file.Open()) return reason;
    return file.Commit(content);
}
