#pragma once
// A file opened read-only for one of the picture readers. It stays open
// until Close() or destruction; all reads are positioned, so no seeking
// system calls are made.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Largest block a reader keeps in memory at once (pixel rasters included).
inline constexpr uint64_t kMaxInMemoryBytes = uint64_t{1} << 30;

class InputFile {
public:
    // Throws CitraError "Cannot open file "<absolute path>". <reason>".
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Length of the file when it was opened.
    uint64_t Size() const { return size_; }
    uint64_t Position() const { return position_; }
    uint64_t Remaining() const { return position_ < size_ ? size_ - position_ : 0; }
    void SeekTo(uint64_t position) { position_ = position; }

    // Reads up to count bytes; fewer only at the end of the file.
    // A failing read throws "Stream read error".
    size_t ReadUpTo(void* buffer, size_t count);
    // Reads exactly count bytes or throws "Stream read error".
    void ReadExact(void* buffer, size_t count);
    // Reads exactly count bytes into a new block. A block beyond
    // kMaxInMemoryBytes, or one that cannot be allocated, throws the
    // out-of-memory system error.
    std::vector<uint8_t> ReadBlock(uint64_t count);

    void Close();

private:
    int fd_ = -1;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
};

// Absolute, lexically normalised form of a path, for messages.
std::string AbsolutePath(const std::string& path);
