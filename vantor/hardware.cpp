#include "vantor/hardware.h"

#include "common/devroot.h"
#include "common/safefile.h"
#include "common/shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int keep_aspect_ratio = 0;

namespace {

const char *const CPU_SPEED_FILE = "/mnt/mmc/CFW/cpuspeed";
const char *const BRIGHTNESS_FILE = "/mnt/mmc/CFW/brightness";
const char *const SHUTDOWN_FLAG = "/mnt/mmc/CFW/shutdown.flag";
const char *const SCALING_MAX_FREQ = "/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq";
const char *const CAPACITY_FILE = "/sys/class/power_supply/battery/capacity";
const char *const CHARGER_FILE = "/sys/class/power_supply/battery/charger_online";
const char *const HDMI_STATE_FILE = "/sys/class/switch/hdmi/state";
const char *const BACKLIGHT_FILE = "/sys/class/backlight/backlight.2/brightness";

// Reads the first line of a small file (at most `max_bytes` bytes of it) with
// the line end stripped. Returns 0, or -1 when the file cannot be opened.
int read_first_line(const char *path, int max_bytes, std::string &out)
{
    out.clear();
    FILE *f = dev_fopen(path, "r");
    if (!f)
        return -1;
    std::string buf(static_cast<size_t>(max_bytes) + 1, '\0');
    if (fgets(&buf[0], max_bytes + 1, f))
        out.assign(buf.c_str());
    fclose(f);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return 0;
}

// The whole number at the start of the file's first line (as atoi reads it),
// or `missing` when the file cannot be opened.
int read_first_number(const char *path, int max_bytes, int missing)
{
    std::string line;
    if (read_first_line(path, max_bytes, line) != 0)
        return missing;
    return atoi(line.c_str());
}

// 1 when the first byte of the file is '1'.
int first_byte_is_one(const char *path)
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
void write_sysfs(const char *path, const char *text)
{
    FILE *f = dev_fopen(path, "w");
    if (!f)
        return;
    fputs(text, f);
    fclose(f);
}

} // namespace

int get_cpu_speed()
{
    const int speed = read_first_number(CPU_SPEED_FILE, 30, DEFAULT_CPU_SPEED);
    // 0 (also garbage) and negative values are no usable speed.
    return speed > 0 ? speed : DEFAULT_CPU_SPEED;
}

void set_cpu_speed(int speed, int save, int apply)
{
    if (speed <= 0)
        return;
    char text[32];
    snprintf(text, sizeof(text), "%d", speed);
    if (apply)
        write_sysfs(SCALING_MAX_FREQ, text);
    if (save)
        write_file_atomic(CPU_SPEED_FILE, text, strlen(text));
}

int next_cpu_speed(int current)
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

int cycle_cpu_speed(int current)
{
    int next = next_cpu_speed(current);
    set_cpu_speed(next, 1, 1);
    return next;
}

int restore_cpu_speed()
{
    int speed = get_cpu_speed();
    set_cpu_speed(speed, 0, 1);
    return speed;
}

int is_charging()
{
    return first_byte_is_one(CHARGER_FILE);
}

int get_battery_capacity()
{
    return read_first_number(CAPACITY_FILE, 62, 0);
}

int power_index_for_capacity(int capacity)
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

int get_power_index()
{
    return power_index_for_capacity(get_battery_capacity());
}

int is_hdmi_connected()
{
    return first_byte_is_one(HDMI_STATE_FILE);
}

int get_saved_brightness()
{
    const int level = read_first_number(BRIGHTNESS_FILE, 31, 100);
    return level > 24 ? level : 100;
}

void set_screen_brightness(int level)
{
    char text[32];
    snprintf(text, sizeof(text), "%d\n", level);
    write_sysfs(BACKLIGHT_FILE, text);
}

int brightness_step_up(int level)
{
    static const int steps[] = {25, 50, 100, 200, 400, 600, 800, 1024};
    for (int step : steps) {
        if (level < step)
            return step;
    }
    return level; // 1024 and above stay
}

int brightness_step_down(int level)
{
    static const int steps[] = {800, 600, 400, 200, 100, 50, 25};
    for (int step : steps) {
        if (level > step)
            return step;
    }
    return level; // 25 and below stay
}

int change_brightness(int direction)
{
    if (is_hdmi_connected())
        return -1;
    int current = get_saved_brightness();
    int level = direction > 0 ? brightness_step_up(current) : brightness_step_down(current);
    char text[32];
    snprintf(text, sizeof(text), "%d\n", level);
    write_sysfs(BACKLIGHT_FILE, text);
    write_file_atomic(BRIGHTNESS_FILE, text, strlen(text));
    return level;
}

int follow_hdmi_state(int *last_state)
{
    int hdmi = is_hdmi_connected();
    if (last_state && *last_state != hdmi) {
        *last_state = hdmi;
        set_screen_brightness(hdmi ? 0 : get_saved_brightness());
    }
    return hdmi;
}

void power_off()
{
    write_file_atomic(SHUTDOWN_FLAG, std::string());
    run_shell(SHELL_PATH, "sync");
    run_shell(SHELL_PATH, "mount -o remount,ro /mnt/mmc");
    run_shell(SHELL_PATH, "mount -o remount,ro /mnt/SDCARD");
    run_shell(SHELL_PATH, "poweroff -f");
}

int get_keep_aspect_ratio_flag()
{
    std::string text;
    if (read_file(RETROARCH_CONFIG_FILE, text) != 0)
        return 0;
    // A substring search over the whole file is a search line by line: the
    // text holds no line end.
    return text.find("video_dingux_ipu_keep_aspect = \"true\"") != std::string::npos ? 1 : 0;
}
