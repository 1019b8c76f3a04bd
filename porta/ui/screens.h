#pragma once

// The launcher's screens: the current screen number selects the key handlers
// and the frame drawing. Each screen's module fills its row of `screen_table`
// (loop_screens.cpp); a null entry means the screen does nothing there.
//
// Drawing functions draw the whole frame into the surface they are given; the
// main loop presents it on the current output afterwards.

#include "porta/library/browse.h"

#include <cstdint>

#include <SDL/SDL.h>

typedef void (*ScreenKeyFn)(int keycode);
typedef void (*ScreenDrawFn)(SDL_Surface *dst);
typedef void (*ScreenRawFn)(uint32_t mask, int player);
typedef int (*ScreenRunFn)(void);

struct ScreenEntry {
    ScreenKeyFn press;   // key press handler (SDL key code)
    ScreenKeyFn release; // key release handler
    ScreenDrawFn draw;   // one frame
    ScreenRawFn raw;     // raw key mask every pass (IO test)
    // A frame loop of the screen's own (factory test, mapping sequences),
    // tried every pass before the frame: returns 1 after it ran, 0 when the
    // screen has none to run now (its frame is drawn as usual). Nothing
    // pressed while it ran reaches the screen that follows.
    ScreenRunFn run;
};

extern ScreenEntry screen_table[SCREEN_COUNT];
