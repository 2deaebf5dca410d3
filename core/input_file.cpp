#include "input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>

#include "error.h"
#include "messages.h"
#include "platform_error.h"

namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& path, int err) {
    throw CitraError("Cannot open file \"" + AbsolutePath(path) + "\". " + PlatformErrorText(err));
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

InputFile::InputFile(const std::string& path) {
    // Non-blocking only so that opening a FIFO cannot hang; it is refused below.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        ThrowCannotOpen(path, errno);
    }
    struct stat info {};
    int err = 0;
    if (::fstat(fd_, &info) != 0) {
        err = errno;
    } else if (S_ISDIR(info.st_mode)) {
        err = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        err = ENXIO;
    }
    if (err != 0) {
        Close();
        ThrowCannotOpen(path, err);
    }
    size_ = static_cast<uint64_t>(info.st_size);
}

InputFile::~InputFile() { Close(); }

void InputFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

size_t InputFile::ReadUpTo(void* buffer, size_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    // Normally one call; the loop only resumes a partial or interrupted read.
    while (done < count) {
        const ssize_t got = ::pread(fd_, out + done, count - done, static_cast<off_t>(position_));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CitraError(msg::kStreamRead);
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
        throw CitraError(msg::kStreamRead);
    }
}

std::vector<uint8_t> InputFile::ReadBlock(uint64_t count) {
    if (count > Remaining()) {
        throw CitraError(msg::kStreamRead);
    }
    if (count > kMaxInMemoryBytes) {
        throw CitraError(SystemErrorMessage(ENOMEM));
    }
    std::vector<uint8_t> block;
    try {
        block.resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        throw CitraError(SystemErrorMessage(ENOMEM));
    }
    ReadExact(block.data(), block.size());
    return block;
}
