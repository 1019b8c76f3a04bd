#include "porta/ui/loop_peers.h"

// Modules not in the build yet answer with their neutral result; see each
// comment. Replace the body when the module arrives.

uint32_t peer_player_keys(int)
{
    return 0; // controllers module: player getters
}

int peer_pad_to_keycode(uint32_t mask)
{
    // keypad module: pad_to_keycode. Same fixed order until it is wired in.
    static const struct {
        uint32_t bit;
        int code;
    } order[] = {{0x1, 273}, {0x2, 274}, {0x4, 276}, {0x8, 275}, {0x10, 306},
                 {0x20, 308}, {0x80, 32}, {0x40, 304}, {0x100, 13}, {0x200, 27},
                 {0x10000, 51}, {0x400, 8}, {0x800, 9}, {0x1000, 8}, {0x2000, 9}};
    for (const auto &o : order)
        if (mask & o.bit)
            return o.code;
    return 0;
}

int peer_quit_requested(void)
{
    return 0; // controllers module: quit query
}

static int menu_click_stub = 0;
int peer_menu_click(void)
{
    return menu_click_stub; // keypad module: Menu-click flag
}

void peer_menu_click_set(int value)
{
    menu_click_stub = value;
}

void peer_controllers_start(void) {} // init_joystick_key
void peer_controllers_stop(void) {}  // deint_joystick_key
void peer_sound_start(void) {}       // sound_init
void peer_sound_stop(void) {}        // key-sound stop
void peer_set_volume(int) {}         // set_volume
void peer_sound_lock(void) {}        // sound mutex
void peer_sound_unlock(void) {}

int peer_pcm_open(int)
{
    return -1; // playback stream
}

void peer_pcm_close(void) {}

int peer_tf_check(void)
{
    return 0; // storage module: tf_card_state after one check
}

int peer_tf_state(void)
{
    return 0; // storage module: tf_card_state
}

void peer_skin_on(void) {}

int peer_load_themes(void)
{
    return 0; // themes module: check_background_theme_icon + load_background
}

void peer_free_theme_images(void) {}
void peer_adjust_ui_type_byTFcard(void) {}

int peer_gamelist_init(void)
{
    return 0; // library module: gamelist_init
}

void peer_battery_monitor(int) {}
void peer_settings_prepare(void) {}
void peer_window_events(void) {}
