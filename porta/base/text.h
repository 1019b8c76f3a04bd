#pragma once

// Text helpers that need no display: the search key of a game name and cuts
// of UTF-8 text that never split a character.

#include <cstddef>

// Pinyin initials and digits of a UTF-8 name: each Chinese character gives
// the initial of its Mandarin reading (the characters of GB2312 level 1 the
// letter of their range of GB2312 codes, the others the first letter of their
// first reading in Unicode's Unihan data), any other character outside ASCII
// and a Chinese character without a reading ":", bytes up to 0x40 (digits,
// blank, most punctuation) stand as they are and other ASCII (letters) is
// dropped. Only the first `outsz` bytes the name takes in GBK count (ASCII
// one, any other character two; a character cut there gives nothing), so the
// key never passes `outsz`. Writes the key into `out` without a terminator;
// returns the number of GBK bytes considered, or -1 (writing nothing) when
// the name is not UTF-8.
int name_initials(const char *name, char *out, size_t outsz);

// The length of the longest prefix of `text` (of length `len`) that is at most
// `max` bytes and does not end inside a UTF-8 sequence.
size_t utf8_cut(const char *text, size_t len, size_t max);

// Copies `text` into `out` (size `outsz`, at least 1), cut on a character
// boundary, and terminates it. Returns the number of bytes copied.
size_t utf8_copy(char *out, size_t outsz, const char *text);
