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

#define SKIN_SETTINGS_FILE "skin/settings.json"
#define LANGUAGE_FLAG_FILE "/mnt/mmc/CFW/language.flag"
#define CLOCK_12H_FLAG_FILE "/mnt/mmc/CFW/12hourclock.flag"

// Text alignment of list rows.
constexpr int alignCenter = 0;
constexpr int alignLeft = 1;
constexpr int alignRight = 2;

// Size of the buffers that hold a label copied from a language file.
constexpr int labelBufferSize = 128;

// Font sizes (points) a language file may set; any other value gives the
// default. Text is about 1.2 times its point size high, so eight list rows of
// the largest size still fit the 480-pixel screen.
constexpr int defaultFontSize = 28;
constexpr int minFontSize = 8;
constexpr int maxFontSize = 50;
// The text margin a skin may set, in pixels from the screen edge: at most half
// of the 640-pixel screen width.
constexpr int maxTextMargin = 320;

// The whole number at the start of `value` (read as atoi reads it) when it
// lies within [lo, hi], else `def`.
int sizeSetting(const char *value, int lo, int hi, int def);

// The colour of a skin key ("#rrggbb" in quotes); black when not found.
SDL_Color getColor(const char *key);

// 0 centred, 1 left, 2 right; overwrites *margin when the skin sets
// "text-margin" to 0..maxTextMargin (the caller sets the default first).
int getTextAlignment(int *margin);

// 0 when the skin sets the switch to false, else 1.
int getMainMenuTextVisibility();
int getGuideButtonTextVisibility();

// The value of `key` in lang/<language>.json, or `def` when the key is
// missing. A found value lives in a static buffer the next lookup overwrites.
//
// The skin file and the language file are read once and kept in memory while
// they stay unchanged on the card (a language switch reads the new language's
// file); lookups then search the kept lines with the same rules.
const char *getSkinSetting(const char *language, const char *key, const char *def);
// The path of the last language file looked up ("lang/%s.json").
extern char languageFilePath[4097];

// How many times the skin and language files were read from the card so far.
unsigned long skinFileReads();

// The base names of the files in lang/, sorted by strcmp. Returns the count.
int getAvailableLanguages(ItemList *languages);

// The language chosen in language.flag when its file exists, else "English".
// Static buffer.
const char *getLanguageSetting();
// Stores the name in language.flag (no newline). Returns 0 or -1.
int setLanguageSetting(const char *name);

// 1 when 12hourclock.flag exists.
int get12hourflag();
// Creates (on) or deletes (off) 12hourclock.flag. Returns 0 or -1.
int set12hourflag(int on);

// Copies `src` into a buffer of `size` bytes, cutting it at a character
// boundary of the UTF-8 text when it is too long. Always terminates `dst`.
void copyText(char *dst, size_t size, const char *src);
