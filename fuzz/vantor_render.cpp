// The menu's text-rendering path: list rows (file names, MAME titles,
// favourite colours), Consoles tiles and any label, through render_text with
// the sample font, on SDL's dummy video driver. Each input line is a file
// name in a game folder; the first byte picks the selected row.

#include "fuzz_support.h"

#include <string>
#include <vector>

#include "vantor/content.h"
#include "vantor/render.h"

namespace {

struct World {
    SkinResources res;
};

World &world()
{
    static World *w = nullptr;
    if (!w) {
        fuzz::root();
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        FUZZ_CHECK(SDL_Init(SDL_INIT_VIDEO) == 0);
        FUZZ_CHECK(SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, 16, 0) != nullptr);
        FUZZ_CHECK(TTF_Init() == 0);
        fuzz::install_font("Oswald-Regular.ttf");
        // MAME titles holding marks that sit left of the pen.
        fuzz::write("/mnt/mmc/CFW/config/mame.csv", "sf2,Street Fighter II\nb,b\xd2\x88 title\nm,\xcc\x81\xd2\x88\n");
        load_mame_game_name_table();
        w = new World();
        FUZZ_CHECK(load_language_fonts(w->res, "English") == 0);
    }
    return *w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    World &w = world();
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    std::vector<std::string> paths;
    size_t start = 0;
    while (start <= text.size() && paths.size() < 12) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string name = text.substr(start, end - start);
        name = name.substr(0, name.find('\0'));
        paths.push_back("/mnt/mmc/Roms/GBA/" + name);
        start = end + 1;
    }
    std::vector<char *> items;
    for (std::string &p : paths)
        items.push_back(&p[0]);
    const int count = static_cast<int>(items.size());
    const int selected = data[0] % count;

    const SDL_Color a = {255, 255, 255, 0}, b = {128, 128, 128, 0}, c = {255, 200, 0, 0}, d = {200, 160, 0, 0};
    Surface rows[VISIBLE_ROWS];
    generate_rom_texts(w.res.font.get(), a, b, c, d, selected, count, items.data(), rows);
    for (const Surface &row : rows)
        if (row)
            FUZZ_CHECK(row->w > 0 && row->h > 0);
    Surface tiles[TILES_PER_PAGE];
    generate_system_texts(w.res.font.get(), a, tiles, count, items.data());
    Surface label(render_text(w.res.guide_font.get(), paths[0].c_str() + 18, a));
    return 0;
}
