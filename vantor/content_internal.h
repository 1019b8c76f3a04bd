#pragma once

// Helpers shared by the content-source modules (folders, playlists, MAME names).

#include <string>
#include <vector>

#include "vantor/content.h"

// Appends a copy of `s` to a list that grows by doubling. Returns 0, or -1
// when memory runs out (the list is then unchanged).
int append_item(ItemList *items, int *count, int *capacity, const char *s);
// Copies strings into a new ItemList; returns its count.
int to_item_list(const std::vector<std::string> &from, ItemList *items);
// Reads a text file into whole lines of any length, without CR/LF.
// Returns 0, or -1 when the file cannot be opened.
int read_whole_lines(const char *path, std::vector<std::string> &lines);
// 1 when the path names a regular file that can be opened for reading
// (symlinks followed through the device root); 0 for folders and the rest.
int is_readable_file(const char *path);
// 1 when some mapping line holds the name in double quotes.
int mapping_names_folder(const std::vector<std::string> &mapping, const char *name);

// A playlist read as JSON: the "items" array of its top-level object and, for
// each element, its bytes [start, end) in the text and the unescaped value of
// its "path" member (which may hold a NUL, from "\u0000").
struct PlaylistEntry {
    size_t start = 0;
    size_t end = 0;
    bool has_path = false;
    std::string path;
};
struct PlaylistDoc {
    bool has_items = false;
    size_t open = 0;  // the "[" of "items"
    size_t close = 0; // its "]"
    std::vector<PlaylistEntry> entries;
};
// Parses a whole text as JSON. Returns 0, or -1 when it is not valid JSON.
int parse_playlist(const std::string &text, PlaylistDoc &doc);
// The text with an entry {"path": ...} added as the first of "items", or with
// the first entry whose path equals `path` removed. Only the bytes of that
// entry (with its comma and, when it stands on lines of its own, those lines)
// change. Returns 0 and fills `out`, or -1 when the text is not a playlist
// (not JSON, no "items" array) or, for removal, holds no such entry.
int playlist_with_entry_added(const std::string &text, const char *path, std::string &out);
int playlist_with_entry_removed(const std::string &text, const char *path, std::string &out);

// JSON string escaping of a playlist path ("\"", "\\" and control characters).
std::string json_escape(const char *s);
// Undoes JSON string escapes (\uXXXX to UTF-8, \u0000 to a NUL byte); a
// malformed escape or a lone surrogate stays as written.
std::string json_unescape(const std::string &s);
// The unescaped value of a playlist line holding the "path" key.
// Returns false when the line holds no path.
bool playlist_line_path(const std::string &line, std::string &path);
