#pragma once

// The last 9 games launched, most recent first, kept in
// /mnt/data/.history: one "name:system:index:card" line per game (card is
// the launch card flag: 1 TF card, 0 built-in) and the CRC seal.

#include "porta/library/card.h"
#include "porta/library/listfile.h"

#include <cstdint>

constexpr const char HISTORY_FILE[] = "/mnt/data/.history";
constexpr int HISTORY_MAX = 9;

struct HistoryEntry {
    char name[256]; // the file name as scanned
    int32_t system;
    int32_t index; // entry index in the game list
    int32_t card;  // the card flag as stored: card_from_flag() gives the Card
};

// The history and its file: list_load, list_save, list_free, and
// list_records to read it; the operations below change it. A file is read as
// nine records at the most.
extern const StoredList<HistoryEntry> HISTORY_LIST;
// Records a launch at the head; a repeat moves to the head, the tenth game
// pushes out the oldest. The index must lie inside the list.
void history_insert_head(int system, Card card, int index);
// Clears the history: the file is left empty (0 bytes).
void history_del(void);
