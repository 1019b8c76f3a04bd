// Hardware controls through the device root: backlight table, switch states,
// sound output choice, motor and LED, CPU mode script, the shell.

#include "porta/device/hardware.h"
#include "porta/device/pcm.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

TEST(PortaHw, BacklightTableAndWrites)
{
    EXPECT_EQ(backlight_value(0), 50);
    EXPECT_EQ(backlight_value(1), 100);
    EXPECT_EQ(backlight_value(2), 200);
    EXPECT_EQ(backlight_value(3), 400);
    EXPECT_EQ(backlight_value(4), 700);
    EXPECT_EQ(backlight_value(-1), 700);
    EXPECT_EQ(backlight_value(1000), 700);

    TempRoot root;
    root.write(BACKLIGHT_PATH, "123\n");
    set_backlight(4);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "700\n");
    set_backlight(3);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "400\n");
    set_backlight(-1);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "700\n");
    set_backlight(0);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "50\n");
    backlight_off();
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "0\n");
}

TEST(PortaHw, MissingSysfsFilesAreIgnored)
{
    TempRoot root;
    set_backlight(2);
    backlight_off();
    set_motor(1);
    led_test();
    EXPECT_FALSE(root.exists(BACKLIGHT_PATH));
    EXPECT_FALSE(root.exists(MOTOR_PATH));
}

TEST(PortaHw, MotorAndLed)
{
    TempRoot root;
    root.write(MOTOR_PATH, "");
    root.write(LED_TEST_PATH, "");
    set_motor(1);
    EXPECT_EQ(root.read(MOTOR_PATH), "65");
    set_motor(0);
    EXPECT_EQ(root.read(MOTOR_PATH), "0");
    set_motor(2);
    EXPECT_EQ(root.read(MOTOR_PATH), "0");
    led_test();
    EXPECT_EQ(root.read(LED_TEST_PATH), "1");
}

TEST(PortaHw, SwitchStates)
{
    TempRoot root;
    testing::internal::CaptureStdout();
    EXPECT_EQ(hdmi_state(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "can't open /sys/class/switch/hdmi/state\n");
    root.write(HDMI_STATE_PATH, "junk\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(hdmi_state(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "read /sys/class/switch/hdmi/state,fail \n");
    root.write(HDMI_STATE_PATH, "1\n");
    EXPECT_EQ(hdmi_state(), 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(headphone_state(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "headphone failures are silent";
    root.write(H2W_STATE_PATH, "0");
    EXPECT_EQ(headphone_state(), 0);
}

TEST(PortaHw, SoundDeviceFollowsHdmiUnlessHeadphones)
{
    struct Case {
        const char *hdmi; // nullptr: file missing
        const char *h2w;
        int device;
    } cases[] = {
        {"1\n", "1\n", 0}, {"1\n", "0\n", 1},     {"1\n", nullptr, 1}, {"0\n", "0\n", 0},
        {"0\n", "1\n", 0}, {nullptr, nullptr, 0}, {"2\n", "0\n", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("hdmi=") + (c.hdmi ? c.hdmi : "none") + " h2w=" + (c.h2w ? c.h2w : "none"));
        TempRoot root;
        if (c.hdmi)
            root.write(HDMI_STATE_PATH, c.hdmi);
        if (c.h2w)
            root.write(H2W_STATE_PATH, c.h2w);
        testing::internal::CaptureStdout();
        EXPECT_EQ(choose_sound_device(), c.device);
        testing::internal::GetCapturedStdout();
    }
}

TEST(PortaHw, SelectSoundDeviceAnnouncesOnlyChanges)
{
    TempRoot root;
    root.write(HDMI_STATE_PATH, "1\n");
    root.write(H2W_STATE_PATH, "0\n");
    sound_device = -1;
    testing::internal::CaptureStdout();
    select_sound_device();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("+++++ device = 1 ++++++\n"), std::string::npos) << out;
    EXPECT_EQ(sound_device, 1);
    testing::internal::CaptureStdout();
    select_sound_device();
    EXPECT_EQ(testing::internal::GetCapturedStdout().find("device ="), std::string::npos);
    root.write(H2W_STATE_PATH, "1\n");
    testing::internal::CaptureStdout();
    select_sound_device();
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("+++++ device = 0 ++++++\n"), std::string::npos) << out;
    EXPECT_EQ(sound_device, 0);
    close_sound_device();
    EXPECT_EQ(sound_device, -1);
    EXPECT_FALSE(pcm_stream_open());
}

TEST(PortaHw, ShellRunAndCpuMode)
{
    EXPECT_EQ(shell_run(nullptr), 1) << "no command: 1, nothing run";

    TempRoot root;
    // No shell inside the root: not run, reported as failed.
    EXPECT_EQ(shell_run("true"), -1);

    root.install_recording_shell(PORTA_SHELL, "/tmp/cmds.log", 3);
    int st = shell_run("echo hi");
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 3) << "the wait status of the command";

    set_cpu_mode(CPU_MODE_FULL);
    set_cpu_mode(CPU_MODE_POWERSAVE);
    set_cpu_mode(CPU_MODE_USER);
    set_cpu_mode(0);
    set_cpu_mode(7);
    auto cmds = root.recorded("/tmp/cmds.log");
    ASSERT_EQ(cmds.size(), 6u);
    EXPECT_EQ(cmds[0], "echo hi");
    EXPECT_EQ(cmds[1], "/system/porta/cpu_setting.sh  full");
    EXPECT_EQ(cmds[2], "/system/porta/cpu_setting.sh  powersave");
    EXPECT_EQ(cmds[3], "/system/porta/cpu_setting.sh  user");
    EXPECT_EQ(cmds[4], "/system/porta/cpu_setting.sh  deflt");
    EXPECT_EQ(cmds[5], "/system/porta/cpu_setting.sh  deflt");
}

TEST(PortaHw, ShellRunPassesCommandUnchanged)
{
    TempRoot root;
    root.install_recording_shell(PORTA_SHELL, "/tmp/cmds.log", 0, true);
    root.write("/tmp/out", "");
    std::string cmd = "printf '%s' \"a b\" > " + root.host("/tmp/out");
    int st = shell_run(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0);
    EXPECT_EQ(root.read("/tmp/out"), "a b");
    EXPECT_EQ(root.recorded("/tmp/cmds.log"), std::vector<std::string>{cmd});
}
