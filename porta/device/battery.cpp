#include "porta/device/battery.h"

#include "common/devroot.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

BatteryRecord battery;
BatteryMonitor battery_mon;

int battery_level(int capacity)
{
    if (capacity > 70)
        return 6;
    if (capacity > 50)
        return 5;
    if (capacity > 20)
        return 4;
    if (capacity > 10)
        return 3;
    if (capacity > 3)
        return 2;
    if (capacity >= 1)
        return 1;
    return 0;
}

namespace {

// The first line of a sysfs file; false (after the message) when it cannot be
// opened.
bool read_first_line(const char *path, const char *mode, char *line, size_t size)
{
    FILE *f = dev_fopen(path, mode);
    if (!f) {
        printf("can not open %s\n", path);
        return false;
    }
    if (!fgets(line, static_cast<int>(size), f))
        line[0] = '\0';
    fclose(f);
    return true;
}

// A leading decimal number; false when the line holds none.
bool parse_decimal(const char *line, long long *out)
{
    char *end = nullptr;
    errno = 0;
    long long v = strtoll(line, &end, 10);
    if (end == line || errno == ERANGE)
        return false;
    *out = v;
    return true;
}

} // namespace

void battery_read(void)
{
    const long long BIG = 2000000000LL; // nonsense values stay in range
    char line[128];
    long long v = 0;

    // Microvolts; the last 10 mV step in millivolts, 0 at or below 3.2 V.
    battery.voltage = 0;
    if (read_first_line(BATTERY_VOLTAGE_PATH, "rb", line, sizeof(line)) && parse_decimal(line, &v) && v > 3200000)
        battery.voltage = static_cast<int>((v > BIG ? BIG : v) / 10000 * 10);

    battery.capacity = BATTERY_UNREADABLE;
    if (read_first_line(BATTERY_CAPACITY_PATH, "r", line, sizeof(line)) && parse_decimal(line, &v))
        battery.capacity = static_cast<uint8_t>(v < 0 ? 0 : (v > 100 ? 100 : v));

    battery.charging = 0;
    if (read_first_line(BATTERY_STATUS_PATH, "r", line, sizeof(line)))
        battery.charging = strncmp(line, "Charging", 8) == 0 ? 1 : 0;

    // Microamperes; a discharging (negative) current reads 0.
    battery.current = 0;
    if (read_first_line(BATTERY_CURRENT_PATH, "rb", line, sizeof(line)) && parse_decimal(line, &v) && v > 0)
        battery.current = static_cast<int>((v > BIG ? BIG : v) / 1000);
}

void battery_reset(void)
{
    battery = BatteryRecord{};
    battery_mon = BatteryMonitor{};
}

int battery_update(uint32_t now)
{
    int flags = 0;
    const int refreshed = !battery_mon.refreshed_once || static_cast<int32_t>(now - battery_mon.next_refresh) > 0;
    if (refreshed) {
        battery_mon.refreshed_once = 1;
        battery_mon.next_refresh = now + BATTERY_REFRESH_MS;
        flags |= BATTERY_REFRESHED;
        battery_read();
        if (battery.charging != battery.was_charging) {
            battery.was_charging = battery.charging;
            flags |= BATTERY_CHARGER_CHANGED;
        }
    }

    BatteryIcon icon;
    if (battery.charging && battery.capacity <= 99) {
        // Charging: the fill grows by 4 pixels a second from 7 to 23.
        battery_mon.low_count = 0;
        if (refreshed)
            battery_mon.anim_step = battery_mon.anim_step >= 4 ? 0 : battery_mon.anim_step + 1;
        icon.base = 1;
        icon.fill = battery_mon.anim_step * 4 + 7;
    } else {
        const int level = battery_level(battery.capacity);
        battery_mon.anim_step = 0;
        if (level == 0 && battery.voltage <= BATTERY_LOW_MV) {
            // Empty and below the power-off voltage: one count a second.
            if (refreshed) {
                printf("low battery(%d) to off cnt= %d.. \n", battery.voltage, battery_mon.low_count);
                battery_mon.low_count++;
                if (battery_mon.low_count > BATTERY_LOW_LIMIT)
                    flags |= BATTERY_SHUTDOWN;
            }
        } else {
            battery_mon.low_count = 0;
        }
        if (level == 6) {
            icon.base = 0;
            icon.fill = -1;
        } else {
            // The empty icon blinks while the counter runs.
            icon.base = level == 0 ? (battery_mon.low_count % 2 == 0) : 1;
            icon.fill = level >= 2 ? level * 4 : 0;
        }
    }
    if (icon.base != battery_mon.icon.base || icon.fill != battery_mon.icon.fill)
        flags |= BATTERY_ICON_CHANGED;
    battery_mon.icon = icon;
    return flags;
}
