#pragma once

// Drawing toolkit of the launcher: fonts, pictures and text, with the marquee
// of long list rows (its timer and state are in porta/base/timers.h).

#include "porta/base/timers.h"

#include <cstddef>
#include <cstdint>

#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

// ---- fonts ---------------------------------------------------------------

constexpr const char UI_FONT_FILE[] = "/mnt/vendor/bin/default.ttf";
enum { FONT_16 = 0, FONT_18, FONT_22, FONT_24, FONT_28, UI_FONT_COUNT };
extern TTF_Font *ui_font[UI_FONT_COUNT];

// Opens the five UI fonts (16, 18, 22, 24, 28 points). Returns 0, or -1 after
// printing "get ui font return NULL" (the fonts that did open are closed).
int load_ui_fonts(void);
void free_ui_fonts(void);

// ---- pictures ------------------------------------------------------------

// Printed when a picture cannot be loaded, with its path and the reason (also
// by porta/ui/picture.cpp). The firmware's logs and the tests rely on its bytes.
constexpr const char *LOAD_FAILED_TEXT = "Failed to load %s, %s\n";

SDL_Surface *load_img_opt(const char *path, int alpha);
SDL_Surface *load_img(const char *path);
void blit_at(int x, int y, SDL_Surface *src, SDL_Surface *dst);
// Frees the surface, if any, and forgets it.
void free_surface(SDL_Surface *&surface);
// Sets x and y, and w and h only when they are 0 or more.
void set_rect(SDL_Rect *r, int x, int y, int w, int h);
void set_point(SDL_Rect *r, int x, int y);

// ---- text ----------------------------------------------------------------

// A new surface of the text, which the caller frees.
SDL_Surface *render_text(const char *text, TTF_Font *font, SDL_Color colour);
// The colour of the launcher's texts.
constexpr SDL_Color WHITE = {255, 255, 255, 0};

// Returns the rendered width in pixels (0 when nothing was drawn).
int draw_text(int x, int y, TTF_Font *font, SDL_Color colour, const char *text, SDL_Surface *dst);

// The text rendered as render_text would, but borrowed: texts of the UI fonts
// come from a cache of recently drawn texts, others are kept until the next
// text call. Valid until the next call of a text function; never freed by the
// caller. nullptr for an empty text or a failed rendering.
SDL_Surface *text_surface(const char *text, TTF_Font *font, SDL_Color colour);
// Width and height of the text (TTF_SizeUTF8, or the cached white rendering's
// size). Returns 0 or -1.
int text_size(TTF_Font *font, const char *text, int *w, int *h);
// The text's width (0 when it cannot be measured); its height into `height`
// when given.
int text_width(TTF_Font *font, const char *text, int *height = nullptr);

// The cache of rendered texts: at most TEXT_CACHE_ENTRIES texts and
// TEXT_CACHE_BYTES of pixels. Emptied when the fonts close.
constexpr int TEXT_CACHE_ENTRIES = 128;
constexpr uint32_t TEXT_CACHE_BYTES = (4u << 20);
void text_cache_clear(void);
// Off: every text is rendered anew (measurements, tests).
void text_cache_enable(int on);
int text_cache_entries(void);

constexpr int TEXT_CLIP_BUF = 512;
constexpr const char MARQUEE_GAP[] = "        ";
struct TextClip {
    TTF_Font *font;
    SDL_Color colour;
    const char *text;
    int max_width;
};

// Draws a text cut to clip->max_width; with `scroll` non-zero and the scroll
// timer fired it runs as a marquee.
void draw_text_clip(int x, int y, int scroll, const TextClip *clip, SDL_Surface *dst);

// Texts drawn by draw_text_clip that may scroll (asked to, and wider than
// their box) since the last reset: each is a marquee that moves once the
// scroll timer fired. The main loop counts them per frame to keep the
// marquee's pace on frames it does not draw.
void marquee_count_reset(void);
int marquee_count(void);
