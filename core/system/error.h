#pragma once
// The one error type the core raises. Its message is the exact text shown
// to the user (loader messages in English, command refusals in Indonesian);
// its kind is what callers decide on, never the text.
#include <stdexcept>
#include <string>

enum class ErrorKind {
    Decode,       // the file's content is not a picture this reader takes
    InputOutput,  // the file cannot be opened, listed or read
    Refused,      // readable, but not taken: a depth, size or limit refused
    OutOfMemory,  // memory ran out (or a block beyond the readers' limit)
    CutShort,     // the file ends before the data it declares
};

class CitraError : public std::runtime_error {
public:
    explicit CitraError(const std::string& message, ErrorKind kind = ErrorKind::Decode)
        : std::runtime_error(message), kind_(kind) {}
    ErrorKind Kind() const { return kind_; }

private:
    ErrorKind kind_;
};
