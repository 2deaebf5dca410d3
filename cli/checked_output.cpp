#include "checked_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

FileDescriptorBuffer::FileDescriptorBuffer(int fd) : fd_(fd) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

FileDescriptorBuffer::~FileDescriptorBuffer() { Drain(); }

bool FileDescriptorBuffer::WriteAll(const char* data, size_t count) {
    if (error_ != 0) return false;
    while (count > 0) {
        const ssize_t written = ::write(fd_, data, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        if (written == 0) {  // not expected of a write of at least a byte
            error_ = EIO;
            return false;
        }
        data += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

bool FileDescriptorBuffer::Drain() {
    const size_t pending = static_cast<size_t>(pptr() - pbase());
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return pending == 0 ? error_ == 0 : WriteAll(buffer_.data(), pending);
}

FileDescriptorBuffer::int_type FileDescriptorBuffer::overflow(int_type c) {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize FileDescriptorBuffer::xsputn(const char* data, std::streamsize count) {
    const auto size = static_cast<size_t>(count);
    if (size <= static_cast<size_t>(epptr() - pptr())) {
        std::memcpy(pptr(), data, size);
        pbump(static_cast<int>(size));
        return count;
    }
    // Larger than the room left: what is buffered, then the bytes at once.
    if (!Drain() || !WriteAll(data, size)) return 0;
    return count;
}

int FileDescriptorBuffer::sync() { return Drain() ? 0 : -1; }

bool FileDescriptorBuffer::Close() {
    if (closed_) return error_ == 0;
    const bool drained = Drain();
    closed_ = true;
    if (::close(fd_) != 0 && error_ == 0 && errno != EINTR) error_ = errno;
    return drained && error_ == 0;
}

bool CheckedOutput::Close() {
    const bool closed = buffer_.Close();
    if (!closed) setstate(std::ios::badbit);
    return closed;
}

int OutputError(const std::ostream& out) {
    if (const auto* buffer = dynamic_cast<const FileDescriptorBuffer*>(out.rdbuf()); buffer && buffer->Error() != 0)
        return buffer->Error();
    return out.good() ? 0 : EIO;
}
