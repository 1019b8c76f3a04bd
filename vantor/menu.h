#pragma once

// The front-end menu's state machine: screens, the selection model, the resume
// file, input translation (joystick hat and buttons to keys), auto-repeat and
// the key actions of every screen.

#include <SDL/SDL.h>

#include "vantor/content.h"
#include "vantor/render.h"

enum MenuState {
    STATE_HOME = 0,
    STATE_CONSOLES = 1,
    STATE_GAMES = 2,
    STATE_FAVORITES = 3,
    STATE_RECENT = 4,
    STATE_SETTINGS = 5
};

constexpr char MENU_FLAG_FILE[] = "/mnt/mmc/CFW/menu.flag";

// The power key's scancode on the device's console input; under X11 the
// scancode is the X keycode, Linux code + 8.
constexpr int POWER_SCANCODE_CONSOLE = 116;
constexpr int POWER_SCANCODE_X11 = 124;

// A selection in a screen: column, row and page.
struct ListPlace {
    int column = 0;
    int row = 0;
    int page = 0;
};

struct MenuModel {
    MenuState state = STATE_HOME;
    int column = 0;
    int row = 0;
    int max_column = 3;
    int max_row = 0;
    int page = 0;
    ItemList items = nullptr;
    int item_count = 0;

    // Where Back returns to: the Consoles place left for a Games list and the
    // Home entry left for any other screen (its page unused).
    ListPlace consoles_return;
    ListPlace home_return;

    Surface title;
    Surface background_override;
    int override_failed_index = -1;

    // Auto-repeat.
    int step = 0; // signed amount of the held direction, 0 when none
    bool repeat_this_frame = false;
    Uint32 last_step_time = 0;
    Uint32 last_real_event_time = 0;
    Uint32 last_event_time = 0;
    SDL_Event repeat_event = {}; // the key-down of the held direction
    Uint32 repeat_delay = 250;
    Uint32 repeat_interval = 90;
    int held_hat = 0;

    // Menu button.
    bool menu_held = false;
    Uint32 menu_down_time = 0;
    int key_presses = 0;

    bool no_state_load = false;
    bool quit = false;
    int last_hdmi = -1;
    SDL_Joystick *joysticks[2] = {nullptr, nullptr};
    int cpu_speed = 0;
    int activity = 0;
    Uint32 last_key_press = 0;
    bool clock_refresh = true;
    Uint32 last_clock_refresh = 0;

    // The power key's scancode for the running video driver.
    int power_scancode = POWER_SCANCODE_CONSOLE;
};

// --- Hooks (tests replace them; the program uses SDL's own) ---------------------

// Milliseconds since start.
extern Uint32 (*menu_ticks)();
// Sleeps for the idle pacing.
extern void (*menu_delay)(Uint32 ms);
// Called once per frame before the events are processed.
extern void (*menu_frame_hook)(MenuModel &model);

// --- Resume file -------------------------------------------------------------------

// Reads menu.flag: returns the state to resume (-1 when the file is missing,
// empty or names no known state), the second line as *index (0 when absent)
// and the third line as *folder (nullptr when absent; a buffer of this module,
// valid until the next call).
int get_menu_flags(char **folder, int *index);
// The text of the resume file for the model's state; empty when the state is
// not recorded (Consoles is recorded only by the power key).
std::string menu_flag_text(const MenuModel &model, bool power_key);
// Writes the resume file for the current state. Returns 0 or -1.
int write_menu_flags(const MenuModel &model, bool power_key);

// --- Transitions ---------------------------------------------------------------------

// Applies the resume state read at start-up.
void apply_resume_state(MenuModel &model, SkinResources &res, int state, int index, const char *folder);
void enter_recent(MenuModel &model, SkinResources &res);
void enter_favorites(MenuModel &model, SkinResources &res);
void enter_consoles(MenuModel &model, SkinResources &res);
void enter_games(MenuModel &model, SkinResources &res, const char *folder);
void open_settings(MenuModel &model, SkinResources &res);
// Back to Home at the saved Home position.
void go_home(MenuModel &model, SkinResources &res);
// Back from Games to Consoles at the saved position.
void back_to_consoles(MenuModel &model, SkinResources &res);
// Renders the title surface from a text.
void set_title(MenuModel &model, SkinResources &res, const char *text);
// Frees the list and every surface the model holds.
void free_model(MenuModel &model);

// --- Selection rules ---------------------------------------------------------------------

// The row after a step with wrap-around (below 0 -> max_row, past max_row -> 0).
int wrap_row(int row, int step, int max_row);
// The last Consoles page for a folder count.
int last_consoles_page(int count);
// Letter jump in a list: the new row ('h' back when forward is 0, 'l' forward).
int letter_jump(char **items, int count, int row, int forward);

// --- Input ------------------------------------------------------------------------------

// Turns a joystick event into a key event. Returns 1 with *out filled, or 0
// when the event gives no key (hat changes that are not acted on, unmapped
// buttons). Other events are copied unchanged and return 1.
int translate_event(MenuModel &model, const SDL_Event &in, SDL_Event *out);
// Handles one (translated) event; `repeat` when it replays the held direction.
void handle_event(MenuModel &model, SkinResources &res, const SDL_Event &event, bool repeat);
// One pass of event processing with auto-repeat (after the flip).
void process_events(MenuModel &model, SkinResources &res);
// Frame-loop steps that follow the events: activity level, reading the MAME
// titles once idle, long Menu press, lazy background loading.
void after_events(MenuModel &model, SkinResources &res);
