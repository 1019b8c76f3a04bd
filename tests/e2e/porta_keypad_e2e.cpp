// The whole launcher on the sample image, driven through its keypad and
// power-key event nodes (FIFOs inside the device root): the volume and
// brightness keys end up in the saved settings record, and holding the power
// key for 2 seconds shows the shutdown picture and powers off through the
// device's shell.

#include "key_event.h"
#include "porta_process.h"
#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

namespace {

const size_t kFrame = 640 * 480 * 2;

int32_t le32(const std::string &s, size_t at)
{
    return (int32_t)((uint32_t)(uint8_t)s[at] | ((uint32_t)(uint8_t)s[at + 1] << 8) |
                     ((uint32_t)(uint8_t)s[at + 2] << 16) | ((uint32_t)(uint8_t)s[at + 3] << 24));
}

// Mean difference per colour channel (0..255) between an RGB565 frame and an
// RGB24 picture of the same size.
double mean_difference(const std::string &fb, const std::string &rgb)
{
    if (fb.size() < kFrame || rgb.size() != 640 * 480 * 3)
        return 1e9;
    double sum = 0;
    for (size_t p = 0; p < 640 * 480; p++) {
        uint16_t v = (uint16_t)((uint8_t)fb[2 * p] | ((uint8_t)fb[2 * p + 1] << 8));
        int r = ((v >> 11) & 0x1F) * 255 / 31, g = ((v >> 5) & 0x3F) * 255 / 63, b = (v & 0x1F) * 255 / 31;
        sum += std::abs(r - (uint8_t)rgb[3 * p]) + std::abs(g - (uint8_t)rgb[3 * p + 1]) +
               std::abs(b - (uint8_t)rgb[3 * p + 2]);
    }
    return sum / (640.0 * 480 * 3);
}

class PortaKeypad : public testing::Test {
protected:
    TempRoot root;
    int keys = -1;
    int power = -1;
    pid_t pid = -1;

    void SetUp() override
    {
        root.install_sample_image();
        unlink(root.host("/tmp/shell.log").c_str());
        // Held open read-write, so that writing never waits for the reader.
        keys = open(root.host("/dev/input/event1").c_str(), O_RDWR);
        power = open(root.host("/dev/input/event0").c_str(), O_RDWR);
        ASSERT_GE(keys, 0);
        ASSERT_GE(power, 0);
    }

    void TearDown() override
    {
        if (pid > 0)
            wait_program(pid, 1);
        close(keys);
        close(power);
    }

    void start()
    {
        pid = start_porta(root);
        ASSERT_GT(pid, 0);
        // At its first start the launcher shows the boot logo, then switches
        // the CPU to full speed through the shell just before loading its
        // pictures and fonts and entering the main loop.
        ASSERT_TRUE(wait_porta_main_loop(root)) << slurp(root.path() + "/porta.out");
    }

    // The backlight level last written (the stand-in file is not truncated,
    // like the device's attribute).
    std::string backlight()
    {
        std::string s = root.read("/sys/class/backlight/backlight.2/brightness");
        return s.substr(0, s.find('\n'));
    }

    static void send(int fd, int code, int value)
    {
        ASSERT_TRUE(write_key_event(fd, code, value));
        // The main loop samples the keypad once per frame.
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
    }
    void click(int code)
    {
        send(keys, code, 1);
        send(keys, code, 0);
    }
};

} // namespace

TEST_F(PortaKeypad, VolumeKeysAndPowerHold)
{
    start();
    click(109);         // vol-: 10 -> 9
    click(109);         // vol-: 9 -> 8
    send(keys, 104, 1); // Menu held ...
    click(108);         // ... with vol+: brightness 3 -> 4, volume stays
    send(keys, 104, 0);

    std::string rgb;
    {
        const std::string raw = root.path() + "/shutdown.rgb";
        ASSERT_EQ(host_system("convert '" + root.host("/mnt/vendor/shutdown/lcd.jpg") + "' -depth 8 'rgb:" + raw + "'"),
                  0);
        rgb = slurp(raw);
    }

    send(power, 116, 1);
    // After 2 seconds the shutdown picture is shown for 2 seconds.
    double best = 1e9;
    for (int i = 0; i < 80 && best > 6.0; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        best = std::min(best, mean_difference(slurp(root.host("/dev/fb0")), rgb));
    }
    EXPECT_LT(best, 6.0) << "the shutdown picture never reached the framebuffer";
    // A black frame would be far from it: the check can fail.
    EXPECT_GT(mean_difference(std::string(kFrame, '\0'), rgb), 12.0);
    send(power, 116, 0);

    int status = wait_program(pid, 15000);
    pid = -1;
    std::string out = slurp(root.path() + "/porta.out");
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("ready to poweroff "), std::string::npos) << out;

    std::vector<std::string> cmds = root.recorded("/tmp/shell.log");
    ASSERT_FALSE(cmds.empty());
    EXPECT_EQ(cmds.back(), "reboot -p shutdown");

    std::string attr = slurp(root.host("/mnt/data/porta/porta_attr.ini"));
    ASSERT_EQ(attr.size(), 72u);
    EXPECT_EQ(le32(attr, 28), 8); // volume
    EXPECT_EQ(le32(attr, 16), 4); // brightness
    EXPECT_EQ(backlight(), "700");
}

TEST_F(PortaKeypad, ShortPowerPressSleepsAndWakes)
{
    start();
    send(power, 116, 1);
    send(power, 116, 0);
    // Asleep: the backlight goes off and keys are ignored.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(backlight(), "0");
    click(109);
    send(power, 116, 1);
    send(power, 116, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(backlight(), "400");

    // Leave through a 2-second hold; nothing changed in the record.
    send(power, 116, 1);
    int status = wait_program(pid, 15000);
    pid = -1;
    EXPECT_EQ(status, 0);
    std::string attr = slurp(root.host("/mnt/data/porta/porta_attr.ini"));
    ASSERT_EQ(attr.size(), 72u);
    EXPECT_EQ(le32(attr, 28), 10);
}
