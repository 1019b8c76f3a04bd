// The built vantor program on the sample device image under Xvfb, driven with
// real key presses through xdotool: what it draws, the files it leaves and the
// commands it runs.

#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string VANTOR = std::string(BIN_DIR) + "/vantor";

class VantorX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.ok());
        root.install_sample_image();
        remove_tree(root.host("/mnt/mmc/CFW/menu.flag"));
        remove_tree(root.host("/mnt/mmc/CFW/shutdown.flag"));
        root.install_recording_shell("/bin/sh", "/tmp/commands.log");
    }
    pid_t start()
    {
        return start_program(
            VANTOR, {},
            {"DEVICE_ROOT=" + root.path(), "DISPLAY=" + x.display(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy"},
            root.host("/mnt/mmc/CFW"), root.path() + "/vantor.out");
    }
    std::string flag() const
    {
        return root.exists("/mnt/mmc/CFW/menu.flag") ? root.read("/mnt/mmc/CFW/menu.flag") : "<none>";
    }
    XServer x;
    TempRoot root;
};

// RGB of a pixel of a PNG file.
bool pixel_of(const std::string &png, int x, int y, Uint8 rgb[3])
{
    SDL_Surface *s = IMG_Load(png.c_str());
    if (!s)
        return false;
    SDL_Surface *c = SDL_ConvertSurface(s, s->format, 0);
    SDL_LockSurface(c);
    Uint8 *p = static_cast<Uint8 *>(c->pixels) + y * c->pitch + x * c->format->BytesPerPixel;
    Uint32 v = 0;
    memcpy(&v, p, c->format->BytesPerPixel);
    SDL_GetRGB(v, c->format, &rgb[0], &rgb[1], &rgb[2]);
    SDL_UnlockSurface(c);
    SDL_FreeSurface(c);
    SDL_FreeSurface(s);
    return true;
}

TEST_F(VantorX11, StartsOnHomeMovesAndPowerKeyShutsDownInOrder)
{
    pid_t pid = start();
    ASSERT_GT(pid, 0);
    const std::string win = find_window(x.display(), "vantor");
    ASSERT_FALSE(win.empty()) << "a window captioned vantor";

    // The Home screen: the logo is drawn at (16, 8).
    SDL_Delay(500);
    const std::string shot = root.path() + "/home.png";
    ASSERT_TRUE(screenshot(x.display(), shot));
    SDL_Surface *logo = IMG_Load(root.host("/mnt/mmc/CFW/skin/logo.png").c_str());
    ASSERT_NE(logo, nullptr);
    Uint8 screen[3], image[3];
    ASSERT_TRUE(pixel_of(shot, 16 + logo->w / 2, 8 + logo->h / 4, screen));
    ASSERT_TRUE(pixel_of(root.host("/mnt/mmc/CFW/skin/logo.png"), logo->w / 2, logo->h / 4, image));
    SDL_FreeSurface(logo);
    for (int i = 0; i < 3; i++)
        EXPECT_NEAR(screen[i], image[i], 8) << "logo colour channel " << i;

    // Right twice (Consoles), open and leave it, Settings and back: Home column 2.
    ASSERT_TRUE(send_keys(x.display(), win, {"Right", "Right", "Return", "Escape", "m", "b", "Down"}, 120));
    ASSERT_TRUE(send_keys(x.display(), win, {"XF86PowerOff"}));
    EXPECT_EQ(wait_program(pid, 10000), 0);
    EXPECT_EQ(flag(), "home\n2");
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/shutdown.flag"));
    EXPECT_EQ(root.recorded("/tmp/commands.log"),
              (std::vector<std::string>{"busybox hwclock -w", "sync", "mount -o remount,ro /mnt/mmc",
                                        "mount -o remount,ro /mnt/SDCARD", "poweroff -f"}));
}

TEST_F(VantorX11, DownArrowIsNotThePowerKey)
{
    pid_t pid = start();
    ASSERT_GT(pid, 0);
    const std::string win = find_window(x.display(), "vantor");
    ASSERT_FALSE(win.empty());
    ASSERT_TRUE(send_keys(x.display(), win, {"Down", "Down", "Right"}));
    SDL_Delay(300);
    EXPECT_EQ(wait_program(pid, 300), -1) << "still running after Down";
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/shutdown.flag"));
    EXPECT_TRUE(root.recorded("/tmp/commands.log").empty());
}

TEST_F(VantorX11, ClosingTheWindowExitsZeroWithoutResumeFile)
{
    pid_t pid = start();
    ASSERT_GT(pid, 0);
    const std::string win = find_window(x.display(), "vantor");
    ASSERT_FALSE(win.empty());
    ASSERT_TRUE(send_keys(x.display(), win, {"Down", "Right"}));
    SDL_Delay(200);
    ASSERT_TRUE(close_window(x.display(), win));
    EXPECT_EQ(wait_program(pid, 10000), 0);
    EXPECT_EQ(flag(), "<none>");
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/shutdown.flag"));
    EXPECT_TRUE(root.recorded("/tmp/commands.log").empty());
}

TEST_F(VantorX11, ResumesWhereTheLaunchLeftOff)
{
    // Favorites, first entry, launch: the resume file brings the next start back there.
    pid_t pid = start();
    const std::string win = find_window(x.display(), "vantor");
    ASSERT_FALSE(win.empty());
    ASSERT_TRUE(send_keys(x.display(), win, {"Right", "Return", "Down", "Return"}, 120));
    EXPECT_EQ(wait_program(pid, 10000), 0);
    EXPECT_EQ(flag(), "favorites\n1");
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/retroarch/command.sh"));

    pid = start();
    const std::string again = find_window(x.display(), "vantor");
    ASSERT_FALSE(again.empty());
    SDL_Delay(300);
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/menu.flag")) << "read once and deleted";
    ASSERT_TRUE(send_keys(x.display(), again, {"XF86PowerOff"}));
    EXPECT_EQ(wait_program(pid, 10000), 0);
    EXPECT_EQ(flag(), "favorites\n1");
}

TEST(VantorRestoreCpu, WritesTheSavedSpeedWithoutADisplay)
{
    TempRoot root;
    root.write("/mnt/mmc/CFW/cpuspeed", "720000");
    root.write("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq", "1008000\n");
    // No X server: opening the display would fail loudly.
    pid_t pid =
        start_program(VANTOR, {"restorecpu"}, {"DEVICE_ROOT=" + root.path(), "DISPLAY=:999", "SDL_VIDEODRIVER=x11"},
                      root.host("/mnt/mmc/CFW"), root.path() + "/out.txt");
    EXPECT_EQ(wait_program(pid, 10000), 0);
    EXPECT_EQ(root.read("/sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq"), "720000");
    EXPECT_EQ(root.read("/out.txt"), "");
}

// Without a display the menu cannot start: the exit status tells the
// start-up script so, where a normal exit returns 0.
TEST(VantorStart, ExitsWithAFailureWhenTheDisplayCannotOpen)
{
    TempRoot root;
    root.write("/mnt/mmc/CFW/cpuspeed", "720000");
    pid_t pid = start_program(VANTOR, {}, {"DEVICE_ROOT=" + root.path(), "DISPLAY=:999", "SDL_VIDEODRIVER=x11"},
                              root.host("/mnt/mmc/CFW"), root.path() + "/out.txt");
    EXPECT_EQ(wait_program(pid, 10000), 1);
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/retroarch/command.sh"));
}

} // namespace
