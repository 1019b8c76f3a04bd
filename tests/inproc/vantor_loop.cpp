// The front end's real main loop driven in-process: resume file, screens and
// transitions, joystick translation, auto-repeat, Menu button, Consoles paging
// and the letter jump.

#include "vantor_loop_test.h"

#include <fstream>

#include "vantor/hardware.h"

using namespace vantor_loop;

namespace {

const char *mapping =
    "{\n  \"GBA\": \"mgba_libretro.so\",\n  \"NES\": \"fceumm_libretro.so\",\n"
    "  \"SNES\": \"snes9x_libretro.so\"\n}\n";

// n files in /mnt/mmc/Roms/<system>, named "Game NN.ext"; returns their paths.
std::vector<std::string> make_games(const TempRoot &root, const std::string &system, int n,
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
        base_root(root);
        root.write("/mnt/mmc/CFW/config/coremapping.json", mapping);
    }
    TempRoot root;
};

TEST_F(Spine, StartsOnHomeAndSavesAScreenshot)
{
    Snapshot s;
    const std::string bmp = root.path() + "/home.bmp";
    int rc = run_menu(root, {idle(), take(&s), [&](MenuModel &) { SDL_SaveBMP(SDL_GetVideoSurface(), bmp.c_str()); }});
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(s.state, STATE_HOME);
    EXPECT_EQ(s.column, 0);
    EXPECT_EQ(s.max_column, 3);
    EXPECT_TRUE(s.has_title);
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
    auto games = make_games(root, "GBA", 5);
    favorites(root, games);
    root.write("/mnt/mmc/CFW/menu.flag", "favorites\n7");
    Snapshot s;
    bool flag_gone = false;
    run_menu(root, {[&](MenuModel &m) {
                 s = snap(m);
                 flag_gone = !root.exists("/mnt/mmc/CFW/menu.flag");
             }});
    EXPECT_TRUE(flag_gone);
    EXPECT_EQ(s.state, STATE_FAVORITES);
    EXPECT_EQ(s.item_count, 5);
    EXPECT_EQ(s.row, 0);
    EXPECT_EQ(s.max_row, 4);
    EXPECT_EQ(s.max_column, 0);
}

TEST_F(Spine, ResumeFavoritesWithinTheListKeepsTheRowAndBackGoesToTheFavoritesEntry)
{
    favorites(root, make_games(root, "GBA", 5));
    root.write("/mnt/mmc/CFW/menu.flag", "favorites\n3\n");
    Snapshot s, home;
    run_menu(root, {take(&s), keys({'b'}), take(&home)});
    EXPECT_EQ(s.state, STATE_FAVORITES);
    EXPECT_EQ(s.row, 3);
    EXPECT_EQ(home.state, STATE_HOME);
    EXPECT_EQ(home.column, 1);
}

TEST_F(Spine, ResumeHomeColumnOnlyWhenItIsAnEntry)
{
    const std::pair<const char *, int> cases[] = {
        {"home\n9", 0}, {"home\n2", 2}, {"home\n3\r\n", 3}, {"home\n-1", 0}, {"home", 0}};
    for (const auto &c : cases) {
        root.write("/mnt/mmc/CFW/menu.flag", c.first);
        Snapshot s;
        run_menu(root, {take(&s)});
        EXPECT_EQ(s.state, STATE_HOME) << c.first;
        EXPECT_EQ(s.column, c.second) << c.first;
    }
}

TEST_F(Spine, ResumeGamesOpensTheFolderAtTheRowAndBackShowsConsolesPageZero)
{
    make_games(root, "GBA", 6);
    make_games(root, "NES", 2, ".nes");
    root.write("/mnt/mmc/CFW/menu.flag", "games\n3\n/mnt/mmc/Roms/GBA");
    Snapshot games, consoles, home;
    run_menu(root, {take(&games), keys({'b'}), take(&consoles), keys({'b'}), take(&home)});
    EXPECT_EQ(games.state, STATE_GAMES);
    EXPECT_EQ(games.item_count, 6);
    EXPECT_EQ(games.row, 3);
    ASSERT_EQ(games.items.size(), 6u);
    EXPECT_EQ(games.items[3], "/mnt/mmc/Roms/GBA/Game 03.gba");
    EXPECT_EQ(consoles.state, STATE_CONSOLES);
    EXPECT_EQ(consoles.page, 0);
    EXPECT_EQ(consoles.column, 0);
    EXPECT_EQ(consoles.row, 0);
    EXPECT_EQ(consoles.item_count, 2);
    EXPECT_EQ(home.state, STATE_HOME);
    EXPECT_EQ(home.column, 2);
}

TEST_F(Spine, ResumeWithoutAUsableRecordStartsOnHome)
{
    make_games(root, "GBA", 3);
    for (const char *text : {"", "whatever\n2", "games\n2", "Recent", "\n"}) {
        root.write("/mnt/mmc/CFW/menu.flag", text);
        Snapshot s;
        run_menu(root, {take(&s)});
        EXPECT_EQ(s.state, STATE_HOME) << text;
        EXPECT_EQ(s.column, 0) << text;
    }
    remove_tree(root.host("/mnt/mmc/CFW/menu.flag"));
    Snapshot s;
    run_menu(root, {take(&s)});
    EXPECT_EQ(s.state, STATE_HOME);
}

TEST_F(Spine, ResumeRecentAndConsoles)
{
    auto games = make_games(root, "GBA", 3);
    history(root, {games[2], games[0]});
    root.write("/mnt/mmc/CFW/menu.flag", "recent");
    Snapshot recent, home;
    run_menu(root, {take(&recent), keys({'b'}), take(&home)});
    EXPECT_EQ(recent.state, STATE_RECENT);
    EXPECT_EQ(recent.item_count, 2);
    EXPECT_EQ(recent.row, 0);
    EXPECT_EQ(home.column, 0);

    root.write("/mnt/mmc/CFW/menu.flag", "consoles");
    Snapshot consoles;
    run_menu(root, {take(&consoles), keys({'b'}), take(&home)});
    EXPECT_EQ(consoles.state, STATE_CONSOLES);
    EXPECT_EQ(consoles.max_row, 1);
    EXPECT_EQ(consoles.max_column, 3);
    EXPECT_EQ(home.column, 2);
}

TEST_F(Spine, ClosingTheWindowLeavesNoResumeFile)
{
    Snapshot s;
    int rc = run_menu(root, {keys({'d', 'd'}), take(&s)});
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(s.column, 2);
    EXPECT_EQ(flag(root), "<none>");
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/shutdown.flag"));
}

TEST_F(Spine, PowerKeyWritesTheResumeFileForEveryScreenAndPowersOff)
{
    auto games = make_games(root, "GBA", 4);
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
        bool after_power = false;
        run_menu(root, {keys(c.keys), [](MenuModel &) { push_key(0, true, POWER_SCANCODE_CONSOLE); },
                        [&](MenuModel &) { after_power = true; }});
        EXPECT_FALSE(after_power) << "the loop goes on after the power key";
        EXPECT_EQ(flag(root), c.expected);
        EXPECT_TRUE(root.exists("/mnt/mmc/CFW/shutdown.flag"));
        EXPECT_EQ(root.recorded("/tmp/commands.log"),
                  (std::vector<std::string>{"sync", "mount -o remount,ro /mnt/mmc", "mount -o remount,ro /mnt/SDCARD",
                                            "poweroff -f"}));
    }
}

TEST_F(Spine, LaunchWritesTheResumeFileOfItsListAndQuits)
{
    auto games = make_games(root, "GBA", 4);
    favorites(root, games);
    bool after = false;
    run_menu(root, {keys({'d', 'd', 'a', 'a', 's', 'a'}), [&](MenuModel &) { after = true; }});
    EXPECT_FALSE(after);
    EXPECT_EQ(flag(root), "games\n1\n/mnt/mmc/Roms/GBA");
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/retroarch/command.sh"));

    remove_tree(root.host("/mnt/mmc/CFW/retroarch/command.sh"));
    remove_tree(root.host("/mnt/mmc/CFW/menu.flag"));
    run_menu(root, {keys({'d', 'a', 's', 's', 'm'})});
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
    run_menu(root, {keys({'d', 'a', 'a'}), take(&s)});
    EXPECT_EQ(s.state, STATE_FAVORITES);
    EXPECT_EQ(flag(root), "<none>");
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/retroarch/command.sh"));
}

TEST_F(Spine, RetroArchEntryWritesHomeThree)
{
    run_menu(root, {keys({'q', 'a'})});
    EXPECT_EQ(flag(root), "home\n3");
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/retroarch/command.sh"));
}

// --- Joystick ----------------------------------------------------------------------

TEST_F(Spine, HatMovesAndAHeldDirectionIsOnlyReleasedByTheNextHatEvent)
{
    make_games(root, "GBA", 5);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n0\n/mnt/mmc/Roms/GBA");
    Snapshot a, b, c, d, e;
    run_menu(root,
             {[](MenuModel &) { push_hat(SDL_HAT_DOWN); }, take(&a), [](MenuModel &) { push_hat(SDL_HAT_CENTERED); },
              take(&b), [](MenuModel &) { push_hat(SDL_HAT_DOWN); }, [](MenuModel &) { push_hat(SDL_HAT_RIGHT); },
              take(&c), [](MenuModel &) { push_hat(SDL_HAT_RIGHT); }, take(&d),
              [](MenuModel &) { push_hat(SDL_HAT_RIGHT | SDL_HAT_UP); }, [](MenuModel &) { push_hat(0); }, take(&e)});
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
    auto games = make_games(root, "GBA", 20);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n3\n/mnt/mmc/Roms/GBA");
    Snapshot hat, arrow;
    run_menu(root, {[](MenuModel &) { push_hat(SDL_HAT_LEFT); }, [](MenuModel &) { push_hat(0); }, take(&hat)});
    EXPECT_EQ(hat.row, 19);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n3\n/mnt/mmc/Roms/GBA");
    run_menu(root, {keys({SDLK_LEFT}), take(&arrow)});
    EXPECT_EQ(arrow.row, 2);
    Snapshot right;
    root.write("/mnt/mmc/CFW/menu.flag", "games\n3\n/mnt/mmc/Roms/GBA");
    run_menu(root, {[](MenuModel &) { push_hat(SDL_HAT_RIGHT); }, [](MenuModel &) { push_hat(0); }, take(&right)});
    EXPECT_EQ(right.row, 11);

    history(root, games);
    Snapshot recent;
    root.write("/mnt/mmc/CFW/menu.flag", "recent");
    run_menu(root, {keys({'s', 's', 's'}), [](MenuModel &) { push_hat(SDL_HAT_LEFT); },
                    [](MenuModel &) { push_hat(0); }, take(&recent)});
    EXPECT_EQ(recent.state, STATE_RECENT);
    EXPECT_EQ(recent.row, 2);
}

TEST_F(Spine, ButtonsActLikeTheirKeysOnBothPads)
{
    Snapshot settings, home, recent, none;
    run_menu(root, {[](MenuModel &) {
                        push_button(8, true);
                        push_button(8, false);
                    },
                    take(&settings),
                    [](MenuModel &) {
                        push_button(1, true, 1);
                        push_button(1, false, 1);
                    },
                    take(&home),
                    [](MenuModel &) {
                        push_button(0, true, 1);
                        push_button(0, false, 1);
                    },
                    take(&recent),
                    [](MenuModel &) {
                        push_button(1, true);
                        push_button(1, false);
                        push_button(4, true);
                        push_button(4, false);
                        push_button(15, true);
                    },
                    take(&none)});
    EXPECT_EQ(settings.state, STATE_SETTINGS);
    EXPECT_EQ(settings.max_column, 6);
    EXPECT_EQ(home.state, STATE_HOME);
    EXPECT_EQ(recent.state, STATE_RECENT);
    EXPECT_EQ(none.state, STATE_HOME);
}

// --- Consoles ------------------------------------------------------------------------

void consoles_with(const TempRoot &root, int n)
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
    consoles_with(root, 17);
    Snapshot first, left, right, beyond, open;
    run_menu(root, {keys({'d', 'd', 'a'}), take(&first), keys({'q'}), take(&left), keys({'d'}), take(&right),
                    keys({'q', 'q', 'q', 'd'}), take(&beyond), keys({'a'}), take(&open)});
    EXPECT_EQ(first.state, STATE_CONSOLES);
    EXPECT_EQ(first.item_count, 17);
    EXPECT_EQ(left.page, 2);
    EXPECT_EQ(left.column, 3);
    EXPECT_EQ(right.page, 0) << "right from column 3 of the last page";
    EXPECT_EQ(right.column, 0);
    // From page 0: left to page 2 column 3, then left twice to column 1, right to 2.
    EXPECT_EQ(beyond.page, 2);
    EXPECT_EQ(beyond.column, 2);
    EXPECT_EQ(open.state, STATE_CONSOLES) << "a tile past the last folder opens nothing";
}

TEST_F(Spine, ConsolesWithSixteenFoldersHasTwoPagesAndOpensTheRightFolder)
{
    consoles_with(root, 16);
    Snapshot left, games, back;
    run_menu(root, {keys({'d', 'd', 'a', 'q'}), take(&left), keys({'s', 'a'}), take(&games), keys({'b'}), take(&back)});
    EXPECT_EQ(left.page, 1);
    EXPECT_EQ(left.column, 3);
    EXPECT_EQ(games.state, STATE_GAMES);
    ASSERT_EQ(games.item_count, 1);
    EXPECT_EQ(games.items[0], "/mnt/mmc/Roms/SYS15/game.bin"); // page 1, row 1, column 3
    EXPECT_EQ(back.state, STATE_CONSOLES);
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
        run_menu(root, {keys({c.key}), take(&s)});
        EXPECT_EQ(s.row, c.to) << "from " << c.from << " key " << static_cast<char>(c.key);
    }
}

// --- Menu button -----------------------------------------------------------------------

TEST_F(Spine, ShortMenuPressOpensRecentExceptInRecentAndSettings)
{
    make_games(root, "GBA", 3);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n1\n/mnt/mmc/Roms/GBA");
    Snapshot recent, still_recent, settings;
    run_menu(root, {at(200000, keys({'u'})), take(&recent), at(201000, keys({'u'})), take(&still_recent),
                    at(202000, keys({'b', 'm'})), at(203000, keys({'u'})), take(&settings)});
    EXPECT_EQ(recent.state, STATE_RECENT);
    EXPECT_EQ(still_recent.state, STATE_RECENT);
    EXPECT_EQ(settings.state, STATE_SETTINGS);
}

TEST_F(Spine, LongMenuPressGoesHomeAndItsReleaseDoesNothing)
{
    auto games = make_games(root, "GBA", 3);
    favorites(root, games);
    root.write("/mnt/mmc/CFW/menu.flag", "favorites\n1");
    Snapshot held, during, after;
    run_menu(root,
             {at(200000, [](MenuModel &) { push_key('u', true); }), at(200500, take(&held)), at(201000), at(201100),
              at(201150, take(&during)), at(201200, [](MenuModel &) { push_key('u', false); }), take(&after)});
    EXPECT_EQ(held.state, STATE_FAVORITES);
    EXPECT_EQ(during.state, STATE_HOME);
    EXPECT_EQ(during.column, 1);
    EXPECT_EQ(after.state, STATE_HOME);
}

TEST_F(Spine, MenuWithAnotherKeyDoesNeither)
{
    make_games(root, "GBA", 3);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n0\n/mnt/mmc/Roms/GBA");
    Snapshot s;
    run_menu(root, {at(200000,
                       [](MenuModel &) {
                           push_key('u', true);
                           press('s');
                       }),
                    at(202000), at(202100, [](MenuModel &) { push_key('u', false); }), take(&s)});
    EXPECT_EQ(s.state, STATE_GAMES);
    EXPECT_EQ(s.row, 1);
}

TEST_F(Spine, ShortMenuPressInHomeWithAnyDurationOpensRecent)
{
    Snapshot s;
    run_menu(root, {at(200000, [](MenuModel &) { push_key('u', true); }), at(203000),
                    at(203100, [](MenuModel &) { push_key('u', false); }), take(&s)});
    EXPECT_EQ(s.state, STATE_RECENT);
}

// --- Auto-repeat -------------------------------------------------------------------------

TEST_F(Spine, HoldingDownRepeatsAfter250msAtMostEvery90msAndOncePerFrame)
{
    make_games(root, "GBA", 30);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n0\n/mnt/mmc/Roms/GBA");
    std::vector<std::pair<Uint32, int>> rows;
    auto row_at = [&](Uint32 t) { return at(t, [&rows, t](MenuModel &m) { rows.push_back({t, m.row}); }); };
    const Uint32 t0 = 200000;
    // The row is read at the start of a frame, before that frame's events.
    run_menu(root, {at(t0, [](MenuModel &) { push_key('s', true); }), row_at(t0 + 100), row_at(t0 + 250),
                    row_at(t0 + 251), row_at(t0 + 300), row_at(t0 + 341), row_at(t0 + 342), row_at(t0 + 2000),
                    row_at(t0 + 2001), at(t0 + 2100, [](MenuModel &) { push_key('s', false); }), row_at(t0 + 2200),
                    row_at(t0 + 3000), row_at(t0 + 3000)});
    const int expected[] = {1, 1, 1, 2, 2, 2, 3, 4, 4, 4, 4};
    ASSERT_EQ(rows.size(), 11u);
    for (size_t i = 0; i < rows.size(); i++)
        EXPECT_EQ(rows[i].second, expected[i]) << "at +" << rows[i].first - t0;
}

TEST_F(Spine, ArtworkWaitsUntilTheRepeatRests)
{
    auto games = make_games(root, "GBA", 10);
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
    run_menu(root, {at(t0, [](MenuModel &) { push_key('s', true); }), at(t0 + 10, take(&pressed)), at(t0 + 300),
                    at(t0 + 310, take(&repeating)), at(t0 + 320, [](MenuModel &) { push_key('s', false); }),
                    at(t0 + 330, take(&released)), at(t0 + 420), at(t0 + 430, take(&rested))});
    EXPECT_EQ(pressed.row, 1);
    EXPECT_TRUE(pressed.has_override) << "a real key press loads the picture at once";
    EXPECT_EQ(repeating.row, 2);
    EXPECT_FALSE(repeating.has_override) << "not decoded during a repeat";
    EXPECT_FALSE(released.has_override) << "not within 90 ms of the last event";
    EXPECT_EQ(rested.row, 2);
    EXPECT_TRUE(rested.has_override) << "loaded once the keys rest";
}

TEST_F(Spine, NoRepeatOutsideTheLists)
{
    consoles_with(root, 5);
    Snapshot home, consoles;
    run_menu(root, {at(200000, [](MenuModel &) { push_key('d', true); }), at(201000), at(202000), take(&home)});
    EXPECT_EQ(home.column, 1);
    EXPECT_EQ(home.state, STATE_HOME);
    root.write("/mnt/mmc/CFW/menu.flag", "consoles");
    run_menu(root,
             {at(200000, [](MenuModel &) { push_key(SDLK_DOWN, true); }), at(201000), at(202000), take(&consoles)});
    EXPECT_EQ(consoles.state, STATE_CONSOLES);
    EXPECT_EQ(consoles.row, 1);
}

TEST_F(Spine, ADirectionReleasedOnAnotherScreenDoesNotRepeatInTheNextList)
{
    make_games(root, "GBA", 10);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n0\n/mnt/mmc/Roms/GBA");
    Snapshot s;
    run_menu(root,
             {at(200000, [](MenuModel &) { push_key(SDLK_RIGHT, true); }), at(200010, [](MenuModel &) { press('b'); }),
              at(200020, [](MenuModel &) { push_key(SDLK_RIGHT, false); }), at(200030, [](MenuModel &) { press('a'); }),
              at(201000), at(202000), take(&s)});
    EXPECT_EQ(s.state, STATE_GAMES);
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
    run_menu(root, steps);
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
    run_menu(root, {at(t0), at(t0 + 100, take(&start)), at(t0 + 19000, take(&before)), at(t0 + 20500),
                    at(t0 + 20600, take(&after)), at(t0 + 20700, keys({'m'})), at(t0 + 60000),
                    at(t0 + 60100, take(&settings)), at(t0 + 60200, keys({'b'})), at(t0 + 60300, take(&back))});
    EXPECT_EQ(start.last_clock_refresh, t0 + 100u);
    EXPECT_EQ(before.last_clock_refresh, start.last_clock_refresh) << "not again within 20 s";
    EXPECT_EQ(after.last_clock_refresh, t0 + 20600u) << "again once more than 20 s passed";
    EXPECT_FALSE(settings.clock_refresh);
    EXPECT_EQ(settings.last_clock_refresh, t0 + 20600u) << "no refresh while Settings edits the time";
    EXPECT_TRUE(back.clock_refresh);
    EXPECT_EQ(back.last_clock_refresh, t0 + 60200u) << "leaving Settings renders the clock again";
}

// --- Settings ---------------------------------------------------------------------------

TEST_F(Spine, SettingsFieldsWrapAndBackReturnsToTheSavedHomeColumn)
{
    Snapshot wrapped, home;
    run_menu(root, {keys({'q', 'm', 'q'}), take(&wrapped), keys({'b'}), take(&home)});
    EXPECT_EQ(wrapped.state, STATE_SETTINGS);
    EXPECT_EQ(wrapped.column, 6);
    EXPECT_EQ(home.state, STATE_HOME);
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
    run_menu(root, {keys({'n', 'n'}), [&](MenuModel &m) { speed = m.cpu_speed; }, keys({'r'}),
                    [](MenuModel &) {
                        push_key('u', true);
                        press('r');
                        press('r');
                        press('t');
                        push_key('u', false);
                    }});
    EXPECT_EQ(speed, 1488000);
    EXPECT_EQ(root.read("/mnt/mmc/CFW/cpuspeed"), "1488000");
    EXPECT_EQ(root.read("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq"), "1488000");
    EXPECT_EQ(root.read("/mnt/mmc/CFW/brightness"), "200\n") << "r alone does nothing; 100 -> 200 -> 400 -> 200";
}

TEST_F(Spine, FavouriteKeyAddsInGamesAndRemovesInFavorites)
{
    auto games = make_games(root, "GBA", 3);
    root.write("/mnt/mmc/CFW/menu.flag", "games\n1\n/mnt/mmc/Roms/GBA");
    run_menu(root, {keys({'y'})});
    const std::string lpl = "/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl";
    EXPECT_NE(root.read(lpl).find(games[1]), std::string::npos);

    favorites(root, {games[0], games[1], games[2]});
    root.write("/mnt/mmc/CFW/menu.flag", "favorites\n2");
    Snapshot s;
    run_menu(root, {keys({'y'}), take(&s)});
    EXPECT_EQ(s.state, STATE_FAVORITES);
    EXPECT_EQ(s.item_count, 2);
    EXPECT_EQ(s.row, 1) << "the row moves up when it is past the end";
    EXPECT_EQ(root.read(lpl).find(games[2]), std::string::npos);
}

TEST_F(Spine, RemoveKeyInRecentDropsTheEntryAndMovesUp)
{
    auto games = make_games(root, "GBA", 3);
    history(root, games);
    root.write("/mnt/mmc/CFW/menu.flag", "recent");
    Snapshot s, empty;
    run_menu(root, {keys({'s', 'x'}), take(&s), keys({'x', 'x', 'x'}), take(&empty)});
    EXPECT_EQ(s.item_count, 2);
    EXPECT_EQ(s.row, 0);
    EXPECT_EQ(s.items, (std::vector<std::string>{games[0], games[2]}));
    EXPECT_EQ(empty.item_count, 0);
    EXPECT_EQ(empty.row, 0);
}

TEST_F(Spine, BacklightFollowsHdmiFromTheFirstFrame)
{
    const std::string backlight = "/sys/class/backlight/backlight.2/brightness";
    root.write("/mnt/mmc/CFW/brightness", "600\n");
    root.write("/sys/class/switch/hdmi/state", "1\n");
    root.write(backlight, "400\n");
    std::string plugged, unplugged, keys_while_plugged;
    run_menu(root, {[&](MenuModel &) { plugged = root.read(backlight); },
                    [&](MenuModel &) {
                        push_key('u', true);
                        press('r');
                        push_key('u', false);
                    },
                    [&](MenuModel &) {
                        keys_while_plugged = root.read("/mnt/mmc/CFW/brightness");
                        root.write("/sys/class/switch/hdmi/state", "0\n");
                    },
                    [&](MenuModel &) { unplugged = root.read(backlight); }});
    EXPECT_EQ(plugged, "0\n");
    EXPECT_EQ(keys_while_plugged, "600\n") << "brightness keys do nothing while HDMI is connected";
    EXPECT_EQ(unplugged, "600\n");
}

// --- A bare card --------------------------------------------------------------------------

TEST(SpineBare, RunsWithoutSkinFontsLanguagesOrContent)
{
    TempRoot root;
    root.install_recording_shell("/bin/sh", "/tmp/commands.log");
    Snapshot consoles, recent, settings, home;
    // Every screen and key on a card holding nothing at all.
    int rc = run_menu(root, {keys({'d', 'd', 'a', 'a', 'd', 's', 'q', 'a', 'h', 'y'}), take(&consoles),
                             keys({'b', 'q', 'q', 'a', 's', 'x', 'y', 'a', 'm', 'l'}), take(&recent),
                             keys({'b', 'm', 'q', 's', 'w', 'd', 's', 'w'}), take(&settings),
                             keys({'b', 'q', 'q', 'q', 'a', 'b', 'u'}), take(&home)});
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(consoles.state, STATE_CONSOLES);
    EXPECT_EQ(consoles.item_count, 0);
    EXPECT_EQ(recent.state, STATE_RECENT);
    EXPECT_EQ(recent.item_count, 0);
    EXPECT_EQ(settings.state, STATE_SETTINGS);
    EXPECT_EQ(home.state, STATE_RECENT) << "a short Menu press from Home";
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/retroarch/command.sh")) << "nothing to launch in empty lists";
}

// --- restorecpu ------------------------------------------------------------------------------

TEST(SpineRestore, RestoreCpuOnlyWritesTheSavedSpeed)
{
    TempRoot root;
    root.write("/mnt/mmc/CFW/cpuspeed", "1296000");
    root.write("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq", "1008000\n");
    int rc = run_menu(root, {idle()}, {"restorecpu"});
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(frames, 0) << "no frame is drawn";
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_EQ(root.read("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq"), "1296000");
    EXPECT_EQ(root.read("/mnt/mmc/CFW/cpuspeed"), "1296000");
}

} // namespace
