// The real main loop with hostile names and what interrupted runs leave: a
// game list and labels holding a combining mark that the system's SDL_ttf
// would draw outside its surface, and temporary files of cut-short writes.
// Run under AddressSanitizer (tools/test-sanitizers), a write outside a text
// surface shows as a bad free.

#include "vantor_loop_test.h"

#include <fcntl.h>
#include <sys/stat.h>

using namespace vantor_loop;

namespace {

// "b" followed by U+0488 COMBINING CYRILLIC HUNDRED THOUSANDS SIGN.
const std::string MARK = "b\xd2\x88";

void use_language(const TempRoot &root, const std::string &language)
{
    root.write("/mnt/mmc/CFW/language.flag", language);
}

} // namespace

TEST(HostileInput, GameListWithACombiningMarkInTheSpanishFont)
{
    TempRoot root;
    base_root(root);
    use_language(root, "Spanish");
    // The labels of the language file hold the mark too.
    std::string spanish = root.read("/mnt/mmc/CFW/lang/Spanish.json");
    const size_t at = spanish.find("\"NAVEGAR\"");
    ASSERT_NE(at, std::string::npos);
    spanish.replace(at, 9, "\"" + MARK + " NAVEGAR\"");
    root.write("/mnt/mmc/CFW/lang/Spanish.json", spanish);

    const std::string hostile = "/mnt/mmc/Roms/GBA/" + MARK + " Game.gba";
    root.write(hostile, "rom");
    root.write("/mnt/mmc/Roms/GBA/Advance Wars.gba", "rom");
    root.write("/mnt/mmc/Roms/GBA/" + MARK + MARK + ".gba", "rom");
    root.write("/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl", playlist({hostile}));
    root.write("/mnt/mmc/CFW/menu.flag", "games\n0\n/mnt/mmc/Roms/GBA");

    Snapshot games, moved, favorites;
    EXPECT_EQ(run_menu(root, {idle(), take(&games), keys({SDLK_DOWN}), idle(), keys({SDLK_DOWN}), idle(), take(&moved),
                              keys({'b'}), idle()}),
              0);
    EXPECT_EQ(games.state, STATE_GAMES);
    ASSERT_EQ(games.item_count, 3);
    EXPECT_EQ(games.items[1], hostile);
    EXPECT_EQ(moved.row, 2);

    root.write("/mnt/mmc/CFW/menu.flag", "favorites\n0");
    EXPECT_EQ(run_menu(root, {idle(), take(&favorites), keys({'y'}), idle(), keys({'b'}), idle()}), 0);
    EXPECT_EQ(favorites.state, STATE_FAVORITES);
    EXPECT_EQ(favorites.items, std::vector<std::string>{hostile});
    // 'y' on it removed it: the list is empty, no second entry was written.
    EXPECT_EQ(root.read("/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl"), playlist({}));
}

TEST(HostileInput, StaleTemporaryFilesAreRemovedAtStart)
{
    TempRoot root;
    base_root(root);
    const std::string fav = "/mnt/mmc/CFW/retroarch/.retroarch/";
    const std::vector<std::string> stale = {fav + ".content_favorites.lpl.a1B2c3", fav + ".retroarch.cfg.XyZ789",
                                            "/mnt/mmc/CFW/.menu.flag.Qq1234",
                                            "/mnt/mmc/CFW/retroarch/.command.sh.000000",
                                            "/mnt/SDCARD/Saves/CurrentProfile/lists/.content_history.lpl.AAAAAA"};
    const time_t start = time(nullptr);
    struct timespec old[2] = {{start - 60, 0}, {start - 60, 0}};
    for (const std::string &path : stale) {
        root.write(path, "half a write");
        utimensat(AT_FDCWD, root.host(path).c_str(), old, 0);
    }
    // One written "during" this run (its time lies ahead) and a stranger's file.
    const std::string young = fav + ".retroarch.cfg.Young9";
    root.write(young, "in progress");
    struct timespec ahead[2] = {{start + 3600, 0}, {start + 3600, 0}};
    utimensat(AT_FDCWD, root.host(young).c_str(), ahead, 0);
    root.write(fav + ".notes.txt.AbCdEf", "someone else's");
    utimensat(AT_FDCWD, root.host(fav + ".notes.txt.AbCdEf").c_str(), old, 0);

    EXPECT_EQ(run_menu(root, {idle()}), 0);
    for (const std::string &path : stale)
        EXPECT_FALSE(root.exists(path)) << path;
    EXPECT_TRUE(root.exists(young));
    EXPECT_TRUE(root.exists(fav + ".notes.txt.AbCdEf"));
}
