// The whole launcher on the sample image, driven through its keypad FIFO:
// with the simplified Chinese UI, Search, q, h, the result list, the second
// match, A. porta exits 0 having launched it and kept the text; the next
// start is back on the same result list at the same row: A alone launches
// the same game again.

#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

namespace {

enum { UP = 90, DOWN = 91, LEFT = 92, RIGHT = 93, A = 94, Y = 97 };

class PortaSearch : public testing::Test {
protected:
    TempRoot root;
    int keys = -1;
    pid_t pid = -1;

    void SetUp() override
    {
        root.install_sample_image();
        root.write("/tmp/boot.ini", "");   // not the first start: no logo
        keys = open(root.host("/dev/input/event1").c_str(), O_RDWR);
        ASSERT_GE(keys, 0);
    }
    void TearDown() override
    {
        if (pid > 0)
            wait_program(pid, 1);
        close(keys);
    }
    void start()
    {
        unlink(root.host("/porta.out").c_str());
        pid = start_program(std::string(BIN_DIR) + "/porta", {},
                            {"DEVICE_ROOT=" + root.path(), "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"},
                            root.path(), root.host("/porta.out"));
        ASSERT_GT(pid, 0);
        bool up = false;
        for (int i = 0; i < 400 && !up; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            up = root.read("/porta.out").find("----- init_my_system ---ok\n") != std::string::npos;
        }
        ASSERT_TRUE(up) << root.read("/porta.out");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    void press(std::initializer_list<int> codes)
    {
        for (int c : codes) {
            for (int value : {1, 0}) {
                struct input_event ev;
                memset(&ev, 0, sizeof ev);
                ev.type = EV_KEY;
                ev.code = static_cast<uint16_t>(c);
                ev.value = value;
                ASSERT_EQ(write(keys, &ev, sizeof ev), static_cast<ssize_t>(sizeof ev));
                std::this_thread::sleep_for(std::chrono::milliseconds(110));
            }
        }
    }
    int finish()
    {
        int status = wait_program(pid, 15000);
        pid = -1;
        return status;
    }
};

} // namespace

TEST_F(PortaSearch, LaunchFromTheResultsThenRestartOnThem)
{
    host_system("rm -rf '" + root.host("/mnt/mmc/NEOGEO") + "'");
    for (const char *n : {"mslug.zip", "拳皇97.zip", "拳皇2002.zip"})
        root.write(std::string("/mnt/mmc/NEOGEO/") + n, "rom");
    start();
    // Search; q (key 10); h (key 25); Y: 拳皇97, 拳皇2002 (built-in card),
    // then 拳皇98 of the sample's TF card; the second one.
    press({RIGHT, RIGHT, RIGHT, A, DOWN, A, DOWN, RIGHT, RIGHT, RIGHT, RIGHT, RIGHT, A, Y, DOWN, A});
    ASSERT_EQ(finish(), 0) << root.read("/porta.out");
    const std::string next = root.read("/tmp/.next");
    EXPECT_NE(next.find("\"/mnt/mmc/NEOGEO/拳皇2002.zip\""), std::string::npos) << next;
    EXPECT_EQ(root.read("/tmp/gamedir.cfg"), "/tmp/search");
    EXPECT_EQ(root.read("/tmp/search"), "qh");
    EXPECT_EQ(root.read("/tmp/gameplace.cfg"), "start=0 \nhight=1 \n");

    unlink(root.host("/tmp/.next").c_str());
    start();
    press({A});
    ASSERT_EQ(finish(), 0) << root.read("/porta.out");
    EXPECT_EQ(root.read("/tmp/.next"), next);
    EXPECT_EQ(root.read("/tmp/search"), "qh");
}
