#pragma once

// Wallpapers and themes: the background of the library screens and the five
// room icons, from the built-in set under /mnt/vendor or, while a TF card
// carries a complete skin folder, from /mnt/sdcard/skin (the customer skin).
// Also the lists of available numbers and the previews of the settings pages,
// and saving the screen under a message box.

#include "porta/ui/picture.h"

#include <SDL/SDL.h>

constexpr const char SKIN_DIR[] = "/mnt/sdcard/skin/";
constexpr const char SKIN_WALLPAPER_ROOT[] = "/mnt/sdcard/skin/wallpapers";
constexpr const char SKIN_THEME_ROOT[] = "/mnt/sdcard/skin/theme";
constexpr const char VENDOR_WALLPAPER_ROOT[] = "/mnt/vendor/wallpapers";
constexpr const char VENDOR_THEME_ROOT[] = "/mnt/vendor/theme";

constexpr int THEME_ICONS = 5;           // one per room
constexpr int THEME_LIST_MAX = 20;       // numbers offered by a settings page
constexpr double THEME_SMALL_ZOOM = 0.6; // the rooms that are not highlighted

// 1 while the card set is used.
extern int customer_skin;

// Current pictures, by output (OUTPUT_LCD, OUTPUT_HDMI), decoded when first
// drawn (porta/ui/picture.h); nullptr where a picture is missing (drawing
// skips it; a missing wallpaper is black).
struct ThemePictures {
    Picture wallpaper[2];
    Picture icon[2][THEME_ICONS];       // full size
    Picture icon_small[2][THEME_ICONS]; // 60% copies of the full ones
};
extern ThemePictures theme_pics;

// Candidates shown by the theme and background pages.
struct ThemePreviews {
    Picture icon[2][THEME_ICONS]; // 60%
    Picture wallpaper[2];
};
extern ThemePreviews theme_previews;

// Numbers offered by a settings page (ascending, at most 20).
struct SkinNumbers {
    int numbers[THEME_LIST_MAX];
    int count = 0;
};
// The background page's wallpaper numbers and the theme page's theme numbers.
struct ThemeLists {
    SkinNumbers wallpapers;
    SkinNumbers themes;
};
extern ThemeLists theme_lists;

// With the skin on: falls back to the built-in set when the card theme
// `sd_theme` or the card wallpaper `sd_wallpaper` is incomplete, resetting that
// number to 0; the record is saved when a number changed. Returns the skin
// switch afterwards.
int validate_skin_choice(void);

// Sets up the wallpapers and the theme icons (full size and 60%) of both
// outputs from the set chosen by the skin switch; each is decoded when first
// drawn. Returns 0, or -1 at the first file that cannot be read (the rest is
// not attempted).
int load_background(void);

// Sets up only the theme icons of both outputs (a new theme chosen in the
// settings). Returns 0 or -1.
int load_theme_icons(void);

// Wallpaper numbers under `root` (root/hdmi/N*.jpg that also exist in
// root/lcd), theme numbers under `root` (folders N holding N/lcd): at most 20,
// sorted, into `out`. Return the count (0 when the folder cannot be read).
int list_skin_numbers(const char *root, int out[THEME_LIST_MAX]);
int get_theme_by_dir(const char *root, int out[THEME_LIST_MAX]);

// Fills theme_lists from the current set.
void fill_theme_lists(void);

// The theme or wallpaper numbers in use with the current set.
int current_theme_number(void);
int current_wallpaper_number(void);

// Set up the candidate of list row `index` for both outputs (the previous
// previews are freed; each is decoded when first drawn). Return 0, or -1 when
// the index is out of range or a file cannot be read.
int theme_preview(int index);
int wallpaper_preview(int index);
void free_theme_previews(void);
void free_wallpaper_previews(void);
// The previewed wallpapers become the current ones (the background page's A);
// an output whose preview file could not be read keeps its wallpaper.
void take_wallpaper_previews(void);

// Copies the current output's picture into the scratch surface, and back.
void save_screen(void);
void restore_screen(SDL_Surface *dst);

// Frees the wallpapers, theme icons and previews.
void free_backgrounds(void);

// The skin part of a TF card change: on insertion the card set is used when
// it has a complete skin folder; on removal the built-in set comes back. The
// wallpaper and theme pages of the settings are left for the rooms when the
// set changes under them. Returns 1 when the set changed.
int themes_card_changed(int inserted);

// The settings menu tells which item's page is open (-1 none); until it does,
// no page is taken for open.
void themes_set_open_page_query(int (*open_page_item)(void));
