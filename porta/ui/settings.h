#pragma once

// The settings menu: a list of 16 items (battery, shut down, date and time,
// IO test, button sound, theme, background, language, scheduled power-off,
// backlight time and brightness, buttons, clearing the history, favourites
// and core list, firmware version), reached from the settings room or by a
// click of the Menu key on a library screen. Most items open a page of
// choices with radio marks; its choice is taken over into the attribute
// record when the page is left with B, and the record is written at once.
// Four items ask first in the yes/no box (confirm.h). Every settings screen
// acts on key releases.
//
// The menu's pictures (menu/0.png to 5.png and the logo) are loaded the first
// time it opens and kept until exit; the core pop-up of the game list uses
// the radio marks too (settings_load_resources).

#include "porta/device/fb.h"

#include <cstddef>

#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

constexpr int SETTINGS_ITEMS = 16;
constexpr int SETTINGS_FIRST_PAGE = 9;   // items 0-8 on the first page, 9-15 on the second
constexpr int SETTINGS_PAGE_ROWS = 20;   // at most on one page (theme and background lists)
constexpr int SETTINGS_PAGE_VISIBLE = 8; // rows shown at a time on pages of 9 rows or more
constexpr int SETTINGS_ROW_TEXT = 128;
constexpr int SETTINGS_NO_LANGUAGE = 101; // no language remembered
constexpr const char SETTINGS_FIRMWARE_DATE[] = "20221203";
constexpr const char SETTINGS_RES_DIR[] = "/mnt/vendor/desktop_res/menu";
constexpr const char SETTINGS_LOGO_DIR[] = "/mnt/vendor/desktop_res";
constexpr int SETTINGS_MENU_IMAGES = 6;

// The items, in cursor order.
enum {
    SET_BATTERY = 0,
    SET_SHUTDOWN,
    SET_DATE_TIME,
    SET_IO_TEST,
    SET_KEY_SOUND,
    SET_THEME,
    SET_WALLPAPER,
    SET_LANGUAGE,
    SET_AUTO_POWEROFF,
    SET_SLEEP_TIME,
    SET_BRIGHTNESS,
    SET_BUTTONS,
    SET_CLEAR_HISTORY,
    SET_CLEAR_FAVORITES,
    SET_CLEAR_CORES,
    SET_FIRMWARE,
};

// Menu images: 1 the empty radio mark, 2 the set one, 3 the shade behind the
// yes/no box and the date screen, 4 the highlighted button, 5 the plain one
// (0 is loaded with them and not drawn).
enum {
    MENU_IMG_RADIO_OFF = 1,
    MENU_IMG_RADIO_ON = 2,
    MENU_IMG_SHADE = 3,
    MENU_IMG_BUTTON_ON = 4,
    MENU_IMG_BUTTON_OFF = 5
};

// The open page.
struct SettingsPage {
    int item;   // the menu item whose page is open, -1 none
    int cursor; // sub-cursor 0..count-1
    int chosen; // the row with the set radio mark, -1 none
    int radio;  // 1 when the rows carry radio marks
    int count;  // rows, at most SETTINGS_PAGE_ROWS
    char rows[SETTINGS_PAGE_ROWS][SETTINGS_ROW_TEXT];
};

extern int settings_cursor; // highlighted item 0..15
extern SettingsPage settings_page;
// The hidden sequence: one bit for each of L, R, X and Y released (L1 and L2
// arrive as the same key, so do R1 and R2); any other key empties it. True
// once all four bits are set.
constexpr uint32_t SETTINGS_HIDDEN_COMPLETE = 0xFu;
int settings_hidden_complete(void);

// ---- texts ---------------------------------------------------------------

// The label of an item in the current language (also the title of its page).
const char *settings_label(int item);
// The value shown at the right of an item ("" for none), into buf.
void settings_value(int item, char *buf, size_t size);

// ---- resources -----------------------------------------------------------

// Loads menu images 0 to 5 in order, then the logo. Returns 0, or -1 at the
// first menu image that does not load (it is tried again at the next call);
// a missing logo is only not drawn. Does nothing once everything is loaded.
int settings_load_resources(void);
// A loaded menu image 0..5, or nullptr.
SDL_Surface *settings_menu_image(int index);
// A button of the menu pictures at (x, y), the "on" one when selected, with its
// text centred on it in `font`: white on the selected button, black on the
// other (centred on the text's own size when the picture is missing).
void draw_menu_button(SDL_Surface *dst, int x, int y, int selected, const char *text, TTF_Font *font);
SDL_Surface *settings_logo(void);
// Frees the menu pictures (exit).
void settings_free_resources(void);

// ---- opening and keys ----------------------------------------------------

// Opens the menu from the current screen (its return screen): fills the theme
// and wallpaper number lists of the current set, clears the menu, the page,
// the hidden sequence and the yes/no box, drops the theme and wallpaper
// previews and switches to SCREEN_MENU_PENDING, so that the release of the
// key that opened it does not act in the menu (the Menu click sets
// SCREEN_SETTINGS itself). Then loads the pictures: returns their result; the
// menu opens either way.
int open_settings(void);

// SCREEN_SETTINGS: released keys.
void menu_keypress(int key);
// SCREEN_SETTINGS_PAGE: released keys.
void settings_page_keypress(int key);

// The item whose page is open (-1 none); the themes module asks it when the
// TF card's skin changes under the theme and background pages.
int settings_open_page_item(void);
// 1 while the battery page is shown (its values change once a second).
int settings_battery_page_shown(void);

// What the settings lead to that other modules bring: each opener prepares
// its screen (pictures, state) and returns 0, after which the menu switches to
// it. Until one is installed its row plays the sound and does nothing.
struct SettingsLinks {
    int (*io_test)(void);    // item 3: SCREEN_IO_TEST
    int (*joy_map)(void);    // buttons page row 0: SCREEN_JOY_MAP
    int (*joy_reset)(void);  // buttons page row 1: SCREEN_JOY_RESET (the yes/no box is set up first)
    int (*keypad_map)(void); // buttons page row 2: SCREEN_KEYPAD_MAP
};
void settings_set_links(const SettingsLinks *links);

// Start-up: tells the themes module which page is open.
void settings_install(void);

// ---- drawing -------------------------------------------------------------

// One row of the menu at (x, y): the card highlight when the item is under
// the cursor, its label and its value, in the layout of the surface.
void settings_row(int item, int x, int y, SDL_Surface *dst);
// SCREEN_SETTINGS and SCREEN_SETTINGS_PAGE frames.
void settings_draw(SDL_Surface *dst);
void settings_page_draw(SDL_Surface *dst);

// Positions of one output (LCD and HDMI rows of one table).
struct SettingsLayout {
    int list_x, list_y, list_gap; // menu rows: start, highlight height + gap
    int label_dx, label_dy, label_font;
    int value_dy, value_font, value_end_gap; // value ends this far before the highlight's end
    int title_y, title_font;                 // page title, centred
    int page_x, page_y, page_gap;            // page rows
    int text_dx, text_dy, text_font;
    int radio_dx;                           // radio mark x = highlight width - mark width + radio_dx
    int radio_up;                           // above the row text
    int preview_x, preview_y, preview_slot; // theme page: five previewed icons
};
extern const SettingsLayout settings_layouts[OUTPUT_COUNT];
