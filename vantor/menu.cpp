#include "vantor/menu.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/devroot.h"
#include "common/safefile.h"
#include "vantor/hardware.h"
#include "vantor/launch.h"
#include "vantor/settings.h"

static Uint32 sdlTicks()
{
    return SDL_GetTicks();
}

static void sdlDelay(Uint32 ms)
{
    SDL_Delay(ms);
}

Uint32 (*menuTicks)() = sdlTicks;
void (*menuDelay)(Uint32 ms) = sdlDelay;
void (*menuFrameHook)(MenuModel &model) = nullptr;

char resumeSystemNameBuffer[4097];

namespace {

bool isListState(int state)
{
    return state == Games || state == Favorites || state == Recent;
}

bool validRow(const MenuModel &model)
{
    return model.items && model.row >= 0 && model.row < model.itemCount;
}

// A label of the current language, copied before the next lookup.
std::string label(const SkinResources &res, const char *key, const char *def)
{
    return getSkinSetting(res.language, key, def);
}

void freeList(MenuModel &model)
{
    destroyItems(model.itemCount, &model.items);
    model.items = nullptr;
    model.itemCount = 0;
}

void dropOverride(MenuModel &model)
{
    model.backgroundOverride.reset();
}

void loadOverride(MenuModel &model)
{
    model.backgroundOverride.reset();
    if (!validRow(model))
        return;
    SDL_Surface *screen = SDL_GetVideoSurface();
    model.backgroundOverride.reset(
        getBackgroundOverride(model.items[model.row], model.state, screen, model.state == Recent));
    if (!model.backgroundOverride)
        model.overrideFailedIndex = model.row;
}

void renderRows(MenuModel &model, SkinResources &res)
{
    generateRomTexts(res.font.get(), res.activeColor, res.inactiveColor, res.favoriteActiveColor,
                     res.favoriteInactiveColor, model.row, model.itemCount, model.items, res.rows);
}

void renderTiles(MenuModel &model, SkinResources &res)
{
    int first = model.page * tilesPerPage;
    int count = model.itemCount - first;
    generateSystemTexts(res.font.get(), res.guideColor, res.tiles, count > 0 ? count : 0,
                        count > 0 ? model.items + first : nullptr);
}

void clearRows(SkinResources &res)
{
    for (Surface &s : res.rows)
        s.reset();
}

void clearTiles(SkinResources &res)
{
    for (Surface &s : res.tiles)
        s.reset();
}

// The common tail of every list state that is entered.
void listTail(MenuModel &model, SkinResources &res)
{
    model.maxColumn = 0;
    model.column = 0;
    model.maxRow = model.itemCount > 0 ? model.itemCount - 1 : 0;
    model.page = 0;
    model.overrideFailedIndex = -1;
    clearTiles(res);
    renderRows(model, res);
    dropOverride(model);
    if (model.itemCount > 0)
        loadOverride(model);
}

const char *lastComponent(const char *path)
{
    const char *slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

bool isLeftKey(int sym)
{
    return sym == keyLeft || sym == SDLK_LEFT;
}
bool isRightKey(int sym)
{
    return sym == keyRight || sym == SDLK_RIGHT;
}
bool isUpKey(int sym)
{
    return sym == keyUp || sym == SDLK_UP;
}
bool isDownKey(int sym)
{
    return sym == keyDown || sym == SDLK_DOWN;
}

int hatKey(int value)
{
    switch (value) {
    case SDL_HAT_UP: return keyUp;
    case SDL_HAT_DOWN: return keyDown;
    case SDL_HAT_LEFT: return keyLeft;
    case SDL_HAT_RIGHT: return keyRight;
    default: return 0;
    }
}

int buttonKey(int button)
{
    static const int keys[12] = {'a', 'b', 'x', 'y', 0, 'h', 'l', 'n', 'm', 'u', 'r', 't'};
    if (button < 0 || button >= 12)
        return 0;
    return keys[button];
}

void makeKeyEvent(SDL_Event *out, int down, int sym)
{
    memset(out, 0, sizeof(*out));
    out->type = down ? SDL_KEYDOWN : SDL_KEYUP;
    out->key.type = out->type;
    out->key.state = down ? SDL_PRESSED : SDL_RELEASED;
    out->key.keysym.sym = static_cast<SDLKey>(sym);
    out->key.keysym.scancode = 0;
}

} // namespace

// --- Resume file ----------------------------------------------------------------------

int getMenuFlags(char **folder, int *index)
{
    *folder = nullptr;
    *index = 0;
    ItemList lines = nullptr;
    int count = readAllLines(MENU_FLAG_FILE, &lines);
    if (count <= 0)
        return -1;
    int state = -1;
    if (strcmp(lines[0], "recent") == 0)
        state = Recent;
    else if (strcmp(lines[0], "favorites") == 0)
        state = Favorites;
    else if (strcmp(lines[0], "games") == 0)
        state = Games;
    else if (strcmp(lines[0], "consoles") == 0)
        state = Consoles;
    else if (strcmp(lines[0], "home") == 0)
        state = Home;
    if (count > 1)
        *index = atoi(lines[1]);
    if (count > 2) {
        copyText(resumeSystemNameBuffer, sizeof(resumeSystemNameBuffer), lines[2]);
        *folder = resumeSystemNameBuffer;
    }
    destroyItems(count, &lines);
    return state;
}

std::string menuFlagText(const MenuModel &model, bool powerKey)
{
    char buf[4200];
    switch (model.state) {
    case Recent: return "recent";
    case Favorites: snprintf(buf, sizeof(buf), "favorites\n%d", model.row); return buf;
    case Games: {
        if (!validRow(model))
            return std::string();
        std::string folder(model.items[model.row]);
        size_t slash = folder.rfind('/');
        if (slash != std::string::npos)
            folder.resize(slash);
        snprintf(buf, sizeof(buf), "games\n%d\n", model.row);
        return buf + folder;
    }
    case Consoles: return powerKey ? "consoles" : std::string();
    case Home: snprintf(buf, sizeof(buf), "home\n%d", model.column); return buf;
    case Settings: snprintf(buf, sizeof(buf), "home\n%d", model.homeReturnColumn); return buf;
    }
    return std::string();
}

int writeMenuFlags(const MenuModel &model, bool powerKey)
{
    std::string text = menuFlagText(model, powerKey);
    if (text.empty())
        return -1;
    return write_file_atomic(MENU_FLAG_FILE, text);
}

// --- Transitions -----------------------------------------------------------------------

void setTitle(MenuModel &model, SkinResources &res, const char *text)
{
    model.title.reset(renderText(res.font.get(), text, res.guideColor));
}

void freeModel(MenuModel &model)
{
    freeList(model);
    model.title.reset();
    model.backgroundOverride.reset();
}

namespace {

// Opens one of Home's two playlists at its first row; B goes back to its tile.
void enterPlaylist(MenuModel &model, SkinResources &res, MenuState state, const char *labelKey,
                   const char *labelDefault, int homeColumn, int (*readPlaylist)(ItemList *items))
{
    freeList(model);
    model.state = state;
    setTitle(model, res, label(res, labelKey, labelDefault).c_str());
    model.homeReturnColumn = homeColumn;
    model.homeReturnRow = 0;
    model.itemCount = readPlaylist(&model.items);
    model.row = 0;
    listTail(model, res);
}

} // namespace

void enterRecent(MenuModel &model, SkinResources &res)
{
    enterPlaylist(model, res, Recent, "recent-label", "Recent", homeRecent, getHistory);
}

void enterFavorites(MenuModel &model, SkinResources &res)
{
    enterPlaylist(model, res, Favorites, "favorites-label", "Favorites", homeFavorites, getFavorites);
}

void enterConsoles(MenuModel &model, SkinResources &res)
{
    freeList(model);
    model.state = Consoles;
    setTitle(model, res, label(res, "consoles-label", "Consoles").c_str());
    model.itemCount = getFolders(&model.items);
    model.maxColumn = 3;
    model.maxRow = 1;
    model.page = 0;
    model.column = 0;
    model.row = 0;
    clearRows(res);
    renderTiles(model, res);
    dropOverride(model);
}

void enterGames(MenuModel &model, SkinResources &res, const char *folder)
{
    std::string path(folder ? folder : "");
    freeList(model);
    model.state = Games;
    setTitle(model, res, lastComponent(path.c_str()));
    model.itemCount = getFiles(path.c_str(), &model.items);
    model.row = 0;
    listTail(model, res);
}

void openSettings(MenuModel &model, SkinResources &res)
{
    freeList(model);
    model.homeReturnColumn = model.column;
    model.homeReturnRow = model.row;
    model.state = Settings;
    model.title.reset(renderSettingsTitle(res));
    model.maxColumn = settingsMaxColumn;
    model.maxRow = 0;
    model.column = 0;
    model.row = 0;
    model.clockRefresh = false;
    dropOverride(model);
    enterSettings(res);
}

void goHome(MenuModel &model, SkinResources &res)
{
    freeList(model);
    model.state = Home;
    setTitle(model, res, titleText);
    model.column = model.homeReturnColumn;
    model.row = model.homeReturnRow;
    if (model.column < 0 || model.column > 3)
        model.column = 0;
    model.maxColumn = 3;
    model.maxRow = 0;
    model.page = 0;
    dropOverride(model);
    clearRows(res);
    clearTiles(res);
}

void backToConsoles(MenuModel &model, SkinResources &res)
{
    freeList(model);
    model.state = Consoles;
    // The header names the screen again, not the folder that was open.
    setTitle(model, res, label(res, "consoles-label", "Consoles").c_str());
    model.column = model.consolesReturnColumn;
    model.row = model.consolesReturnRow;
    model.page = model.consolesReturnPage;
    model.itemCount = getFolders(&model.items);
    model.maxColumn = 3;
    model.maxRow = 1;
    if (model.page > lastConsolesPage(model.itemCount))
        model.page = 0;
    clearRows(res);
    renderTiles(model, res);
    dropOverride(model);
}

void applyResumeState(MenuModel &model, SkinResources &res, int state, int index, const char *folder)
{
    switch (state) {
    case Recent:
        enterRecent(model, res);
        model.homeReturnColumn = 0;
        model.homeReturnRow = 0;
        break;
    case Favorites:
        enterFavorites(model, res);
        model.homeReturnColumn = homeFavorites;
        model.homeReturnRow = 0;
        if (index >= 0 && index < model.itemCount && index != model.row) {
            model.row = index;
            renderRows(model, res);
            loadOverride(model);
        }
        break;
    case Consoles:
        model.homeReturnColumn = homeConsoles;
        model.homeReturnRow = 0;
        enterConsoles(model, res);
        break;
    case Games:
        if (!folder) {
            // A games record without its folder cannot be resumed.
            goHome(model, res);
            model.column = 0;
            break;
        }
        model.consolesReturnColumn = 0;
        model.consolesReturnRow = 0;
        model.consolesReturnPage = 0;
        model.homeReturnColumn = homeConsoles;
        model.homeReturnRow = 0;
        enterGames(model, res, folder);
        if (index >= 0 && index < model.itemCount && index != model.row) {
            model.row = index;
            renderRows(model, res);
            loadOverride(model);
        }
        break;
    case Home:
        model.homeReturnColumn = (index >= 0 && index <= 3) ? index : 0;
        model.homeReturnRow = 0;
        goHome(model, res);
        break;
    default:
        model.homeReturnColumn = 0;
        model.homeReturnRow = 0;
        goHome(model, res);
        break;
    }
}

// --- Selection rules ------------------------------------------------------------------------

int wrapRow(int row, int step, int maxRow)
{
    int next = row + step;
    if (next < 0)
        return maxRow;
    if (next > maxRow)
        return 0;
    return next;
}

int lastConsolesPage(int count)
{
    int page = count / tilesPerPage;
    if (count % tilesPerPage == 0)
        page--;
    return page < 0 ? 0 : page;
}

static unsigned char keyLetter(const char *path)
{
    return static_cast<unsigned char>(lastComponent(path)[0]);
}

int letterJump(char **items, int count, int row, int forward)
{
    if (!items || count < 2 || row < 0 || row >= count)
        return row;
    unsigned char current = keyLetter(items[row]);
    if (forward) {
        for (int i = row + 1; i < count; i++) {
            if (keyLetter(items[i]) != current)
                return i;
        }
        return 0;
    }
    for (int i = row - 1; i >= 0; i--) {
        unsigned char letter = keyLetter(items[i]);
        if (letter == current)
            continue;
        // items[i] belongs to the previous group; find where it starts.
        for (int j = i - 1; j >= 0; j--) {
            if (keyLetter(items[j]) != letter)
                return j + 1;
        }
        return 0;
    }
    // Already in the first group: go to the start of the last one.
    unsigned char last = keyLetter(items[count - 1]);
    for (int i = count - 2; i >= 0; i--) {
        if (keyLetter(items[i]) != last)
            return i + 1;
    }
    return 0;
}

// --- Input --------------------------------------------------------------------------------

int translateEvent(MenuModel &model, const SDL_Event &in, SDL_Event *out)
{
    switch (in.type) {
    case SDL_JOYHATMOTION: {
        if (in.jhat.hat != 0)
            return 0;
        int value = in.jhat.value;
        if (value == model.heldHat)
            return 0;
        if (model.heldHat != 0) {
            int key = hatKey(model.heldHat);
            model.heldHat = 0;
            if (!key)
                return 0;
            makeKeyEvent(out, 0, key);
            return 1;
        }
        model.heldHat = value;
        int key = hatKey(value);
        if (!key)
            return 0;
        makeKeyEvent(out, 1, key);
        return 1;
    }
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP: {
        int key = buttonKey(in.jbutton.button);
        if (!key)
            return 0;
        makeKeyEvent(out, in.type == SDL_JOYBUTTONDOWN, key);
        return 1;
    }
    default: *out = in; return 1;
    }
}

namespace {

void listStep(MenuModel &model, SkinResources &res, int amount, bool repeat)
{
    model.row = wrapRow(model.row, amount, model.maxRow);
    model.step = amount;
    model.lastStepTime = menuTicks();
    renderRows(model, res);
    dropOverride(model);
    if (model.state == Recent || !repeat)
        loadOverride(model);
}

void columnStep(MenuModel &model, SkinResources &res, int delta)
{
    int column = model.column + delta;
    if (model.state == Consoles) {
        if (column < 0) {
            column = model.maxColumn;
            model.page = model.page > 0 ? model.page - 1 : lastConsolesPage(model.itemCount);
        } else if (column > model.maxColumn) {
            column = 0;
            model.page = (model.page + 1) * tilesPerPage < model.itemCount ? model.page + 1 : 0;
        }
        model.column = column;
        renderTiles(model, res);
        return;
    }
    if (column < 0)
        column = model.maxColumn;
    else if (column > model.maxColumn)
        column = 0;
    model.column = column;
}

void launchSelected(MenuModel &model, SkinResources &res, bool withoutStateLoad)
{
    if (!validRow(model))
        return;
    if (withoutStateLoad)
        model.noStateLoad = true;
    if (launchItem(model.items[model.row], model.state, model.noStateLoad ? 1 : 0, res.isoCode) < 0) {
        // Nothing could launch it: stay in the menu.
        model.noStateLoad = false;
        return;
    }
    writeMenuFlags(model, false);
    model.quit = true;
}

void leaveSettingsScreen(MenuModel &model, SkinResources &res)
{
    leaveSettings(res);
    model.clockRefresh = true;
    model.lastClockRefresh = menuTicks();
    goHome(model, res);
}

// --- Keys of each screen ----------------------------------------------------------------

// A key press as the screens' key actions see it.
struct KeyPress {
    const SDL_KeyboardEvent &key;
    int sym;
    int delta; // -1 for left and up, 1 for right and down
    bool repeat;
};

using KeyAction = void (*)(MenuModel &model, SkinResources &res, const KeyPress &press);

// What each screen does with the keys that act on it; nullptr: the key does
// nothing there. The keys that act everywhere (power, n, u, r, t) are handled
// before this table.
struct ScreenKeys {
    KeyAction confirm;    // a, Return
    KeyAction back;       // b, Escape
    KeyAction leftRight;  // left, right
    KeyAction upDown;     // up, down
    KeyAction letterJump; // h (back), l (forward)
    KeyAction remove;     // x
    KeyAction favorite;   // y
    KeyAction menu;       // m
};

void homeConfirm(MenuModel &model, SkinResources &res, const KeyPress &)
{
    switch (model.column) {
    case homeRecent: enterRecent(model, res); break;
    case homeFavorites: enterFavorites(model, res); break;
    case homeConsoles:
        model.homeReturnColumn = model.column;
        model.homeReturnRow = model.row;
        enterConsoles(model, res);
        break;
    case homeRetroArch:
        launchRetroArch(res.isoCode);
        writeMenuFlags(model, false);
        model.quit = true;
        break;
    }
}

void consolesConfirm(MenuModel &model, SkinResources &res, const KeyPress &)
{
    int index = model.page * tilesPerPage + model.row * 4 + model.column;
    if (index < 0 || index >= model.itemCount)
        return;
    model.consolesReturnColumn = model.column;
    model.consolesReturnRow = model.row;
    model.consolesReturnPage = model.page;
    std::string folder(model.items[index]);
    enterGames(model, res, folder.c_str());
}

void listConfirm(MenuModel &model, SkinResources &res, const KeyPress &)
{
    launchSelected(model, res, false);
}

void listMenu(MenuModel &model, SkinResources &res, const KeyPress &)
{
    launchSelected(model, res, true);
}

void backHome(MenuModel &model, SkinResources &res, const KeyPress &)
{
    goHome(model, res);
}

void gamesBack(MenuModel &model, SkinResources &res, const KeyPress &)
{
    backToConsoles(model, res);
}

void settingsBack(MenuModel &model, SkinResources &res, const KeyPress &)
{
    leaveSettingsScreen(model, res);
}

void homeMenu(MenuModel &model, SkinResources &res, const KeyPress &)
{
    openSettings(model, res);
}

void stepColumn(MenuModel &model, SkinResources &res, const KeyPress &press)
{
    columnStep(model, res, press.delta);
}

// The held direction steps again while it stays down (processEvents).
void stepListRow(MenuModel &model, SkinResources &res, const KeyPress &press, int amount)
{
    model.repeatEvent.type = SDL_KEYDOWN;
    model.repeatEvent.key = press.key;
    listStep(model, res, amount, press.repeat);
}

void listLeftRight(MenuModel &model, SkinResources &res, const KeyPress &press)
{
    columnStep(model, res, press.delta);
    int amount = press.delta;
    // The joystick's hat pages through the longer lists.
    bool hatKey = press.sym == keyLeft || press.sym == keyRight;
    if (hatKey && (model.state == Games || model.state == Favorites) && model.itemCount > 8)
        amount = press.delta * 8;
    stepListRow(model, res, press, amount);
}

void listUpDown(MenuModel &model, SkinResources &res, const KeyPress &press)
{
    stepListRow(model, res, press, press.delta);
}

void consolesUpDown(MenuModel &model, SkinResources &, const KeyPress &press)
{
    model.row = wrapRow(model.row, press.delta, 1);
}

void settingsUpDown(MenuModel &model, SkinResources &res, const KeyPress &press)
{
    // Up raises the field's value, down lowers it.
    if (changeSettingsField(res, model.column, -press.delta) == 1)
        model.title.reset(renderSettingsTitle(res));
}

void jumpLetter(MenuModel &model, SkinResources &res, const KeyPress &press)
{
    if (model.itemCount < 2 || !validRow(model))
        return;
    model.row = letterJump(model.items, model.itemCount, model.row, press.sym == 'l');
    renderRows(model, res);
    loadOverride(model);
}

void recentRemove(MenuModel &model, SkinResources &res, const KeyPress &)
{
    if (!validRow(model))
        return;
    removeFromRecent(model.items[model.row]);
    freeList(model);
    model.itemCount = getHistory(&model.items);
    model.row = model.row > 0 ? model.row - 1 : 0;
    model.maxRow = model.itemCount > 0 ? model.itemCount - 1 : 0;
    if (model.row > model.maxRow)
        model.row = model.maxRow;
    renderRows(model, res);
    loadOverride(model);
}

void listFavorite(MenuModel &model, SkinResources &res, const KeyPress &)
{
    if (!validRow(model))
        return;
    const std::string path(model.items[model.row]);
    if (isFavorited(path.c_str())) {
        removeFromFavorites(path.c_str());
        if (model.state == Favorites) {
            freeList(model);
            model.itemCount = getFavorites(&model.items);
            model.maxRow = model.itemCount > 0 ? model.itemCount - 1 : 0;
            if (model.row >= model.itemCount)
                model.row = model.itemCount > 0 ? model.itemCount - 1 : 0;
            loadOverride(model);
        }
    } else {
        addToFavorites(path.c_str());
    }
    renderRows(model, res);
}

// One row per screen, in MenuState order.
const ScreenKeys screenKeys[] = {
    /* Home */ {homeConfirm, nullptr, stepColumn, nullptr, nullptr, nullptr, nullptr, homeMenu},
    /* Consoles */ {consolesConfirm, backHome, stepColumn, consolesUpDown, nullptr, nullptr, nullptr, nullptr},
    /* Games */ {listConfirm, gamesBack, listLeftRight, listUpDown, jumpLetter, nullptr, listFavorite, listMenu},
    /* Favorites */ {listConfirm, backHome, listLeftRight, listUpDown, jumpLetter, nullptr, listFavorite, listMenu},
    /* Recent */ {listConfirm, backHome, listLeftRight, listUpDown, nullptr, recentRemove, listFavorite, listMenu},
    /* Settings */ {nullptr, settingsBack, stepColumn, settingsUpDown, nullptr, nullptr, nullptr, settingsBack},
};
static_assert(sizeof(screenKeys) / sizeof(screenKeys[0]) == Settings + 1, "one row per menu state");

// The column of the screens' table that a key uses, or nullptr when the key
// acts the same on every screen.
KeyAction ScreenKeys::*screenKeyColumn(int sym)
{
    if (sym == 'a' || sym == SDLK_RETURN)
        return &ScreenKeys::confirm;
    if (sym == 'b' || sym == SDLK_ESCAPE)
        return &ScreenKeys::back;
    if (isLeftKey(sym) || isRightKey(sym))
        return &ScreenKeys::leftRight;
    if (isUpKey(sym) || isDownKey(sym))
        return &ScreenKeys::upDown;
    switch (sym) {
    case 'h':
    case 'l': return &ScreenKeys::letterJump;
    case 'x': return &ScreenKeys::remove;
    case 'y': return &ScreenKeys::favorite;
    case 'm': return &ScreenKeys::menu;
    default: return nullptr;
    }
}

// The keys that act on every screen: the CPU speed, the Menu button and,
// while Menu is held, the backlight.
void onGlobalKey(MenuModel &model, int sym, Uint32 now)
{
    switch (sym) {
    case 'n': model.cpuSpeed = cycleCPUSpeed(model.cpuSpeed); break;
    case 'u':
        model.menuHeld = true;
        model.menuDownTime = now;
        model.keyPresses = 0;
        break;
    case 'r':
        if (model.menuHeld)
            changeBrightness(1);
        break;
    case 't':
        if (model.menuHeld)
            changeBrightness(-1);
        break;
    default: break;
    }
}

void onKeyDown(MenuModel &model, SkinResources &res, const SDL_KeyboardEvent &key, bool repeat)
{
    const int sym = key.keysym.sym;
    const Uint32 now = menuTicks();
    model.keyPresses++;
    model.lastKeyPress = now;

    if (!repeat && key.keysym.scancode != 0 && key.keysym.scancode == model.powerScancode) {
        writeMenuFlags(model, true);
        powerOff();
        model.quit = true;
        return;
    }
    KeyAction ScreenKeys::*column = screenKeyColumn(sym);
    if (!column) {
        onGlobalKey(model, sym, now);
        return;
    }
    const int delta = isLeftKey(sym) || isUpKey(sym) ? -1 : 1;
    if (KeyAction action = screenKeys[model.state].*column)
        action(model, res, KeyPress{key, sym, delta, repeat});
}

void onKeyUp(MenuModel &model, SkinResources &res, const SDL_KeyboardEvent &key)
{
    const int sym = key.keysym.sym;
    // Releasing any direction ends its repeat. Repeats only run in the lists,
    // so a direction released on another screen must not keep stepping once
    // a list is entered again.
    if (isLeftKey(sym) || isRightKey(sym) || isUpKey(sym) || isDownKey(sym) || sym == 'h' || sym == 'l') {
        model.step = 0;
        return;
    }
    if (sym == 'u') {
        const Uint32 now = menuTicks();
        const bool wasHeld = model.menuHeld;
        model.menuHeld = false;
        if (wasHeld && model.keyPresses == 0 && model.state != Recent && model.state != Settings &&
            (model.state == Home || now - model.menuDownTime <= longMenuPressMs)) {
            enterRecent(model, res);
            model.homeReturnColumn = 0;
            model.homeReturnRow = 0;
        }
        model.keyPresses = 0;
    }
}

} // namespace

void handleEvent(MenuModel &model, SkinResources &res, const SDL_Event &event, bool repeat)
{
    switch (event.type) {
    case SDL_QUIT: model.quit = true; break;
    case SDL_KEYDOWN: onKeyDown(model, res, event.key, repeat); break;
    case SDL_KEYUP: onKeyUp(model, res, event.key); break;
    default: break;
    }
}

void processEvents(MenuModel &model, SkinResources &res)
{
    while (!model.quit) {
        SDL_Event raw;
        if (!SDL_PollEvent(&raw)) {
            if (model.step == 0 || model.repeatThisFrame || !isListState(model.state))
                break;
            const Uint32 now = menuTicks();
            if (now - model.lastStepTime <= model.repeatInterval)
                break;
            if (now - model.lastRealEventTime <= model.repeatDelay)
                break;
            model.repeatThisFrame = true;
            model.lastEventTime = now;
            handleEvent(model, res, model.repeatEvent, true);
            continue;
        }
        const Uint32 now = menuTicks();
        model.lastEventTime = now;
        model.lastRealEventTime = now;
        SDL_Event event;
        if (translateEvent(model, raw, &event))
            handleEvent(model, res, event, false);
    }
}

void afterEvents(MenuModel &model, SkinResources &res)
{
    const Uint32 now = menuTicks();
    model.activity = (now - model.lastKeyPress <= idleAfterMs) ? highFreq : lowFreq;
    model.repeatThisFrame = false;

    // The MAME titles are read while the user rests, so that the first list
    // opened later does not wait for them either.
    if (model.activity != highFreq)
        ensureMameGameNameTable();

    if (model.state != Home && model.state != Settings && model.menuHeld && model.keyPresses == 0 &&
        now - model.menuDownTime > longMenuPressMs) {
        goHome(model, res);
        model.keyPresses++;
    }

    if ((model.state == Games || model.state == Favorites) && now - model.lastEventTime > lazyBackgroundMs &&
        !model.backgroundOverride && validRow(model) && model.row != model.overrideFailedIndex) {
        loadOverride(model);
    }
}
