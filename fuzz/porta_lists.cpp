// The launcher's sealed lists (history, favourites, GBA core choice) and the
// files that bring the browser back after a game (/tmp/gameplace.cfg,
// /tmp/gamedir.cfg, /tmp/search). The first byte picks the file; the rest is its content,
// sealed so that the parsers see it. A list that loads saves and loads again
// to the same records.

#include "fuzz_support.h"

#include <cstring>
#include <string>
#include <vector>

#include "porta/base/sealed.h"
#include "porta/library/browse.h"
#include "porta/library/corelist.h"
#include "porta/library/favorites.h"
#include "porta/library/history.h"
#include "porta/library/search.h"

namespace {

// The names of a loaded list, each checked to end inside its field; the
// list holds exactly the count its load returned.
template <typename Rec> std::vector<std::string> names(int count, const std::vector<Rec> &list)
{
    FUZZ_CHECK(count >= 0 && static_cast<size_t>(count) == list.size());
    std::vector<std::string> out;
    for (const Rec &r : list) {
        FUZZ_CHECK(memchr(r.name, '\0', sizeof r.name) != nullptr);
        out.emplace_back(r.name);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    fuzz::root();
    fuzz::mkdirs("/mnt/data");
    fuzz::mkdirs("/tmp");
    const uint8_t which = data[0] % 6;
    data++;
    size--;
    switch (which) {
    case 0: {
        FUZZ_CHECK(crc_seal_write(HISTORY_FILE, data, size) == 0);
        const int n = list_load(HISTORY_LIST);
        FUZZ_CHECK(n >= 0 && n <= HISTORY_MAX);
        std::vector<std::string> before = names(n, list_records(HISTORY_LIST));
        if (n > 0 && list_save(HISTORY_LIST) == 0) {
            FUZZ_CHECK(list_load(HISTORY_LIST) == n);
            FUZZ_CHECK(names(n, list_records(HISTORY_LIST)) == before || memchr(data, '\n', size));
        }
        list_free(HISTORY_LIST);
        break;
    }
    case 1: {
        FUZZ_CHECK(crc_seal_write(FAVORITES_FILE, data, size) == 0);
        const int n = list_load(FAVORITE_LIST);
        names(n, list_records(FAVORITE_LIST));
        if (n > 0 && list_save(FAVORITE_LIST) == 0)
            FUZZ_CHECK(list_load(FAVORITE_LIST) == n);
        list_free(FAVORITE_LIST);
        break;
    }
    case 2: {
        FUZZ_CHECK(crc_seal_write(CORELIST_FILE, data, size) == 0);
        const int n = list_load(CORE_LIST);
        names(n, list_records(CORE_LIST));
        if (n > 0 && list_save(CORE_LIST) == 0)
            FUZZ_CHECK(list_load(CORE_LIST) == n);
        list_free(CORE_LIST);
        break;
    }
    case 3: {
        fuzz::write(GAMEPLACE_FILE, data, size);
        BrowseCursor c = {-7, -7};
        read_place_file(GAMEPLACE_FILE, &c);
        break;
    }
    case 4: {
        fuzz::write(SEARCH_FILE, data, size);
        char text[SEARCH_TEXT_SIZE + 8];
        memset(text, 0x55, sizeof text);
        const int n = read_search_file(SEARCH_FILE, text, SEARCH_TEXT_SIZE);
        FUZZ_CHECK(n <= SEARCH_TEXT_MAX);
        for (size_t i = SEARCH_TEXT_SIZE; i < sizeof text; i++)
            FUZZ_CHECK(text[i] == 0x55); // never written past the text
        if (n >= 0)
            FUZZ_CHECK(memchr(text, '\0', SEARCH_TEXT_SIZE) != nullptr);
        break;
    }
    default: {
        fuzz::write(GAMEDIR_FILE, data, size);
        int system = -7;
        CardSelection card = SELECTED_INTERNAL;
        read_last_path(GAMEDIR_FILE, &system, &card);
        std::string text(reinterpret_cast<const char *>(data), size);
        parse_last_path(text.c_str(), &system, &card);
        break;
    }
    }
    return 0;
}
