#include "interrupt.h"

#include <signal.h>

namespace {

std::atomic<bool> raised{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

struct sigaction previous {};
bool installed = false;

extern "C" void OnInterrupt(int) { raised.store(true); }

}  // namespace

InterruptFlag::InterruptFlag() {
    raised.store(false);
    struct sigaction current {};
    if (sigaction(SIGINT, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) return;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // SA_RESTART: a write in progress is completed, not cut short.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    installed = sigaction(SIGINT, &action, &previous) == 0;
}

InterruptFlag::~InterruptFlag() {
    if (installed) sigaction(SIGINT, &previous, nullptr);
    installed = false;
}

const std::atomic<bool>& InterruptFlag::Raised() const { return raised; }
