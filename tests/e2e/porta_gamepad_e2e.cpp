// The whole launcher on the sample image with a USB gamepad plugged in while
// it runs (FIFO nodes and sysfs facts inside the device root): the pad uses
// its user file, is seated as 1P at its first button ahead of the built-in
// keypad, and pulling it gives 1P back to the keypad.

#include "fifo_pad.h"
#include "porta_process.h"
#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <linux/input.h>

TEST(PortaGamepadE2E, PluggedPadPlaysAsOnePlayerUntilPulled)
{
    TempRoot root;
    root.install_sample_image();
    root.write("/mnt/data/porta/joypad/USB Gamepad.cfg", "input_a_btn = \"2\"\ninput_b_btn = \"1\"\n");
    pid_t pid = start_porta(root);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(wait_porta_output(root, "----- init_my_system ---ok\n", 20000)) << root.read("/porta.out");

    FifoPad pad(root.path(), standard_pad("js0", "event10"));
    ASSERT_TRUE(pad.plug());
    EXPECT_TRUE(wait_porta_output(root, "--<MaybeAddDevice>--: jsNode=js0,ok <USB Gamepad>\n"));
    EXPECT_TRUE(wait_porta_output(
        root, "--<rebuild_joyconver_table>--: use save (USB Gamepad.cfg) to fill convertable ....\n"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(root.read("/porta.out").find("devName=js0"), std::string::npos) << "no player before a key";

    pad.key(BTN_SOUTH + 2, 1); // A through the user file
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    pad.key(BTN_SOUTH + 2, 0);
    EXPECT_TRUE(wait_porta_output(root, "--<HandleInputEvents>--: devName=js0,player=1, priority=0 \n"));
    // The built-in keypad moves to 2P (into the second local pad's place).
    EXPECT_TRUE(wait_porta_output(root, "--set_localkeyRep: 111 localpad0 as 2 player \n"));

    pad.pull();
    EXPECT_TRUE(wait_porta_output(root, "My_JoystickDetect: remove js0,player=1 \n"));
    EXPECT_TRUE(wait_porta_output(root, "---clr_localkeyRep: clr localpad0 (old as 2 player)\n"));
    EXPECT_TRUE(wait_porta_output(root, "--set_localkeyRep: set localpad0 as 1 player \n"));

    ASSERT_EQ(kill(pid, SIGINT), 0);
    EXPECT_EQ(wait_program(pid, 15000), 1);
    const std::string out = root.read("/porta.out");
    EXPECT_NE(out.find("--deint_joystick_key "), std::string::npos) << out;
    // The unplug happened once; the keypad stayed 1P until the end.
    EXPECT_EQ(out.find("remove js0"), out.rfind("remove js0"));
}
