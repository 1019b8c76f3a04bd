#pragma once

// Content sources of the front-end menu: the system folders on both cards,
// the files of one folder, RetroArch's history and favourites playlists, the
// core mapping and the MAME title table, plus the small text-file helpers the
// other modules use.
//
// Every list is built on demand from the files on the cards. A reader returns
// the number of items and hands an owned array of strings to the caller, who
// frees it with destroyItems(). Relative paths (config/..., retroarch/...)
// resolve against the working directory /mnt/mmc/CFW; every file is opened
// through the device root.

#include <cstddef>

// An array of owned, NUL-terminated strings; its count travels beside it.
typedef char **ItemList;

// Reads a whole text file into one string per line, without CR/LF. Lines
// longer than 12287 bytes arrive as several lines. Returns the number of lines,
// or 0 with *lines set to nullptr when the file cannot be opened.
int readAllLines(const char *path, ItemList *lines);

// Frees every string and the array and sets *items to nullptr. Does nothing
// for count 0 or a null list.
void destroyItems(int count, ItemList *items);

// Playlist and mapping files.
#define FAVORITES_PLAYLIST "retroarch/.retroarch/content_favorites.lpl"
#define MMC_HISTORY_PLAYLIST "/mnt/mmc/Saves/CurrentProfile/lists/content_history.lpl"
#define SDCARD_HISTORY_PLAYLIST "/mnt/SDCARD/Saves/CurrentProfile/lists/content_history.lpl"
#define HISTORY_FLAG_FILE "/mnt/mmc/CFW/history.flag"
#define CORE_MAPPING_FILE "config/coremapping.json"
#define MAME_CSV_FILE "config/mame.csv"
#define CORES_FOLDER "/mnt/mmc/CFW/retroarch/.retroarch/cores/"

// The entry paths of a RetroArch playlist whose files still exist, in file
// order; `sort` orders them by file name (case-insensitive, stable) and
// `dedupe` drops repeated paths. JSON escapes in the stored paths are undone.
int getRetroArchPlayListItems(const char *playlistPath, ItemList *items, int sort, int dedupe);

// Both cards' histories (removable card first unless history.flag names the
// internal card), each de-duplicated and newest first, without ffmpeg content.
int getHistory(ItemList *items);

// The favourites, sorted by file name and de-duplicated.
int getFavorites(ItemList *items);

// The system folders of both cards (Roms folders and card roots), full
// paths in byte order.
int getFolders(ItemList *items);

// The files of a folder (no hidden, "~", "_cache" entries or sub-folders),
// full paths in byte order. A folder that cannot be opened has no files.
int getFiles(const char *folder, ItemList *items);

// 1 when the folder holds at least one file that getFiles() would list.
int hasFiles(const char *folder);

// 1 when the core mapping names this folder.
int isRomFolder(const char *name);

// The full core path of an item in the static buffer corePath (the next call
// overwrites it), or nullptr when the mapping has no core for its system
// folder. A mapping to an absolute program path yields a path holding "//":
// that program is run directly instead of RetroArch.
char *getPreferredCore(const char *itemPath);
extern char corePath[4097];
// The system folder name found by the last getPreferredCore() call.
extern char folderName[4097];

// MAME short name -> title table, loaded when first needed and kept for the
// rest of the run.
struct MameGameName;
extern ItemList mameGameShortNames; // the CSV lines, cut at their first ','
extern char **mameGameFullNames;    // the title part of each line
extern int mameGameNameCount;
extern MameGameName *mameGameNameTable; // hash map short name -> title
// Reads config/mame.csv (again, replacing what was read) / frees the table.
void loadMameGameNameTable();
void destroyMameGameNameTable();
// Reads the table unless it was read since the last destroy; the list rows
// call this before their first lookup.
void ensureMameGameNameTable();
// True once the table was read (also when the file is missing).
bool mameGameNameTableLoaded();
// The title for a short name (exact, case-sensitive match), or nullptr when
// the table has none (or only an empty one) for it. Looks only at what is
// loaded: nothing before the table is read.
const char *getMameGameName(const char *shortName);

// Favourites. An item is a favourite when some entry's path equals it exactly.
int isFavorited(const char *itemPath);
// Adds the item as the first entry; creates the playlist when missing.
void addToFavorites(const char *itemPath);
// Removes the first entry whose path equals itemPath (the file is left alone
// when there is none). Always returns 0.
int removeFromRetroArchPlaylist(const char *playlistPath, const char *itemPath);
void removeFromFavorites(const char *itemPath);
// Removes from the history of the card the item lies on.
void removeFromRecent(const char *itemPath);

// Background pictures of a list row.
//
// The newest auto-save-state screenshot of the item: <states>/<core>/<base>
// .state.auto.png among the core folders of its card's states folder (equal
// times keep the first found). Returns 1 and fills `out` (4097 bytes) when one
// exists, else 0.
int findAutoStateScreenshot(const char *itemPath, char *out);
// The artwork of an item: the first of skin/games/<system>/<file>.png,
// skin/games/<file>.png and /mnt/mmc/Roms/<system>/Imgs/<name>.png that can be
// opened, else /mnt/SDCARD/Roms/<system>/Imgs/<name>.png unchecked. Returns 1
// and fills `out` (4097 bytes), or 0 when the path names no file.
int getArtworkPath(const char *itemPath, char *out);
// What the background of a row shows. In Recent (`inRecent` set) the
// auto-state screenshot comes first: returns 2 with its path (the picture is
// enlarged 4x before scaling). Otherwise returns 1 with the artwork path, or 0.
int getBackgroundOverridePath(const char *itemPath, int inRecent, char *out);
