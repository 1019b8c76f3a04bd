#pragma once

// Thin synchronous hardware controls of the launcher: the HDMI and headphone
// switches, the sound output choice, the backlight, the motor and test LED,
// the CPU mode script and the shell.

constexpr const char BACKLIGHT_PATH[] = "/sys/class/backlight/backlight.2/brightness";
constexpr const char HDMI_STATE_PATH[] = "/sys/class/switch/hdmi/state";
constexpr const char H2W_STATE_PATH[] = "/sys/class/switch/h2w/state";
constexpr const char MOTOR_PATH[] = "/sys/class/power_supply/battery/moto";
constexpr const char LED_TEST_PATH[] = "/sys/class/power_supply/battery/led_test";
constexpr const char PORTA_SHELL[] = "/system/bin/sh";

// Switch states: the integer read, or -1 when the file cannot be read.
int hdmi_state(void);
int headphone_state(void);

// The sound output: -1 none chosen yet, 0 internal codec, 1 HDMI audio (the
// stream's own state: pcm_stream_open). Written and read only under
// sound_mutex (porta/device/keysound.h), by the main thread, the key sound
// thread and the factory test's sound thread: select_sound_device,
// reset_sound (which takes the mutex itself), forget_sound_device and
// close_sound_device are called with it held.
extern short sound_device;

// The output the current switch states call for (1 HDMI audio, else 0).
int choose_sound_device(void);
void select_sound_device(void);
void reset_sound(void);
void forget_sound_device(void);
void close_sound_device(void);

// Backlight value for a level index: 50, 100, 200, 400, anything else 700.
int backlight_value(int index);
void set_backlight(int index);
void backlight_off(void);

void set_motor(int on);
void led_test(void);

enum { CPU_MODE_FULL = 1, CPU_MODE_POWERSAVE = 2, CPU_MODE_USER = 3 };
void set_cpu_mode(int mode);

// Runs the command through /system/bin/sh -c and returns its wait status; 1
// for no command, -1 when it cannot be run.
int shell_run(const char *command);
