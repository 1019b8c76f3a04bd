#pragma once

// Drives vantor's real main loop on SDL's dummy video driver: a script of
// per-frame actions runs from the frame hook (pushing SDL events, moving the
// fake clock, taking snapshots of the model), and SDL_QUIT is pushed once the
// script is done. Time is fake: menu_ticks returns `now` and the idle sleep
// only advances it. The wall clock follows the fake ticks from the moment the
// run starts (or from `wall_start` when a test sets it).

#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include "test_root.h"
#include "vantor/menu.h"
#include "vantor/render.h"
#include "vantor/vantor.h"

namespace vantor_loop {

struct Snapshot {
    int state = -1;
    int row = -1;
    int column = -1;
    int page = -1;
    int max_row = -1;
    int max_column = -1;
    int item_count = -1;
    int step = 0;
    bool has_override = false;
    bool has_title = false;
    bool clock_refresh = false;
    Uint32 last_clock_refresh = 0;
    int activity = 0;
    std::vector<std::string> items;
};

inline Uint32 now = 100000;
inline std::vector<std::function<void(MenuModel &)>> script;
inline size_t next = 0;
inline int frames = 0;
inline int max_frames = 2000;

inline Uint32 fake_ticks()
{
    return now;
}

// Seconds since the epoch at the start of the run; 0 takes the host's time.
inline time_t wall_start = 0;
inline time_t run_wall_start = 0;

inline time_t fake_wall_clock()
{
    return run_wall_start + static_cast<time_t>((now - 100000) / 1000);
}

inline void fake_delay(Uint32 ms)
{
    now += ms;
}

inline void frame_hook(MenuModel &model)
{
    frames++;
    if (next < script.size()) {
        script[next++](model);
        return;
    }
    if (frames > max_frames || next >= script.size()) {
        SDL_Event quit = {};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
}

inline Snapshot snap(const MenuModel &m)
{
    Snapshot s;
    s.state = m.state;
    s.row = m.row;
    s.column = m.column;
    s.page = m.page;
    s.max_row = m.max_row;
    s.max_column = m.max_column;
    s.item_count = m.item_count;
    s.step = m.step;
    s.has_override = m.background_override != nullptr;
    s.has_title = m.title != nullptr;
    s.clock_refresh = m.clock_refresh;
    s.last_clock_refresh = m.last_clock_refresh;
    s.activity = m.activity;
    for (int i = 0; i < m.item_count; i++)
        s.items.push_back(m.items[i]);
    return s;
}

inline void push_key(int sym, bool down, int scancode = 0)
{
    SDL_Event e = {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.type = e.type;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = static_cast<SDLKey>(sym);
    e.key.keysym.scancode = static_cast<Uint8>(scancode);
    SDL_PushEvent(&e);
}

inline void press(int sym)
{
    push_key(sym, true);
    push_key(sym, false);
}

inline void push_hat(int value)
{
    SDL_Event e = {};
    e.type = SDL_JOYHATMOTION;
    e.jhat.type = SDL_JOYHATMOTION;
    e.jhat.which = 0;
    e.jhat.hat = 0;
    e.jhat.value = static_cast<Uint8>(value);
    SDL_PushEvent(&e);
}

inline void push_button(int button, bool down, int which = 0)
{
    SDL_Event e = {};
    e.type = down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
    e.jbutton.type = e.type;
    e.jbutton.which = static_cast<Uint8>(which);
    e.jbutton.button = static_cast<Uint8>(button);
    e.jbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&e);
}

// A frame action that presses and releases keys.
inline std::function<void(MenuModel &)> keys(std::vector<int> syms)
{
    return [syms](MenuModel &) {
        for (int s : syms)
            press(s);
    };
}

inline std::function<void(MenuModel &)> take(Snapshot *out)
{
    return [out](MenuModel &m) { *out = snap(m); };
}

inline std::function<void(MenuModel &)> idle()
{
    return [](MenuModel &) {};
}

// Runs vantor_main in the root's /mnt/mmc/CFW with the script; returns its
// exit status.
inline int run_menu(const TempRoot &root, std::vector<std::function<void(MenuModel &)>> steps,
                    std::vector<std::string> args = {})
{
    script = std::move(steps);
    next = 0;
    frames = 0;
    now = 100000;
    run_wall_start = wall_start ? wall_start : time(nullptr);
    menu_wall_clock = fake_wall_clock;
    menu_ticks = fake_ticks;
    menu_delay = fake_delay;
    menu_frame_hook = frame_hook;
    char old[4096];
    if (!getcwd(old, sizeof(old)))
        old[0] = '\0';
    root.mkdirs("/mnt/mmc/CFW");
    EXPECT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
    std::vector<std::string> argv_store = {"vantor"};
    for (auto &a : args)
        argv_store.push_back(a);
    std::vector<char *> argv;
    for (auto &a : argv_store)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int rc = vantor_main(static_cast<int>(argv_store.size()), argv.data());
    if (old[0]) {
        EXPECT_EQ(chdir(old), 0);
    }
    menu_frame_hook = nullptr;
    return rc;
}

// A root with the sample image's skin and fonts, but our own content.
inline void base_root(const TempRoot &root)
{
    root.install_sample_image();
    // Content comes from each test.
    remove_tree(root.host("/mnt/mmc/Roms"));
    remove_tree(root.host("/mnt/SDCARD/Roms"));
    remove_tree(root.host("/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl"));
    remove_tree(root.host("/mnt/mmc/Saves"));
    remove_tree(root.host("/mnt/SDCARD/Saves"));
    remove_tree(root.host("/mnt/mmc/CFW/menu.flag"));
    // The image also holds the launcher's (porta's) games in folders of the
    // built-in card's root, which the front end would take for its own.
    for (const char *f : {"PS1", "VERTICAL", "CPS", "NEOGEO", "FBAHACK", "MAME", "GBA", "FC", "SFC", "SMS", "MD", "GBC",
                          "GB", "PCENGINE", "NGPC", "GG", "WonderSwan"})
        remove_tree(root.host(std::string("/mnt/mmc/") + f));
    root.install_recording_shell("/bin/sh", "/tmp/commands.log");
}

// A favourites or history playlist of RetroArch's layout holding `paths`.
inline std::string playlist(const std::vector<std::string> &paths)
{
    std::string s =
        "{\n  \"version\": \"1.5\",\n  \"default_core_path\": \"\",\n  \"default_core_name\": \"\",\n"
        "  \"label_display_mode\": 0,\n  \"right_thumbnail_mode\": 0,\n  \"left_thumbnail_mode\": 0,\n"
        "  \"sort_mode\": 0,\n  \"items\": [\n";
    for (size_t i = 0; i < paths.size(); i++) {
        s += "    {\n      \"path\": \"" + paths[i] + "\",\n      \"label\": \"x\",\n      \"core_path\": \"DETECT\"\n";
        s += i + 1 < paths.size() ? "    },\n" : "    }\n";
    }
    s += "  ]\n}\n";
    return s;
}

} // namespace vantor_loop
