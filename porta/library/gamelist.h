#pragma once

// The game lists of both cards: one scanned system folder per (card, system),
// filtered and sorted, with the chain of search records built from it.
//
// A game is addressed everywhere by (system, entry index, card); the entry
// index is its position in the sorted scan. Three card codings exist and are
// never mixed: the browser's selector (CARD_EXTERNAL 1, CARD_INTERNAL 2, see
// browse.h), the launch card flag (1 TF card, 0 built-in) used here and by the
// history, and the card number (2 TF card, 1 built-in) of the favourites and
// the core list.

#include "porta/library/systems.h"

#include <cstddef>
#include <cstdint>

constexpr const char CARD_ROOT_TF[] = "/mnt/sdcard/";
constexpr const char CARD_ROOT_MMC[] = "/mnt/mmc/";
constexpr int CARD_FLAG_MMC = 0;
constexpr int CARD_FLAG_TF = 1;
constexpr int GAME_NAME_MAX = 255;
constexpr int LIST_PATH_SIZE = 256;
constexpr int INITIALS_SIZE = 32;

// One entry of a scanned folder: its name (in the list's name store) and type.
struct GameEntry {
    uint32_t name_at; // offset of the terminated name in GameList::names
    uint8_t is_dir;
};

// A search record: the search key of an entry's shown name and where the
// entry is. `initials` is not terminated when all 32 bytes are used.
struct SearchNode {
    char initials[INITIALS_SIZE];
    int32_t index;
    int16_t system;
    int16_t card; // card flag: 1 TF card list, 0 built-in list
    SearchNode *next;
};

// The entries, their search records and their names share one block of
// memory owned by the list.
struct GameList {
    GameEntry *entries;        // filtered and sorted; nullptr when not scanned
    SearchNode *nodes;         // the search records, linked in entry order
    char *names;               // every entry's name, terminated, in list order
    char path[LIST_PATH_SIZE]; // card root + label, e.g. /mnt/sdcard/GBA
    int32_t count;
    SearchNode *chain; // head of the search chain, or nullptr
    int scanned;       // 1 once a scan of the folder succeeded
    void *block;       // the memory of entries, nodes and names
    size_t block_size;
    int block_mapped; // 1: the block is a mapping, else malloc
};

// The two fixed arrays, indexed by system number.
extern GameList tf_lists[SYSTEM_COUNT];
extern GameList mmc_lists[SYSTEM_COUNT];

// The list of a system on the card of `card_flag` (non-zero: TF card), or
// nullptr for a bad system number.
GameList *game_list(int card_flag, int system);
// The list for a card number of the favourites and core list (1 built-in).
GameList *game_list_by_number(int card_number, int system);
// Entry name and type; nullptr / 0 outside the list.
const char *game_name(const GameList *list, int index);
int game_is_dir(const GameList *list, int index);
// Whether the list holds a scan and `index` lies inside it.
int game_index_valid(const GameList *list, int index);

// Text after the last "." of `name`, lower-cased (A..Z), into a zeroed
// 64-byte `out` (63 characters at most). 0 when there is none (no "." or a
// name ending with it), else 1.
int file_extension(const char *name, char out[64]);

// The list text of a game file: the name without an extension the system
// accepts, and without a leading number followed by blanks ("012 Super
// Game.gba" shows as "Super Game"; "1942.zip" as "1942"). Returns `out`.
char *display_name(int system, const char *name, char *out, size_t outsz);

// Scans the 17 system folders of one card (CARD_FLAG_TF: /mnt/sdcard/, else
// /mnt/mmc/) into its lists, creating bios/ and the missing system folders
// first when asked. A missing folder gives an empty list that holds no scan.
void scan_card_lists(int card_flag, int create_folders);
// Frees every list of the card: entries, names and search records; count 0.
void free_card_lists(int card_flag);
// Scans one folder into `list` (exposed for tests and benchmarks).
int scan_game_list(GameList *list, int system, int card_flag, const char *card_root);

// The n-th search record of a chain, or nullptr when the chain is shorter.
SearchNode *list_node(SearchNode *head, int n);
