#pragma once

// The launcher's two one-shot timers: the text-scroll start (2 seconds after
// the last key release the selected row may scroll) and the power-key hold (2
// seconds of holding powers off). Both run on one timer thread that sleeps
// until the next deadline, so an idle launcher costs nothing here. A timer
// that is re-armed or cancelled never fires for its old deadline.
//
// Threads: the timer thread fires both timers. The deadlines are armed and
// cancelled under the timers' own lock: the scroll timer by the main thread
// (restart_text_scroll), the hold timer by the keypad thread (power_hold_start,
// power_hold_cancel). `text_scroll` is atomic words: the timer thread sets `on`
// (and zeroes offset and step) when the scroll timer fires; the main thread
// resets it (restart_text_scroll) and advances offset and step only while `on` is
// set, when no fire is pending. The hold handler is set once by the main thread
// at start-up and called on the timer thread.

#include <atomic>

#include <SDL/SDL.h>

// Marquee state, one for the whole program; the timer thread sets `on`.
struct ScrollState {
    std::atomic<int> offset{0}; // pixels
    std::atomic<int> on{0};     // scrolling allowed (the 2 s timer fired)
    std::atomic<int> step{0};   // 0..9
};
extern ScrollState text_scroll;

// One marquee step for a text of width `w` (gap included) in a box `m` wide:
// advances the state and fills up to two source rectangles (and the x offset of
// the second one from the box's left edge). Returns the number of rectangles.
int marquee_step(ScrollState *s, int w, int m, int h, SDL_Rect src[2], int *second_x);

// Resets the scroll state and drops a pending scroll timer; with `on`
// non-zero starts the 2000 ms timer that lets the selected row scroll.
void restart_text_scroll(int on);

// What the power-key hold does when it fires, after printing
// "ready to poweroff ": handed over once at start-up by the main loop (it ends
// the loop with a power-off). It runs on the timer thread and must not call the
// timer functions.
void power_hold_set_handler(void (*fire)(void));
// Starts (or restarts) the 2-second hold; called by the key input thread.
void power_hold_start(void);
void power_hold_cancel(void);
