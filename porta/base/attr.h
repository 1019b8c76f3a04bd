#pragma once

// The launcher's record of every user setting, kept for the whole run in one
// static instance and stored sealed (68 record bytes + 4-byte CRC-32) in
// /mnt/data/porta/porta_attr.ini.

#include <cstddef>
#include <cstdint>

// The languages of every shown text, in the order of each text table
// (GlobalAttr::language).
enum Language : int {
    LANGUAGE_SIMPLIFIED_CHINESE = 0,
    LANGUAGE_TRADITIONAL_CHINESE = 1,
    LANGUAGE_ENGLISH = 2,
    LANGUAGE_JAPANESE = 3,
    LANGUAGE_KOREAN = 4,
    LANGUAGE_SPANISH = 5,
    LANGUAGE_COUNT = 6
};

constexpr const char ATTR_FILE[] = "/mnt/data/porta/porta_attr.ini";
constexpr const char ATTR_DIR[] = "/mnt/data/porta/";
constexpr const char ATTR_JOYPAD_DIR[] = "/mnt/data/porta/joypad";
constexpr int ATTR_RECORD_SIZE = 68;

struct GlobalAttr {
    int32_t sd_wallpaper;  // wallpaper number with the TF-card skin
    int32_t wallpaper;     // wallpaper number with the built-in resources
    int32_t sd_theme;      // theme number with the TF-card skin
    int32_t theme;         // theme number with the built-in resources
    int32_t brightness;    // backlight index 0..4
    int32_t sleep_time;    // 0 = 1 min, 1 = 2, 2 = 5, 3 = 10, other = never
    int32_t auto_poweroff; // 1 = power off after 30 idle minutes
    int32_t volume;        // 0..10
    int32_t key_sound;     // 1 = key sounds on
    int32_t language;      // 0..5
    int32_t reserved_a;
    int32_t reserved_b;
    int32_t reserved_c;
    int32_t reserved_d;
    int32_t local_pads;  // built-in keypads acting as players, 0..2
    int32_t joy_pairing; // 1 = pair pads of the same name
    int32_t reserved_e;
};

extern GlobalAttr global_attr;

// Set when a check had to fall back (theme or wallpaper number reset to 0) so
// that the record is written again.
extern int attr_changed;

void attr_set_defaults(GlobalAttr *a);

// Little-endian stored form of the record (exactly 68 bytes).
void attr_encode(const GlobalAttr *a, uint8_t out[ATTR_RECORD_SIZE]);
void attr_decode(const uint8_t in[ATTR_RECORD_SIZE], GlobalAttr *a);

// Replaces every field outside its range by its default (sd_wallpaper,
// wallpaper, sd_theme, theme 0..; brightness 0..4; sleep_time 0..4;
// auto_poweroff, key_sound, joy_pairing 0/1; volume 0..10; language 0..5;
// local_pads 0..2, more than two cut to two). Returns the number of fields
// replaced.
int attr_sanitize(GlobalAttr *a);

// Loads the record from its sealed file; a missing, short or badly sealed file
// gives the defaults, which are written back at once. Also takes the saved
// copies of volume and brightness. Returns 0 when the stored record was used,
// 1 when the defaults were.
int load_global_attr(void);

// Writes the sealed record (crash-safe). Returns 0 or -1.
int save_global_attr(void);

// Writes the record when the changed flag is set or volume or brightness
// differ from the saved copies; then refreshes the copies and clears the flag.
void save_attr_if_changed(void);

// Creates the folder with mode 0777 when it cannot be accessed.
void mkdir_if_missing(const char *path);
