#pragma once

// The built-in keypad and the power key.
//
// `keypad_thread_main` reads the keypad's Linux input events (the device
// named "gpio-keys-polled" under /dev/input) and the power key's
// (/dev/input/event0), turns them into the PadKeys mask of the built-in keypad
// (published into the key_state handed to `start_keypad`: the built-in
// keypad's, read by the main loop through the player getters), tracks the
// Menu click used to open the settings and handles the power key: a press
// starts the 2-second hold timer (which powers off) and every press and
// release goes to the launcher's power-key handler (a short press toggles
// screen sleep).
//
// Threads: the main thread starts and stops the keypad thread
// (start_keypad, stop_keypad) and hands it, before the start,
// where to publish and what the power key and sleep mean. The keypad thread
// writes the key mask (the built-in keypad's key_state and key_taps), the
// Menu-click flag, the volume key and the last raw event; the main thread reads
// them, and also clears the Menu-click flag. These are single words shared
// without locks: the mask is published with release order after the Menu-click
// flag, and read with acquire order. keypad_codes is written by the keypad
// mapping screen (main thread) and read by the keypad thread, entry by entry
// (atomic). The window pipes are written by the main thread
// (keypad_window_pump) and read by the keypad thread; the window queue is the
// main thread's alone.
//
// In a desktop window the keyboard stands in for the keypad: the main loop
// calls `keypad_window_pump` every pass, which turns the window's key events
// into the keypad's raw events (default codes) and feeds them to the keypad
// thread through the same path as the device's events (see keypad.md).

#include <atomic>
#include <cstdint>

// PadKeys: the logical keys as a bit mask (only the low 24 bits are used).
enum PadKeys : uint32_t {
    PAD_UP = 0x1,
    PAD_DOWN = 0x2,
    PAD_LEFT = 0x4,
    PAD_RIGHT = 0x8,
    PAD_A = 0x10,
    PAD_B = 0x20,
    PAD_Y = 0x40,
    PAD_X = 0x80,
    PAD_START = 0x100,
    PAD_SELECT = 0x200,
    PAD_L1 = 0x400,
    PAD_R1 = 0x800,
    PAD_L2 = 0x1000,
    PAD_R2 = 0x2000,
    PAD_VOLUP = 0x4000,
    PAD_VOLDOWN = 0x8000,
    PAD_MENU = 0x10000,
};
// Not a key: the value of a pad's key mask that asks the launcher to quit.
constexpr uint32_t PAD_QUIT_REQUEST = 0x100000u;
// Every key bit above.
constexpr uint32_t PAD_ALL_KEYS = 0x1FFFFu;

// Publishes a pad's new key mask. The keys it presses are also added to the
// pad's taps (when it has them): the main loop samples the mask once a pass,
// and a key pressed and released between two passes still reaches it as one
// press, then one release, through the taps it takes with the mask.
inline void publish_pad_keys(std::atomic<uint32_t> *state, std::atomic<uint32_t> *taps, uint32_t mask)
{
    const uint32_t old = state->load(std::memory_order_relaxed);
    if (taps && mask != PAD_QUIT_REQUEST && (mask & ~old & PAD_ALL_KEYS))
        taps->fetch_or(mask & ~old & PAD_ALL_KEYS, std::memory_order_release);
    state->store(mask, std::memory_order_release);
}

// Indexes into keypad_codes.
enum LocalPadIndex {
    LPAD_UP = 0,
    LPAD_DOWN,
    LPAD_LEFT,
    LPAD_RIGHT,
    LPAD_A,
    LPAD_B,
    LPAD_X,
    LPAD_Y,
    LPAD_START,
    LPAD_SELECT,
    LPAD_L1,
    LPAD_R1,
    LPAD_L2,
    LPAD_R2,
    LPAD_MENU,
    LPAD_VOLUP,
    LPAD_VOLDOWN,
    LOCALPAD_KEYS
};

constexpr const char LOCALPAD_MAP_FILE[] = "/mnt/data/porta/localpad.map";
constexpr int LOCALPAD_MAP_BYTES = 34; // 17 little-endian int16 codes, then the 4-byte seal

// The mask bit of each keypad_codes index.
extern const uint32_t localpad_bits[LOCALPAD_KEYS];
// The keypad's factory codes: 90..104, 108, 109.
extern const int16_t localpad_default_codes[LOCALPAD_KEYS];

// The Linux key code the keypad device emits for each logical key. The mapping
// screen replaces entries while the keypad thread reads them.
extern std::atomic<int16_t> keypad_codes[LOCALPAD_KEYS];

// The SDL key code of the first set key in the order UP, DOWN, LEFT, RIGHT, A,
// B, X, Y, Start, Select, Menu, L1, R1, L2, R2; 0 when none is set (the volume
// keys alone give 0).
int pad_to_keycode(uint32_t mask);

// Loads keypad_codes from its sealed file; a missing, damaged or short file
// gives the factory codes (and "--open_adc_bnt_input: local pad use deflt ").
// Returns 0 when the file was used, -1 when the defaults were.
int load_keypad_map(void);
// Copies the factory codes into keypad_codes (the mapping screen saves after).
void reset_keypad_map_to_defaults(void);
// Writes keypad_codes to its sealed file (crash-safe). Returns 0 or -1.
int save_keypad_map(void);

// What the keypad thread tells the launcher, handed over once at start-up:
// every press (1) and release (0) of the power key, and whether the screen
// sleeps (a Menu click made while asleep opens nothing).
void keypad_set_handlers(void (*power_key)(int value), int (*asleep)(void));

// Starts the built-in keypad: clears its state, loads the map, finds the
// keypad device, opens the power key and starts the keypad thread, which
// publishes the mask into `key_state` and the keys it presses into `key_taps`
// (see publish_pad_keys; none kept when null). Returns 0, or -1 (keypad device
// missing, thread not started). Without /dev/input/event0 ("Open ... error")
// only the power key is lost.
int start_keypad(std::atomic<uint32_t> *key_state, std::atomic<uint32_t> *key_taps = nullptr);
// Stops the keypad thread, closes both devices and cancels the power hold timer.
void stop_keypad(void);

// The Menu click: 0 idle, 1 Menu clicked alone, 2 Menu held, 3 Menu used with
// a volume key. The main loop opens the settings on 1 and clears it.
constexpr int MENU_CLICK_IDLE = 0;
constexpr int MENU_CLICK_CLICKED = 1;
constexpr int MENU_CLICK_HELD = 2;
constexpr int MENU_CLICK_COMBO = 3;
int keypad_menu_click(void);
void keypad_clear_menu_click(void);
// 1 while vol+ or vol- is held from a fresh press, else 0.
int keypad_volume_key(void);
// The keypad's mask as last published.
uint32_t keypad_mask(void);
// The keypad's last raw key event (code and value), for the mapping screen:
// both from one event, whatever the keypad thread does meanwhile.
void keypad_last_event(int *code, int *value);
int keypad_last_code(void);
int keypad_last_value(void);

// The state machine of the keypad, one raw key event at a time: value 1
// press, 0 release, anything else ignored. Returns the new mask. The mask is
// written by the keypad thread only; the Menu-click flag is also cleared by
// the main thread, so it is updated in place (compare and swap).
struct KeypadState {
    uint32_t mask = 0;
    std::atomic<int> menu_click{0};
    std::atomic<int> volume_key{0};
};
uint32_t keypad_apply_key(KeypadState *st, int code, int value, bool asleep);

// Desktop window: turns the window's pending key events into keypad events.
// Call once per main-loop pass from the thread that owns the window. Does
// nothing unless the video driver is a window system (x11).
void keypad_window_pump(void);
// The raw keypad code a window key stands for (-1: none; KEYPAD_WINDOW_POWER:
// the power key). `sym` is an SDLKey.
constexpr int KEYPAD_WINDOW_POWER = 116;
int keypad_window_code(int sym);
