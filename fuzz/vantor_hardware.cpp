// The front end's hardware readers over any bytes: the saved CPU speed, the
// charger and HDMI switches, the battery capacity and its level, the saved
// backlight level and the retroarch.cfg aspect-ratio flag; then the steps
// that act on them (restoring the CPU speed, following HDMI, a backlight
// step), which write only inside the device root. The first byte picks the
// file that gets the rest of the input; the others keep what earlier inputs
// left.

#include "fuzz_support.h"

#include <cstdlib>
#include <string>

#include "vantor/hardware.h"

namespace {

const char *const FILES[] = {
    "/mnt/mmc/CFW/cpuspeed",
    "/sys/class/power_supply/battery/charger_online",
    "/sys/class/power_supply/battery/capacity",
    "/sys/class/switch/hdmi/state",
    "/mnt/mmc/CFW/brightness",
    "/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg",
};
constexpr int FILE_COUNT = sizeof FILES / sizeof FILES[0];

bool first_byte_is_one(const char *path)
{
    const std::string text = fuzz::read(path);
    return !text.empty() && text[0] == '1';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::root();
    fuzz::mkdirs("/sys/devices/system/cpu/cpu0/cpufreq");
    fuzz::mkdirs("/sys/class/backlight/backlight.2");
    const int which = data[0] % FILE_COUNT;
    fuzz::write(FILES[which], data + 1, size - 1);

    const int speed = get_cpu_speed();
    FUZZ_CHECK(speed > 0);
    FUZZ_CHECK(restore_cpu_speed() == speed);
    FUZZ_CHECK(atoi(fuzz::read("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq").c_str()) == speed);
    const int next = next_cpu_speed(speed);
    FUZZ_CHECK(next == 1008000 || next == 1296000 || next == 1488000 || next == 720000 || next == 504000);

    FUZZ_CHECK(is_charging() == (first_byte_is_one(FILES[1]) ? 1 : 0));
    const int hdmi = is_hdmi_connected();
    FUZZ_CHECK(hdmi == (first_byte_is_one(FILES[3]) ? 1 : 0));

    const int capacity = get_battery_capacity();
    const int level = get_power_index();
    FUZZ_CHECK(level >= 0 && level <= 4 && level == power_index_for_capacity(capacity));
    if (capacity >= 0 && capacity <= 100) {
        static const int marks[] = {0, 20, 50, 80, 100};
        for (int mark : marks)
            FUZZ_CHECK(abs(capacity - marks[level]) <= abs(capacity - mark));
    }

    const int saved = get_saved_brightness();
    FUZZ_CHECK(saved > 24);
    const int up = brightness_step_up(saved), down = brightness_step_down(saved);
    FUZZ_CHECK(up >= saved && down <= saved);

    int last = -1;
    FUZZ_CHECK(follow_hdmi_state(&last) == hdmi && last == hdmi);
    const std::string backlight = fuzz::read("/sys/class/backlight/backlight.2/brightness");
    FUZZ_CHECK(backlight == std::to_string(hdmi ? 0 : saved) + "\n");
    const int changed = change_brightness((data[0] & 0x80) ? 1 : -1);
    FUZZ_CHECK(changed == (hdmi ? -1 : (data[0] & 0x80) ? up : down));

    const std::string cfg = fuzz::read(FILES[5]);
    FUZZ_CHECK(get_keep_aspect_ratio_flag() ==
               (cfg.find("video_dingux_ipu_keep_aspect = \"true\"") != std::string::npos ? 1 : 0));
    return 0;
}
