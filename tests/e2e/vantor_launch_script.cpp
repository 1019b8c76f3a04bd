// The launch script written by the front end really runs the chosen file:
// command.sh is executed with sh against stub programs that record the
// arguments they receive, for file names full of shell syntax, on both cards.
//
// Method: command.sh names device paths. The content path and the core path
// are only arguments, so the stub may receive them as they stand; but the
// program it starts must exist on this host. For the RetroArch form the test
// replaces the leading /mnt/mmc/CFW/retroarch/retroarch of the command line
// (and nothing else) with the host path of a stub placed at that location in
// the device root. For the standalone form the core mapping names the stub by
// its host path directly, so the script runs unchanged. The stub writes its
// LANG and each argument NUL-terminated into a log and exits with 7, which the
// script must pass on through "exit $?".

#include "vantor/launch.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr int GAMES = 2;
const char *const RETROARCH = "/mnt/mmc/CFW/retroarch/retroarch";
const char *const COMMAND = "/mnt/mmc/CFW/retroarch/command.sh";
const char *const CORE = "/mnt/mmc/CFW/retroarch/.retroarch/cores/mgba_libretro.so";

// File names that a shell would otherwise take apart.
const std::vector<std::string> NAMES = {
    "Bob's Game.gba",         "Say \"Hi\" (USA).gba",    "$HOME and $(touch pwned).gba",
    "`touch pwned` tick.gba", "back\\slash\\n.gba",      "  spaces   many  .gba",
    "日本語 ゲーム [!].gba",  "mix '\"$`\\ 中文 ''.gba", "semi; rm -rf x & | > <.gba",
    "new\nline.gba",
};

class VantorLaunchScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(old_cwd, sizeof(old_cwd)), nullptr);
        root.mkdirs("/mnt/mmc/CFW/retroarch/.retroarch/cores");
        root.write("/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg", "video_driver = \"sdl\"\n");
        log = root.host("/stub.log");
        const std::string stub =
            "#!/bin/sh\n"
            ": > '" +
            log +
            "'\n"
            "printf 'LANG=%s\\0' \"$LANG\" >> '" +
            log +
            "'\n"
            "for a in \"$@\"; do printf '%s\\0' \"$a\" >> '" +
            log +
            "'; done\n"
            "exit 7\n";
        root.write(RETROARCH, stub, 0755);
        root.write("/mnt/mmc/CFW/apps/runner", stub, 0755);
        root.write("/mnt/mmc/CFW/config/coremapping.json",
                   "{\n  \"GBA\": \"mgba_libretro.so\",\n  \"SCUMMVM\": \"scummvm_libretro.so\",\n"
                   "  \"PORTS\": \"" +
                       root.host("/mnt/mmc/CFW/apps/runner") + "\"\n}\n");
        ASSERT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(old_cwd), 0); }

    // Runs command.sh (with the RetroArch path mapped when asked) in a clean
    // environment; returns its exit status and fills the recorded arguments.
    int run_script(bool map_retroarch, std::vector<std::string> &args)
    {
        std::string script = root.read(COMMAND);
        if (map_retroarch) {
            const std::string line3 = std::string("\n") + RETROARCH + " -L ";
            size_t at = script.find(line3);
            EXPECT_NE(at, std::string::npos) << script;
            if (at == std::string::npos)
                return -1;
            script.replace(at + 1, strlen(RETROARCH), root.host(RETROARCH));
        }
        root.write("/run.sh", script, 0755);
        unlink(log.c_str());
        int status = host_system("cd '" + root.host("/") + "' && env -i PATH=/usr/bin:/bin /bin/sh '" +
                                 root.host("/run.sh") + "'");
        args.clear();
        const std::string recorded = root.read("/stub.log");
        size_t start = 0;
        while (start < recorded.size()) {
            size_t end = recorded.find('\0', start);
            if (end == std::string::npos)
                end = recorded.size();
            args.push_back(recorded.substr(start, end - start));
            start = end + 1;
        }
        return status;
    }

    TempRoot root;
    std::string log;
    char old_cwd[PATH_MAX];
};

} // namespace

TEST_F(VantorLaunchScript, RetroArchGetsExactlyTheContentPathOnBothCards)
{
    for (const char *folder : {"/mnt/mmc/Roms/GBA/", "/mnt/SDCARD/Roms/GBA/"}) {
        for (const std::string &name : NAMES) {
            const std::string item = folder + name;
            root.write(item, "rom");
            ASSERT_EQ(launch_item(item.c_str(), GAMES, 0, "ja"), 0) << item;
            std::vector<std::string> args;
            EXPECT_EQ(run_script(true, args), 7) << item;
            const std::vector<std::string> expected = {"LANG=ja", "-L", CORE, item};
            EXPECT_EQ(args, expected) << root.read(COMMAND);
        }
    }
    EXPECT_FALSE(root.exists("/pwned"));
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/pwned"));
}

TEST_F(VantorLaunchScript, ScummVMCopyIsHandedOverExactly)
{
    const std::string game = "/mnt/SDCARD/Roms/SCUMMVM/Bob's $game `x`";
    root.mkdirs(game);
    root.write(game + ".scummvm", "bob");
    ASSERT_EQ(launch_item((game + ".scummvm").c_str(), GAMES, 1, "en"), 0);
    std::vector<std::string> args;
    EXPECT_EQ(run_script(true, args), 7);
    const std::vector<std::string> expected = {"LANG=en", "-L",
                                               "/mnt/mmc/CFW/retroarch/.retroarch/cores/scummvm_libretro.so",
                                               game + "/Bob's $game `x`.scummvm"};
    EXPECT_EQ(args, expected);
    EXPECT_EQ(root.read(game + "/Bob's $game `x`.scummvm"), "bob");
}

TEST_F(VantorLaunchScript, StandaloneProgramGetsExactlyTheItemPath)
{
    for (const char *folder : {"/mnt/mmc/Roms/PORTS/", "/mnt/SDCARD/Roms/PORTS/"}) {
        for (const std::string &name : NAMES) {
            const std::string item = folder + name;
            root.write(item, "x");
            ASSERT_EQ(launch_item(item.c_str(), GAMES, 0, "zh_CN"), 0) << item;
            std::vector<std::string> args;
            EXPECT_EQ(run_script(false, args), 7) << item;
            const std::vector<std::string> expected = {"LANG=zh_CN", item};
            EXPECT_EQ(args, expected) << root.read(COMMAND);
        }
    }
    EXPECT_FALSE(root.exists("/pwned"));
}

TEST_F(VantorLaunchScript, RetroArchMenuScriptRunsRetroArchWithoutArguments)
{
    testing::internal::CaptureStdout();
    ASSERT_EQ(launch_retroarch("en"), 0);
    testing::internal::GetCapturedStdout();
    std::string script = root.read(COMMAND);
    const std::string line = std::string("\n") + RETROARCH + "\n";
    size_t at = script.find(line);
    ASSERT_NE(at, std::string::npos);
    script.replace(at + 1, strlen(RETROARCH), root.host(RETROARCH));
    root.write("/run.sh", script, 0755);
    EXPECT_EQ(host_system("env -i PATH=/usr/bin:/bin /bin/sh '" + root.host("/run.sh") + "'"), 7);
    EXPECT_EQ(root.read("/stub.log"), std::string("LANG=en\0", 8));
}
