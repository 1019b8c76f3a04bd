#pragma once

// One input device as the controller thread sees it: a USB gamepad in one of
// the four slots, or a local pad (the built-in keypad `localpad0`, and
// `localpad1`, which only holds a player number).
//
// Opening a pad reads its facts (name, input id, buttons, axes and their
// ranges, hats); reading its events calibrates the axes, tracks the hats and
// turns every event, through the pad's conversion table, into the PadKeys
// mask `key_state`. Everything here runs on the controller thread, except
// where a comment says otherwise.
//
// Threads: the controller thread (porta/controller/players.h) writes a pad's
// facts, axes, hats, `current_event`, `key_state` and `key_taps`; the main
// thread reads `key_state` and takes `key_taps` (player getters) and the
// mapping screen reads `current_event`, all atomic words. The conversion table
// and the joypad files are written by the controller thread when a pad is
// added and by the main thread's mapping screens when a mapping is saved or
// reset, always under joypad_mutex. `joy_axis_readout` is written by the
// controller thread and read by the IO test on the main thread.
//
// On a development host a pad is a pair of FIFOs (its js node and its event
// node) with the facts that the ioctls would give kept as files beside them
// under /sys/class/input (see gamepad.md).

#include <atomic>
#include <cstdint>
#include <mutex>

#include <linux/input.h>

// Conversion slots: 0 up, 1 down, 2 left, 3 right, 4 a, 5 b, 6 x, 7 y, 8 l,
// 9 r, 10 l2, 11 r2, 12 select, 13 start, 14..17 left stick up, down, left,
// right, 18..21 right stick up, down, left, right.
constexpr int JOY_CONV_SLOTS = 22;

// Source types of a conversion entry, also the kinds of a pad's current event
// (kind 0 = a release).
enum JoySource : int32_t {
    JOY_SRC_NONE = 0,
    JOY_SRC_AXIS = 1,
    JOY_SRC_HAT = 2,
    JOY_SRC_BUTTON = 3,
};
constexpr int JOY_EVENT_RELEASE = 0;

// Hat direction bits in PadKeys order, as conversion entries and current
// events carry them.
constexpr int JOY_HAT_UP = 1;
constexpr int JOY_HAT_DOWN = 2;
constexpr int JOY_HAT_LEFT = 4;
constexpr int JOY_HAT_RIGHT = 8;

// One entry of a pad's conversion table.
struct JoyConvEntry {
    int32_t type;        // JoySource
    uint8_t index;       // button, axis or hat index
    int16_t value;       // axis: -1/+1; hat: JOY_HAT_* bit; button: 0
    uint32_t set_mask;   // PadKeys bits set while the source is active
    uint32_t clear_mask; // ANDed in when it is released (24-bit complement)
};

constexpr int JOY_KEY_CODES = 0x2FF; // key codes 0..0x2FE
constexpr int JOY_ABS_CODES = 0x3F;  // absolute-axis codes 0..0x3E
constexpr int JOY_MAX_AXES = JOY_ABS_CODES;
constexpr int JOY_MAX_HATS = 4;
constexpr int JOY_NO_AXIS = 0xFF;
constexpr int JOY_NO_BUTTON = 0xFF;
constexpr int JOY_AXIS_NONE = 250; // no last moved axis

struct JoyAxisState {
    int16_t initial;
    int16_t current;
    int16_t zero;
    int32_t has_initial;
    int32_t has_second;
    int32_t live;
};

struct JoyHatState {
    int32_t x; // 0 negative, 1 centred, 2 positive
    int32_t y;
};

struct JoyCalibration {
    int32_t on;
    int32_t coef[3];
};

struct JoyDevice {
    uint32_t vendor_id;
    uint32_t product_id;
    char name[64]; // kernel device name, cut to 63
    int32_t nhats;
    int32_t nbuttons;
    int32_t naxes;
    JoyAxisState axes[JOY_MAX_AXES];
    int fd; // the open event node, -1 = none
    int32_t need_initial_read;
    uint8_t button_map[JOY_KEY_CODES]; // key code -> button index (0xFF: none)
    uint8_t axis_map[JOY_ABS_CODES];   // abs code -> axis index (0xFF: none)
    int16_t rest_value[JOY_ABS_CODES];
    JoyHatState hats[JOY_MAX_HATS];
    JoyCalibration calibration[JOY_ABS_CODES];
    int32_t hat_map[JOY_MAX_HATS]; // hat pair (HAT0..HAT3) -> hat index
    uint8_t last_axis;             // JOY_AXIS_NONE = none
    int16_t last_axis_value;
    // The current event, one word read by the mapping screen without a lock:
    // kind (bits 0-7), index (bits 8-15), value (bits 16-31, signed).
    std::atomic<uint32_t> current_event;
    uint16_t hat_released;
    uint16_t hat_previous;
    // PadKeys mask (low 24 bits), read by the main loop with acquire order.
    std::atomic<uint32_t> key_state;
    // Keys pressed since the main loop last took the mask (publish_pad_keys).
    std::atomic<uint32_t> key_taps;
    // Guarded by joypad_mutex; read by the event handling on this thread.
    JoyConvEntry conv[JOY_CONV_SLOTS];
    // Where the facts that a FIFO cannot answer are kept:
    // /sys/class/input/<sys_node>/device.
    char sys_node[16];
    char event_node[32]; // the event node's name in /dev/input
};

// The one mutex of controller support: it guards the joypad files, every
// pad's conversion table and the naming facts of the slots (name, ids,
// counts) while a pad is added or removed. The event handling holds it while
// it applies a batch of events.
extern std::mutex joypad_mutex;

// The current event of a pad, as the mapping screen reads it.
struct JoyEvent {
    int kind; // JOY_EVENT_RELEASE, JOY_SRC_AXIS, JOY_SRC_HAT, JOY_SRC_BUTTON
    int index;
    int value; // axis -1/+1 (0 inside the dead zone), hat bits, button 1/0
};
JoyEvent joy_current_event(const JoyDevice *dev);

// The axis read-out of the IO test: the last axis event of any pad (all zero
// after a read without axis events). Each value is one word.
struct JoyAxisReadout {
    std::atomic<int16_t> pressed;
    std::atomic<int16_t> calibrated;
    std::atomic<int16_t> rest;
    std::atomic<int16_t> raw;
};
extern JoyAxisReadout joy_axis_readout;

// Zeroes the record (no device open, no mapping, key_state 0).
void joy_device_clear(JoyDevice *dev);
// Closes the event node and zeroes the record.
void joy_device_close(JoyDevice *dev);

// Opens the pad whose node in /dev/input is `node`: for a js node its event
// node is the first "event*" entry of /sys/class/input/<node>/device. Reads
// buttons, axes (ranges and calibration) and hats. Returns 0, or -1 (no event
// node, it cannot be opened).
int open_gamepad(JoyDevice *dev, const char *node);
// Reads the device name into dev->name. Returns 0 or -1.
int joy_read_name(JoyDevice *dev);
// Whether the open device still answers (its name can be read; for a FIFO
// pad: its nodes and its name file are still there).
bool gamepad_online(JoyDevice *dev);

// Reads and handles the pending events (up to 32) of an open pad.
void joy_read_events(JoyDevice *dev);
// Handles one event (what joy_read_events does for each).
void joy_handle_event(JoyDevice *dev, const struct input_event &ev);

// The calibrated value of `raw` for the absolute axis `code`.
int joy_calibrate(const JoyDevice *dev, int code, int32_t raw);
// Calibration of one axis from its range: off when minimum equals maximum.
void joy_set_calibration(JoyCalibration *cal, int32_t minimum, int32_t maximum, int32_t flat);
