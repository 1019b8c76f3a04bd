#pragma once

// Controllers and players. Up to four USB gamepads and the local pads (the
// built-in keypad `localpad0` and a second local pad `localpad1`, which only
// holds a player number) are seated in player_table as players 1 to 6. The rest
// of the launcher reads one key mask per player through the getters below.
//
// The controller thread `controller_thread` owns every slot and player_table
// entry and writes the pad count, its quit request and each slot's removal
// count; the keypad thread writes `localpad0`'s key_state; the main thread
// reads through the getters without locks (single words, std::atomic). The
// main thread alone starts and stops the controller thread.

#include "porta/controller/gamepad.h"

#include <atomic>
#include <cstdint>

constexpr int MAX_PLAYERS = 6;
constexpr int JOY_SLOTS = 4;

// One USB pad's place. Free when jsNode is empty.
struct JoySlot {
    char jsNode[8];              // its js node in /dev/input ("js0")
    int32_t priority;            // 1: one half of a two-pad USB adapter
    std::atomic<int32_t> player; // 0 none yet, else 1..4
    char phys[64];               // USB path of the device (PHYS up to its "/")
    int32_t interface;           // the number after "/input" in PHYS
    JoyDevice device;
};

extern JoyDevice localpad0;
extern JoyDevice localpad1;

// One entry per player 1..6 (index 0 = 1P); nullptr = no such player.
extern std::atomic<JoyDevice *> player_table[MAX_PLAYERS];

// The four USB slots. Written by the controller thread; the mapping screens
// read them through joystick_slot_info and the pad's own getters.
extern JoySlot joy_slots[JOY_SLOTS];

// Starts controller support: clears the slots and player_table, seats the
// local pads when `local_pads` > 0 (cut to 2) and starts the built-in keypad,
// then starts the controller thread `controller_thread`. Returns 0, or -1 when
// the keypad or the thread could not start ("init_joystick_key: <line> fail ").
//
// The thread scans /dev/input for js nodes (every 0.5 s without pads, at
// least every 0.32 s with pads), opens new pads, drops pads that no longer
// answer, reads their events into their key masks and seats them as players:
// a USB pad takes the lowest free number 1..4 at its first key, ahead of the
// local pads, which then move to the lowest free entries.
int start_controllers(void);
// Stops the controller thread and the built-in keypad, closes every slot and
// empties player_table.
void stop_controllers(void);

// True when the keypad thread or the controller thread saw its input fail
// (the quit request 0x100000); the main loop then quits.
bool joystick_quit_requested(void);

// Whether player `player` (1..6) is seated.
bool player_present(int player);
// Number of USB pads currently added.
int joystick_pad_count(void);
// The key mask of player `player` (1..6): the keys held, and those pressed and
// released since the previous call (each such tap is seen once); 0 when the
// player is not seated or the number is out of range. The main loop calls it
// once a pass for each player.
uint32_t get_player_keys(int player);
// get_player_keys(1), (2) and (3).
uint32_t get_player1_key(void);
uint32_t get_player2_key(void);
uint32_t get_player3_key(void);

// Seats the local pads in the lowest empty player_table entries (each pass of
// the controller thread while `local_pads` is not 0).
void seat_local_pads(void);
// Takes the local pads off player_table (after a playing USB pad is removed).
void unseat_local_pads(void);

// What the mapping screens show of one slot, copied under joypad_mutex.
struct JoySlotInfo {
    char jsNode[8];
    char name[64];
    int player;
    uint32_t removals; // see joystick_slot_removals
};
// Fills `out` and returns 0 when the slot (0..3) holds a pad, else -1.
int joystick_slot_info(int slot, JoySlotInfo *out);
// The pad record of a slot (0..3); its fields change when the pad goes.
JoyDevice *joystick_slot_device(int slot);
// How many times a pad has left this slot. A screen that works with one pad
// takes this number when it chooses the pad; a different number later means
// the pad was pulled (and perhaps another one plugged in its place).
uint32_t joystick_slot_removals(int slot);

// The chosen pad's table and files for the mapping screens: each acts only
// when the pad is still the one chosen (`removals` as taken from
// joystick_slot_removals when it was chosen), under joypad_mutex, and
// returns -1 without touching anything when the pad has left the slot.
// Otherwise: get/set return 0; save returns save_joypad_file's result,
// restore restore_joypad_defaults's (joypad_cfg.h).
int joystick_pad_table_get(int slot, uint32_t removals, JoyConvEntry out[JOY_CONV_SLOTS]);
int joystick_pad_table_set(int slot, uint32_t removals, const JoyConvEntry in[JOY_CONV_SLOTS]);
int joystick_pad_save(int slot, uint32_t removals, const JoyConvEntry table[JOY_CONV_SLOTS]);
int joystick_pad_restore_defaults(int slot, uint32_t removals);

// The parts of the controller thread, for tests that drive them one by one.
// The hot-plug scan: drops pads that no longer answer, adds new js nodes.
void scan_gamepads(void);
// Seats the slot's pad after its events were read (joy_pairing rules first).
void joystick_assign_player(int slot);
// Gives the slot the lowest number 1..4 that no slot holds.
void give_free_player_number(int slot);
// Closes the slot's pad and frees the slot.
void joystick_close_slot(int slot);
