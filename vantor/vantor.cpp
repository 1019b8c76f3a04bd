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

// What this module prints. The firmware's logs and the tests rely on these
// bytes: change a text only together with them.
constexpr char SDL_INIT_FAILED_MESSAGE[] = "vantor: SDL_Init failed: %s\n";
constexpr char NO_VIDEO_MODE_MESSAGE[] = "vantor: cannot set the video mode: %s\n";

// The display's own flip paces the loop on the device; a desktop window flips
// at once, so a frame there lasts at least this long while keys are pressed.
constexpr Uint32 MIN_FRAME_MS = 16;
// An idle frame sleeps this long; the clock is redrawn this often.
constexpr Uint32 IDLE_FRAME_DELAY_MS = 100;
constexpr Uint32 CLOCK_REFRESH_MS = 20000;

void watch_joysticks(MenuModel &model)
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
const char *const rewritten_files[] = {
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
void sweep_rewritten_temp_files(const struct timespec &run_start)
{
    for (const char *file : rewritten_files)
        remove_stale_temp_files(file, run_start);
}

void close_joysticks(MenuModel &model)
{
    for (SDL_Joystick *&joystick : model.joysticks) {
        if (joystick && SDL_JoystickOpened(SDL_JoystickIndex(joystick)))
            SDL_JoystickClose(joystick);
        joystick = nullptr;
    }
}

// A desktop or Xvfb (SDL's x11 driver) gets a normal window and X keycodes
// (Linux code + 8); the device, its framebuffer.
bool runs_in_window()
{
    char driver[32] = "";
    SDL_VideoDriverName(driver, sizeof(driver));
    return strcmp(driver, "x11") == 0;
}

SDL_Surface *open_screen(MenuModel &model, bool windowed)
{
    if (windowed) {
        SDL_WM_SetCaption("vantor", "vantor");
        model.power_scancode = POWER_SCANCODE_X11;
        return SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, 16, SDL_SWSURFACE);
    }
    model.power_scancode = POWER_SCANCODE_CONSOLE;
    return SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, 16, 0xC0000101);
}

// Skin settings, images, fonts, colours, labels, the Home title and the clock.
void prepare_skin(MenuModel &model, SkinResources &res)
{
    load_skin_images(res);
    load_language_fonts(res, res.language);
    format_title(res.title_text, sizeof(res.title_text), get_skin_setting(res.language, "title-label", "vantor %s"),
                 VERSION_TEXT);
    render_labels(res, 1);
    render_clock(res);
    model.clock_refresh = true;
    model.last_clock_refresh = menu_ticks();
}

void run_frame_loop(SDL_Surface *screen, MenuModel &model, SkinResources &res)
{
    while (!model.quit) {
        const Uint32 frame_start = menu_ticks();
        follow_hdmi_state(&model.last_hdmi);
        watch_joysticks(model);
        if (model.clock_refresh && menu_ticks() - model.last_clock_refresh > CLOCK_REFRESH_MS) {
            render_clock(res);
            model.last_clock_refresh = menu_ticks();
        }
        draw_frame(screen, res, model);
        SDL_Flip(screen);
        if (menu_frame_hook)
            menu_frame_hook(model);
        process_events(model, res);
        after_events(model, res);
        if (model.quit)
            break;
        if (model.activity != ACTIVITY_BUSY) {
            menu_delay(IDLE_FRAME_DELAY_MS);
        } else {
            const Uint32 spent = menu_ticks() - frame_start;
            if (spent < MIN_FRAME_MS)
                menu_delay(MIN_FRAME_MS - spent);
        }
    }
}

// Releases everything once the loop has ended.
void close_menu(MenuModel &model, SkinResources &res, bool windowed)
{
    if (!windowed)
        SDL_SetVideoMode(8, 8, 16, 0xC0000001);
    close_joysticks(model);
    free_model(model);
    free_settings();
    free_skin_resources(res);
    destroy_mame_game_name_table();
    TTF_Quit();
    IMG_Quit();
    SDL_Quit();
}

} // namespace

int vantor_main(int argc, char **argv)
{
    sweep_rewritten_temp_files(run_start_time());

    // The saved CPU speed, also the whole of a "restorecpu" run.
    const int cpu_speed = restore_cpu_speed();
    if (argc > 1 && argv[1] && strcmp(argv[1], "restorecpu") == 0)
        return 0;

    // Flags. The MAME title table is read when a list first shows rows
    // (generate_rom_texts), or once the menu sits idle.
    keep_aspect_ratio = get_keep_aspect_ratio_flag();

    std::unique_ptr<SkinResources> resources(new SkinResources());
    SkinResources &res = *resources;
    res.use12hour = get_12hour_flag();

    res.language_count = get_available_languages(&res.languages);
    copy_text(res.language, sizeof(res.language), get_language_setting());
    res.language_index = -1;

    // Where the last run left off; the record is used once.
    char *resume_folder = nullptr;
    int resume_index = 0;
    const int resume_state = get_menu_flags(&resume_folder, &resume_index);
    const std::string folder(resume_folder ? resume_folder : "");
    dev_unlink(MENU_FLAG_FILE);

    std::unique_ptr<MenuModel> menu(new MenuModel());
    MenuModel &model = *menu;
    model.cpu_speed = cpu_speed;

    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) != 0) {
        fprintf(stderr, SDL_INIT_FAILED_MESSAGE, SDL_GetError());
        destroy_items(res.language_count, &res.languages);
        destroy_mame_game_name_table();
        // Not a normal exit: the start-up script must be able to tell.
        return 1;
    }
    IMG_Init(IMG_INIT_PNG);
    TTF_Init();
    SDL_ShowCursor(SDL_DISABLE);
    SDL_JoystickEventState(SDL_ENABLE);

    const bool windowed = runs_in_window();
    SDL_Surface *screen = open_screen(model, windowed);
    if (!screen) {
        fprintf(stderr, NO_VIDEO_MODE_MESSAGE, SDL_GetError());
        free_skin_resources(res);
        destroy_mame_game_name_table();
        TTF_Quit();
        IMG_Quit();
        SDL_Quit();
        return 1;
    }

    prepare_skin(model, res);
    apply_resume_state(model, res, resume_state, resume_index, resume_folder ? folder.c_str() : nullptr);
    run_frame_loop(screen, model, res);
    close_menu(model, res, windowed);
    return 0;
}
