// Opening a gamepad, reading its facts, calibrating its axes and turning its
// events into the PadKeys mask.

#include "porta/controller/gamepad.h"

#include "common/devroot.h"
#include "porta/device/keypad.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

std::mutex joypad_mutex;
JoyAxisReadout joy_axis_readout;

namespace {

// The line numbers the open failures print; the firmware's logs and the tests
// rely on these exact messages, so the numbers stay fixed when code moves.
constexpr int OPEN_NO_EVENT_DEVICE_LINE = 411;
constexpr int OPEN_FAILED_LINE = 424;
constexpr const char SYS_INPUT[] = "/sys/class/input";
constexpr const char DEV_INPUT[] = "/dev/input";
constexpr int HAT_FIRST = 0x10;
constexpr int HAT_LAST = 0x17;
constexpr int DEAD_ZONE = 409;
constexpr int INITIAL_RANGE = 8190;
constexpr int KEY_BITS_BYTES = 96;
constexpr int ABS_BITS_BYTES = 8;
constexpr int EVENTS_PER_READ = 32;
constexpr uint32_t MASK_24 = 0xFFFFFFu;

// Facts of a pad that a FIFO cannot answer: the files of its input device.
std::string sys_file(const JoyDevice *dev, const char *leaf)
{
    return (std::string(SYS_INPUT) + "/") + dev->sys_node + "/device/" + leaf;
}

// The first line of a text file, without its line end.
bool read_line(const std::string &path, char *buf, size_t size)
{
    FILE *f = dev_fopen(path.c_str(), "r");
    if (!f)
        return false;
    bool ok = fgets(buf, static_cast<int>(size), f) != nullptr;
    fclose(f);
    if (ok)
        buf[strcspn(buf, "\r\n")] = '\0';
    return ok;
}

bool bit_set(const uint8_t *bits, int code)
{
    return (bits[code / 8] >> (code % 8)) & 1;
}

// A capabilities file: hexadecimal words of the machine's long, highest first
// (as Linux writes them), into a bit array like EVIOCGBIT's.
bool read_caps(const JoyDevice *dev, const char *leaf, uint8_t *bits, size_t nbytes)
{
    char line[1024];
    if (!read_line(sys_file(dev, leaf), line, sizeof line))
        return false;
    unsigned long words[64];
    int n = 0;
    for (char *p = line; *p && n < 64;) {
        while (*p == ' ' || *p == '\t')
            p++;
        if (!*p)
            break;
        char *end;
        words[n++] = strtoul(p, &end, 16);
        if (end == p)
            return false;
        p = end;
    }
    if (n == 0)
        return false;
    memset(bits, 0, nbytes);
    const int width = static_cast<int>(sizeof(unsigned long)) * 8;
    for (int i = 0; i < n; i++) {
        unsigned long w = words[n - 1 - i];
        for (int b = 0; b < width; b++) {
            size_t code = static_cast<size_t>(i) * width + b;
            if ((w >> b) & 1UL && code < nbytes * 8)
                bits[code / 8] |= static_cast<uint8_t>(1u << (code % 8));
        }
    }
    return true;
}

// The "absinfo" file of a FIFO pad: one line per axis,
// "code value minimum maximum fuzz flat".
bool read_absinfo(const JoyDevice *dev, int code, struct input_absinfo *ai)
{
    FILE *f = dev_fopen(sys_file(dev, "absinfo").c_str(), "r");
    if (!f)
        return false;
    char line[256];
    bool found = false;
    while (!found && fgets(line, sizeof line, f)) {
        int c, value, minimum, maximum, fuzz, flat;
        if (sscanf(line, "%i %i %i %i %i %i", &c, &value, &minimum, &maximum, &fuzz, &flat) == 6 && c == code) {
            memset(ai, 0, sizeof *ai);
            ai->value = value;
            ai->minimum = minimum;
            ai->maximum = maximum;
            ai->fuzz = fuzz;
            ai->flat = flat;
            found = true;
        }
    }
    fclose(f);
    return found;
}

bool query_bits(const JoyDevice *dev, int type, const char *leaf, uint8_t *bits, size_t nbytes)
{
    memset(bits, 0, nbytes);
    if (ioctl(dev->fd, EVIOCGBIT(type, nbytes), bits) >= 0)
        return true;
    return read_caps(dev, leaf, bits, nbytes);
}

bool query_abs(const JoyDevice *dev, int code, struct input_absinfo *ai)
{
    if (ioctl(dev->fd, EVIOCGABS(code), ai) >= 0)
        return true;
    return read_absinfo(dev, code, ai);
}

bool query_id(const JoyDevice *dev, uint32_t *vendor, uint32_t *product)
{
    struct input_id id;
    if (ioctl(dev->fd, EVIOCGID, &id) >= 0) {
        *vendor = id.vendor;
        *product = id.product;
        return true;
    }
    char v[32], p[32];
    if (!read_line(sys_file(dev, "id/vendor"), v, sizeof v) || !read_line(sys_file(dev, "id/product"), p, sizeof p))
        return false;
    *vendor = static_cast<uint32_t>(strtoul(v, nullptr, 16));
    *product = static_cast<uint32_t>(strtoul(p, nullptr, 16));
    return true;
}

int32_t clamp32(int64_t v)
{
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
}

int16_t clamp16(int64_t v)
{
    if (v > 32767)
        return 32767;
    if (v < -32768)
        return -32768;
    return static_cast<int16_t>(v);
}

// Finds the event node of a js node among the entries of its input device.
bool find_event_node(const char *node, char *out, size_t size)
{
    std::string dir = (std::string(SYS_INPUT) + "/") + node + "/device";
    DIR *d = dev_opendir(dir.c_str());
    if (!d)
        return false;
    bool found = false;
    struct dirent *e;
    while (!found && (e = readdir(d)) != nullptr) {
        if (strlen(e->d_name) < 6 || strncmp(e->d_name, "event", 5) != 0 || strlen(e->d_name) >= size)
            continue;
        if (dev_exists((dir + "/" + e->d_name).c_str())) {
            snprintf(out, size, "%s", e->d_name);
            found = true;
        }
    }
    closedir(d);
    return found;
}

void store_event(JoyDevice *dev, int kind, int index, int value)
{
    uint32_t word = static_cast<uint32_t>(kind & 0xFF) | (static_cast<uint32_t>(index & 0xFF) << 8) |
                    (static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(value))) << 16);
    dev->current_event.store(word, std::memory_order_release);
}

// Left/right and up/down exclude each other: the key just set wins.
uint32_t resolve_pairs(uint32_t ks, uint32_t just_set)
{
    if ((ks & 0x4) && (ks & 0x8))
        ks &= (just_set & 0x4) ? 0xFFFFF7u : (just_set & 0x8) ? 0xFFFFFBu : MASK_24;
    if ((ks & 0x1) && (ks & 0x2))
        ks &= (just_set & 0x1) ? 0xFFFFFDu : (just_set & 0x2) ? 0xFFFFFEu : MASK_24;
    return ks;
}

// Applies one converted event to key_state through the conversion table.
void apply_event(JoyDevice *dev, int type, int index, int kind, int value, int released)
{
    uint32_t ks = dev->key_state.load(std::memory_order_relaxed);
    for (int s = 0; s < JOY_CONV_SLOTS; s++) {
        const JoyConvEntry &e = dev->conv[s];
        if (e.type != type || e.index != index)
            continue;
        switch (type) {
        case JOY_SRC_BUTTON:
            if (value == 0)
                ks &= e.clear_mask;
            else
                ks = resolve_pairs(ks | e.set_mask, e.set_mask);
            break;
        case JOY_SRC_AXIS:
            if (value == 0 && kind == JOY_EVENT_RELEASE)
                ks &= e.clear_mask;
            else if (value != 0 && value == e.value)
                ks = resolve_pairs(ks | e.set_mask, e.set_mask);
            break;
        case JOY_SRC_HAT:
            if (value == 0) {
                ks &= e.clear_mask;
            } else {
                // An entry answers to one direction bit.
                for (int bit = JOY_HAT_UP; bit <= JOY_HAT_RIGHT; bit <<= 1)
                    if ((value & bit) && e.value == bit)
                        ks |= e.set_mask;
                for (int bit = JOY_HAT_UP; bit <= JOY_HAT_RIGHT; bit <<= 1)
                    if ((released & bit) && e.value == bit)
                        ks &= e.clear_mask;
            }
            break;
        }
    }
    publish_pad_keys(&dev->key_state, &dev->key_taps, ks & MASK_24);
}

// Tracks one axis: the first value (or, after a full-deflection first value,
// the first one near the centre) is its initial value; a still axis ignores
// changes of up to 409 until it has once moved further.
void track_axis(JoyDevice *dev, int idx, int value)
{
    JoyAxisState &a = dev->axes[idx];
    if (!a.has_initial || (!a.has_second && (a.initial == 32767 || a.initial == -32768) && value >= -INITIAL_RANGE &&
                           value <= INITIAL_RANGE)) {
        a.initial = a.current = a.zero = static_cast<int16_t>(value);
        a.has_initial = 1;
    } else {
        a.has_second = 1;
    }
    if (value == a.current)
        return;
    if (!a.live) {
        if (abs(value - a.current) <= DEAD_ZONE)
            return;
        a.live = 1;
    }
    a.current = static_cast<int16_t>(value);
    dev->last_axis = static_cast<uint8_t>(idx);
    dev->last_axis_value = static_cast<int16_t>(value);
}

// The hat's direction (bits 1 up, 2 right, 4 down, 8 left) by y * 3 + x.
const int hat_directions[9] = {9, 1, 3, 8, 0, 2, 12, 4, 6};

void hat_event(JoyDevice *dev, int code, int32_t raw)
{
    int hat = dev->hat_map[(code - HAT_FIRST) / 2];
    int pos = raw < 0 ? 0 : raw == 0 ? 1 : 2;
    int dir = 0;
    if (hat >= 0 && hat < dev->nhats) {
        int32_t &axis = (code & 1) ? dev->hats[hat].y : dev->hats[hat].x;
        if (axis != pos) {
            axis = pos;
            dir = hat_directions[dev->hats[hat].y * 3 + dev->hats[hat].x];
        }
    }
    int kind = JOY_EVENT_RELEASE;
    int bits = 0;
    if (dir == 0) {
        dev->hat_released = 0;
        dev->hat_previous = 0;
    } else {
        kind = JOY_SRC_HAT;
        bits = ((dir & 1) ? JOY_HAT_UP : 0) | ((dir & 4) ? JOY_HAT_DOWN : 0) | ((dir & 8) ? JOY_HAT_LEFT : 0) |
               ((dir & 2) ? JOY_HAT_RIGHT : 0);
        dev->hat_released = static_cast<uint16_t>(dev->hat_previous & ~bits);
        dev->hat_previous = static_cast<uint16_t>(bits);
    }
    store_event(dev, kind, hat, bits);
    apply_event(dev, JOY_SRC_HAT, hat, kind, bits, dev->hat_released);
}

void axis_event(JoyDevice *dev, int code, int32_t raw)
{
    const int idx = dev->axis_map[code];
    const int cal = joy_calibrate(dev, code, raw);
    if (idx < dev->naxes)
        track_axis(dev, idx, cal);
    const int rest = dev->rest_value[code];
    int kind = JOY_EVENT_RELEASE, index = idx, value = 0, pressed = 0;
    if ((rest >= 1 && raw == rest) || (cal != 0 && rest == 0 && raw == 0)) {
        // Back at rest.
    } else {
        // Judged on the axis that moved last.
        index = dev->last_axis;
        double f = dev->last_axis_value / 32767.0;
        if (f < -0.12 || f > 0.12) {
            kind = JOY_SRC_AXIS;
            value = f < 0 ? -1 : 1;
            pressed = 1;
        }
        dev->last_axis = JOY_AXIS_NONE;
        dev->last_axis_value = 0;
    }
    store_event(dev, kind, index, value);
    apply_event(dev, JOY_SRC_AXIS, index, kind, value, 0);
    joy_axis_readout.pressed.store(static_cast<int16_t>(pressed), std::memory_order_relaxed);
    joy_axis_readout.calibrated.store(static_cast<int16_t>(cal), std::memory_order_relaxed);
    joy_axis_readout.rest.store(static_cast<int16_t>(rest), std::memory_order_relaxed);
    joy_axis_readout.raw.store(clamp16(raw), std::memory_order_relaxed);
}

} // namespace

JoyEvent joy_current_event(const JoyDevice *dev)
{
    uint32_t w = dev->current_event.load(std::memory_order_acquire);
    JoyEvent e;
    e.kind = static_cast<int>(w & 0xFF);
    e.index = static_cast<int>((w >> 8) & 0xFF);
    e.value = static_cast<int16_t>(static_cast<uint16_t>(w >> 16));
    return e;
}

void joy_device_clear(JoyDevice *dev)
{
    dev->vendor_id = 0;
    dev->product_id = 0;
    memset(dev->name, 0, sizeof dev->name);
    dev->nhats = dev->nbuttons = dev->naxes = 0;
    memset(dev->axes, 0, sizeof dev->axes);
    dev->fd = -1;
    dev->need_initial_read = 0;
    memset(dev->button_map, JOY_NO_BUTTON, sizeof dev->button_map);
    memset(dev->axis_map, JOY_NO_AXIS, sizeof dev->axis_map);
    memset(dev->rest_value, 0, sizeof dev->rest_value);
    for (JoyHatState &h : dev->hats)
        h.x = h.y = 1;
    memset(dev->calibration, 0, sizeof dev->calibration);
    for (int32_t &h : dev->hat_map)
        h = JOY_MAX_HATS;
    dev->last_axis = JOY_AXIS_NONE;
    dev->last_axis_value = 0;
    dev->current_event.store(0, std::memory_order_relaxed);
    dev->hat_released = dev->hat_previous = 0;
    dev->key_state.store(0, std::memory_order_release);
    dev->key_taps.store(0, std::memory_order_release);
    memset(dev->conv, 0, sizeof dev->conv);
    memset(dev->sys_node, 0, sizeof dev->sys_node);
    memset(dev->event_node, 0, sizeof dev->event_node);
}

void joy_device_close(JoyDevice *dev)
{
    if (dev->fd >= 0)
        close(dev->fd);
    joy_device_clear(dev);
}

void joy_set_calibration(JoyCalibration *cal, int32_t minimum, int32_t maximum, int32_t flat)
{
    memset(cal, 0, sizeof *cal);
    if (minimum == maximum)
        return;
    cal->on = 1;
    // Worked out in 64 bits: a range near the ends of int32 (a pad's own
    // report or a damaged absinfo file) must not overflow.
    const int64_t sum = static_cast<int64_t>(maximum) + minimum;
    cal->coef[0] = clamp32(sum - 2 * static_cast<int64_t>(flat));
    cal->coef[1] = clamp32(sum + 2 * static_cast<int64_t>(flat));
    const int64_t t = static_cast<int64_t>(maximum) - minimum - 4 * static_cast<int64_t>(flat);
    cal->coef[2] = t != 0 ? static_cast<int32_t>((1 << 28) / t) : 0;
}

int joy_calibrate(const JoyDevice *dev, int code, int32_t raw)
{
    const JoyCalibration &c = dev->calibration[code];
    if (!c.on)
        return clamp16(raw);
    int64_t v = 2 * static_cast<int64_t>(raw);
    if (v > c.coef[0] && v < c.coef[1])
        return 0;
    v -= v > c.coef[0] ? c.coef[1] : c.coef[0];
    return clamp16((v * c.coef[2]) >> 13);
}

int open_gamepad(JoyDevice *dev, const char *node)
{
    joy_device_clear(dev);
    char event[sizeof dev->event_node];
    if (strlen(node) >= sizeof dev->sys_node)
        return -1;
    if (node[0] == 'j') {
        if (!find_event_node(node, event, sizeof event)) {
            printf("--%s: (%d) don't find event device \n", "My_JoysOpen", OPEN_NO_EVENT_DEVICE_LINE);
            return -1;
        }
    } else {
        snprintf(event, sizeof event, "%s", node);
    }
    snprintf(dev->sys_node, sizeof dev->sys_node, "%s", node);
    snprintf(dev->event_node, sizeof dev->event_node, "%s", event);

    std::string path = (std::string(DEV_INPUT) + "/") + event;
    // Non-blocking: a wake-up without data never holds the thread.
    dev->fd = dev_open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (dev->fd < 0) {
        printf("--%s: (%d) Unable to open %s \n", "My_JoysOpen", OPEN_FAILED_LINE, path.c_str());
        joy_device_clear(dev);
        return -1;
    }

    uint8_t keybits[KEY_BITS_BYTES];
    uint8_t absbits[ABS_BITS_BYTES];
    if (query_bits(dev, EV_KEY, "capabilities/key", keybits, sizeof keybits) &&
        query_bits(dev, EV_ABS, "capabilities/abs", absbits, sizeof absbits)) {
        // Buttons: the joystick and gamepad codes (from BTN_JOYSTICK) first,
        // then the others, so that a pad's buttons are numbered as on any
        // other device that writes its joypad file. A byte holds the index:
        // past 255 keys (a keyboard among the pad's inputs) the rest get none
        // rather than another button's index.
        for (int code = BTN_JOYSTICK; code < JOY_KEY_CODES; code++)
            if (bit_set(keybits, code) && dev->nbuttons < JOY_NO_BUTTON)
                dev->button_map[code] = static_cast<uint8_t>(dev->nbuttons++);
        for (int code = 0; code < BTN_JOYSTICK; code++)
            if (bit_set(keybits, code) && dev->nbuttons < JOY_NO_BUTTON)
                dev->button_map[code] = static_cast<uint8_t>(dev->nbuttons++);
        // Axes, except the hat codes.
        for (int code = 0; code < JOY_ABS_CODES; code++) {
            if ((code >= HAT_FIRST && code <= HAT_LAST) || !bit_set(absbits, code))
                continue;
            struct input_absinfo ai;
            if (!query_abs(dev, code, &ai) || dev->naxes >= JOY_MAX_AXES)
                continue;
            dev->axis_map[code] = static_cast<uint8_t>(dev->naxes++);
            int32_t rest = ai.value;
            if (rest == 0) {
                if (ai.maximum < 5)
                    rest = ai.maximum + 5;
                else if (ai.maximum == 255)
                    rest = 1;
            }
            dev->rest_value[code] = clamp16(rest);
            joy_set_calibration(&dev->calibration[code], ai.minimum, ai.maximum, ai.flat);
        }
        // Hats: one per pair of hat codes.
        for (int pair = 0; pair < JOY_MAX_HATS; pair++) {
            int x = HAT_FIRST + 2 * pair;
            if (!bit_set(absbits, x) && !bit_set(absbits, x + 1))
                continue;
            struct input_absinfo ai;
            if (query_abs(dev, x, &ai))
                dev->hat_map[pair] = dev->nhats++;
        }
    }
    dev->need_initial_read = 1;
    if (!query_id(dev, &dev->vendor_id, &dev->product_id))
        printf("Input device ID erro");
    return 0;
}

int joy_read_name(JoyDevice *dev)
{
    char name[128];
    memset(name, 0, sizeof name);
    if (ioctl(dev->fd, EVIOCGNAME(sizeof name - 1), name) < 0 && !read_line(sys_file(dev, "name"), name, sizeof name))
        return -1;
    name[sizeof dev->name - 1] = '\0'; // cut to 63 characters
    memcpy(dev->name, name, sizeof dev->name);
    return 0;
}

bool gamepad_online(JoyDevice *dev)
{
    char name[128];
    if (ioctl(dev->fd, EVIOCGNAME(sizeof name), name) >= 0)
        return true;
    // A FIFO standing in for a pad answers as long as its nodes and its name
    // file are there; a real device that fails has been unplugged.
    struct stat st;
    if (fstat(dev->fd, &st) == 0 && !S_ISCHR(st.st_mode) &&
        dev_exists(((std::string(DEV_INPUT) + "/") + dev->sys_node).c_str()) &&
        dev_exists(((std::string(DEV_INPUT) + "/") + dev->event_node).c_str()) &&
        dev_exists(sys_file(dev, "name").c_str()))
        return true;
    printf("%s: ioctl fail ..\n", "My_JoysOnline");
    return false;
}

void joy_read_events(JoyDevice *dev)
{
    if (dev->need_initial_read) {
        for (int code = 0; code < JOY_ABS_CODES; code++) {
            if ((code >= HAT_FIRST && code <= HAT_LAST) || !dev->calibration[code].on)
                continue;
            struct input_absinfo ai;
            if (!query_abs(dev, code, &ai))
                continue;
            int idx = dev->axis_map[code];
            if (idx < dev->naxes)
                track_axis(dev, idx, joy_calibrate(dev, code, ai.value));
        }
        dev->need_initial_read = 0;
    }
    struct input_event evs[EVENTS_PER_READ];
    ssize_t n;
    do {
        n = read(dev->fd, evs, sizeof evs);
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return;
    const size_t count = static_cast<size_t>(n) / sizeof evs[0];
    bool axis_seen = false;
    {
        std::lock_guard<std::mutex> lock(joypad_mutex);
        for (size_t i = 0; i < count; i++) {
            const struct input_event &ev = evs[i];
            if (ev.type == EV_ABS && ev.code < JOY_ABS_CODES && !(ev.code >= HAT_FIRST && ev.code <= HAT_LAST) &&
                dev->axis_map[ev.code] != JOY_NO_AXIS)
                axis_seen = true;
            joy_handle_event(dev, ev);
        }
    }
    if (!axis_seen) {
        joy_axis_readout.pressed.store(0, std::memory_order_relaxed);
        joy_axis_readout.calibrated.store(0, std::memory_order_relaxed);
        joy_axis_readout.rest.store(0, std::memory_order_relaxed);
        joy_axis_readout.raw.store(0, std::memory_order_relaxed);
    }
}

void joy_handle_event(JoyDevice *dev, const struct input_event &ev)
{
    if (ev.type == EV_KEY) {
        if (ev.code >= JOY_KEY_CODES)
            return;
        int index = dev->button_map[ev.code];
        if (index == JOY_NO_BUTTON)
            return; // a code the pad does not have
        int kind = ev.value == 1 ? JOY_SRC_BUTTON : JOY_EVENT_RELEASE;
        int value = ev.value == 1 ? 1 : 0;
        store_event(dev, kind, index, value);
        apply_event(dev, JOY_SRC_BUTTON, index, kind, value, 0);
    } else if (ev.type == EV_ABS) {
        if (ev.code >= HAT_FIRST && ev.code <= HAT_LAST)
            hat_event(dev, ev.code, ev.value);
        else if (ev.code < JOY_ABS_CODES && dev->axis_map[ev.code] != JOY_NO_AXIS)
            axis_event(dev, ev.code, ev.value);
    }
}
