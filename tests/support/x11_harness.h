#pragma once

// Whole-program test helpers: a private X server (Xvfb), starting a built
// program with a given environment, waiting for it with a time limit, finding
// its window by caption, typing keys with xdotool and saving screenshots.

#include <string>
#include <vector>

#include <sys/types.h>

class XServer {
public:
    explicit XServer(int width = 640, int height = 480);
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    bool ok() const { return !display_.empty(); }
    // ":N", for the DISPLAY variable.
    const std::string &display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// Starts `binary` with `args` (without argv[0]) in `cwd`. `env` holds extra
// "NAME=value" entries added to (or replacing those of) the test's environment.
// Standard output and error go to `output_file` when it is not empty.
// Returns the pid, or -1.
pid_t start_program(const std::string &binary, const std::vector<std::string> &args,
                    const std::vector<std::string> &env, const std::string &cwd,
                    const std::string &output_file = std::string());

// Waits up to `timeout_ms`. Returns the exit status (0..255); -1 when the time
// ran out (the process is then killed) and -2 when it died from a signal.
int wait_program(pid_t pid, int timeout_ms);

// Polls for a window whose name is exactly `caption`; returns its id or "".
std::string find_window(const std::string &display, const std::string &caption, int timeout_ms = 10000);

// Focuses the window and types the keys (xdotool key names such as "Down",
// "Return", "a", "XF86PowerOff"), one by one, `delay_ms` apart.
bool send_keys(const std::string &display, const std::string &window, const std::vector<std::string> &keys,
               int delay_ms = 80);

// Presses or releases one key (for holding keys): xdotool keydown/keyup.
bool key_down(const std::string &display, const std::string &window, const std::string &key);
bool key_up(const std::string &display, const std::string &window, const std::string &key);

// Closes the window as a window manager would (WM_DELETE_WINDOW).
bool close_window(const std::string &display, const std::string &window);

// Saves the whole screen of the X server as a PNG.
bool screenshot(const std::string &display, const std::string &png_path);

// Runs a command with DISPLAY set and returns its standard output.
std::string run_with_display(const std::string &display, const std::string &cmd, int *status = nullptr);
