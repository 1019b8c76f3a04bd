// Launching and the hardware keys through the front end's real main loop: the
// files a launch from Games, Favorites, Recent and the RetroArch entry leaves,
// the next start returning to the same place, the CPU speed key, the backlight
// keys with Menu held and the HDMI rule.

#include "retroarch_cfg.h"
#include "vantor_loop_test.h"

#include "vantor/hardware.h"

using namespace vantor_loop;

namespace {

const char *const CFG = "/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg";
const char *const COMMAND = "/mnt/mmc/CFW/retroarch/command.sh";
const char *const GDB_SCRIPT = "/mnt/mmc/CFW/retroarch/gdbscript.txt";
const char *const FLAG = "/mnt/mmc/CFW/menu.flag";
const char *const MAX_FREQ = "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq";
const char *const BACKLIGHT = "/sys/class/backlight/backlight.2/brightness";
const std::string CORE = "/mnt/mmc/CFW/retroarch/.retroarch/cores/gpsp_libretro.so";

size_t count(const std::string &text, const std::string &what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

class VantorLaunchLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        base_root(root);
        root.write("/mnt/mmc/CFW/config/coremapping.json", "{\n  \"GBA\": \"gpsp_libretro.so\"\n}\n");
        root.write("/mnt/mmc/CFW/retroarch/.retroarch/volume.cfg", "audio_volume = \"-4.000000\"\n");
    }

    // The configuration keeps its other lines and ends with the card's keys and the volume.
    void expect_config(const std::string &card, const char *auto_load, const char *save_on_exit)
    {
        const std::string cfg = root.read(CFG);
        const std::string tail = retroarch_key_lines(card, auto_load, save_on_exit) + "audio_volume = \"-4.000000\"\n";
        ASSERT_GE(cfg.size(), tail.size());
        EXPECT_EQ(cfg.substr(cfg.size() - tail.size()), tail);
        for (const char *key :
             {"system_directory =", "savestate_auto_load =", "audio_volume =", "remap_save_on_exit ="})
            EXPECT_EQ(count(cfg, key), 1u) << key;
        EXPECT_EQ(count(cfg, "video_driver = \"sdl_dingux\"\n"), 1u);
        EXPECT_EQ(count(cfg, "video_dingux_ipu_keep_aspect = \"true\"\n"), 1u);
    }

    TempRoot root;
};

} // namespace

TEST_F(VantorLaunchLoop, GameFromTheRemovableCardAndBackToTheSameRow)
{
    for (const char *name : {"Alpha.gba", "Bob's Game.gba", "Charlie.gba", "Delta.gba"})
        root.write(std::string("/mnt/SDCARD/Roms/GBA/") + name, "rom");
    bool after = false;
    // Home -> Consoles -> the GBA folder -> row 1 -> launch.
    run_menu(root, {keys({'d', 'd', 'a'}), keys({'a'}), keys({'s'}), keys({'a'}), [&](MenuModel &) { after = true; }});
    EXPECT_FALSE(after) << "the launch ends the loop";
    EXPECT_EQ(root.read(COMMAND), "#!/bin/sh\nexport LANG=en\n/mnt/mmc/CFW/retroarch/retroarch -L \"" + CORE +
                                      "\" '/mnt/SDCARD/Roms/GBA/Bob'\"'\"'s Game.gba'\nexit $?\n");
    EXPECT_EQ(root.read(GDB_SCRIPT), "run -L \"" + CORE + "\" '/mnt/SDCARD/Roms/GBA/Bob'\"'\"'s Game.gba'");
    expect_config("SDCARD", "true", "false");
    EXPECT_TRUE(root.exists("/mnt/SDCARD/Saves/CurrentProfile/states"));
    EXPECT_EQ(root.read(FLAG), "games\n1\n/mnt/SDCARD/Roms/GBA");

    // The next start opens the same list at the same row; Back shows Consoles at page 0.
    Snapshot resumed, back;
    run_menu(root, {take(&resumed), keys({'b'}), take(&back)});
    EXPECT_EQ(resumed.state, STATE_GAMES);
    EXPECT_EQ(resumed.row, 1);
    EXPECT_EQ(resumed.item_count, 4);
    EXPECT_EQ(back.state, STATE_CONSOLES);
    EXPECT_EQ(back.page, 0);
    EXPECT_EQ(back.column, 0);
    EXPECT_EQ(back.row, 0);
    EXPECT_FALSE(root.exists(FLAG)) << "the resume file is used once";
}

TEST_F(VantorLaunchLoop, FavoriteWithMSkipsTheStateLoadAndResumesInFavorites)
{
    root.write("/mnt/mmc/Roms/GBA/A.gba", "rom");
    root.write("/mnt/mmc/Roms/GBA/B.gba", "rom");
    root.write("/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl",
               playlist({"/mnt/mmc/Roms/GBA/A.gba", "/mnt/mmc/Roms/GBA/B.gba"}));
    run_menu(root, {keys({'d', 'a'}), keys({'s'}), keys({'m'})});
    EXPECT_EQ(root.read(COMMAND), "#!/bin/sh\nexport LANG=en\n/mnt/mmc/CFW/retroarch/retroarch -L \"" + CORE +
                                      "\" '/mnt/mmc/Roms/GBA/B.gba'\nexit $?\n");
    expect_config("mmc", "false", "false");
    EXPECT_EQ(root.read(FLAG), "favorites\n1");

    Snapshot resumed;
    run_menu(root, {take(&resumed)});
    EXPECT_EQ(resumed.state, STATE_FAVORITES);
    EXPECT_EQ(resumed.row, 1);
}

TEST_F(VantorLaunchLoop, RecentLaunchesTheHistoryPathAsStored)
{
    root.write("/mnt/SDCARD/Roms/GBA/Zed.gba", "rom");
    root.write("/mnt/SDCARD/Saves/CurrentProfile/lists/content_history.lpl",
               playlist({"/mnt/SDCARD/Roms/GBA/Zed.gba"}));
    run_menu(root, {keys({'a'}), keys({'a'})});
    EXPECT_EQ(root.read(COMMAND), "#!/bin/sh\nexport LANG=en\n/mnt/mmc/CFW/retroarch/retroarch -L \"" + CORE +
                                      "\" '/mnt/SDCARD/Roms/GBA/Zed.gba'\nexit $?\n");
    expect_config("SDCARD", "true", "false");
    EXPECT_EQ(root.read(FLAG), "recent");
}

TEST_F(VantorLaunchLoop, RetroArchEntryUsesTheInternalCardWithEverySwitchOn)
{
    // The LANG line carries the chosen language's "iso-code".
    root.write("/mnt/mmc/CFW/language.flag", "Spanish");
    root.write("/mnt/mmc/CFW/lang/Spanish.json", "{\n  \"iso-code\": \"es_ES\",\n  \"retroarch-label\": \"RA\"\n}\n");
    testing::internal::CaptureStdout();
    run_menu(root, {keys({'q', 'a'})});
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Executing /mnt/mmc/CFW/retroarch/retroarch\n"), std::string::npos) << out;
    EXPECT_EQ(root.read(COMMAND), "#!/bin/sh\nexport LANG=es_ES\n/mnt/mmc/CFW/retroarch/retroarch\nexit $?\n");
    EXPECT_EQ(root.read(GDB_SCRIPT), "run");
    expect_config("mmc", "true", "true");
    EXPECT_EQ(root.read(FLAG), "home\n3");

    Snapshot resumed;
    run_menu(root, {take(&resumed)});
    EXPECT_EQ(resumed.state, STATE_HOME);
    EXPECT_EQ(resumed.column, 3);
}

TEST_F(VantorLaunchLoop, CpuKeyCyclesSavesAndAppliesEveryScreen)
{
    root.write("/mnt/mmc/CFW/cpuspeed", "1296000");
    Snapshot first, third;
    run_menu(root, {take(&first), keys({'n'}), keys({'m', 'n'}), take(&third)});
    EXPECT_EQ(first.state, STATE_HOME);
    EXPECT_EQ(root.read("/mnt/mmc/CFW/cpuspeed"), "720000");
    EXPECT_EQ(root.read(MAX_FREQ), "720000");
    EXPECT_EQ(third.state, STATE_SETTINGS);
}

TEST_F(VantorLaunchLoop, BrightnessKeysNeedMenuHeldAndNoHdmi)
{
    root.write("/mnt/mmc/CFW/brightness", "400\n");
    root.write("/sys/class/switch/hdmi/state", "0\n");
    // 'r' alone does nothing; with Menu held it steps up, 't' steps down.
    run_menu(root, {keys({'r'}), [](MenuModel &) {
                        push_key('u', true);
                        press('r');
                        press('r');
                        press('t');
                        push_key('u', false);
                    }});
    EXPECT_EQ(root.read("/mnt/mmc/CFW/brightness"), "600\n");
    EXPECT_EQ(root.read(BACKLIGHT), "600\n");

    // With HDMI connected the backlight is off and the keys do nothing.
    root.write("/sys/class/switch/hdmi/state", "1\n");
    run_menu(root, {[](MenuModel &) {
                 push_key('u', true);
                 press('r');
                 push_key('u', false);
             }});
    EXPECT_EQ(root.read("/mnt/mmc/CFW/brightness"), "600\n");
    EXPECT_EQ(root.read(BACKLIGHT), "0\n");
}

TEST_F(VantorLaunchLoop, UnpluggingHdmiRestoresTheStoredLevel)
{
    root.write("/mnt/mmc/CFW/brightness", "200\n");
    root.write("/sys/class/switch/hdmi/state", "1\n");
    std::string during;
    run_menu(root, {idle(),
                    [&](MenuModel &) {
                        during = root.read(BACKLIGHT);
                        root.write("/sys/class/switch/hdmi/state", "0\n");
                    },
                    idle()});
    EXPECT_EQ(during, "0\n");
    EXPECT_EQ(root.read(BACKLIGHT), "200\n");
}
