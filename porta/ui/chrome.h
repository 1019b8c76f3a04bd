#pragma once

// The pieces every library and settings screen shares: the background, the
// title bar (battery, volume, card badge, gamepads, headphones, clock), the
// bottom bar with its key hints, the page counter, the list rows and the
// centred notices. Each piece draws the LCD or the HDMI layout, chosen by the
// size of the surface it is given (1280 wide: HDMI), from one table of
// positions.
//
// The title bar's state (battery, headphones, gamepads, card, clock) is kept
// up to date by `top_bar_pass`, which the main loop runs on every pass, also
// while the screen sleeps; it asks for a redraw whenever the bar would show
// something else.

#include "porta/base/attr.h"
#include "porta/device/fb.h"

#include <cstdint>

#include <SDL/SDL.h>

// ---- texts ---------------------------------------------------------------

enum UiText {
    TXT_EMPTY_LIST,   // "< No game files >"
    TXT_CARD_MISSING, // "< No external card detected >"
    TXT_HINT_OK,      // A
    TXT_HINT_RETURN,  // B
    TXT_HINT_CORE,    // Y on the GBA game list
    TXT_HINT_START,   // Start on the lists
    TXT_PAGE_LABEL,   // "Total"
    UI_TEXT_COUNT
};

// The text in the current language (global_attr.language; out of range reads
// as 0).
const char *ui_text(int id);
// A screen's own text: one entry per language, in Language order.
using LanguageTexts = const char *const[LANGUAGE_COUNT];
// The current language (global_attr.language; out of range reads as 0).
int ui_language(void);
const char *ui_text_in(int id, int language);

// ---- layout --------------------------------------------------------------

// Positions of one output; LCD and HDMI rows of one table.
struct ChromeLayout {
    int width, height;
    // title bar, worked from the right
    int bat_right, bat_y, bat_gap; // battery at bat_right - width; next x - (width + gap)
    int spk_y, vol_font, vol_dy;   // volume centred on the speaker, + vol_dy
    int sd_step, sd_y, sd_font;
    int joy_dx, joy_y, joy_num_dx, joy_num_y, joy_num_font, joy_step;
    int ear_dx, ear_y;
    int bar_gap; // least room between the bar's texts and icons
    int clock_y, clock_measure_font, clock_font;
    // bottom bar
    int icon_centred; // 1: icons centred in the bar, else at bar top + icon_top
    int icon_top;
    int hint_dy; // texts this much below centred on the icon
    int hint_font;
    int key_x[3];             // A, B, Y icons
    int key_gap;              // text after the icon
    int start_end, start_gap; // Start text ends here, its icon this far left of it
    // lists
    int page_x, page_y, page_font;
    int rows_y, highlight_x, row_font;
    int notice_font; // empty list, card missing
};

extern const ChromeLayout chrome_layouts[OUTPUT_COUNT];

// The layout of a surface: HDMI when it is 1280 wide or more.
int chrome_out(const SDL_Surface *dst);
// The highlight bar of a selected list row on output `out` (OUTPUT_LCD or
// OUTPUT_HDMI), or nullptr before the fixed pictures are loaded.
SDL_Surface *chrome_list_highlight(int out);

// ---- pieces --------------------------------------------------------------

// The wallpaper of the surface's output, or black when there is none.
void draw_background(SDL_Surface *dst);

// Title bar: bar, battery, speaker and volume, "SD" while the TF card is
// mounted, gamepads and their number, headphones, clock.
void draw_top_bar(SDL_Surface *dst);

// Key hints of the bottom bar.
enum { HINT_OK = 0x1, HINT_RETURN = 0x2, HINT_CORE = 0x4, HINT_START = 0x8 };
// The hints of a screen: Ok and Return everywhere, Select Core on the GBA game
// list, Start on the game list, favourites, history and search results.
int bottom_hints(int screen_number, int gba_list);
void draw_bottom_bar(SDL_Surface *dst, int hints);
// The frame of the library and search screens: wallpaper, title bar and the bottom
// bar with `hints`. Returns the surface's output (OUTPUT_LCD or OUTPUT_HDMI).
int draw_screen_frame(SDL_Surface *dst, int hints);

// "Total: 2/5": page from 0, page count. Draws nothing for 0 pages.
void draw_page_counter(SDL_Surface *dst, int page, int pages);
// Pages of a list of `count` entries (9 rows a page).
int list_pages(int count);
// The page counter of page `page` of a list of `count` entries; the empty-list
// notice instead when it has none, and false then.
bool draw_list_pages(SDL_Surface *dst, int count, int page);

// List rows: 9 from rows_y, each as high as the row highlight bar plus 5.
constexpr int LIST_ROWS = 9;
int list_row_height(int out);
int list_row_y(int out, int row);
// The row highlight bar at the layout's x.
void draw_row_highlight(SDL_Surface *dst, int y);
// "%03d %s" of number and name, clipped to `width`, scrolling when selected.
void draw_row_text(SDL_Surface *dst, int x, int y, int number, const char *name, int width, int selected);

// A text centred on the screen in the notice font.
void draw_notice(SDL_Surface *dst, const char *text);
void draw_empty_list(SDL_Surface *dst);
void draw_card_missing(SDL_Surface *dst);

// The battery icon at (x, y) with the LCD (lcd non-zero) or HDMI pictures, as
// the last battery update decided; nothing with x or y negative.
void battery_monitor(int x, int y, SDL_Surface *dst, int lcd);

// ---- title bar state -----------------------------------------------------

// The main loop's part, every pass at time `now` (ms): the battery monitor
// (a charger change wakes the screen, an empty battery ends the loop with the
// low-battery power-off) and, once a second, the headphones, gamepads, card
// and clock; a redraw is asked for whenever the bar would change.
void top_bar_pass(uint32_t now);
// Forgets the polled state (start of a run; tests).
void chrome_reset(void);
