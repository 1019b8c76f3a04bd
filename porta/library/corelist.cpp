#include "porta/library/corelist.h"

#include "porta/base/sealed.h"
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
constexpr const char *CORELIST_COUNT_TEXT = "--- selectemulist num = %d \n";
constexpr const char *ALREADY_LISTED_TEXT = "this file have in favorites list ";
constexpr const char *DELETE_FAILED_TEXT = "--%s: %d err ### \n";
constexpr int DELETE_FAILED_LINE = 137;

std::vector<CoreChoice> records; // sorted by card, in the order added within one

} // namespace

const StoredList<CoreChoice> CORE_LIST = {
    CORELIST_FILE, "get_selectemulist_fromefile", CORELIST_COUNT_TEXT, SIZE_MAX, 1, {&CoreChoice::card}, &records,
};
const char *const core_popup_items[CORE_POPUP_ITEMS] = {"gpsp", "vba-next"};
CorePopup core_popup;

int core_alternative(int system, int index, Card card)
{
    const int card_number = card_to_number(card);
    const char *name = game_name(game_list(card, system), index);
    if (!name)
        return -1;
    for (const CoreChoice &c : records)
        if (c.card == card_number && strcmp(c.name, name) == 0)
            return 1;
    return 0;
}

int corelist_add_game(int system, int index, Card card)
{
    CoreChoice fresh = {};
    if (!copy_storable_game_name(system, index, card, fresh.name))
        return -1;
    fresh.card = card_to_number(card);
    // Past the records of the cards up to this one, so that a new game comes
    // last among those of its card.
    size_t at = 0;
    for (; at < records.size() && records[at].card <= fresh.card; at++) {
        if (records[at].card == fresh.card && strcmp(records[at].name, fresh.name) == 0) {
            printf("%s", ALREADY_LISTED_TEXT);
            return 1;
        }
    }
    records.insert(records.begin() + static_cast<long>(at), fresh);
    list_save(CORE_LIST);
    return 0;
}

void corelist_remove_game(int system, int index, Card card)
{
    const int card_number = card_to_number(card);
    const GameList *list = game_list(card, system);
    if (records.empty() || !list || !list->scanned)
        return;
    const char *name = game_name(list, index);
    if (!name) {
        printf(DELETE_FAILED_TEXT, "del_selectemulist_one", DELETE_FAILED_LINE);
        return;
    }
    for (size_t i = 0; i < records.size(); i++) {
        if (records[i].card == card_number && strcmp(records[i].name, name) == 0) {
            records.erase(records.begin() + static_cast<long>(i));
            list_save(CORE_LIST);
            return;
        }
    }
}

void corelist_clear(void)
{
    if (records.empty())
        return;
    list_clear(CORE_LIST);
    list_load(CORE_LIST);
}

void core_popup_open(int system, int index, Card card)
{
    const int on = core_alternative(system, index, card) == 1 ? 1 : 0;
    core_popup.cursor = 0;
    core_popup.chosen = on;
    core_popup.opened = on;
    core_popup.system = system;
    core_popup.index = index;
    core_popup.card = card;
}

void core_popup_move(int delta)
{
    int c = core_popup.cursor + delta;
    if (c < 0)
        c = CORE_POPUP_ITEMS - 1;
    if (c >= CORE_POPUP_ITEMS)
        c = 0;
    core_popup.cursor = c;
}

void core_popup_choose(void)
{
    core_popup.chosen = core_popup.cursor;
}

void core_popup_apply(void)
{
    if (core_popup.chosen == 1 && core_popup.opened == 0)
        corelist_add_game(core_popup.system, core_popup.index, core_popup.card);
    else if (core_popup.chosen == 0 && core_popup.opened == 1)
        corelist_remove_game(core_popup.system, core_popup.index, core_popup.card);
    core_popup.cursor = 0;
}
