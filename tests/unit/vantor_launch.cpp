// Launching from the front end: the retroarch.cfg rewrite, command.sh and
// gdbscript.txt for every launch form, the save folders, single-quote
// escaping and the ScummVM copy, in a temporary device root.

#include "vantor/launch.h"
#include "retroarch_cfg.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *const CFG = "/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg";
const char *const VOLUME = "/mnt/mmc/CFW/retroarch/.retroarch/volume.cfg";
const char *const COMMAND = "/mnt/mmc/CFW/retroarch/command.sh";
const char *const GDB_SCRIPT = "/mnt/mmc/CFW/retroarch/gdbscript.txt";

constexpr int GAMES = 2;
constexpr int FAVORITES = 3;
constexpr int RECENT = 4;

// A device root with RetroArch's configuration and a core mapping, and the
// working directory at /mnt/mmc/CFW as the program has it.
class VantorLaunch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(old_cwd, sizeof(old_cwd)), nullptr);
        root.mkdirs("/mnt/mmc/CFW/retroarch/.retroarch/cores");
        root.mkdirs("/mnt/SDCARD/Roms/GBA");
        root.mkdirs("/mnt/mmc/Roms/GBA");
        root.write("/mnt/mmc/CFW/config/coremapping.json",
                   "{\n"
                   "  \"GBA\": \"gpsp_libretro.so\",\n"
                   "  \"SCUMMVM\": \"scummvm_libretro.so\",\n"
                   "  \"PORTS\": \"/mnt/mmc/CFW/apps/runner\"\n"
                   "}\n");
        root.write(CFG,
                   "video_driver = \"sdl_dingux\"\n"
                   "system_directory = \"/old/BIOS\"\n"
                   "# savestate_auto_load = \"true\"\n"
                   "audio_volume = \"-3.0\"\r\n"
                   "\n"
                   "input_player1_a = \"x\"\r\n"
                   "video_dingux_ipu_keep_aspect = \"true\"");
        root.write(VOLUME, "audio_volume = \"2.5\"\n\n");
        ASSERT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(old_cwd), 0); }

    // What write_retroarch_config keeps of the configuration above.
    const std::string kept =
        "video_driver = \"sdl_dingux\"\n"
        "\n"
        "input_player1_a = \"x\"\n"
        "video_dingux_ipu_keep_aspect = \"true\"\n";
    const std::string volume = "audio_volume = \"2.5\"\n";

    TempRoot root;
    char old_cwd[PATH_MAX];
};

int mode_of(const TempRoot &root, const std::string &device_path)
{
    struct stat st;
    if (stat(root.host(device_path).c_str(), &st) != 0)
        return -1;
    return static_cast<int>(st.st_mode & 07777);
}

} // namespace

TEST_F(VantorLaunch, ConfigDropsKeyLinesEvenCommentedOutAndAppendsVolume)
{
    ASSERT_EQ(write_retroarch_config(CARD_REMOVABLE, 1, 0), 0);
    EXPECT_EQ(root.read(CFG), kept + retroarch_key_lines("SDCARD", "true", "false") + volume);

    // Rewriting again gives the same file: the written keys are replaced, not repeated.
    ASSERT_EQ(write_retroarch_config(CARD_REMOVABLE, 1, 0), 0);
    EXPECT_EQ(root.read(CFG), kept + retroarch_key_lines("SDCARD", "true", "false") + volume);

    // Any selector but 2 is the internal card.
    ASSERT_EQ(write_retroarch_config(0, 0, 1), 0);
    EXPECT_EQ(root.read(CFG), kept + retroarch_key_lines("mmc", "false", "true") + volume);
}

TEST_F(VantorLaunch, ConfigWithoutVolumeOrOldFile)
{
    ASSERT_EQ(unlink(root.host(VOLUME).c_str()), 0);
    ASSERT_EQ(write_retroarch_config(1, 1, 1), 0);
    EXPECT_EQ(root.read(CFG), kept + retroarch_key_lines("mmc", "true", "true"));

    // No configuration yet: the key lines alone.
    ASSERT_EQ(unlink(root.host(CFG).c_str()), 0);
    ASSERT_EQ(write_retroarch_config(CARD_REMOVABLE, 0, 0), 0);
    EXPECT_EQ(root.read(CFG), retroarch_key_lines("SDCARD", "false", "false"));
}

TEST_F(VantorLaunch, ConfigKeepsVeryLongLinesWhole)
{
    const std::string long_line = "core_options_path = \"" + std::string(20000, 'x') + "\"";
    root.write(CFG, long_line + "\nsavefile_directory = \"/x\"\n");
    ASSERT_EQ(write_retroarch_config(1, 1, 0), 0);
    EXPECT_EQ(root.read(CFG), long_line + "\n" + retroarch_key_lines("mmc", "true", "false") + volume);
}

TEST_F(VantorLaunch, UnreadableConfigIsLeftAlone)
{
    ASSERT_EQ(unlink(root.host(CFG).c_str()), 0);
    root.mkdirs(CFG); // something that exists but cannot be read as a file
    EXPECT_EQ(write_retroarch_config(1, 1, 0), -1);
    struct stat st;
    ASSERT_EQ(stat(root.host(CFG).c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST(VantorEscape, SingleQuotesBecomeTheFiveCharacterSequence)
{
    EXPECT_STREQ(escape_single_quotes("Bob's Game.gb"), "Bob'\"'\"'s Game.gb");
    EXPECT_STREQ(escape_single_quotes("''"), "'\"'\"''\"'\"'");
    EXPECT_STREQ(escape_single_quotes("plain $x `y` \"z\" \\"), "plain $x `y` \"z\" \\");
    EXPECT_STREQ(escape_single_quotes(""), "");
    EXPECT_EQ(escape_single_quotes(nullptr), nullptr);
}

TEST(VantorEscape, ResultThatDoesNotFitIsRefusedNotCut)
{
    const std::string fits(4096, 'a');
    ASSERT_NE(escape_single_quotes(fits.c_str()), nullptr);
    EXPECT_EQ(std::string(escape_single_quotes(fits.c_str())), fits);
    EXPECT_EQ(escape_single_quotes((fits + "a").c_str()), nullptr);
    // 4091 bytes and one quote: 4096 bytes escaped, fits; one more byte does not.
    const std::string quoted = std::string(4091, 'a') + "'";
    EXPECT_NE(escape_single_quotes(quoted.c_str()), nullptr);
    EXPECT_EQ(escape_single_quotes((quoted + "b").c_str()), nullptr);
}

TEST_F(VantorLaunch, ScummVMFileIsCopiedIntoItsGameFolder)
{
    const std::string item = "/mnt/mmc/Roms/SCUMMVM/monkey.scummvm";
    root.write(item, "monkey");
    root.mkdirs("/mnt/mmc/Roms/SCUMMVM/monkey");
    const char *content = launch_content_path(item.c_str(), GAMES);
    ASSERT_NE(content, nullptr);
    EXPECT_STREQ(content, "/mnt/mmc/Roms/SCUMMVM/monkey/monkey.scummvm");
    EXPECT_EQ(root.read("/mnt/mmc/Roms/SCUMMVM/monkey/monkey.scummvm"), "monkey");

    // In Recent the history already holds the copy's path.
    EXPECT_STREQ(launch_content_path(item.c_str(), RECENT), item.c_str());
    // Other files are handed over as they are.
    EXPECT_STREQ(launch_content_path("/mnt/mmc/Roms/GBA/a.scummvm.gba", FAVORITES), "/mnt/mmc/Roms/GBA/a.scummvm.gba");
    EXPECT_STREQ(launch_content_path("/mnt/mmc/Roms/GBA/noext", GAMES), "/mnt/mmc/Roms/GBA/noext");
}

TEST_F(VantorLaunch, ScummVMFileWithoutGameFolderIsHandedOverItself)
{
    const std::string item = "/mnt/mmc/Roms/SCUMMVM/Monkey/monkey.scummvm";
    root.write(item, "monkey");
    EXPECT_STREQ(launch_content_path(item.c_str(), GAMES), item.c_str());
    EXPECT_FALSE(root.exists("/mnt/mmc/Roms/SCUMMVM/Monkey/monkey"));
}

TEST_F(VantorLaunch, CopyNeedsBothFiles)
{
    root.write("/mnt/mmc/a.bin", std::string(10000, '\x01') + std::string("\0\xff", 2));
    EXPECT_EQ(copy_file("/mnt/mmc/a.bin", "/mnt/mmc/b.bin"), 0);
    EXPECT_EQ(root.read("/mnt/mmc/b.bin"), root.read("/mnt/mmc/a.bin"));
    EXPECT_EQ(copy_file("/mnt/mmc/missing", "/mnt/mmc/c.bin"), -1);
    EXPECT_FALSE(root.exists("/mnt/mmc/c.bin"));
    EXPECT_EQ(copy_file("/mnt/mmc/a.bin", "/mnt/mmc/nofolder/c.bin"), -1);
}

TEST_F(VantorLaunch, GameOnRemovableCardWithA)
{
    const char *item = "/mnt/SDCARD/Roms/GBA/Bob's Game.gba";
    root.write(item, "rom");
    ASSERT_EQ(launch_item(item, GAMES, 0, "en"), 0);
    const std::string core = "/mnt/mmc/CFW/retroarch/.retroarch/cores/gpsp_libretro.so";
    const std::string escaped = "/mnt/SDCARD/Roms/GBA/Bob'\"'\"'s Game.gba";
    EXPECT_EQ(root.read(COMMAND), "#!/bin/sh\nexport LANG=en\n/mnt/mmc/CFW/retroarch/retroarch -L \"" + core + "\" '" +
                                      escaped + "'\nexit $?\n");
    EXPECT_EQ(root.read(GDB_SCRIPT), "run -L \"" + core + "\" '" + escaped + "'");
    EXPECT_EQ(root.read(CFG), kept + retroarch_key_lines("SDCARD", "true", "false") + volume);
    for (const char *dir :
         {"/mnt/SDCARD/Saves", "/mnt/SDCARD/Saves/CurrentProfile", "/mnt/SDCARD/Saves/CurrentProfile/saves",
          "/mnt/SDCARD/Saves/CurrentProfile/states", "/mnt/SDCARD/Saves/CurrentProfile/lists"})
        EXPECT_EQ(mode_of(root, dir), 0700) << dir;
    EXPECT_FALSE(root.exists("/mnt/mmc/Saves"));
}

TEST_F(VantorLaunch, GameWithMSkipsTheStateLoad)
{
    const char *item = "/mnt/SDCARD/Roms/GBA/game.gba";
    root.write(item, "rom");
    ASSERT_EQ(launch_item(item, FAVORITES, 1, "de"), 0);
    EXPECT_EQ(root.read(CFG), kept + retroarch_key_lines("SDCARD", "false", "false") + volume);
    EXPECT_EQ(root.read(COMMAND).substr(0, 27), "#!/bin/sh\nexport LANG=de\n/m");
}

TEST_F(VantorLaunch, GameOnInternalCardUsesMmcAndExistingFoldersAreFine)
{
    root.mkdirs("/mnt/mmc/Saves/CurrentProfile/states");
    const char *item = "/mnt/mmc/Roms/GBA/game.gba";
    root.write(item, "rom");
    ASSERT_EQ(launch_item(item, RECENT, 0, "en"), 0);
    EXPECT_EQ(root.read(CFG), kept + retroarch_key_lines("mmc", "true", "false") + volume);
    EXPECT_TRUE(root.exists("/mnt/mmc/Saves/CurrentProfile/lists"));
    EXPECT_FALSE(root.exists("/mnt/SDCARD/Saves"));
}

TEST_F(VantorLaunch, DebugFormRunsGdbWithTheArgumentsInTheScript)
{
    root.write("/misc/enableGDB", "");
    const char *item = "/mnt/mmc/Roms/GBA/game.gba";
    root.write(item, "rom");
    ASSERT_EQ(launch_item(item, GAMES, 0, "en"), 0);
    EXPECT_EQ(root.read(COMMAND),
              "#!/bin/sh\nexport LANG=en\n"
              "gdb /mnt/mmc/CFW/retroarch/retroarch < /mnt/mmc/CFW/retroarch/gdbscript.txt > "
              "/mnt/mmc/CFW/retroarch/.retroarch/logs/gdb.log 2>&1\nexit $?\n");
    EXPECT_EQ(root.read(GDB_SCRIPT),
              "run -L \"/mnt/mmc/CFW/retroarch/.retroarch/cores/gpsp_libretro.so\" '/mnt/mmc/Roms/GBA/game.gba'");
}

TEST_F(VantorLaunch, ScummVMGameHandsOverTheCopy)
{
    const char *item = "/mnt/mmc/Roms/SCUMMVM/monkey.scummvm";
    root.write(item, "monkey");
    root.mkdirs("/mnt/mmc/Roms/SCUMMVM/monkey");
    ASSERT_EQ(launch_item(item, GAMES, 0, "en"), 0);
    EXPECT_NE(root.read(COMMAND).find(" -L \"/mnt/mmc/CFW/retroarch/.retroarch/cores/scummvm_libretro.so\" "
                                      "'/mnt/mmc/Roms/SCUMMVM/monkey/monkey.scummvm'\n"),
              std::string::npos);
    EXPECT_TRUE(root.exists("/mnt/mmc/Roms/SCUMMVM/monkey/monkey.scummvm"));
}

TEST_F(VantorLaunch, StandaloneProgramPreparesNothingElse)
{
    const std::string cfg_before = root.read(CFG);
    const char *item = "/mnt/SDCARD/Roms/PORTS/it's.sh";
    root.write(item, "x");
    ASSERT_EQ(launch_item(item, GAMES, 0, "en"), 0);
    EXPECT_EQ(
        root.read(COMMAND),
        "#!/bin/sh\nexport LANG=en\n'/mnt/mmc/CFW/apps/runner' '/mnt/SDCARD/Roms/PORTS/it'\"'\"'s.sh'\nexit $?\n");
    EXPECT_EQ(root.read(CFG), cfg_before);
    EXPECT_FALSE(root.exists(GDB_SCRIPT));
    EXPECT_FALSE(root.exists("/mnt/SDCARD/Saves"));
}

TEST_F(VantorLaunch, ItemWithoutCoreWritesNothing)
{
    const std::string cfg_before = root.read(CFG);
    const char *item = "/mnt/mmc/Roms/NOPE/game.bin";
    root.write(item, "x");
    EXPECT_EQ(launch_item(item, GAMES, 0, "en"), -1);
    EXPECT_FALSE(root.exists(COMMAND));
    EXPECT_FALSE(root.exists(GDB_SCRIPT));
    EXPECT_EQ(root.read(CFG), cfg_before);
    EXPECT_FALSE(root.exists("/mnt/mmc/Saves"));

    // Without any mapping file no item has a core.
    ASSERT_EQ(unlink(root.host("/mnt/mmc/CFW/config/coremapping.json").c_str()), 0);
    EXPECT_EQ(launch_item("/mnt/mmc/Roms/GBA/game.gba", GAMES, 0, "en"), -1);
    EXPECT_FALSE(root.exists(COMMAND));
}

TEST_F(VantorLaunch, PathTooLongToQuoteWritesNothing)
{
    const std::string item = "/mnt/mmc/Roms/GBA/" + std::string(1000, '\'') + ".gba";
    EXPECT_EQ(launch_item(item.c_str(), GAMES, 0, "en"), -1);
    EXPECT_FALSE(root.exists(COMMAND));
    EXPECT_FALSE(root.exists("/mnt/mmc/Saves"));
}

TEST_F(VantorLaunch, OddCoreNamesAndLanguageCodesCannotInjectCommands)
{
    root.write("/mnt/mmc/CFW/config/coremapping.json", "\"GBA\": \"a$b`c`\\d.so\"\n");
    root.write("/mnt/mmc/Roms/GBA/g.gba", "x");
    ASSERT_EQ(launch_item("/mnt/mmc/Roms/GBA/g.gba", GAMES, 0, "en; reboot"), 0);
    EXPECT_EQ(root.read(COMMAND),
              "#!/bin/sh\nexport LANG='en; reboot'\n/mnt/mmc/CFW/retroarch/retroarch -L "
              "\"/mnt/mmc/CFW/retroarch/.retroarch/cores/a\\$b\\`c\\`\\\\d.so\" "
              "'/mnt/mmc/Roms/GBA/g.gba'\nexit $?\n");
    // Ordinary locale names stand as they are.
    ASSERT_EQ(launch_item("/mnt/mmc/Roms/GBA/g.gba", GAMES, 0, "pt_BR.UTF-8"), 0);
    EXPECT_EQ(root.read(COMMAND).substr(0, 34), "#!/bin/sh\nexport LANG=pt_BR.UTF-8\n");
}

TEST_F(VantorLaunch, RetroArchEntryNormalAndDebug)
{
    testing::internal::CaptureStdout();
    ASSERT_EQ(launch_retroarch("en"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Executing /mnt/mmc/CFW/retroarch/retroarch\n");
    EXPECT_EQ(root.read(CFG), kept + retroarch_key_lines("mmc", "true", "true") + volume);
    EXPECT_EQ(root.read(GDB_SCRIPT), "run");
    EXPECT_EQ(root.read(COMMAND), "#!/bin/sh\nexport LANG=en\n/mnt/mmc/CFW/retroarch/retroarch\nexit $?\n");
    EXPECT_EQ(mode_of(root, COMMAND) & 0100, 0100);

    root.write("/misc/enableGDB", "");
    testing::internal::CaptureStdout();
    ASSERT_EQ(launch_retroarch("fr"), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(root.read(COMMAND),
              "#!/bin/sh\nexport LANG=fr\n"
              "gdb /mnt/mmc/CFW/retroarch/retroarch < /mnt/mmc/CFW/retroarch/gdbscript.txt > "
              "/mnt/mmc/CFW/retroarch/.retroarch/logs/gdb.log 2>&1\nexit $?\n");
    EXPECT_EQ(root.read(GDB_SCRIPT), "run");
}

TEST_F(VantorLaunch, CommandScriptThatCannotBeWrittenIsReported)
{
    // A folder in place of command.sh cannot be replaced.
    root.mkdirs(COMMAND);
    testing::internal::CaptureStdout();
    EXPECT_EQ(launch_retroarch("en"), 1);
    testing::internal::GetCapturedStdout();
    root.write("/mnt/mmc/Roms/GBA/g.gba", "x");
    EXPECT_EQ(launch_item("/mnt/mmc/Roms/GBA/g.gba", GAMES, 0, "en"), 1);
}
