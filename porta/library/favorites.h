#pragma once

// The games marked with Start, at most 80, kept sorted by card, system and
// index in /mnt/data/.favorite: one "name:system:index:card:sequence" line
// per game (card is the card number: 1 built-in, 2 TF card; the sequence ranks
// the additions, 1 the oldest) and the CRC seal.

#include "porta/library/card.h"
#include "porta/library/listfile.h"

#include <cstdint>

constexpr const char FAVORITES_FILE[] = "/mnt/data/.favorite";
constexpr int FAVORITES_MAX = 80;

struct Favorite {
    char name[256]; // the file name as scanned
    int32_t system;
    int32_t index;
    int32_t card;     // the card number as stored: card_from_number() gives the Card
    int32_t sequence; // 1 = oldest addition .. count = newest
};

// The favourites and their file: list_load (prints "--- favorites num = <n> "),
// list_save, list_free, and list_records to read them; the operations below
// change them.
extern const StoredList<Favorite> FAVORITE_LIST;

// Adds entry `index` of the system's list on `card`. 0 when the
// list changed and was saved, 1 when it is a favourite already, -1 when it
// cannot be added (no scan, index outside the list, an empty name or one
// holding a line end). The 81st
// favourite pushes out the oldest addition.
int favorites_add_game(int system, int index, Card card);
// Removes a favourite; an index beyond the current scan (shown as
// "##file error !") removes the record at the favourites cursor.
void favorites_remove_game(int system, int index, Card card);
// Start on the favourites screen: removes the record shown at `position`,
// also when another file now stands at its place or its place lies beyond
// the scan; nothing when the list of its card holds no scan (card out).
void del_favorite_shown(int position);
// 1 when the entry is a favourite (same place and the same file name), 0 when
// not, -1 when the list holds no scan or the index is outside it.
int favorite_test(int system, int index, Card card);
// Start on a game: deletes it when it is a favourite, else adds it. -1 when
// its name cannot be stored (it holds a line end), else 0.
int favorite_toggle(int system, int index, Card card);
// Clears the favourites: the file is left empty (0 bytes).
void favorites_clear(void);
