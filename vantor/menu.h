#pragma once

// The front-end menu's state machine: screens, the selection model, the resume
// file, input translation (joystick hat and buttons to keys), auto-repeat and
// the key actions of every screen.

#include <SDL/SDL.h>

#include "vantor/content.h"
#include "vantor/render.h"

enum MenuState { Home = 0, Consoles = 1, Games = 2, Favorites = 3, Recent = 4, Settings = 5 };

#define MENU_FLAG_FILE "/mnt/mmc/CFW/menu.flag"

// Keys the joystick produces (the keyboard gives the same letters).
constexpr int keyUp = 'w';
constexpr int keyDown = 's';
constexpr int keyLeft = 'q';
constexpr int keyRight = 'd';
// The power key's scancode on the device's console input; under X11 the
// scancode is the X keycode, Linux code + 8.
constexpr int powerScancodeConsole = 116;
constexpr int powerScancodeX11 = 124;

constexpr Uint32 longMenuPressMs = 1000;
constexpr Uint32 idleAfterMs = 2000;
constexpr Uint32 idleFrameDelayMs = 100;
constexpr Uint32 clockRefreshMs = 20000;
constexpr Uint32 lazyBackgroundMs = 90;

struct MenuModel {
    MenuState state = Home;
    int column = 0;
    int row = 0;
    int maxColumn = 3;
    int maxRow = 0;
    int page = 0;
    ItemList items = nullptr;
    int itemCount = 0;

    int consolesReturnColumn = 0;
    int consolesReturnRow = 0;
    int consolesReturnPage = 0;
    int homeReturnColumn = 0;
    int homeReturnRow = 0;

    Surface title;
    Surface backgroundOverride;
    int overrideFailedIndex = -1;

    // Auto-repeat.
    int step = 0; // signed amount of the held direction, 0 when none
    bool repeatThisFrame = false;
    Uint32 lastStepTime = 0;
    Uint32 lastRealEventTime = 0;
    Uint32 lastEventTime = 0;
    SDL_Event repeatEvent = {}; // the key-down of the held direction
    Uint32 repeatDelay = 250;
    Uint32 repeatInterval = 90;
    int heldHat = 0;

    // Menu button.
    bool menuHeld = false;
    Uint32 menuDownTime = 0;
    int keyPresses = 0;

    bool noStateLoad = false;
    bool quit = false;
    int lastHdmi = -1;
    SDL_Joystick *joysticks[2] = {nullptr, nullptr};
    int cpuSpeed = 0;
    int activity = 0;
    Uint32 lastKeyPress = 0;
    bool clockRefresh = true;
    Uint32 lastClockRefresh = 0;

    // The power key's scancode for the running video driver.
    int powerScancode = powerScancodeConsole;
};

// --- Hooks (tests replace them; the program uses SDL's own) ---------------------

// Milliseconds since start.
extern Uint32 (*menuTicks)();
// Sleeps for the idle pacing.
extern void (*menuDelay)(Uint32 ms);
// Called once per frame before the events are processed.
extern void (*menuFrameHook)(MenuModel &model);

// --- Resume file -------------------------------------------------------------------

// The third line of the resume file ("games" form).
extern char resumeSystemNameBuffer[4097];
// Reads menu.flag: returns the state to resume (-1 when the file is missing,
// empty or names no known state), the second line as *index (0 when absent)
// and the third line as *folder (nullptr when absent).
int getMenuFlags(char **folder, int *index);
// The text of the resume file for the model's state; empty when the state is
// not recorded (Consoles is recorded only by the power key).
std::string menuFlagText(const MenuModel &model, bool powerKey);
// Writes the resume file for the current state. Returns 0 or -1.
int writeMenuFlags(const MenuModel &model, bool powerKey);

// --- Transitions ---------------------------------------------------------------------

// Applies the resume state read at start-up.
void applyResumeState(MenuModel &model, SkinResources &res, int state, int index, const char *folder);
void enterRecent(MenuModel &model, SkinResources &res);
void enterFavorites(MenuModel &model, SkinResources &res);
void enterConsoles(MenuModel &model, SkinResources &res);
void enterGames(MenuModel &model, SkinResources &res, const char *folder);
void openSettings(MenuModel &model, SkinResources &res);
// Back to Home at the saved Home position.
void goHome(MenuModel &model, SkinResources &res);
// Back from Games to Consoles at the saved position.
void backToConsoles(MenuModel &model, SkinResources &res);
// Renders the title surface from a text.
void setTitle(MenuModel &model, SkinResources &res, const char *text);
// Frees the list and every surface the model holds.
void freeModel(MenuModel &model);

// --- Selection rules ---------------------------------------------------------------------

// The row after a step with wrap-around (below 0 -> maxRow, past maxRow -> 0).
int wrapRow(int row, int step, int maxRow);
// The last Consoles page for a folder count.
int lastConsolesPage(int count);
// Letter jump in a list: the new row ('h' back when forward is 0, 'l' forward).
int letterJump(char **items, int count, int row, int forward);

// --- Input ------------------------------------------------------------------------------

// Turns a joystick event into a key event. Returns 1 with *out filled, or 0
// when the event gives no key (hat changes that are not acted on, unmapped
// buttons). Other events are copied unchanged and return 1.
int translateEvent(MenuModel &model, const SDL_Event &in, SDL_Event *out);
// Handles one (translated) event; `repeat` when it replays the held direction.
void handleEvent(MenuModel &model, SkinResources &res, const SDL_Event &event, bool repeat);
// One pass of event processing with auto-repeat (after the flip).
void processEvents(MenuModel &model, SkinResources &res);
// Frame-loop steps that follow the events: activity level, reading the MAME
// titles once idle, long Menu press, lazy background loading.
void afterEvents(MenuModel &model, SkinResources &res);
