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

char titleText[256];

// --- Pure layout rules --------------------------------------------------------------------

int romWindowStart(int selected, int count)
{
    if (selected < 3 || count < 9)
        return 0;
    return selected - 3;
}

std::string romDisplayName(const char *path)
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

// Number of bytes of the first `chars` characters of UTF-8 text.
static size_t utf8Prefix(const std::string &s, size_t chars)
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

static size_t utf8Length(const std::string &s)
{
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            n++;
    return n;
}

std::string systemTileText(const char *folderName)
{
    std::string name(folderName ? folderName : "");
    if (utf8Length(name) > 10)
        return name.substr(0, utf8Prefix(name, 7)) + "...";
    return name;
}

int guideSpacing(const int iconWidths[4], const int labelWidths[4], int textVisible)
{
    int total = 0;
    for (int k = 0; k < 4; k++) {
        total += iconWidths[k];
        if (textVisible)
            total += labelWidths[k];
    }
    return (screenWidth - total) / 5;
}

void formatTitle(char *out, size_t size, const char *format, const char *version)
{
    if (!out || size == 0)
        return;
    std::string text;
    bool versionUsed = false;
    for (const char *p = format ? format : ""; *p; p++) {
        if (p[0] == '%' && p[1] == 's' && !versionUsed) {
            text += version;
            versionUsed = true;
            p++;
        } else if (p[0] == '%' && p[1] == '%') {
            text += '%';
            p++;
        } else {
            text += *p;
        }
    }
    copyText(out, size, text.c_str());
}

std::string clockText(const struct tm &t, int use12hour, const char *am, const char *pm)
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

static time_t systemWallClock()
{
    return time(nullptr);
}

time_t (*menuWallClock)() = systemWallClock;

time_t readCurrentTime(struct tm *out)
{
    const time_t now = menuWallClock();
    localtime_r(&now, out);
    return now;
}

// --- Loading ---------------------------------------------------------------------------------

SDL_Surface *renderText(TTF_Font *font, const char *text, SDL_Color color)
{
    // Every text the menu shows (file names, playlist paths, MAME titles,
    // skin and language strings) passes here: ttf_render_blended hands SDL_ttf
    // only texts it draws inside the surface (see common/ttf_text.h).
    return ttf_render_blended(font, text, color);
}

SDL_Surface *loadImage(const char *path)
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

static int surfaceWidth(const Surface &s)
{
    return s ? s->w : 0;
}

static int surfaceHeight(const Surface &s)
{
    return s ? s->h : 0;
}

static TTF_Font *openFont(const char *fileName, int size)
{
    char path[4200];
    snprintf(path, sizeof(path), "/mnt/mmc/CFW/font/%s", fileName);
    if (size <= 0)
        size = 28;
    return TTF_OpenFont(dev_path(path).c_str(), size);
}

int loadLanguageFonts(SkinResources &res, const char *language)
{
    copyText(res.language, sizeof(res.language), language);
    copyText(res.fontPath, sizeof(res.fontPath), getSkinSetting(language, "font", "Oswald-Regular.ttf"));
    copyText(res.isoCode, sizeof(res.isoCode), getSkinSetting(language, "iso-code", "en"));
    // A size the screen cannot hold (a typing slip such as 2800) would build
    // huge glyph caches and render nothing legible: the default stands in.
    res.fontSize = sizeSetting(getSkinSetting(language, "font-size", "28"), minFontSize, maxFontSize, defaultFontSize);
    res.guideFontSize = sizeSetting(getSkinSetting(language, "button-guide-font-size", "28"), minFontSize, maxFontSize,
                                    defaultFontSize);
    res.font.reset(openFont(res.fontPath, res.fontSize));
    res.guideFont.reset(openFont(res.fontPath, res.guideFontSize));
    if ((!res.font || !res.guideFont) && strcmp(res.fontPath, "Oswald-Regular.ttf") != 0) {
        fprintf(stderr, "vantor: cannot open the font %s, using Oswald-Regular.ttf\n", res.fontPath);
        if (!res.font)
            res.font.reset(openFont("Oswald-Regular.ttf", res.fontSize));
        if (!res.guideFont)
            res.guideFont.reset(openFont("Oswald-Regular.ttf", res.guideFontSize));
    }
    if (!res.font || !res.guideFont)
        fprintf(stderr, "vantor: no font in /mnt/mmc/CFW/font: texts are not shown\n");
    return res.font && res.guideFont ? 0 : -1;
}

void loadSkinImages(SkinResources &res)
{
    res.textMargin = 16;
    res.textAlignment = getTextAlignment(&res.textMargin);
    res.mainMenuTextVisible = getMainMenuTextVisibility();
    res.guideTextVisible = getGuideButtonTextVisibility();
    res.guideColor = getColor("color-guide");
    res.activeColor = getColor("color-active");
    res.inactiveColor = getColor("color-inactive");
    res.favoriteActiveColor = getColor("color-favorite-active");
    res.favoriteInactiveColor = getColor("color-favorite-inactive");

    res.background.reset(loadImage("skin/background.png"));
    res.recentOverlay.reset(loadImage("skin/recent-overlay.png"));
    res.gameOverlay.reset(loadImage("skin/game-overlay.png"));
    res.arrow.reset(loadImage("skin/arrow.png"));
    res.logo.reset(loadImage("skin/logo.png"));
    static const char *power[5] = {"skin/power-0%-icon.png", "skin/power-20%-icon.png", "skin/power-50%-icon.png",
                                   "skin/power-80%-icon.png", "skin/power-full-icon.png"};
    for (int i = 0; i < 5; i++) {
        res.power[i].reset(loadImage(power[i]));
        char path[64];
        snprintf(path, sizeof(path), "skin/charging-%02d.png", i + 1);
        res.charging[i].reset(loadImage(path));
    }
    res.cpu1488.reset(loadImage("skin/oc-16.png"));
    res.cpu1296.reset(loadImage("skin/oc-13.png"));
    res.cpu720.reset(loadImage("skin/uc-07.png"));
    res.cpu504.reset(loadImage("skin/uc-05.png"));
    static const char *guide[4] = {"skin/icon-dpad-54.png", "skin/icon-A-54.png", "skin/icon-B-54.png",
                                   "skin/icon-Y-54.png"};
    for (int i = 0; i < 4; i++)
        res.guideIcons[i].reset(loadImage(guide[i]));
    res.removeIcon.reset(loadImage("skin/icon-X-54.png"));
    static const char *home[4] = {"recent", "favorite", "game", "retroarch"};
    for (int i = 0; i < 4; i++) {
        char path[64];
        snprintf(path, sizeof(path), "skin/ic-%s-f.png", home[i]);
        res.homeFocused[i].reset(loadImage(path));
        snprintf(path, sizeof(path), "skin/ic-%s-n.png", home[i]);
        res.homeNormal[i].reset(loadImage(path));
    }
    res.systemFocused.reset(loadImage("skin/ic-system-f.png"));
    res.systemNormal.reset(loadImage("skin/ic-system-n.png"));
}

void computeLayout(SkinResources &res)
{
    res.logoPos = {16, 8, 0, 0};
    res.titlePos = {static_cast<Sint16>(res.logoPos.x + 48), 8, 0, 0};
    res.batteryPos = {static_cast<Sint16>(screenWidth - surfaceWidth(res.power[0]) - 16), 4, 0, 0};
    res.clockPos = {static_cast<Sint16>(res.batteryPos.x - surfaceWidth(res.clock) - 16), 8, 0, 0};

    int iconWidths[4], labelWidths[4];
    for (int k = 0; k < 4; k++) {
        iconWidths[k] = surfaceWidth(res.guideIcons[k]);
        labelWidths[k] = surfaceWidth(res.guideLabels[k]);
    }
    const int spacing = guideSpacing(iconWidths, labelWidths, res.guideTextVisible);
    int right = 0;
    for (int k = 0; k < 4; k++) {
        const int iconX = right + spacing;
        const int iconY = screenHeight - surfaceHeight(res.guideIcons[k]) - 8;
        res.guideIconPos[k] = {static_cast<Sint16>(iconX), static_cast<Sint16>(iconY), 0, 0};
        const int labelX = iconX + iconWidths[k];
        const int labelY = iconY + (surfaceHeight(res.guideIcons[k]) - surfaceHeight(res.guideLabels[k])) / 2;
        res.guideLabelPos[k] = {static_cast<Sint16>(labelX), static_cast<Sint16>(labelY), 0, 0};
        right = res.guideTextVisible ? labelX + labelWidths[k] : iconX + iconWidths[k];
    }

    const int removeWidth = surfaceWidth(res.removeIcon) + (res.guideTextVisible ? surfaceWidth(res.removeLabel) : 0);
    const int removeX = (screenWidth - removeWidth) / 2;
    const int removeY = res.clockPos.y - 8;
    res.removeIconPos = {static_cast<Sint16>(removeX), static_cast<Sint16>(removeY), 0, 0};
    res.removeLabelPos = {static_cast<Sint16>(removeX + surfaceWidth(res.removeIcon)), static_cast<Sint16>(removeY), 0,
                          0};

    int total = 0;
    for (int m = 0; m < 4; m++)
        total += surfaceWidth(res.homeFocused[m]);
    int x = (screenWidth - total) / 2;
    const int y = (screenHeight - surfaceHeight(res.homeFocused[homeRecent])) / 2;
    for (int m = 0; m < 4; m++) {
        res.homeIconPos[m] = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
        const int labelX = x + (surfaceWidth(res.homeFocused[m]) - surfaceWidth(res.homeActive[m])) / 2;
        res.homeLabelPos[m] = {static_cast<Sint16>(labelX), static_cast<Sint16>(y + 168), 0, 0};
        x += surfaceWidth(res.homeFocused[m]);
    }
}

void renderLabels(SkinResources &res, int messages)
{
    const char *lang = res.language;
    static const char *guideKeys[4][2] = {
        {"navigate-label", "NAVIGATE"}, {"open-label", "OPEN"}, {"back-label", "BACK"}, {"favorite-label", "FAVORITE"}};
    for (int k = 0; k < 4; k++) {
        copyText(res.guideTexts[k], labelBufferSize, getSkinSetting(lang, guideKeys[k][0], guideKeys[k][1]));
        res.guideLabels[k].reset(renderText(res.guideFont.get(), res.guideTexts[k], res.guideColor));
    }
    copyText(res.removeText, labelBufferSize, getSkinSetting(lang, "remove-label", "REMOVE"));
    res.removeLabel.reset(renderText(res.font.get(), res.removeText, res.guideColor));

    static const char *homeKeys[4][2] = {{"recent-label", "Recent"},
                                         {"favorites-label", "Favorites"},
                                         {"consoles-label", "Consoles"},
                                         {"retroarch-label", "RetroArch"}};
    for (int m = 0; m < 4; m++) {
        copyText(res.homeTexts[m], labelBufferSize, getSkinSetting(lang, homeKeys[m][0], homeKeys[m][1]));
        res.homeActive[m].reset(renderText(res.font.get(), res.homeTexts[m], res.activeColor));
        res.homeInactive[m].reset(renderText(res.font.get(), res.homeTexts[m], res.inactiveColor));
    }
    copyText(res.amText, labelBufferSize, getSkinSetting(lang, "am-label", "AM"));
    copyText(res.pmText, labelBufferSize, getSkinSetting(lang, "pm-label", "PM"));

    if (messages) {
        std::string empty = getSkinSetting(lang, "empty-label", "Nothing to see here! Move along!");
        res.emptyMessage.reset(renderText(res.font.get(), empty.c_str(), res.inactiveColor));
        std::string states = getSkinSetting(lang, "savestates-unsupported", "This core doesn't support savestates!");
        res.savestatesMessage.reset(renderText(res.font.get(), states.c_str(), res.inactiveColor));
    }

    res.languageNames.clear();
    for (int i = 0; i < res.languageCount; i++)
        res.languageNames.emplace_back(renderText(res.font.get(), res.languages[i], res.guideColor));
    res.languageIndex = -1;
    for (int i = 0; i < res.languageCount; i++) {
        if (strcmp(res.languages[i], res.language) == 0) {
            res.languageIndex = i;
            break;
        }
    }
    computeLayout(res);
}

void renderClock(SkinResources &res)
{
    res.clockSeconds = readCurrentTime(&res.clockTime);
    res.use12hour = get12hourflag();
    const std::string text = clockText(res.clockTime, res.use12hour, res.amText, res.pmText);
    res.clock.reset(renderText(res.font.get(), text.c_str(), res.guideColor));
    res.clockPos.x = static_cast<Sint16>(res.batteryPos.x - surfaceWidth(res.clock) - 16);
    res.clockPos.y = 8;
}

void reloadLanguageResources(SkinResources &res, const char *language)
{
    std::string name(language ? language : "English");
    loadLanguageFonts(res, name.c_str());
    renderLabels(res, 0);
    renderClock(res);
}

void freeSkinResources(SkinResources &res)
{
    Surface *groups[] = {&res.background,  &res.recentOverlay, &res.gameOverlay,       &res.arrow,
                         &res.logo,        &res.cpu1488,       &res.cpu1296,           &res.cpu720,
                         &res.cpu504,      &res.removeIcon,    &res.systemFocused,     &res.systemNormal,
                         &res.removeLabel, &res.emptyMessage,  &res.savestatesMessage, &res.clock};
    for (Surface *s : groups)
        s->reset();
    for (int i = 0; i < 5; i++) {
        res.power[i].reset();
        res.charging[i].reset();
    }
    for (int i = 0; i < 4; i++) {
        res.guideIcons[i].reset();
        res.guideLabels[i].reset();
        res.homeFocused[i].reset();
        res.homeNormal[i].reset();
        res.homeActive[i].reset();
        res.homeInactive[i].reset();
    }
    for (Surface &s : res.tiles)
        s.reset();
    for (Surface &s : res.rows)
        s.reset();
    res.languageNames.clear();
    destroyItems(res.languageCount, &res.languages);
    res.languages = nullptr;
    res.languageCount = 0;
    res.font.reset();
    res.guideFont.reset();
}

// --- Tiles and rows -------------------------------------------------------------------------

void generateSystemTexts(TTF_Font *font, SDL_Color color, Surface tiles[tilesPerPage], int count, char **folders)
{
    for (int i = 0; i < tilesPerPage; i++) {
        tiles[i].reset();
        if (!folders || i >= count)
            continue;
        const char *slash = strrchr(folders[i], '/');
        const char *name = slash ? slash + 1 : folders[i];
        std::string picture = std::string("skin/system/") + name + ".png";
        tiles[i].reset(loadImage(picture.c_str()));
        if (!tiles[i])
            tiles[i].reset(renderText(font, systemTileText(name).c_str(), color));
    }
}

void generateRomTexts(TTF_Font *font, SDL_Color active, SDL_Color inactive, SDL_Color favoriteActive,
                      SDL_Color favoriteInactive, int selected, int count, char **items, Surface rows[visibleRows])
{
    const int start = romWindowStart(selected, count);
    if (items && start < count)
        ensureMameGameNameTable(); // any folder's file may carry a MAME short name
    for (int i = 0; i < visibleRows; i++) {
        const int index = start + i;
        rows[i].reset();
        if (!items || index >= count)
            continue;
        const bool favorite = isFavorited(items[index]) != 0;
        std::string name = romDisplayName(items[index]);
        const char *title = getMameGameName(name.c_str());
        if (title)
            name = title;
        SDL_Color color;
        if (index == selected)
            color = favorite ? favoriteActive : active;
        else
            color = favorite ? favoriteInactive : inactive;
        rows[i].reset(renderText(font, name.c_str(), color));
    }
}

// --- Background pictures ----------------------------------------------------------------------

int getAutoStateScreenshotPath(const char *itemPath, char *out)
{
    return findAutoStateScreenshot(itemPath, out);
}

SDL_Surface *getBackgroundOverride(const char *itemPath, int state, SDL_Surface *screen, int convert)
{
    if (!itemPath)
        return nullptr;
    char path[4097];
    const int kind = getBackgroundOverridePath(itemPath, state == Recent, path);
    if (kind == 0)
        return nullptr;
    SDL_Surface *picture = IMG_Load(dev_path(path).c_str());
    if (!picture)
        return nullptr;
    if (state == Recent) {
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
    double zx = static_cast<double>(screenWidth) / picture->w;
    double zy = static_cast<double>(screenHeight) / picture->h;
    if (keepAspectRatio) {
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

static void blitAt(SDL_Surface *screen, SDL_Surface *surface, int x, int y)
{
    if (!screen || !surface)
        return;
    SDL_Rect rect = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(surface, nullptr, screen, &rect);
}

static void blitAt(SDL_Surface *screen, const Surface &surface, const SDL_Rect &pos)
{
    blitAt(screen, surface.get(), pos.x, pos.y);
}

static void blitCentered(SDL_Surface *screen, const Surface &surface)
{
    if (!surface)
        return;
    blitAt(screen, surface.get(), (screenWidth - surface->w) / 2, (screenHeight - surface->h) / 2);
}

static SDL_Surface *cpuIcon(SkinResources &res, int speed)
{
    switch (speed) {
    case 1488000: return res.cpu1488.get();
    case 1296000: return res.cpu1296.get();
    case 720000: return res.cpu720.get();
    case 504000: return res.cpu504.get();
    default: return nullptr;
    }
}

static void drawList(SDL_Surface *screen, SkinResources &res, MenuModel &model)
{
    const bool recent = model.state == Recent;
    const int start = romWindowStart(model.row, model.itemCount);
    const int rowHeight = surfaceHeight(res.rows[0]);
    bool drawn = false;
    for (int i = 0; i < visibleRows; i++) {
        const Surface &row = res.rows[i];
        if (!row)
            continue;
        if (recent && start + i != model.row)
            continue;
        int x;
        if (recent || res.textAlignment == alignCenter)
            x = (screenWidth - row->w) / 2;
        else if (res.textAlignment == alignLeft)
            x = res.textMargin;
        else
            x = screenWidth - res.textMargin - row->w;
        int y;
        if (recent)
            y = screenHeight - rowHeight - 70;
        else
            y = rowHeight * i + (screenHeight - rowHeight * visibleRows) / 2;
        blitAt(screen, row.get(), x, y);
        drawn = true;
    }
    if (!drawn)
        blitCentered(screen, res.emptyMessage);
    else if (recent && !model.backgroundOverride)
        blitCentered(screen, res.savestatesMessage);
}

static void drawConsoles(SDL_Surface *screen, SkinResources &res, MenuModel &model)
{
    const int width = surfaceWidth(res.systemFocused);
    const int height = surfaceHeight(res.systemFocused);
    for (int r = 0; r < 2; r++) {
        for (int k = 0; k < 4; k++) {
            const int x = width * k + (screenWidth - 4 * width) / 2;
            const int y = height * r + (screenHeight - 2 * height) / 2;
            const bool selected = r == model.row && k == model.column;
            blitAt(screen, selected ? res.systemFocused.get() : res.systemNormal.get(), x, y);
            const Surface &tile = res.tiles[r * 4 + k];
            if (tile)
                blitAt(screen, tile.get(), x + (width - tile->w) / 2, y + (height - tile->h) / 2);
        }
    }
}

void drawFrame(SDL_Surface *screen, SkinResources &res, MenuModel &model)
{
    const bool recentWithOverride = model.state == Recent && model.backgroundOverride;
    if (!recentWithOverride) {
        if (res.background)
            blitAt(screen, res.background, {0, 0, 0, 0});
        else
            SDL_FillRect(screen, nullptr, 0);
    }
    if (model.backgroundOverride) {
        SDL_Surface *bg = model.backgroundOverride.get();
        if (model.state == Recent && keepAspectRatio) {
            SDL_FillRect(screen, nullptr, 0);
            blitAt(screen, bg, (screenWidth - bg->w) / 2, (screenHeight - bg->h) / 2);
        } else {
            if (model.state == Recent)
                SDL_FillRect(screen, nullptr, 0);
            blitAt(screen, bg, 0, 0);
        }
    }
    if (recentWithOverride)
        blitAt(screen, res.recentOverlay, {0, 0, 0, 0});
    else if ((model.state == Games || model.state == Favorites) && model.backgroundOverride && res.gameOverlay)
        blitAt(screen, res.gameOverlay, {0, 0, 0, 0});

    blitAt(screen, res.logo, res.logoPos);
    if (!(model.state == Home && !res.mainMenuTextVisible))
        blitAt(screen, model.title, res.titlePos);
    blitAt(screen, res.clock, res.clockPos);

    const int level = getPowerIndex();
    if (level >= 0 && level < 5)
        blitAt(screen, isCharging() ? res.charging[level] : res.power[level], res.batteryPos);
    blitAt(screen, cpuIcon(res, model.cpuSpeed), res.batteryPos.x, res.batteryPos.y);

    switch (model.state) {
    case Home:
        for (int m = 0; m < 4; m++) {
            const bool selected = m == model.column;
            blitAt(screen, selected ? res.homeFocused[m] : res.homeNormal[m], res.homeIconPos[m]);
            blitAt(screen, selected ? res.homeActive[m] : res.homeInactive[m], res.homeLabelPos[m]);
        }
        break;
    case Consoles: drawConsoles(screen, res, model); break;
    case Games:
    case Favorites:
    case Recent: drawList(screen, res, model); break;
    case Settings: drawSettings(screen, res, model.column); break;
    }

    if (model.state == Recent) {
        blitAt(screen, res.removeIcon, res.removeIconPos);
        if (res.guideTextVisible)
            blitAt(screen, res.removeLabel, res.removeLabelPos);
    }
    for (int k = 0; k < 4; k++) {
        blitAt(screen, res.guideIcons[k], res.guideIconPos[k]);
        if (res.guideTextVisible)
            blitAt(screen, res.guideLabels[k], res.guideLabelPos[k]);
    }
}
