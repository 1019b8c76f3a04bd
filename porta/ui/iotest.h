#pragma once

// The two screens that check the handheld's inputs and outputs.
//
// The IO test (SCREEN_IO_TEST), opened from the settings menu: the keys of the
// active player light while held, the key mask is shown in hexadecimal with
// the number of gamepads, Menu with Select runs the vibration motor and Start
// with Select goes back to the menu (the motor always off).
//
// The factory test (SCREEN_FACTORY_TEST), run instead of the launcher when a
// mounted TF card holds /mnt/sdcard/test.ini: a self-running screen that also
// plays the test sound without pause, sweeps the backlight, lights the test
// LED, marks every key once tested, shows the gamepads' axis read-out and the
// key masks of all six players, and runs the motor while Menu alone is held.
// It ends only when a power-off is asked for (the power key held, the
// power-off box) or the program is interrupted; the launcher then powers off.

#include <cstdint>

#include <SDL/SDL.h>

// The factory test's sound, played over and over.
constexpr char TEST_PCM_FILE[] = "/mnt/vendor/test/test.pcm";
// The pace of the factory test's frames.
constexpr uint32_t FACTORY_FRAME_MS = 20;

// Pictures of /mnt/vendor/test: <n>.png and gamepad.png.
enum {
    TIMG_CAP = 0,       // key cap, plain; lit = +1
    TIMG_SMALL_CAP = 2, // Select and Start
    TIMG_UP = 4,        // D-pad arrows, plain; lit = +1
    TIMG_DOWN = 6,
    TIMG_LEFT = 8,
    TIMG_RIGHT = 10,
    TIMG_UP_LEFT = 12,
    TIMG_DOWN_LEFT = 14,
    TIMG_UP_RIGHT = 16,
    TIMG_DOWN_RIGHT = 18,
};

// ---- resources -----------------------------------------------------------

// Opens /mnt/vendor/bin/default.ttf at 20 and 24 points and loads the
// pictures (a missing picture is simply not drawn). Returns 0, or -1 when a
// font cannot be opened (nothing stays loaded then).
int load_test_res(void);
void free_test_res(void);
// Whether the fonts are open.
int test_res_loaded(void);

// ---- tested marks (factory test) -----------------------------------------

// One state per key for A, B, X, Y, L1, R1, Start, Select, L2, R2, vol+, vol-,
// Menu: 0 untested, 1 pressed once, 2 released after the first press (stays
// lit), 3 pressed again (lit while held, off at its release).
void tested_marks_clear(void);
// One pass: a key whose bit equals the active mask goes 0 -> 1 and 2 -> 3,
// any other key 1 -> 2 and 3 -> 0.
void tested_marks_step(uint32_t mask);
// The mark of a key bit (0 for keys without a mark).
int tested_mark_of(uint32_t bit);
// Whether a key is drawn lit: the mask equals its bit, or its mark is 1 or 2.
int key_lit(uint32_t bit, uint32_t mask);

// ---- the IO test ---------------------------------------------------------

enum { MOTOR_OFF = 0, MOTOR_ON = 1, MOTOR_STOPPED = 2 };
struct IoTestState {
    uint32_t mask; // the last key mask
    int player;    // the last player (1..4) that had keys, 0 none yet
    int motor;     // MOTOR_OFF, MOTOR_ON, MOTOR_STOPPED
};
extern IoTestState iotest_state;

// The settings menu's opener of item 3: loads the test resources (0 or -1).
int iotest_open(void);
// The main loop's step on every pass while SCREEN_IO_TEST is current, with
// the mask of the first player that has keys and that player's number:
// Start+Select frees the resources, switches the motor off and returns to the
// settings menu; otherwise the mask (and, when not 0, the player) is kept
// and Menu+Select runs the motor while held.
void iotest_key_step(uint32_t mask, int player);
// One IO test frame in the layout of the surface (1280 wide: HDMI).
void iotest_draw(SDL_Surface *dst);

// ---- the factory test ----------------------------------------------------

// Whether the factory test is wanted: a mounted TF card holding test.ini.
int factory_test_wanted(void);

// What one pass of the factory test keeps.
struct FactoryState {
    int active;       // the active player 1..6, 0 none yet
    uint32_t mask;    // the active player's mask this pass
    uint32_t keys[6]; // every player's mask this pass
    int motor;        // 1 while the motor runs
    int hdmi;         // the output the test last saw
};
extern FactoryState factory_state;

// One pass of the factory test without drawing: the output check, the
// players' masks, the tested marks and the motor.
void factory_test_step(void);
// One factory test frame in the layout of the surface.
void factory_test_frame(SDL_Surface *dst);
// The whole factory test, SCREEN_FACTORY_TEST's run routine: loads the
// resources, lights the test LED, sets the volume to 10, starts the sound and
// brightness threads and runs 20 ms frames until a power-off is asked for or
// the program is interrupted; then stops and joins both threads, switches the
// motor off and frees the resources. Returns when it ends; the caller powers
// off. Prints "test font err ... " and returns at once when the fonts do not
// open. Returns 1 (the test ran, as the screen table's run slot expects).
int run_factory_test(void);
