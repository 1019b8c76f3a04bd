// The device-root file layer: mapping, realpath through the root, shell commands.

#include "common/devroot.h"
#include "common/safefile.h"
#include "common/shell.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <cstdlib>
#include <unistd.h>

TEST(DevRoot, WithoutRootPathsAreUsedAsTheyStand)
{
    unsetenv("DEVICE_ROOT");
    EXPECT_EQ(dev_path("/mnt/mmc/CFW/menu.flag"), "/mnt/mmc/CFW/menu.flag");
    EXPECT_EQ(dev_path("skin/settings.json"), "skin/settings.json");
    EXPECT_FALSE(device_root_active());
    EXPECT_EQ(dev_from_host("/mnt/mmc"), "/mnt/mmc");
}

TEST(DevRoot, MapsAbsoluteLeavesRelativeAndDoesNotMapTwice)
{
    TempRoot root;
    char canon[PATH_MAX];
    ASSERT_NE(realpath(root.path().c_str(), canon), nullptr);
    const std::string r = canon;
    EXPECT_EQ(dev_path("/mnt/mmc/CFW/menu.flag"), r + "/mnt/mmc/CFW/menu.flag");
    EXPECT_EQ(dev_path("/sys/class/power_supply/battery/capacity"), r + "/sys/class/power_supply/battery/capacity");
    EXPECT_EQ(dev_path("lang/English.json"), "lang/English.json");
    const std::string once = dev_path("/tmp/.next");
    EXPECT_EQ(dev_path(once.c_str()), once);
    EXPECT_EQ(dev_from_host(once.c_str()), "/tmp/.next");
    EXPECT_EQ(dev_from_host(r.c_str()), "/");
    // A host path outside the root is not a device path and stays as it is.
    EXPECT_EQ(dev_from_host("/usr/share/fonts"), "/usr/share/fonts");
    // A sibling whose name merely starts with the root's name is outside it.
    EXPECT_EQ(dev_path((r + "x/mnt").c_str()), r + r + "x/mnt");
}

TEST(DevRoot, WrappersOpenInsideTheRoot)
{
    TempRoot root;
    root.write("/mnt/mmc/CFW/cpuspeed", "1200000");
    FILE *f = dev_fopen("/mnt/mmc/CFW/cpuspeed", "r");
    ASSERT_NE(f, nullptr);
    char buf[32] = {0};
    ASSERT_NE(fgets(buf, sizeof buf, f), nullptr);
    fclose(f);
    EXPECT_STREQ(buf, "1200000");
    EXPECT_TRUE(dev_exists("/mnt/mmc/CFW/cpuspeed"));
    EXPECT_EQ(dev_mkdir("/mnt/sdcard", 0755), 0);
    EXPECT_TRUE(root.exists("/mnt/sdcard"));
    EXPECT_EQ(dev_rename("/mnt/mmc/CFW/cpuspeed", "/mnt/mmc/CFW/cpuspeed2"), 0);
    EXPECT_EQ(dev_unlink("/mnt/mmc/CFW/cpuspeed2"), 0);
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/cpuspeed2"));
}

TEST(DevRoot, RealpathReturnsDevicePathsThroughSymlinksAndDotDot)
{
    TempRoot root;
    root.mkdirs("/mnt/mmc/Roms/GBA");
    root.mkdirs("/mnt/SDCARD/Roms/NES");
    root.write("/mnt/mmc/Roms/GBA/Game.gba", "x");
    // Absolute link target: a device path, so it resolves inside the root.
    root.symlink("/mnt/mmc/Roms/GBA", "/mnt/mmc/Roms/GBA-link");
    // Relative link target.
    root.symlink("../mmc/Roms", "/mnt/SDCARD/mmc-roms");
    char out[PATH_MAX];
    ASSERT_NE(dev_realpath("/mnt/mmc/Roms/GBA-link/Game.gba", out, sizeof out), nullptr);
    EXPECT_STREQ(out, "/mnt/mmc/Roms/GBA/Game.gba");
    ASSERT_NE(dev_realpath("/mnt/SDCARD/mmc-roms/GBA/../GBA/./Game.gba", out, sizeof out), nullptr);
    EXPECT_STREQ(out, "/mnt/mmc/Roms/GBA/Game.gba");
    ASSERT_NE(dev_realpath((root.path() + "/mnt/mmc/Roms/GBA").c_str(), out, sizeof out), nullptr);
    EXPECT_STREQ(out, "/mnt/mmc/Roms/GBA");
    EXPECT_EQ(dev_realpath("/mnt/mmc/Roms/none", out, sizeof out), nullptr);
    // Buffer too small: a clean failure, no overflow.
    char tiny[8];
    EXPECT_EQ(dev_realpath("/mnt/mmc/Roms/GBA", tiny, sizeof tiny), nullptr);
}

// A listing's links are followed (a linked folder of games is a folder); the
// folder may be named by its device path or by its host path inside the root.
TEST(DevRoot, EntryIsFolderFollowsLinks)
{
    TempRoot root;
    root.mkdirs("/mnt/mmc/Roms/GBA");
    root.write("/mnt/mmc/Roms/game.gba", "x");
    root.symlink("GBA", "/mnt/mmc/Roms/to-folder");
    root.symlink("game.gba", "/mnt/mmc/Roms/to-file");
    root.symlink("gone", "/mnt/mmc/Roms/dangling");
    root.symlink("/mnt/mmc/Roms/GBA", "/mnt/mmc/Roms/absolute"); // a device path: followed inside the root
    const std::map<std::string, bool> expected = {{"GBA", true},      {"game.gba", false}, {"to-folder", true},
                                                  {"to-file", false}, {"dangling", false}, {"absolute", true}};
    for (const std::string &folder : {std::string("/mnt/mmc/Roms"), root.path() + "/mnt/mmc/Roms"}) {
        DIR *d = dev_opendir(folder.c_str());
        ASSERT_NE(d, nullptr) << folder;
        std::map<std::string, bool> seen;
        while (const struct dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                seen[e->d_name] = dev_entry_is_folder(folder, e);
        closedir(d);
        EXPECT_EQ(seen, expected) << folder;
    }
}

// Any open of a mapped path follows a link's absolute target (a device path)
// inside the root, never on the host; calls on the link itself keep it a link.
TEST(DevRoot, PlainOpensFollowAbsoluteLinksInsideTheRoot)
{
    TempRoot root;
    root.write("/mnt/mmc/CFW/retroarch/retroarch.cfg", "inside");
    root.mkdirs("/mnt/SDCARD");
    root.symlink("/mnt/mmc/CFW", "/mnt/SDCARD/CFW");
    root.symlink("/mnt/mmc/CFW/retroarch/retroarch.cfg", "/mnt/mmc/CFW/ra.cfg");
    const std::string linked_folder = "/mnt/SDCARD/CFW/retroarch/retroarch.cfg";
    for (const std::string &path : {linked_folder, root.host(linked_folder), std::string("/mnt/mmc/CFW/ra.cfg")}) {
        FILE *f = fopen(dev_path(path).c_str(), "r");
        ASSERT_NE(f, nullptr) << path;
        char buf[16] = {0};
        EXPECT_NE(fgets(buf, sizeof buf, f), nullptr);
        fclose(f);
        EXPECT_STREQ(buf, "inside") << path;
    }
    // A file about to be made below a linked folder lands inside the root.
    FILE *made = fopen(dev_path("/mnt/SDCARD/CFW/new.txt").c_str(), "w");
    ASSERT_NE(made, nullptr);
    fclose(made);
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/new.txt"));
    char canon[PATH_MAX];
    ASSERT_NE(realpath(root.path().c_str(), canon), nullptr);
    EXPECT_EQ(dev_path("/mnt/../../../tmp/x/"), std::string(canon) + "/tmp/x/");
    struct stat st;
    ASSERT_EQ(dev_lstat("/mnt/mmc/CFW/ra.cfg", &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(dev_unlink("/mnt/mmc/CFW/ra.cfg"), 0);
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/retroarch/retroarch.cfg"));
}

TEST(DevRoot, RealpathNeverLeavesTheRoot)
{
    TempRoot root;
    root.mkdirs("/mnt/mmc");
    root.write("/etc/passwd", "inside");
    char out[PATH_MAX];
    ASSERT_NE(dev_realpath("/mnt/mmc/../../../../../../etc/passwd", out, sizeof out), nullptr);
    EXPECT_STREQ(out, "/etc/passwd");
    root.symlink("../../../../../../../../etc", "/mnt/up");
    ASSERT_NE(dev_realpath("/mnt/up/passwd", out, sizeof out), nullptr);
    EXPECT_STREQ(out, "/etc/passwd");
    EXPECT_EQ(dev_path(out), root.path() + "/etc/passwd");
    root.symlink("/etc", "/mnt/abs");
    ASSERT_NE(dev_realpath("/mnt/abs/passwd", out, sizeof out), nullptr);
    EXPECT_STREQ(out, "/etc/passwd");
    // A loop is reported, not followed for ever.
    root.symlink("/mnt/loop2", "/mnt/loop1");
    root.symlink("/mnt/loop1", "/mnt/loop2");
    EXPECT_EQ(dev_realpath("/mnt/loop1", out, sizeof out), nullptr);
}

TEST(DevRoot, RelativeRealpathFromAWorkingDirectoryInsideTheRoot)
{
    TempRoot root;
    root.mkdirs("/mnt/mmc/CFW/skin");
    root.write("/mnt/mmc/CFW/skin/settings.json", "{}");
    char old[PATH_MAX];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
    char out[PATH_MAX];
    char *r = dev_realpath("skin/../skin/settings.json", out, sizeof out);
    ASSERT_EQ(chdir(old), 0);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(out, "/mnt/mmc/CFW/skin/settings.json");
}

TEST(Shell, RunsThroughTheRootsShellAndReportsStatus)
{
    TempRoot root;
    root.install_recording_shell("/bin/sh", "/tmp/commands.log", 0);
    EXPECT_EQ(run_shell("/bin/sh", "sync"), 0);
    EXPECT_EQ(run_shell("/bin/sh", "poweroff -f"), 0);
    EXPECT_EQ(root.recorded("/tmp/commands.log"), (std::vector<std::string>{"sync", "poweroff -f"}));
    root.install_recording_shell("/system/bin/sh", "/tmp/porta.log", 3);
    EXPECT_EQ(run_shell("/system/bin/sh", "reboot -p shutdown"), 3);
    EXPECT_EQ(root.recorded("/tmp/porta.log"), std::vector<std::string>{"reboot -p shutdown"});
}

TEST(Shell, MissingShellMeansNotRunAndFailed)
{
    TempRoot root;
    EXPECT_EQ(run_shell("/system/bin/sh", "reboot -p shutdown"), -1);
    EXPECT_EQ(run_shell("/bin/sh", nullptr), -1);
}

TEST(Shell, QuotingKeepsEveryByte)
{
    TempRoot root;
    root.install_recording_shell("/bin/sh", "/tmp/log", 0, true);
    const std::string name = "it's \"$HOME\" `id` \\ back 中文";
    const std::string out = root.host("/tmp/out");
    ASSERT_EQ(run_shell("/bin/sh", ("printf '%s' " + shell_quote(name) + " > " + shell_quote(out)).c_str()), 0);
    EXPECT_EQ(root.read("/tmp/out"), name);
}

TEST(Clock, UnderARootTheRequestIsRecordedNotApplied)
{
    TempRoot root;
    time_t before = time(nullptr);
    EXPECT_EQ(set_system_time(946684800), 0);
    EXPECT_EQ(set_system_time(1700000000), 0);
    EXPECT_EQ(root.read("/.clock-requests"), "946684800\n1700000000\n");
    EXPECT_GE(time(nullptr), before); // the host clock did not go back to 2000
}
