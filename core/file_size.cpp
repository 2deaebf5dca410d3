// MeasureFileSize and its I/O error messages.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "error.h"
#include "io_error.h"
#include "picture.h"

namespace {

// A missing file inside a missing folder counts as a path that does not
// exist, like a path through something that is not a folder.
int RefineOpenError(int err, const std::string& path) {
    if (err != ENOENT) {
        return err;
    }
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty()) {
        return err;
    }
    struct stat info {};
    if (::stat(parent.c_str(), &info) != 0) {
        return ENOTDIR;
    }
    return err;
}

}  // namespace

std::string IoErrorMessage(int err) {
    switch (err) {
        case ENOENT:
            return "File not found";
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return "Invalid filename";
        case EMFILE:
        case ENFILE:
            return "Too many open files";
        case EACCES:
        case EPERM:
            return "File access denied";
        default:
            return "I/O error " + std::to_string(err);
    }
}

int64_t MeasureFileSize(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw CitraError(IoErrorMessage(RefineOpenError(errno, path)));
    }
    struct stat info {};
    int err = 0;
    if (::fstat(fd, &info) != 0) {
        err = errno;
    } else if (S_ISDIR(info.st_mode)) {
        err = EISDIR;
    }
    if (::close(fd) != 0 && err == 0) {
        err = errno;
    }
    if (err != 0) {
        throw CitraError(IoErrorMessage(err));
    }
    return static_cast<int64_t>(info.st_size);
}
