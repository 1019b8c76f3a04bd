// porta's real main loop for in-process tests: a fake clock, fake key masks
// and a recorded exit behind the loop's hooks, the device files the loop
// touches, pictures and sounds of known content, and the start of the real
// program. Every porta in-process fixture derives from PortaLoopTest.
#pragma once

#include "porta_display.h"
#include "test_root.h"

#include "porta/base/attr.h"
#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/storage.h"
#include "porta/library/gamelist.h"
#include "porta/ui/draw.h"
#include "porta/ui/loop.h"
#include "porta/ui/porta.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// The clock the loop reads, in milliseconds; its delay only moves it on.
inline uint32_t fake_now = 0;
// The key masks of players 1 to 4 (index 0 unused).
inline uint32_t fake_keys[5] = {0, 0, 0, 0, 0};
// The statuses the loop would have exited the process with.
inline std::vector<int> exits;
// Sees every delay once the clock has moved (the framebuffer during a pause).
inline std::function<void(uint32_t)> on_delay;

inline uint32_t fake_clock(void)
{
    return fake_now;
}
inline uint32_t fake_player_keys(int player)
{
    return player >= 1 && player <= 4 ? fake_keys[player] : 0;
}
inline void fake_delay(uint32_t ms)
{
    fake_now += ms;
    if (on_delay)
        on_delay(ms);
}
inline void record_exit(int status)
{
    exits.push_back(status);
}

// True once `ok` holds, polling every `step_ms` for up to `ms`.
inline bool wait_for(const std::function<bool()> &ok, int ms = 3000, int step_ms = 5)
{
    for (int waited = 0; waited < ms; waited += step_ms) {
        if (ok())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(step_ms));
    }
    return ok();
}

struct Rgb {
    int r, g, b;
};

// A picture of one colour; a BMP under any name, since pictures are
// recognised by their content.
inline void write_picture(const TempRoot &root, const std::string &path, int w, int h, Rgb c)
{
    root.mkdirs(path.substr(0, path.rfind('/')));
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, c.r, c.g, c.b));
    ASSERT_EQ(SDL_SaveBMP(s, root.host(path).c_str()), 0);
    SDL_FreeSurface(s);
}

// The colour of a surface's pixel.
inline Rgb surface_pixel(SDL_Surface *s, int x, int y)
{
    SDL_LockSurface(s);
    Uint32 p = 0;
    const uint8_t *at = static_cast<uint8_t *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    memcpy(&p, at, s->format->BytesPerPixel);
    SDL_UnlockSurface(s);
    Uint8 r, g, b;
    SDL_GetRGB(p, s->format, &r, &g, &b);
    return {r, g, b};
}

// Alike but for the loss of 16-bit colour.
inline bool near(Rgb a, Rgb b)
{
    return abs(a.r - b.r) < 12 && abs(a.g - b.g) < 12 && abs(a.b - b.b) < 12;
}

// A pixel of a 16-bit framebuffer dump `width` pixels wide.
inline uint16_t fb_pixel(const std::string &fb, int width, int x, int y)
{
    const size_t at = (static_cast<size_t>(y) * width + x) * 2;
    return static_cast<uint16_t>(static_cast<uint8_t>(fb[at]) | static_cast<uint8_t>(fb[at + 1]) << 8);
}

// A key sound: a 44-byte header, then `samples` 16-bit samples of `value`.
inline std::string key_sound_wav(size_t samples, int16_t value)
{
    std::string s(44, 'h');
    for (size_t i = 0; i < samples; i++) {
        s += static_cast<char>(value & 0xFF);
        s += static_cast<char>((static_cast<uint16_t>(value) >> 8) & 0xFF);
    }
    return s;
}

// The CJK font where the host has it, else a Latin one.
inline std::string test_font(void)
{
    const char *cjk = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
    if (FILE *f = fopen(cjk, "rb")) {
        fclose(f);
        return cjk;
    }
    return "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
}

class PortaLoopTest : public testing::Test {
protected:
    TempRoot root;
    std::string out; // porta's standard output of the last run_porta()

    // The loop's hooks on the fake clock (at `start`), the fake keys and the
    // recorded exit.
    void fake_loop_hooks(uint32_t start = 1000)
    {
        fake_now = start;
        for (uint32_t &k : fake_keys)
            k = 0;
        exits.clear();
        on_delay = nullptr;
        loop_hooks.now = fake_clock;
        loop_hooks.player_keys = fake_player_keys;
        loop_hooks.delay = fake_delay;
        loop_hooks.exit_process = record_exit;
    }

    // The framebuffer files, the backlight, HDMI and headphone switches off,
    // the data folder and a shell that records its commands in /tmp/shell.log.
    void device_files()
    {
        root.write("/dev/fb0", "");
        root.write("/dev/fb1", "");
        root.write(BACKLIGHT_PATH, "400\n");
        root.write(HDMI_STATE_PATH, "0\n");
        root.write(H2W_STATE_PATH, "0\n");
        root.mkdirs("/mnt/data/porta");
        root.install_recording_shell(PORTA_SHELL, "/tmp/shell.log");
    }

    void install_test_font(const std::string &font = test_font())
    {
        root.mkdirs("/mnt/vendor/bin");
        ASSERT_EQ(host_system("cp '" + font + "' '" + root.host(UI_FONT_FILE) + "'"), 0);
    }

    // The display with the default record in `language`, the LCD the
    // output, no TF card; its messages are dropped.
    void open_display(int what, int language = 2)
    {
        attr_set_defaults(&global_attr);
        global_attr.language = language;
        output_device = 0;
        tf_card_state = 0;
        testing::internal::CaptureStdout();
        const int opened = porta_test_display(what);
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(opened, 0);
        loop_reset_state();
    }

    // The library part as start-up makes it (quietly), then the loop.
    void start_library()
    {
        testing::internal::CaptureStdout();
        tf_card_check();
        gamelist_init();
        testing::internal::GetCapturedStdout();
        loop_begin();
    }

    // Runs passes until the clock reaches `t` (or the loop stops).
    void run_until(uint32_t t)
    {
        while (fake_now < t && loop_running)
            loop_pass();
    }

    // Each mask pressed for one pass and released for the next.
    void key(uint32_t mask, int times = 1)
    {
        for (int i = 0; i < times; i++) {
            fake_keys[1] = mask;
            loop_pass();
            fake_keys[1] = 0;
            loop_pass();
        }
    }

    // Takes the display down without its messages.
    static void close_display()
    {
        testing::internal::CaptureStdout();
        power_off();
        testing::internal::GetCapturedStdout();
    }

    // The loop's own hooks and the default signal handlers back.
    void TearDown() override
    {
        loop_hooks_reset();
        on_delay = nullptr;
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
    }

    // The whole program as the device starts it; its output goes to `out`.
    int run_porta()
    {
        testing::internal::CaptureStdout();
        char arg0[] = "porta";
        char *argv[] = {arg0, nullptr};
        const int rc = porta_main(1, argv);
        out = testing::internal::GetCapturedStdout();
        return rc;
    }
    bool said(const std::string &text) const { return out.find(text) != std::string::npos; }
};
