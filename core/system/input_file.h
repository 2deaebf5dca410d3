#pragma once
// The bytes of one picture for the readers: a file opened read-only, or a
// block already in memory read the same way. A file stays open until
// Close() or destruction; all reads are positioned, so no seeking system
// calls are made.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

#include "sample_allocator.h"

// Largest block a reader keeps in memory at once (pixel rasters included).
inline constexpr uint64_t kMaxInMemoryBytes = uint64_t{1} << 30;

// What tells one version of a file from another.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};

class InputFile {
public:
    // Throws CitraError "Cannot open file "<absolute path>". <reason>".
    // maxBlockBytes lowers the largest block and raster the readers accept
    // (never above kMaxInMemoryBytes); a larger one is refused with the
    // message it gets above kMaxInMemoryBytes.
    explicit InputFile(const std::string& path, uint64_t maxBlockBytes = kMaxInMemoryBytes);
    // Reads the bytes as if they were the file's content. They are not
    // copied and must outlive this object.
    explicit InputFile(std::span<const uint8_t> bytes, uint64_t maxBlockBytes = kMaxInMemoryBytes);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Length of the file when it was opened.
    uint64_t Size() const { return size_; }
    uint64_t Position() const { return position_; }
    uint64_t Remaining() const { return position_ < size_ ? size_ - position_ : 0; }
    void SeekTo(uint64_t position) { position_ = position; }
    uint64_t MaxBlockBytes() const { return maxBlockBytes_; }

    // Reads up to count bytes; fewer only at the end of the file.
    // A failing read throws "Stream read error".
    size_t ReadUpTo(void* buffer, size_t count);
    // Reads exactly count bytes or throws "Stream read error".
    void ReadExact(void* buffer, size_t count);
    // Reads exactly count bytes into a new block. A block beyond
    // MaxBlockBytes(), or one that cannot be allocated, throws the
    // out-of-memory system error.
    SampleBytes ReadBlock(uint64_t count);

    // Throws CitraError "<path>: file changed while it was read" (kind
    // InputOutput) when the file's size, modification time or identity is
    // no longer what it was at opening, so that a reading that spans a
    // change is never taken for the picture. Nothing for bytes in memory.
    void ThrowIfChanged() const;

    void Close();

private:
    std::string path_;
    FileIdentity identity_;
    int fd_ = -1;
    const uint8_t* memory_ = nullptr;
    bool inMemory_ = false;  // reads come from memory_, not fd_
    uint64_t size_ = 0;
    uint64_t position_ = 0;
    uint64_t maxBlockBytes_ = kMaxInMemoryBytes;
};

// A file opened read-only (non-blocking, so a FIFO cannot hang the open)
// with its status, or the errno of the step that failed.
struct OpenedFile {
    int fd = -1;  // -1 when error is set
    off_t size = 0;
    FileIdentity identity;
    int error = 0;
    bool openFailed = false;  // error came from open() itself
};
// Folders are refused with EISDIR; with regularOnly, anything else that is
// not a plain file with ENXIO. The caller closes fd.
OpenedFile OpenForReading(const std::string& path, bool regularOnly);

// Absolute, lexically normalised form of a path, for messages.
std::string AbsolutePath(const std::string& path);
