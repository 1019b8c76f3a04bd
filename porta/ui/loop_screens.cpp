#include "porta/ui/screens.h"

// One row per screen, in screen-number order. The library, settings, date,
// mapping and test screens fill their rows as their modules arrive; until
// then a screen draws nothing and ignores keys.
ScreenEntry screen_table[SCREEN_COUNT] = {
    /* SCREEN_ROOMS */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_CARD */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_SYSTEMS */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_GAMES */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_FAVORITES */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_HISTORY */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_SEARCH_RESULTS */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_SEARCH_KEYS */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_MENU_PENDING */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_SETTINGS */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_SETTINGS_PAGE */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_DATE_TIME */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_CONFIRM */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_CORE_POPUP */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_IO_TEST */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_FACTORY_TEST */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_JOY_MAP */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_JOY_RESET */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    /* SCREEN_KEYPAD_MAP */ {nullptr, nullptr, nullptr, nullptr, nullptr},
};
