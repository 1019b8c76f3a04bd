#include "porta/ui/porta.h"

#include "common/devroot.h"
#include "common/safefile.h"
#include "porta/base/attr.h"
#include "porta/controller/joypad_cfg.h"
#include "porta/controller/players.h"
#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/keypad.h"
#include "porta/device/keysound.h"
#include "porta/device/storage.h"
#include "porta/ui/iotest.h"
#include "porta/library/browse.h"
#include "porta/library/corelist.h"
#include "porta/library/favorites.h"
#include "porta/library/history.h"
#include "porta/library/search.h"
#include "porta/library/systems.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/loop.h"
#include "porta/ui/screens.h"
#include "porta/ui/joymap.h"
#include "porta/ui/keymap.h"
#include "porta/ui/settings.h"
#include "porta/ui/themes.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <sys/stat.h>

// Console messages. The firmware's logs and the tests rely on their bytes:
// keep them exactly as they are, the function names inside them included.
constexpr char MSG_FB_FAIL[] = "init_device_display: init fbm fail ... \n";
constexpr char MSG_SDL_INIT_ERROR[] = "SDL_Init error %s\n";
constexpr char MSG_VIDEO_MODE_ERROR[] = "init_device_display, SDL_SetVideoMode error %s\n";
constexpr char MSG_TTF_INIT_ERROR[] = "TTF_Init error";
constexpr char MSG_DISPLAY_UP[] = "init_device_display: init success!\n";
constexpr char MSG_SHUTDOWN_VALUE[] = "---get_shutd_type: value=%d \n";
constexpr char MSG_LOGO_ERROR[] = "LOGO_one_picture: load logo picture error \n";
constexpr char MSG_INIT_NULL[] = "init_my_system: %d return NULL\n";
constexpr char MSG_INIT_SYSTEM_ERROR[] = "init system return error";
constexpr char MSG_CANT_OPEN[] = "can't open %s !\n";
constexpr char MSG_GAMELIST_NULL[] = "gamelist_init return NULL";
constexpr char MSG_INIT_OK[] = "----- init_my_system ---ok\n";
constexpr char MSG_MAIN_INIT_ERROR[] = "main : init return error\n";

constexpr char BOOT_MARKER[] = "/tmp/boot.ini";
constexpr char SHUTDOWN_MARKER[] = "/tmp/shutdown.ini";
constexpr char LOGO_MARKER[] = "/mnt/data/logo.ini";
constexpr char LOGO_PICTURE[] = "/mnt/vendor/boot/logo.png";
constexpr char SAVE_DIR[] = "/mnt/data/save/";

namespace {

const char *const save_folders[] = {"fbasdl", "fba4arm", "fc",   "gba",  "gbc",  "md",
                                    "sfc",    "sms",     "pcsx", "ngpc", "swan", "vbanext"};

// What writes cut short by a power cut or a kill left beside the files the
// launcher rewrites: only their own temporary names, only older than this run.
void remove_stale_writes(const struct timespec &run_start)
{
    static const char *const files[] = {
        ATTR_FILE,         LOCALPAD_MAP_FILE, HISTORY_FILE, FAVORITES_FILE, CORELIST_FILE,
        NEXT_COMMAND_FILE, GAMEPLACE_FILE,    GAMEDIR_FILE, SEARCH_FILE,
    };
    for (const char *f : files)
        remove_stale_temp_files(f, run_start);
    remove_stale_temp_files_in(JOYPAD_USER_DIR, ".cfg", run_start);
}

// Framebuffers, SDL, the three display surfaces and SDL_ttf.
int init_device_display(void)
{
    if (fb_init() != 0) {
        fputs(MSG_FB_FAIL, stdout);
        return -1;
    }
    setenv("SDL_NOMOUSE", "1", 1);
    // Video only: the launcher's timers have a thread of their own, and SDL's
    // timer thread would wake every millisecond for nothing.
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        printf(MSG_SDL_INIT_ERROR, SDL_GetError());
        return -1;
    }
    SDL_ShowCursor(SDL_DISABLE);
    SDL_WM_SetCaption("porta", "porta");
    lcd_surface = SDL_SetVideoMode(640, 480, 16, 0);
    hdmi_surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 1280, 720, 16, 0xF800, 0x07E0, 0x001F, 0);
    scratch_surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 1280, 720, 24, 0, 0, 0, 0);
    if (!lcd_surface || !hdmi_surface || !scratch_surface) {
        printf(MSG_VIDEO_MODE_ERROR, SDL_GetError());
        free_display_surfaces();
        SDL_Quit();
        return -1;
    }
    if (TTF_Init() != 0) {
        fputs(MSG_TTF_INIT_ERROR, stdout);
        free_display_surfaces();
        SDL_Quit();
        return -1;
    }
    fputs(MSG_DISPLAY_UP, stdout);
    sdl_up = 1;
    return 0;
}

} // namespace

int read_shutdown_request(void)
{
    FILE *f = dev_fopen(SHUTDOWN_MARKER, "r");
    if (!f)
        return 0;
    char line[129];
    memset(line, 0, sizeof(line));
    if (!fgets(line, sizeof(line), f))
        line[0] = '\0';
    fclose(f);
    // A number beyond the int range stays beyond it (as the handheld's 32-bit
    // atoi reads it): never cut down to 1 or 2.
    const long long number = strtoll(line, nullptr, 10);
    const int value = number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : static_cast<int>(number);
    printf(MSG_SHUTDOWN_VALUE, value);
    return value;
}

namespace {

// A power-off asked for by the previous run's script.
void read_shutdown_type(void)
{
    const int value = read_shutdown_request();
    if (value == 2 || value == 1) {
        shutdown_type = value;
        power_off();
    }
}

// The boot logo, centred on black.
void show_boot_logo(void)
{
    SDL_Surface *dst = current_surface();
    SDL_Surface *logo = load_img(LOGO_PICTURE);
    if (!logo) {
        fputs(MSG_LOGO_ERROR, stdout);
        return;
    }
    SDL_FillRect(dst, nullptr, 0);
    blit_at((dst->w - logo->w) / 2, (dst->h - logo->h) / 2, logo, dst);
    fb_present(output_device, dst);
    SDL_FreeSurface(logo);
}

// The emulators' save folders.
void make_save_folders(void)
{
    struct stat st;
    if (dev_stat(SAVE_DIR, &st) != 0 && errno == ENOENT)
        dev_mkdir(SAVE_DIR, 0777);
    char path[64];
    for (const char *name : save_folders) {
        snprintf(path, sizeof(path), "%s%s", SAVE_DIR, name);
        mkdir_if_missing(path);
    }
}

// Themes and the fixed picture sets. Their files are checked here,
// both outputs alike; each picture is decoded when first drawn.
int load_skin_resources(void)
{
    validate_skin_choice();
    int rc = load_background();
    if (rc != 0 && customer_skin) {
        // A card skin whose pictures exist but do not load must not keep the
        // launcher from starting: the built-in set takes over.
        customer_skin = 0;
        rc = load_background();
    }
    if (rc != 0) {
        printf(MSG_INIT_NULL, 997);
        return -1;
    }
    int lcd = load_title_bottom(OUTPUT_LCD);
    int hdmi = load_title_bottom(OUTPUT_HDMI);
    if (lcd != 0 || hdmi != 0) {
        printf(MSG_INIT_NULL, 1005);
        return -1;
    }
    lcd = load_lcd_other_img();
    hdmi = load_hdmi_other_img();
    if (lcd != 0 || hdmi != 0) {
        printf(MSG_INIT_NULL, 1013);
        return -1;
    }
    return 0;
}

// Stops the threads started so far and releases SDL.
void release_started(int report)
{
    stop_controllers();
    sound_deinit();
    gamelist_free_all();
    free_all_images();
    free_ui_fonts();
    free_display_surfaces();
    TTF_Quit();
    SDL_Quit();
    sdl_up = 0;
    if (report)
        fputs(MSG_INIT_SYSTEM_ERROR, stdout);
}

int init_system_failed(void)
{
    release_started(1);
    return -1;
}

// Signals, the loop's state and handlers, the settings' links to the screens
// they open; the launcher starts on the rooms with no TF card seen yet.
void start_ui_state(void)
{
    install_signal_handlers();
    loop_reset_state();
    settings_install();
    // The buttons page leads to the gamepad and keypad mapping screens, item 3
    // to the IO test.
    const SettingsLinks links = {iotest_open, joymap_load_images, joymap_open_reset, keymap_load_pictures};
    settings_set_links(&links);
    screen = SCREEN_ROOMS;
    prev_screen = SCREEN_ROOMS;
    tf_card_state = 0;
}

// The data folders, the writes a power cut left half done, and the attribute
// record.
void load_stored_state(void)
{
    mkdir_if_missing(ATTR_DIR);
    mkdir_if_missing(ATTR_JOYPAD_DIR);
    remove_stale_writes(run_start_time());
    load_global_attr();
}

// The first start since power-on sets the stored brightness and leaves the
// boot marker. True on the first start.
bool mark_first_start(void)
{
    if (dev_exists(BOOT_MARKER))
        return false;
    set_backlight(global_attr.brightness);
    FILE *f = dev_fopen(BOOT_MARKER, "w");
    if (f)
        fclose(f);
    else
        printf(MSG_CANT_OPEN, BOOT_MARKER);
    return true;
}

// The factory test instead of the launcher, left only towards power-off.
void run_factory_test_then_power_off(void)
{
    screen = SCREEN_FACTORY_TEST;
    run_factory_test();
    if (sigint_pending())
        handle_sigint();
    power_off();
}

// On the first start: a card asking for upgrade mode reboots into it (true:
// the process exits); otherwise the boot logo unless switched off.
bool upgrade_or_boot_logo(void)
{
    if (dev_exists("/mnt/sdcard/adfu.ini")) {
        shell_run("reboot adfu");
        // The input and sound threads end before the process does.
        release_started(0);
        loop_hooks.exit_process(0);
        return true;
    }
    if (!dev_exists(LOGO_MARKER)) {
        set_cpu_mode(CPU_MODE_USER);
        show_boot_logo();
    }
    return false;
}

// Resources, fonts, the game lists and the place of the last launch. 0, or
// -1 after releasing what was started.
int load_launcher(void)
{
    if (load_skin_resources() != 0)
        return init_system_failed();
    if (load_ui_fonts() != 0)
        return init_system_failed();
    if (gamelist_init() < 0) {
        fputs(MSG_GAMELIST_NULL, stdout);
        return init_system_failed();
    }
    fputs(MSG_INIT_OK, stdout);
    return 0;
}

// The main loop until it ends, then the exit path. For measurements on a
// development host the frames can all be drawn (PORTA_FULL_REDRAW=1) and
// texts rendered anew every time (PORTA_TEXT_CACHE=0).
void run_launcher(void)
{
    const char *full = getenv("PORTA_FULL_REDRAW");
    if (full && strcmp(full, "1") == 0)
        loop_set_frame_skipping(0);
    const char *cache = getenv("PORTA_TEXT_CACHE");
    if (cache && strcmp(cache, "0") == 0)
        text_cache_enable(0);
    loop_begin();
    run_main_loop();
    if (sigint_pending())
        handle_sigint();
    power_off();
}

} // namespace

int porta_main(int, char **)
{
    // Diagnostics reach a log file line by line, as they do on the console.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    start_ui_state();
    load_stored_state();
    const bool first_start = mark_first_start();

    if (init_device_display() != 0) {
        fputs(MSG_MAIN_INIT_ERROR, stdout);
        return -1;
    }
    // A power-off requested at start.
    read_shutdown_type();
    if (shutdown_type > 0 && !sdl_up)
        return 0;

    // Controllers, key sounds and the TF card; a card holding test.ini runs
    // the factory test.
    start_controllers();
    sound_init();
    tf_card_check();
    if (factory_test_wanted()) {
        run_factory_test_then_power_off();
        return 0;
    }

    // The TF card's skin folder.
    customer_skin = dev_exists(SKIN_DIR) ? 1 : 0;
    if (first_start && upgrade_or_boot_logo())
        return 0;
    make_save_folders();
    if (first_start)
        set_cpu_mode(CPU_MODE_FULL);

    if (load_launcher() != 0)
        return -1;
    run_launcher();
    return 0;
}
