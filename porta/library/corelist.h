#pragma once

// The GBA games that start with the alternative core ("vba-next",
// ./vbanext.dge) instead of the default one ("gpsp"), kept in
// /mnt/data/.gbacore: one "name:card" line per game (card number: 1 built-in,
// 2 TF card), sorted by card and in the order added within a card, then the
// CRC seal. Also the state of the pop-up that changes the choice.

#include "porta/library/card.h"
#include "porta/library/listfile.h"

#include <cstdint>

constexpr const char CORELIST_FILE[] = "/mnt/data/.gbacore";

struct CoreChoice {
    char name[256]; // the game's file name
    int32_t card;   // the card number as stored: card_from_number() gives the Card
};

// The core list and its file: list_load (prints "--- selectemulist num = <n> "),
// list_save, list_free, and list_records to read it; the operations below
// change it.
extern const StoredList<CoreChoice> CORE_LIST;

// 1 when entry `index` of the system's list on `card` is in the
// list, 0 when not, -1 when the list holds no scan or the index is outside it.
int core_alternative(int system, int index, Card card);
// 0 when added and saved, 1 when present already, -1 when it cannot be added
// (no scan, index outside the list, an empty name or one holding a line end).
int corelist_add_game(int system, int index, Card card);
// Removes the game if present and saves.
void corelist_remove_game(int system, int index, Card card);
// Clears the list: the file is left empty (0 bytes).
void corelist_clear(void);

// The core pop-up of the GBA game list.
constexpr int CORE_POPUP_ITEMS = 2;
extern const char *const core_popup_items[CORE_POPUP_ITEMS]; // "gpsp", "vba-next"
struct CorePopup {
    int cursor; // 0..1
    int chosen; // 0 gpsp, 1 vba-next
    int opened; // the choice when the pop-up opened
    int system;
    int index;
    Card card;
};
extern CorePopup core_popup;
// Opens it for a game of a list.
void core_popup_open(int system, int index, Card card);
// Up (-1) or down (+1), wrapping over the two items.
void core_popup_move(int delta);
// Makes the item under the cursor the chosen one.
void core_popup_choose(void);
// Applies the choice (adds or removes the game; nothing when unchanged) and
// puts the cursor back to 0.
void core_popup_apply(void);
