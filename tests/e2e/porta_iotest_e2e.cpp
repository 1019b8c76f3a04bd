// The whole launcher on the sample image, driven through its keypad FIFO: the
// IO test opens from the settings menu, lights the keys held on the keypad,
// runs the motor while Menu and Select are held, and Start+Select goes back
// to the menu with the motor off.

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

enum { DOWN = 91, A = 94, START = 98, SELECT = 99, MENU = 104 };
const char MOTOR[] = "/sys/class/power_supply/battery/moto";

void pause_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class PortaIoTest : public testing::Test {
protected:
    TempRoot root;
    int keys = -1;
    pid_t pid = -1;

    void SetUp() override
    {
        root.install_sample_image();
        keys = open(root.host("/dev/input/event1").c_str(), O_RDWR);
        ASSERT_GE(keys, 0);
        unlink(root.host("/tmp/boot.ini").c_str());
        unlink(root.host("/tmp/shell.log").c_str());
        root.write(MOTOR, "0");
        pid = start_program(std::string(BIN_DIR) + "/porta", {},
                            {"DEVICE_ROOT=" + root.path(), "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"},
                            root.path(), root.path() + "/porta.out");
        ASSERT_GT(pid, 0);
        bool up = false;
        for (int i = 0; i < 400 && !up; i++) {
            pause_ms(50);
            for (const std::string &c : root.recorded("/tmp/shell.log"))
                up = up || c == "/system/porta/cpu_setting.sh  full";
        }
        ASSERT_TRUE(up) << slurp(root.path() + "/porta.out");
        pause_ms(1200);
    }
    void TearDown() override
    {
        if (pid > 0) {
            kill(pid, SIGINT);
            wait_program(pid, 10000);
        }
        close(keys);
    }
    void event(int code, int value)
    {
        struct input_event ev;
        memset(&ev, 0, sizeof ev);
        ev.type = EV_KEY;
        ev.code = static_cast<uint16_t>(code);
        ev.value = value;
        ASSERT_EQ(write(keys, &ev, sizeof ev), static_cast<ssize_t>(sizeof ev));
        pause_ms(150);
    }
    void click(int code, int times = 1)
    {
        for (int i = 0; i < times; i++) {
            event(code, 1);
            event(code, 0);
        }
    }
    // RGB565 pixels of the LCD frame in a rectangle.
    std::string area(int x0, int y0, int w, int h)
    {
        pause_ms(100);
        const std::string fb = slurp(root.host("/dev/fb0"));
        std::string a;
        for (int y = y0; y < y0 + h; y++)
            a += fb.substr((static_cast<size_t>(y) * 640 + x0) * 2, static_cast<size_t>(w) * 2);
        return a;
    }
};

} // namespace

TEST_F(PortaIoTest, KeysLightMenuSelectRunsTheMotorAndStartSelectReturnsWithItOff)
{
    click(MENU);        // the settings list
    click(DOWN, 3);     // IO test
    const std::string menu = area(0, 60, 640, 360);
    click(A);
    const std::string iotest = area(0, 60, 640, 360);
    ASSERT_NE(iotest, menu);

    // The A cap (face keys from 260, 300) lights while A is held, and only A.
    const std::string a_plain = area(260, 300, 70, 70);
    const std::string b_plain = area(360, 300, 70, 70);
    event(A, 1);
    EXPECT_NE(area(260, 300, 70, 70), a_plain);
    EXPECT_EQ(area(360, 300, 70, 70), b_plain);
    event(A, 0);
    EXPECT_EQ(area(260, 300, 70, 70), a_plain);

    event(MENU, 1);
    EXPECT_EQ(root.read(MOTOR), "0");   // Menu alone: no motor here
    event(SELECT, 1);
    EXPECT_EQ(root.read(MOTOR), "65");
    event(START, 1);                    // Start+Select, Menu still held
    EXPECT_EQ(root.read(MOTOR), "0");
    event(START, 0);
    event(SELECT, 0);
    event(MENU, 0);
    EXPECT_EQ(area(0, 60, 640, 360), menu);   // back on the list, item 3
    EXPECT_EQ(root.read(MOTOR), "0");

    kill(pid, SIGINT);
    EXPECT_EQ(wait_program(pid, 10000), 1);
    pid = -1;
}
