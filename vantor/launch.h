#pragma once

// Launching RetroArch: the front end starts nothing itself. It rewrites a few
// keys of RetroArch's configuration for the card the game lives on, writes the
// launch script /mnt/mmc/CFW/retroarch/command.sh (and gdbscript.txt for the
// debug launch) and lets the caller write the resume file and quit; the outer
// start-up script runs command.sh and restarts the menu.

#include <cstddef>

// Card selector of write_retroarch_config: 2 is the removable card ("SDCARD"),
// anything else the internal card ("mmc").
constexpr int CARD_REMOVABLE = 2;
constexpr int CARD_INTERNAL = 1;

// Rewrites /mnt/mmc/CFW/retroarch/.retroarch/retroarch.cfg: every line holding
// one of the rewritten key texts is dropped (also when commented out), the nine
// key lines for the card follow, then the non-empty lines of volume.cfg.
// `auto_load` and `save_on_exit` are 1/0 for "true"/"false". Written crash-safely.
// Returns 0, or -1 when the file could not be written (then it is unchanged).
int write_retroarch_config(int card, int auto_load, int save_on_exit);

// The text with every ' replaced by '"'"' so that it can stand inside single
// quotes in the shell. Returns a static buffer (overwritten by the next call),
// or nullptr when the result would not fit in PATH_BUFFER_SIZE - 1 bytes: a cut result could
// name a different file or break the quoting.
const char *escape_single_quotes(const char *text);

// The content path to hand to RetroArch for `path` shown in `state`. In Recent
// and for anything but a ".scummvm" file this is `path` itself; a .scummvm file
// is copied into the game folder named like it (Roms/SCUMMVM/monkey.scummvm ->
// Roms/SCUMMVM/monkey/monkey.scummvm) and that path is returned (static
// buffer). When the copy cannot be made (no such game folder, e.g. because the
// file already lies inside it) the file itself is returned.
const char *launch_content_path(const char *path, int state);

// Byte-for-byte copy, written crash-safely. Returns 0, or
// -1 when either file cannot be opened (nothing is copied then) or the copy fails.
int copy_file(const char *source, const char *destination);

// 1 when /misc/enableGDB exists: RetroArch then runs under gdb.
int is_gdb_enabled();

// Launch of a list item ('a', or 'm' with `no_state_load` set) in Games,
// Favorites or Recent. `state` is the current MenuState; `iso_code` the
// language's "iso-code" for the LANG line.
// Returns 0 when the launch was prepared (command.sh written) and 1 when it was
// prepared but command.sh could not be written; in both cases the caller
// writes the resume file and quits. Returns -1 when there is nothing to launch
// the item with (no core maps its folder, or its path cannot be quoted): then
// nothing has been written and the menu stays.
int launch_item(const char *item_path, int state, int no_state_load, const char *iso_code);

// Home entry 3 (RetroArch itself): prints "Executing ...", rewrites
// retroarch.cfg for the internal card with every switch on, writes gdbscript.txt
// ("run") and the RetroArch-menu command.sh. Returns 0, or 1 when command.sh
// could not be written; the caller then writes "home\n3" and quits either way.
int launch_retroarch(const char *iso_code);
