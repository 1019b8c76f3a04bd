// The cost of one list frame of the launcher on the sample device image, with
// SDL's dummy video driver: background, title bar, bottom bar, page counter
// and nine rows (one highlighted), for both layouts, with the cache of
// rendered texts on (1) and off (0, every text rendered anew as before).
// BM_GamesFrame draws the game list screen itself: the GBA list of the
// built-in card, nine rows with their icons, "Golden Sun" selected with its
// preview picture (loaded and scaled before the measure, as the screen keeps
// it until the cursor moves).
//
//   PORTA_SAMPLE_ROOT=DIR  use an existing sample tree (else one is generated
//                          under the build tree's scratch folder).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include <unistd.h>

#include "porta/base/attr.h"
#include "porta/device/battery.h"
#include "porta/library/browse.h"
#include "porta/library/gamelist.h"
#include "porta/ui/chrome.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/library_screens.h"
#include "porta/ui/preview.h"
#include "porta/ui/loop.h"
#include "porta/ui/themes.h"

namespace {

std::string sampleRoot()
{
    if (const char *env = getenv("PORTA_SAMPLE_ROOT"))
        return env;
    const std::string root = std::string(TEST_SCRATCH_DIR) + "/bench-sample-root";
    if (access((root + "/.complete").c_str(), F_OK) != 0) {
        const std::string cmd = "rm -rf '" + root + "' && " + SOURCE_DIR + "/tools/make-sample-root '" + root +
                                "' >/dev/null && touch '" + root + "/.complete'";
        if (system(cmd.c_str()) != 0)
            return std::string();
    }
    return root;
}

const char *const kNames[LIST_ROWS] = {
    "Alien Storm (World)",
    "Bare Knuckle II - Shitou Zhi Tie Quan (Japan)",
    "Castlevania - Bloodlines (USA)",
    "Comix Zone (Europe)",
    "Gunstar Heroes (Japan)",
    "Landstalker (USA)",
    "Phantasy Star IV (USA)",
    "Rocket Knight Adventures (Europe)",
    "Streets of Rage 2 (USA)",
};

SDL_Surface *hdmi_out = nullptr;

// SDL, both outputs, the fonts and pictures of the sample root and its
// battery (57 %, on battery power), English. The surface of the layout the
// benchmark's first argument asks for (0 LCD, 1 HDMI), or nullptr (skipped).
SDL_Surface *start_display(benchmark::State &state)
{
    const std::string root = sampleRoot();
    if (root.empty()) {
        state.SkipWithError("no sample root");
        return nullptr;
    }
    setenv("DEVICE_ROOT", root.c_str(), 1);
    if (!getenv("SDL_VIDEODRIVER"))
        setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0 || TTF_Init() != 0) {
        state.SkipWithError("SDL");
        return nullptr;
    }
    SDL_Surface *lcd = SDL_SetVideoMode(640, 480, 16, 0);
    hdmi_out = SDL_CreateRGBSurface(SDL_SWSURFACE, 1280, 720, 16, 0xF800, 0x07E0, 0x001F, 0);
    attr_set_defaults(&global_attr);
    global_attr.language = 2;
    customer_skin = 0;
    battery_reset();
    battery_update(1);
    if (load_ui_fonts() != 0 || load_title_bottom(OUTPUT_LCD) != 0 || load_title_bottom(OUTPUT_HDMI) != 0 ||
        load_lcd_other_img() != 0 || load_hdmi_other_img() != 0 || load_background() != 0) {
        state.SkipWithError("sample resources did not load");
        return nullptr;
    }
    return state.range(0) ? hdmi_out : lcd;
}

void stop_display(void)
{
    text_cache_enable(1);
    free_all_images();
    free_ui_fonts();
    SDL_FreeSurface(hdmi_out);
    hdmi_out = nullptr;
    TTF_Quit();
    SDL_Quit();
}

void frame(SDL_Surface *dst, int selected)
{
    const int out = chrome_out(dst);
    draw_background(dst);
    draw_top_bar(dst);
    draw_bottom_bar(dst, bottom_hints(SCREEN_GAMES, 0));
    draw_page_counter(dst, 2, 7);
    const int text_x = out ? 125 : 55, text_dy = out ? 13 : 10;
    const SDL_Surface *bar = fixed_res[out].list[5];
    const int clip = (bar ? bar->w : 385) - (out ? 145 : 95);
    for (int row = 0; row < LIST_ROWS; row++) {
        const int y = list_row_y(out, row);
        if (row == selected)
            draw_row_highlight(dst, y);
        draw_row_text(dst, text_x, y + text_dy, 19 + row, kNames[row], clip, row == selected);
    }
}

// args: layout (0 LCD, 1 HDMI), text cache (0 off, 1 on)
void BM_ListFrame(benchmark::State &state)
{
    SDL_Surface *dst = start_display(state);
    if (!dst)
        return;
    text_cache_enable(static_cast<int>(state.range(1)));
    frame_hour = 12;
    frame_minute = 34;
    frame(dst, 4); // the cache's first fill is not measured
    for (auto _ : state) {
        frame(dst, 4);
        benchmark::DoNotOptimize(dst->pixels);
    }
    stop_display();
}
// args: layout (0 LCD, 1 HDMI), text cache (0 off, 1 on)
void BM_GamesFrame(benchmark::State &state)
{
    SDL_Surface *dst = start_display(state);
    if (!dst)
        return;
    scan_card_lists(CARD_MMC, 0);
    browse_card = SELECTED_INTERNAL;
    browse_system = SYSTEM_GBA;
    const GameList *list = game_list(CARD_MMC, SYSTEM_GBA);
    int golden = -1;
    for (int i = 0; list && i < list->count; i++)
        if (std::string(game_name(list, i)) == "Golden Sun.gba")
            golden = i;
    if (golden < 0 || list->count < 9) {
        state.SkipWithError("no GBA list with Golden Sun in the sample");
        return;
    }
    browse_cursor.page = golden / ROWS_PER_PAGE;
    browse_cursor.row = golden % ROWS_PER_PAGE;
    text_cache_enable(static_cast<int>(state.range(1)));
    frame_hour = 12;
    frame_minute = 34;
    draw_games_screen(dst); // the preview is loaded once, the cache filled
    for (auto _ : state) {
        draw_games_screen(dst);
        benchmark::DoNotOptimize(dst->pixels);
    }
    preview_drop_all();
    free_card_lists(CARD_MMC);
    stop_display();
}
BENCHMARK(BM_GamesFrame)->ArgNames({"hdmi", "cache"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_ListFrame)->ArgNames({"hdmi", "cache"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
