// A USB gamepad's facts as the controller reads them from /sys/class/input
// when its event node is not a real device: capabilities/key,
// capabilities/abs, absinfo, uevent (PHYS), name, id/vendor and id/product,
// then a batch of input events from its event node. The pad is found by the
// hot-plug scan, its events are applied, it is seated and then pulled out.
// The input's sections, split at lines "--", are these files in that order,
// the events last (raw records); the first byte sets the pairing switch and
// whether a second pad with the same facts is plugged in too.

#include "fuzz_support.h"

#include <cstring>
#include <string>
#include <vector>

#include "porta/base/attr.h"
#include "porta/controller/gamepad.h"
#include "porta/controller/players.h"

namespace {

const char *const kFacts[] = {"capabilities/key", "capabilities/abs", "absinfo", "uevent", "name",
                              "id/vendor",        "id/product"};
constexpr size_t kFactCount = sizeof kFacts / sizeof kFacts[0];

void plug(const char *js, const char *event, const std::vector<std::string> &parts)
{
    const std::string sys = std::string("/sys/class/input/") + js + "/device/";
    fuzz::mkdirs(sys + event);
    for (size_t i = 0; i < kFactCount; i++)
        fuzz::write(sys + kFacts[i], parts[i]);
    fuzz::write(std::string("/dev/input/") + js, "");
    fuzz::write(std::string("/dev/input/") + event, parts[kFactCount]);
}

void checkPad(const JoySlot &slot, const std::string &uevent)
{
    const JoyDevice &dev = slot.device;
    FUZZ_CHECK(memchr(dev.name, '\0', sizeof dev.name) != nullptr);
    FUZZ_CHECK(memchr(slot.phys, '\0', sizeof slot.phys) != nullptr);
    FUZZ_CHECK(strchr(slot.phys, '/') == nullptr);
    FUZZ_CHECK(uevent.find(slot.phys) != std::string::npos);
    FUZZ_CHECK(dev.nbuttons >= 0 && dev.nbuttons <= JOY_KEY_CODES);
    FUZZ_CHECK(dev.naxes >= 0 && dev.naxes <= JOY_MAX_AXES);
    FUZZ_CHECK(dev.nhats >= 0 && dev.nhats <= JOY_MAX_HATS);
    std::vector<bool> seen(JOY_KEY_CODES, false);
    for (int code = 0; code < JOY_KEY_CODES; code++) {
        const int b = dev.button_map[code];
        if (b == JOY_NO_BUTTON)
            continue;
        FUZZ_CHECK(b < dev.nbuttons && !seen[b]);
        seen[b] = true;
    }
    for (int code = 0; code < JOY_ABS_CODES; code++)
        FUZZ_CHECK(dev.axis_map[code] == JOY_NO_AXIS || dev.axis_map[code] < dev.naxes);
    for (int h = 0; h < JOY_MAX_HATS; h++)
        FUZZ_CHECK(dev.hat_map[h] == JOY_MAX_HATS || (dev.hat_map[h] >= 0 && dev.hat_map[h] < dev.nhats));
}

void checkEvents(const JoySlot &slot)
{
    const JoyDevice &dev = slot.device;
    FUZZ_CHECK((dev.key_state.load() & ~0xFFFFFFu) == 0);
    const JoyEvent e = joy_current_event(&dev);
    FUZZ_CHECK(e.kind >= JOY_EVENT_RELEASE && e.kind <= JOY_SRC_BUTTON);
    for (int a = 0; a < dev.naxes; a++)
        FUZZ_CHECK(dev.axes[a].has_initial == 0 || dev.axes[a].has_initial == 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::root();
    fuzz::removeTree("/dev/input");
    fuzz::removeTree("/sys/class/input");
    fuzz::mkdirs("/dev/input");
    global_attr.joy_pairing = data[0] & 1;
    global_attr.local_pads = 0;
    const bool twoPads = (data[0] & 2) != 0;
    const std::vector<std::string> parts = fuzz::sections(data + 1, size - 1, kFactCount + 1);
    plug("js0", "event10", parts);
    if (twoPads)
        plug("js1", "event11", parts);

    scan_gamepads();
    bool used[JOY_SLOTS];
    for (int s = 0; s < JOY_SLOTS; s++) {
        JoySlot &slot = joy_slots[s];
        used[s] = slot.jsNode[0] != '\0';
        if (!used[s])
            continue;
        FUZZ_CHECK(s < (twoPads ? 2 : 1));
        checkPad(slot, parts[3]);
        joy_read_events(&slot.device);
        checkEvents(slot);
        joystick_assign_player(s);
        const int player = slot.player.load();
        FUZZ_CHECK(player >= 0 && player <= JOY_SLOTS);
    }

    // Pulled out: the next scan frees every slot.
    fuzz::removeTree("/dev/input");
    scan_gamepads();
    for (int s = 0; s < JOY_SLOTS; s++)
        FUZZ_CHECK(joy_slots[s].jsNode[0] == '\0' && (!used[s] || joy_slots[s].device.fd < 0));
    for (int p = 0; p < JOY_SLOTS; p++)
        player_table[p].store(nullptr);
    return 0;
}
