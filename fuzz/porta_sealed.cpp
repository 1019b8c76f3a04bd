// The launcher's sealed records: the attribute record and the keypad map, and
// the seal check itself, over any bytes a damaged card may hold.

#include "fuzz_support.h"

#include <cstring>

#include "porta/base/attr.h"
#include "porta/base/sealed.h"
#include "porta/device/keypad.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::root();
    fuzz::mkdirs("/mnt/data/porta");
    // As stored, and sealed (so that the record's fields are reached).
    for (int sealed = 0; sealed < 2; sealed++) {
        if (sealed)
            FUZZ_CHECK(crc_seal_write(ATTR_FILE, data, size) == 0);
        else
            fuzz::write(ATTR_FILE, data, size);
        load_global_attr();
        const GlobalAttr &a = global_attr;
        FUZZ_CHECK(a.language >= 0 && a.language <= 5);
        FUZZ_CHECK(a.volume >= 0 && a.volume <= 10);
        FUZZ_CHECK(a.brightness >= 0 && a.brightness <= 4);
        FUZZ_CHECK(a.sleep_time >= 0 && a.sleep_time <= 4);
        FUZZ_CHECK(a.local_pads >= 0 && a.local_pads <= 2);
        FUZZ_CHECK(a.key_sound == 0 || a.key_sound == 1);
        FUZZ_CHECK(a.auto_poweroff == 0 || a.auto_poweroff == 1);
        FUZZ_CHECK(a.joy_pairing == 0 || a.joy_pairing == 1);
        FUZZ_CHECK(a.wallpaper >= 0 && a.theme >= 0 && a.sd_wallpaper >= 0 && a.sd_theme >= 0);
        // Whatever was there, a record with an intact seal is left behind (a
        // longer sealed file is read for its first 68 bytes and kept).
        FUZZ_CHECK(fuzz::read(ATTR_FILE).size() >= 68);
        FUZZ_CHECK(crc_check_file(ATTR_FILE) == 0);

        if (sealed)
            FUZZ_CHECK(crc_seal_write(LOCALPAD_MAP_FILE, data, size) == 0);
        else
            fuzz::write(LOCALPAD_MAP_FILE, data, size);
        const int used = load_keypad_map();
        if (used != 0)
            for (int i = 0; i < LOCALPAD_KEYS; i++)
                FUZZ_CHECK(keypad_codes[i].load() == localpad_default_codes[i]);
    }
    // The check: an intact seal passes unless the bytes are all zeros.
    fuzz::write("/mnt/data/x", data, size);
    bool zeros = size > 0;
    for (size_t i = 0; zeros && i < size; i++)
        zeros = data[i] == 0;
    const bool ok = crc32_update(0, data, size) == 0 && !zeros;
    FUZZ_CHECK(crc_check_file("/mnt/data/x") == (ok ? 0 : -1));
    FUZZ_CHECK(fuzz::exists("/mnt/data/x") == ok);
    return 0;
}
