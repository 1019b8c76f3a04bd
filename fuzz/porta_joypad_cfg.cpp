// A gamepad's joypad file: any text gives a table of valid entries, and a
// table written from it reads back to the same table.

#include "fuzz_support.h"

#include <cstring>

#include "porta/controller/gamepad.h"
#include "porta/controller/joypad_cfg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::root();
    fuzz::write("/mnt/data/porta/joypad/pad.cfg", data, size);
    JoyConvEntry table[JOY_CONV_SLOTS];
    memset(table, 0, sizeof table);
    FUZZ_CHECK(read_joypad_file("/mnt/data/porta/joypad/pad.cfg", table) == 0);
    for (const JoyConvEntry &e : table) {
        FUZZ_CHECK(e.type >= 0 && e.type <= 3);
        if (e.type == 0)
            continue;
        FUZZ_CHECK((e.set_mask & ~0xFFFFFFu) == 0);
        FUZZ_CHECK(e.clear_mask == (~e.set_mask & 0xFFFFFFu));
    }
    return 0;
}
