#include "porta/library/history.h"

#include "porta/base/sealed.h"
#include "porta/library/gamelist.h"
#include "porta/library/listfile.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// Printed texts: the firmware's logs and the tests rely on their exact bytes.
namespace {
constexpr const char *ALREADY_LISTED_TEXT = "this file have in history list ";
constexpr const char *CLEARED_TEXT = "--- %s \n";

std::vector<HistoryEntry> records; // the most recent launch first

} // namespace

// The history never holds more than nine games, whatever the file.
const StoredList<HistoryEntry> HISTORY_LIST = {
    HISTORY_FILE,
    "get_history_fromefile",
    nullptr,
    HISTORY_MAX,
    3,
    {&HistoryEntry::system, &HistoryEntry::index, &HistoryEntry::card},
    &records,
};

void history_insert_head(int system, Card card, int index)
{
    const char *name = game_name(game_list(card, system), index);
    if (!name || !list_name_storable(name))
        return;
    HistoryEntry fresh = list_record_named<HistoryEntry>(name);
    fresh.system = system;
    fresh.index = index;
    fresh.card = card_to_flag(card);
    for (size_t i = 0; i < records.size(); i++) {
        const HistoryEntry &e = records[i];
        if (e.system == system && e.index == index && e.card == fresh.card && strcmp(e.name, fresh.name) == 0) {
            printf("%s", ALREADY_LISTED_TEXT);
            if (i == 0)
                return;
            HistoryEntry moved = e;
            records.erase(records.begin() + static_cast<long>(i));
            records.insert(records.begin(), moved);
            list_save(HISTORY_LIST);
            return;
        }
    }
    if (records.size() >= HISTORY_MAX)
        records.resize(HISTORY_MAX - 1);
    records.insert(records.begin(), fresh);
    list_save(HISTORY_LIST);
}

void history_del(void)
{
    if (records.empty())
        return;
    printf(CLEARED_TEXT, "history_del");
    if (list_clear(HISTORY_LIST) != 0)
        return;
    list_load(HISTORY_LIST);
}
