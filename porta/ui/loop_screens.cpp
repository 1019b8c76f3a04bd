#include "porta/ui/screens.h"

#include "porta/ui/library_keys.h"
#include "porta/ui/library_screens.h"

// One row per screen, in screen-number order. The library, settings, date,
// mapping and test screens fill their rows as their modules arrive; until
// then a screen draws nothing and ignores keys.
ScreenEntry screen_table[SCREEN_COUNT] = {
    /* SCREEN_ROOMS */ {rooms_keypress, nullptr, draw_rooms_screen, nullptr, nullptr},
    /* SCREEN_CARD */ {card_keypress, nullptr, draw_card_screen, nullptr, nullptr},
    /* SCREEN_SYSTEMS */ {systems_keypress, nullptr, draw_systems_screen, nullptr, nullptr},
    /* SCREEN_GAMES */ {games_keypress, nullptr, draw_games_screen, nullptr, nullptr},
    /* SCREEN_FAVORITES */ {favorites_keypress, nullptr, draw_favorites_screen, nullptr, nullptr},
    /* SCREEN_HISTORY */ {top_history_keypress, nullptr, draw_history_screen, nullptr, nullptr},
    /* SCREEN_SEARCH_RESULTS */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_SEARCH_KEYS */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_MENU_PENDING */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_SETTINGS */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_SETTINGS_PAGE */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_DATE_TIME */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_CONFIRM */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_CORE_POPUP */ {core_popup_keypress, nullptr, draw_core_popup_screen, nullptr, nullptr},
    /* SCREEN_IO_TEST */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_FACTORY_TEST */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_JOY_MAP */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_JOY_RESET */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_KEYPAD_MAP */ {nullptr, nullptr, nullptr, nullptr, nullptr},
};
