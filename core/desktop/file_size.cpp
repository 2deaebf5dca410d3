// MeasureFileSize and its I/O error messages.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "error.h"
#include "input_file.h"
#include "io_error.h"
#include "messages.h"
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
            return msg::kFileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return msg::kInvalidFilename;
        case EMFILE:
        case ENFILE:
            return msg::kTooManyOpenFiles;
        case EACCES:
        case EPERM:
            return msg::kFileAccessDenied;
        default:
            return msg::IoError(err);
    }
}

int64_t MeasureFileSize(const std::string& path) {
    const OpenedFile opened = OpenForReading(path, false);
    if (opened.openFailed) {
        throw CitraError(IoErrorMessage(RefineOpenError(opened.error, path)));
    }
    int err = opened.error;
    if (err == 0 && ::close(opened.fd) != 0) {
        err = errno;
    }
    if (err != 0) {
        throw CitraError(IoErrorMessage(err));
    }
    return static_cast<int64_t>(opened.size);
}
