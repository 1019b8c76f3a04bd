#pragma once

// Drawing and utility toolkit of the launcher: pictures, text, the marquee of
// long list rows, the search key of a name, sealed files and the two one-shot
// timers (text scroll start, power-key hold).

#include <cstddef>
#include <atomic>
#include <cstdint>

#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

// ---- fonts ---------------------------------------------------------------

#define UI_FONT_FILE "/mnt/vendor/bin/default.ttf"
enum { FONT_16 = 0, FONT_18, FONT_22, FONT_24, FONT_28, UI_FONT_COUNT };
extern TTF_Font *ui_font[UI_FONT_COUNT];

// Opens the five UI fonts (16, 18, 22, 24, 28 points). Returns 0, or -1 after
// printing "get ui font return NULL" (the fonts that did open are closed).
int load_ui_fonts(void);
void free_ui_fonts(void);

// ---- pictures ------------------------------------------------------------

SDL_Surface *load_img_opt(const char *path, int alpha);
SDL_Surface *load_img(const char *path);
void blit_at(int x, int y, SDL_Surface *src, SDL_Surface *dst);
// Sets x and y, and w and h only when they are 0 or more.
void set_rect(SDL_Rect *r, int x, int y, int w, int h);
void set_point(SDL_Rect *r, int x, int y);

// ---- text ----------------------------------------------------------------

SDL_Surface *render_text(const char *text, TTF_Font *font, SDL_Color colour);
// Returns the rendered width in pixels (0 when nothing was drawn).
int draw_text(int x, int y, TTF_Font *font, SDL_Color colour, const char *text, SDL_Surface *dst);

#define TEXT_CLIP_BUF 512
#define MARQUEE_GAP "        "
struct TextClip {
    TTF_Font *font;
    SDL_Color colour;
    const char *text;
    int max_width;
};

// Draws a text cut to clip->max_width; with `scroll` non-zero and the scroll
// timer fired it runs as a marquee.
void draw_text_clip(int x, int y, int scroll, const TextClip *clip, SDL_Surface *dst);

// Marquee state, one for the whole program.
// The timer callback runs on SDL's timer thread, hence the atomic words.
struct ScrollState {
    std::atomic<int> offset{0}; // pixels
    std::atomic<int> on{0};     // scrolling allowed (the 2 s timer fired)
    std::atomic<int> step{0};   // 0..9
};
extern ScrollState text_scroll;

// One marquee step for a text of width `w` (gap included) in a box `m` wide:
// advances the state and fills up to two source rectangles (and the x offset of
// the second one from the box's left edge). Returns the number of rectangles.
int marquee_step(ScrollState *s, int w, int m, int h, SDL_Rect src[2], int *second_x);

// Resets the scroll state; with `on` non-zero starts the 2000 ms timer that
// lets the selected row scroll.
void TextScrollCtrl(int on);

// ---- power key hold ------------------------------------------------------

void power_hold_start(void);
void power_hold_cancel(void);

// ---- search key ----------------------------------------------------------

// Pinyin initials and digits of a UTF-8 name (see search). Writes at most
// `outsz` bytes into `out` without a terminator; returns the number of GBK
// bytes considered, or -1 when the name cannot be converted.
int name_initials(const char *name, char *out, size_t outsz);

// ---- sealed files --------------------------------------------------------

// Reflected CRC-32 (0xEDB88320), initial value 0, no final inversion.
uint32_t crc32_update(uint32_t crc, const void *data, size_t len);

// Appends the 4-byte little-endian CRC of the file's bytes to the file. The
// sealed file replaces the old one in one step. Returns 0 or -1.
int crc_seal_file(const char *path);
// Writes `data` followed by its seal, crash-safely. Returns 0 or -1.
int crc_seal_write(const char *path, const void *data, size_t len);
// Returns 0 when the CRC over the whole file is 0 (an intact sealed file or an
// empty one); otherwise deletes the file and returns -1. A file that cannot be
// opened returns -1 and is kept.
int crc_check_file(const char *path);
