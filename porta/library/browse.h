#pragma once

// Where the user is: the current screen number and the screens' names. The
// main loop sends key events and drawing to the current screen; the library
// restores the screen at start and the key handlers change it. Only the main
// thread changes it.

#include <atomic>

enum {
    SCREEN_ROOMS = 0,          // the five rooms
    SCREEN_CARD = 1,           // external or built-in card
    SCREEN_SYSTEMS = 2,        // the 17 systems of one card
    SCREEN_GAMES = 3,          // the games of one system
    SCREEN_FAVORITES = 4,
    SCREEN_HISTORY = 5,
    SCREEN_SEARCH_RESULTS = 6,
    SCREEN_SEARCH_KEYS = 7,
    SCREEN_MENU_PENDING = 8,   // the settings open at the next key release
    SCREEN_SETTINGS = 9,
    SCREEN_SETTINGS_PAGE = 10,
    SCREEN_DATE_TIME = 11,
    SCREEN_CONFIRM = 12,       // the yes/no box
    SCREEN_CORE_POPUP = 13,
    SCREEN_IO_TEST = 14,
    SCREEN_FACTORY_TEST = 15,
    SCREEN_JOY_MAP = 16,
    SCREEN_JOY_RESET = 17,
    SCREEN_KEYPAD_MAP = 18,
    SCREEN_COUNT = 19
};

extern std::atomic<int> screen;
// The screen before, kept by the game list screens.
extern std::atomic<int> prev_screen;

// Library screens (rooms to search keys) open the settings on a Menu click.
inline bool screen_is_library(int s) { return s >= SCREEN_ROOMS && s <= SCREEN_SEARCH_KEYS; }
