#include "vantor/hardware.h"

#include "common/devroot.h"
#include "common/safefile.h"
#include "common/shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int keepAspectRatio = 0;

namespace {

const char *const kCpuSpeedFile = "/mnt/mmc/CFW/cpuspeed";
const char *const kBrightnessFile = "/mnt/mmc/CFW/brightness";
const char *const kShutdownFlag = "/mnt/mmc/CFW/shutdown.flag";
const char *const kScalingMaxFreq = "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq";
const char *const kCapacityFile = "/sys/class/power_supply/battery/capacity";
const char *const kChargerFile = "/sys/class/power_supply/battery/charger_online";
const char *const kHdmiStateFile = "/sys/class/switch/hdmi/state";
const char *const kBacklightFile = "/sys/class/backlight/backlight.2/brightness";
const char *const kRetroArchCfg = "/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg";
const char *const kShell = "/bin/sh";

// Reads the first line of a small file (at most `maxBytes` bytes of it) with
// the line end stripped. Returns 0, or -1 when the file cannot be opened.
int readFirstLine(const char *path, int maxBytes, std::string &out)
{
    out.clear();
    FILE *f = dev_fopen(path, "r");
    if (!f)
        return -1;
    std::string buf(static_cast<size_t>(maxBytes) + 1, '\0');
    if (fgets(&buf[0], maxBytes + 1, f))
        out.assign(buf.c_str());
    fclose(f);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return 0;
}

// 1 when the first byte of the file is '1'.
int firstByteIsOne(const char *path)
{
    FILE *f = dev_fopen(path, "r");
    if (!f)
        return 0;
    int c = fgetc(f);
    fclose(f);
    return c == '1' ? 1 : 0;
}

// Writes a sysfs attribute in place (sysfs files cannot be replaced by rename).
// Silently skipped when the file cannot be opened.
void writeSysfs(const char *path, const char *text)
{
    FILE *f = dev_fopen(path, "w");
    if (!f)
        return;
    fputs(text, f);
    fclose(f);
}

} // namespace

int getCPUSpeed()
{
    std::string line;
    if (readFirstLine(kCpuSpeedFile, 30, line) != 0)
        return defaultCPUSpeed;
    int speed = atoi(line.c_str());
    // 0 (also garbage) and negative values are no usable speed.
    return speed > 0 ? speed : defaultCPUSpeed;
}

void setCPUSpeed(int speed, int save, int apply)
{
    if (speed <= 0)
        return;
    char text[32];
    snprintf(text, sizeof(text), "%d", speed);
    if (apply)
        writeSysfs(kScalingMaxFreq, text);
    if (save)
        write_file_atomic(kCpuSpeedFile, text, strlen(text));
}

int nextCPUSpeed(int current)
{
    switch (current) {
    case 1008000: return 1296000;
    case 1296000: return 1488000;
    case 1488000: return 720000;
    case 720000: return 504000;
    default: // 504000 and anything unknown
        return 1008000;
    }
}

int cycleCPUSpeed(int current)
{
    int next = nextCPUSpeed(current);
    setCPUSpeed(next, 1, 1);
    return next;
}

int restoreCPUSpeed()
{
    int speed = getCPUSpeed();
    setCPUSpeed(speed, 0, 1);
    return speed;
}

int isCharging()
{
    return firstByteIsOne(kChargerFile);
}

int getBatteryCapacity()
{
    std::string line;
    if (readFirstLine(kCapacityFile, 62, line) != 0)
        return 0;
    return atoi(line.c_str());
}

int powerIndexForCapacity(int capacity)
{
    // In 64 bits: the capacity file may hold any number.
    const long long c = capacity;
    const long long d100 = llabs(100 - c);
    const long long d80 = llabs(c - 80);
    const long long d50 = llabs(c - 50);
    const long long d20 = llabs(c - 20);
    const long long d0 = llabs(c);
    if (d100 < d80 && d100 < d50 && d100 < d20 && d100 < d0)
        return 4;
    if (d80 < d50 && d80 < d20 && d80 < d0)
        return 3;
    if (d50 < d20 && d50 < d0)
        return 2;
    if (d20 < d0)
        return 1;
    return 0;
}

int getPowerIndex()
{
    return powerIndexForCapacity(getBatteryCapacity());
}

int isHdmiConnected()
{
    return firstByteIsOne(kHdmiStateFile);
}

int getSavedBrightness()
{
    std::string line;
    if (readFirstLine(kBrightnessFile, 31, line) != 0)
        return 100;
    int level = atoi(line.c_str());
    return level > 24 ? level : 100;
}

void setScreenBrightness(int level)
{
    char text[32];
    snprintf(text, sizeof(text), "%d\n", level);
    writeSysfs(kBacklightFile, text);
}

int brightnessStepUp(int level)
{
    static const int steps[] = {25, 50, 100, 200, 400, 600, 800, 1024};
    for (int step : steps) {
        if (level < step)
            return step;
    }
    return level; // 1024 and above stay
}

int brightnessStepDown(int level)
{
    static const int steps[] = {800, 600, 400, 200, 100, 50, 25};
    for (int step : steps) {
        if (level > step)
            return step;
    }
    return level; // 25 and below stay
}

int changeBrightness(int direction)
{
    if (isHdmiConnected())
        return -1;
    int current = getSavedBrightness();
    int level = direction > 0 ? brightnessStepUp(current) : brightnessStepDown(current);
    char text[32];
    snprintf(text, sizeof(text), "%d\n", level);
    writeSysfs(kBacklightFile, text);
    write_file_atomic(kBrightnessFile, text, strlen(text));
    return level;
}

int followHdmiState(int *lastState)
{
    int hdmi = isHdmiConnected();
    if (lastState && *lastState != hdmi) {
        *lastState = hdmi;
        setScreenBrightness(hdmi ? 0 : getSavedBrightness());
    }
    return hdmi;
}

void powerOff()
{
    write_file_atomic(kShutdownFlag, std::string());
    run_shell(kShell, "sync");
    run_shell(kShell, "mount -o remount,ro /mnt/mmc");
    run_shell(kShell, "mount -o remount,ro /mnt/SDCARD");
    run_shell(kShell, "poweroff -f");
}

int getKeepAspectRatioFlag()
{
    std::string text;
    if (read_file(kRetroArchCfg, text) != 0)
        return 0;
    // A substring search over the whole file is a search line by line: the
    // text holds no line end.
    return text.find("video_dingux_ipu_keep_aspect = \"true\"") != std::string::npos ? 1 : 0;
}
