#pragma once
// Writes a file completely or not at all.
#include <sys/stat.h>

#include <optional>
#include <string>
#include <utility>

// A file written under a temporary name beside its final one: created by
// Open (so that an unwritable place fails before any work is done) and
// renamed over the final name by Commit once complete. Until then the
// final name is untouched; a file never committed is removed, also when a
// stop signal ends the program.
//
// What is at the final name is respected:
// - a symbolic link is followed: the file it leads to is replaced, the
//   link kept;
// - a regular file keeps its permission bits (and its owner and group when
//   running as root);
// - a regular file with several hard links, or one of another owner (so
//   that a new file would change hands), is written in place once the whole
//   content is ready, so the links and the owner stay;
// - a device, a FIFO or the standard output (/dev/stdout) is opened by
//   Open and written as the content comes, with no temporary file;
// - a folder or a socket is refused by Open.
class PendingFile {
public:
    explicit PendingFile(std::string path) : path_(std::move(path)) {}
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the temporary file (or opens the target written in place);
    // the reason (strerror text) when it cannot.
    std::optional<std::string> Open();
    // Adds bytes to the file; the reason when it failed.
    std::optional<std::string> Append(const void* bytes, size_t count);
    // Appends the content, syncs the file and renames it over the final
    // name; the reason when any step failed (the temporary file is then
    // removed).
    std::optional<std::string> Commit(const std::string& content = {});
    const std::string& Path() const { return path_; }

private:
    enum class Way {
        Replace,  // a temporary file renamed over the target
        CopyIn,   // a temporary file copied into the target once complete
        Stream,   // the target itself, written as the content comes
    };
    std::optional<std::string> OpenTemporary(const struct stat* keep);
    std::optional<std::string> OpenStream(const struct stat& target);
    std::optional<std::string> CopyIntoTarget();

    std::string path_;
    std::string target_;  // path_ with its symbolic links followed
    std::string temporary_;
    Way way_ = Way::Replace;
    int fd_ = -1;        // the temporary file, or the target when streamed
    int targetFd_ = -1;  // CopyIn: the target, opened by Open
    int stopRegistration_ = -1;
};

// Writes the content to a new file beside `path` and renames it over
// `path` (as PendingFile does), so that a reader sees the old file or the
// whole new one, never a part. Returns the reason (strerror text) when it
// failed; the new file is then removed and `path` is left as it was.
std::optional<std::string> WriteWholeFile(const std::string& path, const std::string& content);
