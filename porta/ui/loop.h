#pragma once

// The launcher's main loop, its run-time state and its one exit path. The
// loop calls the keypad, controller, sound and hardware modules directly; the
// screens come from screens.h. What the lower layers must make happen up here
// (the power key, the hold timer, the sleep state for key sounds and the Menu
// click) is handed to them by `loop_install_handlers`.

#include <atomic>
#include <cstdint>
#include <ctime>

#include <SDL/SDL.h>

#include "porta/library/browse.h"
#include "porta/ui/screens.h"

// The pace of the loop and its timers.
constexpr uint32_t REPEAT_DELAY_MS = 150; // a held Up or Down repeats first after this
constexpr uint32_t REPEAT_FAST_MS = 20;   // and after REPEAT_SLOW_COUNT repeats this often
constexpr int REPEAT_SLOW_COUNT = 15;
constexpr uint32_t POWEROFF_IDLE_MS = 1800000; // 30 idle minutes power off (when set)
constexpr uint32_t CHECK_PERIOD_MS = 500;      // the TF card and HDMI checks
constexpr uint32_t FRAME_MS = 25;              // the shortest pass
constexpr uint32_t FRAME_ASLEEP_MS = 100;      // the shortest pass while the screen sleeps

enum { SHUTDOWN_EXIT = 0, SHUTDOWN_POWEROFF = 1, SHUTDOWN_LOWPOWER = 2 };
enum { AWAKE = 0, ASLEEP_BY_KEY = 1, ASLEEP_BY_TIMER = 2 };

// Single words shared with the input threads and SDL's timer thread.
extern std::atomic<int> loop_running;
extern std::atomic<int> shutdown_type;
extern std::atomic<int> fast_repeat;
extern std::atomic<uint32_t> last_key_time;

// The sleep state. Only the main thread changes it, through toggle_sleep and
// wake (the loop's pass, the frame loops of the factory test and of the
// mapping sequences, the card, HDMI and charger checks), together with the
// backlight, the volume and the CPU mode that go with it:
// - sleep_state (AWAKE, ASLEEP_BY_KEY, ASLEEP_BY_TIMER): written by the main
//   thread; read by the main thread;
// - screen_asleep (the sleep screen is shown): written by the main thread;
//   read by the main thread, the keypad thread (a Menu click while asleep
//   does not count), the key-sound thread (quiet while asleep) and the
//   factory test's backlight worker;
// - the power key's request: posted by the keypad thread (on_power_key),
//   taken by the main thread (take_sleep_request) before its idle check.
extern std::atomic<int> sleep_state;
extern std::atomic<int> screen_asleep;

// Display surfaces: LCD (the video mode, 640x480), HDMI (1280x720) and the
// 1280x720 24-bit scratch surface for saving the screen under a message box.
extern SDL_Surface *lcd_surface;
extern SDL_Surface *hdmi_surface;
extern SDL_Surface *scratch_surface;
extern int sdl_up;
void free_display_surfaces(void);
// The surface of the current output.
SDL_Surface *current_surface(void);

// What the loop reads from the outside world; tests replace these.
struct LoopHooks {
    uint32_t (*now)(void);        // ms since start
    uint32_t (*player_keys)(int); // mask of player 1..4
    void (*delay)(uint32_t ms);
    void (*exit_process)(int status);
    time_t (*wall)(void); // the wall clock (the title bar's clock)
};
extern LoopHooks loop_hooks;
void loop_hooks_reset(void);

uint32_t touch_key_time(void);
void stop_loop(int type);
// Main thread only: the sleep screen on or off (by_key: the power key, else
// the sleep timer).
void toggle_sleep(int by_key);
// Main thread only: back from sleep, the backlight restored when asked.
void wake(int restore_backlight);
// The power key's handler, on the keypad thread (value 1 press, 0 release).
// Every press and release counts as a key; a short press (the release before
// the 2-second hold fired) asks the main thread to toggle sleep while the loop
// runs. It changes no sleep state itself.
void on_power_key(int value);
// Main thread: toggles sleep when the power key asked for it since the last
// call. The loop's pass and the frame loops of the factory test and of the
// mapping sequences call it.
void take_sleep_request(void);
// The sleep delay of a sleep_time index in ms, 0 for never.
uint32_t sleep_delay_ms(int index);

// Local time of the frame being drawn (the title bar clock).
extern int frame_hour;
extern int frame_minute;

// Asks for the next frame to be drawn. Whatever changes what a screen shows
// outside a key event (a card change, a loaded preview, the IO test's key
// mask, a list edited by another module) calls it, so that the loop may skip
// frames that would equal the last one presented.
//
// The loop draws a frame only when it would differ from the last one
// presented: after a key event (press, release, repeat), a screen or output
// change, a request_redraw(), a new minute of the clock, falling asleep or
// waking up, and while a selected row scrolls, each time its marquee moves.
// Passes without a frame still keep the 25 ms (100 ms asleep) pace, run the
// timers and checks, and keep the marquee's pace of 10 pixels every 10
// frame periods. The sleep screen is presented once.
void request_redraw(void);
// Whether a redraw was asked for since the last frame was drawn.
int redraw_pending(void);
// Off: every pass draws and presents a frame (measurements, tests). On by
// default and after loop_reset_state().
void loop_set_frame_skipping(int on);
// Frames drawn and presented since loop_reset_state().
uint32_t loop_frames_presented(void);

// Start of the loop: first frame, key events ignored by SDL, timers armed.
void loop_begin(void);
// One pass of the loop (keys, timers, checks, one frame with its pacing).
void loop_pass(void);
// Runs passes while the loop-running flag is 1. Returns 0.
int run_main_loop(void);
// Draws one frame of the current screen (or the sleep screen) and presents it.
void loop_draw_frame(void);

// The exit path: shutdown picture, threads stopped, record saved, SDL and the
// framebuffers closed. Returns only for a plain exit; a power-off runs
// "reboot -p shutdown" and exits.
void power_off(void);

// SIGINT: the handler only records the signal; the loop leaves through
// power_off and the program exits with status 1.
void install_signal_handlers(void);
int sigint_pending(void);
void handle_sigint(void);

// Clears the loop's own state (start of a run; tests) and installs the
// handlers below.
void loop_reset_state(void);
// Hands the keypad its power-key handler and sleep query, the hold timer its
// power-off and the key sounds their quiet query.
void loop_install_handlers(void);
