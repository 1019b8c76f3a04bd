// The whole launcher on the sample image with a FIFO gamepad: the pad, seated
// as 1P at its first key, steers the game list and is pulled (the keypad then
// launches the row the pad chose); and a pad mapped through the settings'
// gamepad screen gets its user file, which the next start uses.

#include "fifo_pad.h"
#include "key_event.h"
#include "porta_process.h"
#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

namespace {

enum { K_DOWN = 91, K_RIGHT = 93, K_A = 94, K_MENU = 104 };

void pause_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class PortaMapping : public PortaProcessTest {
protected:
    void SetUp() override
    {
        PortaProcessTest::SetUp();
        root.write("/tmp/boot.ini", "");
        host_system("rm -rf '" + root.host("/mnt/mmc/SFC") + "'");
        for (const char *n : {"A First.sfc", "Z Last.sfc"})
            root.write(std::string("/mnt/mmc/SFC/") + n, "rom");
    }
    void TearDown() override { stop_porta(15000); }
    void keypad(std::initializer_list<int> codes)
    {
        for (int c : codes) {
            for (int v : {1, 0}) {
                ASSERT_TRUE(write_key_event(keys, c, v));
                pause_ms(110);
            }
        }
    }
    // One input of the pad, held 150 ms, then the rest that follows it.
    static void input(FifoPad &pad, int type, int code, int value, int rest, int after_ms = 150)
    {
        ASSERT_TRUE(pad.send(type, code, value));
        pause_ms(150);
        ASSERT_TRUE(pad.send(type, code, rest));
        pause_ms(after_ms);
    }
    void plug(FifoPad &pad)
    {
        ASSERT_TRUE(pad.plug());
        ASSERT_TRUE(wait_porta_output(root, "--<MaybeAddDevice>--: jsNode=js0,ok <USB Gamepad>\n"));
    }
    // Start seats the pad (it does nothing on the rooms screen).
    void seat(FifoPad &pad)
    {
        input(pad, EV_KEY, BTN_SOUTH + 9, 1, 0);
        ASSERT_TRUE(wait_porta_output(root, "--<HandleInputEvents>--: devName=js0,player=1, priority=0 \n"));
    }
    // Game Rooms, the built-in card, SFC (system 8): a with the pad's A button.
    void to_sfc_list(FifoPad &pad, int a_button)
    {
        auto down = [&] { input(pad, EV_ABS, ABS_HAT0Y, 1, 0); };
        input(pad, EV_KEY, BTN_SOUTH + a_button, 1, 0);
        down();
        input(pad, EV_KEY, BTN_SOUTH + a_button, 1, 0);
        for (int i = 0; i < 8; i++)
            down();
        input(pad, EV_KEY, BTN_SOUTH + a_button, 1, 0);
    }
    int finish()
    {
        const int status = wait_program(pid, 15000);
        pid = -1;
        return status;
    }
};

} // namespace

TEST_F(PortaMapping, PadSteersTheGameListAsOnePlayerThenIsPulled)
{
    start();
    FifoPad pad(root.path(), standard_pad());
    plug(pad);
    seat(pad);
    to_sfc_list(pad, 0);
    input(pad, EV_ABS, ABS_HAT0Y, 1, 0); // the second game
    pad.pull();
    ASSERT_TRUE(wait_porta_output(root, "--set_localkeyRep: set localpad0 as 1 player \n"));
    keypad({K_A}); // the keypad, 1P again, launches it
    ASSERT_EQ(finish(), 0) << root.read("/porta.out");
    EXPECT_NE(root.read("/tmp/.next").find("\"/mnt/mmc/SFC/Z Last.sfc\""), std::string::npos)
        << root.read("/tmp/.next");
}

TEST_F(PortaMapping, MappedThroughTheSettingsTheFileIsWrittenAndUsedAtTheNextStart)
{
    start();
    {
        FifoPad pad(root.path(), standard_pad());
        plug(pad);
        // Settings, Buttons custom (item 11), Joystick buttons custom, the pad.
        keypad({K_MENU});
        for (int i = 0; i < 11; i++)
            keypad({K_DOWN});
        keypad({K_A, K_A, K_A});
        ASSERT_TRUE(wait_porta_output(root, "---<setjoy_1_level_keypress>--- name = USB Gamepad \n"));
        pause_ms(200);
        // The 22 inputs; A and B swapped against the defaults. After each
        // release the sequence pauses 300 ms.
        const int after = 500;
        input(pad, EV_ABS, ABS_HAT0Y, -1, 0, after);
        input(pad, EV_ABS, ABS_HAT0Y, 1, 0, after);
        input(pad, EV_ABS, ABS_HAT0X, -1, 0, after);
        input(pad, EV_ABS, ABS_HAT0X, 1, 0, after);
        for (int b : {8, 9, 1, 0, 2, 3, 4, 5, 6, 7}) // Select, Start, A, B, X, Y, L1, R1, L2, R2
            input(pad, EV_KEY, BTN_SOUTH + b, 1, 0, after);
        for (int axis : {ABS_Y, ABS_X, ABS_RZ, ABS_Z})
            for (int v : {0, 255})
                input(pad, EV_ABS, axis, v, 128, after);
        ASSERT_TRUE(wait_porta_output(root, "--setJoy_2_level_draw: set joypad finish \n")) << root.read("/porta.out");
        keypad({K_RIGHT, K_A}); // Yes
        ASSERT_TRUE(wait_porta_output(root, "---setJoy_handle_Save: save joypad setting .. \n"))
            << root.read("/porta.out");
        const std::string cfg = root.read("/mnt/data/porta/joypad/USB Gamepad.cfg");
        EXPECT_EQ(cfg.substr(0, cfg.find("input_b_btn")),
                  "input_driver = \"udev\"\ninput_device = \"USB Gamepad\"\ninput_vendor_id = \"121\"\n"
                  "input_product_id = \"17\"\n");
        EXPECT_NE(cfg.find("input_a_btn = \"1\"\n"), std::string::npos) << cfg;
        EXPECT_NE(cfg.find("input_b_btn = \"0\"\n"), std::string::npos) << cfg;
        EXPECT_NE(cfg.find("input_l_y_minus_axis = \"-1\"\n"), std::string::npos) << cfg;
        EXPECT_NE(cfg.find("input_r_x_plus_axis = \"+2\"\n"), std::string::npos) << cfg;
        ASSERT_EQ(kill(pid, SIGINT), 0);
        EXPECT_EQ(finish(), 1);
        pad.pull();
    }

    // The next start: the pad uses its file; button 1 is its A now.
    start();
    FifoPad pad(root.path(), standard_pad());
    plug(pad);
    EXPECT_TRUE(wait_porta_output(
        root, "--<rebuild_joyconver_table>--: use save (USB Gamepad.cfg) to fill convertable ....\n"));
    seat(pad);
    to_sfc_list(pad, 1);
    input(pad, EV_KEY, BTN_SOUTH + 1, 1, 0);
    ASSERT_EQ(finish(), 0) << root.read("/porta.out");
    EXPECT_NE(root.read("/tmp/.next").find("\"/mnt/mmc/SFC/A First.sfc\""), std::string::npos)
        << root.read("/tmp/.next");
}
