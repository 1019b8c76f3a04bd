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

const char *kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

TEST(RenderRules, WindowStart)
{
    EXPECT_EQ(romWindowStart(19, 20), 16);
    EXPECT_EQ(romWindowStart(2, 20), 0);
    EXPECT_EQ(romWindowStart(3, 20), 0);
    EXPECT_EQ(romWindowStart(4, 20), 1);
    EXPECT_EQ(romWindowStart(8, 9), 5);
    EXPECT_EQ(romWindowStart(7, 8), 0) << "fewer than 9 items never scroll";
    EXPECT_EQ(romWindowStart(0, 0), 0);
}

TEST(RenderRules, RowNames)
{
    EXPECT_EQ(romDisplayName("/mnt/mmc/Roms/GBA/Super Game (USA) [!].zip"), "Super Game");
    EXPECT_EQ(romDisplayName("/mnt/mmc/Roms/MAME/sf2.zip"), "sf2");
    EXPECT_EQ(romDisplayName("/mnt/mmc/Roms/SNES/Mega.Man.X [T+Eng].sfc"), "Mega.Man.X");
    EXPECT_EQ(romDisplayName("/x/Disc #2.cue"), "Disc") << "cut at the last '#'";
    EXPECT_EQ(romDisplayName("/x/Track (1) #3 .bin"), "Track");
    EXPECT_EQ(romDisplayName("/x/魔界村 (Japan).nes"), "魔界村");
    EXPECT_EQ(romDisplayName("/x/Plain"), "Plain");
    EXPECT_EQ(romDisplayName("/x/[BIOS] x.bin"), "[BIOS] x.bin") << "a name that cleans to nothing stays whole";
    EXPECT_EQ(romDisplayName("noslash.gb"), "noslash");
}

TEST(RenderRules, TileNames)
{
    EXPECT_EQ(systemTileText("Nintendo Entertainment"), "Nintend...");
    EXPECT_EQ(systemTileText("0123456789"), "0123456789");
    EXPECT_EQ(systemTileText("0123456789A"), "0123456...");
    EXPECT_EQ(systemTileText("GBA"), "GBA");
    // Characters, not bytes: eleven CJK characters keep seven whole ones.
    EXPECT_EQ(systemTileText("一二三四五六七八九十百"), "一二三四五六七...");
    EXPECT_EQ(systemTileText("一二三四五六七八九十"), "一二三四五六七八九十");
}

TEST(RenderRules, GuideSpacing)
{
    const int icons[4] = {54, 54, 54, 54};
    const int labels[4] = {100, 60, 60, 110};
    EXPECT_EQ(guideSpacing(icons, labels, 1), (640 - 216 - 330) / 5);
    EXPECT_EQ(guideSpacing(icons, labels, 0), (640 - 216) / 5);
}

TEST(RenderRules, TitleFormatTakesOnlyTheVersion)
{
    char out[256];
    formatTitle(out, sizeof(out), "vantor %s", "1.4.9");
    EXPECT_STREQ(out, "vantor 1.4.9");
    formatTitle(out, sizeof(out), "%s %s %n %d 100%%", "1.4.9");
    EXPECT_STREQ(out, "1.4.9 %s %n %d 100%");
    formatTitle(out, sizeof(out), "Menu", "1.4.9");
    EXPECT_STREQ(out, "Menu");
    std::string longFormat(400, 'x');
    formatTitle(out, sizeof(out), longFormat.c_str(), "1.4.9");
    EXPECT_EQ(strlen(out), 255u);
}

TEST(RenderRules, ClockText)
{
    struct tm t = {};
    t.tm_hour = 0;
    t.tm_min = 5;
    EXPECT_EQ(clockText(t, 0, "AM", "PM"), "00:05");
    EXPECT_EQ(clockText(t, 1, "AM", "PM"), "12:05 AM");
    t.tm_hour = 13;
    t.tm_min = 7;
    EXPECT_EQ(clockText(t, 1, "AM", "PM"), "01:07 PM");
    EXPECT_EQ(clockText(t, 0, "AM", "PM"), "13:07");
    t.tm_hour = 12;
    t.tm_min = 0;
    EXPECT_EQ(clockText(t, 1, "vm", "nm"), "12:00 nm");
    t.tm_hour = 11;
    t.tm_min = 59;
    EXPECT_EQ(clockText(t, 1, "AM", "PM"), "11:59 AM");
}

TEST(RenderRules, ClockUsesLocalTimeLikeTheSettingsScreen)
{
    // The clock and the Settings screen (which converts back with mktime)
    // must agree: what the clock shows converts back to now.
    struct tm t;
    readCurrentTime(&t);
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
        res.guideIcons[k] = blank(54, 54);
        res.guideLabels[k] = blank(60 + 10 * k, 20);
        res.homeFocused[k] = blank(140, 140);
        res.homeActive[k] = blank(80 + 2 * k, 30);
    }
    res.removeIcon = blank(54, 54);
    res.removeLabel = blank(90, 30);
    res.guideTextVisible = 1;
    computeLayout(res);

    EXPECT_EQ(res.logoPos.x, 16);
    EXPECT_EQ(res.logoPos.y, 8);
    EXPECT_EQ(res.titlePos.x, 64);
    EXPECT_EQ(res.batteryPos.x, 640 - 40 - 16);
    EXPECT_EQ(res.batteryPos.y, 4);
    EXPECT_EQ(res.clockPos.x, 640 - 40 - 16 - 70 - 16);
    EXPECT_EQ(res.clockPos.y, 8);

    const int spacing = (640 - 4 * 54 - (60 + 70 + 80 + 90)) / 5;
    int right = 0;
    for (int k = 0; k < 4; k++) {
        EXPECT_EQ(res.guideIconPos[k].x, right + spacing) << k;
        EXPECT_EQ(res.guideIconPos[k].y, 480 - 54 - 8);
        EXPECT_EQ(res.guideLabelPos[k].x, res.guideIconPos[k].x + 54);
        EXPECT_EQ(res.guideLabelPos[k].y, 480 - 54 - 8 + (54 - 20) / 2);
        right = res.guideLabelPos[k].x + 60 + 10 * k;
    }
    EXPECT_EQ(res.removeIconPos.x, (640 - (54 + 90)) / 2);
    EXPECT_EQ(res.removeIconPos.y, 0);
    EXPECT_EQ(res.removeLabelPos.x, res.removeIconPos.x + 54);

    for (int m = 0; m < 4; m++) {
        EXPECT_EQ(res.homeIconPos[m].x, (640 - 560) / 2 + 140 * m);
        EXPECT_EQ(res.homeIconPos[m].y, (480 - 140) / 2);
        EXPECT_EQ(res.homeLabelPos[m].x, res.homeIconPos[m].x + (140 - (80 + 2 * m)) / 2);
        EXPECT_EQ(res.homeLabelPos[m].y, (480 - 140) / 2 + 168);
    }

    // Hidden guide texts: the icons share the whole width in five equal gaps.
    res.guideTextVisible = 0;
    computeLayout(res);
    const int gap = (640 - 4 * 54) / 5;
    for (int k = 0; k < 4; k++)
        EXPECT_EQ(res.guideIconPos[k].x, gap + k * (54 + gap));
    EXPECT_EQ(res.removeIconPos.x, (640 - 54) / 2);
}

class RenderFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.mkdirs("/mnt/mmc/CFW");
        ASSERT_NE(getcwd(old, sizeof(old)), nullptr);
        ASSERT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
        ASSERT_EQ(TTF_Init(), 0);
        font.reset(TTF_OpenFont(kFont, 20));
        ASSERT_TRUE(font);
    }
    void TearDown() override
    {
        font.reset();
        TTF_Quit();
        destroyMameGameNameTable();
        ASSERT_EQ(chdir(old), 0);
    }
    int textWidth(const char *text)
    {
        int w = 0, h = 0;
        TTF_SizeUTF8(font.get(), text, &w, &h);
        return w;
    }
    // The colour of the most opaque pixel of a blended text surface.
    SDL_Color inkColor(SDL_Surface *s)
    {
        SDL_Color best = {0, 0, 0, 0};
        Uint8 bestAlpha = 0;
        SDL_LockSurface(s);
        for (int y = 0; y < s->h; y++) {
            for (int x = 0; x < s->w; x++) {
                Uint32 p = static_cast<Uint32 *>(s->pixels)[y * s->pitch / 4 + x];
                Uint8 r, g, b, a;
                SDL_GetRGBA(p, s->format, &r, &g, &b, &a);
                if (a > bestAlpha) {
                    bestAlpha = a;
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
    loadMameGameNameTable();

    const SDL_Color active = {255, 0, 0, 0}, inactive = {0, 255, 0, 0}, favActive = {0, 0, 255, 0},
                    favInactive = {255, 255, 0, 0};
    Surface rows[visibleRows];
    generateRomTexts(font.get(), active, inactive, favActive, favInactive, 19, 20, items.data(), rows);
    for (int i = 0; i < 4; i++)
        EXPECT_TRUE(rows[i]) << i;
    for (int i = 4; i < 8; i++)
        EXPECT_FALSE(rows[i]) << i;
    EXPECT_EQ(rows[1]->w, textWidth("Street Fighter II"));
    EXPECT_EQ(rows[2]->w, textWidth("Fav"));
    EXPECT_EQ(rows[0]->w, textWidth("game16"));
    EXPECT_EQ(inkColor(rows[0].get()).g, 255);
    EXPECT_EQ(inkColor(rows[0].get()).r, 0);
    SDL_Color fav = inkColor(rows[2].get());
    EXPECT_EQ(fav.r, 255) << "a favourite row that is not selected";
    EXPECT_EQ(fav.g, 255);
    SDL_Color sel = inkColor(rows[3].get());
    EXPECT_EQ(sel.r, 255) << "the selected row";
    EXPECT_EQ(sel.g, 0);

    generateRomTexts(font.get(), active, inactive, favActive, favInactive, 18, 20, items.data(), rows);
    SDL_Color favSel = inkColor(rows[3].get());
    EXPECT_EQ(favSel.b, 255) << "the selected favourite";
    EXPECT_EQ(favSel.r, 0);

    generateRomTexts(font.get(), active, inactive, favActive, favInactive, 2, 20, items.data(), rows);
    for (int i = 0; i < 8; i++)
        ASSERT_TRUE(rows[i]) << i;
    EXPECT_EQ(rows[0]->w, textWidth("game0"));
    EXPECT_EQ(rows[7]->w, textWidth("game7"));

    generateRomTexts(font.get(), active, inactive, favActive, favInactive, 0, 0, nullptr, rows);
    for (int i = 0; i < 8; i++)
        EXPECT_FALSE(rows[i]);
}

TEST_F(RenderFiles, TilesUseThePictureOrTheShortenedName)
{
    root.mkdirs("/mnt/mmc/CFW/skin/system");
    ASSERT_EQ(host_system("convert -size 33x21 xc:red '" + root.host("/mnt/mmc/CFW/skin/system/GBA.png") + "'"), 0);
    std::string a = "/mnt/mmc/Roms/GBA", b = "/mnt/SDCARD/Roms/Nintendo Entertainment", c = "/mnt/mmc/NES";
    char *folders[3] = {&a[0], &b[0], &c[0]};
    Surface tiles[tilesPerPage];
    const SDL_Color white = {255, 255, 255, 0};
    generateSystemTexts(font.get(), white, tiles, 3, folders);
    ASSERT_TRUE(tiles[0]);
    EXPECT_EQ(tiles[0]->w, 33);
    EXPECT_EQ(tiles[0]->h, 21);
    ASSERT_TRUE(tiles[1]);
    EXPECT_EQ(tiles[1]->w, textWidth("Nintend..."));
    ASSERT_TRUE(tiles[2]);
    EXPECT_EQ(tiles[2]->w, textWidth("NES"));
    for (int i = 3; i < 8; i++)
        EXPECT_FALSE(tiles[i]);
    generateSystemTexts(font.get(), white, tiles, 0, nullptr);
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
    keepAspectRatio = 0;
    Surface bg(getBackgroundOverride("/mnt/mmc/Roms/GBA/Game.gba", Games, nullptr, 0));
    ASSERT_TRUE(bg);
    EXPECT_EQ(bg->w, 640);
    EXPECT_EQ(bg->h, 480);
    keepAspectRatio = 1;
    bg.reset(getBackgroundOverride("/mnt/mmc/Roms/GBA/Game.gba", Games, nullptr, 0));
    ASSERT_TRUE(bg);
    EXPECT_EQ(bg->w, 640);
    EXPECT_EQ(bg->h, 240);
    keepAspectRatio = 0;
    EXPECT_EQ(getBackgroundOverride("/mnt/mmc/Roms/GBA/Other.gba", Games, nullptr, 0), nullptr);
    EXPECT_EQ(getBackgroundOverride(nullptr, Games, nullptr, 0), nullptr);
}

TEST_F(RenderFiles, RecentScreenshotIsEnlargedFourTimesThenScaled)
{
    root.write("/mnt/mmc/Roms/GBA/Game.gba", "rom");
    root.write("/mnt/mmc/CFW/config/coremapping.json", "{\n  \"GBA\": \"mgba_libretro.so\"\n}\n");
    root.mkdirs("/mnt/mmc/Saves/CurrentProfile/states/mGBA");
    ASSERT_EQ(host_system("convert -size 240x160 xc:green '" +
                          root.host("/mnt/mmc/Saves/CurrentProfile/states/mGBA/Game.state.auto.png") + "'"),
              0);
    keepAspectRatio = 1;
    Surface bg(getBackgroundOverride("/mnt/mmc/Roms/GBA/Game.gba", Recent, nullptr, 0));
    keepAspectRatio = 0;
    ASSERT_TRUE(bg);
    // 240x160 -> 960x640 -> the smaller factor 0.666..: 640x426 or so.
    EXPECT_EQ(bg->w, 640);
    EXPECT_NEAR(bg->h, 427, 1);
    char path[4097];
    EXPECT_EQ(getAutoStateScreenshotPath("/mnt/mmc/Roms/GBA/Game.gba", path), 1);
    EXPECT_STREQ(path, "/mnt/mmc/Saves/CurrentProfile/states/mGBA/Game.state.auto.png");
}

} // namespace
