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
    const char *shortName;
    const char *fullName;
    UT_hash_handle hh;
};

ItemList mameGameShortNames = nullptr;
char **mameGameFullNames = nullptr;
int mameGameNameCount = 0;
MameGameName *mameGameNameTable = nullptr;

namespace {

MameGameName *g_entries = nullptr; // one block holding every hash entry
bool g_loaded = false;             // the file was read (also when missing)

const char kEmptyTitle[] = "";

} // namespace

void loadMameGameNameTable()
{
    if (mameGameShortNames)
        destroyMameGameNameTable();
    g_loaded = true;
    const int count = readAllLines(MAME_CSV_FILE, &mameGameShortNames);
    if (count <= 0)
        return;
    mameGameFullNames = static_cast<char **>(calloc(static_cast<size_t>(count), sizeof(char *)));
    g_entries = static_cast<MameGameName *>(calloc(static_cast<size_t>(count), sizeof(MameGameName)));
    if (!mameGameFullNames || !g_entries) {
        free(mameGameFullNames);
        free(g_entries);
        mameGameFullNames = nullptr;
        g_entries = nullptr;
        destroyItems(count, &mameGameShortNames);
        return;
    }
    mameGameNameCount = count;
    for (int i = 0; i < count; i++) {
        char *line = mameGameShortNames[i];
        char *comma = strchr(line, ',');
        if (comma) {
            *comma = '\0';
            mameGameFullNames[i] = comma + 1;
        } else {
            mameGameFullNames[i] = const_cast<char *>(kEmptyTitle);
        }
        MameGameName *existing = nullptr;
        const size_t len = strlen(line);
        HASH_FIND(hh, mameGameNameTable, line, len, existing);
        if (existing)
            continue; // the first line of a repeated short name wins
        MameGameName *entry = &g_entries[i];
        entry->shortName = line;
        entry->fullName = mameGameFullNames[i];
        HASH_ADD_KEYPTR(hh, mameGameNameTable, entry->shortName, len, entry);
    }
}

void destroyMameGameNameTable()
{
    HASH_CLEAR(hh, mameGameNameTable);
    free(g_entries);
    g_entries = nullptr;
    free(mameGameFullNames);
    mameGameFullNames = nullptr;
    destroyItems(mameGameNameCount, &mameGameShortNames);
    mameGameShortNames = nullptr;
    mameGameNameCount = 0;
    g_loaded = false;
}

void ensureMameGameNameTable()
{
    if (!g_loaded)
        loadMameGameNameTable();
}

bool mameGameNameTableLoaded()
{
    return g_loaded;
}

const char *getMameGameName(const char *shortName)
{
    if (!shortName || !mameGameNameTable)
        return nullptr;
    MameGameName *entry = nullptr;
    HASH_FIND(hh, mameGameNameTable, shortName, strlen(shortName), entry);
    // A line without a title gives no title: the row keeps the file's own
    // name instead of showing nothing.
    if (!entry || !entry->fullName[0])
        return nullptr;
    return entry->fullName;
}
