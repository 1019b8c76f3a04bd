#pragma once

// Power, CPU speed and hardware controls of the front end: the CPU's maximum
// frequency, the battery and charger state, the backlight and HDMI, and the
// power-off sequence. Everything goes through small sysfs and flag files with
// fixed device paths (mapped through the device root on a development host).

// Device paths more than one module uses.
constexpr const char *RETROARCH_CONFIG_FILE = "/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg";
constexpr const char *SHELL_PATH = "/bin/sh";

// Activity markers for the frame loop's idle/active pacing; never written to
// the hardware.
constexpr int ACTIVITY_IDLE = 504000;
constexpr int ACTIVITY_BUSY = 1488000;

// The default CPU speed (kHz); it has no header icon.
constexpr int DEFAULT_CPU_SPEED = 1008000;

// 1 when retroarch.cfg asks RetroArch to keep the aspect ratio; set at
// start-up from get_keep_aspect_ratio_flag() and used when scaling backgrounds.
extern int keep_aspect_ratio;

// --- CPU speed ---------------------------------------------------------------

// The saved speed from /mnt/mmc/CFW/cpuspeed; 1008000 when missing or 0.
int get_cpu_speed();
// Nothing for speed <= 0. `apply` writes scaling_max_freq, `save` writes the
// cpuspeed file ("%d", no newline).
void set_cpu_speed(int speed, int save, int apply);
// The speed after `current` in the cycle 1008000 -> 1296000 -> 1488000 ->
// 720000 -> 504000 -> 1008000; any other value steps to 1008000.
int next_cpu_speed(int current);
// Key 'n' (button 7), every screen: steps the cycle from `current`, saves and
// applies the new speed and returns it (the caller keeps it for the header icon).
int cycle_cpu_speed(int current);
// Start-up and the whole of a "restorecpu" run: applies the saved speed
// without saving it again. Returns the speed applied.
int restore_cpu_speed();

// --- Battery -----------------------------------------------------------------

// 1 while the charger is online.
int is_charging();
// Capacity in percent (first line of the capacity file); 0 when missing.
int get_battery_capacity();
// Battery level 0..4 for a capacity: the nearest of the marks 0, 20, 50, 80,
// 100, ties to the lower mark.
int power_index_for_capacity(int capacity);
// Battery level 0..4 of the current capacity.
int get_power_index();

// --- Backlight and HDMI --------------------------------------------------------

// 1 while HDMI is connected.
int is_hdmi_connected();
// The stored backlight level when above 24, else 100.
int get_saved_brightness();
// Writes the level to the backlight ("%d\n").
void set_screen_brightness(int level);
// The next backlight step up / down from `level` (25, 50, 100, 200, 400, 600,
// 800, 1024); 1024 does not go up, 25 does not go down.
int brightness_step_up(int level);
int brightness_step_down(int level);
// Menu held + 'r' (up, direction > 0) or + 't' (down, direction < 0), every
// screen: steps from the stored level, writes the backlight and the brightness
// file. Does nothing while HDMI is connected. Returns the new level, or -1 when
// nothing was changed because HDMI is connected.
int change_brightness(int direction);
// Once per frame: compares the HDMI state with `*last_state` (start with -1 so
// the first frame acts); on a change switches the backlight off (connected) or
// restores the stored level (disconnected) and remembers the new state.
// Returns the current HDMI state.
int follow_hdmi_state(int *last_state);

// --- Power and RetroArch options ------------------------------------------------

// Power key (scancode 116), after the caller wrote the resume file: creates
// /mnt/mmc/CFW/shutdown.flag, then runs sync, the two read-only remounts and
// "poweroff -f" through the shell, without checking their results. The caller
// then ends the loop.
void power_off();

// 1 when some line of retroarch.cfg contains
// video_dingux_ipu_keep_aspect = "true".
int get_keep_aspect_ratio_flag();
