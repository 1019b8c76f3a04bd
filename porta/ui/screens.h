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
typedef void (*ScreenRunFn)(void);

struct ScreenEntry {
    ScreenKeyFn press;    // key press handler (SDL key code)
    ScreenKeyFn release;  // key release handler
    ScreenDrawFn draw;    // one frame
    ScreenRawFn raw;      // raw key mask every pass (IO test)
    ScreenRunFn run;      // a screen that runs its own frame loop (factory test)
};

extern ScreenEntry screen_table[SCREEN_COUNT];
