#pragma once
// Writes a file completely or not at all.
#include <optional>
#include <string>
#include <utility>

// A file written under a temporary name beside its final one: created by
// Open (so that an unwritable place fails before any work is done) and
// renamed over the final name by Commit once complete. Until then the
// final name is untouched; a file never committed is removed.
class PendingFile {
public:
    explicit PendingFile(std::string path) : path_(std::move(path)) {}
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the temporary file; the reason (strerror text) when it cannot.
    std::optional<std::string> Open();
    // Adds bytes to the temporary file; the reason when it failed.
    std::optional<std::string> Append(const void* bytes, size_t count);
    // Appends the content, syncs the file and renames it over the final
    // name; the reason when any step failed (the temporary file is then
    // removed).
    std::optional<std::string> Commit(const std::string& content = {});
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
};

// Writes the content to a new file beside `path` and renames it over
// `path`, so that a reader sees the old file or the whole new one, never a
// part. Returns the reason (strerror text) when it failed; the new file is
// then removed and `path` is left as it was.
std::optional<std::string> WriteWholeFile(const std::string& path, const std::string& content);
