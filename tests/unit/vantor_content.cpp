// Line lists, system folders, folder files and the core mapping.

#include "vantor_content_root.h"

#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

using Lines = std::vector<std::string>;

namespace {

const char MAPPING[] =
    "{\n"
    "  \"GBA\": \"mgba_libretro.so\",\n"
    "\n"
    "  \"SFC\": \"snes9x_libretro.so\",\n"
    "  \"FC\": \"fceumm_libretro.so\",\n"
    "  \"SCUMMVM\": \"scummvm_libretro.so\",\n"
    "  \"PORTS\": \"/mnt/mmc/CFW/ports/launch.sh\",\n"
    "  \"MOVIES\": \"ffmpeg_libretro.so\",\n"
    "  \"CFW\": \"none_libretro.so\",\n"
    "  \"Roms2\": \"roms2_libretro.so\"\n"
    "}\n";

} // namespace

class LineLists : public ContentRoot {};

TEST_F(LineLists, LinesLoseTheirEndsAndKeepTheirOrder)
{
    root.write("/mnt/mmc/CFW/a.txt", "first\r\nsecond\n\nlast without end");
    ItemList lines = nullptr;
    const int n = read_all_lines("a.txt", &lines);
    EXPECT_EQ(take(n, &lines), (Lines{"first", "second", "", "last without end"}));
}

TEST_F(LineLists, MissingFileGivesNoLinesAndANullList)
{
    ItemList lines = reinterpret_cast<ItemList>(&lines); // anything but null
    EXPECT_EQ(read_all_lines("/mnt/mmc/CFW/nothing.json", &lines), 0);
    EXPECT_EQ(lines, nullptr);
    destroy_items(0, &lines); // nothing to free, must not crash
    destroy_items(3, nullptr);
}

TEST_F(LineLists, OverlongLineArrivesInPieces)
{
    const std::string long_line(20000, 'x');
    root.write("/mnt/mmc/CFW/long.txt", long_line + "\nend\n");
    ItemList lines = nullptr;
    const int n = read_all_lines("long.txt", &lines);
    Lines got = take(n, &lines);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].size(), 12287u);
    EXPECT_EQ(got[0].size() + got[1].size(), 20000u);
    EXPECT_EQ(got[2], "end");
}

TEST_F(LineLists, ManyLinesAreAllKept)
{
    std::string text;
    for (int i = 0; i < 5000; i++)
        text += "line" + std::to_string(i) + "\n";
    root.write("/mnt/mmc/CFW/many.txt", text);
    ItemList lines = nullptr;
    const int n = read_all_lines("many.txt", &lines);
    ASSERT_EQ(n, 5000);
    EXPECT_STREQ(lines[0], "line0");
    EXPECT_STREQ(lines[4999], "line4999");
    destroy_items(n, &lines);
    EXPECT_EQ(lines, nullptr);
}

class Folders : public ContentRoot {
protected:
    void SetUp() override
    {
        ContentRoot::SetUp();
        root.write("/mnt/mmc/CFW/config/coremapping.json", MAPPING);
    }
};

TEST_F(Folders, BothCardsAndRootsInByteOrderRemovableFirst)
{
    root.write("/mnt/mmc/Roms/GBA/Zelda.gba", "z");
    root.write("/mnt/SDCARD/Roms/GBA/Metroid.gba", "m");
    root.write("/mnt/mmc/FC/Mario.nes", "n"); // system folder at the card root
    root.write("/mnt/SDCARD/SFC/Zelda.sfc", "s");
    root.write("/mnt/mmc/CFW/x.txt", "");             // the firmware folder is never a system
    root.write("/mnt/mmc/Roms/Unknown/a.bin", "u");   // not in the mapping
    root.write("/mnt/mmc/Roms/SCUMMVM/.hidden", "h"); // only a hidden file
    root.mkdirs("/mnt/mmc/Roms/SCUMMVM/Monkey");      // and a sub-folder
    root.write("/mnt/mmc/Roms/MOVIES/~tmp", "");      // only a "~" file
    root.write("/mnt/SDCARD/PORTS", "a file named like a system");
    ItemList items = nullptr;
    const int n = get_folders(&items);
    EXPECT_EQ(take(n, &items), (Lines{"/mnt/SDCARD/Roms/GBA", "/mnt/SDCARD/SFC", "/mnt/mmc/FC", "/mnt/mmc/Roms/GBA"}));
}

TEST_F(Folders, MissingCardOrMappingIsNoError)
{
    root.write("/mnt/mmc/Roms/GBA/Zelda.gba", "z");
    ItemList items = nullptr;
    int n = get_folders(&items);
    EXPECT_EQ(take(n, &items), (Lines{"/mnt/mmc/Roms/GBA"}));

    ASSERT_EQ(unlink(root.host("/mnt/mmc/CFW/config/coremapping.json").c_str()), 0);
    n = get_folders(&items);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(items, nullptr);
}

TEST_F(Folders, SymlinkedSystemFolderIsStoredResolved)
{
    root.write("/mnt/SDCARD/Games/Advance/Zelda.gba", "z");
    root.symlink("/mnt/SDCARD/Games/Advance", "/mnt/SDCARD/Roms/GBA");
    // The internal card's Roms folder itself is a link to another folder.
    root.write("/mnt/mmc/Library/SFC/Zelda.sfc", "s");
    root.symlink("/mnt/mmc/Library", "/mnt/mmc/Roms");
    ItemList items = nullptr;
    const int n = get_folders(&items);
    EXPECT_EQ(take(n, &items), (Lines{"/mnt/SDCARD/Games/Advance", "/mnt/mmc/Library/SFC"}));
    const int files = get_files("/mnt/mmc/Roms/SFC", &items);
    EXPECT_EQ(take(files, &items), (Lines{"/mnt/mmc/Library/SFC/Zelda.sfc"}));
}

TEST_F(Folders, RomFolderNeedsTheWholeQuotedName)
{
    EXPECT_EQ(is_rom_folder("GBA"), 1);
    EXPECT_EQ(is_rom_folder("GB"), 0);               // "GB" is inside "GBA" but not quoted alone
    EXPECT_EQ(is_rom_folder("gba"), 0);              // case matters
    EXPECT_EQ(is_rom_folder("mgba_libretro.so"), 1); // a quoted core value matches too
    EXPECT_EQ(is_rom_folder(nullptr), 0);
}

class Files : public ContentRoot {};

TEST_F(Files, FilterAndByteOrderWithFullPaths)
{
    for (const char *name : {"b.gba", "A.gba", "a.gba", "Z.gba", ".hidden", "~lock", "x_cache.bin", "save_cache"})
        root.write(std::string("/mnt/mmc/Roms/GBA/") + name, "x");
    root.mkdirs("/mnt/mmc/Roms/GBA/Imgs");
    ItemList items = nullptr;
    const int n = get_files("../Roms/GBA", &items);
    EXPECT_EQ(take(n, &items), (Lines{"/mnt/mmc/Roms/GBA/A.gba", "/mnt/mmc/Roms/GBA/Z.gba", "/mnt/mmc/Roms/GBA/a.gba",
                                      "/mnt/mmc/Roms/GBA/b.gba"}));
    EXPECT_EQ(has_files("../Roms/GBA"), 1);
}

TEST_F(Files, SymlinksResolveAndOddNamesSurvive)
{
    root.write("/mnt/SDCARD/real/Final Fight \"J\" $x `y` \\z.zip", "x");
    root.write("/mnt/SDCARD/Roms/FBA/日本語ゲーム.zip", "x");
    root.symlink("/mnt/SDCARD/real/Final Fight \"J\" $x `y` \\z.zip", "/mnt/SDCARD/Roms/FBA/ff.zip");
    root.symlink("/mnt/SDCARD/real", "/mnt/SDCARD/Roms/FBA/linkdir"); // a folder: not listed
    root.symlink("/mnt/SDCARD/nowhere", "/mnt/SDCARD/Roms/FBA/dangling.zip");
    ItemList items = nullptr;
    const int n = get_files("/mnt/SDCARD/Roms/FBA", &items);
    EXPECT_EQ(take(n, &items),
              (Lines{"/mnt/SDCARD/Roms/FBA/日本語ゲーム.zip", "/mnt/SDCARD/real/Final Fight \"J\" $x `y` \\z.zip"}));
}

TEST_F(Files, FolderWithoutFilesOrMissing)
{
    root.write("/mnt/mmc/Roms/SFC/.keep", "");
    root.mkdirs("/mnt/mmc/Roms/SFC/sub");
    ItemList items = nullptr;
    EXPECT_EQ(get_files("/mnt/mmc/Roms/SFC", &items), 0);
    EXPECT_EQ(items, nullptr);
    EXPECT_EQ(has_files("/mnt/mmc/Roms/SFC"), 0);
    EXPECT_EQ(get_files("/mnt/mmc/Roms/none", &items), 0);
    EXPECT_EQ(has_files("/mnt/mmc/Roms/none"), 0);
    EXPECT_EQ(get_files(nullptr, &items), 0);
}

class Cores : public ContentRoot {
protected:
    void SetUp() override
    {
        ContentRoot::SetUp();
        root.write("/mnt/mmc/CFW/config/coremapping.json", MAPPING);
    }
    static std::string core(const char *item)
    {
        const char *c = get_preferred_core(item);
        return c ? std::string(c) : std::string("(none)");
    }
};

TEST_F(Cores, SystemFolderOfRomsAndCardRoots)
{
    EXPECT_EQ(core("/mnt/mmc/Roms/GBA/Zelda.gba"), "/mnt/mmc/CFW/retroarch/.retroarch/cores/mgba_libretro.so");
    EXPECT_STREQ(preferred_core.folder, "GBA");
    EXPECT_EQ(core("/mnt/SDCARD/SFC/Zelda.sfc"), "/mnt/mmc/CFW/retroarch/.retroarch/cores/snes9x_libretro.so");
    EXPECT_EQ(core("/mnt/SDCARD/Roms/Unknown/a.bin"), "(none)");
    EXPECT_STREQ(preferred_core.folder, "Unknown");
}

TEST_F(Cores, ScummvmGamesInASubfolderOrNot)
{
    const std::string scummvm = "/mnt/mmc/CFW/retroarch/.retroarch/cores/scummvm_libretro.so";
    EXPECT_EQ(core("/mnt/mmc/Roms/SCUMMVM/Monkey/monkey.scummvm"), scummvm);
    EXPECT_STREQ(preferred_core.folder, "SCUMMVM");
    EXPECT_EQ(core("/mnt/mmc/Roms/SCUMMVM/monkey.scummvm"), scummvm);
    EXPECT_STREQ(preferred_core.folder, "SCUMMVM");
    EXPECT_EQ(core("/mnt/SDCARD/SCUMMVM/Monkey/monkey.scummvm"), scummvm);
    // Directly in a system folder at the card root: three levels up is the
    // card itself, so the folder one level up names the system.
    EXPECT_EQ(core("/mnt/SDCARD/SCUMMVM/monkey.scummvm"), scummvm);
    EXPECT_STREQ(preferred_core.folder, "SCUMMVM");
}

TEST_F(Cores, AbsoluteMappingValueGivesDoubleSlash)
{
    EXPECT_EQ(core("/mnt/mmc/Roms/PORTS/game.sh"),
              "/mnt/mmc/CFW/retroarch/.retroarch/cores//mnt/mmc/CFW/ports/launch.sh");
}

TEST_F(Cores, OnlyAWholeRomsComponentIsSkipped)
{
    // "Roms2" begins with "Roms" but is a system of its own.
    EXPECT_EQ(core("/mnt/mmc/Roms2/game.bin"), "/mnt/mmc/CFW/retroarch/.retroarch/cores/roms2_libretro.so");
}

TEST_F(Cores, ShortAndOddPathsFindNothingWithoutHarm)
{
    for (const char *p : {"", "/", "x", "/x", "GBA", "Roms", "/Roms", "Roms/", "//", "///", "a.scummvm", "/.scummvm"})
        EXPECT_EQ(core(p), "(none)") << p;
    EXPECT_EQ(get_preferred_core(nullptr), nullptr);
    // A relative path with just the system folder and the file still maps.
    EXPECT_EQ(core("GBA/Zelda.gba"), "/mnt/mmc/CFW/retroarch/.retroarch/cores/mgba_libretro.so");
}

TEST_F(Cores, FirstMatchingLineWinsAndMissingMappingFindsNothing)
{
    root.write("/mnt/mmc/CFW/config/coremapping.json",
               "{\n  \"GBA\": \"first_libretro.so\",\n  \"GBA\": \"second_libretro.so\"\n}\n");
    EXPECT_EQ(core("/mnt/mmc/Roms/GBA/a.gba"), "/mnt/mmc/CFW/retroarch/.retroarch/cores/first_libretro.so");
    ASSERT_EQ(unlink(root.host("/mnt/mmc/CFW/config/coremapping.json").c_str()), 0);
    EXPECT_EQ(core("/mnt/mmc/Roms/GBA/a.gba"), "(none)");
    EXPECT_EQ(is_rom_folder("GBA"), 0);
}

class Backgrounds : public ContentRoot {
protected:
    void set_time(const std::string &device_file_path, time_t t)
    {
        struct timespec times[2] = {{t, 0}, {t, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, root.host(device_file_path).c_str(), times, 0), 0);
    }
    char out[PATH_BUFFER_SIZE];
};

TEST_F(Backgrounds, NewestScreenshotAmongCoreFolders)
{
    const std::string states = "/mnt/mmc/Saves/CurrentProfile/states";
    root.write(states + "/mGBA/Zelda.state.auto.png", "old");
    root.write(states + "/gpSP/Zelda.state.auto.png", "new");
    root.write(states + "/Zelda.state.auto.png", "a plain file beside the core folders");
    set_time(states + "/mGBA/Zelda.state.auto.png", 1000000);
    set_time(states + "/gpSP/Zelda.state.auto.png", 2000000);
    ASSERT_EQ(find_auto_state_screenshot("/mnt/mmc/Roms/GBA/Zelda.gba", out), 1);
    EXPECT_STREQ(out, "/mnt/mmc/Saves/CurrentProfile/states/gpSP/Zelda.state.auto.png");

    set_time(states + "/mGBA/Zelda.state.auto.png", 3000000);
    ASSERT_EQ(find_auto_state_screenshot("/mnt/mmc/Roms/GBA/Zelda.gba", out), 1);
    EXPECT_STREQ(out, "/mnt/mmc/Saves/CurrentProfile/states/mGBA/Zelda.state.auto.png");
    EXPECT_EQ(get_background_override_path("/mnt/mmc/Roms/GBA/Zelda.gba", 1, out), 2);
    EXPECT_STREQ(out, "/mnt/mmc/Saves/CurrentProfile/states/mGBA/Zelda.state.auto.png");
}

TEST_F(Backgrounds, ScreenshotsFollowTheCardAndNeedAnExtension)
{
    root.write("/mnt/mmc/Saves/CurrentProfile/states/mGBA/Zelda.state.auto.png", "x");
    root.write("/mnt/mmc/Saves/CurrentProfile/states/mGBA/.state.auto.png", "x");
    root.write("/mnt/mmc/Saves/CurrentProfile/states/mGBA/README.state.auto.png", "x");
    EXPECT_EQ(find_auto_state_screenshot("/mnt/SDCARD/Roms/GBA/Zelda.gba", out), 0);
    EXPECT_EQ(find_auto_state_screenshot("/mnt/mmc/Roms/GBA/.gba", out), 0);
    EXPECT_EQ(find_auto_state_screenshot("/mnt/mmc/Roms/GBA/README", out), 0);
    root.write("/mnt/SDCARD/Saves/CurrentProfile/states/mGBA/Zelda.state.auto.png", "x");
    ASSERT_EQ(find_auto_state_screenshot("/mnt/SDCARD/Roms/GBA/Zelda.gba", out), 1);
    EXPECT_STREQ(out, "/mnt/SDCARD/Saves/CurrentProfile/states/mGBA/Zelda.state.auto.png");
}

TEST_F(Backgrounds, ArtworkSearchOrder)
{
    const char *item = "/mnt/mmc/Roms/GBA/Zelda (USA).gba";
    // Nothing exists: the removable card's Imgs picture, unchecked.
    ASSERT_EQ(get_artwork_path(item, out), 1);
    EXPECT_STREQ(out, "/mnt/SDCARD/Roms/GBA/Imgs/Zelda (USA).png");
    root.write("/mnt/mmc/Roms/GBA/Imgs/Zelda (USA).png", "c");
    ASSERT_EQ(get_artwork_path(item, out), 1);
    EXPECT_STREQ(out, "/mnt/mmc/Roms/GBA/Imgs/Zelda (USA).png");
    root.write("/mnt/mmc/CFW/skin/games/Zelda (USA).gba.png", "b");
    ASSERT_EQ(get_artwork_path(item, out), 1);
    EXPECT_STREQ(out, "/mnt/mmc/CFW/skin/games/Zelda (USA).gba.png");
    root.write("/mnt/mmc/CFW/skin/games/GBA/Zelda (USA).gba.png", "a");
    ASSERT_EQ(get_artwork_path(item, out), 1);
    EXPECT_STREQ(out, "/mnt/mmc/CFW/skin/games/GBA/Zelda (USA).gba.png");
    // Outside Recent (or without a screenshot) the artwork is the background.
    EXPECT_EQ(get_background_override_path(item, 0, out), 1);
    EXPECT_STREQ(out, "/mnt/mmc/CFW/skin/games/GBA/Zelda (USA).gba.png");
    EXPECT_EQ(get_background_override_path(item, 1, out), 1);
}

TEST_F(Backgrounds, ArtworkOfNamesWithoutExtensionOrFolder)
{
    ASSERT_EQ(get_artwork_path("/mnt/SDCARD/Roms/FC/README", out), 1);
    EXPECT_STREQ(out, "/mnt/SDCARD/Roms/FC/Imgs/README.png");
    EXPECT_EQ(get_artwork_path("plain.gba", out), 0);
    EXPECT_EQ(get_artwork_path("/mnt/mmc/Roms/GBA/", out), 0);
    root.write("/mnt/mmc/CFW/skin/games/plain.gba.png", "b");
    ASSERT_EQ(get_artwork_path("plain.gba", out), 1);
    EXPECT_STREQ(out, "/mnt/mmc/CFW/skin/games/plain.gba.png");
}
