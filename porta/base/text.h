#pragma once

// Text helpers that need no display: the search key of a game name and cuts
// of UTF-8 text that never split a character.

#include <cstddef>

// Pinyin initials and digits of a UTF-8 name: the name is converted to GBK;
// each GB2312 level-1 character gives the initial of its reading, any other
// double-byte character ":", bytes up to 0x40 (digits, blank, most
// punctuation) stand as they are and other single bytes (letters) are dropped.
// Writes at most `outsz` bytes into `out` without a terminator; returns the
// number of GBK bytes considered, or -1 when the name cannot be converted.
int name_initials(const char *name, char *out, size_t outsz);

// The length of the longest prefix of `text` (of length `len`) that is at most
// `max` bytes and does not end inside a UTF-8 sequence.
size_t utf8_cut(const char *text, size_t len, size_t max);

// Copies `text` into `out` (size `outsz`, at least 1), cut on a character
// boundary, and terminates it. Returns the number of bytes copied.
size_t utf8_copy(char *out, size_t outsz, const char *text);
