#pragma once

// The two USB gamepad screens of the settings' buttons page:
//
// - SCREEN_JOY_MAP: the list of connected pads; A on a pad starts a guided
//   sequence that asks for its 22 inputs one by one (D-pad, Select, Start,
//   the face and shoulder keys, both sticks) and shows on a pad picture which
//   are done. Holding any one input of the pad (or UP as the pad maps it) for
//   3 seconds ends it early, whatever the pad's table holds. An input a step
//   takes from a key not yet reached is swapped: that key gets the input the
//   stepped key gave up, so that an early end leaves no input on two keys.
//   At the end the new mapping is live and a yes/no box asks whether to save
//   it as the pad's file; no gives the previous mapping back.
// - SCREEN_JOY_RESET: the same list; A on a pad asks (in the box the settings
//   prepared) whether to restore its default mapping and delete its file.
//
// The sequence is a frame loop of its own, run from the screen table's run
// slot (the list's A only asks for it): it reads the chosen pad's last event
// and key mask, draws and presents each frame, and keeps the title bar's
// battery watch running. It ends as "no" (nothing
// kept, nothing written, back to the buttons page) when the pad is pulled
// out, and also when the launcher is asked to stop (power key held, low
// battery, an interrupt, a failed input device, 30 idle minutes).
//
// Both screens act on key releases. Pictures: /mnt/vendor/setjoy/lcd/0..13.png
// for the LCD and /mnt/vendor/setjoy/0..13.png for HDMI, loaded when the
// settings open the mapping screen.

#include "porta/controller/gamepad.h"

#include <cstdint>

#include <SDL/SDL.h>

constexpr const char SETJOY_DIR[] = "/mnt/vendor/setjoy";
constexpr int SETJOY_PICS = 14;
constexpr int JOYMAP_STEPS = JOY_CONV_SLOTS;
constexpr int JOYMAP_ROWS = 4;
constexpr uint32_t JOYMAP_HOLD_MS = 3000u;         // an input (or UP) held this long ends the sequence
constexpr uint32_t JOYMAP_RELEASE_PAUSE_MS = 300u; // after an accepted input is released

// Picture roles: 0 key cap, 1 key cap done, 2..9 the arrows up, down, left,
// right (each plain, then set), 10..13 a stick's diagonal decorations.
enum {
    SETJOY_CAP = 0,
    SETJOY_CAP_DONE = 1,
    SETJOY_ARROW = 2, // + 2 * direction (0 up, 1 down, 2 left, 3 right) + done
    SETJOY_DECO = 10,
};

// The watch of an input held to end the sequence: UP as the pad maps it
// (armed, until when), and any one input (the pad's event word while it is a
// press, since when).
struct JoyHoldWatch {
    int up_armed;
    uint32_t up_end;
    uint32_t input;
    uint32_t since;
};

struct JoyMapState {
    int loaded;                        // pictures loaded
    SDL_Surface *pics[2][SETJOY_PICS]; // [0] LCD, [1] HDMI
    int cursor;                        // mapping list row
    int reset_cursor;                  // reset list row
    // The chosen pad: its slot (-1 none) and the slot's removal count when it
    // was chosen (a different count later: the pad has gone).
    int slot;
    uint32_t removals;
    int level;                         // 0 list, 1 sequence
    int step;                          // the step being asked, 0..22
    int waiting;                       // an input was accepted; waiting for its release
    JoyConvEntry work[JOY_CONV_SLOTS]; // the inputs the steps took, by conversion slot
    // Each slot's input as the sequence goes: the pad's table, then what the
    // steps took and what they passed on to slots not yet reached.
    JoyConvEntry current[JOY_CONV_SLOTS];
    int done[JOY_CONV_SLOTS];
    JoyConvEntry backup[JOY_CONV_SLOTS]; // the pad's table before the merge
    int changed;
    JoyHoldWatch hold;
    // The pad the reset box acts on.
    int reset_slot;
    uint32_t reset_removals;
};
extern JoyMapState joymap;

// The conversion slot each step asks for.
extern const int joymap_step_slot[JOYMAP_STEPS];
// "%s %s" of the language's prefix and the step's prompt.
void joymap_prompt(int step, int language, char *buf, int size);

// Loads the 28 pictures and resets the screen (list, level 0, working table
// cleared). Returns 0, or -1 when a picture is missing (the settings menu
// stays). The settings' opener of SCREEN_JOY_MAP.
int joymap_load_images(void);
void joymap_unload_images(void);
// The settings' opener of SCREEN_JOY_RESET (the box's question and return
// screen are set up by the settings before). Returns 0.
int joymap_open_reset(void);

// Slots of the pads shown in the lists, in slot order; returns their number.
int joymap_list(int slots[JOYMAP_ROWS]);

// SCREEN_JOY_MAP and SCREEN_JOY_RESET: released keys, frames of the lists.
void joymap_keypress(int key);
void joymap_reset_keypress(int key);
void joymap_draw(SDL_Surface *dst);
void joymap_reset_draw(SDL_Surface *dst);

// SCREEN_JOY_MAP's run slot: when A on the list chose a pad, runs the
// sequence until it ends, then opens the end question (or returns to the
// buttons page when it ended as "no") and returns 1; otherwise returns 0.
int run_gamepad_mapping(void);

// Judges the pad's current event for step `step` against the working table:
// 1 accepted (the step's entry is set), 0 refused (it clashes with another
// step's input, or is a diagonal of a hat; the entry stays clear), -1 no
// input (a release or an unknown kind).
int joymap_take_input(JoyConvEntry work[JOY_CONV_SLOTS], int step, const JoyEvent &ev);
// After step `step` took `work[slot]`: every slot of a step not yet reached
// whose `current` input is the one taken gets the input the stepped slot had
// (a swap); then the stepped slot's `current` becomes the one taken.
void joymap_pass_on(JoyConvEntry current[JOY_CONV_SLOTS], const JoyConvEntry work[JOY_CONV_SLOTS], int step);
// Merges the working table into `table` (the pad's): mapped entries replace
// the pad's source where it differs; L1, R1, L2 and R2 not done become
// unmapped; other entries not done get the source of `current` (the pad's own
// when null: an input passed on by a swap) and are copied into the working
// table. The masks stay. Returns 1 when `table` changed.
int joymap_merge(JoyConvEntry work[JOY_CONV_SLOTS], JoyConvEntry table[JOY_CONV_SLOTS],
                 const JoyConvEntry *current = nullptr);

// The answers of the end question: yes saves the pad's file when the mapping
// changed; no gives the pad its previous table back.
void joymap_keep_mapping(void);
void joymap_drop_mapping(void);
