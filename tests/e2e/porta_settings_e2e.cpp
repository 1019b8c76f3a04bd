// The whole launcher on the sample image, driven through its keypad FIFO: a
// setting chosen in the settings menu is in the sealed record as soon as its
// page is left (a power cut right after keeps it) and the next start uses it;
// the sample TF card's skin switches the menu's wallpaper when the card goes
// in and back when it comes out, and an incomplete skin is refused.

#include "key_event.h"
#include "porta_process.h"
#include "test_root.h"
#include "x11_harness.h"

#include "porta/base/attr.h"
#include "porta/base/sealed.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

namespace {

enum { UP = 90, DOWN = 91, A = 94, B = 95, MENU = 104 };

void pause_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class PortaSettings : public PortaProcessTest {
protected:
    void TearDown() override { stop_porta(10000); }

    // A fresh boot: the /tmp markers are gone; waits for the main loop.
    void start()
    {
        unlink(root.host("/tmp/boot.ini").c_str());
        unlink(root.host("/tmp/shell.log").c_str());
        pid = start_porta(root);
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(wait_porta_main_loop(root)) << slurp(root.path() + "/porta.out");
    }
    void click(int code, int times = 1)
    {
        for (int i = 0; i < times; i++)
            for (int value : {1, 0}) {
                ASSERT_TRUE(write_key_event(keys, code, value));
                pause_ms(120);
            }
    }
    std::string out() { return slurp(root.path() + "/porta.out"); }
    // RGB565 pixels of the LCD frame in a rectangle.
    std::string area(int x0, int y0, int w, int h)
    {
        const std::string fb = slurp(root.host("/dev/fb0"));
        std::string a;
        for (int y = y0; y < y0 + h; y++)
            a += fb.substr((static_cast<size_t>(y) * 640 + x0) * 2, static_cast<size_t>(w) * 2);
        return a;
    }
    bool orange_at(int x, int y)
    {
        const std::string p = area(x, y, 1, 1);
        const unsigned v = static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8;
        return (v >> 11) * 255 / 31 > 150 && ((v >> 5) & 63) * 255 / 63 > 70 && (v & 31) * 255 / 31 < 110;
    }
    GlobalAttr record()
    {
        GlobalAttr a{};
        EXPECT_EQ(crc_check_file(ATTR_FILE), 0);
        const std::string bytes = root.read(ATTR_FILE);
        EXPECT_EQ(bytes.size(), 72u);
        if (bytes.size() >= ATTR_RECORD_SIZE)
            attr_decode(reinterpret_cast<const uint8_t *>(bytes.data()), &a);
        return a;
    }
    void card(const std::string &what)
    {
        ASSERT_EQ(
            host_system(std::string(SOURCE_DIR) + "/tools/sample-card " + what + " '" + root.path() + "' >/dev/null"),
            0);
        pause_ms(1500);
    }
};

} // namespace

TEST_F(PortaSettings, BacklightTimeOutlivesAPowerCutAndTheNextStartUsesIt)
{
    start();
    click(MENU);
    click(UP, 7); // Backlight time
    click(A);
    click(DOWN);
    click(A); // 2 minutes
    click(B); // the page is left, the menu still open
    pause_ms(200);
    kill(pid, SIGKILL);
    wait_program(pid, 5000);
    pid = -1;
    EXPECT_EQ(record().sleep_time, 1);

    start();
    EXPECT_EQ(out().find("use default attr"), std::string::npos) << out();
    click(MENU);
    click(UP, 7);
    click(A);
    pause_ms(200);
    // The set radio mark on the second row ("2 Minute"), not on the third.
    const int mark_x = 620 - 24 - 15 + 12, row = 40 + 5;
    EXPECT_TRUE(orange_at(mark_x, 76 + row + 6 - 2 + 12));
    EXPECT_FALSE(orange_at(mark_x, 76 + 2 * row + 6 - 2 + 12));
    click(B);
    click(B);
    kill(pid, SIGINT);
    EXPECT_EQ(wait_program(pid, 10000), 1);
    pid = -1;
    EXPECT_EQ(record().sleep_time, 1);
}

TEST_F(PortaSettings, CardSkinSwitchesTheWallpaperAndBackAndAnIncompleteOneIsRefused)
{
    ASSERT_EQ(host_system(std::string(SOURCE_DIR) + "/tools/sample-skin complete '" + root.path() + "' >/dev/null"), 0);
    card("out");
    // The card numbers in the record: theme 3, wallpaper 1.
    attr_set_defaults(&global_attr);
    global_attr.sd_theme = 3;
    global_attr.sd_wallpaper = 1;
    ASSERT_EQ(save_global_attr(), 0);

    start();
    click(MENU);
    pause_ms(200);
    // Background only: below the rows' texts and values, away from the clock.
    const std::string built_in = area(250, 330, 250, 100);
    card("in");
    EXPECT_NE(out().find("--set_tfcard_in_res: customer_skin = 1 \n"), std::string::npos) << out();
    EXPECT_NE(area(250, 330, 250, 100), built_in);
    card("out");
    EXPECT_NE(out().find("--set_tfcard_out_res: customer_skin = 0 \n"), std::string::npos) << out();
    EXPECT_EQ(area(250, 330, 250, 100), built_in);

    // The same card with its wallpapers missing keeps the built-in pictures;
    // the card wallpaper number goes back to 0 in the record, the theme stays.
    remove_tree(root.host("/.tf-card/skin/wallpapers"));
    card("in");
    EXPECT_NE(out().find("----check_background_theme_icon: not find bg(1) \n"), std::string::npos) << out();
    EXPECT_NE(out().find("--set_tfcard_in_res: customer_skin = 0 \n"), std::string::npos) << out();
    EXPECT_EQ(area(250, 330, 250, 100), built_in);
    EXPECT_EQ(record().sd_wallpaper, 0);
    EXPECT_EQ(record().sd_theme, 3);
}
