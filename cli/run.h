#pragma once
// The whole tool behind main(): parses the arguments, runs the command and
// returns the exit code (0 all succeeded, 1 something failed, 2 usage error,
// 128 + the signal when a stop signal ended the run: 130 SIGINT, 143 SIGTERM,
// 129 SIGHUP).
#include <ostream>
#include <span>
#include <string>

// Whether the streams are terminals (decides the progress bar).
struct Terminals {
    bool out = false;
    bool err = false;
};

int RunCitra(std::span<const std::string> args, std::ostream& out, std::ostream& err,
             Terminals terminals = {});
