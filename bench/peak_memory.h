#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ChildRun {
    int exitCode = -1;   // -1 when it did not exit normally
    int64_t maxRssKiB = 0;
};

// Runs the program with the arguments, its output sent to /dev/null, and
// reports its exit code and peak resident set size (from wait4).
ChildRun RunAndMeasure(const std::string& program, const std::vector<std::string>& args);
