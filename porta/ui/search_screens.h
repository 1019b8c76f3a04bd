#pragma once

// The search room's two screens: the on-screen keyboard with the matches of
// the typed text beside it, and the result list for browsing and launching.
// Key handlers take the SDL key code of the pressed key; drawing functions
// draw the LCD or the HDMI layout, chosen by the surface they are given.

#include <SDL/SDL.h>

void search_keys_keypress(int key);
void search_results_keypress(int key);
void draw_search_keys(SDL_Surface *dst);
void draw_search_results(SDL_Surface *dst);

// The help text and the two key hints of the keyboard screen in a UI
// language (0 and 1 Chinese, anything else English).
const char *search_help_text(int language);
const char *search_hint_text(int language, int second);
// The typed text as the keyboard screen shows it: the last 18 characters
// (all of it when 17 or fewer), upper-cased; a byte the keyboard cannot type
// (a control or non-ASCII byte, from a damaged stored text) shows as "?".
// Returns `out` (at least 19 bytes).
char *search_shown_text(const char *text, char *out);
