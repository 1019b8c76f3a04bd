#include "porta/library/favorites.h"

#include "porta/base/sealed.h"
#include "porta/library/browse.h"
#include "porta/library/gamelist.h"
#include "porta/library/listfile.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// Printed texts: the firmware's logs and the tests rely on their exact bytes.
// The numbers are the ones these messages have always carried (once source
// lines), kept as they are.
namespace {
constexpr const char *FAVORITES_COUNT_TEXT = "--- favorites num = %d \n";
constexpr const char *ALREADY_LISTED_TEXT = "this file have in favorites list ";
constexpr const char *NOT_SEEN_TEXT = "---- %s don't see (line %d)\n";
constexpr const char *DELETE_FAILED_TEXT = "---- %s fail (line %d)\n";
constexpr int NOT_IN_SCAN_LINE = 190;
constexpr int NOT_IN_LIST_LINE = 202;
constexpr int DELETE_FAILED_LINE = 204;

std::vector<Favorite> records; // sorted by card, system and index

} // namespace

const StoredList<Favorite> FAVORITE_LIST = {
    FAVORITES_FILE,
    "get_favoriteslist_fromefile",
    FAVORITES_COUNT_TEXT,
    SIZE_MAX,
    4,
    {&Favorite::system, &Favorite::index, &Favorite::card, &Favorite::sequence},
    &records,
};

namespace {

// Links a new record before position `at` (at the end when `at` is the
// count); it is the newest addition.
void favorites_insert(size_t at, const Favorite &fresh)
{
    Favorite f = fresh;
    f.sequence = static_cast<int32_t>(records.size() + 1);
    records.insert(records.begin() + static_cast<long>(at), f);
}

void favorites_insert_before(size_t at, const Favorite &fresh)
{
    favorites_insert(at, fresh);
}

void favorites_insert_after(size_t at, const Favorite &fresh)
{
    favorites_insert(at + 1, fresh);
}

// Over the limit: the oldest addition goes, every other one moves up a rank.
void favorites_drop_oldest(void)
{
    if (records.size() <= FAVORITES_MAX)
        return;
    // Sequences read from a file may not run 1..count; the smallest one is
    // the oldest addition.
    size_t oldest = 0;
    for (size_t i = 1; i < records.size(); i++)
        if (records[i].sequence < records[oldest].sequence)
            oldest = i;
    const int32_t gone = records[oldest].sequence;
    records.erase(records.begin() + static_cast<long>(oldest));
    for (Favorite &f : records)
        if (f.sequence > gone)
            f.sequence--;
}

} // namespace

int favorites_add_game(int system, int index, Card card)
{
    const int card_number = card_to_number(card);
    Favorite fresh = {};
    if (!copy_storable_game_name(system, index, card, fresh.name))
        return -1;
    fresh.system = system;
    fresh.index = index;
    fresh.card = card_number;
    if (records.empty()) {
        favorites_insert(0, fresh);
    } else {
        for (size_t i = 0; i < records.size(); i++) {
            Favorite &r = records[i];
            if (r.card > card_number || (r.card == card_number && r.system > system) ||
                (r.card == card_number && r.system == system && r.index > index)) {
                favorites_insert_before(i, fresh);
                break;
            }
            if (r.card == card_number && r.system == system && r.index == index) {
                if (strcmp(r.name, fresh.name) == 0) {
                    printf("%s", ALREADY_LISTED_TEXT);
                    return 1;
                }
                // Another file now stands at this place: it takes the
                // record over, keeping its rank.
                memcpy(r.name, fresh.name, sizeof(r.name));
                break;
            }
            if (i + 1 == records.size()) {
                favorites_insert_after(i, fresh);
                break;
            }
        }
    }
    favorites_drop_oldest();
    list_save(FAVORITE_LIST);
    return 0;
}

namespace {

void favorites_remove(size_t at)
{
    const int32_t gone = records[at].sequence;
    records.erase(records.begin() + static_cast<long>(at));
    for (Favorite &f : records)
        if (f.sequence > gone)
            f.sequence--;
    list_save(FAVORITE_LIST);
}

} // namespace

void favorites_remove_game(int system, int index, Card card)
{
    const int card_number = card_to_number(card);
    const GameList *list = game_list(card, system);
    if (records.empty() || !list || !list->scanned)
        return;
    if (index < 0 || index >= list->count) {
        // The record points past the current scan: the one the user selected.
        long at = static_cast<long>(browse_cursor.page) * ROWS_PER_PAGE + browse_cursor.row;
        if (at < 0 || at >= static_cast<long>(records.size()))
            at = static_cast<long>(records.size()) - 1;
        favorites_remove(static_cast<size_t>(at));
        return;
    }
    const char *name = game_name(list, index);
    for (size_t i = 0; i < records.size(); i++) {
        const Favorite &r = records[i];
        const bool last = i + 1 == records.size();
        if (r.card != card_number)
            continue;
        if (r.system > system || (r.system == system && r.index > index)) {
            printf(NOT_SEEN_TEXT, "del_favorites_one", NOT_IN_SCAN_LINE);
            return;
        }
        if (r.system == system && r.index == index) {
            if (strcmp(r.name, name) == 0) {
                favorites_remove(i);
                return;
            }
            continue;
        }
        if (last) {
            if (r.system == system)
                printf(NOT_SEEN_TEXT, "del_favorites_one", NOT_IN_LIST_LINE);
            else
                printf(DELETE_FAILED_TEXT, "del_favorites_one", DELETE_FAILED_LINE);
        }
    }
}

void del_favorite_shown(int position)
{
    const Favorite *shown = list_record_at(FAVORITE_LIST, position);
    if (!shown)
        return;
    const GameList *list = game_list(card_from_number(shown->card), shown->system);
    if (!list || !list->scanned)
        return;
    favorites_remove(static_cast<size_t>(position));
}

int favorite_test(int system, int index, Card card)
{
    const int card_number = card_to_number(card);
    const GameList *list = game_list(card, system);
    const char *name = game_name(list, index);
    if (!name)
        return -1;
    for (const Favorite &r : records) {
        if (r.card != card_number)
            continue;
        if (r.system > system || (r.system == system && r.index > index))
            return 0;
        if (r.system == system && r.index == index && strcmp(r.name, name) == 0)
            return 1;
    }
    return 0;
}

int favorite_toggle(int system, int index, Card card)
{
    if (favorite_test(system, index, card) == 1) {
        favorites_remove_game(system, index, card);
        return 0;
    }
    const char *name = game_name(game_list(card, system), index);
    if (name && !list_name_storable(name))
        return -1;
    favorites_add_game(system, index, card);
    return 0;
}

void favorites_clear(void)
{
    if (records.empty())
        return;
    list_clear(FAVORITE_LIST);
    list_load(FAVORITE_LIST);
}
