#pragma once

// Where the user is in the library: the card, system and cursor of the list
// screens, the rooms carousel, and the start-up restore and launch of a game.
// The screens themselves belong to the user interface: the restore returns
// the list it found, a launch is told whether it comes from the history, and
// a card change says what the screens must leave. Only the main thread
// changes this state.

#include "porta/library/card.h"

#include <cstdint>

// The lists a stored last path can name (the start-up restore's result).
enum BrowsePlace : int {
    PLACE_NONE = -1, // nothing usable: the rooms
    PLACE_ROOMS = 0,
    PLACE_GAMES,
    PLACE_FAVORITES,
    PLACE_HISTORY,
    PLACE_SEARCH_RESULTS,
};

// ---- browse state ----------------------------------------------------------

// The browser's card selector: none before a card was chosen and without an
// external card (treated as the built-in card everywhere).
enum CardSelection : int {
    SELECTED_NONE,
    SELECTED_EXTERNAL,
    SELECTED_INTERNAL,
};
constexpr int ROWS_PER_PAGE = 9;

// The rooms of the carousel, in their order on the screen.
enum Room : int {
    ROOM_GAMES,
    ROOM_FAVORITES,
    ROOM_HISTORY,
    ROOM_SEARCH,
    ROOM_SETTINGS,
};
constexpr int ROOM_COUNT = ROOM_SETTINGS + 1;

constexpr const char GAMEDIR_FILE[] = "/tmp/gamedir.cfg";
constexpr const char GAMEPLACE_FILE[] = "/tmp/gameplace.cfg";
constexpr const char TOPLIST_PATH[] = "/mnt/vendor/game/toplist";

// Page (from 0) and row (0..8) of the current list screen; the selected
// position is page x 9 + row.
struct BrowseCursor {
    int32_t page;
    int32_t row;
};

extern CardSelection browse_card;
extern int browse_system; // 0..16
extern BrowseCursor browse_cursor;
extern Room room; // the highlighted room

// The card of the selector (the TF card only for SELECTED_EXTERNAL).
inline Card selected_card(void)
{
    return browse_card == SELECTED_EXTERNAL ? CARD_TF : CARD_MMC;
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

// Start-up: drops /tmp/.next, restores the list, card, system and cursor from
// /tmp/gamedir.cfg and /tmp/gameplace.cfg, scans both cards and loads the
// favourites, core list and history; back on the search results, the stored
// search is run again. Returns the list restored (PLACE_ROOMS when none).
BrowsePlace restore_browse_place(void);
// Launches entry `index` of the system's list on `card`:
// records it in the history (unless it comes `from_history`), saves the
// cursor and writes /tmp/.next. Returns 0 when /tmp/.next was written;
// non-zero when the entry cannot be launched (the caller shows the
// invalid-file message).
int gamelist_run(int system, int index, Card card, bool from_history = false);
// Writes /tmp/gameplace.cfg ("start=<page> \nhight=<row> \n"). 0 or -1.
int save_place(int page, int row);
// Writes /tmp/gamedir.cfg: the text alone, no line end. 0 or -1.
int save_last_path(const char *text);
// What a TF card change asks of the screens.
enum CardChangeEffect {
    CARD_CHANGE_KEEP,            // nothing shown went away
    CARD_CHANGE_BACK_TO_ROOMS,   // the current screen goes back to the rooms
    CARD_CHANGE_RETURN_TO_ROOMS, // the settings return to the rooms, not to a search
};
// The library's part of a TF card change: the card's lists are freed and, on
// insertion, scanned again; a browser on the external card goes back to the
// rooms. On removal the search results are dropped and a search screen goes
// back too (`on_search`: the current screen is one; `returns_to_search`: the
// settings would return to one); an insertion keeps them (they are all on
// the built-in card). The cursor goes to the top when a screen goes back.
CardChangeEffect browse_card_changed(int inserted, bool on_search, bool returns_to_search);
// Frees both cards' lists (and the search results naming their games), the
// favourites, the core list and the history.
void gamelist_free_all(void);

// The parsers of the two restore files (callable on any path): the list,
// system and card selector a last path names (PLACE_NONE when none), the same
// read from a file (LAST_PATH_MISSING when there is none), and the cursor of a
// place file (page and row 0 when missing or malformed).
constexpr int LAST_PATH_MISSING = -2;
BrowsePlace parse_last_path(const char *text, int *system, CardSelection *card);
int read_last_path(const char *path, int *system, CardSelection *card);
void read_place_file(const char *path, BrowseCursor *c);
