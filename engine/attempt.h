#pragma once
// Failures of one file or one pair end up in its result's error text.
#include <exception>
#include <new>
#include <optional>
#include <string>

#include "error.h"
#include "engine_texts.h"

// Runs the step and returns the message of whatever it threw.
template <typename Step>
std::optional<std::string> Attempt(Step&& step) {
    try {
        step();
        return std::nullopt;
    } catch (const CitraError& e) {
        return std::string(e.what());
    } catch (const std::bad_alloc&) {
        return std::string(text::kOutOfMemory);
    } catch (const std::exception& e) {
        return std::string(e.what());
    }
}
