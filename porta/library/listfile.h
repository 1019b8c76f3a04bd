#pragma once

// The sealed text list files of the history, favourites and core list: lines
// of "name:number:..." followed by the 4-byte CRC trailer. Written whole and
// crash-safely after every change; read only up to the seal.

#include <cstdint>
#include <string>
#include <vector>

constexpr int LIST_LINE_MAX = 1023;

// The lines before the seal of a file that passed the seal check, without
// their line ends; empty lines and lines longer than LIST_LINE_MAX bytes are
// left out. Returns 0, or -1 when the file cannot be read.
int list_file_lines(const char *path, std::vector<std::string> &lines);

// Splits "name:n1:...:nK" at its last `k` colons, so that a name holding ':'
// survives; the numbers are read as atoi reads them. Returns 0, or -1 when the
// line has fewer than `k` colons.
int split_line_right(const std::string &line, int k, std::string &name, int32_t *numbers);

// Whether a file name can be stored as one line: not when it holds a line
// end, which would split its record in two.
bool list_name_storable(const char *name);

// Copies at most 255 bytes of `name` into a 256-byte field, terminated.
void copy_list_name(char dst[256], const std::string &name);

// Writes the content and its seal crash-safely. On failure prints
// "fopen <path> error,reurn <errno>" and returns -1 (the old file stays).
int list_file_write(const char *path, const std::string &content);
// Empties the file (0 bytes, a valid empty list). 0 or -1 (with the message).
int list_file_truncate(const char *path);
