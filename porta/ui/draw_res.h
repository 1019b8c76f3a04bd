#pragma once

// The fixed picture sets of both outputs (title bar, bottom bars, pointer,
// search keyboard, list pictures, system icons), loaded at start and kept
// until exit.

#include <SDL/SDL.h>

#define RES_OUT_LCD 0
#define RES_OUT_HDMI 1
#define RES_SYSTEMS 17
#define RES_SEARCH_KEYS 42

struct FixedRes {
    SDL_Surface *title_bg;
    SDL_Surface *earphone;
    SDL_Surface *spk;
    SDL_Surface *joy;
    SDL_Surface *bat[2];
    SDL_Surface *bottom[6];
    SDL_Surface *point;
    SDL_Surface *search[RES_SEARCH_KEYS];
    SDL_Surface *list[6];
    SDL_Surface *type_left[RES_SYSTEMS];
    SDL_Surface *type_right[RES_SYSTEMS];
};

extern FixedRes fixed_res[2];

// Icon file name of each of the 17 systems, in system order.
extern const char *const res_system_icons[RES_SYSTEMS];

// Title bar and bottom set of one output. Returns 0 or -1.
int load_title_bottom(int out);
// The other fixed pictures of one output; each missing one is reported.
// Returns 0 or -1.
int load_lcd_other_img(void);
int load_hdmi_other_img(void);

// Frees every picture of the fixed sets, the wallpapers and the theme icons.
void free_all_images(void);
