#pragma once

// Drawing of the library screens: the rooms carousel, the card choice, the
// system list, a system's game list, the favourites, the history and the GBA
// core pop-up. Each routine draws one whole frame into the surface it is
// given, in the LCD layout (640x480) or the HDMI layout (1280x720) chosen by
// the surface's size; the positions of both layouts are the two rows of
// `library_layouts`.

#include "porta/device/fb.h"

#include <cstddef>

#include <SDL/SDL.h>

// Positions and fonts of one layout (LCD row, HDMI row). Row heights, the
// first row's y, the row highlight's x and the row font are the shared ones
// of chrome.h.
struct LibraryLayout {
    // rooms: slot i at i * (icon width + gap) + gap; the highlighted room's
    // full-size icon at icon_y, its name centred, ending at name_base
    int room_gap, room_icon_y, room_name_base, room_name_font;
    // card choice rows (and the pop-up's): the card highlight at card_x, the
    // text card_text_dx to its right and card_text_dy lower
    int card_x, card_text_dx, card_text_dy, card_font;
    // system list: the card label on the title bar; per row the small icon
    // and the title
    int label_x, label_y, label_font;
    int icon_x, sys_icon_dy, sys_text_x, sys_text_dy;
    // game list rows: icon, text, text width = highlight width - game_clip_cut
    int game_icon_dy, game_text_x, game_text_dy, game_clip_cut;
    // the favourite mark ends at mark_right, counted from the highlight's
    // width when mark_from_highlight is 1, else from the left edge
    int mark_from_highlight, mark_right, mark_dy;
    // favourites and history rows
    int entry_text_x, entry_text_dy, entry_clip_cut;
    // the preview of the selected entry, and the system's large picture
    int preview_x, preview_y;
    // core pop-up: title, rows, item texts, radio marks (x = card highlight
    // width - mark width + radio_dx)
    int popup_title_y, popup_title_font, popup_rows_y, popup_item_dy, popup_item_font;
    int popup_radio_dx, popup_radio_dy;
};
extern const LibraryLayout library_layouts[OUTPUT_COUNT];

void draw_rooms_screen(SDL_Surface *dst);
void draw_card_screen(SDL_Surface *dst);
void draw_systems_screen(SDL_Surface *dst);
void draw_games_screen(SDL_Surface *dst);
void draw_favorites_screen(SDL_Surface *dst);
void draw_history_screen(SDL_Surface *dst);
void draw_core_popup_screen(SDL_Surface *dst);

// Texts of these screens in a language (0..5; out of range reads as 0).
const char *room_name(int room_number, int language);
const char *system_title(int system, int language);
// The card choice's row text: "External card (TF2/EXT.)" and the like.
// `external` 1 for the TF card.
const char *card_row_text(int external, int language, char *out, size_t size);
const char *core_popup_title(int language);
// The name shown for a stored entry whose game is no longer in its list.
extern const char *const file_error_text;

// The pop-up's radio marks (menu/1.png, menu/2.png of the settings pictures)
// are loaded the first time the pop-up is drawn; freed at exit.
void library_screens_free(void);
