// MAME short names to titles, from config/mame.csv ("shortname,Full Title").
//
// The table is read when a list first shows rows (most starts show Home, which
// needs no titles, so the first frame does not wait for a large file); the
// file's lines are then kept for the rest of the run; each is cut in place at its
// first ',' and a hash map points from the short name to the title that
// follows. A line without ',' maps its whole text to an empty title.

#include <cstdlib>
#include <cstring>

#include <uthash.h>

#include "vantor/content.h"

struct MameGameName {
    const char *short_name;
    const char *full_name;
    UT_hash_handle hh;
};

MameTitles mame_titles;

namespace {

const char EMPTY_TITLE[] = "";

} // namespace

void load_mame_game_name_table()
{
    if (mame_titles.short_names)
        destroy_mame_game_name_table();
    mame_titles.loaded = true;
    const int count = read_all_lines(MAME_CSV_FILE, &mame_titles.short_names);
    if (count <= 0)
        return;
    mame_titles.full_names = static_cast<char **>(calloc(static_cast<size_t>(count), sizeof(char *)));
    mame_titles.entries = static_cast<MameGameName *>(calloc(static_cast<size_t>(count), sizeof(MameGameName)));
    if (!mame_titles.full_names || !mame_titles.entries) {
        free(mame_titles.full_names);
        free(mame_titles.entries);
        mame_titles.full_names = nullptr;
        mame_titles.entries = nullptr;
        destroy_items(count, &mame_titles.short_names);
        return;
    }
    mame_titles.count = count;
    for (int i = 0; i < count; i++) {
        char *line = mame_titles.short_names[i];
        char *comma = strchr(line, ',');
        if (comma) {
            *comma = '\0';
            mame_titles.full_names[i] = comma + 1;
        } else {
            mame_titles.full_names[i] = const_cast<char *>(EMPTY_TITLE);
        }
        MameGameName *existing = nullptr;
        const size_t len = strlen(line);
        HASH_FIND(hh, mame_titles.table, line, len, existing);
        if (existing)
            continue; // the first line of a repeated short name wins
        MameGameName *entry = &mame_titles.entries[i];
        entry->short_name = line;
        entry->full_name = mame_titles.full_names[i];
        HASH_ADD_KEYPTR(hh, mame_titles.table, entry->short_name, len, entry);
    }
}

void destroy_mame_game_name_table()
{
    HASH_CLEAR(hh, mame_titles.table);
    free(mame_titles.entries);
    mame_titles.entries = nullptr;
    free(mame_titles.full_names);
    mame_titles.full_names = nullptr;
    destroy_items(mame_titles.count, &mame_titles.short_names);
    mame_titles.short_names = nullptr;
    mame_titles.count = 0;
    mame_titles.loaded = false;
}

void ensure_mame_game_name_table()
{
    if (!mame_titles.loaded)
        load_mame_game_name_table();
}

bool mame_game_name_table_loaded()
{
    return mame_titles.loaded;
}

const char *get_mame_game_name(const char *short_name)
{
    if (!short_name || !mame_titles.table)
        return nullptr;
    MameGameName *entry = nullptr;
    HASH_FIND(hh, mame_titles.table, short_name, strlen(short_name), entry);
    // A line without a title gives no title: the row keeps the file's own
    // name instead of showing nothing.
    if (!entry || !entry->full_name[0])
        return nullptr;
    return entry->full_name;
}
