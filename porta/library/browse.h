#pragma once

// Where the user is: the current screen number and the screens' names, the
// card, system and cursor of the list screens, the rooms carousel, and the
// start-up restore and launch of a game. The main loop sends key events and
// drawing to the current screen; the library restores the screen at start and
// the key handlers change it. Only the main thread changes it.

#include <atomic>
#include <cstdint>

enum {
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

extern std::atomic<int> screen;
// The screen before, kept by the game list screens.
extern std::atomic<int> prev_screen;

// Library screens (rooms to search keys) open the settings on a Menu click.
inline bool screen_is_library(int s)
{
    return s >= SCREEN_ROOMS && s <= SCREEN_SEARCH_KEYS;
}

// ---- browse state ----------------------------------------------------------

// The browser's card selector: 0 before a card was chosen and without an
// external card (treated as the built-in card everywhere).
constexpr int CARD_EXTERNAL = 1;
constexpr int CARD_INTERNAL = 2;
constexpr int ROWS_PER_PAGE = 9;

constexpr int ROOM_GAMES = 0;
constexpr int ROOM_FAVORITES = 1;
constexpr int ROOM_HISTORY = 2;
constexpr int ROOM_SEARCH = 3;
constexpr int ROOM_SETTINGS = 4;
constexpr int ROOM_COUNT = 5;

constexpr const char GAMEDIR_FILE[] = "/tmp/gamedir.cfg";
constexpr const char GAMEPLACE_FILE[] = "/tmp/gameplace.cfg";
constexpr const char TOPLIST_PATH[] = "/mnt/vendor/game/toplist";
constexpr const char SEARCH_LAST_PATH[] = "/tmp/search";

// Page (from 0) and row (0..8) of the current list screen; the selected
// position is page x 9 + row.
struct BrowseCursor {
    int32_t page;
    int32_t row;
};

extern int browse_card;   // card selector 0, CARD_EXTERNAL, CARD_INTERNAL
extern int browse_system; // 0..16
extern BrowseCursor browse_cursor;
extern int room;                   // 0..4, the highlighted room
extern int settings_return_screen; // where the settings menu returns to

// The launch card flag of the selector (1 only for CARD_EXTERNAL).
inline int browse_card_flag(void)
{
    return browse_card == CARD_EXTERNAL ? 1 : 0;
}
inline int cursor_position(void)
{
    return browse_cursor.page * ROWS_PER_PAGE + browse_cursor.row;
}

// The preview pictures of the selected entry belong to the drawing code; it
// hands over the function that drops them (start-up). Every cursor move and
// screen change calls drop_previews().
void browse_set_preview_dropper(void (*drop)(void));
void drop_previews(void);

// ---- cursor moves ----------------------------------------------------------

// The paged cursor over n entries (game list, favourites, search results).
// With no entries the cursor stays at page 0, row 0.
void cursor_up(BrowseCursor *c, int n);
void cursor_down(BrowseCursor *c, int n);
void cursor_left(BrowseCursor *c, int n);
void cursor_right(BrowseCursor *c, int n);
// The history's single page: Up and Down wrap over n rows.
void history_cursor_up(BrowseCursor *c, int n);
void history_cursor_down(BrowseCursor *c, int n);
// The system list: one index 0..16 shown as two pages (0-8, 9-16).
void system_cursor_up(int *system);
void system_cursor_down(int *system);
void system_cursor_left(int *system);
void system_cursor_right(int *system);
// The rooms carousel, wrapping over 0..4.
void room_left(void);
void room_right(void);

// ---- start-up, launch, card change ----------------------------------------

// Start-up: drops /tmp/.next, restores screen and cursor from
// /tmp/gamedir.cfg and /tmp/gameplace.cfg, scans both cards and loads the
// favourites, core list and history; back on the search results, the stored
// search is run again. Returns 0.
int gamelist_init(void);
// Launches entry `index` of the system's list on the card of `card_flag`:
// records it in the history (not from the history screen), saves the cursor
// and writes /tmp/.next. Returns 0 when /tmp/.next was written; non-zero when
// the entry cannot be launched (the caller shows the invalid-file message).
int gamelist_run(int system, int index, int card_flag);
// Writes /tmp/gameplace.cfg ("start=<page> \nhight=<row> \n"). 0 or -1.
int save_place(int page, int row);
// Writes /tmp/gamedir.cfg: the text alone, no line end. 0 or -1.
int save_last_path(const char *text);
// The list screens' part of a TF card change: the card's lists are freed and,
// on insertion, scanned again; a browser on the external card goes back to
// the rooms. On removal the search results are dropped and a search screen
// goes back too; an insertion keeps them (they are all on the built-in card).
void gamelist_card_changed(int inserted);
// Frees both cards' lists (and the search results naming their games), the
// favourites, the core list and the history.
void gamelist_free_all(void);

// The parsers of the two restore files (callable on any path): the screen,
// system and card selector a last path names (-1 when none), the same read
// from a file (LAST_PATH_MISSING when there is none), and the cursor of a
// place file (page and row 0 when missing or malformed).
constexpr int LAST_PATH_MISSING = -2;
int parse_last_path(const char *text, int *system, int *card);
int read_last_path(const char *path, int *system, int *card);
void read_place_file(const char *path, BrowseCursor *c);
