#pragma once
// Stop signals: SIGINT (Ctrl+C), SIGTERM (kill, timeout, a batch scheduler
// ending a job) and SIGHUP (the terminal closed). While an InterruptFlag
// lives, the first of them only raises a flag that the run checks; any
// further one ends the program at once. Whenever one of them ends the
// program outright, the temporary files registered with RemoveOnStop are
// removed first, so none is left behind.
#include <atomic>
#include <string>

class InterruptFlag {
public:
    // Takes the three signals, except those that are ignored (a job started
    // under nohup or in the background) or already have a handler of
    // someone else's, which are left alone.
    InterruptFlag();
    // From then on a stop signal ends the program again.
    ~InterruptFlag();
    InterruptFlag(const InterruptFlag&) = delete;
    InterruptFlag& operator=(const InterruptFlag&) = delete;

    const std::atomic<bool>& Raised() const;
    // The exit status of a run the flag stopped: 128 + the signal's number
    // (kExitInterrupted, kExitTerminated, kExitHangUp).
    int ExitCode() const;
};

// Registers a file to be removed if a stop signal ends the program; returns
// the registration (-1 when there is no room, or the name is too long: the
// file is then only removed by its owner, as any other). Registering takes
// the stop signals as InterruptFlag does, without raising any flag.
int RemoveOnStop(const std::string& path);
// Ends a registration, once the file is renamed or removed.
void ForgetOnStop(int registration);
