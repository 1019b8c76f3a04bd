#include "porta/ui/loop_peers.h"

#include "porta/controller/players.h"
#include "porta/device/keypad.h"
#include "porta/device/keysound.h"
#include "porta/device/pcm.h"

// Modules not in the build yet answer with their neutral result; see each
// comment. Replace the body when the module arrives.

uint32_t peer_player_keys(int player)
{
    return get_player_keys(player);
}

int peer_pad_to_keycode(uint32_t mask)
{
    return pad_to_keycode(mask);
}

int peer_quit_requested(void)
{
    return joystick_quit_requested() ? 1 : 0;
}

int peer_menu_click(void)
{
    return keypad_menu_click();
}

void peer_menu_click_set(int value)
{
    if (value == 0)
        keypad_clear_menu_click();
}

void peer_controllers_start(void)
{
    init_joystick_key();
}

void peer_controllers_stop(void)
{
    deint_joystick_key();
}

void peer_sound_start(void)
{
    sound_init();
}

void peer_sound_stop(void)
{
    sound_deinit();
}

void peer_set_volume(int level)
{
    set_volume(level);
}

void peer_sound_lock(void)
{
    sound_mutex.lock();
}

void peer_sound_unlock(void)
{
    sound_mutex.unlock();
}

int peer_pcm_open(int device)
{
    return pcm_open_stream(static_cast<unsigned>(device));
}

void peer_pcm_close(void)
{
    pcm_close_stream();
}

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
void peer_window_events(void)
{
    keypad_window_pump();
}
