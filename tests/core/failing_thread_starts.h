#pragma once
// Makes the threads started through StartThread fail to start, as a system
// out of threads does.
#include <atomic>
#include <system_error>

#include "thread_start.h"

// Start number `failAt` (from 1) fails, and with `andLater` every start
// after it too; counts the starts asked for. The hook before is put back
// when the object goes.
class FailingThreadStarts {
public:
    FailingThreadStarts(int failAt, bool andLater) {
        previous_ = thread_start::SetHook([this, failAt, andLater] {
            const int n = ++starts_;
            if (n == failAt || (andLater && n > failAt))
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        });
    }
    ~FailingThreadStarts() { thread_start::SetHook(std::move(previous_)); }
    FailingThreadStarts(const FailingThreadStarts&) = delete;
    FailingThreadStarts& operator=(const FailingThreadStarts&) = delete;

    int Starts() const { return starts_.load(); }

private:
    thread_start::Hook previous_;
    std::atomic<int> starts_{0};
};
