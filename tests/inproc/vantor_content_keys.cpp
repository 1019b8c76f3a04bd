// The content keys in the real main loop: 'y' toggles a favourite in Games,
// Favorites and Recent, 'x' removes a Recent entry from its card's history,
// and the background of a row comes from its artwork or auto-state screenshot.

#include "vantor_loop_test.h"

#include "vantor/content.h"

using namespace vantor_loop;

namespace {

const char FAV[] = "/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl";
const char MMC_HISTORY[] = "/mnt/mmc/Saves/CurrentProfile/lists/content_history.lpl";
const char SD_HISTORY[] = "/mnt/SDCARD/Saves/CurrentProfile/lists/content_history.lpl";

const char TEMPLATE_HEAD[] =
    "{\n  \"version\": \"1.5\",\n  \"default_core_path\": \"\",\n  \"default_core_name\": \"\",\n"
    "  \"label_display_mode\": 0,\n  \"right_thumbnail_mode\": 0,\n  \"left_thumbnail_mode\": 0,\n"
    "  \"sort_mode\": 0,\n  \"items\": [\n";

class ContentKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        base_root(root);
        root.write("/mnt/mmc/CFW/config/coremapping.json",
                   "{\n  \"GBA\": \"mgba_libretro.so\",\n  \"FC\": \"fceumm_libretro.so\"\n}\n");
        remove_tree(root.host("/mnt/mmc/CFW/history.flag"));
    }
    // is_favorited as the menu sees it (its working directory is /mnt/mmc/CFW).
    int favorited(const std::string &path)
    {
        char old[4096];
        if (!getcwd(old, sizeof(old)))
            return -1;
        if (chdir(root.host("/mnt/mmc/CFW").c_str()) != 0)
            return -1;
        const int r = is_favorited(path.c_str());
        if (chdir(old) != 0)
            return -1;
        return r;
    }
    std::string game(const std::string &path)
    {
        root.write(path, "rom");
        return path;
    }
    void resume(const std::string &text) { root.write("/mnt/mmc/CFW/menu.flag", text); }
    // A small PNG drawn with ImageMagick.
    void picture(const std::string &device_file_path)
    {
        root.mkdirs(device_file_path.substr(0, device_file_path.rfind('/')));
        ASSERT_EQ(host_system("convert -size 160x120 xc:'#3366cc' 'PNG24:" + root.host(device_file_path) + "'"), 0);
    }
    TempRoot root;
};

} // namespace

TEST_F(ContentKeys, YInGamesAddsThenRemovesTheFavourite)
{
    game("/mnt/mmc/Roms/GBA/Alpha.gba");
    const std::string beta = game("/mnt/mmc/Roms/GBA/Beta \"Quoted\".gba");
    resume("games\n1\n/mnt/mmc/Roms/GBA");
    Snapshot s;
    int fav_after_add = -1;
    std::string file_after_add;
    const int rc = run_menu(root, {idle(), take(&s), keys({'y'}),
                                   [&](MenuModel &) {
                                       fav_after_add = favorited(beta);
                                       file_after_add = root.read(FAV);
                                   },
                                   keys({'y'}), idle()});
    EXPECT_EQ(rc, 0);
    ASSERT_EQ(s.state, STATE_GAMES);
    ASSERT_EQ(s.row, 1);
    EXPECT_EQ(fav_after_add, 1);
    EXPECT_EQ(file_after_add,
              std::string(TEMPLATE_HEAD) +
                  "    {\n      \"path\": \"/mnt/mmc/Roms/GBA/Beta \\\"Quoted\\\".gba\"\n    }\n  ]\n}\n");
    EXPECT_EQ(root.read(FAV), std::string(TEMPLATE_HEAD) + "  ]\n}\n");
    EXPECT_EQ(favorited(beta), 0);
}

TEST_F(ContentKeys, YOnAPrefixOfAFavouriteAddsIt)
{
    const std::string game1 = game("/mnt/mmc/Roms/GBA/Game");
    const std::string game2 = game("/mnt/mmc/Roms/GBA/Game2.gba");
    root.write(FAV, playlist({game2}));
    resume("games\n0\n/mnt/mmc/Roms/GBA");
    Snapshot s;
    run_menu(root, {idle(), take(&s), keys({'y'}), idle()});
    ASSERT_EQ(s.items, (std::vector<std::string>{game1, game2}));
    EXPECT_EQ(favorited(game1), 1);
    EXPECT_EQ(favorited(game2), 1); // the other game stays a favourite
}

TEST_F(ContentKeys, YInFavoritesRemovesAndReloads)
{
    const std::string a = game("/mnt/mmc/Roms/GBA/A.gba");
    const std::string b = game("/mnt/SDCARD/Roms/FC/B.nes");
    const std::string c = game("/mnt/mmc/Roms/GBA/C.gba");
    root.write(FAV, playlist({c, a, b}));
    resume("favorites\n2");
    Snapshot before, after;
    run_menu(root, {idle(), take(&before), keys({'y'}), take(&after)});
    ASSERT_EQ(before.state, STATE_FAVORITES);
    EXPECT_EQ(before.items, (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(before.row, 2);
    EXPECT_EQ(after.items, (std::vector<std::string>{a, b}));
    EXPECT_EQ(after.row, 1);
    EXPECT_EQ(after.max_row, 1);
    EXPECT_EQ(root.read(FAV), playlist({a, b}));
}

TEST_F(ContentKeys, XInRecentRemovesFromItsCardsHistory)
{
    const std::string a = game("/mnt/mmc/Roms/GBA/A.gba");
    const std::string b = game("/mnt/mmc/Roms/GBA/B.gba");
    const std::string c = game("/mnt/mmc/Roms/FC/C.nes");
    const std::string d = game("/mnt/SDCARD/Roms/GBA/D.gba");
    root.write(MMC_HISTORY, playlist({a, b, c}));
    root.write(SD_HISTORY, playlist({d}));
    resume("recent");
    Snapshot before, after, after_y;
    run_menu(root,
             {idle(), take(&before), keys({'s'}), keys({'s'}), keys({'x'}), take(&after), keys({'y'}), take(&after_y)});
    ASSERT_EQ(before.state, STATE_RECENT);
    EXPECT_EQ(before.items, (std::vector<std::string>{d, a, b, c})); // removable card first
    EXPECT_EQ(after.items, (std::vector<std::string>{d, a, c}));
    EXPECT_EQ(after.row, 1);
    EXPECT_EQ(root.read(MMC_HISTORY), playlist({a, c}));
    EXPECT_EQ(root.read(SD_HISTORY), playlist({d}));
    // 'y' in Recent makes the selected game a favourite; the history stays.
    EXPECT_EQ(after_y.items, after.items);
    EXPECT_EQ(favorited(a), 1);
    EXPECT_EQ(root.read(MMC_HISTORY), playlist({a, c}));
}

TEST_F(ContentKeys, RecentShowsTheScreenshotGamesTheArtwork)
{
    const std::string a = game("/mnt/mmc/Roms/GBA/A.gba");
    const std::string b = game("/mnt/mmc/Roms/GBA/B.gba");
    root.write(MMC_HISTORY, playlist({a, b}));
    picture("/mnt/mmc/Saves/CurrentProfile/states/mGBA/A.state.auto.png");
    resume("recent");
    Snapshot on_a, on_b;
    run_menu(root, {idle(), take(&on_a), keys({'s'}), take(&on_b)});
    ASSERT_EQ(on_a.state, STATE_RECENT);
    EXPECT_TRUE(on_a.has_override);  // the auto-state screenshot of A
    EXPECT_FALSE(on_b.has_override); // B has neither screenshot nor artwork

    picture("/mnt/mmc/Roms/GBA/Imgs/B.png");
    resume("games\n1\n/mnt/mmc/Roms/GBA");
    Snapshot games;
    run_menu(root, {idle(), idle(), take(&games)});
    ASSERT_EQ(games.state, STATE_GAMES);
    ASSERT_EQ(games.row, 1);
    EXPECT_TRUE(games.has_override);
}
