#pragma once
// The one error type the core raises. Its message is the exact text shown
// to the user (loader messages in English, command refusals in Indonesian).
#include <stdexcept>
#include <string>

class CitraError : public std::runtime_error {
public:
    explicit CitraError(const std::string& message) : std::runtime_error(message) {}
};
