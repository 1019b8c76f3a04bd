// The front end's real main loop driven in-process: resume file, screens and
// transitions, joystick translation, auto-repeat, Menu button, Consoles paging
// and the letter jump.

#include "vantor_spine_support.h"

#include <fstream>

#include "vantor/hardware.h"

using namespace spine;

namespace {

const char *mapping =
    "{\n  \"GBA\": \"mgba_libretro.so\",\n  \"NES\": \"fceumm_libretro.so\",\n"
    "  \"SNES\": \"snes9x_libretro.so\"\n}\n";

// n files in /mnt/mmc/Roms/<system>, named "Game NN.ext"; returns their paths.
std::vector<std::string> makeGames(const TempRoot &root, const std::string &system, int n,
                                   const std::string &ext = ".gba")
{
    std::vector<std::string> paths;
    for (int i = 0; i < n; i++) {
        char name[64];
        snprintf(name, sizeof(name), "Game %02d%s", i, ext.c_str());
        std::string p = "/mnt/mmc/Roms/" + system + "/" + name;
        root.write(p, "rom");
        paths.push_back(p);
    }
    return paths;
}

class Spine : public ::testing::Test {
protected:
    void SetUp() override
    {
        baseRoot(root);
        root.write("/mnt/mmc/CFW/config/coremapping.json", mapping);
    }
    TempRoot root;
};

TEST_F(Spine, StartsOnHomeAndSavesAScreenshot)
{
    Snapshot s;
    const std::string bmp = root.path() + "/home.bmp";
    int rc = runMenu(root, {idle(), take(&s), [&](MenuModel &) { SDL_SaveBMP(SDL_GetVideoSurface(), bmp.c_str()); }});
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(s.state, Home);
    EXPECT_EQ(s.column, 0);
    EXPECT_EQ(s.maxColumn, 3);
    EXPECT_TRUE(s.hasTitle);
    if (getenv("VANTOR_SCREENSHOT_DIR"))
        host_system("convert '" + bmp + "' '" + getenv("VANTOR_SCREENSHOT_DIR") + "/home.png'");
}

std::string flag(const TempRoot &root)
{
    return root.exists("/mnt/mmc/CFW/menu.flag") ? root.read("/mnt/mmc/CFW/menu.flag") : std::string("<none>");
}

void favorites(const TempRoot &root, const std::vector<std::string> &paths)
{
    root.write("/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl", playlist(paths));
}

void history(const TempRoot &root, const std::vector<std::string> &paths)
{
    root.write("/mnt/mmc/Saves/CurrentProfile/lists/content_history.lpl", playlist(paths));
}

std::function<void(MenuModel &)> at(Uint32 t, std::function<void(MenuModel &)> then = nullptr)
{
    return [t, then](MenuModel &m) {
        now = t;
        if (then)
            then(m);
    };
}

// --- Resume file ------------------------------------------------------------------

TEST_F(Spine, ResumeFavoritesPastTheEndOpensRowZeroAndTheFileIsDeleted)
{
    auto games = makeGames(root, "GBA", 5);
    favorites(root, games);
    root.write("/mnt/mmc/CFW/menu.flag", "favorites\n7");
    Snapshot s;
    bool flagGone = false;
    runMenu(root, {[&](MenuModel &m) {
                s = snap(m);
                flagGone = !root.exists("/mnt/mmc/CFW/menu.flag");
            }});
    EXPECT_TRUE(flagGone);
    EXPECT_EQ(s.state, Favorites);
    EXPECT_EQ(s.itemCount, 5);
    EXPECT_EQ(s.row, 0);
    EXPECT_EQ(s.maxRow, 4);
    EXPECT_EQ(s.maxColumn, 0);
}

TEST_F(Spine, ResumeFavoritesWithinTheListKeepsTheRowAndBackGoesToTheFavoritesEntry)
{
    favorites(root, makeGames(root, "GBA", 5));
    root.write("/mnt/mmc/CFW/menu.flag", "favorites\n3\n");
    Snapshot s, home;
    runMenu(root, {take(&s), keys({'b'}), take(&home)});
    EXPECT_EQ(s.state, Favorites);
    EXPECT_EQ(s.row, 3);
    EXPECT_EQ(home.state, Home);
    EXPECT_EQ(home.column, 1);
}

TEST_F(Spine, ResumeHomeColumnOnlyWhenItIsAnEntry)
{
    const std::pair<const char *, int> cases[] = {
        {"home\n9", 0}, {"home\n2", 2}, {"home\n3\r\n", 3}, {"home\n-1", 0}, {"home", 0}};
    for (const auto &c : cases) {
        root.write("/mnt/mmc/CFW/menu.flag", c.first);
        Snapshot s;
        runMenu(root, {take(&s)});
        EXPECT_EQ(s.state, Home) << c.first;
        EXPECT_EQ(s.column, c.second) << c.first;
    }
}

TEST_F(Spine, ResumeGamesOpensTheFolderAtTheRowAndBackShowsConsolesPageZero)
{
    makeGames(root, "GBA", 6);
    makeGames(root, "NES", 2, ".nes");
    root.write("/mnt/mmc/CFW/menu.flag", "games\n3\n/mnt/mmc/Roms/GBA");
    Snapshot games, consoles, home;
    runMenu(root, {take(&games), keys({'b'}), take(&consoles), keys({'b'}), take(&home)});
    EXPECT_EQ(games.state, Games);
    EXPECT_EQ(games.itemCount, 6);
    EXPECT_EQ(games.row, 3);
    ASSERT_EQ(games.items.size(), 6u);
    EXPECT_EQ(games.items[3], "/mnt/mmc/Roms/GBA/Game 03.gba");
    EXPECT_EQ(consoles.state, Consoles);
    EXPECT_EQ(consoles.page, 0);
    EXPECT_EQ(consoles.column, 0);
    EXPECT_EQ(consoles.row, 0);
    EXPECT_EQ(consoles.itemCount, 2);
    EXPECT_EQ(home.state, Home);
    EXPECT_EQ(home.column, 2);
}

TEST_F(Spine, ResumeWithoutAUsableRecordStartsOnHome)
{
    makeGames(root, "GBA", 3);
    for (const char *text : {"", "whatever\n2", "games\n2", "Recent", "\n"}) {
        root.write("/mnt/mmc/CFW/menu.flag", text);
        Snapshot s;
        runMenu(root, {take(&s)});
        EXPECT_EQ(s.state, Home) << text;
        EXPECT_EQ(s.column, 0) << text;
    }
    remove_tree(root.host("/mnt/mmc/CFW/menu.flag"));
    Snapshot s;
    runMenu(root, {take(&s)});
    EXPECT_EQ(s.state, Home);
}

TEST_F(Spine, ResumeRecentAndConsoles)
{
    auto games = makeGames(root, "GBA", 3);
    history(root, {games[2], games[0]});
    root.write("/mnt/mmc/CFW/menu.flag", "recent");
    Snapshot recent, home;
    runMenu(root, {take(&recent), keys({'b'}), take(&home)});
    EXPECT_EQ(recent.state, Recent);
    EXPECT_EQ(recent.itemCount, 2);
    EXPECT_EQ(recent.row, 0);
    EXPECT_EQ(home.column, 0);

    root.write("/mnt/mmc/CFW/menu.flag", "consoles");
    Snapshot consoles;
    runMenu(root, {take(&consoles), keys({'b'}), take(&home)});
    EXPECT_EQ(consoles.state, Consoles);
    EXPECT_EQ(consoles.maxRow, 1);
    EXPECT_EQ(consoles.maxColumn, 3);
    EXPECT_EQ(home.column, 2);
}

TEST_F(Spine, ClosingTheWindowLeavesNoResumeFile)
{
    Snapshot s;
    int rc = runMenu(root, {keys({'d', 'd'}), take(&s)});
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(s.column, 2);
    EXPECT_EQ(flag(root), "<none>");
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/shutdown.flag"));
}

TEST_F(Spine, PowerKeyWritesTheResumeFileForEveryScreenAndPowersOff)
{
    auto games = makeGames(root, "GBA", 4);
    favorites(root, games);
    history(root, games);
    struct Case {
        std::vector<int> keys;
        std::string expected;
    } cases[] = {
        {{'d', 'd'}, "home\n2"},
        {{'d', 'm', 'd', 'd'}, "home\n1"}, // Settings keeps the Home column it came from
        {{'d', 'd', 'a'}, "consoles"},
        {{'d', 'd', 'a', 'a', 's', 's'}, "games\n2\n/mnt/mmc/Roms/GBA"},
        {{'d', 'a', 's'}, "favorites\n1"},
        {{'a', 's'}, "recent"},
    };
    for (const Case &c : cases) {
        remove_tree(root.host("/tmp/commands.log"));
        remove_tree(root.host("/mnt/mmc/CFW/shutdown.flag"));
        remove_tree(root.host("/mnt/mmc/CFW/menu.flag"));
        bool afterPower = false;
        runMenu(root, {keys(c.keys), [](MenuModel &) { pushKey(0, true, powerScancodeConsole); },
                       [&](MenuModel &) { afterPower = true; }});
        EXPECT_FALSE(afterPower) << "the loop goes on after the power key";
        EXPECT_EQ(flag(root), c.expected);
        EXPECT_TRUE(root.exists("/mnt/mmc/CFW/shutdown.flag"));
        EXPECT_EQ(root.recorded("/tmp/commands.log"),
                  (std::vector<std::string>{"sync", "mount -o remount,ro /mnt/mmc", "mount -o remount,ro /mnt/SDCARD",
                                            "poweroff -f"}));
    }
}

TEST_F(Spine, LaunchWritesTheResumeFileOfItsListAndQuits)
{
    auto games = makeGames(root, "GBA", 4);
    favorites(root, games);
    bool after = false;
    runMenu(root, {keys({'d', 'd', 'a', 'a', 's', 'a'}), [&](MenuModel &) { after = true; }});
    EXPECT_FALSE(after);
    EXPECT_EQ(flag(root), "games\n1\n/mnt/mmc/Roms/GBA");
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/retroarch/command.sh"));

    remove_tree(root.host("/mnt/mmc/CFW/retroarch/command.sh"));
    remove_tree(root.host("/mnt/mmc/CFW/menu.flag"));
    runMenu(root, {keys({'d', 'a', 's', 's', 'm'})});
    EXPECT_EQ(flag(root), "favorites\n2");
    EXPECT_NE(root.read("/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg").find("savestate_auto_load = \"false\""),
              std::string::npos);
}

TEST_F(Spine, LaunchWithoutACoreStaysInTheMenu)
{
    root.write("/mnt/mmc/Roms/GBA/Game.gba", "rom");
    favorites(root, {"/mnt/mmc/Roms/GBA/Game.gba"});
    root.write("/mnt/mmc/CFW/config/coremapping.json", "{\n}\n");
    Snapshot s;
    runMenu(root, {keys({'d', 'a', 'a'}), take(&s)});
    EXPECT_EQ(s.state, Favorites);
    EXPECT_EQ(flag(root), "<none>");
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/retroarch/command.sh"));
}

TEST_F(Spine, RetroArchEntryWritesHomeThree)
{
    runMenu(root, {keys({'q', 'a'})});
    EXPECT_EQ(flag(root), "home\n3");
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/retroarch/command.sh"));
}

// --- Joystick ----------------------------------------------------------------------

TEST_F(Spine, HatMovesAndAHeldDirectionIsOnlyReleasedByTheNextHatEvent)
{
    makeGames(root, "GBA", 5);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n0\n/mnt/mmc/Roms/GBA");
    Snapshot a, b, c, d, e;
    runMenu(root,
            {[](MenuModel &) { pushHat(SDL_HAT_DOWN); }, take(&a), [](MenuModel &) { pushHat(SDL_HAT_CENTERED); },
             take(&b), [](MenuModel &) { pushHat(SDL_HAT_DOWN); }, [](MenuModel &) { pushHat(SDL_HAT_RIGHT); },
             take(&c), [](MenuModel &) { pushHat(SDL_HAT_RIGHT); }, take(&d),
             [](MenuModel &) { pushHat(SDL_HAT_RIGHT | SDL_HAT_UP); }, [](MenuModel &) { pushHat(0); }, take(&e)});
    EXPECT_EQ(a.row, 1);
    EXPECT_NE(a.step, 0);
    EXPECT_EQ(b.row, 1);
    EXPECT_EQ(b.step, 0);
    EXPECT_EQ(c.row, 2) << "down then right: right only releases down";
    EXPECT_EQ(c.step, 0);
    EXPECT_EQ(d.row, 3);
    EXPECT_EQ(e.row, 3) << "the right-up release and the diagonal give no key";
}

TEST_F(Spine, HatLeftPagesByEightWithWrapButArrowsAndRecentStepByOne)
{
    auto games = makeGames(root, "GBA", 20);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n3\n/mnt/mmc/Roms/GBA");
    Snapshot hat, arrow;
    runMenu(root, {[](MenuModel &) { pushHat(SDL_HAT_LEFT); }, [](MenuModel &) { pushHat(0); }, take(&hat)});
    EXPECT_EQ(hat.row, 19);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n3\n/mnt/mmc/Roms/GBA");
    runMenu(root, {keys({SDLK_LEFT}), take(&arrow)});
    EXPECT_EQ(arrow.row, 2);
    Snapshot right;
    root.write("/mnt/mmc/CFW/menu.flag", "games\n3\n/mnt/mmc/Roms/GBA");
    runMenu(root, {[](MenuModel &) { pushHat(SDL_HAT_RIGHT); }, [](MenuModel &) { pushHat(0); }, take(&right)});
    EXPECT_EQ(right.row, 11);

    history(root, games);
    Snapshot recent;
    root.write("/mnt/mmc/CFW/menu.flag", "recent");
    runMenu(root, {keys({'s', 's', 's'}), [](MenuModel &) { pushHat(SDL_HAT_LEFT); }, [](MenuModel &) { pushHat(0); },
                   take(&recent)});
    EXPECT_EQ(recent.state, Recent);
    EXPECT_EQ(recent.row, 2);
}

TEST_F(Spine, ButtonsActLikeTheirKeysOnBothPads)
{
    Snapshot settings, home, recent, none;
    runMenu(root, {[](MenuModel &) {
                       pushButton(8, true);
                       pushButton(8, false);
                   },
                   take(&settings),
                   [](MenuModel &) {
                       pushButton(1, true, 1);
                       pushButton(1, false, 1);
                   },
                   take(&home),
                   [](MenuModel &) {
                       pushButton(0, true, 1);
                       pushButton(0, false, 1);
                   },
                   take(&recent),
                   [](MenuModel &) {
                       pushButton(1, true);
                       pushButton(1, false);
                       pushButton(4, true);
                       pushButton(4, false);
                       pushButton(15, true);
                   },
                   take(&none)});
    EXPECT_EQ(settings.state, Settings);
    EXPECT_EQ(settings.maxColumn, 6);
    EXPECT_EQ(home.state, Home);
    EXPECT_EQ(recent.state, Recent);
    EXPECT_EQ(none.state, Home);
}

// --- Consoles ------------------------------------------------------------------------

void consolesWith(const TempRoot &root, int n)
{
    std::string map = "{\n";
    for (int i = 0; i < n; i++) {
        char name[16];
        snprintf(name, sizeof(name), "SYS%02d", i);
        map += std::string("  \"") + name + "\": \"core_libretro.so\",\n";
        root.write(std::string("/mnt/mmc/Roms/") + name + "/game.bin", "rom");
    }
    map += "}\n";
    root.write("/mnt/mmc/CFW/config/coremapping.json", map);
}

TEST_F(Spine, ConsolesPagesWrapOverSeventeenFolders)
{
    consolesWith(root, 17);
    Snapshot first, left, right, beyond, open;
    runMenu(root, {keys({'d', 'd', 'a'}), take(&first), keys({'q'}), take(&left), keys({'d'}), take(&right),
                   keys({'q', 'q', 'q', 'd'}), take(&beyond), keys({'a'}), take(&open)});
    EXPECT_EQ(first.state, Consoles);
    EXPECT_EQ(first.itemCount, 17);
    EXPECT_EQ(left.page, 2);
    EXPECT_EQ(left.column, 3);
    EXPECT_EQ(right.page, 0) << "right from column 3 of the last page";
    EXPECT_EQ(right.column, 0);
    // From page 0: left to page 2 column 3, then left twice to column 1, right to 2.
    EXPECT_EQ(beyond.page, 2);
    EXPECT_EQ(beyond.column, 2);
    EXPECT_EQ(open.state, Consoles) << "a tile past the last folder opens nothing";
}

TEST_F(Spine, ConsolesWithSixteenFoldersHasTwoPagesAndOpensTheRightFolder)
{
    consolesWith(root, 16);
    Snapshot left, games, back;
    runMenu(root, {keys({'d', 'd', 'a', 'q'}), take(&left), keys({'s', 'a'}), take(&games), keys({'b'}), take(&back)});
    EXPECT_EQ(left.page, 1);
    EXPECT_EQ(left.column, 3);
    EXPECT_EQ(games.state, Games);
    ASSERT_EQ(games.itemCount, 1);
    EXPECT_EQ(games.items[0], "/mnt/mmc/Roms/SYS15/game.bin"); // page 1, row 1, column 3
    EXPECT_EQ(back.state, Consoles);
    EXPECT_EQ(back.page, 1);
    EXPECT_EQ(back.row, 1);
    EXPECT_EQ(back.column, 3);
}

// --- Letter jump --------------------------------------------------------------------------

TEST_F(Spine, LetterJumpOverFiveFiles)
{
    for (const char *name : {"Alpha.gba", "Apple.gba", "Bravo.gba", "Beta.gba", "Charlie.gba"})
        root.write(std::string("/mnt/mmc/Roms/GBA/") + name, "rom");
    // Listed by byte order: Alpha, Apple, Beta, Bravo, Charlie.
    auto start = [&](int row) {
        root.write("/mnt/mmc/CFW/menu.flag", "games\n" + std::to_string(row) + "\n/mnt/mmc/Roms/GBA");
    };
    const struct {
        int from;
        int key;
        int to;
    } cases[] = {{1, 'l', 2}, {4, 'h', 2}, {3, 'h', 0}, {1, 'h', 4}, {4, 'l', 0}, {0, 'l', 2}};
    for (const auto &c : cases) {
        start(c.from);
        Snapshot s;
        runMenu(root, {keys({c.key}), take(&s)});
        EXPECT_EQ(s.row, c.to) << "from " << c.from << " key " << static_cast<char>(c.key);
    }
}

// --- Menu button -----------------------------------------------------------------------

TEST_F(Spine, ShortMenuPressOpensRecentExceptInRecentAndSettings)
{
    makeGames(root, "GBA", 3);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n1\n/mnt/mmc/Roms/GBA");
    Snapshot recent, stillRecent, settings;
    runMenu(root, {at(200000, keys({'u'})), take(&recent), at(201000, keys({'u'})), take(&stillRecent),
                   at(202000, keys({'b', 'm'})), at(203000, keys({'u'})), take(&settings)});
    EXPECT_EQ(recent.state, Recent);
    EXPECT_EQ(stillRecent.state, Recent);
    EXPECT_EQ(settings.state, Settings);
}

TEST_F(Spine, LongMenuPressGoesHomeAndItsReleaseDoesNothing)
{
    auto games = makeGames(root, "GBA", 3);
    favorites(root, games);
    root.write("/mnt/mmc/CFW/menu.flag", "favorites\n1");
    Snapshot held, during, after;
    runMenu(root, {at(200000, [](MenuModel &) { pushKey('u', true); }), at(200500, take(&held)), at(201000), at(201100),
                   at(201150, take(&during)), at(201200, [](MenuModel &) { pushKey('u', false); }), take(&after)});
    EXPECT_EQ(held.state, Favorites);
    EXPECT_EQ(during.state, Home);
    EXPECT_EQ(during.column, 1);
    EXPECT_EQ(after.state, Home);
}

TEST_F(Spine, MenuWithAnotherKeyDoesNeither)
{
    makeGames(root, "GBA", 3);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n0\n/mnt/mmc/Roms/GBA");
    Snapshot s;
    runMenu(root, {at(200000,
                      [](MenuModel &) {
                          pushKey('u', true);
                          press('s');
                      }),
                   at(202000), at(202100, [](MenuModel &) { pushKey('u', false); }), take(&s)});
    EXPECT_EQ(s.state, Games);
    EXPECT_EQ(s.row, 1);
}

TEST_F(Spine, ShortMenuPressInHomeWithAnyDurationOpensRecent)
{
    Snapshot s;
    runMenu(root, {at(200000, [](MenuModel &) { pushKey('u', true); }), at(203000),
                   at(203100, [](MenuModel &) { pushKey('u', false); }), take(&s)});
    EXPECT_EQ(s.state, Recent);
}

// --- Auto-repeat -------------------------------------------------------------------------

TEST_F(Spine, HoldingDownRepeatsAfter250msAtMostEvery90msAndOncePerFrame)
{
    makeGames(root, "GBA", 30);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n0\n/mnt/mmc/Roms/GBA");
    std::vector<std::pair<Uint32, int>> rows;
    auto rowAt = [&](Uint32 t) { return at(t, [&rows, t](MenuModel &m) { rows.push_back({t, m.row}); }); };
    const Uint32 t0 = 200000;
    // The row is read at the start of a frame, before that frame's events.
    runMenu(root, {at(t0, [](MenuModel &) { pushKey('s', true); }), rowAt(t0 + 100), rowAt(t0 + 250), rowAt(t0 + 251),
                   rowAt(t0 + 300), rowAt(t0 + 341), rowAt(t0 + 342), rowAt(t0 + 2000), rowAt(t0 + 2001),
                   at(t0 + 2100, [](MenuModel &) { pushKey('s', false); }), rowAt(t0 + 2200), rowAt(t0 + 3000),
                   rowAt(t0 + 3000)});
    const int expected[] = {1, 1, 1, 2, 2, 2, 3, 4, 4, 4, 4};
    ASSERT_EQ(rows.size(), 11u);
    for (size_t i = 0; i < rows.size(); i++)
        EXPECT_EQ(rows[i].second, expected[i]) << "at +" << rows[i].first - t0;
}

TEST_F(Spine, ArtworkWaitsUntilTheRepeatRests)
{
    auto games = makeGames(root, "GBA", 10);
    root.mkdirs("/mnt/mmc/CFW/skin/games/GBA");
    const std::string first = root.host("/mnt/mmc/CFW/skin/games/GBA/Game 00.gba.png");
    ASSERT_EQ(host_system("convert -size 64x48 xc:blue '" + first + "'"), 0);
    for (int i = 1; i < 10; i++) {
        char name[64];
        snprintf(name, sizeof(name), "/mnt/mmc/CFW/skin/games/GBA/Game %02d.gba.png", i);
        ASSERT_EQ(host_system("cp '" + first + "' '" + root.host(name) + "'"), 0);
    }
    root.write("/mnt/mmc/CFW/menu.flag", "games\n0\n/mnt/mmc/Roms/GBA");
    Snapshot pressed, repeating, released, rested;
    const Uint32 t0 = 200000;
    runMenu(root, {at(t0, [](MenuModel &) { pushKey('s', true); }), at(t0 + 10, take(&pressed)), at(t0 + 300),
                   at(t0 + 310, take(&repeating)), at(t0 + 320, [](MenuModel &) { pushKey('s', false); }),
                   at(t0 + 330, take(&released)), at(t0 + 420), at(t0 + 430, take(&rested))});
    EXPECT_EQ(pressed.row, 1);
    EXPECT_TRUE(pressed.hasOverride) << "a real key press loads the picture at once";
    EXPECT_EQ(repeating.row, 2);
    EXPECT_FALSE(repeating.hasOverride) << "not decoded during a repeat";
    EXPECT_FALSE(released.hasOverride) << "not within 90 ms of the last event";
    EXPECT_EQ(rested.row, 2);
    EXPECT_TRUE(rested.hasOverride) << "loaded once the keys rest";
}

TEST_F(Spine, NoRepeatOutsideTheLists)
{
    consolesWith(root, 5);
    Snapshot home, consoles;
    runMenu(root, {at(200000, [](MenuModel &) { pushKey('d', true); }), at(201000), at(202000), take(&home)});
    EXPECT_EQ(home.column, 1);
    EXPECT_EQ(home.state, Home);
    root.write("/mnt/mmc/CFW/menu.flag", "consoles");
    runMenu(root, {at(200000, [](MenuModel &) { pushKey(SDLK_DOWN, true); }), at(201000), at(202000), take(&consoles)});
    EXPECT_EQ(consoles.state, Consoles);
    EXPECT_EQ(consoles.row, 1);
}

TEST_F(Spine, ADirectionReleasedOnAnotherScreenDoesNotRepeatInTheNextList)
{
    makeGames(root, "GBA", 10);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n0\n/mnt/mmc/Roms/GBA");
    Snapshot s;
    runMenu(root,
            {at(200000, [](MenuModel &) { pushKey(SDLK_RIGHT, true); }), at(200010, [](MenuModel &) { press('b'); }),
             at(200020, [](MenuModel &) { pushKey(SDLK_RIGHT, false); }), at(200030, [](MenuModel &) { press('a'); }),
             at(201000), at(202000), take(&s)});
    EXPECT_EQ(s.state, Games);
    EXPECT_EQ(s.row, 0);
}

TEST_F(Spine, IdleFramesSleep100msAndActiveFramesDoNot)
{
    std::vector<Uint32> starts;
    std::vector<std::function<void(MenuModel &)>> steps;
    for (int i = 0; i < 6; i++)
        steps.push_back([&starts](MenuModel &) { starts.push_back(now); });
    steps[0] = [&starts](MenuModel &) {
        starts.push_back(now);
        press('d');
    };
    for (int i = 0; i < 200; i++)
        steps.push_back(idle());
    steps.push_back([&starts](MenuModel &) { starts.push_back(now); });
    steps.push_back([&starts](MenuModel &) { starts.push_back(now); });
    runMenu(root, steps);
    ASSERT_EQ(starts.size(), 8u);
    EXPECT_LT(starts[2] - starts[1], 100u) << "a key was just pressed";
    EXPECT_EQ(starts[7] - starts[6], 100u) << "idle frames sleep 100 ms";
}

TEST_F(Spine, ClockIsRenderedAgainEvery20SecondsExceptInSettings)
{
    Snapshot start, before, after, settings, back;
    const Uint32 t0 = 200000;
    // The refresh is checked at the start of a frame, before the hook moves the
    // clock; an idle frame adds its 100 ms sleep.
    runMenu(root, {at(t0), at(t0 + 100, take(&start)), at(t0 + 19000, take(&before)), at(t0 + 20500),
                   at(t0 + 20600, take(&after)), at(t0 + 20700, keys({'m'})), at(t0 + 60000),
                   at(t0 + 60100, take(&settings)), at(t0 + 60200, keys({'b'})), at(t0 + 60300, take(&back))});
    EXPECT_EQ(start.lastClockRefresh, t0 + 100u);
    EXPECT_EQ(before.lastClockRefresh, start.lastClockRefresh) << "not again within 20 s";
    EXPECT_EQ(after.lastClockRefresh, t0 + 20600u) << "again once more than 20 s passed";
    EXPECT_FALSE(settings.clockRefresh);
    EXPECT_EQ(settings.lastClockRefresh, t0 + 20600u) << "no refresh while Settings edits the time";
    EXPECT_TRUE(back.clockRefresh);
    EXPECT_EQ(back.lastClockRefresh, t0 + 60200u) << "leaving Settings renders the clock again";
}

// --- Settings ---------------------------------------------------------------------------

TEST_F(Spine, SettingsFieldsWrapAndBackReturnsToTheSavedHomeColumn)
{
    Snapshot wrapped, home;
    runMenu(root, {keys({'q', 'm', 'q'}), take(&wrapped), keys({'b'}), take(&home)});
    EXPECT_EQ(wrapped.state, Settings);
    EXPECT_EQ(wrapped.column, 6);
    EXPECT_EQ(home.state, Home);
    EXPECT_EQ(home.column, 3);
    EXPECT_FALSE(root.read("/.clock-requests").empty()) << "leaving Settings sets the clock";
}

// --- Keys wired to the other modules -------------------------------------------------

TEST_F(Spine, CpuKeyCyclesTheSpeedAndMenuWithRAndTStepsTheBacklight)
{
    root.write("/mnt/mmc/CFW/cpuspeed", "1008000");
    root.write("/mnt/mmc/CFW/brightness", "100\n");
    root.write("/sys/class/switch/hdmi/state", "0\n");
    int speed = 0;
    runMenu(root, {keys({'n', 'n'}), [&](MenuModel &m) { speed = m.cpuSpeed; }, keys({'r'}),
                   [](MenuModel &) {
                       pushKey('u', true);
                       press('r');
                       press('r');
                       press('t');
                       pushKey('u', false);
                   }});
    EXPECT_EQ(speed, 1488000);
    EXPECT_EQ(root.read("/mnt/mmc/CFW/cpuspeed"), "1488000");
    EXPECT_EQ(root.read("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq"), "1488000");
    EXPECT_EQ(root.read("/mnt/mmc/CFW/brightness"), "200\n") << "r alone does nothing; 100 -> 200 -> 400 -> 200";
}

TEST_F(Spine, FavouriteKeyAddsInGamesAndRemovesInFavorites)
{
    auto games = makeGames(root, "GBA", 3);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n1\n/mnt/mmc/Roms/GBA");
    runMenu(root, {keys({'y'})});
    const std::string lpl = "/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl";
    EXPECT_NE(root.read(lpl).find(games[1]), std::string::npos);

    favorites(root, {games[0], games[1], games[2]});
    root.write("/mnt/mmc/CFW/menu.flag", "favorites\n2");
    Snapshot s;
    runMenu(root, {keys({'y'}), take(&s)});
    EXPECT_EQ(s.state, Favorites);
    EXPECT_EQ(s.itemCount, 2);
    EXPECT_EQ(s.row, 1) << "the row moves up when it is past the end";
    EXPECT_EQ(root.read(lpl).find(games[2]), std::string::npos);
}

TEST_F(Spine, RemoveKeyInRecentDropsTheEntryAndMovesUp)
{
    auto games = makeGames(root, "GBA", 3);
    history(root, games);
    root.write("/mnt/mmc/CFW/menu.flag", "recent");
    Snapshot s, empty;
    runMenu(root, {keys({'s', 'x'}), take(&s), keys({'x', 'x', 'x'}), take(&empty)});
    EXPECT_EQ(s.itemCount, 2);
    EXPECT_EQ(s.row, 0);
    EXPECT_EQ(s.items, (std::vector<std::string>{games[0], games[2]}));
    EXPECT_EQ(empty.itemCount, 0);
    EXPECT_EQ(empty.row, 0);
}

TEST_F(Spine, BacklightFollowsHdmiFromTheFirstFrame)
{
    const std::string backlight = "/sys/class/backlight/backlight.2/brightness";
    root.write("/mnt/mmc/CFW/brightness", "600\n");
    root.write("/sys/class/switch/hdmi/state", "1\n");
    root.write(backlight, "400\n");
    std::string plugged, unplugged, keysWhilePlugged;
    runMenu(root, {[&](MenuModel &) { plugged = root.read(backlight); },
                   [&](MenuModel &) {
                       pushKey('u', true);
                       press('r');
                       pushKey('u', false);
                   },
                   [&](MenuModel &) {
                       keysWhilePlugged = root.read("/mnt/mmc/CFW/brightness");
                       root.write("/sys/class/switch/hdmi/state", "0\n");
                   },
                   [&](MenuModel &) { unplugged = root.read(backlight); }});
    EXPECT_EQ(plugged, "0\n");
    EXPECT_EQ(keysWhilePlugged, "600\n") << "brightness keys do nothing while HDMI is connected";
    EXPECT_EQ(unplugged, "600\n");
}

// --- A bare card --------------------------------------------------------------------------

TEST(SpineBare, RunsWithoutSkinFontsLanguagesOrContent)
{
    TempRoot root;
    root.install_recording_shell("/bin/sh", "/tmp/commands.log");
    Snapshot consoles, recent, settings, home;
    // Every screen and key on a card holding nothing at all.
    int rc = runMenu(root, {keys({'d', 'd', 'a', 'a', 'd', 's', 'q', 'a', 'h', 'y'}), take(&consoles),
                            keys({'b', 'q', 'q', 'a', 's', 'x', 'y', 'a', 'm', 'l'}), take(&recent),
                            keys({'b', 'm', 'q', 's', 'w', 'd', 's', 'w'}), take(&settings),
                            keys({'b', 'q', 'q', 'q', 'a', 'b', 'u'}), take(&home)});
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(consoles.state, Consoles);
    EXPECT_EQ(consoles.itemCount, 0);
    EXPECT_EQ(recent.state, Recent);
    EXPECT_EQ(recent.itemCount, 0);
    EXPECT_EQ(settings.state, Settings);
    EXPECT_EQ(home.state, Recent) << "a short Menu press from Home";
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/retroarch/command.sh")) << "nothing to launch in empty lists";
}

// --- restorecpu ------------------------------------------------------------------------------

TEST(SpineRestore, RestoreCpuOnlyWritesTheSavedSpeed)
{
    TempRoot root;
    root.write("/mnt/mmc/CFW/cpuspeed", "1296000");
    root.write("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq", "1008000\n");
    int rc = runMenu(root, {idle()}, {"restorecpu"});
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(frames, 0) << "no frame is drawn";
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_EQ(root.read("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq"), "1296000");
    EXPECT_EQ(root.read("/mnt/mmc/CFW/cpuspeed"), "1296000");
}

} // namespace
