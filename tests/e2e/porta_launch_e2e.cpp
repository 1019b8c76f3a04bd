// The whole launcher on the sample image, driven through its keypad FIFO:
// Game Rooms, the built-in card, a system, a game, A. porta exits 0 and
// leaves /tmp/.next, the two restore files and the history; the next start
// returns to the same row; and /tmp/.next, run by a shell, starts exactly that
// game file in a stand-in emulator, whatever its name holds. Also a favourite
// and the GBA core choice made by keys, and a launch from the search results
// after which the next start is back on them.

#include "porta/base/sealed.h"
#include "key_event.h"
#include "porta_process.h"
#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

namespace {

enum { UP = 90, DOWN = 91, A = 94, B = 95, Y = 97, START = 98 };

std::string sealed(const std::string &content)
{
    std::string s = content;
    uint32_t crc = crc32_update(0, content.data(), content.size());
    for (int i = 0; i < 4; i++)
        s += static_cast<char>((crc >> (8 * i)) & 0xFF);
    return s;
}

class PortaLaunch : public PortaProcessTest {
protected:
    void SetUp() override
    {
        PortaProcessTest::SetUp();
        unlink(root.host("/tmp/shell.log").c_str());
    }
    void TearDown() override
    {
        if (pid > 0)
            wait_program(pid, 1);
        close(keys);
    }

    // Replaces a system folder's games by these files.
    void games(const std::string &folder, const std::vector<std::string> &names)
    {
        host_system("rm -rf '" + root.host(folder) + "'");
        for (const std::string &n : names)
            root.write(folder + "/" + n, "rom");
    }

    void send(int code, int value)
    {
        ASSERT_TRUE(write_key_event(keys, code, value));
        std::this_thread::sleep_for(std::chrono::milliseconds(110));
    }
    void press(std::initializer_list<int> codes)
    {
        for (int c : codes) {
            send(c, 1);
            send(c, 0);
        }
    }
    int finish()
    {
        int status = wait_program(pid, 15000);
        pid = -1;
        return status;
    }
};

const char kGame[] = "拳皇 \"Boss\" $HOME `date` \\ 97.sfc";

} // namespace

TEST_F(PortaLaunch, KeypadLaunchRestartAndTheShellRunsTheExactFile)
{
    games("/mnt/mmc/SFC", {"A First.sfc", "Z Last.sfc", kGame});
    start();
    // Game Rooms; the sample's TF card is mounted, so the card choice comes
    // first: Down to the built-in card; the systems list from PS1 down to
    // SFC (system 8); the third game.
    press({A, DOWN, A, DOWN, DOWN, DOWN, DOWN, DOWN, DOWN, DOWN, DOWN, A, DOWN, DOWN, A});
    ASSERT_EQ(finish(), 0) << root.read("/porta.out");

    const std::string next =
        "cd \"/mnt/vendor/bin/game/sfc\"\n"
        "\"./sfc_emu.dge\"  \"/mnt/mmc/SFC/拳皇 \\\"Boss\\\" \\$HOME \\`date\\` \\\\ 97.sfc\"  \n";
    EXPECT_EQ(root.read("/tmp/.next"), next);
    EXPECT_EQ(root.read("/tmp/gamedir.cfg"), "/mnt/mmc/SFC");
    EXPECT_EQ(root.read("/tmp/gameplace.cfg"), "start=0 \nhight=2 \n");
    EXPECT_EQ(root.read("/mnt/data/.history"), sealed(std::string(kGame) + ":8:2:0\n"));
    std::vector<std::string> cmds = root.recorded("/tmp/shell.log");
    ASSERT_FALSE(cmds.empty());
    EXPECT_EQ(cmds.front(), "/system/porta/mmc.sh add");
    EXPECT_EQ(cmds.back(), "/system/porta/cpu_setting.sh  full");

    // The next start is back on the SFC list at the same row: A alone
    // launches the same game again.
    unlink(root.host("/tmp/.next").c_str());
    start();
    EXPECT_FALSE(root.exists("/tmp/gamedir.cfg")) << "read and removed at start";
    press({A});
    ASSERT_EQ(finish(), 0) << root.read("/porta.out");
    EXPECT_EQ(root.read("/tmp/.next"), next);
    EXPECT_EQ(root.read("/mnt/data/.history"), sealed(std::string(kGame) + ":8:2:0\n"));

    // The outer script runs /tmp/.next with sh. Here the device's absolute
    // paths live under the root, so the file's bytes are sourced unchanged by
    // the host's sh with one shell function in front: `cd` goes to the device
    // path inside the root. Everything after it (the quoting of the emulator
    // and of the game path) is the shell's own reading of the file, and the
    // stand-in emulator records the arguments it was given.
    root.write("/mnt/vendor/bin/game/sfc/sfc_emu.dge",
               "#!/bin/sh\nprintf '%s' \"$#\" > \"$ROOT/tmp/emu.argc\"\nprintf '%s' \"$1\" > \"$ROOT/tmp/emu.arg\"\n",
               0755);
    int status = -1;
    std::string out = host_capture("ROOT='" + root.path() +
                                       "' /bin/sh -c 'cd() { command cd \"$ROOT$1\"; }; . \"$ROOT/tmp/.next\"' 2>&1",
                                   &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(root.read("/tmp/emu.argc"), "1");
    EXPECT_EQ(root.read("/tmp/emu.arg"), std::string("/mnt/mmc/SFC/") + kGame);
}

TEST_F(PortaLaunch, FavouriteAndCoreChoiceByKeys)
{
    games("/mnt/mmc/GBA", {"Alpha: Zero.gba", "Beta.gba"});
    root.write("/tmp/boot.ini", ""); // not the first start: no logo
    start();
    // Game Rooms, built-in card, GBA (system 6), first game.
    press({A, DOWN, A, DOWN, DOWN, DOWN, DOWN, DOWN, DOWN, A, START});
    EXPECT_EQ(root.read("/mnt/data/.favorite"), sealed("Alpha: Zero.gba:6:0:1:1\n"));
    // The core pop-up: down to vba-next, choose it, close.
    press({Y, DOWN, A, B});
    EXPECT_EQ(root.read("/mnt/data/.gbacore"), sealed("Alpha: Zero.gba:1\n"));
    press({A});
    ASSERT_EQ(finish(), 0) << root.read("/porta.out");
    EXPECT_EQ(root.read("/tmp/.next"),
              "cd \"/mnt/vendor/bin/game/gba\"\n\"./vbanext.dge\"  \"/mnt/mmc/GBA/Alpha: Zero.gba\"  \n");
    EXPECT_EQ(root.read("/tmp/gamedir.cfg"), "/mnt/mmc/GBA");
}

TEST_F(PortaLaunch, SearchLaunchThenRestartOnTheResults)
{
    const int RIGHT = 93;
    games("/mnt/mmc/NEOGEO", {"mslug.zip", "拳皇97.zip", "拳皇2002.zip"});
    root.write("/tmp/boot.ini", "");
    start();
    // Search with the Chinese UI; q (key 10); h (key 25); Y: 拳皇97, 拳皇2002
    // (built-in card), then 拳皇98 of the sample's TF card; the second one.
    press({RIGHT, RIGHT, RIGHT, A, DOWN, A, DOWN, RIGHT, RIGHT, RIGHT, RIGHT, RIGHT, A, Y, DOWN, A});
    ASSERT_EQ(finish(), 0) << root.read("/porta.out");
    const std::string next = root.read("/tmp/.next");
    EXPECT_NE(next.find("\"/mnt/mmc/NEOGEO/拳皇2002.zip\""), std::string::npos) << next;
    EXPECT_EQ(root.read("/tmp/gamedir.cfg"), "/tmp/search");
    EXPECT_EQ(root.read("/tmp/search"), "qh");
    EXPECT_EQ(root.read("/tmp/gameplace.cfg"), "start=0 \nhight=1 \n");
    // The next start is on the same results at the same row.
    unlink(root.host("/tmp/.next").c_str());
    start();
    press({A});
    ASSERT_EQ(finish(), 0) << root.read("/porta.out");
    EXPECT_EQ(root.read("/tmp/.next"), next);
}
