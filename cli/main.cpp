#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "run.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return RunCitra(args, std::cout, std::cerr, {isatty(STDOUT_FILENO) == 1, isatty(STDERR_FILENO) == 1});
}
