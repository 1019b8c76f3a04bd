// RetroArch playlists: reading, history order, favourites added and removed.

#include "vantor_content_root.h"

#include <string>
#include <vector>

#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

using Lines = std::vector<std::string>;

namespace {

const char FAV[] = "/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl";
const char MMC_HISTORY[] = "/mnt/mmc/Saves/CurrentProfile/lists/content_history.lpl";
const char SD_HISTORY[] = "/mnt/SDCARD/Saves/CurrentProfile/lists/content_history.lpl";

const char HEADER[] =
    "{\n"
    "  \"version\": \"1.5\",\n"
    "  \"default_core_path\": \"\",\n"
    "  \"default_core_name\": \"\",\n"
    "  \"label_display_mode\": 0,\n"
    "  \"right_thumbnail_mode\": 0,\n"
    "  \"left_thumbnail_mode\": 0,\n"
    "  \"sort_mode\": 0,\n"
    "  \"items\": [\n";
const char FOOTER[] = "  ]\n}\n";

// An entry as this program writes it; `last` has no comma.
std::string own_entry(const std::string &escaped_path, bool last)
{
    return "    {\n      \"path\": \"" + escaped_path + "\"\n    }" + (last ? "\n" : ",\n");
}

// An entry as RetroArch writes it, with its other fields.
std::string ra_entry(const std::string &escaped_path, const std::string &label, bool last)
{
    return "    {\n"
           "      \"path\": \"" +
           escaped_path +
           "\",\n"
           "      \"label\": \"" +
           label +
           "\",\n"
           "      \"core_path\": \"/mnt/mmc/CFW/retroarch/.retroarch/cores/mgba_libretro.so\",\n"
           "      \"core_name\": \"mGBA\",\n"
           "      \"crc32\": \"DETECT\",\n"
           "      \"db_name\": \"GBA.lpl\"\n"
           "    }" +
           (last ? "\n" : ",\n");
}

std::string playlist(const std::vector<std::string> &entries)
{
    std::string s = HEADER;
    for (const std::string &e : entries)
        s += e;
    return s + FOOTER;
}

} // namespace

class Playlists : public ContentRoot {
protected:
    void SetUp() override
    {
        ContentRoot::SetUp();
        root.write("/mnt/mmc/CFW/config/coremapping.json",
                   "{\n  \"GBA\": \"mgba_libretro.so\",\n  \"MOVIES\": \"ffmpeg_libretro.so\"\n}\n");
        root.mkdirs("/mnt/mmc/CFW/retroarch/.retroarch");
    }
    // Creates the game files a playlist names, so they are listed.
    void games(const std::vector<std::string> &paths)
    {
        for (const std::string &p : paths)
            root.write(p, "rom");
    }
    Lines favorites()
    {
        ItemList items = nullptr;
        const int n = get_favorites(&items);
        return take(n, &items);
    }
    Lines history()
    {
        ItemList items = nullptr;
        const int n = get_history(&items);
        return take(n, &items);
    }
    ino_t inode(const char *device_file_path)
    {
        struct stat st;
        EXPECT_EQ(stat(root.host(device_file_path).c_str(), &st), 0);
        return st.st_ino;
    }
};

// --- Reading ---------------------------------------------------------------------

TEST_F(Playlists, RetroArchEntriesWithManyFieldsAndEscapes)
{
    games({"/mnt/mmc/Roms/GBA/Café \"Deluxe\".gba", "/mnt/mmc/Roms/GBA/back\\slash.gba",
           "/mnt/mmc/Roms/GBA/smile 😀.gba", "/mnt/SDCARD/Roms/GBA/plain.gba"});
    root.write(MMC_HISTORY,
               playlist({ra_entry("\\/mnt\\/mmc\\/Roms\\/GBA\\/Caf\\u00e9 \\\"Deluxe\\\".gba", "Cafe {Deluxe}", false),
                         ra_entry("/mnt/mmc/Roms/GBA/back\\\\slash.gba", "Back", false),
                         ra_entry("/mnt/mmc/Roms/GBA/smile \\ud83d\\ude00.gba", "Smile", false),
                         ra_entry("/mnt/SDCARD/Roms/GBA/plain.gba", "Plain", true)}));
    ItemList items = nullptr;
    const int n = get_retroarch_playlist_items(MMC_HISTORY, &items, 0, 0);
    EXPECT_EQ(take(n, &items), (Lines{"/mnt/mmc/Roms/GBA/Café \"Deluxe\".gba", "/mnt/mmc/Roms/GBA/back\\slash.gba",
                                      "/mnt/mmc/Roms/GBA/smile 😀.gba", "/mnt/SDCARD/Roms/GBA/plain.gba"}));
}

TEST_F(Playlists, MalformedEscapesStayAsWritten)
{
    games({"/mnt/mmc/Roms/GBA/a\\qb.gba", "/mnt/mmc/Roms/GBA/u\\u12.gba", "/mnt/mmc/Roms/GBA/lone\\udc00.gba"});
    root.write(MMC_HISTORY, playlist({own_entry("/mnt/mmc/Roms/GBA/a\\qb.gba", false),
                                      own_entry("/mnt/mmc/Roms/GBA/u\\u12.gba", false),
                                      own_entry("/mnt/mmc/Roms/GBA/lone\\udc00.gba", false),
                                      own_entry("/mnt/mmc/Roms/GBA/nul\\u0000.gba", true)}));
    ItemList items = nullptr;
    const int n = get_retroarch_playlist_items(MMC_HISTORY, &items, 0, 0);
    EXPECT_EQ(take(n, &items), (Lines{"/mnt/mmc/Roms/GBA/a\\qb.gba", "/mnt/mmc/Roms/GBA/u\\u12.gba",
                                      "/mnt/mmc/Roms/GBA/lone\\udc00.gba"}));
}

TEST_F(Playlists, MissingFilesVanishAndFavoritesSortByFileName)
{
    games({"/mnt/mmc/Roms/GBA/zelda.gba", "/mnt/mmc/Roms/SFC/mario.smc", "/mnt/SDCARD/Roms/SFC/Mario.smc",
           "/mnt/mmc/Roms/FC/Bomber.nes", "/mnt/SDCARD/Roms/GBA/apple.gba"});
    root.write(
        FAV,
        playlist({own_entry("/mnt/mmc/Roms/GBA/zelda.gba", false), own_entry("/mnt/mmc/Roms/GBA/gone.gba", false),
                  own_entry("/mnt/mmc/Roms/SFC/mario.smc", false), own_entry("/mnt/SDCARD/Roms/SFC/Mario.smc", false),
                  own_entry("/mnt/mmc/Roms/GBA/zelda.gba", false), own_entry("/mnt/mmc/Roms/FC/Bomber.nes", false),
                  own_entry("/mnt/SDCARD/Roms/GBA/apple.gba", true)}));
    // Case-insensitive by file name (apple before Bomber); mario.smc and
    // Mario.smc compare equal and keep their file order; the repeated zelda
    // is listed once; gone.gba is not there.
    EXPECT_EQ(favorites(),
              (Lines{"/mnt/SDCARD/Roms/GBA/apple.gba", "/mnt/mmc/Roms/FC/Bomber.nes", "/mnt/mmc/Roms/SFC/mario.smc",
                     "/mnt/SDCARD/Roms/SFC/Mario.smc", "/mnt/mmc/Roms/GBA/zelda.gba"}));
    ItemList items = nullptr;
    const int n = get_retroarch_playlist_items(FAV, &items, 0, 0);
    EXPECT_EQ(n, 6); // without de-duplication the repeat stays
    destroy_items(n, &items);
}

TEST_F(Playlists, MissingPlaylistIsEmpty)
{
    EXPECT_TRUE(favorites().empty());
    EXPECT_TRUE(history().empty());
    EXPECT_EQ(is_favorited("/mnt/mmc/Roms/GBA/a.gba"), 0);
}

TEST_F(Playlists, OverlongLinesAreReadWhole)
{
    const std::string deep = "/mnt/mmc/Roms/GBA/" + std::string(200, 'd') + "/" + std::string(200, 'e') + ".gba";
    games({deep});
    const std::string huge_label(30000, 'L');
    root.write(MMC_HISTORY, playlist({ra_entry(deep, huge_label, true)}));
    ItemList items = nullptr;
    const int n = get_retroarch_playlist_items(MMC_HISTORY, &items, 0, 1);
    EXPECT_EQ(take(n, &items), (Lines{deep}));
}

// --- History -----------------------------------------------------------------------

TEST_F(Playlists, HistoryOrderDedupeAndFfmpegFilter)
{
    games({"/mnt/mmc/Roms/GBA/a.gba", "/mnt/mmc/Roms/GBA/b.gba", "/mnt/SDCARD/Roms/GBA/c.gba",
           "/mnt/SDCARD/Roms/MOVIES/film.mp4"});
    root.write(MMC_HISTORY, playlist({ra_entry("/mnt/mmc/Roms/GBA/b.gba", "b", false),
                                      ra_entry("/mnt/mmc/Roms/GBA/a.gba", "a", false),
                                      ra_entry("/mnt/mmc/Roms/GBA/b.gba", "b", true)}));
    root.write(SD_HISTORY, playlist({ra_entry("/mnt/SDCARD/Roms/GBA/c.gba", "c", false),
                                     ra_entry("/mnt/SDCARD/Roms/MOVIES/film.mp4", "film", false),
                                     ra_entry("/mnt/mmc/Roms/GBA/a.gba", "a", true)}));
    // Removable card first; each file de-duplicated on its own, so a.gba is
    // listed once from each; the film plays with an ffmpeg core: not listed.
    EXPECT_EQ(history(), (Lines{"/mnt/SDCARD/Roms/GBA/c.gba", "/mnt/mmc/Roms/GBA/a.gba", "/mnt/mmc/Roms/GBA/b.gba",
                                "/mnt/mmc/Roms/GBA/a.gba"}));

    root.write("/mnt/mmc/CFW/history.flag", "/mnt/mmc/Roms/GBA/b.gba\n");
    EXPECT_EQ(history(), (Lines{"/mnt/mmc/Roms/GBA/b.gba", "/mnt/mmc/Roms/GBA/a.gba", "/mnt/SDCARD/Roms/GBA/c.gba",
                                "/mnt/mmc/Roms/GBA/a.gba"}));
    root.write("/mnt/mmc/CFW/history.flag", "/mnt/SDCARD/Roms/GBA/c.gba\n/mnt/mmc/x\n");
    EXPECT_EQ(history().front(), "/mnt/SDCARD/Roms/GBA/c.gba");
}

TEST_F(Playlists, RemoveFromRecentUsesTheItemsCard)
{
    games({"/mnt/mmc/Roms/GBA/a.gba", "/mnt/SDCARD/Roms/GBA/c.gba"});
    const std::string mmc =
        playlist({ra_entry("/mnt/mmc/Roms/GBA/a.gba", "a", false), ra_entry("/mnt/SDCARD/Roms/GBA/c.gba", "c", true)});
    const std::string sd =
        playlist({ra_entry("/mnt/SDCARD/Roms/GBA/c.gba", "c", false), ra_entry("/mnt/mmc/Roms/GBA/a.gba", "a", true)});
    root.write(MMC_HISTORY, mmc);
    root.write(SD_HISTORY, sd);
    remove_from_recent("/mnt/SDCARD/Roms/GBA/c.gba");
    EXPECT_EQ(root.read(MMC_HISTORY), mmc);
    EXPECT_EQ(root.read(SD_HISTORY), playlist({ra_entry("/mnt/mmc/Roms/GBA/a.gba", "a", true)}));
    remove_from_recent("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(MMC_HISTORY), playlist({ra_entry("/mnt/SDCARD/Roms/GBA/c.gba", "c", true)}));
    EXPECT_EQ(history(), (Lines{"/mnt/mmc/Roms/GBA/a.gba", "/mnt/SDCARD/Roms/GBA/c.gba"}));
}

// --- Adding favourites ----------------------------------------------------------------

TEST_F(Playlists, FirstFavouriteCreatesTheTemplate)
{
    add_to_favorites("/mnt/mmc/Roms/GBA/Zelda.gba");
    EXPECT_EQ(root.read(FAV), playlist({own_entry("/mnt/mmc/Roms/GBA/Zelda.gba", true)}));
    // An empty or blank file counts as missing.
    root.write(FAV, "\n  \n");
    add_to_favorites("/mnt/mmc/Roms/GBA/Zelda.gba");
    EXPECT_EQ(root.read(FAV), playlist({own_entry("/mnt/mmc/Roms/GBA/Zelda.gba", true)}));
}

TEST_F(Playlists, NewFavouriteComesFirst)
{
    games({"/mnt/mmc/Roms/GBA/a.gba", "/mnt/mmc/Roms/GBA/b.gba"});
    root.write(FAV, playlist({ra_entry("/mnt/mmc/Roms/GBA/a.gba", "a", true)}));
    add_to_favorites("/mnt/mmc/Roms/GBA/b.gba");
    EXPECT_EQ(root.read(FAV),
              playlist({own_entry("/mnt/mmc/Roms/GBA/b.gba", false), ra_entry("/mnt/mmc/Roms/GBA/a.gba", "a", true)}));
    EXPECT_EQ(is_favorited("/mnt/mmc/Roms/GBA/b.gba"), 1);
    EXPECT_EQ(is_favorited("/mnt/mmc/Roms/GBA/a.gba"), 1);
}

TEST_F(Playlists, PathsAreEscapedAndReadBack)
{
    const std::string odd = "/mnt/mmc/Roms/GBA/Say \"Hi\" \\ back\x01\ttab 日本.gba";
    games({odd});
    add_to_favorites(odd.c_str());
    EXPECT_EQ(root.read(FAV),
              playlist({own_entry("/mnt/mmc/Roms/GBA/Say \\\"Hi\\\" \\\\ back\\u0001\\u0009tab 日本.gba", true)}));
    EXPECT_EQ(favorites(), (Lines{odd}));
    EXPECT_EQ(is_favorited(odd.c_str()), 1);
    remove_from_favorites(odd.c_str());
    EXPECT_EQ(root.read(FAV), playlist({}));
    EXPECT_EQ(is_favorited(odd.c_str()), 0);
}

TEST_F(Playlists, EmptyItemsOnOneLineIsOpened)
{
    root.write(FAV, "{\n  \"version\": \"1.5\",\n  \"items\": []\n}\n");
    add_to_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(FAV),
              "{\n  \"version\": \"1.5\",\n  \"items\": [\n" + own_entry("/mnt/mmc/Roms/GBA/a.gba", true) + "  ]\n}\n");
    games({"/mnt/mmc/Roms/GBA/a.gba"});
    EXPECT_EQ(favorites(), (Lines{"/mnt/mmc/Roms/GBA/a.gba"}));
}

TEST_F(Playlists, CompactLayoutIsEditedAndNonJsonIsLeftAlone)
{
    // Any valid JSON layout takes the edit; only the entry's bytes change.
    const std::string compact = "{\"version\":\"1.5\",\"items\":[{\"path\":\"/x.gba\"}]}\n";
    root.write(FAV, compact);
    add_to_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(FAV),
              "{\"version\":\"1.5\",\"items\":[{\"path\": \"/mnt/mmc/Roms/GBA/a.gba\"}, {\"path\":\"/x.gba\"}]}\n");
    remove_from_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(FAV), compact);
    // A file that is not JSON is never rewritten.
    const std::string not_a_playlist = "garbage\nmore garbage\n";
    root.write(FAV, not_a_playlist);
    add_to_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(FAV), not_a_playlist);
    remove_from_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(FAV), not_a_playlist);
}

// --- Removing entries ---------------------------------------------------------------------

TEST_F(Playlists, RemovingTheOnlyEntryLeavesAnEmptyList)
{
    root.write(FAV, playlist({own_entry("/mnt/mmc/Roms/GBA/a.gba", true)}));
    remove_from_favorites("/mnt/mmc/Roms/GBA/a.gba");
    const std::string text = root.read(FAV);
    EXPECT_NE(text.find("  \"items\": [\n  ]\n}\n"), std::string::npos);
    EXPECT_EQ(text, playlist({}));
}

TEST_F(Playlists, RemovingTheLastOfThreeDropsTheComma)
{
    root.write(
        FAV, playlist({ra_entry("/mnt/mmc/Roms/GBA/a.gba", "a", false), ra_entry("/mnt/mmc/Roms/GBA/b.gba", "b", false),
                       ra_entry("/mnt/mmc/Roms/GBA/c.gba", "c", true)}));
    remove_from_favorites("/mnt/mmc/Roms/GBA/c.gba");
    EXPECT_EQ(root.read(FAV), playlist({ra_entry("/mnt/mmc/Roms/GBA/a.gba", "a", false),
                                        ra_entry("/mnt/mmc/Roms/GBA/b.gba", "b", true)}));
}

TEST_F(Playlists, RemovingFirstOrMiddleKeepsTheRest)
{
    root.write(FAV, playlist({ra_entry("/mnt/mmc/Roms/GBA/a.gba", "a {1}", false),
                              ra_entry("/mnt/mmc/Roms/GBA/{b}.gba", "b {2}", false),
                              ra_entry("/mnt/mmc/Roms/GBA/c.gba", "c }3{", true)}));
    remove_from_favorites("/mnt/mmc/Roms/GBA/{b}.gba");
    EXPECT_EQ(root.read(FAV), playlist({ra_entry("/mnt/mmc/Roms/GBA/a.gba", "a {1}", false),
                                        ra_entry("/mnt/mmc/Roms/GBA/c.gba", "c }3{", true)}));
    remove_from_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(FAV), playlist({ra_entry("/mnt/mmc/Roms/GBA/c.gba", "c }3{", true)}));
}

TEST_F(Playlists, OnlyTheFirstOfRepeatedEntriesGoes)
{
    root.write(FAV, playlist({own_entry("/mnt/mmc/Roms/GBA/a.gba", false), own_entry("/mnt/mmc/Roms/GBA/b.gba", false),
                              own_entry("/mnt/mmc/Roms/GBA/a.gba", true)}));
    remove_from_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(FAV),
              playlist({own_entry("/mnt/mmc/Roms/GBA/b.gba", false), own_entry("/mnt/mmc/Roms/GBA/a.gba", true)}));
    EXPECT_EQ(is_favorited("/mnt/mmc/Roms/GBA/a.gba"), 1);
}

TEST_F(Playlists, APrefixOfAFavouriteIsNotAFavourite)
{
    const std::string before = playlist({own_entry("/mnt/mmc/Roms/GBA/Game2.gba", true)});
    root.write(FAV, before);
    EXPECT_EQ(is_favorited("/mnt/mmc/Roms/GBA/Game"), 0);
    EXPECT_EQ(is_favorited("/mnt/mmc/Roms/GBA/Game2.gba"), 1);
    EXPECT_EQ(is_favorited("Game2.gba"), 0);
    remove_from_favorites("/mnt/mmc/Roms/GBA/Game");
    EXPECT_EQ(root.read(FAV), before);
    // Toggling the other game adds it instead of removing Game2.gba.
    add_to_favorites("/mnt/mmc/Roms/GBA/Game");
    EXPECT_EQ(root.read(FAV),
              playlist({own_entry("/mnt/mmc/Roms/GBA/Game", false), own_entry("/mnt/mmc/Roms/GBA/Game2.gba", true)}));
}

TEST_F(Playlists, RemovingFromAMissingPlaylistCreatesNothing)
{
    remove_from_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_FALSE(root.exists(FAV));
    remove_from_recent("/mnt/SDCARD/Roms/GBA/a.gba");
    EXPECT_FALSE(root.exists(SD_HISTORY));
    EXPECT_EQ(remove_from_retroarch_playlist(MMC_HISTORY, "/mnt/mmc/Roms/GBA/a.gba"), 0);
    EXPECT_FALSE(root.exists(MMC_HISTORY));
}

TEST_F(Playlists, LongLinesSurviveARewrite)
{
    const std::string huge_label(30000, 'L');
    root.write(FAV, playlist({ra_entry("/mnt/mmc/Roms/GBA/a.gba", huge_label, false),
                              ra_entry("/mnt/mmc/Roms/GBA/b.gba", "b", true)}));
    remove_from_favorites("/mnt/mmc/Roms/GBA/b.gba");
    EXPECT_EQ(root.read(FAV), playlist({ra_entry("/mnt/mmc/Roms/GBA/a.gba", huge_label, true)}));
    add_to_favorites("/mnt/mmc/Roms/GBA/b.gba");
    EXPECT_EQ(root.read(FAV), playlist({own_entry("/mnt/mmc/Roms/GBA/b.gba", false),
                                        ra_entry("/mnt/mmc/Roms/GBA/a.gba", huge_label, true)}));
}

TEST_F(Playlists, RewritesReplaceTheFileWhole)
{
    root.write(FAV, playlist({own_entry("/mnt/mmc/Roms/GBA/a.gba", true)}));
    const ino_t first = inode(FAV);
    add_to_favorites("/mnt/mmc/Roms/GBA/b.gba");
    const ino_t second = inode(FAV);
    EXPECT_NE(first, second); // a new file renamed into place, never truncated in place
    remove_from_favorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_NE(inode(FAV), second);
    EXPECT_EQ(root.read(FAV), playlist({own_entry("/mnt/mmc/Roms/GBA/b.gba", true)}));
    // No temporary file is left beside it.
    DIR *d = opendir(root.host("/mnt/mmc/CFW/retroarch/.retroarch").c_str());
    ASSERT_NE(d, nullptr);
    int entries = 0;
    while (struct dirent *e = readdir(d))
        if (e->d_name[0] != '.' || (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0))
            entries++;
    closedir(d);
    EXPECT_EQ(entries, 1);
}

TEST_F(Playlists, AddThenRemoveEverythingRoundTrips)
{
    const Lines paths = {"/mnt/mmc/Roms/GBA/a.gba", "/mnt/SDCARD/Roms/FC/b.nes", "/mnt/mmc/Roms/GBA/c.gba"};
    games(paths);
    for (const std::string &p : paths)
        add_to_favorites(p.c_str());
    EXPECT_EQ(favorites(), paths);
    remove_from_favorites("/mnt/SDCARD/Roms/FC/b.nes");
    EXPECT_EQ(favorites(), (Lines{"/mnt/mmc/Roms/GBA/a.gba", "/mnt/mmc/Roms/GBA/c.gba"}));
    remove_from_favorites("/mnt/mmc/Roms/GBA/a.gba");
    remove_from_favorites("/mnt/mmc/Roms/GBA/c.gba");
    EXPECT_EQ(root.read(FAV), playlist({}));
    EXPECT_TRUE(favorites().empty());
}
