#pragma once
// Failures of one file or one pair end up in its result's error text, with
// their kind beside it for the callers that decide on it.
#include <exception>
#include <new>
#include <optional>
#include <string>

#include "engine_texts.h"
#include "error.h"

struct Failure {
    std::string message;
    ErrorKind kind = ErrorKind::Decode;
};

// Runs the step and returns what it threw, with its kind.
template <typename Step>
std::optional<Failure> AttemptStep(Step&& step) {
    try {
        step();
        return std::nullopt;
    } catch (const CitraError& e) {
        return Failure{e.what(), e.Kind()};
    } catch (const std::bad_alloc&) {
        return Failure{text::kOutOfMemory, ErrorKind::OutOfMemory};
    } catch (const std::exception& e) {
        return Failure{e.what(), ErrorKind::Decode};
    }
}

// Runs the step and returns the message of whatever it threw.
template <typename Step>
std::optional<std::string> Attempt(Step&& step) {
    std::optional<Failure> failure = AttemptStep(std::forward<Step>(step));
    if (!failure) return std::nullopt;
    return std::move(failure->message);
}
