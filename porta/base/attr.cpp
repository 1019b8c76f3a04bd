#include "porta/base/attr.h"

#include "common/devroot.h"
#include "common/endian.h"
#include "porta/base/sealed.h"

#include <cstdio>
#include <cstring>

#include <unistd.h>

GlobalAttr global_attr;
int attr_changed = 0;

namespace {

// The volume and the backlight as the record on disk holds them: the keys that
// change them do not mark the record changed.
struct SavedLevels {
    int32_t volume = 0;
    int32_t brightness = 0;
};
SavedLevels saved_levels;

const int32_t *attr_fields_const(const GlobalAttr *a)
{
    return &a->sd_wallpaper;
}

} // namespace

void attr_set_defaults(GlobalAttr *a)
{
    a->sd_wallpaper = 0;
    a->wallpaper = 0;
    a->sd_theme = 0;
    a->theme = 0;
    a->brightness = 3;
    a->sleep_time = 0;
    a->auto_poweroff = 1;
    a->volume = 10;
    a->key_sound = 1;
    a->language = 0;
    a->reserved_a = 2;
    a->reserved_b = 0;
    a->reserved_c = 0;
    a->reserved_d = 0;
    a->local_pads = 1;
    a->joy_pairing = 0;
    a->reserved_e = 1;
}

static_assert(sizeof(GlobalAttr) == ATTR_RECORD_SIZE, "the stored record is 17 32-bit fields");

void attr_encode(const GlobalAttr *a, uint8_t out[ATTR_RECORD_SIZE])
{
    put_le32s_array(out, attr_fields_const(a), ATTR_RECORD_SIZE / 4);
}

void attr_decode(const uint8_t in[ATTR_RECORD_SIZE], GlobalAttr *a)
{
    get_le32s_array(in, &a->sd_wallpaper, ATTR_RECORD_SIZE / 4);
}

int attr_sanitize(GlobalAttr *a)
{
    GlobalAttr d;
    attr_set_defaults(&d);
    int replaced = 0;
    auto keep_in = [&replaced](int32_t &field, int32_t lo, int32_t hi, int32_t def) {
        if (field < lo || field > hi) {
            field = def;
            replaced++;
        }
    };
    const int32_t any = INT32_MAX;
    keep_in(a->sd_wallpaper, 0, any, d.sd_wallpaper);
    keep_in(a->wallpaper, 0, any, d.wallpaper);
    keep_in(a->sd_theme, 0, any, d.sd_theme);
    keep_in(a->theme, 0, any, d.theme);
    keep_in(a->brightness, 0, 4, d.brightness);
    keep_in(a->sleep_time, 0, 4, d.sleep_time);
    keep_in(a->auto_poweroff, 0, 1, d.auto_poweroff);
    keep_in(a->volume, 0, 10, d.volume);
    keep_in(a->key_sound, 0, 1, d.key_sound);
    keep_in(a->language, 0, 5, d.language);
    // More local pads than two are cut to two, as the controllers do.
    if (a->local_pads > 2) {
        a->local_pads = 2;
        replaced++;
    }
    keep_in(a->local_pads, 0, 2, d.local_pads);
    keep_in(a->joy_pairing, 0, 1, d.joy_pairing);
    return replaced;
}

int load_global_attr(void)
{
    int used_stored = 0;
    int replaced = 0;
    if (crc_check_file(ATTR_FILE) == 0) {
        FILE *f = dev_fopen(ATTR_FILE, "rb");
        if (f) {
            uint8_t buf[ATTR_RECORD_SIZE];
            if (fread(buf, 1, ATTR_RECORD_SIZE, f) == ATTR_RECORD_SIZE) {
                attr_decode(buf, &global_attr);
                // Every field is checked before anything (a text table
                // indexed by the language, the backlight, the keypad) uses it.
                replaced = attr_sanitize(&global_attr);
                used_stored = 1;
            }
            fclose(f);
        }
    }
    if (!used_stored) {
        printf("use default attr ");
        attr_set_defaults(&global_attr);
        save_global_attr();
    }
    saved_levels.volume = global_attr.volume;
    saved_levels.brightness = global_attr.brightness;
    // A record that needed mending is written again at the next save.
    attr_changed = replaced > 0 ? 1 : 0;
    return used_stored ? 0 : 1;
}

int save_global_attr(void)
{
    // The record and its seal go to disk together through a temporary file
    // that replaces the old one only when complete: a power cut leaves either
    // the old record or the new one, never a truncated file that the next
    // check would delete along with every setting.
    uint8_t buf[ATTR_RECORD_SIZE];
    attr_encode(&global_attr, buf);
    if (crc_seal_write(ATTR_FILE, buf, ATTR_RECORD_SIZE) != 0) {
        printf("writeglobalattr, fopen %s return NULL\n", ATTR_FILE);
        return -1;
    }
    return 0;
}

void save_attr_if_changed(void)
{
    if (attr_changed || global_attr.volume != saved_levels.volume || global_attr.brightness != saved_levels.brightness)
        save_global_attr();
    saved_levels.volume = global_attr.volume;
    saved_levels.brightness = global_attr.brightness;
    attr_changed = 0;
}

void mkdir_if_missing(const char *path)
{
    if (dev_access(path, F_OK) != 0)
        dev_mkdir(path, 0777);
}
