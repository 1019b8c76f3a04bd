#pragma once

// The built-in keypad's mapping screen (SCREEN_KEYPAD_MAP), reached from the
// settings' buttons page: a menu of two rows, "Button custom" and "Restore
// Defaults".
//
// Button custom runs an assignment sequence from the screen table's run slot
// (the menu's A only asks for it): it asks for the physical key of A, B, X,
// Y, L1, R1, L2 and R2 in turn (the keypad's last raw event), shows the
// captured keys on a keypad picture and ends after the eighth key or when
// Start and Select are pressed one after the other. A key a step takes from
// a key not yet reached is swapped: that key gets the code the stepped key
// gave up, so that an early end leaves no code on two keys and none unused.
// A yes/no box then asks whether to keep the new assignment, which is saved
// to the sealed keypad map. The D-pad, Start, Select, the volume keys and
// Menu are never captured. The sequence also ends (keeping nothing) when the
// launcher is asked to stop.
//
// Restore Defaults asks first, then gives the keypad its factory codes at
// once and empties an existing map file (which then reads as the defaults).
//
// Pictures: /mnt/vendor/setkey/0..7.png (one set for both outputs), loaded
// when the settings open the screen. The screen acts on key releases.

#include "porta/device/keypad.h"

#include <cstdint>

#include <SDL/SDL.h>

constexpr const char SETKEY_DIR[] = "/mnt/vendor/setkey";
constexpr int SETKEY_PICS = 8;
constexpr int KEYMAP_STEPS = 8;

// Picture roles: 0 key cap, 2 key cap done, 4..7 the D-pad's up, down, left
// and right parts (1 and 3 are loaded, not drawn).
enum { SETKEY_CAP = 0, SETKEY_CAP_DONE = 2, SETKEY_UP = 4, SETKEY_DOWN, SETKEY_LEFT, SETKEY_RIGHT };

// Codes of the keys that are never captured (D-pad, Start, Select, vol+,
// vol-, Menu as the keypad sends them from the factory).
constexpr int KEYMAP_CODE_START = 98;
constexpr int KEYMAP_CODE_SELECT = 99;

struct KeyMapState {
    int loaded;
    SDL_Surface *pics[SETKEY_PICS];
    int level;                      // 0 menu, 1 assignment
    int cursor;                     // menu row 0 or 1
    int step;                       // keys captured so far
    int16_t captured[KEYMAP_STEPS]; // raw code of each step, 0 none
    int16_t work[LOCALPAD_KEYS];    // the map being made, then the map to save
    int changed;
    unsigned exit_keys; // 1 Start, 2 Select seen in a row
    // The keypad's last event at the start, and whether another came since:
    // only a later one is an input.
    int start_code, start_value;
    int fresh;
};
extern KeyMapState keymap;

// The keypad_codes index each step writes (A, B, X, Y, L1, R1, L2, R2).
extern const int keymap_step_index[KEYMAP_STEPS];
// 1 for a code that is never captured.
int keymap_refused_code(int code);
// "%s %s" of "请设置 " and the step's label (every language).
void keymap_prompt(int step, char *buf, int size);

// Loads the pictures; level 0, cursor 0, the yes/no box's actions cleared.
// Returns 0, or -1 when a picture is missing (the settings menu stays). The
// settings' opener of SCREEN_KEYPAD_MAP.
int keymap_load_pictures(void);
void keymap_unload_pictures(void);

// SCREEN_KEYPAD_MAP: released keys (ignored while the assignment runs) and
// frames of the menu.
void keymap_keypress(int key);
void keymap_draw(SDL_Surface *dst);
// SCREEN_KEYPAD_MAP's run slot: when the menu's A asked for it, runs the
// assignment until it ends, opens the end question and returns 1; otherwise
// returns 0.
int run_keypad_mapping(void);
// Step `step` takes `code` in `map` (keypad_codes order): a key of a later step
// that holds `code` gets the stepped key's code (a swap).
void keymap_take_code(int16_t map[LOCALPAD_KEYS], int step, int16_t code);

// Yes of the end question: keeps and saves the new assignment when it
// differs from the current one.
void keymap_keep_mapping(void);
// Yes of the Restore Defaults question.
void keymap_restore_defaults(void);
