#pragma once

// The launcher's screens: the current screen number selects the key handlers
// and the frame drawing. Each screen's module fills its row of `screen_table`
// (loop_screens.cpp); a null entry means the screen does nothing there.
//
// Drawing functions draw the whole frame into the surface they are given; the
// main loop presents it on the current output afterwards.

#include <cstdint>

#include <SDL/SDL.h>

enum {
    SCREEN_ROOMS = 0,
    SCREEN_CARD = 1,
    SCREEN_SYSTEMS = 2,
    SCREEN_GAMES = 3,
    SCREEN_FAVORITES = 4,
    SCREEN_HISTORY = 5,
    SCREEN_SEARCH_RESULTS = 6,
    SCREEN_SEARCH_KEYS = 7,
    SCREEN_MENU_PENDING = 8,
    SCREEN_SETTINGS = 9,
    SCREEN_SETTINGS_PAGE = 10,
    SCREEN_DATE_TIME = 11,
    SCREEN_CONFIRM = 12,
    SCREEN_CORE_POPUP = 13,
    SCREEN_IO_TEST = 14,
    SCREEN_FACTORY_TEST = 15,
    SCREEN_JOY_MAP = 16,
    SCREEN_JOY_RESET = 17,
    SCREEN_KEYPAD_MAP = 18,
    SCREEN_COUNT = 19
};

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

// Library screens (rooms to search keys) open the settings on a Menu click.
inline bool screen_is_library(int s) { return s >= SCREEN_ROOMS && s <= SCREEN_SEARCH_KEYS; }
