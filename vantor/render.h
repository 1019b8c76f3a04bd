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

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;
constexpr int visibleRows = 8;
constexpr int tilesPerPage = 8;

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
enum HomeEntry { homeRecent = 0, homeFavorites = 1, homeConsoles = 2, homeRetroArch = 3 };

// Everything drawn that does not change with the selection: fonts, colours,
// skin images, the pre-rendered labels and the geometry computed from them.
struct SkinResources {
    // Language and fonts.
    char language[labelBufferSize] = "English";
    char isoCode[labelBufferSize] = "en";
    char fontPath[4097] = "";
    int fontSize = 28;
    int guideFontSize = 28;
    Font font;      // main font
    Font guideFont; // button-guide font

    // Skin settings.
    SDL_Color guideColor = {0, 0, 0, 0};
    SDL_Color activeColor = {0, 0, 0, 0};
    SDL_Color inactiveColor = {0, 0, 0, 0};
    SDL_Color favoriteActiveColor = {0, 0, 0, 0};
    SDL_Color favoriteInactiveColor = {0, 0, 0, 0};
    int textAlignment = alignCenter;
    int textMargin = 16;
    int mainMenuTextVisible = 1;
    int guideTextVisible = 1;
    int use12hour = 0;

    // Skin images (null when missing; null images are not drawn).
    Surface background, recentOverlay, gameOverlay, arrow, logo;
    Surface power[5];    // battery level 0..4
    Surface charging[5]; // same levels while charging
    Surface cpu1488, cpu1296, cpu720, cpu504;
    Surface guideIcons[4]; // d-pad, A, B, Y
    Surface removeIcon;    // X
    Surface homeFocused[4], homeNormal[4];
    Surface systemFocused, systemNormal;

    // Texts read from the language file.
    char guideTexts[4][labelBufferSize] = {};
    char removeText[labelBufferSize] = "";
    char homeTexts[4][labelBufferSize] = {};
    char amText[labelBufferSize] = "AM";
    char pmText[labelBufferSize] = "PM";

    // Pre-rendered text surfaces.
    Surface guideLabels[4];
    Surface removeLabel;
    Surface homeActive[4], homeInactive[4];
    Surface emptyMessage, savestatesMessage;
    Surface clock;
    Surface tiles[tilesPerPage]; // Consoles tiles of the current page
    Surface rows[visibleRows];   // list rows around the selection

    // The languages of lang/ and their rendered names.
    ItemList languages = nullptr;
    int languageCount = 0;
    int languageIndex = -1;
    std::vector<Surface> languageNames;

    // Time shown by the clock at its last refresh (local time), and the same
    // moment in seconds since the epoch.
    struct tm clockTime = {};
    time_t clockSeconds = 0;

    // Geometry.
    SDL_Rect logoPos = {16, 8, 0, 0};
    SDL_Rect titlePos = {64, 8, 0, 0};
    SDL_Rect batteryPos = {0, 4, 0, 0};
    SDL_Rect clockPos = {0, 8, 0, 0};
    SDL_Rect guideIconPos[4] = {};
    SDL_Rect guideLabelPos[4] = {};
    SDL_Rect removeIconPos = {};
    SDL_Rect removeLabelPos = {};
    SDL_Rect homeIconPos[4] = {};
    SDL_Rect homeLabelPos[4] = {};
};

// The header text of Home ("title-label" formatted with the version).
extern char titleText[256];
constexpr const char *versionText = "1.4.9";

// --- Pure layout rules ------------------------------------------------------------

// First list index shown in the 8 row slots.
int romWindowStart(int selected, int count);
// The text a list row shows for a path (file name without tags and extension).
std::string romDisplayName(const char *path);
// The text of a Consoles tile without a picture: the folder name, shortened to
// its first 7 characters and "..." when longer than 10 characters.
std::string systemTileText(const char *folderName);
// Gap of the button guide: (640 - sum of the widths of the pairs) / 5.
int guideSpacing(const int iconWidths[4], const int labelWidths[4], int textVisible);
// Formats "title-label" with the version: the first "%s" takes the version,
// "%%" is a percent sign and any other '%' stands for itself.
void formatTitle(char *out, size_t size, const char *format, const char *version);
// The clock text for a time: "%02d:%02d", or "%02d:%02d %s" in 12-hour mode.
std::string clockText(const struct tm &t, int use12hour, const char *am, const char *pm);
// The system clock in seconds since the epoch (tests drive their own).
extern time_t (*menuWallClock)();
// The current local time (the clock and the Settings screen share this base);
// returns the same moment in seconds.
time_t readCurrentTime(struct tm *out);

// --- Loading and text surfaces --------------------------------------------------

// Renders text blended (made safe for SDL_ttf first); null for empty text or
// without a font.
SDL_Surface *renderText(TTF_Font *font, const char *text, SDL_Color color);
// Loads an image; null when missing. Converted to the screen format when a
// video mode is set.
SDL_Surface *loadImage(const char *path);

// Reads the language settings ("font", "iso-code", the two font sizes) of
// `language` and opens both fonts. Returns 0, or -1 when no font could be opened.
int loadLanguageFonts(SkinResources &res, const char *language);
// Loads the skin: colours, alignment, visibility switches and images.
void loadSkinImages(SkinResources &res);
// Renders every language-dependent label (guide, remove, Home labels, the two
// messages when `messages` is set, language names) and recomputes the layout.
void renderLabels(SkinResources &res, int messages);
// Geometry of the header, the button guide, the remove hint and Home.
void computeLayout(SkinResources &res);
// Re-reads the time and renders the clock; its x follows its width.
void renderClock(SkinResources &res);
// Language change: reopens the fonts for `language` and renders every
// language-dependent surface again (the Home title and the two messages keep
// the start-up language).
void reloadLanguageResources(SkinResources &res, const char *language);
// Frees everything the resources hold.
void freeSkinResources(SkinResources &res);

// Fills the 8 tile surfaces for one Consoles page; `folders` points at the
// page's first folder and `count` is the number of folders from there on.
void generateSystemTexts(TTF_Font *font, SDL_Color color, Surface tiles[tilesPerPage], int count, char **folders);
// Fills the 8 row surfaces for the window around the selected row.
void generateRomTexts(TTF_Font *font, SDL_Color active, SDL_Color inactive, SDL_Color favoriteActive,
                      SDL_Color favoriteInactive, int selected, int count, char **items, Surface rows[visibleRows]);

// The auto-save-state screenshot of an item: the newest
// <states>/<core>/<base>.state.auto.png. Returns 1 and fills `out` (4097 bytes).
int getAutoStateScreenshotPath(const char *itemPath, char *out);
// The background picture for an item in a state, scaled to the screen; the
// caller owns it. Null when there is none.
SDL_Surface *getBackgroundOverride(const char *itemPath, int state, SDL_Surface *screen, int convert);

struct MenuModel;
// Draws one frame (everything but the flip).
void drawFrame(SDL_Surface *screen, SkinResources &res, MenuModel &model);
