// The built vantor program under Xvfb with real key presses: a game with a
// name full of shell syntax launched from the removable card leaves a
// command.sh that runs exactly that file, the next start returns to the same
// row and Back shows Consoles; the Settings screen writes the clock; the CPU
// key and the Menu-held backlight keys change their files.
//
// command.sh names /mnt/mmc/CFW/retroarch/retroarch; to run it on this host
// the test replaces that leading program path (and nothing else) with the
// host path of a recording stub placed there in the device root.

#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::string VANTOR = std::string(BIN_DIR) + "/vantor";
const char *const RETROARCH = "/mnt/mmc/CFW/retroarch/retroarch";
const char *const COMMAND = "/mnt/mmc/CFW/retroarch/command.sh";
const std::string ODD_NAME = "B'\"$`\\ 中文 (USA) [!].gba";

class VantorLaunchX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.ok());
        root.install_sample_image();
        remove_tree(root.host("/mnt/mmc/CFW/menu.flag"));
        remove_tree(root.host("/mnt/mmc/Roms"));
        remove_tree(root.host("/mnt/SDCARD/Roms"));
        root.install_recording_shell("/bin/sh", "/tmp/commands.log");
        // Only GBA counts as a system, so Consoles holds the one folder below.
        root.write("/mnt/mmc/CFW/config/coremapping.json", "{\n  \"GBA\": \"gpsp_libretro.so\"\n}\n");
        for (const std::string &name : {std::string("A plain.gba"), ODD_NAME, std::string("C last.gba")})
            root.write("/mnt/SDCARD/Roms/GBA/" + name, "rom");
        log = root.host("/stub.log");
        root.write(RETROARCH,
                   "#!/bin/sh\n: > '" + log + "'\nfor a in \"$@\"; do printf '%s\\0' \"$a\" >> '" + log +
                       "'; done\nexit 0\n",
                   0755);
    }
    pid_t start()
    {
        return start_program(VANTOR, {},
                             {"DEVICE_ROOT=" + root.path(), "DISPLAY=" + x.display(), "SDL_VIDEODRIVER=x11",
                              "SDL_AUDIODRIVER=dummy", "TZ=UTC0"},
                             root.host("/mnt/mmc/CFW"), root.path() + "/vantor.out");
    }
    std::string window()
    {
        std::string w = find_window(x.display(), "vantor");
        SDL_Delay(300); // let the first frames pass before typing
        return w;
    }
    std::string flag() const
    {
        return root.exists("/mnt/mmc/CFW/menu.flag") ? root.read("/mnt/mmc/CFW/menu.flag") : "<none>";
    }

    XServer x;
    TempRoot root;
    std::string log;
};

std::vector<std::string> split_nul(const std::string &s)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < s.size()) {
        size_t end = s.find('\0', start);
        if (end == std::string::npos)
            end = s.size();
        out.push_back(s.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

} // namespace

TEST_F(VantorLaunchX11, OddlyNamedGameRunsExactlyAndTheNextStartResumes)
{
    pid_t pid = start();
    ASSERT_GT(pid, 0);
    std::string win = window();
    ASSERT_FALSE(win.empty());
    // Home -> Consoles (one folder) -> GBA -> second file -> launch.
    ASSERT_TRUE(send_keys(x.display(), win, {"Right", "Right", "Return", "Return", "Down", "Return"}, 150));
    ASSERT_EQ(wait_program(pid, 10000), 0);

    const std::string item = "/mnt/SDCARD/Roms/GBA/" + ODD_NAME;
    EXPECT_EQ(flag(), "games\n1\n/mnt/SDCARD/Roms/GBA");
    const std::string cfg = root.read("/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg");
    EXPECT_NE(cfg.find("savefile_directory = \"/mnt/SDCARD/Saves/CurrentProfile/saves\"\n"), std::string::npos);
    EXPECT_NE(cfg.find("savestate_auto_load = \"true\"\nconfig_save_on_exit = \"false\"\n"
                       "remap_save_on_exit = \"false\"\n"),
              std::string::npos);

    // Run the script against the stub.
    std::string script = root.read(COMMAND);
    const std::string line = std::string("\n") + RETROARCH + " -L ";
    const size_t at = script.find(line);
    ASSERT_NE(at, std::string::npos) << script;
    script.replace(at + 1, strlen(RETROARCH), root.host(RETROARCH));
    root.write("/run.sh", script, 0755);
    EXPECT_EQ(
        host_system("cd '" + root.path() + "' && env -i PATH=/usr/bin:/bin /bin/sh '" + root.host("/run.sh") + "'"), 0);
    EXPECT_EQ(split_nul(root.read("/stub.log")),
              (std::vector<std::string>{"-L", "/mnt/mmc/CFW/retroarch/.retroarch/cores/gpsp_libretro.so", item}));

    // The next start: back in the same list at the same row; Back shows
    // Consoles, which the power key records.
    pid = start();
    win = window();
    ASSERT_FALSE(win.empty());
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/menu.flag"));
    ASSERT_TRUE(send_keys(x.display(), win, {"XF86PowerOff"}));
    ASSERT_EQ(wait_program(pid, 10000), 0);
    EXPECT_EQ(flag(), "games\n1\n/mnt/SDCARD/Roms/GBA") << "the power key in the restored list keeps its row";

    pid = start();
    win = window();
    ASSERT_FALSE(win.empty());
    ASSERT_TRUE(send_keys(x.display(), win, {"Escape"}, 150));
    ASSERT_TRUE(send_keys(x.display(), win, {"XF86PowerOff"}));
    ASSERT_EQ(wait_program(pid, 10000), 0);
    EXPECT_EQ(flag(), "consoles");
}

TEST_F(VantorLaunchX11, SettingsWritesTheClockAndHardwareKeysChangeTheirFiles)
{
    root.write("/mnt/mmc/CFW/cpuspeed", "1008000");
    root.write("/mnt/mmc/CFW/brightness", "400\n");
    pid_t pid = start();
    ASSERT_GT(pid, 0);
    const std::string win = window();
    ASSERT_FALSE(win.empty());
    const time_t before = time(nullptr);
    // Settings, year up, back to Home.
    ASSERT_TRUE(send_keys(x.display(), win, {"m", "Up", "Escape"}, 150));
    // CPU key, then Menu held with the backlight-up key.
    ASSERT_TRUE(send_keys(x.display(), win, {"n"}, 150));
    ASSERT_TRUE(key_down(x.display(), win, "u"));
    ASSERT_TRUE(send_keys(x.display(), win, {"r"}, 150));
    ASSERT_TRUE(key_up(x.display(), win, "u"));
    SDL_Delay(300);
    ASSERT_TRUE(send_keys(x.display(), win, {"XF86PowerOff"}));
    ASSERT_EQ(wait_program(pid, 10000), 0);
    const time_t after = time(nullptr);

    const std::vector<std::string> requests = root.recorded("/.clock-requests");
    ASSERT_EQ(requests.size(), 1u);
    const long long set = atoll(requests[0].c_str());
    // One year ahead of the last clock refresh (365 or 366 days).
    EXPECT_GE(set, static_cast<long long>(before) + 365LL * 86400 - 60);
    EXPECT_LE(set, static_cast<long long>(after) + 366LL * 86400);
    const std::vector<std::string> commands = root.recorded("/tmp/commands.log");
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands[0], "busybox hwclock -w");

    EXPECT_EQ(root.read("/mnt/mmc/CFW/cpuspeed"), "1296000");
    EXPECT_EQ(root.read("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq"), "1296000");
    EXPECT_EQ(root.read("/mnt/mmc/CFW/brightness"), "600\n");
    EXPECT_EQ(root.read("/sys/class/backlight/backlight.2/brightness"), "600\n");
    EXPECT_EQ(flag(), "home\n0");
}
