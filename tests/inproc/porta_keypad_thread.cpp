// The keypad thread against event nodes that are FIFOs inside a device root:
// keys, the Menu click, the power key (short press and 2-second hold) and the
// start-up failures.

#include "porta_loop_test.h"

#include "porta/controller/players.h"
#include "porta/device/keypad.h"
#include "porta/base/attr.h"
#include "porta/ui/loop.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <csignal>
#include <linux/input.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

class KeypadThread : public PortaLoopTest {
protected:
    int keys = -1;
    int power = -1;

    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0);
        root.mkdirs("/dev/input");
        root.mkdirs("/mnt/data/porta");
        loop_reset_state();
        attr_set_defaults(&global_attr);
        loop_running.store(1);
        screen_asleep.store(0);
        sleep_state.store(AWAKE);
        shutdown_type.store(0);
    }

    void TearDown() override
    {
        stop_keypad();
        if (keys >= 0)
            close(keys);
        if (power >= 0)
            close(power);
        loop_running.store(0);
        SDL_Quit();
    }

    void node(const char *name, const char *device_name)
    {
        ASSERT_EQ(mkfifo(root.host(std::string("/dev/input/") + name).c_str(), 0644), 0);
        if (device_name)
            root.write(std::string("/sys/class/input/") + name + "/device/name", std::string(device_name) + "\n");
    }

    void standard_nodes()
    {
        node("event0", "power-key");
        node("event1", "gpio-keys-polled");
        node("event2", "accelerometer");
    }

    // The nodes are open for reading by the keypad thread, so a writer never blocks.
    void open_writers()
    {
        keys = open(root.host("/dev/input/event1").c_str(), O_RDWR);
        power = open(root.host("/dev/input/event0").c_str(), O_RDWR);
        ASSERT_GE(keys, 0);
        ASSERT_GE(power, 0);
    }

    static void send(int fd, int type, int code, int value)
    {
        struct input_event ev;
        memset(&ev, 0, sizeof ev);
        ev.type = (uint16_t)type;
        ev.code = (uint16_t)code;
        ev.value = value;
        ASSERT_EQ(write(fd, &ev, sizeof ev), (ssize_t)sizeof ev);
    }
    void key(int code, int value) { send(keys, EV_KEY, code, value); }
};

} // namespace

TEST_F(KeypadThread, KeysReachTheMaskOfPlayerOne)
{
    standard_nodes();
    ASSERT_EQ(start_controllers(), 0);
    open_writers();
    key(92, 1); // LEFT
    EXPECT_TRUE(wait_for([] { return get_player1_key() == PAD_LEFT; }));
    key(93, 1); // RIGHT while LEFT is held
    EXPECT_TRUE(wait_for([] { return get_player1_key() == PAD_RIGHT; }));
    send(keys, EV_SYN, 0, 0); // other event types change nothing
    key(93, 0);
    EXPECT_TRUE(wait_for([] { return get_player1_key() == 0; }));
    key(94, 1); // A
    key(98, 1); // Start
    EXPECT_TRUE(wait_for([] { return get_player1_key() == (PAD_A | PAD_START); }));
    EXPECT_EQ(pad_to_keycode(get_player1_key()), SDLK_LCTRL);
    EXPECT_EQ(keypad_last_code(), 98);
    EXPECT_EQ(keypad_last_value(), 1);
    key(98, 2); // auto-repeat: remembered, not applied
    EXPECT_TRUE(wait_for([] { return keypad_last_value() == 2; }));
    EXPECT_EQ(get_player1_key(), (uint32_t)(PAD_A | PAD_START));
    stop_controllers();
    EXPECT_FALSE(player_present(1));
}

// A tap that is over before the main loop looks (a busy pass) still counts.
TEST_F(KeypadThread, ATapOverBeforeTheLoopLooksIsOnePress)
{
    standard_nodes();
    ASSERT_EQ(start_controllers(), 0);
    open_writers();
    key(94, 1);
    key(94, 0);
    EXPECT_TRUE(wait_for([] { return keypad_last_code() == 94 && keypad_last_value() == 0; }));
    EXPECT_EQ(keypad_mask(), 0u);
    EXPECT_EQ(get_player1_key(), (uint32_t)PAD_A);
    EXPECT_EQ(get_player1_key(), 0u);
    stop_controllers();
}

TEST_F(KeypadThread, MenuClickAndBrightnessCombo)
{
    standard_nodes();
    ASSERT_EQ(start_keypad(&localpad0.key_state), 0);
    open_writers();
    key(104, 1);
    key(104, 0);
    EXPECT_TRUE(wait_for([] { return keypad_menu_click() == MENU_CLICK_CLICKED; }));
    keypad_clear_menu_click();
    key(104, 1);
    key(108, 1); // vol+ with Menu held
    EXPECT_TRUE(wait_for([] { return keypad_mask() == (PAD_MENU | PAD_VOLUP); }));
    EXPECT_EQ(keypad_volume_key(), 1);
    key(108, 0);
    key(104, 0);
    EXPECT_TRUE(wait_for([] { return keypad_mask() == 0; }));
    EXPECT_EQ(keypad_menu_click(), MENU_CLICK_IDLE);
    EXPECT_EQ(keypad_volume_key(), 0);
}

TEST_F(KeypadThread, RemappedKeyFromTheSealedMap)
{
    standard_nodes();
    reset_keypad_map_to_defaults();
    keypad_codes[LPAD_B].store(150);
    ASSERT_EQ(save_keypad_map(), 0);
    reset_keypad_map_to_defaults();
    ASSERT_EQ(start_keypad(&localpad0.key_state), 0); // loads the map
    open_writers();
    key(95, 1); // the factory B code no longer means B
    key(150, 1);
    EXPECT_TRUE(wait_for([] { return keypad_mask() == PAD_B; }));
}

TEST_F(KeypadThread, ShortPowerPressTogglesSleep)
{
    standard_nodes();
    ASSERT_EQ(start_keypad(&localpad0.key_state), 0);
    open_writers();
    // The test's thread stands in for the main loop, which takes the power
    // key's request.
    send(power, EV_KEY, 116, 1);
    send(power, EV_KEY, 116, 0);
    EXPECT_TRUE(wait_for([] {
        take_sleep_request();
        return screen_asleep.load() == 1;
    }));
    EXPECT_EQ(sleep_state.load(), ASLEEP_BY_KEY);
    // A Menu click while asleep does not open the settings.
    key(104, 1);
    key(104, 0);
    // Until the Menu release is read, the last event is the power release.
    EXPECT_TRUE(wait_for([] { return keypad_last_code() == 104 && keypad_last_value() == 0 && keypad_mask() == 0; }));
    EXPECT_EQ(keypad_menu_click(), MENU_CLICK_IDLE);
    send(power, EV_KEY, 116, 1);
    send(power, EV_KEY, 116, 0);
    EXPECT_TRUE(wait_for([] {
        take_sleep_request();
        return screen_asleep.load() == 0;
    }));
    EXPECT_EQ(sleep_state.load(), AWAKE);
    std::this_thread::sleep_for(std::chrono::milliseconds(2300)); // the hold timer was cancelled
    EXPECT_EQ(loop_running.load(), 1);
    EXPECT_EQ(shutdown_type.load(), 0);
}

TEST_F(KeypadThread, HoldingPowerTwoSecondsEndsTheLoopWithPowerOff)
{
    standard_nodes();
    ASSERT_EQ(start_keypad(&localpad0.key_state), 0);
    open_writers();
    send(power, EV_KEY, 116, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(loop_running.load(), 1);
    EXPECT_TRUE(wait_for([] { return loop_running.load() == 0; }, 2000));
    EXPECT_EQ(shutdown_type.load(), SHUTDOWN_POWEROFF);
    send(power, EV_KEY, 116, 0); // released after the loop ended: no sleep toggle
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    take_sleep_request();
    EXPECT_EQ(screen_asleep.load(), 0);
}

TEST_F(KeypadThread, MissingKeypadDeviceFails)
{
    node("event0", "power-key");
    node("event2", "accelerometer");
    CaptureStdout();
    EXPECT_EQ(start_keypad(&localpad0.key_state), -1);
    EXPECT_NE(GetCapturedStdout().find("Open /dev/input/event1 error\n"), std::string::npos);
    global_attr.local_pads = 1;
    CaptureStdout();
    EXPECT_EQ(start_controllers(), -1);
    std::string out = GetCapturedStdout();
    EXPECT_EQ(out.rfind("init_joystick_key \n", 0), 0u) << out;
    EXPECT_NE(out.find("init_joystick_key: "), std::string::npos) << out;
    EXPECT_NE(out.find(" fail \n"), std::string::npos) << out;
}

TEST_F(KeypadThread, MissingPowerKeyLosesOnlyThePowerKey)
{
    node("event1", "gpio-keys-polled");
    CaptureStdout();
    ASSERT_EQ(start_controllers(), 0);
    EXPECT_NE(GetCapturedStdout().find("Open /dev/input/event0 error\n"), std::string::npos);
    keys = open(root.host("/dev/input/event1").c_str(), O_RDWR);
    ASSERT_GE(keys, 0);
    key(94, 1); // A
    EXPECT_TRUE(wait_for([] { return get_player1_key() == PAD_A; })) << "the keypad still drives 1P";
    key(94, 0);
    EXPECT_TRUE(wait_for([] { return get_player1_key() == 0; }));
    stop_controllers();
}

TEST_F(KeypadThread, KeypadFoundUnderAnyEventNumber)
{
    node("event0", "power-key");
    node("event3", "some-other-device");
    node("event5", "gpio-keys-polled");
    node("mouse0", "gpio-keys-polled"); // not an event node
    ASSERT_EQ(start_keypad(&localpad0.key_state), 0);
    int fd = open(root.host("/dev/input/event5").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    send(fd, EV_KEY, 97, 1); // Y
    EXPECT_TRUE(wait_for([] { return keypad_mask() == PAD_Y; }));
    close(fd);
}

TEST_F(KeypadThread, LocalPadsAboveTwoAreCutAndSeated)
{
    standard_nodes();
    global_attr.local_pads = 5;
    ASSERT_EQ(start_controllers(), 0);
    EXPECT_EQ(global_attr.local_pads, 2);
    EXPECT_TRUE(player_present(1));
    EXPECT_TRUE(player_present(2));
    EXPECT_FALSE(player_present(3));
    stop_controllers();
    for (int p = 1; p <= MAX_PLAYERS; p++)
        EXPECT_FALSE(player_present(p)) << p;
}

TEST_F(KeypadThread, NoLocalPadsLeavesTheKeypadClosed)
{
    standard_nodes();
    global_attr.local_pads = 0;
    ASSERT_EQ(start_controllers(), 0);
    open_writers();
    key(94, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(get_player1_key(), 0u);
    EXPECT_FALSE(player_present(1));
    stop_controllers();
}

namespace {
void on_signal(int) {}
} // namespace

// An interrupted wait for input (Ctrl+C on the device) raises the quit request
// that ends the main loop.
TEST(KeypadQuit, InterruptedPollRaisesTheQuitRequest)
{
    TempRoot root;
    root.mkdirs("/dev/input");
    ASSERT_EQ(mkfifo(root.host("/dev/input/event0").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo(root.host("/dev/input/event1").c_str(), 0644), 0);
    root.write("/sys/class/input/event1/device/name", "gpio-keys-polled\n");

    struct sigaction sa, old;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_signal; // no SA_RESTART: poll() returns EINTR
    ASSERT_EQ(sigaction(SIGUSR1, &sa, &old), 0);
    ASSERT_EQ(start_keypad(&localpad0.key_state), 0);
    EXPECT_FALSE(joystick_quit_requested());

    // Only the keypad thread may take the signal.
    sigset_t set, prev;
    sigemptyset(&set);
    sigaddset(&set, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &set, &prev);
    CaptureStdout();
    // A signal that lands while the thread is not waiting interrupts nothing:
    // repeat until one lands inside the wait.
    bool quit = false;
    for (int i = 0; i < 40 && !quit; i++) {
        kill(getpid(), SIGUSR1);
        quit = wait_for([] { return joystick_quit_requested(); }, 50);
    }
    EXPECT_TRUE(quit);
    stop_keypad();
    std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("<read_adc2key_thread> ctrl+c is pressed ret=-1\n"), std::string::npos) << out;
    EXPECT_EQ(keypad_mask(), PAD_QUIT_REQUEST);
    pthread_sigmask(SIG_SETMASK, &prev, nullptr);
    sigaction(SIGUSR1, &old, nullptr);
    localpad0.key_state.store(0);
}
