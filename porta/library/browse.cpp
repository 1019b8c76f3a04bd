#include "porta/library/browse.h"

#include "common/devroot.h"
#include "common/safefile.h"
#include "porta/base/timers.h"
#include "porta/device/storage.h"
#include "porta/library/corelist.h"
#include "porta/library/favorites.h"
#include "porta/library/gamelist.h"
#include "porta/library/history.h"
#include "porta/library/search.h"
#include "porta/library/systems.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

CardSelection browse_card = SELECTED_NONE;
int browse_system = 0;
BrowseCursor browse_cursor = {0, 0};
Room room = ROOM_GAMES;

namespace {

void (*preview_dropper)(void) = nullptr;

} // namespace

void browse_set_preview_dropper(void (*drop)(void))
{
    preview_dropper = drop;
}

void drop_previews(void)
{
    if (preview_dropper)
        preview_dropper();
}

// ---- cursor moves ----------------------------------------------------------

namespace {

bool cursor_empty(BrowseCursor *c, int n)
{
    drop_previews();
    if (n > 0)
        return false;
    c->page = 0;
    c->row = 0;
    return true;
}

} // namespace

void cursor_up(BrowseCursor *c, int n)
{
    if (cursor_empty(c, n))
        return;
    const int last = (n + 8) / ROWS_PER_PAGE - 1;
    if (c->row > 0) {
        c->row--;
    } else if (n > ROWS_PER_PAGE) {
        c->row = 8;
        if (c->page > 0) {
            c->page--;
        } else {
            c->page = last;
            if (last * ROWS_PER_PAGE + 8 >= n)
                c->row = (n - 1) % ROWS_PER_PAGE;
        }
    } else {
        c->row = n - 1;
    }
}

void cursor_down(BrowseCursor *c, int n)
{
    if (cursor_empty(c, n))
        return;
    const int last = (n + 8) / ROWS_PER_PAGE - 1;
    c->row++;
    if (n <= ROWS_PER_PAGE) {
        if (c->row >= n)
            c->row = 0;
    } else if (c->row > 8) {
        c->row = 0;
        c->page = c->page >= last ? 0 : c->page + 1;
    } else if (c->page * ROWS_PER_PAGE + c->row >= n) {
        c->page = 0;
        c->row = 0;
    }
}

void cursor_right(BrowseCursor *c, int n)
{
    if (cursor_empty(c, n) || n <= ROWS_PER_PAGE)
        return;
    const int last = (n + 8) / ROWS_PER_PAGE - 1;
    if (c->page >= last) {
        c->page = 0;
    } else {
        c->page++;
        if (c->page * ROWS_PER_PAGE + c->row >= n)
            c->row = (n - 1) % ROWS_PER_PAGE;
    }
}

void cursor_left(BrowseCursor *c, int n)
{
    if (cursor_empty(c, n) || n <= ROWS_PER_PAGE)
        return;
    const int last = (n + 8) / ROWS_PER_PAGE - 1;
    if (c->page > 0) {
        c->page--;
    } else {
        c->page = last;
        if (last * ROWS_PER_PAGE + c->row >= n)
            c->row = (n - 1) % ROWS_PER_PAGE;
    }
}

void history_cursor_up(BrowseCursor *c, int n)
{
    if (cursor_empty(c, n))
        return;
    c->page = 0;
    c->row = c->row > 0 && c->row < n ? c->row - 1 : n - 1;
}

void history_cursor_down(BrowseCursor *c, int n)
{
    if (cursor_empty(c, n))
        return;
    c->page = 0;
    c->row = c->row >= 0 && c->row < n - 1 ? c->row + 1 : 0;
}

void system_cursor_up(int *system)
{
    drop_previews();
    *system = *system > 0 ? *system - 1 : SYSTEM_COUNT - 1;
}

void system_cursor_down(int *system)
{
    drop_previews();
    *system = *system < SYSTEM_COUNT - 1 ? *system + 1 : 0;
}

void system_cursor_right(int *system)
{
    drop_previews();
    if (*system + ROWS_PER_PAGE <= SYSTEM_COUNT - 1)
        *system += ROWS_PER_PAGE;
}

void system_cursor_left(int *system)
{
    drop_previews();
    if (*system > 8)
        *system -= ROWS_PER_PAGE;
}

void room_left(void)
{
    room = room > ROOM_GAMES ? static_cast<Room>(room - 1) : ROOM_SETTINGS;
}

void room_right(void)
{
    room = room < ROOM_SETTINGS ? static_cast<Room>(room + 1) : ROOM_GAMES;
}

// ---- the restore files -----------------------------------------------------

int save_place(int page, int row)
{
    char text[64];
    snprintf(text, sizeof(text), "start=%d \nhight=%d \n", page, row);
    if (write_file_atomic(GAMEPLACE_FILE, text, strlen(text)) != 0) {
        printf("fopen %s return error\n", GAMEPLACE_FILE);
        return -1;
    }
    return 0;
}

int save_last_path(const char *text)
{
    if (!text || write_file_atomic(GAMEDIR_FILE, text, strlen(text)) != 0) {
        printf("fopen %s return error %d\n", GAMEDIR_FILE, errno);
        return -1;
    }
    return 0;
}

BrowsePlace parse_last_path(const char *text, int *system, CardSelection *card)
{
    *system = 0;
    *card = SELECTED_NONE;
    if (strstr(text, "/mnt/data/.favorite"))
        return PLACE_FAVORITES;
    if (strstr(text, TOPLIST_PATH))
        return PLACE_ROOMS;
    if (strstr(text, "/mnt/data/.history"))
        return PLACE_HISTORY;
    if (strstr(text, SEARCH_FILE))
        return PLACE_SEARCH_RESULTS;
    // Table order puts GBA and GBC before GB: the first match wins.
    static const struct {
        const char *root;
        CardSelection card;
    } cards[] = {{CARD_ROOT_MMC, SELECTED_INTERNAL}, {CARD_ROOT_TF, SELECTED_EXTERNAL}};
    for (const auto &c : cards) {
        for (int s = 0; s < SYSTEM_COUNT; s++) {
            std::string folder = std::string(c.root) + system_table[s].label;
            if (strstr(text, folder.c_str())) {
                *system = s;
                *card = c.card;
                return PLACE_GAMES;
            }
        }
    }
    return PLACE_NONE;
}

int read_last_path(const char *path, int *system, CardSelection *card)
{
    *system = 0;
    *card = SELECTED_NONE;
    FILE *f = dev_fopen(path, "r");
    if (!f) {
        printf("%s is not exist!\n", path);
        return LAST_PATH_MISSING;
    }
    char last[256];
    memset(last, 0, sizeof(last));
    if (!fgets(last, sizeof(last), f))
        last[0] = '\0';
    printf("---%s: lastpath is %s \n", "gamelist_init", last);
    fclose(f);
    int restored = parse_last_path(last, system, card);
    if (restored < 0)
        printf("--%s,last path err\n", "gamelist_init");
    return restored;
}

namespace {

// One line of the place file as the launcher reads it: at most 127 bytes,
// the line end dropped. False at the end of the file.
bool place_line(FILE *f, char *line, size_t size)
{
    if (!fgets(line, static_cast<int>(size), f))
        return false;
    size_t n = strlen(line);
    if (n > 0)
        line[n - 1] = '\0';
    return true;
}

// Reads the number after `key` in a line of the place file into `field`. A
// line without the key makes the whole place the top of the list (page 0,
// row 0) and ends the reading: false then.
bool place_number(const char *line, const char *key, int32_t &field, BrowseCursor *c)
{
    const char *at = strstr(line, key);
    if (!at) {
        c->page = 0;
        c->row = 0;
        return false;
    }
    field = stored_number(at + strlen(key));
    return true;
}

} // namespace

void read_place_file(const char *path, BrowseCursor *c)
{
    c->page = 0;
    c->row = 0;
    FILE *f = dev_fopen(path, "r");
    if (!f) {
        printf("%s is not exist!\n", path);
        return;
    }
    char line[128];
    while (place_line(f, line, sizeof(line))) {
        if (line[0] == '\0')
            continue;
        if (!place_number(line, "start=", c->page, c))
            break;
        if (!place_line(f, line, sizeof(line)) || line[0] == '\0')
            continue;
        if (!place_number(line, "hight=", c->row, c))
            break;
    }
    fclose(f);
}

// ---- start-up --------------------------------------------------------------

BrowsePlace restore_browse_place(void)
{
    if (dev_exists(NEXT_COMMAND_FILE))
        dev_unlink(NEXT_COMMAND_FILE);

    int system = 0;
    CardSelection card = SELECTED_NONE;
    const int found = read_last_path(GAMEDIR_FILE, &system, &card);
    if (found != LAST_PATH_MISSING)
        dev_unlink(GAMEDIR_FILE);
    read_place_file(GAMEPLACE_FILE, &browse_cursor);
    BrowsePlace restored = static_cast<BrowsePlace>(found);
    if (found < 0) {
        restored = PLACE_ROOMS;
        system = 0;
        card = SELECTED_NONE;
        browse_cursor.page = 0;
        browse_cursor.row = 0;
    }
    browse_system = system;
    browse_card = card;

    scan_card_lists(CARD_TF, tf_card_state == 1);
    scan_card_lists(CARD_MMC, 1);
    list_load(FAVORITE_LIST);
    list_load(CORE_LIST);
    list_load(HISTORY_LIST);
    // Back on the result list, the stored text is searched again.
    search_restore(restored == PLACE_SEARCH_RESULTS);

    // The stored cursor must lie inside the restored list; a damaged file may
    // hold anything.
    long bound;
    switch (restored) {
    case PLACE_GAMES: bound = game_list(selected_card(), browse_system)->count; break;
    case PLACE_FAVORITES: bound = list_count(FAVORITE_LIST); break;
    case PLACE_SEARCH_RESULTS: bound = search_result_count(); break;
    default: bound = -1; break;
    }
    const long at = static_cast<long>(browse_cursor.page) * ROWS_PER_PAGE + browse_cursor.row;
    if (browse_cursor.page < 0 || browse_cursor.row < 0 || browse_cursor.row >= ROWS_PER_PAGE ||
        browse_cursor.page > 0x7FFFFFF || (bound >= 0 && at >= bound)) {
        browse_cursor.page = 0;
        browse_cursor.row = 0;
    }

    restart_text_scroll(1);
    switch (restored) {
    case PLACE_FAVORITES: room = ROOM_FAVORITES; break;
    case PLACE_HISTORY: room = ROOM_HISTORY; break;
    case PLACE_SEARCH_RESULTS: room = ROOM_SEARCH; break;
    default: room = ROOM_GAMES; break;
    }
    return restored;
}

// ---- launch ----------------------------------------------------------------

int gamelist_run(int system, int index, Card card, bool from_history)
{
    const GameList *list = game_list(card, system);
    const char *name = game_name(list, index);
    if (!name)
        return -1;
    launch_state_clear();
    const SystemRow &row = system_table[system];
    char game[1024];
    if (game_is_dir(list, index)) {
        if (row.folder_games != 1)
            return -1;
        char folder[1024];
        snprintf(folder, sizeof(folder), "%s/%s", list->path, name);
        int ret = find_xdir_rom(system, folder, game, sizeof(game));
        if (ret != 0) {
            printf("-- %s no file,ret=%d \n", "gamelist_run", ret);
            return ret;
        }
        const char *emulator = row.emulator;
        if (system == SYSTEM_GBA && row.emulator2 && core_alternative(system, index, card) == 1)
            emulator = row.emulator2;
        snprintf(launch_state.emulator, sizeof(launch_state.emulator), "%s", emulator);
        snprintf(launch_state.workdir, sizeof(launch_state.workdir), "%s%s", GAME_BIN_DIR, row.workdir);
    } else {
        size_t plen = strlen(list->path);
        const char *sep = plen > 0 && list->path[plen - 1] == '/' ? "" : "/";
        snprintf(game, sizeof(game), "%s%s%s", list->path, sep, name);
        if (dev_access(game, F_OK) != 0) {
            printf("-- %s no file \n", "gamelist_run");
            return -1;
        }
        choose_emulator(system, index, card, game);
        if (launch_state.emulator[0] == '\0')
            return -1;
    }
    save_place(browse_cursor.page, browse_cursor.row);
    if (run_command(launch_state.emulator, game, launch_state.workdir) != 0)
        return -1;
    // Only a launch that happened enters the history.
    if (!from_history)
        history_insert_head(system, card, index);
    return 0;
}

// ---- card change and exit --------------------------------------------------

namespace {

void cursor_to_top(void)
{
    browse_cursor.page = 0;
    browse_cursor.row = 0;
}

} // namespace

CardChangeEffect browse_card_changed(int inserted, bool on_search, bool returns_to_search)
{
    free_card_lists(CARD_TF);
    CardChangeEffect effect = CARD_CHANGE_KEEP;
    if (inserted) {
        // The card was out: every result is a game of the built-in card and
        // stays valid, so a search keeps its text and results.
        if (browse_card == SELECTED_EXTERNAL)
            effect = CARD_CHANGE_BACK_TO_ROOMS;
    } else {
        // Results on the card that went are gone: the search is cleared and
        // a search screen goes back (also one the settings would return to).
        search_clear();
        if (browse_card == SELECTED_EXTERNAL || on_search)
            effect = CARD_CHANGE_BACK_TO_ROOMS;
        else if (returns_to_search)
            effect = CARD_CHANGE_RETURN_TO_ROOMS;
    }
    if (effect == CARD_CHANGE_BACK_TO_ROOMS)
        drop_previews();
    if (effect != CARD_CHANGE_KEEP)
        cursor_to_top();
    if (inserted)
        scan_card_lists(CARD_TF, 1);
    return effect;
}

void gamelist_free_all(void)
{
    search_clear();
    free_card_lists(CARD_TF);
    free_card_lists(CARD_MMC);
    list_free(FAVORITE_LIST);
    list_free(CORE_LIST);
    list_free(HISTORY_LIST);
}
