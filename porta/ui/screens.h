#pragma once

// The launcher's screens: the current screen selects the key handlers and the
// frame drawing. Each screen's module fills its row of `screen_table`
// (loop_screens.cpp); a null entry means the screen does nothing there.
//
// Drawing functions draw the whole frame into the surface they are given; the
// main loop presents it on the current output afterwards.
//
// The screen state is the main thread's: the start-up restore, the key
// handlers and the card change write it; other threads only read `screen`.

#include <atomic>
#include <cstdint>

#include <SDL/SDL.h>

enum Screen : int {
    SCREEN_ROOMS = 0,   // the five rooms
    SCREEN_CARD = 1,    // external or built-in card
    SCREEN_SYSTEMS = 2, // the 17 systems of one card
    SCREEN_GAMES = 3,   // the games of one system
    SCREEN_FAVORITES = 4,
    SCREEN_HISTORY = 5,
    SCREEN_SEARCH_RESULTS = 6,
    SCREEN_SEARCH_KEYS = 7,
    SCREEN_MENU_PENDING = 8, // the settings open at the next key release
    SCREEN_SETTINGS = 9,
    SCREEN_SETTINGS_PAGE = 10,
    SCREEN_DATE_TIME = 11,
    SCREEN_CONFIRM = 12, // the yes/no box
    SCREEN_CORE_POPUP = 13,
    SCREEN_IO_TEST = 14,
    SCREEN_FACTORY_TEST = 15,
    SCREEN_JOY_MAP = 16,
    SCREEN_JOY_RESET = 17,
    SCREEN_KEYPAD_MAP = 18,
    SCREEN_COUNT = 19
};

extern std::atomic<Screen> screen;
// The screen before, kept by the game list screens.
extern std::atomic<Screen> prev_screen;
// Where the settings menu returns to.
extern Screen settings_return_screen;

// Library screens (rooms to search keys) open the settings on a Menu click.
inline bool screen_is_library(int s)
{
    return s >= SCREEN_ROOMS && s <= SCREEN_SEARCH_KEYS;
}

// Start-up: the library's restore (restore_browse_place) and the screen of
// the list it restored, also the one the settings return to. Returns 0.
int gamelist_init(void);
// A TF card change on the screens: the library frees (and on insertion scans)
// the card's lists; a screen showing what went goes back to the rooms, and
// settings that would return to a search return to the rooms.
void gamelist_card_changed(int inserted);

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
