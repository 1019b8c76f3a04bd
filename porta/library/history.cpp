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

std::vector<HistoryEntry> history;

} // namespace

int history_count(void)
{
    return static_cast<int>(history.size());
}

const HistoryEntry *history_at(int n)
{
    return list_record_at(history, n);
}

void history_free(void)
{
    list_records_free(history);
}

int history_read_file(const char *path)
{
    // The history never holds more than nine games, whatever the file.
    return list_file_read_into(path, "get_history_fromefile", 3, HISTORY_MAX, history,
                               [](HistoryEntry &e, const int32_t *n) {
                                   e.system = n[0];
                                   e.index = n[1];
                                   e.card = n[2];
                               });
}

int history_load(void)
{
    list_file_load(HISTORY_FILE, history, history_read_file);
    return history_count();
}

int history_save(void)
{
    std::string content;
    for (const HistoryEntry &e : history)
        content += list_line("%s:%d:%d:%d\n", e.name, e.system, e.index, e.card);
    return list_file_write(HISTORY_FILE, content);
}

void history_insert_head(int system, Card card, int index)
{
    const char *name = game_name(game_list(card, system), index);
    if (!name || !list_name_storable(name))
        return;
    HistoryEntry fresh;
    memset(&fresh, 0, sizeof(fresh));
    copy_list_name(fresh.name, name);
    fresh.system = system;
    fresh.index = index;
    fresh.card = card_to_flag(card);
    for (size_t i = 0; i < history.size(); i++) {
        const HistoryEntry &e = history[i];
        if (e.system == system && e.index == index && e.card == fresh.card && strcmp(e.name, fresh.name) == 0) {
            printf("%s", ALREADY_LISTED_TEXT);
            if (i == 0)
                return;
            HistoryEntry moved = e;
            history.erase(history.begin() + static_cast<long>(i));
            history.insert(history.begin(), moved);
            history_save();
            return;
        }
    }
    if (history.size() >= HISTORY_MAX)
        history.resize(HISTORY_MAX - 1);
    history.insert(history.begin(), fresh);
    history_save();
}

void history_del(void)
{
    if (history.empty())
        return;
    printf(CLEARED_TEXT, "history_del");
    history_free();
    if (list_file_truncate(HISTORY_FILE) != 0)
        return;
    history_load();
}
