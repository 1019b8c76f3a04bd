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

namespace {

// Keys the joystick produces (the keyboard gives the same letters).
constexpr int UP_KEY = 'w';
constexpr int DOWN_KEY = 's';
constexpr int LEFT_KEY = 'q';
constexpr int RIGHT_KEY = 'd';

// A Menu press held longer than this goes back Home.
constexpr Uint32 LONG_MENU_PRESS_MS = 1000;
// With no key for this long the menu is idle (slower frames, MAME titles read).
constexpr Uint32 IDLE_AFTER_MS = 2000;
// A list row's own background is loaded once the selection rests this long.
constexpr Uint32 LAZY_BACKGROUND_MS = 90;

Uint32 sdl_ticks()
{
    return SDL_GetTicks();
}

void sdl_delay(Uint32 ms)
{
    SDL_Delay(ms);
}

} // namespace

Uint32 (*menu_ticks)() = sdl_ticks;
void (*menu_delay)(Uint32 ms) = sdl_delay;
void (*menu_frame_hook)(MenuModel &model) = nullptr;

namespace {

// The third line of the resume file ("games" form), handed out by get_menu_flags.
char resume_system_name_buffer[PATH_BUFFER_SIZE];

bool is_list_state(int state)
{
    return state == STATE_GAMES || state == STATE_FAVORITES || state == STATE_RECENT;
}

bool valid_row(const MenuModel &model)
{
    return model.items && model.row >= 0 && model.row < model.item_count;
}

// A label of the current language, copied before the next lookup.
std::string label(const SkinResources &res, const char *key, const char *def)
{
    return get_skin_setting(res.language, key, def);
}

void free_list(MenuModel &model)
{
    destroy_items(model.item_count, &model.items);
    model.items = nullptr;
    model.item_count = 0;
}

void drop_override(MenuModel &model)
{
    model.background_override.reset();
}

void load_override(MenuModel &model)
{
    model.background_override.reset();
    if (!valid_row(model))
        return;
    SDL_Surface *screen = SDL_GetVideoSurface();
    model.background_override.reset(
        get_background_override(model.items[model.row], model.state, screen, model.state == STATE_RECENT));
    if (!model.background_override)
        model.override_failed_index = model.row;
}

void render_rows(MenuModel &model, SkinResources &res)
{
    generate_rom_texts(res.font.get(), res.active_color, res.inactive_color, res.favorite_active_color,
                       res.favorite_inactive_color, model.row, model.item_count, model.items, res.rows);
}

void render_tiles(MenuModel &model, SkinResources &res)
{
    int first = model.page * TILES_PER_PAGE;
    int count = model.item_count - first;
    generate_system_texts(res.font.get(), res.guide_color, res.tiles, count > 0 ? count : 0,
                          count > 0 ? model.items + first : nullptr);
}

void clear_rows(SkinResources &res)
{
    for (Surface &s : res.rows)
        s.reset();
}

void clear_tiles(SkinResources &res)
{
    for (Surface &s : res.tiles)
        s.reset();
}

// The common tail of every list state that is entered.
void list_tail(MenuModel &model, SkinResources &res)
{
    model.max_column = 0;
    model.column = 0;
    model.max_row = model.item_count > 0 ? model.item_count - 1 : 0;
    model.page = 0;
    model.override_failed_index = -1;
    clear_tiles(res);
    render_rows(model, res);
    drop_override(model);
    if (model.item_count > 0)
        load_override(model);
}

const char *last_component(const char *path)
{
    const char *slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

bool is_left_key(int sym)
{
    return sym == LEFT_KEY || sym == SDLK_LEFT;
}
bool is_right_key(int sym)
{
    return sym == RIGHT_KEY || sym == SDLK_RIGHT;
}
bool is_up_key(int sym)
{
    return sym == UP_KEY || sym == SDLK_UP;
}
bool is_down_key(int sym)
{
    return sym == DOWN_KEY || sym == SDLK_DOWN;
}

int hat_key(int value)
{
    switch (value) {
    case SDL_HAT_UP: return UP_KEY;
    case SDL_HAT_DOWN: return DOWN_KEY;
    case SDL_HAT_LEFT: return LEFT_KEY;
    case SDL_HAT_RIGHT: return RIGHT_KEY;
    default: return 0;
    }
}

int button_key(int button)
{
    static const int keys[12] = {'a', 'b', 'x', 'y', 0, 'h', 'l', 'n', 'm', 'u', 'r', 't'};
    if (button < 0 || button >= 12)
        return 0;
    return keys[button];
}

void make_key_event(SDL_Event *out, int down, int sym)
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

int get_menu_flags(char **folder, int *index)
{
    *folder = nullptr;
    *index = 0;
    ItemList lines = nullptr;
    int count = read_all_lines(MENU_FLAG_FILE, &lines);
    if (count <= 0)
        return -1;
    int state = -1;
    if (strcmp(lines[0], "recent") == 0)
        state = STATE_RECENT;
    else if (strcmp(lines[0], "favorites") == 0)
        state = STATE_FAVORITES;
    else if (strcmp(lines[0], "games") == 0)
        state = STATE_GAMES;
    else if (strcmp(lines[0], "consoles") == 0)
        state = STATE_CONSOLES;
    else if (strcmp(lines[0], "home") == 0)
        state = STATE_HOME;
    if (count > 1)
        *index = atoi(lines[1]);
    if (count > 2) {
        copy_text(resume_system_name_buffer, sizeof(resume_system_name_buffer), lines[2]);
        *folder = resume_system_name_buffer;
    }
    destroy_items(count, &lines);
    return state;
}

std::string menu_flag_text(const MenuModel &model, bool power_key)
{
    char buf[4200];
    switch (model.state) {
    case STATE_RECENT: return "recent";
    case STATE_FAVORITES: snprintf(buf, sizeof(buf), "favorites\n%d", model.row); return buf;
    case STATE_GAMES: {
        if (!valid_row(model))
            return std::string();
        std::string folder(model.items[model.row]);
        size_t slash = folder.rfind('/');
        if (slash != std::string::npos)
            folder.resize(slash);
        snprintf(buf, sizeof(buf), "games\n%d\n", model.row);
        return buf + folder;
    }
    case STATE_CONSOLES: return power_key ? "consoles" : std::string();
    case STATE_HOME: snprintf(buf, sizeof(buf), "home\n%d", model.column); return buf;
    case STATE_SETTINGS: snprintf(buf, sizeof(buf), "home\n%d", model.home_return.column); return buf;
    }
    return std::string();
}

int write_menu_flags(const MenuModel &model, bool power_key)
{
    std::string text = menu_flag_text(model, power_key);
    if (text.empty())
        return -1;
    return write_file_atomic(MENU_FLAG_FILE, text);
}

// --- Transitions -----------------------------------------------------------------------

void set_title(MenuModel &model, SkinResources &res, const char *text)
{
    model.title.reset(render_text(res.font.get(), text, res.guide_color));
}

void free_model(MenuModel &model)
{
    free_list(model);
    model.title.reset();
    model.background_override.reset();
}

namespace {

// Opens one of Home's two playlists at its first row; B goes back to its tile.
void enter_playlist(MenuModel &model, SkinResources &res, MenuState state, const char *label_key,
                    const char *label_default, int home_column, int (*read_playlist)(ItemList *items))
{
    free_list(model);
    model.state = state;
    set_title(model, res, label(res, label_key, label_default).c_str());
    model.home_return = {home_column, 0};
    model.item_count = read_playlist(&model.items);
    model.row = 0;
    list_tail(model, res);
}

} // namespace

void enter_recent(MenuModel &model, SkinResources &res)
{
    enter_playlist(model, res, STATE_RECENT, "recent-label", "Recent", HOME_RECENT, get_history);
}

void enter_favorites(MenuModel &model, SkinResources &res)
{
    enter_playlist(model, res, STATE_FAVORITES, "favorites-label", "Favorites", HOME_FAVORITES, get_favorites);
}

void enter_consoles(MenuModel &model, SkinResources &res)
{
    free_list(model);
    model.state = STATE_CONSOLES;
    set_title(model, res, label(res, "consoles-label", "Consoles").c_str());
    model.item_count = get_folders(&model.items);
    model.max_column = 3;
    model.max_row = 1;
    model.page = 0;
    model.column = 0;
    model.row = 0;
    clear_rows(res);
    render_tiles(model, res);
    drop_override(model);
}

void enter_games(MenuModel &model, SkinResources &res, const char *folder)
{
    std::string path(folder ? folder : "");
    free_list(model);
    model.state = STATE_GAMES;
    set_title(model, res, last_component(path.c_str()));
    model.item_count = get_files(path.c_str(), &model.items);
    model.row = 0;
    list_tail(model, res);
}

void open_settings(MenuModel &model, SkinResources &res)
{
    free_list(model);
    model.home_return = {model.column, model.row};
    model.state = STATE_SETTINGS;
    model.title.reset(render_settings_title(res));
    model.max_column = SETTINGS_MAX_COLUMN;
    model.max_row = 0;
    model.column = 0;
    model.row = 0;
    model.clock_refresh = false;
    drop_override(model);
    enter_settings(res);
}

void go_home(MenuModel &model, SkinResources &res)
{
    free_list(model);
    model.state = STATE_HOME;
    set_title(model, res, res.title_text);
    model.column = model.home_return.column;
    model.row = model.home_return.row;
    if (model.column < 0 || model.column > 3)
        model.column = 0;
    model.max_column = 3;
    model.max_row = 0;
    model.page = 0;
    drop_override(model);
    clear_rows(res);
    clear_tiles(res);
}

void back_to_consoles(MenuModel &model, SkinResources &res)
{
    free_list(model);
    model.state = STATE_CONSOLES;
    // The header names the screen again, not the folder that was open.
    set_title(model, res, label(res, "consoles-label", "Consoles").c_str());
    model.column = model.consoles_return.column;
    model.row = model.consoles_return.row;
    model.page = model.consoles_return.page;
    model.item_count = get_folders(&model.items);
    model.max_column = 3;
    model.max_row = 1;
    if (model.page > last_consoles_page(model.item_count))
        model.page = 0;
    clear_rows(res);
    render_tiles(model, res);
    drop_override(model);
}

namespace {

// Selects the list row a resume file names, when the list has it.
void select_resumed_row(MenuModel &model, SkinResources &res, int index)
{
    if (index >= 0 && index < model.item_count && index != model.row) {
        model.row = index;
        render_rows(model, res);
        load_override(model);
    }
}

} // namespace

void apply_resume_state(MenuModel &model, SkinResources &res, int state, int index, const char *folder)
{
    switch (state) {
    case STATE_RECENT:
        enter_recent(model, res);
        model.home_return = {};
        break;
    case STATE_FAVORITES:
        enter_favorites(model, res);
        model.home_return = {HOME_FAVORITES, 0};
        select_resumed_row(model, res, index);
        break;
    case STATE_CONSOLES:
        model.home_return = {HOME_CONSOLES, 0};
        enter_consoles(model, res);
        break;
    case STATE_GAMES:
        if (!folder) {
            // A games record without its folder cannot be resumed.
            go_home(model, res);
            model.column = 0;
            break;
        }
        model.consoles_return = {};
        model.home_return = {HOME_CONSOLES, 0};
        enter_games(model, res, folder);
        select_resumed_row(model, res, index);
        break;
    case STATE_HOME:
        model.home_return = {(index >= 0 && index <= 3) ? index : 0, 0};
        go_home(model, res);
        break;
    default:
        model.home_return = {};
        go_home(model, res);
        break;
    }
}

// --- Selection rules ------------------------------------------------------------------------

int wrap_row(int row, int step, int max_row)
{
    int next = row + step;
    if (next < 0)
        return max_row;
    if (next > max_row)
        return 0;
    return next;
}

int last_consoles_page(int count)
{
    int page = count / TILES_PER_PAGE;
    if (count % TILES_PER_PAGE == 0)
        page--;
    return page < 0 ? 0 : page;
}

namespace {

unsigned char key_letter(const char *path)
{
    return static_cast<unsigned char>(last_component(path)[0]);
}

} // namespace

int letter_jump(char **items, int count, int row, int forward)
{
    if (!items || count < 2 || row < 0 || row >= count)
        return row;
    unsigned char current = key_letter(items[row]);
    if (forward) {
        for (int i = row + 1; i < count; i++) {
            if (key_letter(items[i]) != current)
                return i;
        }
        return 0;
    }
    for (int i = row - 1; i >= 0; i--) {
        unsigned char letter = key_letter(items[i]);
        if (letter == current)
            continue;
        // items[i] belongs to the previous group; find where it starts.
        for (int j = i - 1; j >= 0; j--) {
            if (key_letter(items[j]) != letter)
                return j + 1;
        }
        return 0;
    }
    // Already in the first group: go to the start of the last one.
    unsigned char last = key_letter(items[count - 1]);
    for (int i = count - 2; i >= 0; i--) {
        if (key_letter(items[i]) != last)
            return i + 1;
    }
    return 0;
}

// --- Input --------------------------------------------------------------------------------

int translate_event(MenuModel &model, const SDL_Event &in, SDL_Event *out)
{
    switch (in.type) {
    case SDL_JOYHATMOTION: {
        if (in.jhat.hat != 0)
            return 0;
        int value = in.jhat.value;
        if (value == model.held_hat)
            return 0;
        if (model.held_hat != 0) {
            int key = hat_key(model.held_hat);
            model.held_hat = 0;
            if (!key)
                return 0;
            make_key_event(out, 0, key);
            return 1;
        }
        model.held_hat = value;
        int key = hat_key(value);
        if (!key)
            return 0;
        make_key_event(out, 1, key);
        return 1;
    }
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP: {
        int key = button_key(in.jbutton.button);
        if (!key)
            return 0;
        make_key_event(out, in.type == SDL_JOYBUTTONDOWN, key);
        return 1;
    }
    default: *out = in; return 1;
    }
}

namespace {

void list_step(MenuModel &model, SkinResources &res, int amount, bool repeat)
{
    model.row = wrap_row(model.row, amount, model.max_row);
    model.step = amount;
    model.last_step_time = menu_ticks();
    render_rows(model, res);
    drop_override(model);
    if (model.state == STATE_RECENT || !repeat)
        load_override(model);
}

void column_step(MenuModel &model, SkinResources &res, int delta)
{
    int column = model.column + delta;
    if (model.state == STATE_CONSOLES) {
        if (column < 0) {
            column = model.max_column;
            model.page = model.page > 0 ? model.page - 1 : last_consoles_page(model.item_count);
        } else if (column > model.max_column) {
            column = 0;
            model.page = (model.page + 1) * TILES_PER_PAGE < model.item_count ? model.page + 1 : 0;
        }
        model.column = column;
        render_tiles(model, res);
        return;
    }
    if (column < 0)
        column = model.max_column;
    else if (column > model.max_column)
        column = 0;
    model.column = column;
}

void launch_selected(MenuModel &model, SkinResources &res, bool without_state_load)
{
    if (!valid_row(model))
        return;
    if (without_state_load)
        model.no_state_load = true;
    if (launch_item(model.items[model.row], model.state, model.no_state_load ? 1 : 0, res.iso_code) < 0) {
        // Nothing could launch it: stay in the menu.
        model.no_state_load = false;
        return;
    }
    write_menu_flags(model, false);
    model.quit = true;
}

void leave_settings_screen(MenuModel &model, SkinResources &res)
{
    leave_settings(res);
    model.clock_refresh = true;
    model.last_clock_refresh = menu_ticks();
    go_home(model, res);
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
    KeyAction confirm;     // a, Return
    KeyAction back;        // b, Escape
    KeyAction left_right;  // left, right
    KeyAction up_down;     // up, down
    KeyAction letter_jump; // h (back), l (forward)
    KeyAction remove;      // x
    KeyAction favorite;    // y
    KeyAction menu;        // m
};

void home_confirm(MenuModel &model, SkinResources &res, const KeyPress &)
{
    switch (model.column) {
    case HOME_RECENT: enter_recent(model, res); break;
    case HOME_FAVORITES: enter_favorites(model, res); break;
    case HOME_CONSOLES:
        model.home_return = {model.column, model.row};
        enter_consoles(model, res);
        break;
    case HOME_RETROARCH:
        launch_retroarch(res.iso_code);
        write_menu_flags(model, false);
        model.quit = true;
        break;
    }
}

void consoles_confirm(MenuModel &model, SkinResources &res, const KeyPress &)
{
    int index = model.page * TILES_PER_PAGE + model.row * 4 + model.column;
    if (index < 0 || index >= model.item_count)
        return;
    model.consoles_return = {model.column, model.row, model.page};
    std::string folder(model.items[index]);
    enter_games(model, res, folder.c_str());
}

void list_confirm(MenuModel &model, SkinResources &res, const KeyPress &)
{
    launch_selected(model, res, false);
}

void list_menu(MenuModel &model, SkinResources &res, const KeyPress &)
{
    launch_selected(model, res, true);
}

void back_home(MenuModel &model, SkinResources &res, const KeyPress &)
{
    go_home(model, res);
}

void games_back(MenuModel &model, SkinResources &res, const KeyPress &)
{
    back_to_consoles(model, res);
}

void settings_back(MenuModel &model, SkinResources &res, const KeyPress &)
{
    leave_settings_screen(model, res);
}

void home_menu(MenuModel &model, SkinResources &res, const KeyPress &)
{
    open_settings(model, res);
}

void step_column(MenuModel &model, SkinResources &res, const KeyPress &press)
{
    column_step(model, res, press.delta);
}

// The held direction steps again while it stays down (process_events).
void step_list_row(MenuModel &model, SkinResources &res, const KeyPress &press, int amount)
{
    model.repeat_event.type = SDL_KEYDOWN;
    model.repeat_event.key = press.key;
    list_step(model, res, amount, press.repeat);
}

void list_left_right(MenuModel &model, SkinResources &res, const KeyPress &press)
{
    column_step(model, res, press.delta);
    int amount = press.delta;
    // The joystick's hat pages through the longer lists.
    bool hat_key = press.sym == LEFT_KEY || press.sym == RIGHT_KEY;
    if (hat_key && (model.state == STATE_GAMES || model.state == STATE_FAVORITES) && model.item_count > 8)
        amount = press.delta * 8;
    step_list_row(model, res, press, amount);
}

void list_up_down(MenuModel &model, SkinResources &res, const KeyPress &press)
{
    step_list_row(model, res, press, press.delta);
}

void consoles_up_down(MenuModel &model, SkinResources &, const KeyPress &press)
{
    model.row = wrap_row(model.row, press.delta, 1);
}

void settings_up_down(MenuModel &model, SkinResources &res, const KeyPress &press)
{
    // Up raises the field's value, down lowers it.
    if (change_settings_field(res, model.column, -press.delta) == 1)
        model.title.reset(render_settings_title(res));
}

void jump_letter(MenuModel &model, SkinResources &res, const KeyPress &press)
{
    if (model.item_count < 2 || !valid_row(model))
        return;
    model.row = letter_jump(model.items, model.item_count, model.row, press.sym == 'l');
    render_rows(model, res);
    load_override(model);
}

void recent_remove(MenuModel &model, SkinResources &res, const KeyPress &)
{
    if (!valid_row(model))
        return;
    remove_from_recent(model.items[model.row]);
    free_list(model);
    model.item_count = get_history(&model.items);
    model.row = model.row > 0 ? model.row - 1 : 0;
    model.max_row = model.item_count > 0 ? model.item_count - 1 : 0;
    if (model.row > model.max_row)
        model.row = model.max_row;
    render_rows(model, res);
    load_override(model);
}

void list_favorite(MenuModel &model, SkinResources &res, const KeyPress &)
{
    if (!valid_row(model))
        return;
    const std::string path(model.items[model.row]);
    if (is_favorited(path.c_str())) {
        remove_from_favorites(path.c_str());
        if (model.state == STATE_FAVORITES) {
            free_list(model);
            model.item_count = get_favorites(&model.items);
            model.max_row = model.item_count > 0 ? model.item_count - 1 : 0;
            if (model.row >= model.item_count)
                model.row = model.item_count > 0 ? model.item_count - 1 : 0;
            load_override(model);
        }
    } else {
        add_to_favorites(path.c_str());
    }
    render_rows(model, res);
}

// One row per screen, in MenuState order.
const ScreenKeys screen_keys[] = {
    /* Home */ {home_confirm, nullptr, step_column, nullptr, nullptr, nullptr, nullptr, home_menu},
    /* Consoles */ {consoles_confirm, back_home, step_column, consoles_up_down, nullptr, nullptr, nullptr, nullptr},
    /* Games */
    {list_confirm, games_back, list_left_right, list_up_down, jump_letter, nullptr, list_favorite, list_menu},
    /* Favorites */
    {list_confirm, back_home, list_left_right, list_up_down, jump_letter, nullptr, list_favorite, list_menu},
    /* Recent */
    {list_confirm, back_home, list_left_right, list_up_down, nullptr, recent_remove, list_favorite, list_menu},
    /* Settings */ {nullptr, settings_back, step_column, settings_up_down, nullptr, nullptr, nullptr, settings_back},
};
static_assert(sizeof(screen_keys) / sizeof(screen_keys[0]) == STATE_SETTINGS + 1, "one row per menu state");

// The column of the screens' table that a key uses, or nullptr when the key
// acts the same on every screen.
KeyAction ScreenKeys::*screen_key_column(int sym)
{
    if (sym == 'a' || sym == SDLK_RETURN)
        return &ScreenKeys::confirm;
    if (sym == 'b' || sym == SDLK_ESCAPE)
        return &ScreenKeys::back;
    if (is_left_key(sym) || is_right_key(sym))
        return &ScreenKeys::left_right;
    if (is_up_key(sym) || is_down_key(sym))
        return &ScreenKeys::up_down;
    switch (sym) {
    case 'h':
    case 'l': return &ScreenKeys::letter_jump;
    case 'x': return &ScreenKeys::remove;
    case 'y': return &ScreenKeys::favorite;
    case 'm': return &ScreenKeys::menu;
    default: return nullptr;
    }
}

// The keys that act on every screen: the CPU speed, the Menu button and,
// while Menu is held, the backlight.
void on_global_key(MenuModel &model, int sym, Uint32 now)
{
    switch (sym) {
    case 'n': model.cpu_speed = cycle_cpu_speed(model.cpu_speed); break;
    case 'u':
        model.menu_held = true;
        model.menu_down_time = now;
        model.key_presses = 0;
        break;
    case 'r':
        if (model.menu_held)
            change_brightness(1);
        break;
    case 't':
        if (model.menu_held)
            change_brightness(-1);
        break;
    default: break;
    }
}

void on_key_down(MenuModel &model, SkinResources &res, const SDL_KeyboardEvent &key, bool repeat)
{
    const int sym = key.keysym.sym;
    const Uint32 now = menu_ticks();
    model.key_presses++;
    model.last_key_press = now;

    if (!repeat && key.keysym.scancode != 0 && key.keysym.scancode == model.power_scancode) {
        write_menu_flags(model, true);
        power_off();
        model.quit = true;
        return;
    }
    KeyAction ScreenKeys::*column = screen_key_column(sym);
    if (!column) {
        on_global_key(model, sym, now);
        return;
    }
    const int delta = is_left_key(sym) || is_up_key(sym) ? -1 : 1;
    if (KeyAction action = screen_keys[model.state].*column)
        action(model, res, KeyPress{key, sym, delta, repeat});
}

void on_key_up(MenuModel &model, SkinResources &res, const SDL_KeyboardEvent &key)
{
    const int sym = key.keysym.sym;
    // Releasing any direction ends its repeat. Repeats only run in the lists,
    // so a direction released on another screen must not keep stepping once
    // a list is entered again.
    if (is_left_key(sym) || is_right_key(sym) || is_up_key(sym) || is_down_key(sym) || sym == 'h' || sym == 'l') {
        model.step = 0;
        return;
    }
    if (sym == 'u') {
        const Uint32 now = menu_ticks();
        const bool was_held = model.menu_held;
        model.menu_held = false;
        if (was_held && model.key_presses == 0 && model.state != STATE_RECENT && model.state != STATE_SETTINGS &&
            (model.state == STATE_HOME || now - model.menu_down_time <= LONG_MENU_PRESS_MS)) {
            enter_recent(model, res);
            model.home_return = {};
        }
        model.key_presses = 0;
    }
}

} // namespace

void handle_event(MenuModel &model, SkinResources &res, const SDL_Event &event, bool repeat)
{
    switch (event.type) {
    case SDL_QUIT: model.quit = true; break;
    case SDL_KEYDOWN: on_key_down(model, res, event.key, repeat); break;
    case SDL_KEYUP: on_key_up(model, res, event.key); break;
    default: break;
    }
}

void process_events(MenuModel &model, SkinResources &res)
{
    while (!model.quit) {
        SDL_Event raw;
        if (!SDL_PollEvent(&raw)) {
            if (model.step == 0 || model.repeat_this_frame || !is_list_state(model.state))
                break;
            const Uint32 now = menu_ticks();
            if (now - model.last_step_time <= model.repeat_interval)
                break;
            if (now - model.last_real_event_time <= model.repeat_delay)
                break;
            model.repeat_this_frame = true;
            model.last_event_time = now;
            handle_event(model, res, model.repeat_event, true);
            continue;
        }
        const Uint32 now = menu_ticks();
        model.last_event_time = now;
        model.last_real_event_time = now;
        SDL_Event event;
        if (translate_event(model, raw, &event))
            handle_event(model, res, event, false);
    }
}

void after_events(MenuModel &model, SkinResources &res)
{
    const Uint32 now = menu_ticks();
    model.activity = (now - model.last_key_press <= IDLE_AFTER_MS) ? ACTIVITY_BUSY : ACTIVITY_IDLE;
    model.repeat_this_frame = false;

    // The MAME titles are read while the user rests, so that the first list
    // opened later does not wait for them either.
    if (model.activity != ACTIVITY_BUSY)
        ensure_mame_game_name_table();

    if (model.state != STATE_HOME && model.state != STATE_SETTINGS && model.menu_held && model.key_presses == 0 &&
        now - model.menu_down_time > LONG_MENU_PRESS_MS) {
        go_home(model, res);
        model.key_presses++;
    }

    if ((model.state == STATE_GAMES || model.state == STATE_FAVORITES) &&
        now - model.last_event_time > LAZY_BACKGROUND_MS && !model.background_override && valid_row(model) &&
        model.row != model.override_failed_index) {
        load_override(model);
    }
}
