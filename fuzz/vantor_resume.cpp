// The resume file /mnt/mmc/CFW/menu.flag, read at start-up.

#include "fuzz_support.h"

#include <cstring>

#include "vantor/content.h"
#include "vantor/menu.h"
#include "vantor/render.h"

namespace {

// A small device: a game folder, favourites and a font, drawn on SDL's dummy
// video driver.
SkinResources &resources()
{
    static SkinResources *res = nullptr;
    if (!res) {
        fuzz::root();
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        FUZZ_CHECK(SDL_Init(SDL_INIT_VIDEO) == 0);
        FUZZ_CHECK(SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, 16, 0) != nullptr);
        FUZZ_CHECK(TTF_Init() == 0);
        fuzz::install_font("Oswald-Regular.ttf");
        fuzz::write("/mnt/mmc/CFW/config/coremapping.json", "{\n  \"GBA\": \"gpsp_libretro.so\"\n}\n");
        for (const char *game : {"a.gba", "b.gba", "c.gba"})
            fuzz::write(std::string("/mnt/mmc/Roms/GBA/") + game, "rom");
        fuzz::write("/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl",
                    "{\"items\": [{\"path\": \"/mnt/mmc/Roms/GBA/a.gba\"}, {\"path\": \"/mnt/mmc/Roms/GBA/b.gba\"}]}");
        res = new SkinResources();
        FUZZ_CHECK(load_language_fonts(*res, "English") == 0);
        render_labels(*res, 1);
    }
    return *res;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SkinResources &res = resources();
    fuzz::write(MENU_FLAG_FILE, data, size);
    char *folder = reinterpret_cast<char *>(1);
    int index = -12345;
    const int state = get_menu_flags(&folder, &index);
    FUZZ_CHECK(state >= -1 && state <= STATE_RECENT);
    FUZZ_CHECK(folder == nullptr || strlen(folder) < 4097);
    if (size == 0)
        FUZZ_CHECK(state == -1 && folder == nullptr && index == 0);

    // Resuming there: whatever the record says, the model stays in range.
    MenuModel model;
    apply_resume_state(model, res, state, index, folder);
    FUZZ_CHECK(model.state >= STATE_HOME && model.state <= STATE_SETTINGS);
    FUZZ_CHECK(model.item_count == 0 || (model.row >= 0 && model.row < model.item_count));
    free_model(model);
    return 0;
}
