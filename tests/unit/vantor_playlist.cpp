// RetroArch playlists: reading, history order, favourites added and removed.

#include "vantor_content_root.h"

#include <string>
#include <vector>

#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

using Lines = std::vector<std::string>;

namespace {

const char kFav[] = "/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl";
const char kMmcHistory[] = "/mnt/mmc/Saves/CurrentProfile/lists/content_history.lpl";
const char kSdHistory[] = "/mnt/SDCARD/Saves/CurrentProfile/lists/content_history.lpl";

const char kHeader[] =
    "{\n"
    "  \"version\": \"1.5\",\n"
    "  \"default_core_path\": \"\",\n"
    "  \"default_core_name\": \"\",\n"
    "  \"label_display_mode\": 0,\n"
    "  \"right_thumbnail_mode\": 0,\n"
    "  \"left_thumbnail_mode\": 0,\n"
    "  \"sort_mode\": 0,\n"
    "  \"items\": [\n";
const char kFooter[] = "  ]\n}\n";

// An entry as this program writes it; `last` has no comma.
std::string ownEntry(const std::string &escapedPath, bool last)
{
    return "    {\n      \"path\": \"" + escapedPath + "\"\n    }" + (last ? "\n" : ",\n");
}

// An entry as RetroArch writes it, with its other fields.
std::string raEntry(const std::string &escapedPath, const std::string &label, bool last)
{
    return "    {\n"
           "      \"path\": \"" +
           escapedPath +
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
    std::string s = kHeader;
    for (const std::string &e : entries)
        s += e;
    return s + kFooter;
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
        const int n = getFavorites(&items);
        return take(n, &items);
    }
    Lines history()
    {
        ItemList items = nullptr;
        const int n = getHistory(&items);
        return take(n, &items);
    }
    ino_t inode(const char *devicePath)
    {
        struct stat st;
        EXPECT_EQ(stat(root.host(devicePath).c_str(), &st), 0);
        return st.st_ino;
    }
};

// --- Reading ---------------------------------------------------------------------

TEST_F(Playlists, RetroArchEntriesWithManyFieldsAndEscapes)
{
    games({"/mnt/mmc/Roms/GBA/Café \"Deluxe\".gba", "/mnt/mmc/Roms/GBA/back\\slash.gba",
           "/mnt/mmc/Roms/GBA/smile 😀.gba", "/mnt/SDCARD/Roms/GBA/plain.gba"});
    root.write(kMmcHistory,
               playlist({raEntry("\\/mnt\\/mmc\\/Roms\\/GBA\\/Caf\\u00e9 \\\"Deluxe\\\".gba", "Cafe {Deluxe}", false),
                         raEntry("/mnt/mmc/Roms/GBA/back\\\\slash.gba", "Back", false),
                         raEntry("/mnt/mmc/Roms/GBA/smile \\ud83d\\ude00.gba", "Smile", false),
                         raEntry("/mnt/SDCARD/Roms/GBA/plain.gba", "Plain", true)}));
    ItemList items = nullptr;
    const int n = getRetroArchPlayListItems(kMmcHistory, &items, 0, 0);
    EXPECT_EQ(take(n, &items), (Lines{"/mnt/mmc/Roms/GBA/Café \"Deluxe\".gba", "/mnt/mmc/Roms/GBA/back\\slash.gba",
                                      "/mnt/mmc/Roms/GBA/smile 😀.gba", "/mnt/SDCARD/Roms/GBA/plain.gba"}));
}

TEST_F(Playlists, MalformedEscapesStayAsWritten)
{
    games({"/mnt/mmc/Roms/GBA/a\\qb.gba", "/mnt/mmc/Roms/GBA/u\\u12.gba", "/mnt/mmc/Roms/GBA/lone\\udc00.gba"});
    root.write(kMmcHistory, playlist({ownEntry("/mnt/mmc/Roms/GBA/a\\qb.gba", false),
                                      ownEntry("/mnt/mmc/Roms/GBA/u\\u12.gba", false),
                                      ownEntry("/mnt/mmc/Roms/GBA/lone\\udc00.gba", false),
                                      ownEntry("/mnt/mmc/Roms/GBA/nul\\u0000.gba", true)}));
    ItemList items = nullptr;
    const int n = getRetroArchPlayListItems(kMmcHistory, &items, 0, 0);
    EXPECT_EQ(take(n, &items), (Lines{"/mnt/mmc/Roms/GBA/a\\qb.gba", "/mnt/mmc/Roms/GBA/u\\u12.gba",
                                      "/mnt/mmc/Roms/GBA/lone\\udc00.gba"}));
}

TEST_F(Playlists, MissingFilesVanishAndFavoritesSortByFileName)
{
    games({"/mnt/mmc/Roms/GBA/zelda.gba", "/mnt/mmc/Roms/SFC/mario.smc", "/mnt/SDCARD/Roms/SFC/Mario.smc",
           "/mnt/mmc/Roms/FC/Bomber.nes", "/mnt/SDCARD/Roms/GBA/apple.gba"});
    root.write(
        kFav,
        playlist({ownEntry("/mnt/mmc/Roms/GBA/zelda.gba", false), ownEntry("/mnt/mmc/Roms/GBA/gone.gba", false),
                  ownEntry("/mnt/mmc/Roms/SFC/mario.smc", false), ownEntry("/mnt/SDCARD/Roms/SFC/Mario.smc", false),
                  ownEntry("/mnt/mmc/Roms/GBA/zelda.gba", false), ownEntry("/mnt/mmc/Roms/FC/Bomber.nes", false),
                  ownEntry("/mnt/SDCARD/Roms/GBA/apple.gba", true)}));
    // Case-insensitive by file name (apple before Bomber); mario.smc and
    // Mario.smc compare equal and keep their file order; the repeated zelda
    // is listed once; gone.gba is not there.
    EXPECT_EQ(favorites(),
              (Lines{"/mnt/SDCARD/Roms/GBA/apple.gba", "/mnt/mmc/Roms/FC/Bomber.nes", "/mnt/mmc/Roms/SFC/mario.smc",
                     "/mnt/SDCARD/Roms/SFC/Mario.smc", "/mnt/mmc/Roms/GBA/zelda.gba"}));
    ItemList items = nullptr;
    const int n = getRetroArchPlayListItems(kFav, &items, 0, 0);
    EXPECT_EQ(n, 6); // without de-duplication the repeat stays
    destroyItems(n, &items);
}

TEST_F(Playlists, MissingPlaylistIsEmpty)
{
    EXPECT_TRUE(favorites().empty());
    EXPECT_TRUE(history().empty());
    EXPECT_EQ(isFavorited("/mnt/mmc/Roms/GBA/a.gba"), 0);
}

TEST_F(Playlists, OverlongLinesAreReadWhole)
{
    const std::string deep = "/mnt/mmc/Roms/GBA/" + std::string(200, 'd') + "/" + std::string(200, 'e') + ".gba";
    games({deep});
    const std::string hugeLabel(30000, 'L');
    root.write(kMmcHistory, playlist({raEntry(deep, hugeLabel, true)}));
    ItemList items = nullptr;
    const int n = getRetroArchPlayListItems(kMmcHistory, &items, 0, 1);
    EXPECT_EQ(take(n, &items), (Lines{deep}));
}

// --- History -----------------------------------------------------------------------

TEST_F(Playlists, HistoryOrderDedupeAndFfmpegFilter)
{
    games({"/mnt/mmc/Roms/GBA/a.gba", "/mnt/mmc/Roms/GBA/b.gba", "/mnt/SDCARD/Roms/GBA/c.gba",
           "/mnt/SDCARD/Roms/MOVIES/film.mp4"});
    root.write(kMmcHistory,
               playlist({raEntry("/mnt/mmc/Roms/GBA/b.gba", "b", false), raEntry("/mnt/mmc/Roms/GBA/a.gba", "a", false),
                         raEntry("/mnt/mmc/Roms/GBA/b.gba", "b", true)}));
    root.write(kSdHistory, playlist({raEntry("/mnt/SDCARD/Roms/GBA/c.gba", "c", false),
                                     raEntry("/mnt/SDCARD/Roms/MOVIES/film.mp4", "film", false),
                                     raEntry("/mnt/mmc/Roms/GBA/a.gba", "a", true)}));
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
        playlist({raEntry("/mnt/mmc/Roms/GBA/a.gba", "a", false), raEntry("/mnt/SDCARD/Roms/GBA/c.gba", "c", true)});
    const std::string sd =
        playlist({raEntry("/mnt/SDCARD/Roms/GBA/c.gba", "c", false), raEntry("/mnt/mmc/Roms/GBA/a.gba", "a", true)});
    root.write(kMmcHistory, mmc);
    root.write(kSdHistory, sd);
    removeFromRecent("/mnt/SDCARD/Roms/GBA/c.gba");
    EXPECT_EQ(root.read(kMmcHistory), mmc);
    EXPECT_EQ(root.read(kSdHistory), playlist({raEntry("/mnt/mmc/Roms/GBA/a.gba", "a", true)}));
    removeFromRecent("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(kMmcHistory), playlist({raEntry("/mnt/SDCARD/Roms/GBA/c.gba", "c", true)}));
    EXPECT_EQ(history(), (Lines{"/mnt/mmc/Roms/GBA/a.gba", "/mnt/SDCARD/Roms/GBA/c.gba"}));
}

// --- Adding favourites ----------------------------------------------------------------

TEST_F(Playlists, FirstFavouriteCreatesTheTemplate)
{
    addToFavorites("/mnt/mmc/Roms/GBA/Zelda.gba");
    EXPECT_EQ(root.read(kFav), playlist({ownEntry("/mnt/mmc/Roms/GBA/Zelda.gba", true)}));
    // An empty or blank file counts as missing.
    root.write(kFav, "\n  \n");
    addToFavorites("/mnt/mmc/Roms/GBA/Zelda.gba");
    EXPECT_EQ(root.read(kFav), playlist({ownEntry("/mnt/mmc/Roms/GBA/Zelda.gba", true)}));
}

TEST_F(Playlists, NewFavouriteComesFirst)
{
    games({"/mnt/mmc/Roms/GBA/a.gba", "/mnt/mmc/Roms/GBA/b.gba"});
    root.write(kFav, playlist({raEntry("/mnt/mmc/Roms/GBA/a.gba", "a", true)}));
    addToFavorites("/mnt/mmc/Roms/GBA/b.gba");
    EXPECT_EQ(root.read(kFav),
              playlist({ownEntry("/mnt/mmc/Roms/GBA/b.gba", false), raEntry("/mnt/mmc/Roms/GBA/a.gba", "a", true)}));
    EXPECT_EQ(isFavorited("/mnt/mmc/Roms/GBA/b.gba"), 1);
    EXPECT_EQ(isFavorited("/mnt/mmc/Roms/GBA/a.gba"), 1);
}

TEST_F(Playlists, PathsAreEscapedAndReadBack)
{
    const std::string odd = "/mnt/mmc/Roms/GBA/Say \"Hi\" \\ back\x01\ttab 日本.gba";
    games({odd});
    addToFavorites(odd.c_str());
    EXPECT_EQ(root.read(kFav),
              playlist({ownEntry("/mnt/mmc/Roms/GBA/Say \\\"Hi\\\" \\\\ back\\u0001\\u0009tab 日本.gba", true)}));
    EXPECT_EQ(favorites(), (Lines{odd}));
    EXPECT_EQ(isFavorited(odd.c_str()), 1);
    removeFromFavorites(odd.c_str());
    EXPECT_EQ(root.read(kFav), playlist({}));
    EXPECT_EQ(isFavorited(odd.c_str()), 0);
}

TEST_F(Playlists, EmptyItemsOnOneLineIsOpened)
{
    root.write(kFav, "{\n  \"version\": \"1.5\",\n  \"items\": []\n}\n");
    addToFavorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(kFav),
              "{\n  \"version\": \"1.5\",\n  \"items\": [\n" + ownEntry("/mnt/mmc/Roms/GBA/a.gba", true) + "  ]\n}\n");
    games({"/mnt/mmc/Roms/GBA/a.gba"});
    EXPECT_EQ(favorites(), (Lines{"/mnt/mmc/Roms/GBA/a.gba"}));
}

TEST_F(Playlists, CompactLayoutIsEditedAndNonJsonIsLeftAlone)
{
    // Any valid JSON layout takes the edit; only the entry's bytes change.
    const std::string compact = "{\"version\":\"1.5\",\"items\":[{\"path\":\"/x.gba\"}]}\n";
    root.write(kFav, compact);
    addToFavorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(kFav),
              "{\"version\":\"1.5\",\"items\":[{\"path\": \"/mnt/mmc/Roms/GBA/a.gba\"}, {\"path\":\"/x.gba\"}]}\n");
    removeFromFavorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(kFav), compact);
    // A file that is not JSON is never rewritten.
    const std::string notAPlaylist = "garbage\nmore garbage\n";
    root.write(kFav, notAPlaylist);
    addToFavorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(kFav), notAPlaylist);
    removeFromFavorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(kFav), notAPlaylist);
}

// --- Removing entries ---------------------------------------------------------------------

TEST_F(Playlists, RemovingTheOnlyEntryLeavesAnEmptyList)
{
    root.write(kFav, playlist({ownEntry("/mnt/mmc/Roms/GBA/a.gba", true)}));
    removeFromFavorites("/mnt/mmc/Roms/GBA/a.gba");
    const std::string text = root.read(kFav);
    EXPECT_NE(text.find("  \"items\": [\n  ]\n}\n"), std::string::npos);
    EXPECT_EQ(text, playlist({}));
}

TEST_F(Playlists, RemovingTheLastOfThreeDropsTheComma)
{
    root.write(kFav,
               playlist({raEntry("/mnt/mmc/Roms/GBA/a.gba", "a", false), raEntry("/mnt/mmc/Roms/GBA/b.gba", "b", false),
                         raEntry("/mnt/mmc/Roms/GBA/c.gba", "c", true)}));
    removeFromFavorites("/mnt/mmc/Roms/GBA/c.gba");
    EXPECT_EQ(root.read(kFav), playlist({raEntry("/mnt/mmc/Roms/GBA/a.gba", "a", false),
                                         raEntry("/mnt/mmc/Roms/GBA/b.gba", "b", true)}));
}

TEST_F(Playlists, RemovingFirstOrMiddleKeepsTheRest)
{
    root.write(kFav, playlist({raEntry("/mnt/mmc/Roms/GBA/a.gba", "a {1}", false),
                               raEntry("/mnt/mmc/Roms/GBA/{b}.gba", "b {2}", false),
                               raEntry("/mnt/mmc/Roms/GBA/c.gba", "c }3{", true)}));
    removeFromFavorites("/mnt/mmc/Roms/GBA/{b}.gba");
    EXPECT_EQ(root.read(kFav), playlist({raEntry("/mnt/mmc/Roms/GBA/a.gba", "a {1}", false),
                                         raEntry("/mnt/mmc/Roms/GBA/c.gba", "c }3{", true)}));
    removeFromFavorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(kFav), playlist({raEntry("/mnt/mmc/Roms/GBA/c.gba", "c }3{", true)}));
}

TEST_F(Playlists, OnlyTheFirstOfRepeatedEntriesGoes)
{
    root.write(kFav, playlist({ownEntry("/mnt/mmc/Roms/GBA/a.gba", false), ownEntry("/mnt/mmc/Roms/GBA/b.gba", false),
                               ownEntry("/mnt/mmc/Roms/GBA/a.gba", true)}));
    removeFromFavorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_EQ(root.read(kFav),
              playlist({ownEntry("/mnt/mmc/Roms/GBA/b.gba", false), ownEntry("/mnt/mmc/Roms/GBA/a.gba", true)}));
    EXPECT_EQ(isFavorited("/mnt/mmc/Roms/GBA/a.gba"), 1);
}

TEST_F(Playlists, APrefixOfAFavouriteIsNotAFavourite)
{
    const std::string before = playlist({ownEntry("/mnt/mmc/Roms/GBA/Game2.gba", true)});
    root.write(kFav, before);
    EXPECT_EQ(isFavorited("/mnt/mmc/Roms/GBA/Game"), 0);
    EXPECT_EQ(isFavorited("/mnt/mmc/Roms/GBA/Game2.gba"), 1);
    EXPECT_EQ(isFavorited("Game2.gba"), 0);
    removeFromFavorites("/mnt/mmc/Roms/GBA/Game");
    EXPECT_EQ(root.read(kFav), before);
    // Toggling the other game adds it instead of removing Game2.gba.
    addToFavorites("/mnt/mmc/Roms/GBA/Game");
    EXPECT_EQ(root.read(kFav),
              playlist({ownEntry("/mnt/mmc/Roms/GBA/Game", false), ownEntry("/mnt/mmc/Roms/GBA/Game2.gba", true)}));
}

TEST_F(Playlists, RemovingFromAMissingPlaylistCreatesNothing)
{
    removeFromFavorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_FALSE(root.exists(kFav));
    removeFromRecent("/mnt/SDCARD/Roms/GBA/a.gba");
    EXPECT_FALSE(root.exists(kSdHistory));
    EXPECT_EQ(removeFromRetroArchPlaylist(kMmcHistory, "/mnt/mmc/Roms/GBA/a.gba"), 0);
    EXPECT_FALSE(root.exists(kMmcHistory));
}

TEST_F(Playlists, LongLinesSurviveARewrite)
{
    const std::string hugeLabel(30000, 'L');
    root.write(kFav, playlist({raEntry("/mnt/mmc/Roms/GBA/a.gba", hugeLabel, false),
                               raEntry("/mnt/mmc/Roms/GBA/b.gba", "b", true)}));
    removeFromFavorites("/mnt/mmc/Roms/GBA/b.gba");
    EXPECT_EQ(root.read(kFav), playlist({raEntry("/mnt/mmc/Roms/GBA/a.gba", hugeLabel, true)}));
    addToFavorites("/mnt/mmc/Roms/GBA/b.gba");
    EXPECT_EQ(root.read(kFav), playlist({ownEntry("/mnt/mmc/Roms/GBA/b.gba", false),
                                         raEntry("/mnt/mmc/Roms/GBA/a.gba", hugeLabel, true)}));
}

TEST_F(Playlists, RewritesReplaceTheFileWhole)
{
    root.write(kFav, playlist({ownEntry("/mnt/mmc/Roms/GBA/a.gba", true)}));
    const ino_t first = inode(kFav);
    addToFavorites("/mnt/mmc/Roms/GBA/b.gba");
    const ino_t second = inode(kFav);
    EXPECT_NE(first, second); // a new file renamed into place, never truncated in place
    removeFromFavorites("/mnt/mmc/Roms/GBA/a.gba");
    EXPECT_NE(inode(kFav), second);
    EXPECT_EQ(root.read(kFav), playlist({ownEntry("/mnt/mmc/Roms/GBA/b.gba", true)}));
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
        addToFavorites(p.c_str());
    EXPECT_EQ(favorites(), paths);
    removeFromFavorites("/mnt/SDCARD/Roms/FC/b.nes");
    EXPECT_EQ(favorites(), (Lines{"/mnt/mmc/Roms/GBA/a.gba", "/mnt/mmc/Roms/GBA/c.gba"}));
    removeFromFavorites("/mnt/mmc/Roms/GBA/a.gba");
    removeFromFavorites("/mnt/mmc/Roms/GBA/c.gba");
    EXPECT_EQ(root.read(kFav), playlist({}));
    EXPECT_TRUE(favorites().empty());
}
