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

template <typename Rec> std::vector<std::string> names(int count, const Rec *(*at)(int))
{
    std::vector<std::string> out;
    for (int i = 0; i < count; i++) {
        const Rec *r = at(i);
        FUZZ_CHECK(r != nullptr);
        FUZZ_CHECK(memchr(r->name, '\0', sizeof r->name) != nullptr);
        out.emplace_back(r->name);
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
        const int n = history_load();
        FUZZ_CHECK(n == history_count());
        FUZZ_CHECK(n >= 0 && n <= HISTORY_MAX);
        std::vector<std::string> before = names(n, history_at);
        if (n > 0 && history_save() == 0) {
            FUZZ_CHECK(history_load() == n);
            FUZZ_CHECK(names(n, history_at) == before || memchr(data, '\n', size));
        }
        history_free();
        break;
    }
    case 1: {
        FUZZ_CHECK(crc_seal_write(FAVORITES_FILE, data, size) == 0);
        const int n = favorites_load();
        FUZZ_CHECK(n == favorites_count() && n >= 0);
        names(n, favorite_at);
        if (n > 0 && favorites_save() == 0)
            FUZZ_CHECK(favorites_load() == n);
        favorites_free();
        break;
    }
    case 2: {
        FUZZ_CHECK(crc_seal_write(CORELIST_FILE, data, size) == 0);
        const int n = corelist_load();
        FUZZ_CHECK(n == corelist_count() && n >= 0);
        names(n, corelist_at);
        if (n > 0 && corelist_save() == 0)
            FUZZ_CHECK(corelist_load() == n);
        corelist_free();
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
