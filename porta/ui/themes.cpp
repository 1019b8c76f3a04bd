#include "porta/ui/themes.h"

#include "common/devroot.h"
#include "porta/base/attr.h"
#include "porta/library/browse.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/loop.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dirent.h>
#include <sys/stat.h>

// The firmware's logs and the tests rely on these texts byte for byte.
namespace {

constexpr const char *THEME_MISSING_TEXT = "----%s: not find theme(%d) \n";
constexpr const char *WALLPAPER_MISSING_TEXT = "----%s: not find bg(%d) \n";
constexpr const char *THEME_FOLDER_UNREADABLE_TEXT = "%s: opendir fail\n";
constexpr const char *THEME_ROOT_UNREADABLE_TEXT = "%s: opendir fail (%s)\n";
constexpr const char *SKIN_CHOSEN_TEXT = "--%s: customer_skin = %d \n";

} // namespace

int customer_skin = 0;
ThemePictures theme_pics;
ThemePreviews theme_previews;
ThemeLists theme_lists;

namespace {

int (*open_page_query)(void) = nullptr;

} // namespace

// The settings items whose pages show the theme and the wallpapers.
constexpr int ITEM_THEME_PAGE = 5;
constexpr int ITEM_WALLPAPER_PAGE = 6;

namespace {

const char *const out_dir[2] = {"lcd", "hdmi"};

void free_slot(Picture &s)
{
    picture_free(s);
}

const char *wallpaper_root(void)
{
    return customer_skin ? SKIN_WALLPAPER_ROOT : VENDOR_WALLPAPER_ROOT;
}

const char *theme_root(void)
{
    return customer_skin ? SKIN_THEME_ROOT : VENDOR_THEME_ROOT;
}

} // namespace

int current_theme_number(void)
{
    return customer_skin ? global_attr.sd_theme : global_attr.theme;
}

int current_wallpaper_number(void)
{
    return customer_skin ? global_attr.sd_wallpaper : global_attr.wallpaper;
}

namespace {

void wallpaper_path(char *buf, size_t size, const char *root, int out, int number)
{
    snprintf(buf, size, "%s/%s/%d.jpg", root, out_dir[out], number);
}

void icon_path(char *buf, size_t size, const char *root, int number, int out, int i)
{
    snprintf(buf, size, "%s/%d/%s/%d.png", root, number, out_dir[out], i);
}

} // namespace

// ---- the check -----------------------------------------------------------

namespace {

// Whether a picture of the TF-card skin is there. When it is not, the built-in
// skin takes over: prints `missing_text` with the stored number and puts that
// number back to 0 (the caller saves the attributes).
bool skin_picture_present(const char *path, const char *missing_text, int32_t &number)
{
    if (dev_exists(path))
        return true;
    customer_skin = 0;
    printf(missing_text, "check_background_theme_icon", number);
    if (number != 0) {
        number = 0;
        attr_changed = 1;
    }
    return false;
}

} // namespace

int validate_skin_choice(void)
{
    if (!customer_skin)
        return 0;
    char path[256];
    for (int out = 0; out < 2 && customer_skin; out++) {
        for (int i = 0; i < THEME_ICONS; i++) {
            icon_path(path, sizeof(path), SKIN_THEME_ROOT, global_attr.sd_theme, out, i);
            if (!skin_picture_present(path, THEME_MISSING_TEXT, global_attr.sd_theme))
                break;
        }
    }
    for (int out = 0; out < 2 && customer_skin; out++) {
        wallpaper_path(path, sizeof(path), SKIN_WALLPAPER_ROOT, out, global_attr.sd_wallpaper);
        skin_picture_present(path, WALLPAPER_MISSING_TEXT, global_attr.sd_wallpaper);
    }
    if (attr_changed)
        save_attr_if_changed();
    return customer_skin;
}

// ---- loading -------------------------------------------------------------

namespace {

// The five icons of theme `number` for one output: full size into `full`
// (may be nullptr: then only the small copies are kept) and 60% into `small`.
int load_icon_set(const char *root, int number, int out, Picture *full, Picture *small)
{
    char path[256];
    for (int i = 0; i < THEME_ICONS; i++) {
        icon_path(path, sizeof(path), root, number, out, i);
        if (!full) {
            if (picture_open_scaled(small[i], path, THEME_SMALL_ZOOM) != 0)
                return -1;
            continue;
        }
        if (picture_open(full[i], path, 1) != 0)
            return -1;
        picture_scaled_of(small[i], full[i], THEME_SMALL_ZOOM);
    }
    return 0;
}

void free_icons(int out)
{
    for (int i = 0; i < THEME_ICONS; i++) {
        free_slot(theme_pics.icon[out][i]);
        free_slot(theme_pics.icon_small[out][i]);
    }
}

} // namespace

int load_theme_icons(void)
{
    for (int out = 0; out < 2; out++) {
        free_icons(out);
        if (load_icon_set(theme_root(), current_theme_number(), out, theme_pics.icon[out],
                          theme_pics.icon_small[out]) != 0)
            return -1;
    }
    return 0;
}

int load_background(void)
{
    char path[256];
    for (int out = 0; out < 2; out++)
        free_slot(theme_pics.wallpaper[out]);
    for (int out = 0; out < 2; out++) {
        wallpaper_path(path, sizeof(path), wallpaper_root(), out, current_wallpaper_number());
        if (picture_open(theme_pics.wallpaper[out], path, 0) != 0)
            return -1;
    }
    return load_theme_icons();
}

// ---- number lists --------------------------------------------------------

namespace {

// Names that do not start with a digit carry no number (they would all read
// as 0 and offer a picture that does not exist).
bool numbered(const char *name)
{
    return isdigit(static_cast<unsigned char>(name[0])) != 0;
}

int add_number(int *out, int count, int number)
{
    for (int i = 0; i < count; i++)
        if (out[i] == number)
            return count;
    out[count] = number;
    return count + 1;
}

} // namespace

int list_skin_numbers(const char *root, int out[THEME_LIST_MAX])
{
    const std::string hdmi = std::string(root) + "/hdmi";
    DIR *d = dev_opendir(hdmi.c_str());
    if (!d) {
        printf(THEME_FOLDER_UNREADABLE_TEXT, "get_bkicon_by_dir");
        return 0;
    }
    int count = 0;
    const struct dirent *e;
    while (count < THEME_LIST_MAX && (e = readdir(d)) != nullptr) {
        if (!numbered(e->d_name) || !strstr(e->d_name, ".jpg") || dev_entry_is_folder(hdmi, e))
            continue;
        const std::string lcd = std::string(root) + "/lcd/" + e->d_name;
        if (dev_exists(lcd.c_str()))
            count = add_number(out, count, atoi(e->d_name));
    }
    closedir(d);
    std::sort(out, out + count);
    return count;
}

int get_theme_by_dir(const char *root, int out[THEME_LIST_MAX])
{
    DIR *d = dev_opendir(root);
    if (!d) {
        printf(THEME_ROOT_UNREADABLE_TEXT, "get_theme_by_dir", root);
        return 0;
    }
    int count = 0;
    const struct dirent *e;
    while (count < THEME_LIST_MAX && (e = readdir(d)) != nullptr) {
        if (!numbered(e->d_name))
            continue;
        const std::string lcd = std::string(root) + "/" + e->d_name + "/lcd";
        if (dev_exists(lcd.c_str()))
            count = add_number(out, count, atoi(e->d_name));
    }
    closedir(d);
    std::sort(out, out + count);
    return count;
}

void fill_theme_lists(void)
{
    theme_lists.wallpapers.count = list_skin_numbers(wallpaper_root(), theme_lists.wallpapers.numbers);
    theme_lists.themes.count = get_theme_by_dir(theme_root(), theme_lists.themes.numbers);
}

// ---- previews ------------------------------------------------------------

void free_theme_previews(void)
{
    for (auto &set : theme_previews.icon)
        for (Picture &s : set)
            free_slot(s);
}

void free_wallpaper_previews(void)
{
    for (Picture &s : theme_previews.wallpaper)
        free_slot(s);
}

int theme_preview(int index)
{
    free_theme_previews();
    if (index < 0 || index >= theme_lists.themes.count)
        return -1;
    int rc = 0;
    for (int out = 0; out < 2; out++)
        if (load_icon_set(theme_root(), theme_lists.themes.numbers[index], out, nullptr, theme_previews.icon[out]) != 0)
            rc = -1;
    request_redraw();
    return rc;
}

int wallpaper_preview(int index)
{
    free_wallpaper_previews();
    if (index < 0 || index >= theme_lists.wallpapers.count)
        return -1;
    int rc = 0;
    char path[256];
    for (int out = 0; out < 2; out++) {
        wallpaper_path(path, sizeof(path), wallpaper_root(), out, theme_lists.wallpapers.numbers[index]);
        if (picture_open(theme_previews.wallpaper[out], path, 0) != 0)
            rc = -1;
    }
    request_redraw();
    return rc;
}

void take_wallpaper_previews(void)
{
    // A preview that could not be read keeps the current wallpaper of its
    // output; one not drawn yet is decoded when the wallpaper first is.
    for (int out = 0; out < 2; out++)
        picture_copy(theme_pics.wallpaper[out], theme_previews.wallpaper[out]);
    request_redraw();
}

// ---- screen save ---------------------------------------------------------

void save_screen(void)
{
    SDL_Surface *src = current_surface();
    if (!src || !scratch_surface)
        return;
    SDL_Rect at = {0, 0, 0, 0};
    SDL_BlitSurface(src, nullptr, scratch_surface, &at);
}

void restore_screen(SDL_Surface *dst)
{
    if (!dst || !scratch_surface)
        return;
    SDL_Rect area = {0, 0, static_cast<Uint16>(dst->w), static_cast<Uint16>(dst->h)};
    SDL_Rect at = {0, 0, 0, 0};
    SDL_BlitSurface(scratch_surface, &area, dst, &at);
}

void free_backgrounds(void)
{
    for (int out = 0; out < 2; out++) {
        free_slot(theme_pics.wallpaper[out]);
        free_icons(out);
    }
    free_theme_previews();
    free_wallpaper_previews();
}

// ---- TF card changes -----------------------------------------------------

void themes_set_open_page_query(int (*open_page_item)(void))
{
    open_page_query = open_page_item;
}

namespace {

// The wallpaper and theme pages list the numbers of the old set: leave them.
void leave_theme_pages(void)
{
    if (screen != SCREEN_SETTINGS_PAGE || !open_page_query)
        return;
    const int item = open_page_query();
    if (item != ITEM_THEME_PAGE && item != ITEM_WALLPAPER_PAGE)
        return;
    free_theme_previews();
    free_wallpaper_previews();
    screen = SCREEN_ROOMS;
}

} // namespace

int themes_card_changed(int inserted)
{
    if (inserted) {
        if (customer_skin || !dev_exists(SKIN_DIR))
            return 0;
        customer_skin = 1;
        validate_skin_choice();
        if (customer_skin) {
            load_background();
            leave_theme_pages();
        }
        printf(SKIN_CHOSEN_TEXT, "set_tfcard_in_res", customer_skin);
        request_redraw();
        return customer_skin;
    }
    if (!customer_skin)
        return 0;
    customer_skin = 0;
    printf(SKIN_CHOSEN_TEXT, "set_tfcard_out_res", 0);
    load_background();
    leave_theme_pages();
    request_redraw();
    return 1;
}
