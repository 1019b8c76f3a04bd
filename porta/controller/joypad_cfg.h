#pragma once

// Joypad configuration files: which button, hat direction or axis direction
// of a pad gives which key. A pad's table comes from its user file in
// /mnt/data/porta/joypad, else from a factory file in
// /mnt/vendor/bin/joypadCFG, else from defaults built from its counts of
// hats, buttons and axes. Files are text, one `key = "value"` a line:
//
//   input_driver = "udev"
//   input_device = "<device name>"
//   input_vendor_id = "<decimal>"
//   input_product_id = "<decimal>"
//   input_a_btn = "1"              button 1
//   input_up_btn = "h0up"          hat 0, up (down, left, right)
//   input_l_x_minus_axis = "-0"    axis 0, minus direction
//
// Only a key that is a slot's prefix followed by exactly "btn" or "axis"
// binds the slot (the value alone decides the source's kind); every other key,
// such as the labels input_a_btn_label = "2/Circle", is ignored.
//
// The file of a pad is named after its device name ("/" becomes "_"; the
// name "[BETOP CONTROLLER]" becomes "_BETOP CONTROLLER_"; a name of dots only
// has each dot replaced by "_"), plus ".cfg".
//
// Every operation on a pad holds joypad_mutex (gamepad.h); the *_locked forms
// are for callers that hold it already.

#include "porta/controller/gamepad.h"

#include <cstddef>
#include <cstdint>
#include <string>

constexpr const char JOYPAD_USER_DIR[] = "/mnt/data/porta/joypad";
constexpr const char JOYPAD_FACTORY_DIR[] = "/mnt/vendor/bin/joypadCFG";

// The rows tying key names to conversion slots, in the order lines are
// written.
struct JoyConvName {
    const char *prefix; // "input_b_" ...; the file key is prefix + "btn" or "axis"
    int slot;
    uint32_t set_mask;
    uint32_t clear_mask;
};
extern const JoyConvName joy_conv_names[JOY_CONV_SLOTS];

// The made-safe file name (without ".cfg") of a device name.
std::string joypad_file_name(const char *device_name);
// "<dir>/<made-safe name>.cfg".
std::string joypad_file_path(const char *dir, const char *device_name);

// Parses one file into `table` (entries the file names are overwritten,
// others are left alone). Returns 0, or -1 when the file cannot be opened.
int read_joypad_file(const char *path, JoyConvEntry *table);

// The default mapping for a pad with these counts: D-pad on hat 0, buttons
// 0..9 on a, b, x, y, l, r, l2, r2, select, start, the left stick on axes
// 0/1 and the right stick on axes 2/3. Other entries are left alone.
void joypad_default_table(JoyConvEntry *table, int nhats, int nbuttons, int naxes);
// Gives every entry the set and clear masks of its slot.
void joypad_fill_masks(JoyConvEntry *table);

// Fills the pad's whole table from its user file, its factory file or the
// defaults. Returns 0 (user file), 1 (factory file) or 2 (defaults).
int rebuild_joypad_table(JoyDevice *pad);
// The same for a caller that already holds joypad_mutex.
int rebuild_joypad_table_locked(JoyDevice *pad);

// The exact text of the pad's file for `table` (the pad's name and ids, then
// one line per mapped slot).
std::string joypad_file_text(const JoyDevice *pad, const JoyConvEntry *table);
// Writes the pad's user file from `table` (the mapping screen's working table;
// nullptr: the pad's own), crash-safely. Returns 0, or -1 after
// "--SaveConvertToFile: fopen writ <path> fail ".
int save_joypad_file(JoyDevice *pad, const JoyConvEntry *table);
int save_joypad_file_locked(JoyDevice *pad, const JoyConvEntry *table);
// When the pad has a user file: rebuilds its table from the defaults and
// deletes the file (the factory file is not consulted). Returns 0 when
// restored, 1 when there was no user file (nothing changes), -1 when the file
// could not be deleted (the defaults apply all the same).
int restore_joypad_defaults(JoyDevice *pad);
int restore_joypad_defaults_locked(JoyDevice *pad);
