#include "interrupt.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <iterator>

#include "exit_codes.h"

namespace {

static_assert(kExitHangUp == 128 + SIGHUP && kExitInterrupted == 128 + SIGINT && kExitTerminated == 128 + SIGTERM,
              "the shells' 128 + signal");
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Everything the handler touches: lock-free atomics and static buffers.
std::atomic<int> flagsAlive{0};
std::atomic<bool> raised{false};
std::atomic<int> raisedBy{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "set from a signal handler");

// A file to remove: Free, then Writing while its name is copied in, then
// Ready until it is forgotten.
enum SlotState : int { kFree, kWriting, kReady };
struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
// A run writes one or two files at a time.
Slot slots[8];

void RemoveRegisteredFiles() {
    for (Slot& slot : slots)
        if (slot.state.load() == kReady) unlink(slot.path);
}

extern "C" void OnStopSignal(int signal) {
    int none = 0;
    if (flagsAlive.load() > 0 && raisedBy.compare_exchange_strong(none, signal)) {
        raised.store(true);
        return;
    }
    // No flag to raise, or it was raised already: end as the signal's
    // default would, without leaving a temporary file behind.
    RemoveRegisteredFiles();
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
    raise(signal);  // delivered once the handler returns, since it is blocked until then
}

// Installed once and kept: with no flag alive and no file registered it
// does what the default does. A signal ignored or handled by someone else
// is left as it is.
void TakeStopSignals() {
    static bool taken = false;
    if (taken) return;
    taken = true;
    for (const int signal : kStopSignals) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0) continue;
        if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        for (const int other : kStopSignals) sigaddset(&action.sa_mask, other);
        // SA_RESTART: a write in progress is completed, not cut short.
        action.sa_flags = SA_RESTART;
        sigaction(signal, &action, nullptr);
    }
}

}  // namespace

InterruptFlag::InterruptFlag() {
    TakeStopSignals();
    raisedBy.store(0);
    raised.store(false);
    flagsAlive.fetch_add(1);
}

InterruptFlag::~InterruptFlag() { flagsAlive.fetch_sub(1); }

const std::atomic<bool>& InterruptFlag::Raised() const { return raised; }

int InterruptFlag::ExitCode() const {
    const int signal = raisedBy.load();
    return signal != 0 ? 128 + signal : kExitInterrupted;
}

int RemoveOnStop(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    TakeStopSignals();
    for (int i = 0; i < static_cast<int>(std::size(slots)); ++i) {
        int free = kFree;
        if (!slots[i].state.compare_exchange_strong(free, kWriting)) continue;
        std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
        slots[i].state.store(kReady);
        return i;
    }
    return -1;
}

void ForgetOnStop(int registration) {
    if (registration >= 0 && registration < static_cast<int>(std::size(slots))) slots[registration].state.store(kFree);
}
