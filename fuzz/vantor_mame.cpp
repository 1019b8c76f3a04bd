// config/mame.csv: the short-name to title table loaded at start-up, then
// looked up for every row.

#include "fuzz_support.h"

#include <cstring>
#include <string>

#include "vantor/content.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::root();
    fuzz::write("/mnt/mmc/CFW/config/mame.csv", data, size);
    load_mame_game_name_table();
    const std::string text(reinterpret_cast<const char *>(data), size);

    // The first line's short name gives its title (the first line of a short
    // name wins), when the line is plain: no NUL, no CR, shorter than a read.
    const size_t eol = text.find('\n');
    const std::string first = text.substr(0, eol);
    const size_t comma = first.find(',');
    if (comma != std::string::npos && first.find('\0') == std::string::npos && first.find('\r') == std::string::npos &&
        first.size() < 12000) {
        const std::string short_name = first.substr(0, comma);
        const std::string title = first.substr(comma + 1);
        const char *found = get_mame_game_name(short_name.c_str());
        if (title.empty())
            FUZZ_CHECK(found == nullptr);
        else
            FUZZ_CHECK(found && title == found);
    }
    for (size_t i = 0; i + 1 < size && i < 64; i += 7) {
        const std::string name = text.substr(i, 5);
        const char *found = get_mame_game_name(name.c_str());
        FUZZ_CHECK(found == nullptr || *found);
    }
    FUZZ_CHECK(get_mame_game_name(nullptr) == nullptr);
    destroy_mame_game_name_table();
    FUZZ_CHECK(mame_titles.count == 0 && mame_titles.table == nullptr);
    return 0;
}
