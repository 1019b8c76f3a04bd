#include "porta/library/search.h"

#include "common/devroot.h"
#include "common/safefile.h"
#include "porta/base/attr.h"
#include "porta/library/gamelist.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

SearchState search_state;

void search_clear(void)
{
    memset(&search_state, 0, sizeof(search_state));
}

int search_result_count(void)
{
    return search_state.count;
}

const SearchResult *search_result(int n)
{
    if (n < 0 || n >= search_state.count)
        return nullptr;
    return &search_state.results[n];
}

// ---- matching --------------------------------------------------------------

int search_initials_match(const char *initials, const char *text, int len)
{
    if (len <= 0)
        return 0;
    if (len == 1)
        return memchr(initials, text[0], INITIALS_SIZE) != nullptr;
    const int n = static_cast<int>(strnlen(initials, INITIALS_SIZE));
    for (int i = 0; i + len <= n; i++)
        if (memcmp(initials + i, text, static_cast<size_t>(len)) == 0)
            return 1;
    return 0;
}

namespace {

char lower_ascii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

int search_name_match(const char *name, const char *text, int len)
{
    if (len <= 0)
        return 0;
    for (const char *p = name; *p; p++) {
        int j = 0;
        while (j < len && p[j] && lower_ascii(p[j]) == text[j])
            j++;
        if (j == len)
            return 1;
    }
    return 0;
}

// ---- the search ------------------------------------------------------------

namespace {

bool add_result(const SearchNode *node)
{
    SearchResult &r = search_state.results[search_state.count++];
    r.index = node->index;
    r.system = node->system;
    r.card = node->card;
    return search_state.count < SEARCH_RESULTS_MAX;
}

// One list's chain, in order, while there is room for results. False once
// the results are full.
bool search_list(const GameList *list, bool initials)
{
    const char *text = search_state.text;
    const int len = search_state.length;
    for (const SearchNode *node = list->chain; node; node = node->next) {
        bool match;
        if (initials) {
            match = search_initials_match(node->initials, text, len);
        } else {
            const char *name = game_name(list, node->index);
            match = name && search_name_match(name, text, len);
        }
        if (match && !add_result(node))
            return false;
    }
    return true;
}

} // namespace

int search_run(void)
{
    search_state.count = 0;
    search_state.length = static_cast<int>(strnlen(search_state.text, SEARCH_TEXT_MAX));
    search_state.text[search_state.length] = '\0';
    if (search_state.length == 0)
        return 0;
    const bool initials = global_attr.language == 0 || global_attr.language == 1;
    for (Card card : {CARD_MMC, CARD_TF}) {
        for (int s = 0; s < SYSTEM_COUNT; s++) {
            if (!search_list(game_list(card, s), initials))
                return search_state.count;
        }
    }
    return search_state.count;
}

// ---- typing ----------------------------------------------------------------

int search_append(char c)
{
    if (search_state.length >= SEARCH_TEXT_MAX)
        return -1;
    search_state.text[search_state.length++] = c;
    search_state.text[search_state.length] = '\0';
    return search_run();
}

void search_delete_last(void)
{
    if (search_state.length > 0)
        search_state.text[--search_state.length] = '\0';
    if (search_state.length > 0)
        search_run();
    else
        search_state.count = 0;
}

void search_clear_text(void)
{
    memset(search_state.text, 0, sizeof(search_state.text));
    search_state.length = 0;
    search_state.count = 0;
}

// ---- the keyboard cursor ---------------------------------------------------

void search_cursor_up(void)
{
    int &c = search_state.cursor;
    if (c == SEARCH_BUTTON)
        c = SEARCH_KEY_COUNT - 1;
    else if (c < SEARCH_KEY_COLUMNS)
        c += (SEARCH_KEY_ROWS - 1) * SEARCH_KEY_COLUMNS;
    else
        c -= SEARCH_KEY_COLUMNS;
}

void search_cursor_down(void)
{
    int &c = search_state.cursor;
    if (c == SEARCH_BUTTON)
        return;
    c += SEARCH_KEY_COLUMNS;
    if (c >= SEARCH_KEY_COUNT)
        c = SEARCH_BUTTON;
}

void search_cursor_right(void)
{
    int &c = search_state.cursor;
    if (c == SEARCH_BUTTON)
        return;
    c = c % SEARCH_KEY_COLUMNS == SEARCH_KEY_COLUMNS - 1 ? c - (SEARCH_KEY_COLUMNS - 1) : c + 1;
}

void search_cursor_left(void)
{
    int &c = search_state.cursor;
    if (c == SEARCH_BUTTON)
        return;
    c = c % SEARCH_KEY_COLUMNS == 0 ? c + (SEARCH_KEY_COLUMNS - 1) : c - 1;
}

// ---- the stored text -------------------------------------------------------

int search_save(void)
{
    if (write_file_atomic(SEARCH_FILE, search_state.text, static_cast<size_t>(search_state.length)) != 0) {
        printf("fopen %s return error %d\n", SEARCH_FILE, errno);
        return -1;
    }
    return 0;
}

int read_search_file(const char *path, char *text, size_t size)
{
    if (!text || size == 0)
        return -1;
    memset(text, 0, size);
    FILE *f = dev_fopen(path, "rb");
    if (!f) {
        printf("%s is not exist!\n", path);
        return -1;
    }
    // The first line, cut to the buffer; a longer line leaves the rest unread.
    if (!fgets(text, static_cast<int>(size), f))
        text[0] = '\0';
    fclose(f);
    char *end = strchr(text, '\n');
    if (end)
        *end = '\0';
    return static_cast<int>(strlen(text));
}

int search_restore(int on_results)
{
    search_clear();
    if (!on_results)
        return 0;
    char text[SEARCH_TEXT_SIZE];
    if (read_search_file(SEARCH_FILE, text, sizeof(text)) <= 0)
        return 0;
    memcpy(search_state.text, text, sizeof(text));
    search_state.length = static_cast<int>(strlen(search_state.text));
    return search_run();
}
