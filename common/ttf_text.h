#pragma once

// Texts handed to SDL_ttf 2.0.11, the version the handheld ships.
//
// That SDL_ttf draws a text into a surface as wide as the text's bounding box
// and moves the pen right only by the first glyph's negative left bearing.
// Every later glyph k is drawn from x = pen_k + minx_k, where pen_k is the sum
// of the advances before it plus the kerning of each pair of glyphs the font
// has (plus that first shift), and minx_k is its left bearing. SDL_ttf checks
// only the end of the pixel buffer, never its start: when x < 0 for a glyph
// whose top reaches the font's ascent (maxy_k >= TTF_FontAscent), its pixel row
// on the surface's first row is written -x pixels (4 bytes each) before the
// buffer, into the heap; lower rows land at the right end of the row above.
// A combining mark drawn left of the pen after a narrow first letter is such
// a glyph: "b" and U+0488 in DejaVu Sans at 12 to 32 points (all but 13, 26
// and 27, where the mark stays below the ascent).

// Every text either program draws or measures goes through ttf_safe_text()
// (ttf_render_blended() and ttf_size_text() do it for the caller): an ordinary
// text comes back byte for byte; only a text SDL_ttf cannot take is changed.

#include <string>

#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

// Appends the UTF-8 encoding of a code point (at most U+10FFFF) to `out`.
void append_utf8(std::string &out, unsigned cp);

// The text as valid UTF-8 of characters SDL_ttf 2.0.11 decodes as they are:
// an invalid or cut byte sequence, and a character beyond U+FFFF (which SDL_ttf
// would cut to 16 bits), become U+FFFD; the byte-order marks U+FEFF and U+FFFE
// (which switch SDL_ttf's byte order) are left out. Valid text of the Basic
// Multilingual Plane comes back unchanged.
std::string ttf_valid_utf8(const char *text);

// How far, in pixels, SDL_ttf 2.0.11 would draw the leftmost glyph of `text`
// (after its first) left of the surface it renders into: 0 when every glyph
// lies inside, -1 when a glyph's metrics cannot be read (SDL_ttf then renders
// nothing). With `heap_only` set only glyphs reaching the font's ascent count:
// those whose top row SDL_ttf writes before the surface's pixel buffer, so a
// result above 0 is a heap overrun of 4 bytes per pixel. `text` is taken as
// SDL_ttf takes it, so pass ttf_valid_utf8() text.
int ttf_left_overhang(TTF_Font *font, const char *text, bool heap_only = false);

// The text to hand to SDL_ttf in place of `text`. A text whose every glyph
// lies inside the surface (every ordinary name and label) comes back as
// ttf_valid_utf8() gives it, so byte for byte when it was valid. Otherwise the
// text is put into Unicode normalisation form C (a letter and its combining
// marks become one character where Unicode has one), and every glyph still
// starting left of the surface, or whose metrics cannot be read, is left out.
// An empty result means there is nothing to draw.
std::string ttf_safe_text(TTF_Font *font, const char *text);

// TTF_RenderUTF8_Blended of ttf_safe_text(). The caller frees the surface.
// Null for a null font or text, an empty text, or when SDL_ttf fails.
SDL_Surface *ttf_render_blended(TTF_Font *font, const char *text, SDL_Color color);

// TTF_SizeUTF8 of ttf_safe_text(): 0, or -1 (then *w and *h are 0).
int ttf_size_text(TTF_Font *font, const char *text, int *w, int *h);
