#include "vantor/render.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <SDL/SDL_image.h>
#include <SDL/SDL_rotozoom.h>

#include "common/devroot.h"
#include "common/ttf_text.h"
#include "vantor/hardware.h"
#include "vantor/menu.h"
#include "vantor/settings.h"

namespace {

// What this module prints. The firmware's logs and the tests rely on these
// bytes: change a text only together with them.
constexpr char FONT_FALLBACK_MESSAGE[] = "vantor: cannot open the font %s, using Oswald-Regular.ttf\n";
constexpr char NO_FONT_MESSAGE[] = "vantor: no font in /mnt/mmc/CFW/font: texts are not shown\n";

} // namespace

// --- Pure layout rules --------------------------------------------------------------------

int rom_window_start(int selected, int count)
{
    if (selected < 3 || count < 9)
        return 0;
    return selected - 3;
}

std::string rom_display_name(const char *path)
{
    if (!path)
        return std::string();
    const char *slash = strrchr(path, '/');
    const std::string file(slash ? slash + 1 : path);
    std::string name(file);
    size_t cut = name.rfind('#');
    if (cut != std::string::npos)
        name.resize(cut);
    cut = name.rfind('.');
    if (cut != std::string::npos)
        name.resize(cut);
    cut = name.find_first_of("([");
    if (cut != std::string::npos)
        name.resize(cut);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    // A name made only of tags or dots would show as nothing at all.
    if (name.empty())
        return file;
    return name;
}

namespace {

// Number of bytes of the first `chars` characters of UTF-8 text.
size_t utf8_prefix(const std::string &s, size_t chars)
{
    size_t i = 0;
    while (i < s.size() && chars > 0) {
        i++;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
            i++;
        chars--;
    }
    return i;
}

size_t utf8_length(const std::string &s)
{
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            n++;
    return n;
}

} // namespace

std::string system_tile_text(const char *folder_name)
{
    std::string name(folder_name ? folder_name : "");
    if (utf8_length(name) > 10)
        return name.substr(0, utf8_prefix(name, 7)) + "...";
    return name;
}

int guide_spacing(const int icon_widths[4], const int label_widths[4], int text_visible)
{
    int total = 0;
    for (int k = 0; k < 4; k++) {
        total += icon_widths[k];
        if (text_visible)
            total += label_widths[k];
    }
    return (SCREEN_WIDTH - total) / 5;
}

void format_title(char *out, size_t size, const char *format, const char *version)
{
    if (!out || size == 0)
        return;
    std::string text;
    bool version_used = false;
    for (const char *p = format ? format : ""; *p; p++) {
        if (p[0] == '%' && p[1] == 's' && !version_used) {
            text += version;
            version_used = true;
            p++;
        } else if (p[0] == '%' && p[1] == '%') {
            text += '%';
            p++;
        } else {
            text += *p;
        }
    }
    copy_text(out, size, text.c_str());
}

std::string clock_text(const struct tm &t, int use12hour, const char *am, const char *pm)
{
    char buf[300];
    if (use12hour) {
        int hour = t.tm_hour > 11 ? t.tm_hour - 12 : t.tm_hour;
        if (hour == 0)
            hour = 12;
        snprintf(buf, sizeof(buf), "%02d:%02d %s", hour, t.tm_min, t.tm_hour > 11 ? pm : am);
    } else {
        snprintf(buf, sizeof(buf), "%02d:%02d", t.tm_hour, t.tm_min);
    }
    return buf;
}

namespace {

time_t system_wall_clock()
{
    return time(nullptr);
}

} // namespace

time_t (*menu_wall_clock)() = system_wall_clock;

time_t read_current_time(struct tm *out)
{
    const time_t now = menu_wall_clock();
    localtime_r(&now, out);
    return now;
}

// --- Loading ---------------------------------------------------------------------------------

SDL_Surface *render_text(TTF_Font *font, const char *text, SDL_Color color)
{
    // Every text the menu shows (file names, playlist paths, MAME titles,
    // skin and language strings) passes here: ttf_render_blended hands SDL_ttf
    // only texts it draws inside the surface (see common/ttf_text.h).
    return ttf_render_blended(font, text, color);
}

SDL_Surface *load_image(const char *path)
{
    SDL_Surface *image = IMG_Load(dev_path(path).c_str());
    if (!image)
        return nullptr;
    if (!SDL_GetVideoSurface())
        return image;
    SDL_Surface *converted = image->format->Amask ? SDL_DisplayFormatAlpha(image) : SDL_DisplayFormat(image);
    if (!converted)
        return image;
    SDL_FreeSurface(image);
    return converted;
}

namespace {

int surface_width(const Surface &s)
{
    return s ? s->w : 0;
}

int surface_height(const Surface &s)
{
    return s ? s->h : 0;
}

TTF_Font *open_font(const char *file_name, int size)
{
    char path[4200];
    snprintf(path, sizeof(path), "/mnt/mmc/CFW/font/%s", file_name);
    if (size <= 0)
        size = 28;
    return TTF_OpenFont(dev_path(path).c_str(), size);
}

} // namespace

int load_language_fonts(SkinResources &res, const char *language)
{
    copy_text(res.language, sizeof(res.language), language);
    copy_text(res.font_path, sizeof(res.font_path), get_skin_setting(language, "font", "Oswald-Regular.ttf"));
    copy_text(res.iso_code, sizeof(res.iso_code), get_skin_setting(language, "iso-code", "en"));
    // A size the screen cannot hold (a typing slip such as 2800) would build
    // huge glyph caches and render nothing legible: the default stands in.
    res.font_size =
        size_setting(get_skin_setting(language, "font-size", "28"), MIN_FONT_SIZE, MAX_FONT_SIZE, DEFAULT_FONT_SIZE);
    res.guide_font_size = size_setting(get_skin_setting(language, "button-guide-font-size", "28"), MIN_FONT_SIZE,
                                       MAX_FONT_SIZE, DEFAULT_FONT_SIZE);
    res.font.reset(open_font(res.font_path, res.font_size));
    res.guide_font.reset(open_font(res.font_path, res.guide_font_size));
    if ((!res.font || !res.guide_font) && strcmp(res.font_path, "Oswald-Regular.ttf") != 0) {
        fprintf(stderr, FONT_FALLBACK_MESSAGE, res.font_path);
        if (!res.font)
            res.font.reset(open_font("Oswald-Regular.ttf", res.font_size));
        if (!res.guide_font)
            res.guide_font.reset(open_font("Oswald-Regular.ttf", res.guide_font_size));
    }
    if (!res.font || !res.guide_font)
        fputs(NO_FONT_MESSAGE, stderr);
    return res.font && res.guide_font ? 0 : -1;
}

void load_skin_images(SkinResources &res)
{
    res.text_margin = 16;
    res.text_alignment = get_text_alignment(&res.text_margin);
    res.main_menu_text_visible = get_main_menu_text_visibility();
    res.guide_text_visible = get_guide_button_text_visibility();
    res.guide_color = get_color("color-guide");
    res.active_color = get_color("color-active");
    res.inactive_color = get_color("color-inactive");
    res.favorite_active_color = get_color("color-favorite-active");
    res.favorite_inactive_color = get_color("color-favorite-inactive");

    res.background.reset(load_image("skin/background.png"));
    res.recent_overlay.reset(load_image("skin/recent-overlay.png"));
    res.game_overlay.reset(load_image("skin/game-overlay.png"));
    res.arrow.reset(load_image("skin/arrow.png"));
    res.logo.reset(load_image("skin/logo.png"));
    const char *const power[5] = {"skin/power-0%-icon.png", "skin/power-20%-icon.png", "skin/power-50%-icon.png",
                                  "skin/power-80%-icon.png", "skin/power-full-icon.png"};
    for (int i = 0; i < 5; i++) {
        res.power[i].reset(load_image(power[i]));
        char path[64];
        snprintf(path, sizeof(path), "skin/charging-%02d.png", i + 1);
        res.charging[i].reset(load_image(path));
    }
    res.cpu1488.reset(load_image("skin/oc-16.png"));
    res.cpu1296.reset(load_image("skin/oc-13.png"));
    res.cpu720.reset(load_image("skin/uc-07.png"));
    res.cpu504.reset(load_image("skin/uc-05.png"));
    const char *const guide[4] = {"skin/icon-dpad-54.png", "skin/icon-A-54.png", "skin/icon-B-54.png",
                                  "skin/icon-Y-54.png"};
    for (int i = 0; i < 4; i++)
        res.guide_icons[i].reset(load_image(guide[i]));
    res.remove_icon.reset(load_image("skin/icon-X-54.png"));
    const char *const home[4] = {"recent", "favorite", "game", "retroarch"};
    for (int i = 0; i < 4; i++) {
        char path[64];
        snprintf(path, sizeof(path), "skin/ic-%s-f.png", home[i]);
        res.home_focused[i].reset(load_image(path));
        snprintf(path, sizeof(path), "skin/ic-%s-n.png", home[i]);
        res.home_normal[i].reset(load_image(path));
    }
    res.system_focused.reset(load_image("skin/ic-system-f.png"));
    res.system_normal.reset(load_image("skin/ic-system-n.png"));
}

void compute_layout(SkinResources &res)
{
    res.logo_pos = {16, 8, 0, 0};
    res.title_pos = {static_cast<Sint16>(res.logo_pos.x + 48), 8, 0, 0};
    res.battery_pos = {static_cast<Sint16>(SCREEN_WIDTH - surface_width(res.power[0]) - 16), 4, 0, 0};
    res.clock_pos = {static_cast<Sint16>(res.battery_pos.x - surface_width(res.clock) - 16), 8, 0, 0};

    int icon_widths[4], label_widths[4];
    for (int k = 0; k < 4; k++) {
        icon_widths[k] = surface_width(res.guide_icons[k]);
        label_widths[k] = surface_width(res.guide_labels[k]);
    }
    const int spacing = guide_spacing(icon_widths, label_widths, res.guide_text_visible);
    int right = 0;
    for (int k = 0; k < 4; k++) {
        const int icon_x = right + spacing;
        const int icon_y = SCREEN_HEIGHT - surface_height(res.guide_icons[k]) - 8;
        res.guide_icon_pos[k] = {static_cast<Sint16>(icon_x), static_cast<Sint16>(icon_y), 0, 0};
        const int label_x = icon_x + icon_widths[k];
        const int label_y = icon_y + (surface_height(res.guide_icons[k]) - surface_height(res.guide_labels[k])) / 2;
        res.guide_label_pos[k] = {static_cast<Sint16>(label_x), static_cast<Sint16>(label_y), 0, 0};
        right = res.guide_text_visible ? label_x + label_widths[k] : icon_x + icon_widths[k];
    }

    const int remove_width =
        surface_width(res.remove_icon) + (res.guide_text_visible ? surface_width(res.remove_label) : 0);
    const int remove_x = (SCREEN_WIDTH - remove_width) / 2;
    const int remove_y = res.clock_pos.y - 8;
    res.remove_icon_pos = {static_cast<Sint16>(remove_x), static_cast<Sint16>(remove_y), 0, 0};
    res.remove_label_pos = {static_cast<Sint16>(remove_x + surface_width(res.remove_icon)),
                            static_cast<Sint16>(remove_y), 0, 0};

    int total = 0;
    for (int m = 0; m < 4; m++)
        total += surface_width(res.home_focused[m]);
    int x = (SCREEN_WIDTH - total) / 2;
    const int y = (SCREEN_HEIGHT - surface_height(res.home_focused[HOME_RECENT])) / 2;
    for (int m = 0; m < 4; m++) {
        res.home_icon_pos[m] = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
        const int label_x = x + (surface_width(res.home_focused[m]) - surface_width(res.home_active[m])) / 2;
        res.home_label_pos[m] = {static_cast<Sint16>(label_x), static_cast<Sint16>(y + 168), 0, 0};
        x += surface_width(res.home_focused[m]);
    }
}

void render_labels(SkinResources &res, int messages)
{
    const char *lang = res.language;
    const char *const guide_keys[4][2] = {
        {"navigate-label", "NAVIGATE"}, {"open-label", "OPEN"}, {"back-label", "BACK"}, {"favorite-label", "FAVORITE"}};
    for (int k = 0; k < 4; k++) {
        copy_text(res.guide_texts[k], LABEL_BUFFER_SIZE, get_skin_setting(lang, guide_keys[k][0], guide_keys[k][1]));
        res.guide_labels[k].reset(render_text(res.guide_font.get(), res.guide_texts[k], res.guide_color));
    }
    copy_text(res.remove_text, LABEL_BUFFER_SIZE, get_skin_setting(lang, "remove-label", "REMOVE"));
    res.remove_label.reset(render_text(res.font.get(), res.remove_text, res.guide_color));

    const char *const home_keys[4][2] = {{"recent-label", "Recent"},
                                         {"favorites-label", "Favorites"},
                                         {"consoles-label", "Consoles"},
                                         {"retroarch-label", "RetroArch"}};
    for (int m = 0; m < 4; m++) {
        copy_text(res.home_texts[m], LABEL_BUFFER_SIZE, get_skin_setting(lang, home_keys[m][0], home_keys[m][1]));
        res.home_active[m].reset(render_text(res.font.get(), res.home_texts[m], res.active_color));
        res.home_inactive[m].reset(render_text(res.font.get(), res.home_texts[m], res.inactive_color));
    }
    copy_text(res.am_text, LABEL_BUFFER_SIZE, get_skin_setting(lang, "am-label", "AM"));
    copy_text(res.pm_text, LABEL_BUFFER_SIZE, get_skin_setting(lang, "pm-label", "PM"));

    if (messages) {
        std::string empty = get_skin_setting(lang, "empty-label", "Nothing to see here! Move along!");
        res.empty_message.reset(render_text(res.font.get(), empty.c_str(), res.inactive_color));
        std::string states = get_skin_setting(lang, "savestates-unsupported", "This core doesn't support savestates!");
        res.savestates_message.reset(render_text(res.font.get(), states.c_str(), res.inactive_color));
    }

    res.language_names.clear();
    for (int i = 0; i < res.language_count; i++)
        res.language_names.emplace_back(render_text(res.font.get(), res.languages[i], res.guide_color));
    res.language_index = -1;
    for (int i = 0; i < res.language_count; i++) {
        if (strcmp(res.languages[i], res.language) == 0) {
            res.language_index = i;
            break;
        }
    }
    compute_layout(res);
}

void render_clock(SkinResources &res)
{
    res.clock_seconds = read_current_time(&res.clock_time);
    res.use12hour = get_12hour_flag();
    const std::string text = clock_text(res.clock_time, res.use12hour, res.am_text, res.pm_text);
    res.clock.reset(render_text(res.font.get(), text.c_str(), res.guide_color));
    res.clock_pos.x = static_cast<Sint16>(res.battery_pos.x - surface_width(res.clock) - 16);
    res.clock_pos.y = 8;
}

void reload_language_resources(SkinResources &res, const char *language)
{
    std::string name(language ? language : "English");
    load_language_fonts(res, name.c_str());
    render_labels(res, 0);
    render_clock(res);
}

void free_skin_resources(SkinResources &res)
{
    Surface *groups[] = {
        &res.background,     &res.recent_overlay, &res.game_overlay, &res.arrow,         &res.logo,
        &res.cpu1488,        &res.cpu1296,        &res.cpu720,       &res.cpu504,        &res.remove_icon,
        &res.system_focused, &res.system_normal,  &res.remove_label, &res.empty_message, &res.savestates_message,
        &res.clock};
    for (Surface *s : groups)
        s->reset();
    for (int i = 0; i < 5; i++) {
        res.power[i].reset();
        res.charging[i].reset();
    }
    for (int i = 0; i < 4; i++) {
        res.guide_icons[i].reset();
        res.guide_labels[i].reset();
        res.home_focused[i].reset();
        res.home_normal[i].reset();
        res.home_active[i].reset();
        res.home_inactive[i].reset();
    }
    for (Surface &s : res.tiles)
        s.reset();
    for (Surface &s : res.rows)
        s.reset();
    res.language_names.clear();
    destroy_items(res.language_count, &res.languages);
    res.languages = nullptr;
    res.language_count = 0;
    res.font.reset();
    res.guide_font.reset();
}

// --- Tiles and rows -------------------------------------------------------------------------

void generate_system_texts(TTF_Font *font, SDL_Color color, Surface tiles[TILES_PER_PAGE], int count, char **folders)
{
    for (int i = 0; i < TILES_PER_PAGE; i++) {
        tiles[i].reset();
        if (!folders || i >= count)
            continue;
        const char *slash = strrchr(folders[i], '/');
        const char *name = slash ? slash + 1 : folders[i];
        std::string picture = std::string("skin/system/") + name + ".png";
        tiles[i].reset(load_image(picture.c_str()));
        if (!tiles[i])
            tiles[i].reset(render_text(font, system_tile_text(name).c_str(), color));
    }
}

void generate_rom_texts(TTF_Font *font, SDL_Color active, SDL_Color inactive, SDL_Color favorite_active,
                        SDL_Color favorite_inactive, int selected, int count, char **items, Surface rows[VISIBLE_ROWS])
{
    const int start = rom_window_start(selected, count);
    if (items && start < count)
        ensure_mame_game_name_table(); // any folder's file may carry a MAME short name
    for (int i = 0; i < VISIBLE_ROWS; i++) {
        const int index = start + i;
        rows[i].reset();
        if (!items || index >= count)
            continue;
        const bool favorite = is_favorited(items[index]) != 0;
        std::string name = rom_display_name(items[index]);
        const char *title = get_mame_game_name(name.c_str());
        if (title)
            name = title;
        SDL_Color color;
        if (index == selected)
            color = favorite ? favorite_active : active;
        else
            color = favorite ? favorite_inactive : inactive;
        rows[i].reset(render_text(font, name.c_str(), color));
    }
}

// --- Background pictures ----------------------------------------------------------------------

int get_auto_state_screenshot_path(const char *item_path, char *out)
{
    return find_auto_state_screenshot(item_path, out);
}

SDL_Surface *get_background_override(const char *item_path, int state, SDL_Surface *screen, int convert)
{
    if (!item_path)
        return nullptr;
    char path[PATH_BUFFER_SIZE];
    const int kind = get_background_override_path(item_path, state == STATE_RECENT, path);
    if (kind == 0)
        return nullptr;
    SDL_Surface *picture = IMG_Load(dev_path(path).c_str());
    if (!picture)
        return nullptr;
    if (state == STATE_RECENT) {
        SDL_Surface *big = zoomSurface(picture, 4.0, 4.0, SMOOTHING_OFF);
        SDL_FreeSurface(picture);
        if (!big)
            return nullptr;
        picture = big;
    }
    if (picture->w <= 0 || picture->h <= 0) {
        SDL_FreeSurface(picture);
        return nullptr;
    }
    double zx = static_cast<double>(SCREEN_WIDTH) / picture->w;
    double zy = static_cast<double>(SCREEN_HEIGHT) / picture->h;
    if (keep_aspect_ratio) {
        const double z = zx < zy ? zx : zy;
        zx = zy = z;
    }
    SDL_Surface *scaled = zoomSurface(picture, zx, zy, SMOOTHING_ON);
    SDL_FreeSurface(picture);
    if (!scaled)
        return nullptr;
    if (convert && screen) {
        SDL_Surface *converted = SDL_ConvertSurface(scaled, screen->format, 0);
        if (converted) {
            SDL_FreeSurface(scaled);
            scaled = converted;
        }
    }
    return scaled;
}

// --- Drawing ---------------------------------------------------------------------------------

namespace {

void blit_at(SDL_Surface *screen, SDL_Surface *surface, int x, int y)
{
    if (!screen || !surface)
        return;
    SDL_Rect rect = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(surface, nullptr, screen, &rect);
}

void blit_at(SDL_Surface *screen, const Surface &surface, const SDL_Rect &pos)
{
    blit_at(screen, surface.get(), pos.x, pos.y);
}

void blit_centered(SDL_Surface *screen, const Surface &surface)
{
    if (!surface)
        return;
    blit_at(screen, surface.get(), (SCREEN_WIDTH - surface->w) / 2, (SCREEN_HEIGHT - surface->h) / 2);
}

SDL_Surface *cpu_icon(SkinResources &res, int speed)
{
    switch (speed) {
    case 1488000: return res.cpu1488.get();
    case 1296000: return res.cpu1296.get();
    case 720000: return res.cpu720.get();
    case 504000: return res.cpu504.get();
    default: return nullptr;
    }
}

void draw_list(SDL_Surface *screen, SkinResources &res, MenuModel &model)
{
    const bool recent = model.state == STATE_RECENT;
    const int start = rom_window_start(model.row, model.item_count);
    const int row_height = surface_height(res.rows[0]);
    bool drawn = false;
    for (int i = 0; i < VISIBLE_ROWS; i++) {
        const Surface &row = res.rows[i];
        if (!row)
            continue;
        if (recent && start + i != model.row)
            continue;
        int x;
        if (recent || res.text_alignment == ALIGN_CENTER)
            x = (SCREEN_WIDTH - row->w) / 2;
        else if (res.text_alignment == ALIGN_LEFT)
            x = res.text_margin;
        else
            x = SCREEN_WIDTH - res.text_margin - row->w;
        int y;
        if (recent)
            y = SCREEN_HEIGHT - row_height - 70;
        else
            y = row_height * i + (SCREEN_HEIGHT - row_height * VISIBLE_ROWS) / 2;
        blit_at(screen, row.get(), x, y);
        drawn = true;
    }
    if (!drawn)
        blit_centered(screen, res.empty_message);
    else if (recent && !model.background_override)
        blit_centered(screen, res.savestates_message);
}

void draw_consoles(SDL_Surface *screen, SkinResources &res, MenuModel &model)
{
    const int width = surface_width(res.system_focused);
    const int height = surface_height(res.system_focused);
    for (int r = 0; r < 2; r++) {
        for (int k = 0; k < 4; k++) {
            const int x = width * k + (SCREEN_WIDTH - 4 * width) / 2;
            const int y = height * r + (SCREEN_HEIGHT - 2 * height) / 2;
            const bool selected = r == model.row && k == model.column;
            blit_at(screen, selected ? res.system_focused.get() : res.system_normal.get(), x, y);
            const Surface &tile = res.tiles[r * 4 + k];
            if (tile)
                blit_at(screen, tile.get(), x + (width - tile->w) / 2, y + (height - tile->h) / 2);
        }
    }
}

} // namespace

void draw_frame(SDL_Surface *screen, SkinResources &res, MenuModel &model)
{
    const bool recent_with_override = model.state == STATE_RECENT && model.background_override;
    if (!recent_with_override) {
        if (res.background)
            blit_at(screen, res.background, {0, 0, 0, 0});
        else
            SDL_FillRect(screen, nullptr, 0);
    }
    if (model.background_override) {
        SDL_Surface *bg = model.background_override.get();
        if (model.state == STATE_RECENT && keep_aspect_ratio) {
            SDL_FillRect(screen, nullptr, 0);
            blit_at(screen, bg, (SCREEN_WIDTH - bg->w) / 2, (SCREEN_HEIGHT - bg->h) / 2);
        } else {
            if (model.state == STATE_RECENT)
                SDL_FillRect(screen, nullptr, 0);
            blit_at(screen, bg, 0, 0);
        }
    }
    if (recent_with_override)
        blit_at(screen, res.recent_overlay, {0, 0, 0, 0});
    else if ((model.state == STATE_GAMES || model.state == STATE_FAVORITES) && model.background_override &&
             res.game_overlay)
        blit_at(screen, res.game_overlay, {0, 0, 0, 0});

    blit_at(screen, res.logo, res.logo_pos);
    if (!(model.state == STATE_HOME && !res.main_menu_text_visible))
        blit_at(screen, model.title, res.title_pos);
    blit_at(screen, res.clock, res.clock_pos);

    const int level = get_power_index();
    if (level >= 0 && level < 5)
        blit_at(screen, is_charging() ? res.charging[level] : res.power[level], res.battery_pos);
    blit_at(screen, cpu_icon(res, model.cpu_speed), res.battery_pos.x, res.battery_pos.y);

    switch (model.state) {
    case STATE_HOME:
        for (int m = 0; m < 4; m++) {
            const bool selected = m == model.column;
            blit_at(screen, selected ? res.home_focused[m] : res.home_normal[m], res.home_icon_pos[m]);
            blit_at(screen, selected ? res.home_active[m] : res.home_inactive[m], res.home_label_pos[m]);
        }
        break;
    case STATE_CONSOLES: draw_consoles(screen, res, model); break;
    case STATE_GAMES:
    case STATE_FAVORITES:
    case STATE_RECENT: draw_list(screen, res, model); break;
    case STATE_SETTINGS: draw_settings(screen, res, model.column); break;
    }

    if (model.state == STATE_RECENT) {
        blit_at(screen, res.remove_icon, res.remove_icon_pos);
        if (res.guide_text_visible)
            blit_at(screen, res.remove_label, res.remove_label_pos);
    }
    for (int k = 0; k < 4; k++) {
        blit_at(screen, res.guide_icons[k], res.guide_icon_pos[k]);
        if (res.guide_text_visible)
            blit_at(screen, res.guide_labels[k], res.guide_label_pos[k]);
    }
}
