#pragma once

// Content sources of the front-end menu: the system folders on both cards,
// the files of one folder, RetroArch's history and favourites playlists, the
// core mapping and the MAME title table, plus the small text-file helpers the
// other modules use.
//
// Every list is built on demand from the files on the cards. A reader returns
// the number of items and hands an owned array of strings to the caller, who
// frees it with destroy_items(). Relative paths (config/..., retroarch/...)
// resolve against the working directory /mnt/mmc/CFW; every file is opened
// through the device root.

#include <cstddef>

#include "common/devroot.h"

// An array of owned, NUL-terminated strings; its count travels beside it.
typedef char **ItemList;

// Reads a whole text file into one string per line, without CR/LF. Lines
// longer than 12287 bytes arrive as several lines. Returns the number of lines,
// or 0 with *lines set to nullptr when the file cannot be opened.
int read_all_lines(const char *path, ItemList *lines);

// Frees every string and the array and sets *items to nullptr. Does nothing
// for count 0 or a null list.
void destroy_items(int count, ItemList *items);

// Playlist and mapping files.
constexpr char FAVORITES_PLAYLIST[] = "retroarch/.retroarch/content_favorites.lpl";
constexpr char MMC_HISTORY_PLAYLIST[] = "/mnt/mmc/Saves/CurrentProfile/lists/content_history.lpl";
constexpr char SDCARD_HISTORY_PLAYLIST[] = "/mnt/SDCARD/Saves/CurrentProfile/lists/content_history.lpl";
constexpr char HISTORY_FLAG_FILE[] = "/mnt/mmc/CFW/history.flag";
constexpr char CORE_MAPPING_FILE[] = "config/coremapping.json";
constexpr char MAME_CSV_FILE[] = "config/mame.csv";
constexpr char CORES_FOLDER[] = "/mnt/mmc/CFW/retroarch/.retroarch/cores/";

// The entry paths of a RetroArch playlist whose files still exist, in file
// order; `sort` orders them by file name (case-insensitive, stable) and
// `dedupe` drops repeated paths. JSON escapes in the stored paths are undone.
int get_retroarch_playlist_items(const char *playlist_path, ItemList *items, int sort, int dedupe);

// Both cards' histories (removable card first unless history.flag names the
// internal card), each de-duplicated and newest first, without ffmpeg content.
int get_history(ItemList *items);

// The favourites, sorted by file name and de-duplicated.
int get_favorites(ItemList *items);

// The system folders of both cards (Roms folders and card roots), full
// paths in byte order.
int get_folders(ItemList *items);

// The files of a folder (no hidden, "~", "_cache" entries or sub-folders),
// full paths in byte order. A folder that cannot be opened has no files.
int get_files(const char *folder, ItemList *items);

// 1 when the folder holds at least one file that get_files() would list.
int has_files(const char *folder);

// 1 when the core mapping names this folder.
int is_rom_folder(const char *name);

// The full core path of an item in preferred_core.path (the next call
// overwrites it), or nullptr when the mapping has no core for its system
// folder. A mapping to an absolute program path yields a path holding "//":
// that program is run directly instead of RetroArch.
char *get_preferred_core(const char *item_path);
// What the last get_preferred_core() call found: the core and the system folder name.
struct PreferredCore {
    char path[PATH_BUFFER_SIZE];
    char folder[PATH_BUFFER_SIZE];
};
extern PreferredCore preferred_core;

// MAME short name -> title table, loaded when first needed and kept for the
// rest of the run.
struct MameGameName;
struct MameTitles {
    ItemList short_names = nullptr; // the CSV lines, cut at their first ','
    char **full_names = nullptr;    // the title part of each line
    int count = 0;
    MameGameName *table = nullptr;   // hash map short name -> title
    MameGameName *entries = nullptr; // one block holding every hash entry
    bool loaded = false;             // the file was read (also when missing)
};
extern MameTitles mame_titles;
// Reads config/mame.csv (again, replacing what was read) / frees the table.
void load_mame_game_name_table();
void destroy_mame_game_name_table();
// Reads the table unless it was read since the last destroy; the list rows
// call this before their first lookup.
void ensure_mame_game_name_table();
// True once the table was read (also when the file is missing).
bool mame_game_name_table_loaded();
// The title for a short name (exact, case-sensitive match), or nullptr when
// the table has none (or only an empty one) for it. Looks only at what is
// loaded: nothing before the table is read.
const char *get_mame_game_name(const char *short_name);

// Favourites. An item is a favourite when some entry's path equals it exactly.
int is_favorited(const char *item_path);
// Adds the item as the first entry; creates the playlist when missing.
void add_to_favorites(const char *item_path);
// Removes the first entry whose path equals item_path (the file is left alone
// when there is none). Always returns 0.
int remove_from_retroarch_playlist(const char *playlist_path, const char *item_path);
void remove_from_favorites(const char *item_path);
// Removes from the history of the card the item lies on.
void remove_from_recent(const char *item_path);

// Background pictures of a list row.
//
// The newest auto-save-state screenshot of the item: <states>/<core>/<base>
// .state.auto.png among the core folders of its card's states folder (equal
// times keep the first found). Returns 1 and fills `out` (PATH_BUFFER_SIZE bytes) when one
// exists, else 0.
int find_auto_state_screenshot(const char *item_path, char *out);
// The artwork of an item: the first of skin/games/<system>/<file>.png,
// skin/games/<file>.png and /mnt/mmc/Roms/<system>/Imgs/<name>.png that can be
// opened, else /mnt/SDCARD/Roms/<system>/Imgs/<name>.png unchecked. Returns 1
// and fills `out` (PATH_BUFFER_SIZE bytes), or 0 when the path names no file.
int get_artwork_path(const char *item_path, char *out);
// What the background of a row shows. In Recent (`in_recent` set) the
// auto-state screenshot comes first: returns 2 with its path (the picture is
// enlarged 4x before scaling). Otherwise returns 1 with the artwork path, or 0.
int get_background_override_path(const char *item_path, int in_recent, char *out);
