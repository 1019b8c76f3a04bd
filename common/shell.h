#pragma once

// Running shell commands and touching the clock, through the device root.

#include <ctime>

// Runs `<shell> -c cmd` and waits for it. `shell` is a device path ("/bin/sh"
// for vantor, "/system/bin/sh" for porta) and is mapped through the device root,
// so on a development host the commands run through the root's own shell.
// Returns the command's exit status (0..255), or -1 when the shell is missing,
// cannot be started, or the command dies from a signal.
int run_shell(const char *shell, const char *cmd);

// Quotes `s` for a POSIX shell so that it stands for exactly those bytes.
#include <string>
std::string shell_quote(const std::string &s);

// Sets the system clock. On the device this is settimeofday(); under a device
// root the clock is never changed: the request is appended, as seconds since the
// epoch, to the line file <root>/.clock-requests. Returns 0 or -1.
int set_system_time(time_t t);
