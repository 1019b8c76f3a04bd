#include "porta/ui/draw_res.h"

#include "porta/ui/themes.h"

#include <cstdio>

// Printed when a picture of the fixed set is missing: the loader's name, the
// group (1 point, 2 search keys, 3 list pieces, 4 small and 5 large system
// pictures), the index and the path. The firmware's logs and the tests rely on
// its exact bytes.
namespace {
constexpr const char *PICTURE_MISSING_TEXT = "%s: %d error i = %d,imag= %s \n";
} // namespace

FixedRes fixed_res[OUTPUT_COUNT];

namespace {

const char *out_name(int out)
{
    return out == OUTPUT_HDMI ? "hdmi" : "lcd";
}

int load_into(Picture *slot, const char *path)
{
    return picture_open(*slot, path, 1);
}

} // namespace

int load_title_bottom(int out)
{
    FixedRes &r = fixed_res[out];
    const char *o = out_name(out);
    char path[160];
    int rc = 0;
    static const char *const title_files[] = {"bg.png", "earphone.png", "spk.png", "joy.png", "bat_0.png", "bat_1.png"};
    Picture *title_slots[] = {&r.title_bg, &r.earphone, &r.spk, &r.joy, &r.bat[0], &r.bat[1]};
    for (int i = 0; i < 6; i++) {
        snprintf(path, sizeof(path), "/mnt/vendor/desktop_res/top/%s/title/%s", o, title_files[i]);
        if (load_into(title_slots[i], path) != 0)
            return -1;
    }
    for (int i = 0; i < 6; i++) {
        snprintf(path, sizeof(path), "/mnt/vendor/desktop_res/top/%s/bottom/%d.png", o, i);
        if (load_into(&r.bottom[i], path) != 0)
            return -1;
    }
    return rc;
}

namespace {

int load_other(int out, const char *who)
{
    FixedRes &r = fixed_res[out];
    const char *o = out_name(out);
    char path[160];
    snprintf(path, sizeof(path), "/mnt/vendor/desktop_res/top/%s/point.png", o);
    if (load_into(&r.point, path) != 0) {
        printf(PICTURE_MISSING_TEXT, who, 1, 0, path);
        return -1;
    }
    for (int i = 0; i < RES_SEARCH_KEYS; i++) {
        snprintf(path, sizeof(path), "/mnt/vendor/desktop_res/search/%s/%d.png", o, i);
        if (load_into(&r.search[i], path) != 0) {
            printf(PICTURE_MISSING_TEXT, who, 2, i, path);
            return -1;
        }
    }
    for (int i = 0; i < 6; i++) {
        snprintf(path, sizeof(path), "/mnt/vendor/desktop_res/top/%s/%d.png", o, i);
        if (load_into(&r.list[i], path) != 0) {
            printf(PICTURE_MISSING_TEXT, who, 3, i, path);
            return -1;
        }
    }
    for (int i = 0; i < SYSTEM_COUNT; i++) {
        snprintf(path, sizeof(path), "/mnt/vendor/desktop_res/type-left/%s/%s", o, system_table[i].icon);
        if (load_into(&r.type_left[i], path) != 0) {
            printf(PICTURE_MISSING_TEXT, who, 4, i, path);
            return -1;
        }
        snprintf(path, sizeof(path), "/mnt/vendor/desktop_res/type-right/%s/%s", o, system_table[i].icon);
        if (load_into(&r.type_right[i], path) != 0) {
            printf(PICTURE_MISSING_TEXT, who, 5, i, path);
            return -1;
        }
    }
    return 0;
}

} // namespace

int load_lcd_other_img(void)
{
    return load_other(OUTPUT_LCD, "load_lcd_other_img");
}

int load_hdmi_other_img(void)
{
    return load_other(OUTPUT_HDMI, "load_hdmi_other_img");
}

namespace {

void free_slot(Picture &s)
{
    picture_free(s);
}

} // namespace

void free_all_images(void)
{
    free_backgrounds();
    for (FixedRes &r : fixed_res) {
        free_slot(r.title_bg);
        free_slot(r.earphone);
        free_slot(r.spk);
        free_slot(r.joy);
        for (auto &s : r.bat)
            free_slot(s);
        for (auto &s : r.bottom)
            free_slot(s);
        free_slot(r.point);
        for (auto &s : r.search)
            free_slot(s);
        for (auto &s : r.list)
            free_slot(s);
        for (auto &s : r.type_left)
            free_slot(s);
        for (auto &s : r.type_right)
            free_slot(s);
    }
}
