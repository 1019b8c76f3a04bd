#pragma once

// The last 9 games launched, most recent first, kept in
// /mnt/data/.history: one "name:system:index:card" line per game (card is
// the launch card flag: 1 TF card, 0 built-in) and the CRC seal.

#include "porta/library/card.h"

#include <cstdint>

constexpr const char HISTORY_FILE[] = "/mnt/data/.history";
constexpr int HISTORY_MAX = 9;

struct HistoryEntry {
    char name[256]; // the file name as scanned
    int32_t system;
    int32_t index; // entry index in the game list
    int32_t card;  // the card flag as stored: card_from_flag() gives the Card
};

// Empties the list, then reads the file when its seal is intact (a damaged
// file is deleted). Returns the count.
int history_load(void);
// Appends the records of a file (a path, so that any file can be read) to
// the list. 0, or -1 when the file is missing ("get_history_fromefile: <path>
// is not exist! ").
int history_read_file(const char *path);
// Writes the whole list with its seal. 0 or -1.
int history_save(void);
// Records a launch at the head; a repeat moves to the head, the tenth game
// pushes out the oldest. The index must lie inside the list.
void history_insert_head(int system, Card card, int index);
// Clears the history: the file is left empty (0 bytes).
void history_del(void);
void history_free(void);
int history_count(void);
// The n-th record from the head, or nullptr.
const HistoryEntry *history_at(int n);
