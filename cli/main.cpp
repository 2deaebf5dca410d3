#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <string>
#include <vector>

#include "allocator_settings.h"
#include "checked_output.h"
#include "run.h"
#include "texts.h"

int main(int argc, char** argv) {
    TuneAllocatorForPairs();
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    CheckedOutput out(STDOUT_FILENO);
    const int exitCode =
        RunCitra(args, out, std::cerr, {isatty(STDOUT_FILENO) == 1, isatty(STDERR_FILENO) == 1});
    // A failure that shows only when the output is closed (e.g. on a network
    // file system) loses results too; one already reported is not repeated.
    const bool reported = out.Error() != 0;
    if (!out.Close() && !reported) {
        if (out.Error() != EPIPE) std::cerr << text::CannotWriteOutput(out.Error()) << std::flush;
        return 1;
    }
    return exitCode;
}
