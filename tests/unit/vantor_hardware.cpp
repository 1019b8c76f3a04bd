// CPU speed, battery, backlight, HDMI and power-off of the front end, against
// the sysfs and flag files of a temporary device root.

#include "vantor/hardware.h"
#include "test_root.h"

#include <gtest/gtest.h>

namespace {

const char *const CPU_SPEED = "/mnt/mmc/CFW/cpuspeed";
const char *const MAX_FREQ = "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq";
const char *const CAPACITY = "/sys/class/power_supply/battery/capacity";
const char *const CHARGER = "/sys/class/power_supply/battery/charger_online";
const char *const HDMI = "/sys/class/switch/hdmi/state";
const char *const BACKLIGHT = "/sys/class/backlight/backlight.2/brightness";
const char *const BRIGHTNESS = "/mnt/mmc/CFW/brightness";

// A root with the folders the device always has.
void make_device_folders(const TempRoot &root)
{
    root.mkdirs("/mnt/mmc/CFW/retroarch/.retroarch");
    root.mkdirs("/sys/devices/system/cpu/cpu0/cpufreq");
    root.mkdirs("/sys/class/power_supply/battery");
    root.mkdirs("/sys/class/switch/hdmi");
    root.mkdirs("/sys/class/backlight/backlight.2");
}

} // namespace

TEST(VantorBattery, LevelIsTheNearestMarkWithTiesToTheLowerOne)
{
    const struct {
        int capacity, level;
    } cases[] = {{0, 0},  {10, 0}, {11, 1}, {20, 1}, {35, 1},  {36, 2}, {50, 2},
                 {65, 2}, {66, 3}, {90, 3}, {91, 4}, {100, 4}, {150, 4}};
    for (const auto &c : cases)
        EXPECT_EQ(power_index_for_capacity(c.capacity), c.level) << "capacity " << c.capacity;
}

TEST(VantorBattery, ReadsCapacityAndChargerFromSysfs)
{
    TempRoot root;
    make_device_folders(root);
    // Missing files: capacity 0 (level 0), not charging.
    EXPECT_EQ(get_battery_capacity(), 0);
    EXPECT_EQ(get_power_index(), 0);
    EXPECT_EQ(is_charging(), 0);

    root.write(CAPACITY, "91\n");
    EXPECT_EQ(get_battery_capacity(), 91);
    EXPECT_EQ(get_power_index(), 4);
    root.write(CAPACITY, "36\r\n");
    EXPECT_EQ(get_power_index(), 2);

    root.write(CHARGER, "1\n");
    EXPECT_EQ(is_charging(), 1);
    root.write(CHARGER, "0\n");
    EXPECT_EQ(is_charging(), 0);
}

TEST(VantorCpu, SavedSpeedFallsBackTo1008000)
{
    TempRoot root;
    make_device_folders(root);
    EXPECT_EQ(get_cpu_speed(), 1008000); // missing
    root.write(CPU_SPEED, "0");
    EXPECT_EQ(get_cpu_speed(), 1008000);
    root.write(CPU_SPEED, "garbage");
    EXPECT_EQ(get_cpu_speed(), 1008000);
    root.write(CPU_SPEED, "-5");
    EXPECT_EQ(get_cpu_speed(), 1008000);
    root.write(CPU_SPEED, "1296000\r\n");
    EXPECT_EQ(get_cpu_speed(), 1296000);
}

TEST(VantorCpu, CycleOrderAndUnknownSpeeds)
{
    EXPECT_EQ(next_cpu_speed(1008000), 1296000);
    EXPECT_EQ(next_cpu_speed(1296000), 1488000);
    EXPECT_EQ(next_cpu_speed(1488000), 720000);
    EXPECT_EQ(next_cpu_speed(720000), 504000);
    EXPECT_EQ(next_cpu_speed(504000), 1008000);
    EXPECT_EQ(next_cpu_speed(600000), 1008000);
    EXPECT_EQ(next_cpu_speed(0), 1008000);
}

TEST(VantorCpu, CycleSavesAndAppliesTheNextSpeed)
{
    TempRoot root;
    make_device_folders(root);
    root.write(CPU_SPEED, "600000");
    int speed = cycle_cpu_speed(get_cpu_speed());
    EXPECT_EQ(speed, 1008000);
    EXPECT_EQ(root.read(CPU_SPEED), "1008000"); // "%d", no newline
    EXPECT_EQ(root.read(MAX_FREQ), "1008000");

    speed = cycle_cpu_speed(1488000);
    EXPECT_EQ(speed, 720000);
    EXPECT_EQ(root.read(CPU_SPEED), "720000");
    EXPECT_EQ(root.read(MAX_FREQ), "720000");
    EXPECT_EQ(get_cpu_speed(), 720000);
}

TEST(VantorCpu, RestoreAppliesWithoutSavingAndZeroDoesNothing)
{
    TempRoot root;
    make_device_folders(root);
    // Nothing saved: the default is applied, and no cpuspeed file appears.
    EXPECT_EQ(restore_cpu_speed(), 1008000);
    EXPECT_EQ(root.read(MAX_FREQ), "1008000");
    EXPECT_FALSE(root.exists(CPU_SPEED));

    root.write(CPU_SPEED, "504000");
    EXPECT_EQ(restore_cpu_speed(), 504000);
    EXPECT_EQ(root.read(MAX_FREQ), "504000");
    EXPECT_EQ(root.read(CPU_SPEED), "504000");

    set_cpu_speed(0, 1, 1);
    set_cpu_speed(-1008000, 1, 1);
    EXPECT_EQ(root.read(MAX_FREQ), "504000");
    EXPECT_EQ(root.read(CPU_SPEED), "504000");

    // Save only: the hardware keeps its speed.
    set_cpu_speed(1296000, 1, 0);
    EXPECT_EQ(root.read(CPU_SPEED), "1296000");
    EXPECT_EQ(root.read(MAX_FREQ), "504000");
}

TEST(VantorBacklight, StepsUpAndDown)
{
    EXPECT_EQ(brightness_step_up(100), 200);
    EXPECT_EQ(brightness_step_down(100), 50);
    EXPECT_EQ(brightness_step_up(1024), 1024);
    EXPECT_EQ(brightness_step_down(25), 25);
    EXPECT_EQ(brightness_step_up(30), 50);
    EXPECT_EQ(brightness_step_down(30), 25);
    EXPECT_EQ(brightness_step_up(24), 25);
    EXPECT_EQ(brightness_step_up(800), 1024);
    EXPECT_EQ(brightness_step_up(1023), 1024);
    EXPECT_EQ(brightness_step_down(1024), 800);
    EXPECT_EQ(brightness_step_down(801), 800);
    EXPECT_EQ(brightness_step_down(800), 600);
    EXPECT_EQ(brightness_step_down(601), 600);
    EXPECT_EQ(brightness_step_down(51), 50);
    EXPECT_EQ(brightness_step_down(26), 25);
    EXPECT_EQ(brightness_step_up(2000), 2000);
}

TEST(VantorBacklight, SavedLevelBelow25OrGarbageCountsAs100)
{
    TempRoot root;
    make_device_folders(root);
    EXPECT_EQ(get_saved_brightness(), 100);
    root.write(BRIGHTNESS, "24\n");
    EXPECT_EQ(get_saved_brightness(), 100);
    root.write(BRIGHTNESS, "bright\n");
    EXPECT_EQ(get_saved_brightness(), 100);
    root.write(BRIGHTNESS, "25\n");
    EXPECT_EQ(get_saved_brightness(), 25);
}

TEST(VantorBacklight, MenuKeysStepTheStoredLevelAndWriteBothFiles)
{
    TempRoot root;
    make_device_folders(root);
    root.write(BRIGHTNESS, "30\n");
    EXPECT_EQ(change_brightness(+1), 50);
    EXPECT_EQ(root.read(BACKLIGHT), "50\n");
    EXPECT_EQ(root.read(BRIGHTNESS), "50\n");
    EXPECT_EQ(change_brightness(-1), 25);
    EXPECT_EQ(change_brightness(-1), 25); // the bottom step stays
    EXPECT_EQ(root.read(BRIGHTNESS), "25\n");

    root.write(BRIGHTNESS, "1024\n");
    EXPECT_EQ(change_brightness(+1), 1024);
    EXPECT_EQ(root.read(BACKLIGHT), "1024\n");

    // Garbage counts as 100.
    root.write(BRIGHTNESS, "x\n");
    EXPECT_EQ(change_brightness(+1), 200);
    EXPECT_EQ(root.read(BRIGHTNESS), "200\n");
}

TEST(VantorBacklight, KeysDoNothingWhileHdmiIsConnected)
{
    TempRoot root;
    make_device_folders(root);
    root.write(HDMI, "1\n");
    root.write(BRIGHTNESS, "100\n");
    root.write(BACKLIGHT, "0\n");
    EXPECT_EQ(change_brightness(+1), -1);
    EXPECT_EQ(change_brightness(-1), -1);
    EXPECT_EQ(root.read(BRIGHTNESS), "100\n");
    EXPECT_EQ(root.read(BACKLIGHT), "0\n");
}

TEST(VantorBacklight, HdmiSwitchesTheBacklightOffAndBack)
{
    TempRoot root;
    make_device_folders(root);
    root.write(BRIGHTNESS, "400\n");
    root.write(HDMI, "0\n");
    int last = -1;
    // The first frame always acts.
    EXPECT_EQ(follow_hdmi_state(&last), 0);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(root.read(BACKLIGHT), "400\n");

    // No change: the backlight is not written again.
    root.write(BACKLIGHT, "untouched");
    follow_hdmi_state(&last);
    EXPECT_EQ(root.read(BACKLIGHT), "untouched");

    root.write(HDMI, "1\n");
    EXPECT_EQ(follow_hdmi_state(&last), 1);
    EXPECT_EQ(last, 1);
    EXPECT_EQ(root.read(BACKLIGHT), "0\n");
    EXPECT_EQ(root.read(BRIGHTNESS), "400\n"); // the stored level is kept

    root.write(HDMI, "0\n");
    follow_hdmi_state(&last);
    EXPECT_EQ(root.read(BACKLIGHT), "400\n");
}

TEST(VantorPower, PowerOffFlagsThenSyncsRemountsAndPowersOff)
{
    TempRoot root;
    make_device_folders(root);
    // The shell only records: nothing may really sync, remount or power off.
    root.install_recording_shell("/bin/sh", "/commands.log", 0, false);
    power_off();
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/shutdown.flag"));
    EXPECT_EQ(root.read("/mnt/mmc/CFW/shutdown.flag"), "");
    const std::vector<std::string> expected = {"sync", "mount -o remount,ro /mnt/mmc",
                                               "mount -o remount,ro /mnt/SDCARD", "poweroff -f"};
    EXPECT_EQ(root.recorded("/commands.log"), expected);
}

TEST(VantorPower, PowerOffWithoutAShellStillLeavesTheFlag)
{
    TempRoot root;
    make_device_folders(root);
    power_off(); // no /bin/sh in the root: the commands are not run
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/shutdown.flag"));
}

TEST(VantorRetroArchOptions, KeepAspectFlagNeedsTheExactTrueLine)
{
    TempRoot root;
    make_device_folders(root);
    const char *cfg = "/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg";
    EXPECT_EQ(get_keep_aspect_ratio_flag(), 0);
    root.write(cfg, "video_smooth = \"false\"\nvideo_dingux_ipu_keep_aspect = \"false\"\n");
    EXPECT_EQ(get_keep_aspect_ratio_flag(), 0);
    root.write(cfg, "video_smooth = \"false\"\r\nvideo_dingux_ipu_keep_aspect = \"true\"\r\n");
    EXPECT_EQ(get_keep_aspect_ratio_flag(), 1);
}
