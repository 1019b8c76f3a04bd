#pragma once

// Helpers shared by the content-source modules (folders, playlists, MAME names).

#include <string>
#include <vector>

#include "vantor/content.h"

// Appends a copy of `s` to a list that grows by doubling. Returns 0, or -1
// when memory runs out (the list is then unchanged).
int appendItem(ItemList *items, int *count, int *capacity, const char *s);
// Copies strings into a new ItemList; returns its count.
int toItemList(const std::vector<std::string> &from, ItemList *items);
// Reads a text file into whole lines of any length, without CR/LF.
// Returns 0, or -1 when the file cannot be opened.
int readWholeLines(const char *path, std::vector<std::string> &lines);
// 1 when the file can be opened for reading (symlinks followed through the
// device root).
int canOpenForReading(const char *path);
// 1 when some mapping line holds the name in double quotes.
int mappingNamesFolder(const std::vector<std::string> &mapping, const char *name);

// JSON string escaping of a playlist path ("\"", "\\" and control characters).
std::string jsonEscape(const char *s);
// Undoes JSON string escapes (\uXXXX to UTF-8); a malformed escape stays as written.
std::string jsonUnescape(const std::string &s);
// The unescaped value of a playlist line holding the "path" key.
// Returns false when the line holds no path.
bool playlistLinePath(const std::string &line, std::string &path);
