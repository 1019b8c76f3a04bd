// CPU speed, battery, backlight, HDMI and power-off of the front end, against
// the sysfs and flag files of a temporary device root.

#include "vantor/hardware.h"
#include "test_root.h"

#include <gtest/gtest.h>

namespace {

const char *const kCpuSpeed = "/mnt/mmc/CFW/cpuspeed";
const char *const kMaxFreq = "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq";
const char *const kCapacity = "/sys/class/power_supply/battery/capacity";
const char *const kCharger = "/sys/class/power_supply/battery/charger_online";
const char *const kHdmi = "/sys/class/switch/hdmi/state";
const char *const kBacklight = "/sys/class/backlight/backlight.2/brightness";
const char *const kBrightness = "/mnt/mmc/CFW/brightness";

// A root with the folders the device always has.
void makeDeviceFolders(const TempRoot &root)
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
        EXPECT_EQ(powerIndexForCapacity(c.capacity), c.level) << "capacity " << c.capacity;
}

TEST(VantorBattery, ReadsCapacityAndChargerFromSysfs)
{
    TempRoot root;
    makeDeviceFolders(root);
    // Missing files: capacity 0 (level 0), not charging.
    EXPECT_EQ(getBatteryCapacity(), 0);
    EXPECT_EQ(getPowerIndex(), 0);
    EXPECT_EQ(isCharging(), 0);

    root.write(kCapacity, "91\n");
    EXPECT_EQ(getBatteryCapacity(), 91);
    EXPECT_EQ(getPowerIndex(), 4);
    root.write(kCapacity, "36\r\n");
    EXPECT_EQ(getPowerIndex(), 2);

    root.write(kCharger, "1\n");
    EXPECT_EQ(isCharging(), 1);
    root.write(kCharger, "0\n");
    EXPECT_EQ(isCharging(), 0);
}

TEST(VantorCpu, SavedSpeedFallsBackTo1008000)
{
    TempRoot root;
    makeDeviceFolders(root);
    EXPECT_EQ(getCPUSpeed(), 1008000); // missing
    root.write(kCpuSpeed, "0");
    EXPECT_EQ(getCPUSpeed(), 1008000);
    root.write(kCpuSpeed, "garbage");
    EXPECT_EQ(getCPUSpeed(), 1008000);
    root.write(kCpuSpeed, "-5");
    EXPECT_EQ(getCPUSpeed(), 1008000);
    root.write(kCpuSpeed, "1296000\r\n");
    EXPECT_EQ(getCPUSpeed(), 1296000);
}

TEST(VantorCpu, CycleOrderAndUnknownSpeeds)
{
    EXPECT_EQ(nextCPUSpeed(1008000), 1296000);
    EXPECT_EQ(nextCPUSpeed(1296000), 1488000);
    EXPECT_EQ(nextCPUSpeed(1488000), 720000);
    EXPECT_EQ(nextCPUSpeed(720000), 504000);
    EXPECT_EQ(nextCPUSpeed(504000), 1008000);
    EXPECT_EQ(nextCPUSpeed(600000), 1008000);
    EXPECT_EQ(nextCPUSpeed(0), 1008000);
}

TEST(VantorCpu, CycleSavesAndAppliesTheNextSpeed)
{
    TempRoot root;
    makeDeviceFolders(root);
    root.write(kCpuSpeed, "600000");
    int speed = cycleCPUSpeed(getCPUSpeed());
    EXPECT_EQ(speed, 1008000);
    EXPECT_EQ(root.read(kCpuSpeed), "1008000"); // "%d", no newline
    EXPECT_EQ(root.read(kMaxFreq), "1008000");

    speed = cycleCPUSpeed(1488000);
    EXPECT_EQ(speed, 720000);
    EXPECT_EQ(root.read(kCpuSpeed), "720000");
    EXPECT_EQ(root.read(kMaxFreq), "720000");
    EXPECT_EQ(getCPUSpeed(), 720000);
}

TEST(VantorCpu, RestoreAppliesWithoutSavingAndZeroDoesNothing)
{
    TempRoot root;
    makeDeviceFolders(root);
    // Nothing saved: the default is applied, and no cpuspeed file appears.
    EXPECT_EQ(restoreCPUSpeed(), 1008000);
    EXPECT_EQ(root.read(kMaxFreq), "1008000");
    EXPECT_FALSE(root.exists(kCpuSpeed));

    root.write(kCpuSpeed, "504000");
    EXPECT_EQ(restoreCPUSpeed(), 504000);
    EXPECT_EQ(root.read(kMaxFreq), "504000");
    EXPECT_EQ(root.read(kCpuSpeed), "504000");

    setCPUSpeed(0, 1, 1);
    setCPUSpeed(-1008000, 1, 1);
    EXPECT_EQ(root.read(kMaxFreq), "504000");
    EXPECT_EQ(root.read(kCpuSpeed), "504000");

    // Save only: the hardware keeps its speed.
    setCPUSpeed(1296000, 1, 0);
    EXPECT_EQ(root.read(kCpuSpeed), "1296000");
    EXPECT_EQ(root.read(kMaxFreq), "504000");
}

TEST(VantorBacklight, StepsUpAndDown)
{
    EXPECT_EQ(brightnessStepUp(100), 200);
    EXPECT_EQ(brightnessStepDown(100), 50);
    EXPECT_EQ(brightnessStepUp(1024), 1024);
    EXPECT_EQ(brightnessStepDown(25), 25);
    EXPECT_EQ(brightnessStepUp(30), 50);
    EXPECT_EQ(brightnessStepDown(30), 25);
    EXPECT_EQ(brightnessStepUp(24), 25);
    EXPECT_EQ(brightnessStepUp(800), 1024);
    EXPECT_EQ(brightnessStepUp(1023), 1024);
    EXPECT_EQ(brightnessStepDown(1024), 800);
    EXPECT_EQ(brightnessStepDown(801), 800);
    EXPECT_EQ(brightnessStepDown(800), 600);
    EXPECT_EQ(brightnessStepDown(601), 600);
    EXPECT_EQ(brightnessStepDown(51), 50);
    EXPECT_EQ(brightnessStepDown(26), 25);
    EXPECT_EQ(brightnessStepUp(2000), 2000);
}

TEST(VantorBacklight, SavedLevelBelow25OrGarbageCountsAs100)
{
    TempRoot root;
    makeDeviceFolders(root);
    EXPECT_EQ(getSavedBrightness(), 100);
    root.write(kBrightness, "24\n");
    EXPECT_EQ(getSavedBrightness(), 100);
    root.write(kBrightness, "bright\n");
    EXPECT_EQ(getSavedBrightness(), 100);
    root.write(kBrightness, "25\n");
    EXPECT_EQ(getSavedBrightness(), 25);
}

TEST(VantorBacklight, MenuKeysStepTheStoredLevelAndWriteBothFiles)
{
    TempRoot root;
    makeDeviceFolders(root);
    root.write(kBrightness, "30\n");
    EXPECT_EQ(changeBrightness(+1), 50);
    EXPECT_EQ(root.read(kBacklight), "50\n");
    EXPECT_EQ(root.read(kBrightness), "50\n");
    EXPECT_EQ(changeBrightness(-1), 25);
    EXPECT_EQ(changeBrightness(-1), 25); // the bottom step stays
    EXPECT_EQ(root.read(kBrightness), "25\n");

    root.write(kBrightness, "1024\n");
    EXPECT_EQ(changeBrightness(+1), 1024);
    EXPECT_EQ(root.read(kBacklight), "1024\n");

    // Garbage counts as 100.
    root.write(kBrightness, "x\n");
    EXPECT_EQ(changeBrightness(+1), 200);
    EXPECT_EQ(root.read(kBrightness), "200\n");
}

TEST(VantorBacklight, KeysDoNothingWhileHdmiIsConnected)
{
    TempRoot root;
    makeDeviceFolders(root);
    root.write(kHdmi, "1\n");
    root.write(kBrightness, "100\n");
    root.write(kBacklight, "0\n");
    EXPECT_EQ(changeBrightness(+1), -1);
    EXPECT_EQ(changeBrightness(-1), -1);
    EXPECT_EQ(root.read(kBrightness), "100\n");
    EXPECT_EQ(root.read(kBacklight), "0\n");
}

TEST(VantorBacklight, HdmiSwitchesTheBacklightOffAndBack)
{
    TempRoot root;
    makeDeviceFolders(root);
    root.write(kBrightness, "400\n");
    root.write(kHdmi, "0\n");
    int last = -1;
    // The first frame always acts.
    EXPECT_EQ(followHdmiState(&last), 0);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(root.read(kBacklight), "400\n");

    // No change: the backlight is not written again.
    root.write(kBacklight, "untouched");
    followHdmiState(&last);
    EXPECT_EQ(root.read(kBacklight), "untouched");

    root.write(kHdmi, "1\n");
    EXPECT_EQ(followHdmiState(&last), 1);
    EXPECT_EQ(last, 1);
    EXPECT_EQ(root.read(kBacklight), "0\n");
    EXPECT_EQ(root.read(kBrightness), "400\n"); // the stored level is kept

    root.write(kHdmi, "0\n");
    followHdmiState(&last);
    EXPECT_EQ(root.read(kBacklight), "400\n");
}

TEST(VantorPower, PowerOffFlagsThenSyncsRemountsAndPowersOff)
{
    TempRoot root;
    makeDeviceFolders(root);
    // The shell only records: nothing may really sync, remount or power off.
    root.install_recording_shell("/bin/sh", "/commands.log", 0, false);
    powerOff();
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/shutdown.flag"));
    EXPECT_EQ(root.read("/mnt/mmc/CFW/shutdown.flag"), "");
    const std::vector<std::string> expected = {"sync", "mount -o remount,ro /mnt/mmc",
                                               "mount -o remount,ro /mnt/SDCARD", "poweroff -f"};
    EXPECT_EQ(root.recorded("/commands.log"), expected);
}

TEST(VantorPower, PowerOffWithoutAShellStillLeavesTheFlag)
{
    TempRoot root;
    makeDeviceFolders(root);
    powerOff(); // no /bin/sh in the root: the commands are not run
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/shutdown.flag"));
}

TEST(VantorRetroArchOptions, KeepAspectFlagNeedsTheExactTrueLine)
{
    TempRoot root;
    makeDeviceFolders(root);
    const char *cfg = "/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg";
    EXPECT_EQ(getKeepAspectRatioFlag(), 0);
    root.write(cfg, "video_smooth = \"false\"\nvideo_dingux_ipu_keep_aspect = \"false\"\n");
    EXPECT_EQ(getKeepAspectRatioFlag(), 0);
    root.write(cfg, "video_smooth = \"false\"\r\nvideo_dingux_ipu_keep_aspect = \"true\"\r\n");
    EXPECT_EQ(getKeepAspectRatioFlag(), 1);
}
