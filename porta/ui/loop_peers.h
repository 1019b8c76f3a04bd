#pragma once

// The places where the launcher's spine calls into the keypad, controller,
// sound, storage, battery, theme, library, settings and factory-test modules.
// Each call has exactly one site here, so wiring a module in touches one
// function body. A module that is not part of the build yet leaves its call
// as the neutral result noted beside it.

#include <cstdint>

// Key masks of players 1..4 (0 when the player has no pad).
uint32_t peer_player_keys(int player);
// One SDL key code for a key mask (0 when no key of the code order is set).
int peer_pad_to_keycode(uint32_t mask);
// The quit request seen by the input threads.
int peer_quit_requested(void);
// The Menu-click flag of the keypad (1 = Menu clicked alone).
int peer_menu_click(void);
// Only clearing (0) is asked for by the loop.
void peer_menu_click_set(int value);

// Controllers (built-in keypad and USB pads) and the key-sound thread.
void peer_controllers_start(void);
void peer_controllers_stop(void);
void peer_sound_start(void);
void peer_sound_stop(void);
void peer_set_volume(int level);
void peer_sound_lock(void);
void peer_sound_unlock(void);
// Playback stream on a device of card 0: 1 open, 0 unsuitable, -1 failed.
int peer_pcm_open(int device);
void peer_pcm_close(void);

// TF card: one detection pass; returns the mounted state (1/0).
int peer_tf_check(void);
// The mounted state as last detected, without a new check.
int peer_tf_state(void);

// Themes, wallpapers and the card skin.
void peer_skin_on(void);
int peer_load_themes(void);              // 0 or -1 (wallpaper and theme icons)
void peer_free_theme_images(void);
void peer_adjust_ui_type_byTFcard(void);

// Library: the first screen and list position. Negative on failure.
int peer_gamelist_init(void);

// Battery monitor (draw = 0: only follow the charge).
void peer_battery_monitor(int draw);

// Settings resources before the settings menu opens.
void peer_settings_prepare(void);

// Window keyboard events standing in for the keypad on a desktop.
void peer_window_events(void);
