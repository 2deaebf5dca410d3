#pragma once
// Ctrl+C during compare: the first SIGINT only raises a flag that the run
// checks; the handler then reverts to the default, so a second SIGINT ends
// the program at once.
#include <atomic>

class InterruptFlag {
public:
    // Installs the handler, unless SIGINT is ignored (as for a job started
    // in the background), which is then left alone.
    InterruptFlag();
    // Restores the previous handler.
    ~InterruptFlag();
    InterruptFlag(const InterruptFlag&) = delete;
    InterruptFlag& operator=(const InterruptFlag&) = delete;

    const std::atomic<bool>& Raised() const;
};
