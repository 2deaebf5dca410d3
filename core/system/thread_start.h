#pragma once
// Starting worker threads, behind one point a test can make fail.
#include <functional>
#include <thread>
#include <utility>

namespace thread_start {

// Runs before every start; a hook that throws std::system_error stands for
// a thread the system would not give. Empty unless a test sets one.
using Hook = std::function<void()>;

// Installs `hook` and returns the one it replaces. Not to be called while
// threads are being started.
Hook SetHook(Hook hook);

void BeforeStart();

}  // namespace thread_start

// Starts a std::thread or std::jthread running `work`; throws
// std::system_error when no thread can be had, as their constructors do.
template <class Thread = std::thread, class Work>
Thread StartThread(Work&& work) {
    thread_start::BeforeStart();
    return Thread(std::forward<Work>(work));
}
