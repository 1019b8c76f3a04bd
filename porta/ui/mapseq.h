#pragma once

// The frame loop the mapping sequences (the joystick and the keypad
// assignment) run from their screens' run slot: a frame every 25 ms (100 ms while the
// screen sleeps), the title bar's battery watch on every frame, the desktop
// window's keys handed to the keypad, and the ways out that the main loop
// would otherwise take: the launcher asked to stop (power key held, low
// battery, an interrupt, a failed input device) or 30 minutes without a key.
// Time comes from the main loop's hooks, so tests drive it.

#include <cstdint>

#include <SDL/SDL.h>

// Start of a frame: returns now (ms), after the window's keys and the
// battery watch ran.
uint32_t mapseq_frame_begin(void);
// Whether the sequence must end as "no" so that the launcher can stop.
int mapseq_stop_requested(uint32_t now);
// While the screen sleeps: presents a black frame on `dst` and returns 1
// (the frame is done; nothing is read), else 0.
int mapseq_asleep_frame(SDL_Surface *dst);
// The pointer at the current step: shown at the start, then hidden and shown
// in turn every second.
struct MapSeqBlink {
    uint32_t next_flip; // when the pointer changes next (ms)
    int shown;
};
// A pointer shown from `now` on.
MapSeqBlink mapseq_blink_start(uint32_t now);
// Flips the pointer when its second is over; returns whether it is shown.
int mapseq_blink(MapSeqBlink *blink, uint32_t now);
// Waits the rest of the frame begun at `start` (at least 1 ms: never a busy
// loop).
void mapseq_frame_end(uint32_t start);

// Draws `text` white from (x, y) within `max_w` pixels: in `font` (a FONT_*
// index) when it fits on one line, else on one line in the largest smaller
// font that fits, else broken at blanks (or between characters) into at most
// `max_lines` lines of the largest font that allows it. Returns the height
// drawn.
int mapseq_draw_fitted(int x, int y, int font, const char *text, int max_w, int max_lines, SDL_Surface *dst);
