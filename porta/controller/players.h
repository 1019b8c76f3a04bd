#pragma once

// Controllers and players. Up to four USB gamepads and the local pads (the
// built-in keypad `localpad0` and a second local pad `localpad1`, which only
// holds a player number) are seated in PlayerTable as players 1 to 6. The rest
// of the launcher reads one key mask per player through the getters below.
//
// The controller thread `HandleInputEvents` owns every slot and PlayerTable
// entry; the keypad thread writes `localpad0`'s key_state; the main thread
// reads through the getters without locks (single words, std::atomic).

#include <atomic>
#include <cstdint>
#include <mutex>

#define MAX_PLAYERS 6

struct JoyDevice {
    char name[64];                        // kernel device name, cut to 63
    std::atomic<uint32_t> key_state;      // PadKeys mask (low 24 bits)
};

extern JoyDevice localpad0;
extern JoyDevice localpad1;

// One entry per player 1..6 (index 0 = 1P); nullptr = no such player.
extern std::atomic<JoyDevice *> PlayerTable[MAX_PLAYERS];

// Guards the joypad configuration files and conversion tables.
extern std::mutex joypad_mutex;

// Starts controller support: clears PlayerTable, seats the local pads when
// `local_pads` > 0 (cut to 2) and starts the built-in keypad, then starts the
// controller thread. Returns 0, or -1 when the keypad or the thread could not
// start ("init_joystick_key: <line> fail ").
int init_joystick_key(void);
// Stops the controller thread and the built-in keypad and empties PlayerTable.
void deint_joystick_key(void);

// True when the keypad thread or the controller thread saw its input fail
// (the quit request 0x100000); the main loop then quits.
bool joystick_quit_requested(void);

// Whether player `player` (1..6) is seated.
bool player_present(int player);
// Number of USB pads currently added.
int joystick_pad_count(void);
// The key mask of player `player` (1..6); 0 when the player is not seated or
// the number is out of range.
uint32_t get_player_keys(int player);
uint32_t get_player1_key(void);
uint32_t get_player2_key(void);
uint32_t get_player3_key(void);
uint32_t get_player4_key(void);
uint32_t get_player5_key(void);
uint32_t get_player6_key(void);

// Seats the local pads in the lowest empty PlayerTable entries (each pass of
// the controller thread while `local_pads` is not 0).
void set_localkeyRep(void);
// Takes the local pads off PlayerTable (after a playing USB pad is removed).
void clr_localkeyRep(void);
