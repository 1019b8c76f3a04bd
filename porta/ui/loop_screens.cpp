#include "porta/ui/screens.h"

#include "porta/ui/iotest.h"
#include "porta/library/browse.h"
#include "porta/ui/confirm.h"
#include "porta/ui/datetime.h"
#include "porta/ui/joymap.h"
#include "porta/ui/keymap.h"
#include "porta/ui/library_keys.h"
#include "porta/ui/library_screens.h"
#include "porta/ui/search_screens.h"
#include "porta/ui/settings.h"

std::atomic<Screen> screen{SCREEN_ROOMS};
std::atomic<Screen> prev_screen{SCREEN_ROOMS};
Screen settings_return_screen = SCREEN_ROOMS;

namespace {

Screen screen_of_place(BrowsePlace place)
{
    switch (place) {
    case PLACE_GAMES: return SCREEN_GAMES;
    case PLACE_FAVORITES: return SCREEN_FAVORITES;
    case PLACE_HISTORY: return SCREEN_HISTORY;
    case PLACE_SEARCH_RESULTS: return SCREEN_SEARCH_RESULTS;
    default: return SCREEN_ROOMS;
    }
}

bool is_search_screen(Screen s)
{
    return s == SCREEN_SEARCH_RESULTS || s == SCREEN_SEARCH_KEYS;
}

} // namespace

int gamelist_init(void)
{
    const Screen restored = screen_of_place(restore_browse_place());
    screen = restored;
    prev_screen = restored;
    settings_return_screen = restored;
    return 0;
}

void gamelist_card_changed(int inserted)
{
    switch (browse_card_changed(inserted, is_search_screen(screen), is_search_screen(settings_return_screen))) {
    case CARD_CHANGE_BACK_TO_ROOMS:
        screen = SCREEN_ROOMS;
        settings_return_screen = SCREEN_ROOMS;
        break;
    case CARD_CHANGE_RETURN_TO_ROOMS: settings_return_screen = SCREEN_ROOMS; break;
    case CARD_CHANGE_KEEP: break;
    }
}

// One row per screen, in screen-number order; a null entry means the screen
// does nothing there.
ScreenEntry screen_table[SCREEN_COUNT] = {
    /* SCREEN_ROOMS */ {rooms_keypress, nullptr, draw_rooms_screen, nullptr, nullptr},
    /* SCREEN_CARD */ {card_keypress, nullptr, draw_card_screen, nullptr, nullptr},
    /* SCREEN_SYSTEMS */ {systems_keypress, nullptr, draw_systems_screen, nullptr, nullptr},
    /* SCREEN_GAMES */ {games_keypress, nullptr, draw_games_screen, nullptr, nullptr},
    /* SCREEN_FAVORITES */ {favorites_keypress, nullptr, draw_favorites_screen, nullptr, nullptr},
    /* SCREEN_HISTORY */ {top_history_keypress, nullptr, draw_history_screen, nullptr, nullptr},
    /* SCREEN_SEARCH_RESULTS */ {search_results_keypress, nullptr, draw_search_results, nullptr, nullptr},
    /* SCREEN_SEARCH_KEYS */ {search_keys_keypress, nullptr, draw_search_keys, nullptr, nullptr},
    /* SCREEN_MENU_PENDING */ {nullptr, nullptr, nullptr, nullptr, nullptr},
    // A press on the settings list only clears a pending Menu click (the
    // loop does that); the settings screens act on releases.
    /* SCREEN_SETTINGS */ {nullptr, menu_keypress, settings_draw, nullptr, nullptr},
    /* SCREEN_SETTINGS_PAGE */ {nullptr, settings_page_keypress, settings_page_draw, nullptr, nullptr},
    /* SCREEN_DATE_TIME */ {nullptr, datetime_keypress, datetime_draw, nullptr, nullptr},
    /* SCREEN_CONFIRM */ {nullptr, confirm_keypress, confirm_draw, nullptr, nullptr},
    /* SCREEN_CORE_POPUP */ {core_popup_keypress, nullptr, draw_core_popup_screen, nullptr, nullptr},
    /* SCREEN_IO_TEST */ {nullptr, nullptr, iotest_draw, iotest_key_step, nullptr},
    /* SCREEN_FACTORY_TEST */ {nullptr, nullptr, nullptr, nullptr, run_factory_test},
    // The mapping screens act on releases; their sequences run from the run
    // slot once the list's or the menu's A asked for them.
    /* SCREEN_JOY_MAP */ {nullptr, joymap_keypress, joymap_draw, nullptr, run_gamepad_mapping},
    /* SCREEN_JOY_RESET */ {nullptr, joymap_reset_keypress, joymap_reset_draw, nullptr, nullptr},
    /* SCREEN_KEYPAD_MAP */ {nullptr, keymap_keypress, keymap_draw, nullptr, run_keypad_mapping},
};
