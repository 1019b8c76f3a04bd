// The launcher in a desktop window (X11 under Xvfb): the keyboard stands in
// for the keypad and the power key, through the keypad's own rules.

#include "porta_process.h"
#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <thread>

#include <unistd.h>

namespace {

int32_t le32(const std::string &s, size_t at)
{
    return (int32_t)((uint32_t)(uint8_t)s[at] | ((uint32_t)(uint8_t)s[at + 1] << 8) |
                     ((uint32_t)(uint8_t)s[at + 2] << 16) | ((uint32_t)(uint8_t)s[at + 3] << 24));
}

class PortaWindow : public testing::Test {
protected:
    TempRoot root;
    XServer x{640, 480};
    pid_t pid = -1;
    std::string win;

    void SetUp() override
    {
        ASSERT_TRUE(x.ok());
        root.install_sample_image();
        unlink(root.host("/tmp/shell.log").c_str());
        pid = start_porta(root, "x11", {"DISPLAY=" + x.display()});
        ASSERT_GT(pid, 0);
        win = find_window(x.display(), "porta", 20000);
        ASSERT_FALSE(win.empty()) << slurp(root.path() + "/porta.out");
        // The CPU goes to full speed just before the main loop starts.
        ASSERT_TRUE(wait_porta_main_loop(root)) << slurp(root.path() + "/porta.out");
    }

    void TearDown() override
    {
        if (pid > 0)
            wait_program(pid, 1);
    }

    std::string record() { return slurp(root.host("/mnt/data/porta/porta_attr.ini")); }
};

} // namespace

TEST_F(PortaWindow, KeyboardDrivesVolumeBrightnessAndPower)
{
    ASSERT_TRUE(send_keys(x.display(), win, {"minus", "minus", "minus"}, 150)); // vol- three times
    ASSERT_TRUE(key_down(x.display(), win, "Escape"));                          // Menu held ...
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_TRUE(send_keys(x.display(), win, {"equal"}, 150)); // ... with vol+
    ASSERT_TRUE(key_up(x.display(), win, "Escape"));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));

    ASSERT_TRUE(key_down(x.display(), win, "p")); // the power key, held
    int status = wait_program(pid, 15000);
    pid = -1;
    key_up(x.display(), win, "p");
    std::string out = slurp(root.path() + "/porta.out");
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("ready to poweroff "), std::string::npos) << out;
    std::vector<std::string> cmds = root.recorded("/tmp/shell.log");
    ASSERT_FALSE(cmds.empty());
    EXPECT_EQ(cmds.back(), "reboot -p shutdown");
    std::string attr = record();
    ASSERT_EQ(attr.size(), 72u);
    EXPECT_EQ(le32(attr, 28), 7); // volume 10 - 3
    EXPECT_EQ(le32(attr, 16), 4); // brightness 3 + 1
}

TEST_F(PortaWindow, ClosingTheWindowQuitsWithoutPowerOff)
{
    ASSERT_TRUE(send_keys(x.display(), win, {"minus"}, 150));
    ASSERT_TRUE(close_window(x.display(), win));
    int status = wait_program(pid, 15000);
    pid = -1;
    std::string out = slurp(root.path() + "/porta.out");
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Loop_listend: quit \n"), std::string::npos) << out;
    for (const std::string &c : root.recorded("/tmp/shell.log"))
        EXPECT_NE(c, "reboot -p shutdown");
    std::string attr = record();
    ASSERT_EQ(attr.size(), 72u);
    EXPECT_EQ(le32(attr, 28), 9);
}
