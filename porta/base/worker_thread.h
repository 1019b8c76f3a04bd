#pragma once

// The launcher's worker threads (keypad, key sounds, controllers): each keeps
// one WorkerThread, runs while its `running` flag is set and leaves its loop
// once the flag is cleared; `started` says whether there is a thread to join.
//
// Threads: the main thread starts and stops the worker and alone writes
// `thread` and `started`; it sets and clears `running`, which the worker reads
// (and may clear itself when its input fails).

#include <atomic>

#include <pthread.h>

struct WorkerThread {
    pthread_t thread{};
    std::atomic<bool> running{false};
    bool started = false;
};

inline bool worker_running(const WorkerThread &worker)
{
    return worker.running.load(std::memory_order_relaxed);
}

// Sets `running` and starts `thread_main` in the worker. False, with `running`
// cleared again, when the thread cannot be created.
inline bool start_worker_thread(WorkerThread *worker, void *(*thread_main)(void *))
{
    worker->running.store(true, std::memory_order_relaxed);
    if (pthread_create(&worker->thread, nullptr, thread_main, nullptr) == 0) {
        worker->started = true;
        return true;
    }
    worker->running.store(false, std::memory_order_relaxed);
    return false;
}

// Clears `running` and, when a thread was started, wakes it with `wake` (when
// it may be waiting for work) and waits for its end.
inline void stop_worker_thread(WorkerThread *worker, void (*wake)(void) = nullptr)
{
    worker->running.store(false, std::memory_order_relaxed);
    if (!worker->started)
        return;
    if (wake)
        wake();
    pthread_join(worker->thread, nullptr);
    worker->started = false;
}
