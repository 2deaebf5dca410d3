#pragma once
// Standard output with every write checked: the first failure is kept with
// its errno, so the tool can say why its results were lost.
#include <array>
#include <ostream>
#include <streambuf>

class FileDescriptorBuffer : public std::streambuf {
public:
    explicit FileDescriptorBuffer(int fd);
    ~FileDescriptorBuffer() override;
    FileDescriptorBuffer(const FileDescriptorBuffer&) = delete;
    FileDescriptorBuffer& operator=(const FileDescriptorBuffer&) = delete;

    // errno of the first write or close that failed; 0 while none has.
    int Error() const { return error_; }
    // Writes what is buffered and closes the descriptor; false on failure.
    bool Close();

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize count) override;
    int sync() override;

private:
    bool Drain();
    bool WriteAll(const char* data, size_t count);

    int fd_;
    int error_ = 0;
    bool closed_ = false;
    std::array<char, 1 << 16> buffer_{};
};

class CheckedOutput : public std::ostream {
public:
    explicit CheckedOutput(int fd) : std::ostream(nullptr), buffer_(fd) { rdbuf(&buffer_); }

    int Error() const { return buffer_.Error(); }
    // Flushes and closes; false (and Error() set) when something was lost.
    bool Close();

private:
    FileDescriptorBuffer buffer_;
};

// The errno of a lost write to the stream: that of CheckedOutput, EIO for a
// stream of another kind that failed, 0 when nothing was lost.
int OutputError(const std::ostream& out);
