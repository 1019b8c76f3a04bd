#pragma once

// Skin settings and language strings.
//
// The skin file skin/settings.json (colours, text alignment, visibility
// switches) and the language files lang/<language>.json (every visible text,
// the font and its sizes, the ISO code) are plain text read line by line with
// substring searches. Relative paths resolve against /mnt/mmc/CFW, the working
// directory; the flag files are read through the device root.

#include <SDL/SDL.h>

#include "vantor/content.h"

constexpr char SKIN_SETTINGS_FILE[] = "skin/settings.json";
constexpr char LANGUAGE_FLAG_FILE[] = "/mnt/mmc/CFW/language.flag";
constexpr char CLOCK_12H_FLAG_FILE[] = "/mnt/mmc/CFW/12hourclock.flag";

// Text alignment of list rows.
constexpr int ALIGN_CENTER = 0;
constexpr int ALIGN_LEFT = 1;
constexpr int ALIGN_RIGHT = 2;

// Size of the buffers that hold a label copied from a language file.
constexpr int LABEL_BUFFER_SIZE = 128;

// Font sizes (points) a language file may set; any other value gives the
// default. Text is about 1.2 times its point size high, so eight list rows of
// the largest size still fit the 480-pixel screen.
constexpr int DEFAULT_FONT_SIZE = 28;
constexpr int MIN_FONT_SIZE = 8;
constexpr int MAX_FONT_SIZE = 50;
// The text margin a skin may set, in pixels from the screen edge: at most half
// of the 640-pixel screen width.
constexpr int MAX_TEXT_MARGIN = 320;

// The whole number at the start of `value` (read as atoi reads it) when it
// lies within [lo, hi], else `def`.
int size_setting(const char *value, int lo, int hi, int def);

// The colour of a skin key ("#rrggbb" in quotes); black when not found.
SDL_Color get_color(const char *key);

// 0 centred, 1 left, 2 right; overwrites *margin when the skin sets
// "text-margin" to 0..MAX_TEXT_MARGIN (the caller sets the default first).
int get_text_alignment(int *margin);

// 0 when the skin sets the switch to false, else 1.
int get_main_menu_text_visibility();
int get_guide_button_text_visibility();

// The value of `key` in lang/<language>.json, or `def` when the key is
// missing. A found value lives in a static buffer the next lookup overwrites.
//
// The skin file and the language file are read once and kept in memory while
// they stay unchanged on the card (a language switch reads the new language's
// file); lookups then search the kept lines with the same rules.
const char *get_skin_setting(const char *language, const char *key, const char *def);
// The path of the last language file looked up ("lang/%s.json").
const char *last_language_file_path();

// How many times the skin and language files were read from the card so far.
unsigned long skin_file_reads();

// The base names of the files in lang/, sorted by strcmp. Returns the count.
int get_available_languages(ItemList *languages);

// The language chosen in language.flag when its file exists, else "English".
// Static buffer.
const char *get_language_setting();
// Stores the name in language.flag (no newline). Returns 0 or -1.
int set_language_setting(const char *name);

// 1 when 12hourclock.flag exists.
int get_12hour_flag();
// Creates (on) or deletes (off) 12hourclock.flag. Returns 0 or -1.
int set_12hour_flag(int on);

// Copies `src` into a buffer of `size` bytes, cutting it at a character
// boundary of the UTF-8 text when it is too long. Always terminates `dst`.
void copy_text(char *dst, size_t size, const char *src);
