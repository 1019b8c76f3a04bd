// The whole launcher on the sample image, driven through its keypad FIFO: the
// IO test opens from the settings menu, lights the keys held on the keypad,
// runs the motor while Menu and Select are held, and Start+Select goes back
// to the menu with the motor off. A card holding test.ini starts the factory
// test instead: the test LED, the test sound on the stream, the motor on Menu
// alone, and the power key held as the only way out.

#include "alsa_file_plugin.h"
#include "key_event.h"
#include "porta_process.h"
#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

namespace {

enum { DOWN = 91, A = 94, START = 98, SELECT = 99, MENU = 104 };
const char MOTOR[] = "/sys/class/power_supply/battery/moto";
const char LED[] = "/sys/class/power_supply/battery/led_test";

void pause_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class PortaIoTest : public testing::Test {
protected:
    TempRoot root;
    int keys = -1, power = -1;
    pid_t pid = -1;

    void SetUp() override
    {
        root.install_sample_image();
        keys = open(root.host("/dev/input/event1").c_str(), O_RDWR);
        power = open(root.host("/dev/input/event0").c_str(), O_RDWR);
        ASSERT_GE(keys, 0);
        ASSERT_GE(power, 0);
        unlink(root.host("/tmp/boot.ini").c_str());
        unlink(root.host("/tmp/shell.log").c_str());
        root.write(MOTOR, "0");
        root.write(LED, "0");
    }
    void TearDown() override
    {
        if (pid > 0) {
            kill(pid, SIGINT);
            wait_program(pid, 10000);
        }
        close(keys);
        close(power);
    }
    // Starts porta and waits until `ready` holds.
    void start(const std::function<bool()> &ready, const std::vector<std::string> &env = {})
    {
        pid = start_porta(root, "dummy", env);
        ASSERT_GT(pid, 0);
        bool up = false;
        for (int i = 0; i < 400 && !up; i++) {
            pause_ms(50);
            up = ready();
        }
        ASSERT_TRUE(up) << slurp(root.path() + "/porta.out");
        pause_ms(1200);
    }
    void start_launcher()
    {
        start([this] {
            for (const std::string &c : root.recorded("/tmp/shell.log"))
                if (c == "/system/porta/cpu_setting.sh  full")
                    return true;
            return false;
        });
    }
    void event(int code, int value, int fd = -1)
    {
        ASSERT_TRUE(write_key_event(fd < 0 ? keys : fd, code, value));
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
    start_launcher();
    click(MENU);    // the settings list
    click(DOWN, 3); // IO test
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
    EXPECT_EQ(root.read(MOTOR), "0"); // Menu alone: no motor here
    event(SELECT, 1);
    EXPECT_EQ(root.read(MOTOR), "65");
    event(START, 1); // Start+Select, Menu still held
    EXPECT_EQ(root.read(MOTOR), "0");
    event(START, 0);
    event(SELECT, 0);
    event(MENU, 0);
    EXPECT_EQ(area(0, 60, 640, 360), menu); // back on the list, item 3
    EXPECT_EQ(root.read(MOTOR), "0");

    kill(pid, SIGINT);
    EXPECT_EQ(wait_program(pid, 10000), 1);
    pid = -1;
}

TEST_F(PortaIoTest, CardWithTestIniRunsTheFactoryTestUntilThePowerKeyIsHeld)
{
    ASSERT_EQ(host_system(std::string(SOURCE_DIR) + "/tools/sample-card in '" + root.path() + "' >/dev/null"), 0);
    ASSERT_EQ(host_system(std::string(SOURCE_DIR) + "/tools/sample-factory on '" + root.path() + "' >/dev/null"), 0);
    AlsaFileSink sink(root.path() + "/alsa");
    start([this] { return root.read(LED) == "1"; },
          {std::string("ALSA_CONFIG_PATH=") + getenv("ALSA_CONFIG_PATH"), "PCM_DEVICE=porta_test_%d"});
    EXPECT_EQ(root.read(MOTOR), "0");
    event(MENU, 1);
    EXPECT_EQ(root.read(MOTOR), "65"); // Menu alone
    event(MENU, 0);
    EXPECT_EQ(root.read(MOTOR), "0");
    EXPECT_EQ(kill(pid, 0), 0); // Start+Select does not leave it
    event(START, 1);
    event(SELECT, 1);
    event(SELECT, 0);
    event(START, 0);
    EXPECT_EQ(kill(pid, 0), 0);

    event(116, 1, power);
    pause_ms(2300);
    event(116, 0, power);
    const int status = wait_program(pid, 15000);
    pid = -1;
    const std::string out = slurp(root.path() + "/porta.out");
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(out.find("write file len = 0"), std::string::npos) << out;
    const std::vector<std::string> cmds = root.recorded("/tmp/shell.log");
    ASSERT_FALSE(cmds.empty());
    EXPECT_EQ(cmds.back(), "reboot -p shutdown");
    // The sample's test sound (a 880 Hz tone, 16-bit stereo after 4 bytes)
    // reached the stream widened to 32 bits, whole frames only.
    const std::string pcm = root.read("/mnt/vendor/test/test.pcm");
    const std::vector<int32_t> played = sink.samples();
    ASSERT_GT(played.size(), (pcm.size() - 4) / 2);
    EXPECT_EQ(played.size() % 2, 0u);
    for (size_t i = 0; i < (pcm.size() - 4) / 2; i++) {
        const int16_t v =
            static_cast<int16_t>(static_cast<uint8_t>(pcm[4 + 2 * i]) | static_cast<uint8_t>(pcm[5 + 2 * i]) << 8);
        ASSERT_EQ(played[i], static_cast<int32_t>(v) * 65536) << i;
    }
}
