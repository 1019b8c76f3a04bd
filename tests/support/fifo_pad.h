#pragma once

// A USB gamepad on a development host: its js node and its event node as
// FIFOs under the device root's /dev/input, and the facts Linux keeps for it
// under /sys/class/input/<js>/device (name, input id, uevent with PHYS,
// capabilities, the event node's folder) plus the "absinfo" file that stands
// in for the axis range query (porta/controller/gamepad.md).
// Plugging creates all of it; pulling removes it.

#include <string>
#include <vector>

struct FifoPadAxis {
    int code; // ABS_* (0x10..0x17: hats)
    int value, minimum, maximum, fuzz, flat;
};

struct FifoPadModel {
    std::string js = "js0";
    std::string event = "event10";
    std::string name = "USB Gamepad";
    std::string phys = "usb-0000:00:14.0-1/input0";
    unsigned vendor = 0x0079;
    unsigned product = 0x0011;
    std::vector<int> keys;         // key codes it has
    std::vector<FifoPadAxis> axes; // axes and hats with their ranges
};

// The usual pad: 12 buttons (BTN_SOUTH..), one hat, two sticks on ABS_X/Y
// and ABS_Z/RZ (0..255, resting at 128, flat 15).
FifoPadModel standard_pad(const std::string &js = "js0", const std::string &event = "event10");

class FifoPad {
public:
    // `root` is the host path of the device root.
    FifoPad(const std::string &root, const FifoPadModel &model);
    ~FifoPad();
    FifoPad(const FifoPad &) = delete;
    FifoPad &operator=(const FifoPad &) = delete;

    // Creates the sysfs facts and both nodes, and opens the event node for
    // writing (read-write, so that writing never waits). Returns success.
    bool plug();
    // Removes both nodes and the sysfs facts (the pad is pulled out).
    void pull();
    // Writes one struct input_event; returns success.
    bool send(int type, int code, int value);
    bool key(int code, int value);
    bool abs(int code, int value);
    // Rewrites the axis's current value in the absinfo file.
    void set_abs_value(int code, int value);

    const FifoPadModel &model() const { return model_; }

private:
    void write_facts();
    std::string root_;
    FifoPadModel model_;
    int fd_ = -1;
};

// Capabilities as Linux writes them: hex words of the machine's long, highest
// first, leading zero words left out.
std::string capability_words(const std::vector<int> &codes);
