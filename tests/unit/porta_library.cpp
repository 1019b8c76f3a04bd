// The game library: the card scan (filter, order, search keys), the TF card
// check, the paged cursors, the start-up restore, the launch command and the
// three sealed lists (history, favourites, core choice) with their file bytes.

#include "porta/base/sealed.h"
#include "porta/base/text.h"
#include "porta/device/hardware.h"
#include "porta/device/storage.h"
#include "porta/library/browse.h"
#include "porta/library/corelist.h"
#include "porta/library/favorites.h"
#include "porta/library/gamelist.h"
#include "porta/library/history.h"
#include "porta/library/listfile.h"
#include "porta/library/systems.h"
#include "porta/base/timers.h"
#include "porta/ui/screens.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

std::string le32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++)
        s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}
std::string sealed(const std::string &content)
{
    return content + le32(crc32_update(0, content.data(), content.size()));
}

std::vector<std::string> names_of(const GameList *l)
{
    std::vector<std::string> v;
    for (int i = 0; i < l->count; i++)
        v.push_back(game_name(l, i));
    return v;
}

class Library : public testing::Test {
protected:
    TempRoot root;
    void SetUp() override
    {
        root.install_recording_shell(PORTA_SHELL, "/tmp/shell.log");
        root.mkdirs("/mnt/data");
        root.mkdirs("/mnt/mmc");
        tf_card_state = 0;
        screen = SCREEN_ROOMS;
        browse_cursor = {0, 0};
        browse_card = SELECTED_NONE;
        browse_system = 0;
        gamelist_free_all();
    }
    void TearDown() override
    {
        gamelist_free_all();
        restart_text_scroll(0);
    }
    // Files (empty content) under a device folder; a name ending in "/" is a folder.
    void files(const std::string &dir, const std::vector<std::string> &names)
    {
        for (const std::string &n : names) {
            if (n.back() == '/')
                root.mkdirs(dir + "/" + n);
            else
                root.write(dir + "/" + n, "rom");
        }
    }
    void numbered(const std::string &dir, int n, const char *ext)
    {
        for (int i = 1; i <= n; i++) {
            char name[32];
            snprintf(name, sizeof name, "g%02d.%s", i, ext);
            root.write(dir + "/" + name, "rom");
        }
    }
};

} // namespace

TEST_F(Library, ScanFiltersAndOrdersLikeTheCard)
{
    files("/mnt/mmc/GBA", {"Game 10.gba", "Game 2.gba", "game 3.GBA", ".hidden.gba", "notes.txt", "Folder/", "x."});
    files("/mnt/mmc/PS1", {"b.iso", "Zeta Disc/", "System Volume Information/", ".trash/", "a.pbp"});
    files("/mnt/mmc/MD", {"readme.b", "sonic.md", "x.gen"});
    scan_card_lists(CARD_MMC, 1);
    EXPECT_EQ(names_of(&mmc_lists[6]), (std::vector<std::string>{"Game 2.gba", "Game 10.gba", "game 3.GBA"}));
    EXPECT_EQ(names_of(&mmc_lists[0]), (std::vector<std::string>{"Zeta Disc", "a.pbp", "b.iso"}));
    EXPECT_TRUE(game_is_dir(&mmc_lists[0], 0));
    EXPECT_EQ(names_of(&mmc_lists[10]), (std::vector<std::string>{"readme.b", "sonic.md"}));
    EXPECT_STREQ(mmc_lists[10].path, "/mnt/mmc/MD");
    // Missing folders were made, bios included.
    EXPECT_TRUE(root.exists("/mnt/mmc/bios"));
    EXPECT_TRUE(root.exists("/mnt/mmc/WonderSwan"));
    // The search chain: one record per entry, keys from the shown names.
    root.write("/mnt/mmc/FC/魔界村.nes", "rom");
    root.write("/mnt/mmc/FC/012 三国志2.nes", "rom");
    scan_card_lists(CARD_MMC, 0);
    SearchNode *n1 = list_node(mmc_lists[7].chain, 1);
    ASSERT_NE(n1, nullptr);
    EXPECT_EQ(std::string(n1->initials, strnlen(n1->initials, 32)), "mjc");
    EXPECT_EQ(std::string(mmc_lists[7].chain->initials), "sgz2") << "012 and the blank are no part of the name";
    EXPECT_EQ(n1->index, 1);
    EXPECT_EQ(n1->card, CARD_MMC);
    EXPECT_EQ(list_node(mmc_lists[7].chain, 2), nullptr);
    // A TF card that is not mounted makes no folders: no scan.
    scan_card_lists(CARD_TF, 0);
    EXPECT_FALSE(tf_lists[6].scanned);
    EXPECT_FALSE(root.exists("/mnt/sdcard/GBA"));
}

TEST_F(Library, ListOrderAndKeysMatchTheReference)
{
    // The scan's own comparison and key shortcuts give what strverscmp and
    // name_initials give.
    std::vector<std::string> names = {"a1.nes",
                                      "a01.nes",
                                      "a001.nes",
                                      "a010.nes",
                                      "a10.nes",
                                      "a9.nes",
                                      "a09.nes",
                                      "a0.nes",
                                      "a00.nes",
                                      "a.nes",
                                      "ab.nes",
                                      "a1b2.nes",
                                      "a1b10.nes",
                                      "a1b02.nes",
                                      "x 2 y.nes",
                                      "x 10 y.nes",
                                      "x 010 y.nes",
                                      "B.nes",
                                      "b.nes",
                                      "9.nes",
                                      "10.nes",
                                      "009.nes",
                                      "三国志2.nes",
                                      "三国志10.nes",
                                      "Zed 1999 Edition Long Name Over 32 Bytes.nes",
                                      "012 Tail.nes",
                                      "!#$%&()+,-;=@[]^_{}~.nes",
                                      "v1.2.10.nes",
                                      "v1.2.9.nes",
                                      "v1.10.nes",
                                      "Game 100.nes",
                                      "Game 99.nes",
                                      "Game 0100.nes",
                                      "Game 1000 B.nes",
                                      "a20b.nes",
                                      "a2b.nes",
                                      "a2.nes",
                                      "a20.nes",
                                      "a2x10.nes",
                                      "a2x9.nes",
                                      "a02x9.nes"};
    files("/mnt/mmc/FC", names);
    scan_card_lists(CARD_MMC, 0);
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end(),
              [](const std::string &a, const std::string &b) { return strverscmp(a.c_str(), b.c_str()) < 0; });
    EXPECT_EQ(names_of(&mmc_lists[7]), sorted);
    int i = 0;
    for (SearchNode *n = mmc_lists[7].chain; n; n = n->next, i++) {
        char shown[256], key[32] = {0};
        display_name(7, game_name(&mmc_lists[7], i), shown, sizeof shown);
        name_initials(shown, key, sizeof key);
        EXPECT_EQ(std::string(n->initials, 32), std::string(key, 32)) << shown;
    }
    EXPECT_EQ(i, static_cast<int>(names.size()));
}

TEST_F(Library, NamesAndExtensions)
{
    char ext[64];
    EXPECT_EQ(file_extension("Game.GbA", ext), 1);
    EXPECT_STREQ(ext, "gba");
    EXPECT_EQ(file_extension("noext", ext), 0);
    EXPECT_EQ(file_extension("ends.", ext), 0);
    EXPECT_EQ(file_extension(("a." + std::string(100, 'X')).c_str(), ext), 1);
    EXPECT_EQ(strlen(ext), 63u);
    char out[256];
    EXPECT_STREQ(display_name(6, "012 Super Game.gba", out, sizeof out), "Super Game");
    EXPECT_STREQ(display_name(5, "1942.zip", out, sizeof out), "1942");
    EXPECT_STREQ(display_name(7, " Game.nes", out, sizeof out), "Game");
    EXPECT_STREQ(display_name(6, "12  ", out, sizeof out), "12  ");
    EXPECT_STREQ(display_name(6, "Zelda: Minish.txt", out, sizeof out), "Zelda: Minish.txt");
    EXPECT_STREQ(display_name(6, "abc.gba", out, 3), "ab");

    // A game's picture folder: the one picture file, never a folder named
    // like one; a name longer than the room or a missing folder gives none.
    root.mkdirs("/mnt/mmc/pics/folder.png");
    root.write("/mnt/mmc/pics/notes.txt", "");
    root.write("/mnt/mmc/pics/title screen.jpg", "");
    EXPECT_EQ(first_picture("/mnt/mmc/pics", out, sizeof out), 0);
    EXPECT_STREQ(out, "title screen.jpg");
    EXPECT_EQ(first_picture("/mnt/mmc/pics", out, 16), -1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(first_picture("/mnt/mmc/nothing", out, sizeof out), -1);
}

TEST_F(Library, CardDetectionMountsAndUnmounts)
{
    root.write("/proc/mounts", "/dev/root / ext4 rw 0 0\n");
    EXPECT_EQ(tf_card_check(), 0);
    EXPECT_TRUE(root.recorded("/tmp/shell.log").empty()) << "no card, nothing run";
    root.write("/dev/block/mmcblk2p1", "");
    EXPECT_EQ(tf_card_check(), 0) << "the script ran but the mount is not seen";
    EXPECT_EQ(tf_card_check(), 0);
    root.write("/proc/mounts", "/dev/root / ext4 rw 0 0\n/dev/block/mmcblk2p1 /mnt/sdcard vfat rw 0 0\n");
    EXPECT_EQ(tf_card_check(), 1);
    EXPECT_EQ(tf_card_check(), 1);
    unlink(root.host("/dev/block/mmcblk2p1").c_str());
    EXPECT_EQ(tf_card_check(), 0);
    EXPECT_EQ(root.recorded("/tmp/shell.log"),
              (std::vector<std::string>{"/system/porta/mmc.sh add", "/system/porta/mmc.sh add",
                                        "/system/porta/mmc.sh add", "/system/porta/mmc.sh remove"}));
    unlink(root.host("/proc/mounts").c_str());
    EXPECT_EQ(tf_mounted(), -1);
}

TEST_F(Library, PagedCursorOnNineAndTenEntries)
{
    BrowseCursor c = {0, 8};
    cursor_down(&c, 10);
    EXPECT_EQ(c.page * 10 + c.row, 10) << "page 1 row 0";
    cursor_down(&c, 10);
    EXPECT_EQ(c.page * 10 + c.row, 0);
    cursor_up(&c, 10);
    EXPECT_EQ(c.page * 10 + c.row, 10) << "up from the top goes to page 1 row 0";
    c = {0, 5};
    cursor_right(&c, 10);
    EXPECT_EQ(c.page * 10 + c.row, 10);
    c = {0, 5};
    cursor_left(&c, 10);
    EXPECT_EQ(c.page * 10 + c.row, 10);
    cursor_right(&c, 10);
    EXPECT_EQ(c.page * 10 + c.row, 0) << "right from the last page goes to page 0, keeping the row";
    // Nine entries: one page; left and right do nothing, up wraps to 8.
    c = {0, 4};
    cursor_left(&c, 9);
    cursor_right(&c, 9);
    EXPECT_EQ(c.page * 10 + c.row, 4);
    c = {0, 0};
    cursor_up(&c, 9);
    EXPECT_EQ(c.row, 8);
    cursor_down(&c, 9);
    EXPECT_EQ(c.row, 0);
    // 23 entries: page 2 holds rows 0..4; down from row 4 wraps to the top.
    c = {2, 4};
    cursor_down(&c, 23);
    EXPECT_EQ(c.page * 10 + c.row, 0);
    // No entries: the cursor stays home instead of going to row -1.
    c = {0, 0};
    cursor_up(&c, 0);
    EXPECT_EQ(c.row, 0);
    // History: one page, Up and Down wrap.
    c = {0, 0};
    history_cursor_up(&c, 3);
    EXPECT_EQ(c.row, 2);
    history_cursor_down(&c, 3);
    EXPECT_EQ(c.row, 0);
    // Systems: two pages of 9.
    int s = 8;
    system_cursor_right(&s);
    EXPECT_EQ(s, 8);
    s = 7;
    system_cursor_right(&s);
    EXPECT_EQ(s, 16);
    s = 9;
    system_cursor_left(&s);
    EXPECT_EQ(s, 0);
    s = 8;
    system_cursor_left(&s);
    EXPECT_EQ(s, 8);
    s = 0;
    system_cursor_up(&s);
    EXPECT_EQ(s, 16);
}

TEST_F(Library, StartUpRestoresListAndChecksTheCursor)
{
    files("/mnt/mmc/GBC", {"a.gbc", "b.gbc", "c.gbc", "d.gbc", "e.gbc", "f.gbc"});
    struct Case {
        std::string dir, place;
        int screen, system, card, page, row;
    } cases[] = {
        {"/mnt/mmc/GBC", "start=0 \nhight=5 \n", SCREEN_GAMES, 11, SELECTED_INTERNAL, 0, 5},
        {"/mnt/mmc/GBC", "start=0 \nhight=6 \n", SCREEN_GAMES, 11, SELECTED_INTERNAL, 0, 0},   // past the 6 games
        {"/mnt/sdcard/GB", "start=0 \nhight=1 \n", SCREEN_GAMES, 12, SELECTED_EXTERNAL, 0, 0}, // no scan there
        {"/mnt/vendor/game/toplist", "start=3 \nhight=4 \n", SCREEN_ROOMS, 0, 0, 3, 4},
        {"/mnt/data/.history", "start=0 \nhight=2 \n", SCREEN_HISTORY, 0, 0, 0, 2},
        {"/somewhere/else", "start=0 \nhight=2 \n", SCREEN_ROOMS, 0, 0, 0, 0},
        // A damaged place file may hold anything: a negative or huge page,
        // a row past the page.
        {"/mnt/vendor/game/toplist", "start=-2 \nhight=4 \n", SCREEN_ROOMS, 0, 0, 0, 0},
        {"/mnt/vendor/game/toplist", "start=0 \nhight=40 \n", SCREEN_ROOMS, 0, 0, 0, 0},
        {"/mnt/vendor/game/toplist", "start=999999999 \nhight=8 \n", SCREEN_ROOMS, 0, 0, 0, 0},
        {"/mnt/vendor/game/toplist", "begin=1 \n", SCREEN_ROOMS, 0, 0, 0, 0},
        {"/mnt/mmc/GBC" + std::string(400, 'x'), "start=0 \nhight=1 \n", SCREEN_GAMES, 11, SELECTED_INTERNAL, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dir.substr(0, 40) + " " + c.place);
        root.write("/tmp/gamedir.cfg", c.dir);
        root.write("/tmp/gameplace.cfg", c.place);
        root.write("/tmp/.next", "old");
        testing::internal::CaptureStdout();
        EXPECT_EQ(gamelist_init(), 0);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(screen.load(), c.screen) << out;
        EXPECT_EQ(browse_system, c.system);
        EXPECT_EQ(browse_card, c.card);
        EXPECT_EQ(browse_cursor.page, c.page);
        EXPECT_EQ(browse_cursor.row, c.row);
        EXPECT_EQ(settings_return_screen, c.screen);
        EXPECT_EQ(room, c.screen == SCREEN_HISTORY ? ROOM_HISTORY : ROOM_GAMES);
        EXPECT_FALSE(root.exists("/tmp/.next"));
        EXPECT_FALSE(root.exists("/tmp/gamedir.cfg"));
    }
    // First boot: neither file.
    unlink(root.host("/tmp/gameplace.cfg").c_str());
    testing::internal::CaptureStdout();
    gamelist_init();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(screen.load(), SCREEN_ROOMS);
    EXPECT_NE(out.find("/tmp/gamedir.cfg is not exist!\n"), std::string::npos) << out;
    EXPECT_NE(out.find("/tmp/gameplace.cfg is not exist!\n"), std::string::npos) << out;
}

TEST_F(Library, LaunchWritesTheCommandAndThePlace)
{
    const std::string sfc = "拳皇 \"Boss\" $HOME `date` \\ 97.sfc";
    files("/mnt/mmc/SFC", {sfc});
    numbered("/mnt/mmc/GBA", 23, "gba");
    files("/mnt/sdcard/CPS",
          {"Final Fight/", "Final Fight/ffight.zip", "Final Fight/m68k.txt", "GOLDNAXE.ZIP", "sf2.zip", "Empty/"});
    files("/mnt/mmc/PS1", {"Disc/", "Disc/cover.png", "Disc/game.bin"});
    tf_card_state = 1;
    scan_card_lists(CARD_TF, 1);
    scan_card_lists(CARD_MMC, 1);
    screen = SCREEN_GAMES;

    ASSERT_EQ(gamelist_run(8, 0, CARD_MMC), 0);
    EXPECT_EQ(root.read("/tmp/.next"),
              "cd \"/mnt/vendor/bin/game/sfc\"\n\"./sfc_emu.dge\"  \"/mnt/mmc/SFC/拳皇 \\\"Boss\\\" \\$HOME \\`date\\` "
              "\\\\ 97.sfc\"  \n");
    EXPECT_EQ(root.recorded("/tmp/shell.log").back(), "/system/porta/cpu_setting.sh  full");

    // The 23rd entry: page 2, row 4.
    browse_cursor = {2, 4};
    ASSERT_EQ(gamelist_run(6, 22, CARD_MMC), 0);
    EXPECT_EQ(root.read("/tmp/gameplace.cfg"), "start=2 \nhight=4 \n");
    EXPECT_EQ(root.read("/tmp/.next"),
              "cd \"/mnt/vendor/bin/game/gba\"\n\"./gba_emu.dge\"  \"/mnt/mmc/GBA/g23.gba\"  \n");

    // CPS on the TF card: m68k.txt beside the game, and goldnaxe in any case.
    ASSERT_EQ(gamelist_run(2, 1, CARD_TF), 0); // Empty, Final Fight (folders first), GOLDNAXE.ZIP, sf2.zip
    EXPECT_EQ(
        root.read("/tmp/.next"),
        "cd \"/mnt/vendor/bin/game/fbasdl\"\n\"./fbasdl.dge\"  \"/mnt/sdcard/CPS/Final Fight/ffight.zip\" m68k \n");
    ASSERT_EQ(gamelist_run(2, 2, CARD_TF), 0);
    EXPECT_NE(root.read("/tmp/.next").find("GOLDNAXE.ZIP\" m68k \n"), std::string::npos);
    ASSERT_EQ(gamelist_run(2, 3, CARD_TF), 0);
    EXPECT_NE(root.read("/tmp/.next").find("sf2.zip\"  \n"), std::string::npos);
    // PS1 folder game: the CD form with the first matching file inside.
    ASSERT_EQ(gamelist_run(0, 0, CARD_MMC), 0);
    EXPECT_EQ(root.read("/tmp/.next"),
              "cd \"/mnt/vendor/bin/game/pcsx_rearmed\"\n\"./pcsx\" -cdfile \"/mnt/mmc/PS1/Disc/game.bin\"  \n");

    // Failures write no command.
    unlink(root.host("/tmp/.next").c_str());
    testing::internal::CaptureStdout();
    EXPECT_NE(gamelist_run(2, 0, CARD_TF), 0) << "a folder game without a matching file";
    unlink(root.host("/mnt/mmc/GBA/g01.gba").c_str());
    EXPECT_NE(gamelist_run(6, 0, CARD_MMC), 0) << "the file went away";
    EXPECT_NE(gamelist_run(6, 23, CARD_MMC), 0);
    EXPECT_NE(gamelist_run(6, -1, CARD_MMC), 0);
    EXPECT_NE(gamelist_run(40, 0, CARD_MMC), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(root.exists("/tmp/.next"));
    EXPECT_NE(out.find("-- gamelist_run no file,ret=-1 \n"), std::string::npos) << out;
    EXPECT_NE(out.find("-- gamelist_run no file \n"), std::string::npos) << out;
    EXPECT_EQ(run_command("./x.dge", "/mnt/mmc/a", ""), -1);
    // A command that cannot be written is a failed launch: no CPU change.
    root.mkdirs("/tmp/.next/in-the-way");
    const size_t shell_lines = root.recorded("/tmp/shell.log").size();
    testing::internal::CaptureStdout();
    EXPECT_NE(gamelist_run(8, 0, CARD_MMC), 0);
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Failed to open /tmp/.nextUnable to write next command"), std::string::npos) << out;
    EXPECT_EQ(root.recorded("/tmp/shell.log").size(), shell_lines);

    // Preview lookup: jpg before png, a folder's first picture, the default.
    char path[PREVIEW_PATH_SIZE];
    EXPECT_EQ(preview_path(0, CARD_MMC, 0, 1, path, sizeof path), 1);
    EXPECT_STREQ(path, "/mnt/mmc/PS1/Disc/cover.png");
    EXPECT_EQ(preview_path(6, CARD_MMC, 1, 1, path, sizeof path), 0);
    EXPECT_STREQ(path, PREVIEW_DEFAULT_LCD);
    root.write("/mnt/mmc/GBA/g02.png", "p");
    root.write("/mnt/mmc/GBA/g02.jpg", "j");
    EXPECT_EQ(preview_path(6, CARD_MMC, 1, 0, path, sizeof path), 1);
    EXPECT_STREQ(path, "/mnt/mmc/GBA/g02.jpg");
    // A folder named like a picture is passed over.
    unlink(root.host("/mnt/mmc/GBA/g02.jpg").c_str());
    root.mkdirs("/mnt/mmc/GBA/g02.jpg");
    EXPECT_EQ(preview_path(6, CARD_MMC, 1, 0, path, sizeof path), 1);
    EXPECT_STREQ(path, "/mnt/mmc/GBA/g02.png");
    EXPECT_EQ(preview_path(6, CARD_MMC, 99, 0, path, sizeof path), 0);
    EXPECT_STREQ(path, PREVIEW_DEFAULT_HDMI);
}

TEST_F(Library, HistoryKeepsNineNewestFirst)
{
    numbered("/mnt/mmc/FC", 10, "nes");
    scan_card_lists(CARD_MMC, 0);
    list_load(HISTORY_LIST);
    for (int i = 0; i < 10; i++)
        history_insert_head(7, CARD_MMC, i);
    std::string expect;
    for (int i = 9; i >= 1; i--) {
        char line[64];
        snprintf(line, sizeof line, "g%02d.nes:7:%d:0\n", i + 1, i);
        expect += line;
    }
    EXPECT_EQ(root.read(HISTORY_FILE), sealed(expect));
    // The head again: nothing written.
    unlink(root.host(HISTORY_FILE).c_str());
    history_insert_head(7, CARD_MMC, 9);
    EXPECT_FALSE(root.exists(HISTORY_FILE));
    // The third again: to the head, the others keep their order.
    history_insert_head(7, CARD_MMC, 7);
    EXPECT_EQ(list_record_at(HISTORY_LIST, 0)->index, 7);
    EXPECT_EQ(list_record_at(HISTORY_LIST, 1)->index, 9);
    EXPECT_EQ(list_record_at(HISTORY_LIST, 2)->index, 8);
    EXPECT_EQ(list_count(HISTORY_LIST), 9);
    // A launch from the history screen leaves the order.
    ASSERT_EQ(gamelist_run(7, 5, CARD_MMC, true), 0);
    EXPECT_EQ(list_record_at(HISTORY_LIST, 0)->index, 7);
    ASSERT_EQ(gamelist_run(7, 5, CARD_MMC, false), 0);
    EXPECT_EQ(list_record_at(HISTORY_LIST, 0)->index, 5);
    // Reloaded from its file, the same list; cleared, an empty file.
    const std::string bytes = root.read(HISTORY_FILE);
    list_load(HISTORY_LIST);
    list_save(HISTORY_LIST);
    EXPECT_EQ(root.read(HISTORY_FILE), bytes);
    history_del();
    EXPECT_EQ(root.read(HISTORY_FILE), "");
    EXPECT_EQ(list_load(HISTORY_LIST), 0);
    // A file of more lines (another program's, a damaged card) gives nine.
    std::string twelve;
    for (int i = 0; i < 12; i++)
        twelve += "g" + std::to_string(i) + ".nes:7:" + std::to_string(i) + ":0\n";
    root.write(HISTORY_FILE, sealed(twelve));
    EXPECT_EQ(list_load(HISTORY_LIST), HISTORY_MAX);
    EXPECT_STREQ(list_record_at(HISTORY_LIST, 8)->name, "g8.nes");
}

TEST_F(Library, FavouritesOrderSequencesAndLimit)
{
    numbered("/mnt/sdcard/MD", 6, "md");
    numbered("/mnt/mmc/GBA", 4, "gba");
    numbered("/mnt/mmc/FC", 85, "nes");
    tf_card_state = 1;
    scan_card_lists(CARD_TF, 1);
    scan_card_lists(CARD_MMC, 1);
    list_load(FAVORITE_LIST);
    EXPECT_EQ(favorites_add_game(10, 5, CARD_TF), 0);
    EXPECT_EQ(favorites_add_game(6, 3, CARD_MMC), 0);
    EXPECT_EQ(favorites_add_game(6, 1, CARD_MMC), 0);
    EXPECT_EQ(root.read(FAVORITES_FILE), sealed("g02.gba:6:1:1:3\ng04.gba:6:3:1:2\ng06.md:10:5:2:1\n"));
    EXPECT_EQ(favorites_add_game(6, 1, CARD_MMC), 1);
    EXPECT_EQ(favorites_add_game(6, 9, CARD_MMC), -1);
    EXPECT_EQ(favorite_test(6, 3, CARD_MMC), 1);
    EXPECT_EQ(favorite_test(6, 2, CARD_MMC), 0);
    EXPECT_EQ(favorite_test(6, 9, CARD_MMC), -1);
    // Deleting sequence 2 of 3 makes 3 into 2.
    favorites_remove_game(6, 3, CARD_MMC);
    EXPECT_EQ(root.read(FAVORITES_FILE), sealed("g02.gba:6:1:1:2\ng06.md:10:5:2:1\n"));

    // The 81st addition pushes out the first one, wherever it stands.
    for (int i = 0; i < 78; i++)
        ASSERT_EQ(favorites_add_game(7, i, CARD_MMC), 0);
    ASSERT_EQ(list_count(FAVORITE_LIST), 80);
    ASSERT_EQ(favorites_add_game(7, 80, CARD_MMC), 0);
    ASSERT_EQ(list_count(FAVORITE_LIST), 80);
    EXPECT_EQ(favorite_test(10, 5, CARD_TF), 0) << "the oldest addition is gone";
    std::vector<int> seen(81, 0);
    for (int i = 0; i < 80; i++)
        seen[list_record_at(FAVORITE_LIST, i)->sequence]++;
    for (int s = 1; s <= 80; s++)
        EXPECT_EQ(seen[s], 1) << s;
    list_load(FAVORITE_LIST);
    EXPECT_EQ(list_count(FAVORITE_LIST), 80) << "the file holds the same 80";

    // A stored name that no longer matches: not a favourite; adding the
    // game takes the record over and keeps its rank.
    favorites_clear();
    EXPECT_EQ(root.read(FAVORITES_FILE), "");
    favorites_add_game(6, 0, CARD_MMC);
    favorites_add_game(6, 2, CARD_MMC);
    root.write(FAVORITES_FILE, sealed("old.gba:6:0:1:1\ng03.gba:6:2:1:2\n"));
    list_load(FAVORITE_LIST);
    EXPECT_EQ(favorite_test(6, 0, CARD_MMC), 0);
    EXPECT_EQ(favorites_add_game(6, 0, CARD_MMC), 0);
    EXPECT_EQ(root.read(FAVORITES_FILE), sealed("g01.gba:6:0:1:1\ng03.gba:6:2:1:2\n"));
    // A damaged seal: the file is deleted at load.
    std::string bad = root.read(FAVORITES_FILE);
    bad[0] = 'G';
    root.write(FAVORITES_FILE, bad);
    EXPECT_EQ(list_load(FAVORITE_LIST), 0);
    EXPECT_FALSE(root.exists(FAVORITES_FILE));
}

TEST_F(Library, FavouriteShownAsFileErrorIsDeletedAtTheCursor)
{
    numbered("/mnt/mmc/GBA", 3, "gba");
    numbered("/mnt/sdcard/GB", 2, "gb");
    tf_card_state = 1;
    scan_card_lists(CARD_MMC, 0);
    scan_card_lists(CARD_TF, 0);
    root.write(FAVORITES_FILE, sealed("g01.gba:6:0:1:1\ngone.gba:6:40:1:2\nx.gb:12:30:2:3\n"));
    list_load(FAVORITE_LIST);
    browse_cursor = {0, 1};
    favorites_remove_game(6, 40, CARD_MMC);
    EXPECT_EQ(root.read(FAVORITES_FILE), sealed("g01.gba:6:0:1:1\nx.gb:12:30:2:2\n"));
    // The card of the entry went away: its lists hold no scan, nothing goes.
    free_card_lists(CARD_TF);
    browse_cursor = {0, 1};
    favorites_remove_game(12, 30, CARD_TF);
    EXPECT_EQ(list_count(FAVORITE_LIST), 2);
}

TEST_F(Library, NamesWithColonsSurviveAReload)
{
    files("/mnt/mmc/GBA", {"Zelda: The Minish Cap.gba", "a:b:c:d.gba"});
    scan_card_lists(CARD_MMC, 0);
    list_load(FAVORITE_LIST);
    list_load(HISTORY_LIST);
    list_load(CORE_LIST);
    ASSERT_EQ(favorites_add_game(6, 1, CARD_MMC), 0);
    ASSERT_EQ(favorites_add_game(6, 0, CARD_MMC), 0);
    history_insert_head(6, CARD_MMC, 1);
    ASSERT_EQ(corelist_add_game(6, 1, CARD_MMC), 0);
    // Capitals sort first: Zelda is entry 0, a:b:c:d entry 1.
    EXPECT_EQ(root.read(FAVORITES_FILE), sealed("Zelda: The Minish Cap.gba:6:0:1:2\na:b:c:d.gba:6:1:1:1\n"));
    EXPECT_EQ(root.read(CORELIST_FILE), sealed("a:b:c:d.gba:1\n"));
    list_load(FAVORITE_LIST);
    list_load(HISTORY_LIST);
    list_load(CORE_LIST);
    EXPECT_EQ(favorite_test(6, 0, CARD_MMC), 1);
    EXPECT_EQ(favorite_test(6, 1, CARD_MMC), 1);
    EXPECT_STREQ(list_record_at(HISTORY_LIST, 0)->name, "a:b:c:d.gba");
    EXPECT_EQ(list_record_at(HISTORY_LIST, 0)->index, 1);
    EXPECT_EQ(core_alternative(6, 1, CARD_MMC), 1);
    // Lines without enough fields are skipped.
    root.write(HISTORY_FILE, sealed("a.gba:6:0\nb.gba:6:1:0\n\n"));
    EXPECT_EQ(list_load(HISTORY_LIST), 1);
}

// Each reader appends to its list and names itself when its file is missing.
TEST_F(Library, ListReadersAppendAndReportAMissingFile)
{
    files("/mnt/mmc/GBA", {"a.gba"});
    scan_card_lists(CARD_MMC, 0);
    root.write("/mnt/data/more", sealed("x.gba:6:0:1:1\ny.gba:6:1:1\n"));
    list_load(FAVORITE_LIST);
    list_load(HISTORY_LIST);
    list_load(CORE_LIST);
    ASSERT_EQ(favorites_add_game(6, 0, CARD_MMC), 0);
    history_insert_head(6, CARD_MMC, 0);
    ASSERT_EQ(corelist_add_game(6, 0, CARD_MMC), 0);
    EXPECT_EQ(list_read_file(FAVORITE_LIST, "/mnt/data/more"), 0);
    EXPECT_EQ(list_count(FAVORITE_LIST), 2); // the 4-number line only
    EXPECT_STREQ(list_record_at(FAVORITE_LIST, 1)->name, "x.gba");
    EXPECT_EQ(list_record_at(FAVORITE_LIST, 1)->sequence, 1);
    EXPECT_EQ(list_read_file(HISTORY_LIST, "/mnt/data/more"), 0);
    EXPECT_EQ(list_count(HISTORY_LIST), 3); // "x.gba:6:0:1" splits its name at the last three colons
    EXPECT_STREQ(list_record_at(HISTORY_LIST, 1)->name, "x.gba:6");
    EXPECT_STREQ(list_record_at(HISTORY_LIST, 2)->name, "y.gba");
    EXPECT_EQ(list_record_at(HISTORY_LIST, 2)->card, 1);
    EXPECT_EQ(list_read_file(CORE_LIST, "/mnt/data/more"), 0);
    EXPECT_EQ(list_count(CORE_LIST), 3);
    EXPECT_STREQ(list_record_at(CORE_LIST, 2)->name, "y.gba:6:1");
    EXPECT_EQ(list_record_at(CORE_LIST, 2)->card, 1);

    testing::internal::CaptureStdout();
    EXPECT_EQ(list_read_file(FAVORITE_LIST, "/mnt/data/none"), -1);
    EXPECT_EQ(list_read_file(HISTORY_LIST, "/mnt/data/none"), -1);
    EXPECT_EQ(list_read_file(CORE_LIST, "/mnt/data/none"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "get_favoriteslist_fromefile: /mnt/data/none is not exist! \n"
              "get_history_fromefile: /mnt/data/none is not exist! \n"
              "get_selectemulist_fromefile: /mnt/data/none is not exist! \n");
    EXPECT_EQ(list_count(FAVORITE_LIST), 2);
    EXPECT_EQ(list_count(HISTORY_LIST), 3);
    EXPECT_EQ(list_count(CORE_LIST), 3);
}

// Every list's line is formatted into one bounded line: a line over the limit
// is cut there, never written past it.
TEST(ListFile, StoredLinesAreCutAtTheLineLimit)
{
    const std::string name(LIST_LINE_MAX + 100, 'n');
    const int32_t numbers[] = {6, -1};
    EXPECT_EQ(list_line(name.c_str(), numbers, 1), name.substr(0, LIST_LINE_MAX));
    EXPECT_EQ(list_line("a:b.gba", numbers, 2), "a:b.gba:6:-1\n");
}

TEST_F(Library, TheSealIsNeverReadAsALine)
{
    // Find content whose 4-byte seal starts with a byte sequence that would
    // form a core record ("x:" among its first three bytes).
    std::string content;
    for (int i = 0; i < 100000 && content.empty(); i++) {
        std::string c = "g" + std::to_string(i) + ".gba:1\n";
        std::string seal = le32(crc32_update(0, c.data(), c.size()));
        size_t colon = seal.find(':');
        if (colon != std::string::npos && colon < 3 &&
            seal.substr(0, colon).find_first_of(std::string("\0\n", 2)) == std::string::npos)
            content = c;
    }
    ASSERT_FALSE(content.empty());
    root.write(CORELIST_FILE, sealed(content));
    EXPECT_EQ(list_load(CORE_LIST), 1);
    EXPECT_EQ(list_record_at(CORE_LIST, 0)->card, 1);
}

TEST_F(Library, CoreListOrderAndPopUp)
{
    files("/mnt/mmc/GBA", {"same.gba", "one.gba"});
    files("/mnt/sdcard/GBA", {"same.gba", "two.gba", "three.gba"});
    tf_card_state = 1;
    scan_card_lists(CARD_MMC, 0);
    scan_card_lists(CARD_TF, 0);
    list_load(CORE_LIST);
    ASSERT_EQ(corelist_add_game(6, 0, CARD_TF), 0);  // same.gba, TF card
    ASSERT_EQ(corelist_add_game(6, 1, CARD_MMC), 0); // same.gba, built-in
    ASSERT_EQ(corelist_add_game(6, 2, CARD_TF), 0);  // two.gba, TF card
    EXPECT_EQ(corelist_add_game(6, 2, CARD_TF), 1);
    EXPECT_EQ(root.read(CORELIST_FILE), sealed("same.gba:1\nsame.gba:2\ntwo.gba:2\n"));
    corelist_remove_game(6, 1, CARD_MMC);
    EXPECT_EQ(root.read(CORELIST_FILE), sealed("same.gba:2\ntwo.gba:2\n"));
    EXPECT_EQ(core_alternative(6, 1, CARD_MMC), 0) << "the built-in game is a record of its own";

    // The pop-up: closing without A writes nothing; moving without A keeps
    // gpsp; A on vba-next then B adds; gpsp again removes.
    corelist_clear();
    core_popup_open(6, 0, CARD_MMC); // one.gba, built-in
    core_popup_apply();
    core_popup_open(6, 0, CARD_MMC);
    core_popup_move(1);
    core_popup_apply();
    EXPECT_EQ(root.read(CORELIST_FILE), "");
    core_popup_open(6, 0, CARD_MMC);
    core_popup_move(-1);
    EXPECT_EQ(core_popup.cursor, 1) << "up from gpsp wraps to vba-next";
    core_popup_choose();
    core_popup_apply();
    EXPECT_EQ(core_popup.cursor, 0);
    EXPECT_EQ(root.read(CORELIST_FILE), sealed("one.gba:1\n"));
    ASSERT_EQ(gamelist_run(6, 0, CARD_MMC), 0);
    EXPECT_EQ(root.read("/tmp/.next"),
              "cd \"/mnt/vendor/bin/game/gba\"\n\"./vbanext.dge\"  \"/mnt/mmc/GBA/one.gba\"  \n");
    core_popup_open(6, 0, CARD_MMC);
    EXPECT_EQ(core_popup.chosen, 1);
    core_popup_choose(); // cursor 0: gpsp
    core_popup_apply();
    EXPECT_EQ(root.read(CORELIST_FILE), "") << "the last choice removed leaves an empty list, not the seal of nothing";
}

TEST_F(Library, SealedListsAreReplacedInOneStep)
{
    numbered("/mnt/mmc/GBA", 2, "gba");
    scan_card_lists(CARD_MMC, 0);
    list_load(FAVORITE_LIST);
    favorites_add_game(6, 0, CARD_MMC);
    // A reader holding the old file keeps reading the old bytes: the new
    // list is a new file renamed over it, not the old one rewritten.
    FILE *old = fopen(root.host(FAVORITES_FILE).c_str(), "rb");
    ASSERT_NE(old, nullptr);
    struct stat before, after;
    stat(root.host(FAVORITES_FILE).c_str(), &before);
    favorites_add_game(6, 1, CARD_MMC);
    stat(root.host(FAVORITES_FILE).c_str(), &after);
    EXPECT_NE(before.st_ino, after.st_ino);
    char buf[64] = {0};
    size_t n = fread(buf, 1, sizeof buf, old);
    fclose(old);
    EXPECT_EQ(std::string(buf, n), sealed("g01.gba:6:0:1:1\n"));
    EXPECT_EQ(host_capture("ls -A '" + root.host("/mnt/data") + "'"), ".favorite\n") << "no temporary file left";
}

// Emptied, every list leaves a 0-byte file, which loads as an empty list
// (the seal of nothing would read as a damaged file), and a game whose name
// holds a line end is refused by the core list as by the favourites.
TEST_F(Library, EmptiedListsLeaveAnEmptyFileAndLineEndsAreRefused)
{
    files("/mnt/mmc/GBA", {"new\nline.gba", "ok.gba"});
    scan_card_lists(CARD_MMC, 0);
    const int broken = strchr(game_name(&mmc_lists[6], 0), '\n') ? 0 : 1;
    list_load(CORE_LIST);
    EXPECT_EQ(corelist_add_game(6, broken, CARD_MMC), -1);
    EXPECT_EQ(favorites_add_game(6, broken, CARD_MMC), -1);
    EXPECT_FALSE(root.exists(CORELIST_FILE));
    ASSERT_EQ(corelist_add_game(6, 1 - broken, CARD_MMC), 0);
    corelist_remove_game(6, 1 - broken, CARD_MMC);
    EXPECT_EQ(root.read(CORELIST_FILE), "");
    list_load(HISTORY_LIST);
    list_load(FAVORITE_LIST);
    ASSERT_EQ(list_save(HISTORY_LIST), 0);
    ASSERT_EQ(list_save(FAVORITE_LIST), 0);
    for (const char *path : {CORELIST_FILE, HISTORY_FILE, FAVORITES_FILE}) {
        EXPECT_EQ(root.read(path), "") << path;
        EXPECT_EQ(crc_check_file(path), 0) << path;
        EXPECT_TRUE(root.exists(path)) << path;
    }
}

// Stored numbers read as the handheld's 32-bit atoi reads them on every
// host: beyond the int32 range they stay at its end, never wrap into a
// valid index, row or page.
TEST_F(Library, StoredNumbersBeyondTheIntRangeStayThere)
{
    EXPECT_EQ(stored_number(" -12x"), -12);
    EXPECT_EQ(stored_number("x1"), 0);
    EXPECT_EQ(stored_number("2147483647"), INT32_MAX);
    root.write(HISTORY_FILE, sealed("g.nes:7:4294967303:0\nh.nes:7:-4294967290:0\n"));
    ASSERT_EQ(list_load(HISTORY_LIST), 2);
    EXPECT_EQ(list_record_at(HISTORY_LIST, 0)->index, INT32_MAX);
    EXPECT_EQ(list_record_at(HISTORY_LIST, 1)->index, INT32_MIN);
    root.write(GAMEPLACE_FILE, "start=4294967296\nhight=4294967298\n");
    BrowseCursor place = {0, 0};
    read_place_file(GAMEPLACE_FILE, &place);
    EXPECT_EQ(place.page, INT32_MAX);
    EXPECT_EQ(place.row, INT32_MAX);
}
