#include "vantor/vantor.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <SDL/SDL_ttf.h>

#include "common/devroot.h"
#include "common/safefile.h"
#include "vantor/content.h"
#include "vantor/hardware.h"
#include "vantor/menu.h"
#include "vantor/render.h"
#include "vantor/settings.h"
#include "vantor/skin.h"

namespace {

// The display's own flip paces the loop on the device; a desktop window flips
// at once, so a frame there lasts at least this long while keys are pressed.
constexpr Uint32 minFrameMs = 16;

void watchJoysticks(MenuModel &model)
{
    const int count = SDL_NumJoysticks();
    if (count >= 1 && !model.joysticks[0])
        model.joysticks[0] = SDL_JoystickOpen(0);
    if (count >= 2) {
        if (!model.joysticks[1])
            model.joysticks[1] = SDL_JoystickOpen(1);
    } else if (model.joysticks[1] && !SDL_JoystickName(1)) {
        SDL_JoystickClose(model.joysticks[1]);
        model.joysticks[1] = nullptr;
    }
}

// Every file the menu rewrites (crash-safely, through a temporary file beside
// it). The ScummVM copies in the game folders are not listed: their folders
// are not known at start.
const char *const rewrittenFiles[] = {
    MENU_FLAG_FILE,
    LANGUAGE_FLAG_FILE,
    CLOCK_12H_FLAG_FILE,
    "/mnt/mmc/CFW/cpuspeed",
    "/mnt/mmc/CFW/brightness",
    "/mnt/mmc/CFW/shutdown.flag",
    "/mnt/mmc/CFW/retroarch/command.sh",
    "/mnt/mmc/CFW/retroarch/gdbscript.txt",
    "/mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg",
    FAVORITES_PLAYLIST,
    MMC_HISTORY_PLAYLIST,
    SDCARD_HISTORY_PLAYLIST,
};

// Temporary files that a run cut short (power lost, killed) left beside
// those files; only ones older than this run.
void removeStaleTempFiles(const struct timespec &runStart)
{
    for (const char *file : rewrittenFiles)
        remove_stale_temp_files(file, runStart);
}

void closeJoysticks(MenuModel &model)
{
    for (SDL_Joystick *&joystick : model.joysticks) {
        if (joystick && SDL_JoystickOpened(SDL_JoystickIndex(joystick)))
            SDL_JoystickClose(joystick);
        joystick = nullptr;
    }
}

// A desktop or Xvfb (SDL's x11 driver) gets a normal window and X keycodes
// (Linux code + 8); the device, its framebuffer.
bool runsInWindow()
{
    char driver[32] = "";
    SDL_VideoDriverName(driver, sizeof(driver));
    return strcmp(driver, "x11") == 0;
}

SDL_Surface *openScreen(MenuModel &model, bool windowed)
{
    if (windowed) {
        SDL_WM_SetCaption("vantor", "vantor");
        model.powerScancode = powerScancodeX11;
        return SDL_SetVideoMode(screenWidth, screenHeight, 16, SDL_SWSURFACE);
    }
    model.powerScancode = powerScancodeConsole;
    return SDL_SetVideoMode(screenWidth, screenHeight, 16, 0xC0000101);
}

// Skin settings, images, fonts, colours, labels, the Home title and the clock.
void prepareSkin(MenuModel &model, SkinResources &res)
{
    loadSkinImages(res);
    loadLanguageFonts(res, res.language);
    formatTitle(titleText, sizeof(titleText), getSkinSetting(res.language, "title-label", "vantor %s"), versionText);
    renderLabels(res, 1);
    renderClock(res);
    model.clockRefresh = true;
    model.lastClockRefresh = menuTicks();
}

void runFrameLoop(SDL_Surface *screen, MenuModel &model, SkinResources &res)
{
    while (!model.quit) {
        const Uint32 frameStart = menuTicks();
        followHdmiState(&model.lastHdmi);
        watchJoysticks(model);
        if (model.clockRefresh && menuTicks() - model.lastClockRefresh > clockRefreshMs) {
            renderClock(res);
            model.lastClockRefresh = menuTicks();
        }
        drawFrame(screen, res, model);
        SDL_Flip(screen);
        if (menuFrameHook)
            menuFrameHook(model);
        processEvents(model, res);
        afterEvents(model, res);
        if (model.quit)
            break;
        if (model.activity != highFreq) {
            menuDelay(idleFrameDelayMs);
        } else {
            const Uint32 spent = menuTicks() - frameStart;
            if (spent < minFrameMs)
                menuDelay(minFrameMs - spent);
        }
    }
}

// Releases everything once the loop has ended.
void closeMenu(MenuModel &model, SkinResources &res, bool windowed)
{
    if (!windowed)
        SDL_SetVideoMode(8, 8, 16, 0xC0000001);
    closeJoysticks(model);
    freeModel(model);
    freeSettings();
    freeSkinResources(res);
    destroyMameGameNameTable();
    TTF_Quit();
    IMG_Quit();
    SDL_Quit();
}

} // namespace

int vantor_main(int argc, char **argv)
{
    removeStaleTempFiles(run_start_time());

    // The saved CPU speed, also the whole of a "restorecpu" run.
    const int cpuSpeed = restoreCPUSpeed();
    if (argc > 1 && argv[1] && strcmp(argv[1], "restorecpu") == 0)
        return 0;

    // Flags. The MAME title table is read when a list first shows rows
    // (generateRomTexts), or once the menu sits idle.
    keepAspectRatio = getKeepAspectRatioFlag();

    std::unique_ptr<SkinResources> resources(new SkinResources());
    SkinResources &res = *resources;
    res.use12hour = get12hourflag();

    res.languageCount = getAvailableLanguages(&res.languages);
    copyText(res.language, sizeof(res.language), getLanguageSetting());
    res.languageIndex = -1;

    // Where the last run left off; the record is used once.
    char *resumeFolder = nullptr;
    int resumeIndex = 0;
    const int resumeState = getMenuFlags(&resumeFolder, &resumeIndex);
    const std::string folder(resumeFolder ? resumeFolder : "");
    dev_unlink(MENU_FLAG_FILE);

    std::unique_ptr<MenuModel> menu(new MenuModel());
    MenuModel &model = *menu;
    model.cpuSpeed = cpuSpeed;

    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) != 0) {
        fprintf(stderr, "vantor: SDL_Init failed: %s\n", SDL_GetError());
        destroyItems(res.languageCount, &res.languages);
        destroyMameGameNameTable();
        // Not a normal exit: the start-up script must be able to tell.
        return 1;
    }
    IMG_Init(IMG_INIT_PNG);
    TTF_Init();
    SDL_ShowCursor(SDL_DISABLE);
    SDL_JoystickEventState(SDL_ENABLE);

    const bool windowed = runsInWindow();
    SDL_Surface *screen = openScreen(model, windowed);
    if (!screen) {
        fprintf(stderr, "vantor: cannot set the video mode: %s\n", SDL_GetError());
        freeSkinResources(res);
        destroyMameGameNameTable();
        TTF_Quit();
        IMG_Quit();
        SDL_Quit();
        return 1;
    }

    prepareSkin(model, res);
    applyResumeState(model, res, resumeState, resumeIndex, resumeFolder ? folder.c_str() : nullptr);
    runFrameLoop(screen, model, res);
    closeMenu(model, res, windowed);
    return 0;
}
