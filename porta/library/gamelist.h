#pragma once

// The game lists of both cards: one scanned system folder per (card, system),
// filtered and sorted, with the chain of search records built from it.
//
// A game is addressed everywhere by (system, entry index, card); the entry
// index is its position in the sorted scan; the card is a Card (card.h).

#include "porta/library/card.h"
#include "porta/library/systems.h"

#include <cstddef>
#include <cstdint>

constexpr const char CARD_ROOT_TF[] = "/mnt/sdcard/";
constexpr const char CARD_ROOT_MMC[] = "/mnt/mmc/";
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
    Card card;
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

// The list of a system on a card, or nullptr for a bad system number.
GameList *game_list(Card card, int system);
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

// Scans the 17 system folders of one card (CARD_TF: /mnt/sdcard/, CARD_MMC:
// /mnt/mmc/) into its lists, creating bios/ and the missing system folders
// first when asked. A missing folder gives an empty list that holds no scan.
void scan_card_lists(Card card, int create_folders);
// Frees every list of the card: entries, names and search records; count 0.
void free_card_lists(Card card);
// Scans one folder into `list` (exposed for tests and benchmarks).
int scan_game_list(GameList *list, int system, Card card, const char *card_root);

// The n-th search record of a chain, or nullptr when the chain is shorter.
SearchNode *list_node(SearchNode *head, int n);
