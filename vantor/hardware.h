#pragma once

// Power, CPU speed and hardware controls of the front end: the CPU's maximum
// frequency, the battery and charger state, the backlight and HDMI, and the
// power-off sequence. Everything goes through small sysfs and flag files with
// fixed device paths (mapped through the device root on a development host).

// Activity markers for the frame loop's idle/active pacing; never written to
// the hardware.
constexpr int lowFreq = 504000;
constexpr int highFreq = 1488000;

// The default CPU speed (kHz); it has no header icon.
constexpr int defaultCPUSpeed = 1008000;

// 1 when retroarch.cfg asks RetroArch to keep the aspect ratio; set at
// start-up from getKeepAspectRatioFlag() and used when scaling backgrounds.
extern int keepAspectRatio;

// --- CPU speed ---------------------------------------------------------------

// The saved speed from /mnt/mmc/CFW/cpuspeed; 1008000 when missing or 0.
int getCPUSpeed();
// Nothing for speed <= 0. `apply` writes scaling_max_freq, `save` writes the
// cpuspeed file ("%d", no newline).
void setCPUSpeed(int speed, int save, int apply);
// The speed after `current` in the cycle 1008000 -> 1296000 -> 1488000 ->
// 720000 -> 504000 -> 1008000; any other value steps to 1008000.
int nextCPUSpeed(int current);
// Key 'n' (button 7), every screen: steps the cycle from `current`, saves and
// applies the new speed and returns it (the caller keeps it for the header icon).
int cycleCPUSpeed(int current);
// Start-up and the whole of a "restorecpu" run: applies the saved speed
// without saving it again. Returns the speed applied.
int restoreCPUSpeed();

// --- Battery -----------------------------------------------------------------

// 1 while the charger is online.
int isCharging();
// Capacity in percent (first line of the capacity file); 0 when missing.
int getBatteryCapacity();
// Battery level 0..4 for a capacity: the nearest of the marks 0, 20, 50, 80,
// 100, ties to the lower mark.
int powerIndexForCapacity(int capacity);
// Battery level 0..4 of the current capacity.
int getPowerIndex();

// --- Backlight and HDMI --------------------------------------------------------

// 1 while HDMI is connected.
int isHdmiConnected();
// The stored backlight level when above 24, else 100.
int getSavedBrightness();
// Writes the level to the backlight ("%d\n").
void setScreenBrightness(int level);
// The next backlight step up / down from `level` (25, 50, 100, 200, 400, 600,
// 800, 1024); 1024 does not go up, 25 does not go down.
int brightnessStepUp(int level);
int brightnessStepDown(int level);
// Menu held + 'r' (up, direction > 0) or + 't' (down, direction < 0), every
// screen: steps from the stored level, writes the backlight and the brightness
// file. Does nothing while HDMI is connected. Returns the new level, or -1 when
// nothing was changed because HDMI is connected.
int changeBrightness(int direction);
// Once per frame: compares the HDMI state with `*lastState` (start with -1 so
// the first frame acts); on a change switches the backlight off (connected) or
// restores the stored level (disconnected) and remembers the new state.
// Returns the current HDMI state.
int followHdmiState(int *lastState);

// --- Power and RetroArch options ------------------------------------------------

// Power key (scancode 116), after the caller wrote the resume file: creates
// /mnt/mmc/CFW/shutdown.flag, then runs sync, the two read-only remounts and
// "poweroff -f" through the shell, without checking their results. The caller
// then ends the loop.
void powerOff();

// 1 when some line of retroarch.cfg contains
// video_dingux_ipu_keep_aspect = "true".
int getKeepAspectRatioFlag();
