// The built launcher in a device root: the boot logo in the LCD framebuffer
// file (and in its window under X), and the SIGINT exit path (record saved,
// framebuffers cleared, status 1).

#include "porta_process.h"
#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

uint16_t px(const std::string &fb, int x, int y)
{
    size_t at = (static_cast<size_t>(y) * 640 + x) * 2;
    return static_cast<uint16_t>(static_cast<uint8_t>(fb[at]) | static_cast<uint8_t>(fb[at + 1]) << 8);
}

// The logo's warm accent (255, 176, 46) in RGB565, allowing for smoothing.
bool is_accent565(uint16_t p)
{
    int r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
    return r >= 29 && g >= 38 && g <= 48 && b <= 9;
}

int count_accent(const std::string &fb)
{
    int n = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            n += is_accent565(px(fb, x, y));
    return n;
}

// Waits until the LCD framebuffer file shows the logo.
bool wait_for_logo(const TempRoot &root, int timeout_ms, std::string *fb)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
        *fb = root.read("/dev/fb0");
        if (fb->size() == 640u * 480u * 2u && count_accent(*fb) > 500)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// The logo stays until start-up goes on past the CPU switch that follows
// it; that switch waits (at most 15 s) until the test writes kLogoSeen, so
// looking at the logo cannot race a fast start-up.
const char kLogoSeen[] = "/logo-seen";
void hold_logo_on_screen(const TempRoot &root)
{
    std::rename(root.host("/system/bin/sh").c_str(), root.host("/system/bin/sh.recording").c_str());
    root.write("/system/bin/sh",
               "#!/bin/sh\n"
               "case \"$2\" in *'cpu_setting.sh  full'*)\n"
               "    i=0; while [ ! -e '" +
                   root.host(kLogoSeen) +
                   "' ] && [ $i -lt 300 ]; do sleep 0.05; i=$((i + 1)); done ;;\n"
                   "esac\n"
                   "exec /bin/sh \"$DEVICE_ROOT/system/bin/sh.recording\" \"$@\"\n",
               0755);
}

} // namespace

TEST(PortaSpineE2E, BootLogoThenSigintSavesAndClears)
{
    TempRoot root;
    root.install_sample_image();
    hold_logo_on_screen(root);
    pid_t pid = start_porta(root);
    ASSERT_GT(pid, 0);
    std::string fb;
    bool logo = wait_for_logo(root, 15000, &fb);
    root.write(kLogoSeen, "");
    if (!logo)
        kill(pid, SIGKILL);
    ASSERT_TRUE(logo) << root.read("/porta.out");

    // The logo is centred on black: corners black, accent pixels in the middle.
    EXPECT_EQ(px(fb, 0, 0), 0);
    EXPECT_EQ(px(fb, 639, 479), 0);
    EXPECT_EQ(px(fb, 100, 240), 0) << "left of the 420-pixel logo";
    int left = 640, right = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            if (is_accent565(px(fb, x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_NEAR((left + right) / 2, 320, 12) << "centred horizontally";

    // The converter turns the framebuffer into a picture a person can look at.
    const std::string png = root.host("/logo.png");
    ASSERT_EQ(host_system("'" + std::string(BIN_DIR) + "/fb2png' '" + root.host("/dev/fb0") + "' '" + png + "'"), 0);
    SDL_Surface *pic = IMG_Load(png.c_str());
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->w, 640);
    EXPECT_EQ(pic->h, 480);
    SDL_FreeSurface(pic);

    // Let it reach the loop, then interrupt it.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ASSERT_EQ(kill(pid, SIGINT), 0);
    int status = wait_program(pid, 15000);
    EXPECT_EQ(status, 1);
    std::string out = root.read("/porta.out");
    EXPECT_NE(out.find("----- init_my_system ---ok\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Caught signal 2\n"), std::string::npos) << out;
    EXPECT_NE(out.find("--my_handler 1665 \n"), std::string::npos) << out;

    std::string attr = root.read("/mnt/data/porta/porta_attr.ini");
    EXPECT_EQ(attr.size(), 72u);
    EXPECT_EQ(root.read("/dev/fb0"), std::string(640 * 480 * 2, '\0'));
    EXPECT_EQ(root.read("/dev/fb1"), std::string(1280 * 720 * 2, '\0'));
    EXPECT_TRUE(root.exists("/tmp/boot.ini"));
    auto cmds = root.recorded("/tmp/shell.log");
    ASSERT_GE(cmds.size(), 3u);
    EXPECT_EQ(cmds[0], "/system/porta/mmc.sh add");
    EXPECT_EQ(cmds[1], "/system/porta/cpu_setting.sh  user");
    EXPECT_EQ(cmds[2], "/system/porta/cpu_setting.sh  full");
}

TEST(PortaSpineE2E, DamagedRecordIsReplacedByDefaults)
{
    TempRoot root;
    root.install_sample_image();
    root.write("/mnt/data/porta/porta_attr.ini", std::string(68, '\x05'));
    root.write("/tmp/boot.ini", "");
    pid_t pid = start_porta(root);
    ASSERT_GT(pid, 0);
    // Wait for the loop, then end with SIGTERM (the same orderly path).
    const bool up = wait_porta_output(root, "----- init_my_system ---ok\n", 15000);
    kill(pid, SIGTERM);
    EXPECT_TRUE(up) << "start-up messages appear as they are printed";
    EXPECT_EQ(wait_program(pid, 15000), 1);
    std::string out = root.read("/porta.out");
    EXPECT_NE(out.find("use default attr "), std::string::npos) << out;
    EXPECT_NE(out.find("Caught signal 15\n"), std::string::npos) << out;
    std::string attr = root.read("/mnt/data/porta/porta_attr.ini");
    ASSERT_EQ(attr.size(), 72u);
    EXPECT_EQ(static_cast<uint8_t>(attr[16]), 3) << "default brightness";
    EXPECT_EQ(static_cast<uint8_t>(attr[28]), 10) << "default volume";
    EXPECT_EQ(root.recorded("/tmp/shell.log"), std::vector<std::string>{"/system/porta/mmc.sh add"})
        << "not the first start: no logo, no CPU mode";
}

TEST(PortaSpineE2E, WindowShowsTheLogoUnderX)
{
    XServer x(640, 480);
    ASSERT_TRUE(x.ok());
    TempRoot root;
    root.install_sample_image();
    hold_logo_on_screen(root);
    pid_t pid = start_porta(root, "x11", {"DISPLAY=" + x.display()});
    ASSERT_GT(pid, 0);
    std::string win = find_window(x.display(), "porta", 15000);
    std::string fb;
    bool logo = !win.empty() && wait_for_logo(root, 15000, &fb);
    const std::string shot = root.host("/screen.png");
    bool shot_ok = logo && screenshot(x.display(), shot);
    root.write(kLogoSeen, "");
    kill(pid, SIGINT);
    EXPECT_EQ(wait_program(pid, 15000), 1);
    ASSERT_FALSE(win.empty()) << root.read("/porta.out");
    ASSERT_TRUE(logo);
    ASSERT_TRUE(shot_ok);
    SDL_Surface *pic = IMG_Load(shot.c_str());
    ASSERT_NE(pic, nullptr);
    SDL_Surface *rgb = SDL_CreateRGBSurface(SDL_SWSURFACE, pic->w, pic->h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_BlitSurface(pic, nullptr, rgb, nullptr);
    int accent = 0;
    SDL_LockSurface(rgb);
    for (int y = 0; y < rgb->h; y++) {
        const uint32_t *row = reinterpret_cast<const uint32_t *>(static_cast<uint8_t *>(rgb->pixels) + y * rgb->pitch);
        for (int xx = 0; xx < rgb->w; xx++) {
            uint32_t p = row[xx];
            int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            accent += r > 230 && g > 150 && g < 200 && b < 80;
        }
    }
    SDL_UnlockSurface(rgb);
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(pic);
    EXPECT_GT(accent, 500) << "the logo's letters are on the screen";
}
