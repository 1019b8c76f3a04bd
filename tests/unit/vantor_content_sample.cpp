// The content readers on the generated sample device image: playlists laid
// out and escaped as RetroArch writes them, both cards, the MAME table.

#include "vantor_content_root.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <strings.h>

using Lines = std::vector<std::string>;

namespace {

bool has(const Lines &list, const std::string &s)
{
    return std::find(list.begin(), list.end(), s) != list.end();
}

int index_of(const Lines &list, const std::string &s)
{
    auto it = std::find(list.begin(), list.end(), s);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

const char FAV[] = "/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl";

} // namespace

class SampleImage : public ContentRoot {
protected:
    void SetUp() override
    {
        ContentRoot::SetUp();
        root.install_sample_image();
    }
};

TEST_F(SampleImage, ConsolesListBothCardsInByteOrder)
{
    ItemList items = nullptr;
    const int n = get_folders(&items);
    const Lines folders = take(n, &items);
    EXPECT_TRUE(std::is_sorted(folders.begin(), folders.end(), [](const std::string &a, const std::string &b) {
        return strcmp(a.c_str(), b.c_str()) < 0;
    }));
    // A system at the removable card's root and GBA on both cards, the
    // removable card's first.
    EXPECT_TRUE(has(folders, "/mnt/SDCARD/ATARI"));
    ASSERT_TRUE(has(folders, "/mnt/SDCARD/Roms/GBA"));
    ASSERT_TRUE(has(folders, "/mnt/mmc/Roms/GBA"));
    EXPECT_LT(index_of(folders, "/mnt/SDCARD/Roms/GBA"), index_of(folders, "/mnt/mmc/Roms/GBA"));
    // Junk-only, empty and unmapped folders are not systems.
    EXPECT_FALSE(has(folders, "/mnt/SDCARD/Roms/GG"));
    EXPECT_FALSE(has(folders, "/mnt/SDCARD/Roms/MD"));
    EXPECT_FALSE(has(folders, "/mnt/mmc/Roms/Manuals"));
    EXPECT_FALSE(has(folders, "/mnt/mmc/CFW"));
    for (const std::string &f : folders)
        EXPECT_EQ(has_files(f.c_str()), 1) << f;
}

TEST_F(SampleImage, HistoryReadsRetroArchEntries)
{
    ItemList items = nullptr;
    const int n = get_history(&items);
    const Lines history = take(n, &items);
    ASSERT_FALSE(history.empty());
    // history.flag names the internal card: its newest game comes first.
    EXPECT_EQ(history.front(), "/mnt/mmc/Roms/GBA/Golden Sky Legend (USA, Europe).gba");
    EXPECT_EQ(std::count(history.begin(), history.end(), history.front()), 1);
    // An escaped quote in a stored path is undone.
    EXPECT_TRUE(has(history, "/mnt/mmc/Roms/SFC/The \"Quoted\" Quest (Europe).sfc"));
    EXPECT_TRUE(has(history, "/mnt/mmc/Roms/SCUMMVM/monkey/monkey.scummvm"));
    EXPECT_TRUE(has(history, "/mnt/SDCARD/Roms/NEOGEO/mslug.zip"));
    // The film plays with ffmpeg and the deleted game is gone.
    EXPECT_FALSE(has(history, "/mnt/mmc/Roms/VIDEOS/Intro Movie.mp4"));
    EXPECT_FALSE(has(history, "/mnt/mmc/Roms/GBC/Deleted Long Ago (USA).gbc"));
    EXPECT_LT(index_of(history, "/mnt/mmc/Roms/FC/魔界村.nes"), index_of(history, "/mnt/SDCARD/Roms/NEOGEO/mslug.zip"));
}

TEST_F(SampleImage, FavoritesSortedAndUnescaped)
{
    ItemList items = nullptr;
    const int n = get_favorites(&items);
    const Lines favs = take(n, &items);
    EXPECT_TRUE(has(favs, "/mnt/mmc/Roms/FC/Slash\\Back Runner (USA).nes"));
    EXPECT_TRUE(has(favs, "/mnt/mmc/Roms/MD/Back`tick Bandit (Japan).md"));
    EXPECT_FALSE(has(favs, "/mnt/mmc/Roms/GBC/Deleted Long Ago (USA).gbc"));
    for (size_t i = 1; i < favs.size(); i++) {
        const char *a = strrchr(favs[i - 1].c_str(), '/') + 1;
        const char *b = strrchr(favs[i].c_str(), '/') + 1;
        EXPECT_LE(strcasecmp(a, b), 0) << a << " / " << b;
    }
    EXPECT_EQ(is_favorited("/mnt/mmc/Roms/FC/Slash\\Back Runner (USA).nes"), 1);
    EXPECT_EQ(is_favorited("/mnt/mmc/Roms/FC/Slash"), 0);
}

TEST_F(SampleImage, AddingAndRemovingAFavouriteRestoresTheFile)
{
    const std::string before = root.read(FAV);
    ASSERT_FALSE(before.empty());
    const char *game = "/mnt/mmc/Roms/GBA/Cash $$$ Rush (USA) \"Director's Cut\".gba";
    EXPECT_EQ(is_favorited(game), 0);
    add_to_favorites(game);
    EXPECT_EQ(is_favorited(game), 1);
    EXPECT_NE(root.read(FAV), before);
    remove_from_favorites(game);
    EXPECT_EQ(root.read(FAV), before);
}

TEST_F(SampleImage, CoresScreenshotsAndTitles)
{
    const char *c = get_preferred_core("/mnt/mmc/Roms/SCUMMVM/monkey/monkey.scummvm");
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c, "/mnt/mmc/CFW/retroarch/.retroarch/cores/scummvm_libretro.so");
    c = get_preferred_core("/mnt/mmc/Roms/OPENBOR/Final Brawl.pak");
    ASSERT_NE(c, nullptr);
    EXPECT_NE(strstr(c, "//mnt/mmc/CFW/apps/openbor/OpenBOR"), nullptr);

    char out[PATH_BUFFER_SIZE];
    ASSERT_EQ(find_auto_state_screenshot("/mnt/mmc/Roms/GBA/Golden Sky Legend (USA, Europe).gba", out), 1);
    EXPECT_STREQ(out, "/mnt/mmc/Saves/CurrentProfile/states/mGBA/Golden Sky Legend (USA, Europe).state.auto.png");

    load_mame_game_name_table();
    EXPECT_GE(mame_titles.count, 40000);
    ASSERT_NE(get_mame_game_name("sf2"), nullptr);
    EXPECT_STREQ(get_mame_game_name("sf2"), "Street Fighter II: The World Warrior (Capcom 1991)");
    destroy_mame_game_name_table();
}
