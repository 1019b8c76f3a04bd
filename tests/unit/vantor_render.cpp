// Layout rules and text surfaces of the front end: row window, row names,
// tile names, the button guide, Home geometry, the title format, the clock
// text, row and tile surfaces and background scaling.

#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include <SDL/SDL_image.h>
#include <gtest/gtest.h>

#include "test_root.h"
#include "vantor/hardware.h"
#include "vantor/menu.h"
#include "vantor/render.h"

namespace {

const char *FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

TEST(RenderRules, WindowStart)
{
    EXPECT_EQ(rom_window_start(19, 20), 16);
    EXPECT_EQ(rom_window_start(2, 20), 0);
    EXPECT_EQ(rom_window_start(3, 20), 0);
    EXPECT_EQ(rom_window_start(4, 20), 1);
    EXPECT_EQ(rom_window_start(8, 9), 5);
    EXPECT_EQ(rom_window_start(7, 8), 0) << "fewer than 9 items never scroll";
    EXPECT_EQ(rom_window_start(0, 0), 0);
}

TEST(RenderRules, RowNames)
{
    EXPECT_EQ(rom_display_name("/mnt/mmc/Roms/GBA/Super Game (USA) [!].zip"), "Super Game");
    EXPECT_EQ(rom_display_name("/mnt/mmc/Roms/MAME/sf2.zip"), "sf2");
    EXPECT_EQ(rom_display_name("/mnt/mmc/Roms/SNES/Mega.Man.X [T+Eng].sfc"), "Mega.Man.X");
    EXPECT_EQ(rom_display_name("/x/Disc #2.cue"), "Disc") << "cut at the last '#'";
    EXPECT_EQ(rom_display_name("/x/Track (1) #3 .bin"), "Track");
    EXPECT_EQ(rom_display_name("/x/魔界村 (Japan).nes"), "魔界村");
    EXPECT_EQ(rom_display_name("/x/Plain"), "Plain");
    EXPECT_EQ(rom_display_name("/x/[BIOS] x.bin"), "[BIOS] x.bin") << "a name that cleans to nothing stays whole";
    EXPECT_EQ(rom_display_name("noslash.gb"), "noslash");
}

TEST(RenderRules, TileNames)
{
    EXPECT_EQ(system_tile_text("Nintendo Entertainment"), "Nintend...");
    EXPECT_EQ(system_tile_text("0123456789"), "0123456789");
    EXPECT_EQ(system_tile_text("0123456789A"), "0123456...");
    EXPECT_EQ(system_tile_text("GBA"), "GBA");
    // Characters, not bytes: eleven CJK characters keep seven whole ones.
    EXPECT_EQ(system_tile_text("一二三四五六七八九十百"), "一二三四五六七...");
    EXPECT_EQ(system_tile_text("一二三四五六七八九十"), "一二三四五六七八九十");
}

TEST(RenderRules, GuideSpacing)
{
    const int icons[4] = {54, 54, 54, 54};
    const int labels[4] = {100, 60, 60, 110};
    EXPECT_EQ(guide_spacing(icons, labels, 1), (640 - 216 - 330) / 5);
    EXPECT_EQ(guide_spacing(icons, labels, 0), (640 - 216) / 5);
}

TEST(RenderRules, TitleFormatTakesOnlyTheVersion)
{
    char out[256];
    format_title(out, sizeof(out), "vantor %s", "1.4.9");
    EXPECT_STREQ(out, "vantor 1.4.9");
    format_title(out, sizeof(out), "%s %s %n %d 100%%", "1.4.9");
    EXPECT_STREQ(out, "1.4.9 %s %n %d 100%");
    format_title(out, sizeof(out), "Menu", "1.4.9");
    EXPECT_STREQ(out, "Menu");
    std::string long_format(400, 'x');
    format_title(out, sizeof(out), long_format.c_str(), "1.4.9");
    EXPECT_EQ(strlen(out), 255u);
}

TEST(RenderRules, ClockText)
{
    struct tm t = {};
    t.tm_hour = 0;
    t.tm_min = 5;
    EXPECT_EQ(clock_text(t, 0, "AM", "PM"), "00:05");
    EXPECT_EQ(clock_text(t, 1, "AM", "PM"), "12:05 AM");
    t.tm_hour = 13;
    t.tm_min = 7;
    EXPECT_EQ(clock_text(t, 1, "AM", "PM"), "01:07 PM");
    EXPECT_EQ(clock_text(t, 0, "AM", "PM"), "13:07");
    t.tm_hour = 12;
    t.tm_min = 0;
    EXPECT_EQ(clock_text(t, 1, "vm", "nm"), "12:00 nm");
    t.tm_hour = 11;
    t.tm_min = 59;
    EXPECT_EQ(clock_text(t, 1, "AM", "PM"), "11:59 AM");
}

TEST(RenderRules, ClockUsesLocalTimeLikeTheSettingsScreen)
{
    // The clock and the Settings screen (which converts back with mktime)
    // must agree: what the clock shows converts back to now.
    struct tm t;
    read_current_time(&t);
    t.tm_isdst = -1;
    time_t back = mktime(&t);
    EXPECT_LE(std::labs(static_cast<long>(back - time(nullptr))), 2L);
}

Surface blank(int w, int h)
{
    return Surface(SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, 0xF800, 0x07E0, 0x001F, 0));
}

TEST(RenderLayout, GuideHomeHeaderAndRemoveHint)
{
    SkinResources res;
    res.power[0] = blank(40, 20);
    res.clock = blank(70, 30);
    for (int k = 0; k < 4; k++) {
        res.guide_icons[k] = blank(54, 54);
        res.guide_labels[k] = blank(60 + 10 * k, 20);
        res.home_focused[k] = blank(140, 140);
        res.home_active[k] = blank(80 + 2 * k, 30);
    }
    res.remove_icon = blank(54, 54);
    res.remove_label = blank(90, 30);
    res.guide_text_visible = 1;
    compute_layout(res);

    EXPECT_EQ(res.logo_pos.x, 16);
    EXPECT_EQ(res.logo_pos.y, 8);
    EXPECT_EQ(res.title_pos.x, 64);
    EXPECT_EQ(res.battery_pos.x, 640 - 40 - 16);
    EXPECT_EQ(res.battery_pos.y, 4);
    EXPECT_EQ(res.clock_pos.x, 640 - 40 - 16 - 70 - 16);
    EXPECT_EQ(res.clock_pos.y, 8);

    const int spacing = (640 - 4 * 54 - (60 + 70 + 80 + 90)) / 5;
    int right = 0;
    for (int k = 0; k < 4; k++) {
        EXPECT_EQ(res.guide_icon_pos[k].x, right + spacing) << k;
        EXPECT_EQ(res.guide_icon_pos[k].y, 480 - 54 - 8);
        EXPECT_EQ(res.guide_label_pos[k].x, res.guide_icon_pos[k].x + 54);
        EXPECT_EQ(res.guide_label_pos[k].y, 480 - 54 - 8 + (54 - 20) / 2);
        right = res.guide_label_pos[k].x + 60 + 10 * k;
    }
    EXPECT_EQ(res.remove_icon_pos.x, (640 - (54 + 90)) / 2);
    EXPECT_EQ(res.remove_icon_pos.y, 0);
    EXPECT_EQ(res.remove_label_pos.x, res.remove_icon_pos.x + 54);

    for (int m = 0; m < 4; m++) {
        EXPECT_EQ(res.home_icon_pos[m].x, (640 - 560) / 2 + 140 * m);
        EXPECT_EQ(res.home_icon_pos[m].y, (480 - 140) / 2);
        EXPECT_EQ(res.home_label_pos[m].x, res.home_icon_pos[m].x + (140 - (80 + 2 * m)) / 2);
        EXPECT_EQ(res.home_label_pos[m].y, (480 - 140) / 2 + 168);
    }

    // Hidden guide texts: the icons share the whole width in five equal gaps.
    res.guide_text_visible = 0;
    compute_layout(res);
    const int gap = (640 - 4 * 54) / 5;
    for (int k = 0; k < 4; k++)
        EXPECT_EQ(res.guide_icon_pos[k].x, gap + k * (54 + gap));
    EXPECT_EQ(res.remove_icon_pos.x, (640 - 54) / 2);
}

class RenderFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.mkdirs("/mnt/mmc/CFW");
        ASSERT_NE(getcwd(old, sizeof(old)), nullptr);
        ASSERT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
        ASSERT_EQ(TTF_Init(), 0);
        font.reset(TTF_OpenFont(FONT, 20));
        ASSERT_TRUE(font);
    }
    void TearDown() override
    {
        font.reset();
        TTF_Quit();
        destroy_mame_game_name_table();
        ASSERT_EQ(chdir(old), 0);
    }
    int text_width(const char *text)
    {
        int w = 0, h = 0;
        TTF_SizeUTF8(font.get(), text, &w, &h);
        return w;
    }
    // The colour of the most opaque pixel of a blended text surface.
    SDL_Color ink_color(SDL_Surface *s)
    {
        SDL_Color best = {0, 0, 0, 0};
        Uint8 best_alpha = 0;
        SDL_LockSurface(s);
        for (int y = 0; y < s->h; y++) {
            for (int x = 0; x < s->w; x++) {
                Uint32 p = static_cast<Uint32 *>(s->pixels)[y * s->pitch / 4 + x];
                Uint8 r, g, b, a;
                SDL_GetRGBA(p, s->format, &r, &g, &b, &a);
                if (a > best_alpha) {
                    best_alpha = a;
                    best = {r, g, b, 0};
                }
            }
        }
        SDL_UnlockSurface(s);
        return best;
    }
    TempRoot root;
    Font font;
    char old[4096];
};

TEST_F(RenderFiles, RowsFillTheWindowWithNamesTitlesAndColours)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 20; i++)
        paths.push_back("/mnt/mmc/Roms/MAME/game" + std::to_string(i) + ".zip");
    paths[17] = "/mnt/mmc/Roms/MAME/sf2.zip";
    paths[18] = "/mnt/mmc/Roms/MAME/Fav (USA).zip";
    std::vector<char *> items;
    for (auto &p : paths)
        items.push_back(&p[0]);
    root.write("/mnt/mmc/CFW/config/mame.csv", "sf2,Street Fighter II\nmslug,Metal Slug\n");
    root.write("/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl",
               "{\n  \"items\": [\n    {\n      \"path\": \"/mnt/mmc/Roms/MAME/Fav (USA).zip\"\n    }\n  ]\n}\n");
    load_mame_game_name_table();

    const SDL_Color active = {255, 0, 0, 0}, inactive = {0, 255, 0, 0}, fav_active = {0, 0, 255, 0},
                    fav_inactive = {255, 255, 0, 0};
    Surface rows[VISIBLE_ROWS];
    generate_rom_texts(font.get(), active, inactive, fav_active, fav_inactive, 19, 20, items.data(), rows);
    for (int i = 0; i < 4; i++)
        EXPECT_TRUE(rows[i]) << i;
    for (int i = 4; i < 8; i++)
        EXPECT_FALSE(rows[i]) << i;
    EXPECT_EQ(rows[1]->w, text_width("Street Fighter II"));
    EXPECT_EQ(rows[2]->w, text_width("Fav"));
    EXPECT_EQ(rows[0]->w, text_width("game16"));
    EXPECT_EQ(ink_color(rows[0].get()).g, 255);
    EXPECT_EQ(ink_color(rows[0].get()).r, 0);
    SDL_Color fav = ink_color(rows[2].get());
    EXPECT_EQ(fav.r, 255) << "a favourite row that is not selected";
    EXPECT_EQ(fav.g, 255);
    SDL_Color sel = ink_color(rows[3].get());
    EXPECT_EQ(sel.r, 255) << "the selected row";
    EXPECT_EQ(sel.g, 0);

    generate_rom_texts(font.get(), active, inactive, fav_active, fav_inactive, 18, 20, items.data(), rows);
    SDL_Color fav_sel = ink_color(rows[3].get());
    EXPECT_EQ(fav_sel.b, 255) << "the selected favourite";
    EXPECT_EQ(fav_sel.r, 0);

    generate_rom_texts(font.get(), active, inactive, fav_active, fav_inactive, 2, 20, items.data(), rows);
    for (int i = 0; i < 8; i++)
        ASSERT_TRUE(rows[i]) << i;
    EXPECT_EQ(rows[0]->w, text_width("game0"));
    EXPECT_EQ(rows[7]->w, text_width("game7"));

    generate_rom_texts(font.get(), active, inactive, fav_active, fav_inactive, 0, 0, nullptr, rows);
    for (int i = 0; i < 8; i++)
        EXPECT_FALSE(rows[i]);
}

TEST_F(RenderFiles, TilesUseThePictureOrTheShortenedName)
{
    root.mkdirs("/mnt/mmc/CFW/skin/system");
    ASSERT_EQ(host_system("convert -size 33x21 xc:red '" + root.host("/mnt/mmc/CFW/skin/system/GBA.png") + "'"), 0);
    std::string a = "/mnt/mmc/Roms/GBA", b = "/mnt/SDCARD/Roms/Nintendo Entertainment", c = "/mnt/mmc/NES";
    char *folders[3] = {&a[0], &b[0], &c[0]};
    Surface tiles[TILES_PER_PAGE];
    const SDL_Color white = {255, 255, 255, 0};
    generate_system_texts(font.get(), white, tiles, 3, folders);
    ASSERT_TRUE(tiles[0]);
    EXPECT_EQ(tiles[0]->w, 33);
    EXPECT_EQ(tiles[0]->h, 21);
    ASSERT_TRUE(tiles[1]);
    EXPECT_EQ(tiles[1]->w, text_width("Nintend..."));
    ASSERT_TRUE(tiles[2]);
    EXPECT_EQ(tiles[2]->w, text_width("NES"));
    for (int i = 3; i < 8; i++)
        EXPECT_FALSE(tiles[i]);
    generate_system_texts(font.get(), white, tiles, 0, nullptr);
    for (int i = 0; i < 8; i++)
        EXPECT_FALSE(tiles[i]);
}

TEST_F(RenderFiles, BackgroundsAreScaledToTheScreen)
{
    root.write("/mnt/mmc/Roms/GBA/Game.gba", "rom");
    root.write("/mnt/mmc/CFW/config/coremapping.json", "{\n  \"GBA\": \"mgba_libretro.so\"\n}\n");
    root.mkdirs("/mnt/mmc/CFW/skin/games/GBA");
    ASSERT_EQ(
        host_system("convert -size 320x120 xc:blue '" + root.host("/mnt/mmc/CFW/skin/games/GBA/Game.gba.png") + "'"),
        0);
    keep_aspect_ratio = 0;
    Surface bg(get_background_override("/mnt/mmc/Roms/GBA/Game.gba", STATE_GAMES, nullptr, 0));
    ASSERT_TRUE(bg);
    EXPECT_EQ(bg->w, 640);
    EXPECT_EQ(bg->h, 480);
    keep_aspect_ratio = 1;
    bg.reset(get_background_override("/mnt/mmc/Roms/GBA/Game.gba", STATE_GAMES, nullptr, 0));
    ASSERT_TRUE(bg);
    EXPECT_EQ(bg->w, 640);
    EXPECT_EQ(bg->h, 240);
    keep_aspect_ratio = 0;
    EXPECT_EQ(get_background_override("/mnt/mmc/Roms/GBA/Other.gba", STATE_GAMES, nullptr, 0), nullptr);
    EXPECT_EQ(get_background_override(nullptr, STATE_GAMES, nullptr, 0), nullptr);
}

TEST_F(RenderFiles, RecentScreenshotIsEnlargedFourTimesThenScaled)
{
    root.write("/mnt/mmc/Roms/GBA/Game.gba", "rom");
    root.write("/mnt/mmc/CFW/config/coremapping.json", "{\n  \"GBA\": \"mgba_libretro.so\"\n}\n");
    root.mkdirs("/mnt/mmc/Saves/CurrentProfile/states/mGBA");
    ASSERT_EQ(host_system("convert -size 240x160 xc:green '" +
                          root.host("/mnt/mmc/Saves/CurrentProfile/states/mGBA/Game.state.auto.png") + "'"),
              0);
    keep_aspect_ratio = 1;
    Surface bg(get_background_override("/mnt/mmc/Roms/GBA/Game.gba", STATE_RECENT, nullptr, 0));
    keep_aspect_ratio = 0;
    ASSERT_TRUE(bg);
    // 240x160 -> 960x640 -> the smaller factor 0.666..: 640x426 or so.
    EXPECT_EQ(bg->w, 640);
    EXPECT_NEAR(bg->h, 427, 1);
    char path[PATH_BUFFER_SIZE];
    EXPECT_EQ(get_auto_state_screenshot_path("/mnt/mmc/Roms/GBA/Game.gba", path), 1);
    EXPECT_STREQ(path, "/mnt/mmc/Saves/CurrentProfile/states/mGBA/Game.state.auto.png");
}

} // namespace
