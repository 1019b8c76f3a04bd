#pragma once

// Preview pictures of games: the picture beside a game (or the default one),
// scaled to the preview box of the output (240x180 on the LCD, 500x430 on
// HDMI). One picture per output is kept for the selected entry until the
// cursor moves.

#include "porta/library/card.h"

#include <SDL/SDL.h>

constexpr int PREVIEW_LCD_W = 240;
constexpr int PREVIEW_LCD_H = 180;
constexpr int PREVIEW_HDMI_W = 500;
constexpr int PREVIEW_HDMI_H = 430;

// A new surface of exactly the preview size (the caller frees it), or nullptr
// when the picture does not load.
SDL_Surface *game_preview(int system, Card card, int index, int lcd);
// Scales a picture to w x h with smoothing, freeing the original; a picture
// of that size already is returned as it is.
SDL_Surface *preview_fit(SDL_Surface *pic, int w, int h);

// The kept preview of the selected entry for one output (loaded on first use
// after a drop), or nullptr.
SDL_Surface *selected_preview(int lcd, int system, Card card, int index);
// Frees both kept previews (every cursor move and screen change).
void preview_drop_all(void);
