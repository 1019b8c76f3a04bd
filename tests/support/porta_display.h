// porta's display as its start-up makes it, for in-process tests of the
// screens: the framebuffer files of the root, SDL's video, the LCD, HDMI and
// scratch surfaces and SDL_ttf. power_off() takes it all down again.
#pragma once

#include "porta/device/fb.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/loop.h"
#include "porta/ui/themes.h"

#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

enum {
    DISPLAY_FONTS = 1,    // the UI fonts of the root
    DISPLAY_PICTURES = 2, // the device's wallpaper, both outputs' bars and fixed pictures
};

// 0 when everything asked for is up, -1 otherwise.
inline int porta_test_display(int what)
{
    if (fb_init() != 0 || SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) != 0)
        return -1;
    lcd_surface = SDL_SetVideoMode(640, 480, 16, 0);
    hdmi_surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 1280, 720, 16, 0xF800, 0x07E0, 0x001F, 0);
    scratch_surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 1280, 720, 24, 0, 0, 0, 0);
    if (!lcd_surface || !hdmi_surface || !scratch_surface || TTF_Init() != 0)
        return -1;
    sdl_up = 1;
    if ((what & DISPLAY_FONTS) && load_ui_fonts() != 0)
        return -1;
    if (what & DISPLAY_PICTURES) {
        customer_skin = 0;
        if ((load_background() | load_title_bottom(OUTPUT_LCD) | load_title_bottom(OUTPUT_HDMI) | load_lcd_other_img() |
             load_hdmi_other_img()) != 0)
            return -1;
    }
    return 0;
}
