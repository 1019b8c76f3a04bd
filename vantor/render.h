#pragma once

// Screen layout and rendering of the front-end menu: the skin images, the
// pre-rendered text surfaces, the fixed geometry of every screen element and
// the drawing of one frame onto the 640x480 screen.

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

#include "vantor/content.h"
#include "vantor/skin.h"

constexpr int SCREEN_WIDTH = 640;
constexpr int SCREEN_HEIGHT = 480;
constexpr int VISIBLE_ROWS = 8;
constexpr int TILES_PER_PAGE = 8;

struct SurfaceFree {
    void operator()(SDL_Surface *s) const
    {
        if (s)
            SDL_FreeSurface(s);
    }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceFree>;

struct FontClose {
    void operator()(TTF_Font *f) const
    {
        if (f)
            TTF_CloseFont(f);
    }
};
using Font = std::unique_ptr<TTF_Font, FontClose>;

// Home entries, in column order.
enum HomeEntry { HOME_RECENT = 0, HOME_FAVORITES = 1, HOME_CONSOLES = 2, HOME_RETROARCH = 3 };

// Everything drawn that does not change with the selection: fonts, colours,
// skin images, the pre-rendered labels and the geometry computed from them.
struct SkinResources {
    // Language and fonts.
    char language[LABEL_BUFFER_SIZE] = "English";
    char iso_code[LABEL_BUFFER_SIZE] = "en";
    char font_path[PATH_BUFFER_SIZE] = "";
    int font_size = 28;
    int guide_font_size = 28;
    Font font;       // main font
    Font guide_font; // button-guide font

    // Skin settings.
    SDL_Color guide_color = {0, 0, 0, 0};
    SDL_Color active_color = {0, 0, 0, 0};
    SDL_Color inactive_color = {0, 0, 0, 0};
    SDL_Color favorite_active_color = {0, 0, 0, 0};
    SDL_Color favorite_inactive_color = {0, 0, 0, 0};
    int text_alignment = ALIGN_CENTER;
    int text_margin = 16;
    int main_menu_text_visible = 1;
    int guide_text_visible = 1;
    int use12hour = 0;

    // Skin images (null when missing; null images are not drawn).
    Surface background, recent_overlay, game_overlay, arrow, logo;
    Surface power[5];    // battery level 0..4
    Surface charging[5]; // same levels while charging
    Surface cpu1488, cpu1296, cpu720, cpu504;
    Surface guide_icons[4]; // d-pad, A, B, Y
    Surface remove_icon;    // X
    Surface home_focused[4], home_normal[4];
    Surface system_focused, system_normal;

    // Texts read from the language file.
    char title_text[256] = ""; // the header of Home ("title-label" formatted with the version)
    char guide_texts[4][LABEL_BUFFER_SIZE] = {};
    char remove_text[LABEL_BUFFER_SIZE] = "";
    char home_texts[4][LABEL_BUFFER_SIZE] = {};
    char am_text[LABEL_BUFFER_SIZE] = "AM";
    char pm_text[LABEL_BUFFER_SIZE] = "PM";

    // Pre-rendered text surfaces.
    Surface guide_labels[4];
    Surface remove_label;
    Surface home_active[4], home_inactive[4];
    Surface empty_message, savestates_message;
    Surface clock;
    Surface tiles[TILES_PER_PAGE]; // Consoles tiles of the current page
    Surface rows[VISIBLE_ROWS];    // list rows around the selection

    // The languages of lang/ and their rendered names.
    ItemList languages = nullptr;
    int language_count = 0;
    int language_index = -1;
    std::vector<Surface> language_names;

    // Time shown by the clock at its last refresh (local time), and the same
    // moment in seconds since the epoch.
    struct tm clock_time = {};
    time_t clock_seconds = 0;

    // Geometry.
    SDL_Rect logo_pos = {16, 8, 0, 0};
    SDL_Rect title_pos = {64, 8, 0, 0};
    SDL_Rect battery_pos = {0, 4, 0, 0};
    SDL_Rect clock_pos = {0, 8, 0, 0};
    SDL_Rect guide_icon_pos[4] = {};
    SDL_Rect guide_label_pos[4] = {};
    SDL_Rect remove_icon_pos = {};
    SDL_Rect remove_label_pos = {};
    SDL_Rect home_icon_pos[4] = {};
    SDL_Rect home_label_pos[4] = {};
};

constexpr const char *VERSION_TEXT = "1.4.9";

// --- Pure layout rules ------------------------------------------------------------

// First list index shown in the 8 row slots.
int rom_window_start(int selected, int count);
// The text a list row shows for a path (file name without tags and extension).
std::string rom_display_name(const char *path);
// The text of a Consoles tile without a picture: the folder name, shortened to
// its first 7 characters and "..." when longer than 10 characters.
std::string system_tile_text(const char *folder_name);
// Gap of the button guide: (640 - sum of the widths of the pairs) / 5.
int guide_spacing(const int icon_widths[4], const int label_widths[4], int text_visible);
// Formats "title-label" with the version: the first "%s" takes the version,
// "%%" is a percent sign and any other '%' stands for itself.
void format_title(char *out, size_t size, const char *format, const char *version);
// The clock text for a time: "%02d:%02d", or "%02d:%02d %s" in 12-hour mode.
std::string clock_text(const struct tm &t, int use12hour, const char *am, const char *pm);
// The system clock in seconds since the epoch (tests drive their own).
extern time_t (*menu_wall_clock)();
// The current local time (the clock and the Settings screen share this base);
// returns the same moment in seconds.
time_t read_current_time(struct tm *out);

// --- Loading and text surfaces --------------------------------------------------

// Renders text blended (made safe for SDL_ttf first); null for empty text or
// without a font.
SDL_Surface *render_text(TTF_Font *font, const char *text, SDL_Color color);
// Loads an image; null when missing. Converted to the screen format when a
// video mode is set.
SDL_Surface *load_image(const char *path);

// Reads the language settings ("font", "iso-code", the two font sizes) of
// `language` and opens both fonts. Returns 0, or -1 when no font could be opened.
int load_language_fonts(SkinResources &res, const char *language);
// Loads the skin: colours, alignment, visibility switches and images.
void load_skin_images(SkinResources &res);
// Renders every language-dependent label (guide, remove, Home labels, the two
// messages when `messages` is set, language names) and recomputes the layout.
void render_labels(SkinResources &res, int messages);
// Geometry of the header, the button guide, the remove hint and Home.
void compute_layout(SkinResources &res);
// Re-reads the time and renders the clock; its x follows its width.
void render_clock(SkinResources &res);
// Language change: reopens the fonts for `language` and renders every
// language-dependent surface again (the Home title and the two messages keep
// the start-up language).
void reload_language_resources(SkinResources &res, const char *language);
// Frees everything the resources hold.
void free_skin_resources(SkinResources &res);

// Fills the 8 tile surfaces for one Consoles page; `folders` points at the
// page's first folder and `count` is the number of folders from there on.
void generate_system_texts(TTF_Font *font, SDL_Color color, Surface tiles[TILES_PER_PAGE], int count, char **folders);
// Fills the 8 row surfaces for the window around the selected row.
void generate_rom_texts(TTF_Font *font, SDL_Color active, SDL_Color inactive, SDL_Color favorite_active,
                        SDL_Color favorite_inactive, int selected, int count, char **items, Surface rows[VISIBLE_ROWS]);

// The auto-save-state screenshot of an item: the newest
// <states>/<core>/<base>.state.auto.png. Returns 1 and fills `out` (PATH_BUFFER_SIZE bytes).
int get_auto_state_screenshot_path(const char *item_path, char *out);
// The background picture for an item in a state, scaled to the screen; the
// caller owns it. Null when there is none.
SDL_Surface *get_background_override(const char *item_path, int state, SDL_Surface *screen, int convert);

struct MenuModel;
// Draws one frame (everything but the flip).
void draw_frame(SDL_Surface *screen, SkinResources &res, MenuModel &model);
