#pragma once

// The 17 systems (game rooms) the launcher knows, keyed everywhere by their
// row number, and the launch of a game: the emulator and working directory
// chosen for it, and the command left in /tmp/.next for the outer start-up
// script.

#include "porta/library/card.h"

#include <cstddef>

constexpr int SYSTEM_COUNT = 17;
constexpr int SYSTEM_PS1 = 0;
constexpr int SYSTEM_GBA = 6;
constexpr const char GAME_BIN_DIR[] = "/mnt/vendor/bin/game/";
constexpr const char NEXT_COMMAND_FILE[] = "/tmp/.next";
constexpr const char PREVIEW_DEFAULT_LCD[] = "/mnt/vendor/desktop_res/lcd_default.png";
constexpr const char PREVIEW_DEFAULT_HDMI[] = "/mnt/vendor/desktop_res/default.png";
constexpr int PREVIEW_PATH_SIZE = 512;

struct SystemRow {
    int number;
    int folder_games;       // 1: a sub-folder of the ROM folder is one game
    const char *icon;       // icon file name in type-left / type-right
    const char *label;      // shown, and the ROM folder's name on both cards
    const char *extensions; // "|"-separated, lower case
    const char *emulator;   // relative to the working directory
    const char *emulator2;  // the alternative core (GBA only), else nullptr
    const char *workdir;    // under /mnt/vendor/bin/game/
};

extern const SystemRow system_table[SYSTEM_COUNT];

// The emulator and working directory chosen for the game being launched;
// both empty until a choice is made.
struct LaunchState {
    char emulator[64];
    char workdir[128];
};
extern LaunchState launch_state;
void launch_state_clear(void);

// Whether `ext` (lower case, not empty) occurs anywhere in the system's
// extension list text: a substring test, so "md" and "b" both pass
// "bin|smd|md".
int system_accepts_extension(int system, const char *ext);

// The first non-directory entry (directory order) of `folder` whose extension
// the system accepts: "<folder>/<name>" into `result`. 0, or -1 when nothing
// matches, the folder cannot be opened ("find_xdir_rom: opendir failure") or
// the path does not fit.
int find_xdir_rom(int system, const char *folder, char *result, size_t size);

// The name of the first non-directory entry of `folder` whose name contains
// ".jpg" or ".png". 0 or -1.
int first_picture(const char *folder, char *result, size_t size);

// Chooses the emulator and working directory for a game file of the
// system's list (entry `index` on `card`): the row's emulator, or for GBA the alternative core when the
// core choice list holds the game. A file without extension changes nothing.
// Returns 0.
int choose_emulator(int system, int index, Card card, const char *file);

// Writes the command for the outer script into /tmp/.next (crash-safely):
//   cd "<workdir>"
//   "<emulator>"  "<game>"  |  "<emulator>" -cdfile "<game>"  |  "<emulator>"  "<game>" m68k
// Inside the double quotes \ " $ and ` are escaped with a backslash, so that
// the script starts exactly this file whatever its name holds. Then sets the
// CPU mode full. Returns 0, or -1 when no working directory is set or the file
// cannot be written (the launcher then stays on its screen).
int run_command(const char *emulator, const char *game, const char *workdir);

// The picture to preview a game with: the picture beside the game file (or
// the first picture inside a folder game) with the extension jpg, png or bmp,
// else the default picture of the output (`lcd` non-zero: the LCD one).
// Returns 1 for the game's own picture, 0 for the default one, -1 for a bad
// system number.
int preview_path(int system, Card card, int index, int lcd, char *out, size_t outsz);
