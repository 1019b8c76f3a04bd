#pragma once

// The frame loop the mapping sequences (the joystick and the keypad
// assignment) run from their screens' run slot: a frame every 25 ms (100 ms while the
// screen sleeps), the title bar's battery watch on every frame, the desktop
// window's keys handed to the keypad, and the ways out that the main loop
// would otherwise take: the launcher asked to stop (power key held, low
// battery, an interrupt, a failed input device) or 30 minutes without a key.
// Time comes from the main loop's hooks, so tests drive it.

#include "porta/ui/screens.h"

#include <cstdint>

#include <SDL/SDL.h>

// How a mapping sequence ended.
enum MapSeqEnd {
    MAPSEQ_END_FINISHED,    // every step done
    MAPSEQ_END_EARLY,       // the user's way out (an input held, Start then Select)
    MAPSEQ_END_DEVICE_GONE, // the device was pulled out
    MAPSEQ_END_STOPPED,     // the launcher is stopping
};

// The console lines of a sequence's end; the firmware's logs and the tests
// rely on their bytes.
struct MapSeqMessages {
    const char *finished; // every step done
    const char *dropped;  // ended as "no"; "%s": why
};

// What one sequence does on its frames; the runner does the rest.
struct MapSeqRoutines {
    MapSeqMessages messages;
    // Draws one frame: the current step's pointer shown or not.
    void (*draw)(SDL_Surface *dst, int pointer_shown);
    bool (*all_steps_done)(void);
    // Reads this frame's input for the current step; true when it ends the
    // sequence early.
    bool (*read_input)(uint32_t now);
    // Whether the device's keys are all up.
    bool (*keys_up)(void);
    // Whether the device is still there; null for one that cannot go.
    bool (*device_present)(void);
};

// Runs a sequence's frames (one every 25 ms, the pointer blinking, a black
// frame while the screen sleeps) until it ends; after a finished or early
// end, goes on showing the last frame until the device's keys are up, at most
// 3 seconds, so that a key still held does not answer the question that
// follows. Returns how it ended (the device going or the launcher stopping
// while waiting for the keys included).
MapSeqEnd mapseq_run(SDL_Surface *dst, const MapSeqRoutines &sequence);

// Prints the dropped line for a sequence that ended as "no" (its device
// gone, or the launcher stopping).
void mapseq_report_dropped(const MapSeqMessages &messages, MapSeqEnd end);

// The end question of both sequences ("Save settings ..." in the UI
// language), drawn at once over `dst`, returning to `back`.
void mapseq_ask_to_keep(Screen back, void (*yes)(void), void (*no)(void), SDL_Surface *dst);

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

// Draws `text` white from (x, y) within `max_w` pixels: in `font` (a FONT_*
// index) when it fits on one line, else on one line in the largest smaller
// font that fits, else broken at blanks (or between characters) into at most
// `max_lines` lines of the largest font that allows it. Returns the height
// drawn.
int mapseq_draw_fitted(int x, int y, int font, const char *text, int max_w, int max_lines, SDL_Surface *dst);
