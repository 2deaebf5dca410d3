#include "input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>

#include "error.h"
#include "messages.h"
#include "platform_error.h"

namespace {

FileIdentity IdentityOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, static_cast<int64_t>(info.st_mtim.tv_sec),
            static_cast<int64_t>(info.st_mtim.tv_nsec)};
}

[[noreturn]] void ThrowCannotOpen(const std::string& path, int err) {
    throw CitraError(msg::CannotOpenFile(AbsolutePath(path), PlatformErrorText(err)), ErrorKind::InputOutput);
}

}  // namespace

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) {
        return path;
    }
    return absolute.lexically_normal().string();
}

OpenedFile OpenForReading(const std::string& path, bool regularOnly) {
    OpenedFile opened;
    opened.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (opened.fd < 0) {
        opened.error = errno;
        opened.openFailed = true;
        return opened;
    }
    struct stat info {};
    if (::fstat(opened.fd, &info) != 0) {
        opened.error = errno;
    } else if (S_ISDIR(info.st_mode)) {
        opened.error = EISDIR;
    } else if (regularOnly && !S_ISREG(info.st_mode)) {
        opened.error = ENXIO;
    }
    if (opened.error != 0) {
        ::close(opened.fd);
        opened.fd = -1;
        return opened;
    }
    opened.size = info.st_size;
    opened.identity = IdentityOf(info);
    return opened;
}

InputFile::InputFile(const std::string& path, uint64_t maxBlockBytes)
    : path_(path), maxBlockBytes_(std::min(maxBlockBytes, kMaxInMemoryBytes)) {
    // A FIFO or device is refused: the readers need a length.
    const OpenedFile opened = OpenForReading(path, true);
    if (opened.error != 0) {
        ThrowCannotOpen(path, opened.error);
    }
    fd_ = opened.fd;
    size_ = static_cast<uint64_t>(opened.size);
    identity_ = opened.identity;
}

void InputFile::ThrowIfChanged() const {
    if (inMemory_ || fd_ < 0) return;
    struct stat info {};
    // The open descriptor keeps reading the version it opened even when the
    // name now leads to another file; a new file at the name is a change too.
    struct stat named {};
    const bool same = ::fstat(fd_, &info) == 0 && IdentityOf(info) == identity_ &&
                      ::stat(path_.c_str(), &named) == 0 && named.st_dev == info.st_dev &&
                      named.st_ino == info.st_ino;
    if (!same) throw CitraError(path_ + ": file changed while it was read", ErrorKind::InputOutput);
}

InputFile::InputFile(std::span<const uint8_t> bytes, uint64_t maxBlockBytes)
    : memory_(bytes.data()),
      inMemory_(true),
      size_(bytes.size()),
      maxBlockBytes_(std::min(maxBlockBytes, kMaxInMemoryBytes)) {}

InputFile::~InputFile() { Close(); }

void InputFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    memory_ = nullptr;
    inMemory_ = false;
}

size_t InputFile::ReadUpTo(void* buffer, size_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    if (inMemory_) {
        const size_t got = static_cast<size_t>(std::min<uint64_t>(count, Remaining()));
        if (got != 0) {
            std::memcpy(out, memory_ + position_, got);
        }
        position_ += got;
        return got;
    }
    size_t done = 0;
    // Normally one call; the loop only resumes a partial or interrupted read.
    while (done < count) {
        const ssize_t got = ::pread(fd_, out + done, count - done, static_cast<off_t>(position_));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CitraError(msg::kStreamRead, ErrorKind::CutShort);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
        position_ += static_cast<uint64_t>(got);
    }
    return done;
}

void InputFile::ReadExact(void* buffer, size_t count) {
    if (ReadUpTo(buffer, count) != count) {
        throw CitraError(msg::kStreamRead, ErrorKind::CutShort);
    }
}

SampleBytes InputFile::ReadBlock(uint64_t count) {
    if (count > Remaining()) {
        throw CitraError(msg::kStreamRead, ErrorKind::CutShort);
    }
    if (count > maxBlockBytes_) {
        throw CitraError(SystemErrorMessage(ENOMEM), ErrorKind::OutOfMemory);
    }
    SampleBytes block;  // read into whole: never zero-filled first
    try {
        block.resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        throw CitraError(SystemErrorMessage(ENOMEM), ErrorKind::OutOfMemory);
    }
    ReadExact(block.data(), block.size());
    return block;
}
