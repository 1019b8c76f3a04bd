#include "porta/base/timers.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include <pthread.h>

ScrollState text_scroll;

namespace {

using Clock = std::chrono::steady_clock;

enum { TIMER_SCROLL, TIMER_HOLD, TIMER_COUNT };

struct OneShot {
    bool armed = false;
    Clock::time_point due;
};

// Deadlines are armed, cancelled and fired under one lock, so a fire decided
// for an old deadline can never land after the timer was re-armed or
// cancelled.
struct TimerService {
    std::mutex lock;
    std::condition_variable wake;
    OneShot timer[TIMER_COUNT];
    bool thread_started = false;
    // What the power-key hold timer calls when it fires: set once at start-up
    // by the main thread, read by the timer thread.
    std::atomic<void (*)(void)> hold_handler{nullptr};
};

// Never destroyed: the timer thread may still wait on it while the program
// exits.
TimerService &service(void)
{
    static TimerService *s = new TimerService();
    return *s;
}

void fire(int which)
{
    if (which == TIMER_SCROLL) {
        text_scroll.offset.store(0);
        text_scroll.step.store(0);
        text_scroll.on.store(1);
    } else {
        printf("ready to poweroff ");
        fflush(stdout);
        void (*h)(void) = service().hold_handler.load();
        if (h)
            h();
    }
}

void *timer_thread(void *)
{
    TimerService &s = service();
    std::unique_lock<std::mutex> lk(s.lock);
    for (;;) {
        bool any = false;
        Clock::time_point next;
        for (const OneShot &t : s.timer) {
            if (t.armed && (!any || t.due < next)) {
                next = t.due;
                any = true;
            }
        }
        if (!any) {
            s.wake.wait(lk);
            continue;
        }
        s.wake.wait_until(lk, next);
        const Clock::time_point now = Clock::now();
        for (int i = 0; i < TIMER_COUNT; i++) {
            if (s.timer[i].armed && s.timer[i].due <= now) {
                s.timer[i].armed = false;
                fire(i);
            }
        }
    }
    return nullptr;
}

// Arms a timer; false when the timer thread cannot be started.
bool arm(int which, int ms)
{
    TimerService &s = service();
    std::lock_guard<std::mutex> lk(s.lock);
    if (!s.thread_started) {
        pthread_t t;
        if (pthread_create(&t, nullptr, timer_thread, nullptr) != 0)
            return false;
        pthread_detach(t);
        s.thread_started = true;
    }
    s.timer[which].armed = true;
    s.timer[which].due = Clock::now() + std::chrono::milliseconds(ms);
    s.wake.notify_one();
    return true;
}

void disarm(int which)
{
    TimerService &s = service();
    std::lock_guard<std::mutex> lk(s.lock);
    if (s.timer[which].armed) {
        s.timer[which].armed = false;
        s.wake.notify_one();
    }
}

void set_rect(SDL_Rect *r, int x, int y, int w, int h)
{
    r->x = static_cast<Sint16>(x);
    r->y = static_cast<Sint16>(y);
    r->w = static_cast<Uint16>(w);
    r->h = static_cast<Uint16>(h);
}

} // namespace

int marquee_step(ScrollState *s, int w, int m, int h, SDL_Rect src[2], int *second_x)
{
    int step = s->step.load() + 1;
    if (step > 9) {
        step = 0;
        s->offset.fetch_add(10);
    }
    s->step.store(step);
    int o = s->offset.load();
    *second_x = 0;
    if (o + m <= w) {
        set_rect(&src[0], o, 0, m, h);
        return 1;
    }
    if (o < w) {
        set_rect(&src[0], o, 0, w - o, h);
        set_rect(&src[1], 0, 0, m + o - w, h);
        *second_x = w - o;
        return 2;
    }
    s->offset.store(0);
    set_rect(&src[0], 0, 0, m, h);
    return 1;
}

void restart_text_scroll(int on)
{
    // Cancel first: once this returns, an older deadline cannot turn the
    // marquee on any more.
    disarm(TIMER_SCROLL);
    text_scroll.offset.store(0);
    text_scroll.on.store(0);
    text_scroll.step.store(0);
    if (on && !arm(TIMER_SCROLL, 2000))
        printf("<%s> : SDL_AddTimer return null \n", "TextScrollCtrl");
}

void power_hold_set_handler(void (*fire_fn)(void))
{
    service().hold_handler.store(fire_fn);
}

void power_hold_start(void)
{
    if (!arm(TIMER_HOLD, 2000)) {
        printf("SDL_AddTimer return null");
        void (*h)(void) = service().hold_handler.load();
        if (h)
            h();
    }
}

void power_hold_cancel(void)
{
    disarm(TIMER_HOLD);
}
