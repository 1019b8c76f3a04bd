#pragma once

// Battery monitoring: the last values read from the power-supply class, the
// level shown by the title bar icon, the charging animation, and the
// low-battery counter that powers the handheld off.
//
// The monitor has no thread. The main loop calls `battery_update` on every
// pass (also while the screen sleeps); it reads the sysfs files at most once a
// second and reports through flags what the caller must do: wake the screen
// when the charger was plugged in or pulled out, end the loop with the
// low-battery power-off, redraw the icon. The title bar draws `battery_icon`.
// Threads: `battery` and `battery_mon` are the main thread's alone (the
// monitor, the title bar and the settings' battery page all run on it).

#include <cstdint>

constexpr const char BATTERY_DIR[] = "/sys/class/power_supply/battery";
constexpr const char BATTERY_VOLTAGE_PATH[] = "/sys/class/power_supply/battery/voltage_now";
constexpr const char BATTERY_CAPACITY_PATH[] = "/sys/class/power_supply/battery/capacity";
constexpr const char BATTERY_STATUS_PATH[] = "/sys/class/power_supply/battery/status";
constexpr const char BATTERY_CURRENT_PATH[] = "/sys/class/power_supply/battery/current_now";

constexpr uint32_t BATTERY_REFRESH_MS = 1000u;
constexpr int BATTERY_LOW_MV = 3420;
constexpr int BATTERY_LOW_LIMIT = 20;   // the power-off comes when the counter passes it
constexpr int BATTERY_UNREADABLE = 101; // capacity when the file cannot be read

// The values of the last refresh (read by the settings' battery page).
struct BatteryRecord {
    uint8_t capacity; // 0..100 percent, 101 when unreadable
    int voltage;      // millivolts in 10 mV steps, 0 at or below 3.2 V or unreadable
    int current;      // milliamperes, 0 when negative or unreadable
    int charging;     // 1 while the status reads "Charging"
    int was_charging; // the charging value of the refresh before
};

// What the title bar icon shows.
struct BatteryIcon {
    int base; // 1: draw bat_0
    int fill; // width in pixels of bat_1's left part drawn over it; -1: bat_1 alone
};

struct BatteryMonitor {
    uint32_t next_refresh; // ms
    int refreshed_once;    // 0 until the first refresh
    int low_count;         // seconds spent empty below the power-off voltage
    int anim_step;         // charging animation 0..4
    BatteryIcon icon;      // what the last update decided to show
};

extern BatteryRecord battery;
extern BatteryMonitor battery_mon;

// Flags returned by battery_update.
enum {
    BATTERY_REFRESHED = 0x1,       // the files were read on this call
    BATTERY_CHARGER_CHANGED = 0x2, // plugged in or pulled out: wake the screen
    BATTERY_SHUTDOWN = 0x4,        // empty for over 20 s: power off (low battery)
    BATTERY_ICON_CHANGED = 0x8,    // the icon shows something else now
};

// Level 0..6 of a capacity: above 70 (and unreadable) 6, above 50 5, above 20
// 4, above 10 3, above 3 2, 1..3 1, 0 0.
int battery_level(int capacity);

// Reads the four files into `battery` (the charger flags are left alone).
void battery_read(void);

// One call of the monitor at time `now` (ms): refreshes when due, then steps
// the animation, the blinking and the low-battery counter. Returns the flags
// above.
int battery_update(uint32_t now);

// Clears the record and the monitor (the next update refreshes at once).
void battery_reset(void);
