#pragma once
// The whole tool behind main(): parses the arguments, runs the command and
// returns the exit code (0 all succeeded, 1 something failed, 2 usage error).
#include <ostream>
#include <span>
#include <string>

int RunCitra(std::span<const std::string> args, std::ostream& out, std::ostream& err);
