#pragma once

// The start and stop of the launcher's worker threads (keypad, key sounds):
// each runs while its `running` flag is set and leaves its loop once the flag
// is cleared; `started` says whether there is a thread to join.

#include <atomic>

#include <pthread.h>

// Sets `running` and starts `thread_main` in `thread`. False, with `running`
// cleared again, when the thread cannot be created.
inline bool start_worker_thread(pthread_t *thread, std::atomic<bool> *running, bool *started,
                                void *(*thread_main)(void *))
{
    running->store(true, std::memory_order_relaxed);
    if (pthread_create(thread, nullptr, thread_main, nullptr) == 0) {
        *started = true;
        return true;
    }
    running->store(false, std::memory_order_relaxed);
    return false;
}

// Clears `running` and, when a thread was started, wakes it with `wake` (when
// it may be waiting for work) and waits for its end.
inline void stop_worker_thread(pthread_t thread, std::atomic<bool> *running, bool *started,
                               void (*wake)(void) = nullptr)
{
    running->store(false, std::memory_order_relaxed);
    if (!*started)
        return;
    if (wake)
        wake();
    pthread_join(thread, nullptr);
    *started = false;
}
