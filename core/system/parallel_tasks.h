#pragma once
// Runs numbered tasks on up to `threads` threads: the calling thread and
// workers started through StartThread. A worker the system will not give is
// simply not there; the threads that did start (or the calling thread
// alone) take its tasks, so the work is always done and the result never
// depends on how many threads ran it.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

#include "thread_start.h"
#include "worker_count.h"

// `asked` threads, or for 0 one per CPU this process may use.
inline unsigned ThreadsToUse(unsigned asked) { return asked != 0 ? asked : DefaultWorkerCount(); }

// work(worker, task) for every task in [0, tasks); worker in [0, threads)
// names the thread, so that each may use scratch of its own. work must not
// throw.
template <class Work>
void RunTasks(size_t tasks, unsigned threads, const Work& work) {
    const size_t workers = std::min<size_t>(std::max(threads, 1u), tasks);
    std::atomic<size_t> next{0};
    const auto loop = [&](unsigned worker) {
        for (size_t task = next.fetch_add(1); task < tasks; task = next.fetch_add(1)) work(worker, task);
    };
    std::vector<std::jthread> started;
    if (workers > 1) {
        started.reserve(workers - 1);
        for (size_t w = 1; w < workers; ++w) {
            try {
                started.push_back(StartThread<std::jthread>([&loop, w] { loop(static_cast<unsigned>(w)); }));
            } catch (const std::system_error&) {
                break;  // the threads already running and this one share the work
            }
        }
    }
    loop(0);
    // jthread joins as `started` goes.
}
