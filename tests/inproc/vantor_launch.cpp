// Launching and the hardware keys through the front end's real main loop: the
// files a launch from Games, Favorites, Recent and the RetroArch entry leaves,
// the next start returning to the same place, the CPU speed key, the backlight
// keys with Menu held and the HDMI rule.

#include "vantor_spine_support.h"

#include "vantor/hardware.h"

using namespace spine;

namespace {

const char *const kCfg = "/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg";
const char *const kCommand = "/mnt/mmc/CFW/retroarch/command.sh";
const char *const kGdbScript = "/mnt/mmc/CFW/retroarch/gdbscript.txt";
const char *const kFlag = "/mnt/mmc/CFW/menu.flag";
const char *const kMaxFreq = "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq";
const char *const kBacklight = "/sys/class/backlight/backlight.2/brightness";
const std::string kCore = "/mnt/mmc/CFW/retroarch/.retroarch/cores/gpsp_libretro.so";

std::string keyLines(const std::string &card, const char *autoLoad, const char *saveOnExit)
{
    return "system_directory = \"/mnt/" + card + "/BIOS\"\n" + "savefile_directory = \"/mnt/" + card +
           "/Saves/CurrentProfile/saves\"\n" + "savestate_directory = \"/mnt/" + card +
           "/Saves/CurrentProfile/states\"\n" + "content_history_directory = \"/mnt/" + card +
           "/Saves/CurrentProfile/lists\"\n" + "content_history_path = \"/mnt/" + card +
           "/Saves/CurrentProfile/lists/content_history.lpl\"\n" + "screenshot_directory = \"/mnt/" + card +
           "/Screenshots\"\n" + "savestate_auto_load = \"" + autoLoad + "\"\n" + "config_save_on_exit = \"" +
           saveOnExit + "\"\n" + "remap_save_on_exit = \"" + saveOnExit + "\"\n";
}

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
        baseRoot(root);
        root.write("/mnt/mmc/CFW/config/coremapping.json", "{\n  \"GBA\": \"gpsp_libretro.so\"\n}\n");
        root.write("/mnt/mmc/CFW/retroarch/.retroarch/volume.cfg", "audio_volume = \"-4.000000\"\n");
    }

    // The configuration keeps its other lines and ends with the card's keys and the volume.
    void expectConfig(const std::string &card, const char *autoLoad, const char *saveOnExit)
    {
        const std::string cfg = root.read(kCfg);
        const std::string tail = keyLines(card, autoLoad, saveOnExit) + "audio_volume = \"-4.000000\"\n";
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
    runMenu(root, {keys({'d', 'd', 'a'}), keys({'a'}), keys({'s'}), keys({'a'}), [&](MenuModel &) { after = true; }});
    EXPECT_FALSE(after) << "the launch ends the loop";
    EXPECT_EQ(root.read(kCommand), "#!/bin/sh\nexport LANG=en\n/mnt/mmc/CFW/retroarch/retroarch -L \"" + kCore +
                                       "\" '/mnt/SDCARD/Roms/GBA/Bob'\"'\"'s Game.gba'\nexit $?\n");
    EXPECT_EQ(root.read(kGdbScript), "run -L \"" + kCore + "\" '/mnt/SDCARD/Roms/GBA/Bob'\"'\"'s Game.gba'");
    expectConfig("SDCARD", "true", "false");
    EXPECT_TRUE(root.exists("/mnt/SDCARD/Saves/CurrentProfile/states"));
    EXPECT_EQ(root.read(kFlag), "games\n1\n/mnt/SDCARD/Roms/GBA");

    // The next start opens the same list at the same row; Back shows Consoles at page 0.
    Snapshot resumed, back;
    runMenu(root, {take(&resumed), keys({'b'}), take(&back)});
    EXPECT_EQ(resumed.state, Games);
    EXPECT_EQ(resumed.row, 1);
    EXPECT_EQ(resumed.itemCount, 4);
    EXPECT_EQ(back.state, Consoles);
    EXPECT_EQ(back.page, 0);
    EXPECT_EQ(back.column, 0);
    EXPECT_EQ(back.row, 0);
    EXPECT_FALSE(root.exists(kFlag)) << "the resume file is used once";
}

TEST_F(VantorLaunchLoop, FavoriteWithMSkipsTheStateLoadAndResumesInFavorites)
{
    root.write("/mnt/mmc/Roms/GBA/A.gba", "rom");
    root.write("/mnt/mmc/Roms/GBA/B.gba", "rom");
    root.write("/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl",
               playlist({"/mnt/mmc/Roms/GBA/A.gba", "/mnt/mmc/Roms/GBA/B.gba"}));
    runMenu(root, {keys({'d', 'a'}), keys({'s'}), keys({'m'})});
    EXPECT_EQ(root.read(kCommand), "#!/bin/sh\nexport LANG=en\n/mnt/mmc/CFW/retroarch/retroarch -L \"" + kCore +
                                       "\" '/mnt/mmc/Roms/GBA/B.gba'\nexit $?\n");
    expectConfig("mmc", "false", "false");
    EXPECT_EQ(root.read(kFlag), "favorites\n1");

    Snapshot resumed;
    runMenu(root, {take(&resumed)});
    EXPECT_EQ(resumed.state, Favorites);
    EXPECT_EQ(resumed.row, 1);
}

TEST_F(VantorLaunchLoop, RecentLaunchesTheHistoryPathAsStored)
{
    root.write("/mnt/SDCARD/Roms/GBA/Zed.gba", "rom");
    root.write("/mnt/SDCARD/Saves/CurrentProfile/lists/content_history.lpl",
               playlist({"/mnt/SDCARD/Roms/GBA/Zed.gba"}));
    runMenu(root, {keys({'a'}), keys({'a'})});
    EXPECT_EQ(root.read(kCommand), "#!/bin/sh\nexport LANG=en\n/mnt/mmc/CFW/retroarch/retroarch -L \"" + kCore +
                                       "\" '/mnt/SDCARD/Roms/GBA/Zed.gba'\nexit $?\n");
    expectConfig("SDCARD", "true", "false");
    EXPECT_EQ(root.read(kFlag), "recent");
}

TEST_F(VantorLaunchLoop, RetroArchEntryUsesTheInternalCardWithEverySwitchOn)
{
    // The LANG line carries the chosen language's "iso-code".
    root.write("/mnt/mmc/CFW/language.flag", "Spanish");
    root.write("/mnt/mmc/CFW/lang/Spanish.json", "{\n  \"iso-code\": \"es_ES\",\n  \"retroarch-label\": \"RA\"\n}\n");
    testing::internal::CaptureStdout();
    runMenu(root, {keys({'q', 'a'})});
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Executing /mnt/mmc/CFW/retroarch/retroarch\n"), std::string::npos) << out;
    EXPECT_EQ(root.read(kCommand), "#!/bin/sh\nexport LANG=es_ES\n/mnt/mmc/CFW/retroarch/retroarch\nexit $?\n");
    EXPECT_EQ(root.read(kGdbScript), "run");
    expectConfig("mmc", "true", "true");
    EXPECT_EQ(root.read(kFlag), "home\n3");

    Snapshot resumed;
    runMenu(root, {take(&resumed)});
    EXPECT_EQ(resumed.state, Home);
    EXPECT_EQ(resumed.column, 3);
}

TEST_F(VantorLaunchLoop, CpuKeyCyclesSavesAndAppliesEveryScreen)
{
    root.write("/mnt/mmc/CFW/cpuspeed", "1296000");
    Snapshot first, third;
    runMenu(root, {take(&first), keys({'n'}), keys({'m', 'n'}), take(&third)});
    EXPECT_EQ(first.state, Home);
    EXPECT_EQ(root.read("/mnt/mmc/CFW/cpuspeed"), "720000");
    EXPECT_EQ(root.read(kMaxFreq), "720000");
    EXPECT_EQ(third.state, Settings);
}

TEST_F(VantorLaunchLoop, BrightnessKeysNeedMenuHeldAndNoHdmi)
{
    root.write("/mnt/mmc/CFW/brightness", "400\n");
    root.write("/sys/class/switch/hdmi/state", "0\n");
    // 'r' alone does nothing; with Menu held it steps up, 't' steps down.
    runMenu(root, {keys({'r'}), [](MenuModel &) {
                       pushKey('u', true);
                       press('r');
                       press('r');
                       press('t');
                       pushKey('u', false);
                   }});
    EXPECT_EQ(root.read("/mnt/mmc/CFW/brightness"), "600\n");
    EXPECT_EQ(root.read(kBacklight), "600\n");

    // With HDMI connected the backlight is off and the keys do nothing.
    root.write("/sys/class/switch/hdmi/state", "1\n");
    runMenu(root, {[](MenuModel &) {
                pushKey('u', true);
                press('r');
                pushKey('u', false);
            }});
    EXPECT_EQ(root.read("/mnt/mmc/CFW/brightness"), "600\n");
    EXPECT_EQ(root.read(kBacklight), "0\n");
}

TEST_F(VantorLaunchLoop, UnpluggingHdmiRestoresTheStoredLevel)
{
    root.write("/mnt/mmc/CFW/brightness", "200\n");
    root.write("/sys/class/switch/hdmi/state", "1\n");
    std::string during;
    runMenu(root, {idle(),
                   [&](MenuModel &) {
                       during = root.read(kBacklight);
                       root.write("/sys/class/switch/hdmi/state", "0\n");
                   },
                   idle()});
    EXPECT_EQ(during, "0\n");
    EXPECT_EQ(root.read(kBacklight), "200\n");
}
