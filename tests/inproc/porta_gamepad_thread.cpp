// The controller thread with FIFO pads inside a device root: seating at the
// first key ahead of the built-in keypad, unplugging, the two-pad adapter
// with and without pairing, the fifth pad, a failed wait for input, and the
// thread's CPU time while pads sit idle.

#include "fifo_pad.h"
#include "porta_loop_test.h"

#include "porta/base/attr.h"
#include "porta/controller/players.h"
#include "porta/device/keypad.h"
#include "porta/ui/loop.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <thread>

#include <linux/input.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

// The slot holding a js node, or -1.
int slot_of(const char *js)
{
    for (int s = 0; s < JOY_SLOTS; s++) {
        JoySlotInfo info;
        if (joystick_slot_info(s, &info) == 0 && strcmp(info.jsNode, js) == 0)
            return s;
    }
    return -1;
}

int player_of(const char *js)
{
    int s = slot_of(js);
    JoySlotInfo info;
    return s >= 0 && joystick_slot_info(s, &info) == 0 ? info.player : -1;
}

JoyDevice *seat(int player)
{
    return player_table[player - 1].load();
}

JoyDevice *pad_device(const char *js)
{
    int s = slot_of(js);
    return s >= 0 ? joystick_slot_device(s) : nullptr;
}

// CPU time of the controller thread so far, in milliseconds.
double thread_cpu_ms(void)
{
    DIR *d = opendir("/proc/self/task");
    double ms = -1;
    struct dirent *e;
    while (d && (e = readdir(d)) != nullptr) {
        std::string task = std::string("/proc/self/task/") + e->d_name;
        if (slurp(task + "/comm") != "HandleInputEvnt\n")
            continue;
        std::string sched = slurp(task + "/schedstat");
        if (!sched.empty()) {
            ms = std::stod(sched.substr(0, sched.find(' '))) / 1e6;
        } else {
            std::string stat = slurp(task + "/stat");
            std::string rest = stat.substr(stat.rfind(')') + 2);
            long utime = 0, stime = 0;
            sscanf(rest.c_str(), "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld", &utime, &stime);
            ms = (utime + stime) * 1000.0 / sysconf(_SC_CLK_TCK);
        }
    }
    if (d)
        closedir(d);
    return ms;
}

class GamepadThread : public PortaLoopTest {
protected:
    int keys = -1;
    std::vector<std::unique_ptr<FifoPad>> pads;

    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0);
        root.mkdirs("/dev/input");
        root.mkdirs("/mnt/data/porta/joypad");
        loop_reset_state();
        attr_set_defaults(&global_attr);
        loop_running.store(1);
        for (const char *n : {"event0", "event1"}) {
            ASSERT_EQ(mkfifo(root.host(std::string("/dev/input/") + n).c_str(), 0644), 0);
            root.write(std::string("/sys/class/input/") + n + "/device/name",
                       n[5] == '0' ? "power-key\n" : "gpio-keys-polled\n");
        }
        keys = open(root.host("/dev/input/event1").c_str(), O_RDWR);
        ASSERT_GE(keys, 0);
    }

    void TearDown() override
    {
        stop_controllers();
        close(keys);
        loop_running.store(0);
        SDL_Quit();
    }

    FifoPad &plug(const FifoPadModel &model)
    {
        pads.emplace_back(new FifoPad(root.path(), model));
        EXPECT_TRUE(pads.back()->plug());
        return *pads.back();
    }
    FifoPad &plug(const std::string &js, const std::string &event) { return plug(standard_pad(js, event)); }

    void keypad(int code, int value)
    {
        struct input_event ev;
        memset(&ev, 0, sizeof ev);
        ev.type = EV_KEY;
        ev.code = (uint16_t)code;
        ev.value = value;
        ASSERT_EQ(write(keys, &ev, sizeof ev), (ssize_t)sizeof ev);
    }

    FifoPadModel adapter_half(const std::string &js, const std::string &event, int interface)
    {
        FifoPadModel s = standard_pad(js, event);
        s.name = "USB Gamepad USB Gamepad";
        s.phys = "usb-0000:00:1d.0-2/input" + std::to_string(interface);
        return s;
    }
};

} // namespace

TEST_F(GamepadThread, FirstKeySeatsThePadAheadOfTheKeypadAndUnpluggingGivesItBack)
{
    ASSERT_EQ(start_controllers(), 0);
    EXPECT_EQ(seat(1), &localpad0);
    FifoPad &pad = plug("js0", "event10");
    ASSERT_TRUE(wait_for([] { return joystick_pad_count() == 1; }));
    // Added, but no player until a key: a stick inside its dead zone is none.
    pad.abs(ABS_X, 140);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(player_of("js0"), 0);
    EXPECT_EQ(seat(1), &localpad0);

    pad.key(BTN_SOUTH, 1);
    JoyDevice *dev = pad_device("js0");
    ASSERT_TRUE(wait_for([&] { return seat(1) == dev; }));
    EXPECT_EQ(player_of("js0"), 1);
    EXPECT_EQ(get_player1_key(), (uint32_t)PAD_A);
    // The local pads move up: the keypad is 2P, the second local pad 3P.
    ASSERT_TRUE(wait_for([] { return seat(2) == &localpad0 && seat(3) == &localpad1; }));
    keypad(95, 1); // B on the built-in keypad
    EXPECT_TRUE(wait_for([] { return get_player2_key() == PAD_B; }));
    keypad(95, 0);
    pad.key(BTN_SOUTH, 0);
    EXPECT_TRUE(wait_for([] { return get_player1_key() == 0; }));

    const int slot = slot_of("js0");
    const uint32_t removals = joystick_slot_removals(slot);
    JoyConvEntry table[JOY_CONV_SLOTS];
    ASSERT_EQ(joystick_pad_table_get(slot, removals, table), 0);
    EXPECT_EQ(table[4].type, JOY_SRC_BUTTON);
    CaptureStdout();
    pad.pull();
    bool back = wait_for([] { return joystick_pad_count() == 0 && seat(1) == &localpad0 && seat(2) == &localpad1; });
    std::string out = GetCapturedStdout();
    EXPECT_TRUE(back) << out;
    EXPECT_NE(out.find("My_JoystickDetect: remove js0,player=1 \n"), std::string::npos) << out;
    EXPECT_NE(out.find("---clr_localkeyRep: clr localpad0 (old as 2 player)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("--set_localkeyRep: set localpad0 as 1 player \n"), std::string::npos) << out;
    // A screen working with the pad can tell that it went.
    EXPECT_EQ(joystick_slot_removals(slot), removals + 1);
    EXPECT_EQ(joystick_pad_table_set(slot, removals, table), -1);
    EXPECT_EQ(joystick_pad_save(slot, removals, table), -1);
    EXPECT_EQ(host_capture("ls -A '" + root.host("/mnt/data/porta/joypad") + "'"), "") << "nothing written";
    // Plugged again into the same slot, it is another pad for a screen.
    FifoPad &again = plug("js0", "event20");
    ASSERT_TRUE(wait_for([] { return joystick_pad_count() == 1; }));
    EXPECT_EQ(joystick_pad_table_set(slot_of("js0"), removals, table), -1);
    EXPECT_EQ(joystick_pad_save(slot_of("js0"), joystick_slot_removals(slot_of("js0")), table), 0);
    EXPECT_TRUE(root.exists("/mnt/data/porta/joypad/USB Gamepad.cfg"));
    again.pull();
    EXPECT_EQ(seat(3), nullptr);
}

TEST_F(GamepadThread, TwoPadAdapterIsSeatedAsOneAndTwoWhenPaired)
{
    global_attr.joy_pairing = 1;
    ASSERT_EQ(start_controllers(), 0);
    FifoPad &other = plug("js0", "event10");
    ASSERT_TRUE(wait_for([] { return joystick_pad_count() == 1; }));
    other.key(BTN_SOUTH, 1);
    ASSERT_TRUE(wait_for([] { return player_of("js0") == 1; }));
    other.key(BTN_SOUTH, 0);

    FifoPad &second = plug(adapter_half("js1", "event11", 1));
    plug(adapter_half("js2", "event12", 0));
    ASSERT_TRUE(wait_for([] { return joystick_pad_count() == 3; }));
    // Any event of one half seats both, by interface number.
    second.key(BTN_SOUTH, 0);
    ASSERT_TRUE(wait_for([] { return player_of("js2") == 1 && player_of("js1") == 2; }));
    EXPECT_EQ(player_of("js0"), 0); // loses its number until its next key
    EXPECT_EQ(seat(1), pad_device("js2"));
    EXPECT_EQ(seat(2), pad_device("js1"));
    ASSERT_TRUE(wait_for([] { return seat(3) == &localpad0 && seat(4) == &localpad1; }));
    other.key(BTN_SOUTH, 1);
    ASSERT_TRUE(wait_for([] { return player_of("js0") == 3; }));
    EXPECT_TRUE(
        wait_for([] { return seat(3) == pad_device("js0") && seat(4) == &localpad0 && seat(5) == &localpad1; }));
}

TEST_F(GamepadThread, WithoutPairingTheHalvesAreNumberedByTheirFirstKeys)
{
    ASSERT_EQ(start_controllers(), 0);
    FifoPad &a = plug(adapter_half("js1", "event11", 0));
    FifoPad &b = plug(adapter_half("js2", "event12", 1));
    ASSERT_TRUE(wait_for([] { return joystick_pad_count() == 2; }));
    a.key(BTN_SOUTH, 0); // a release is no key
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(player_of("js1"), 0);
    b.key(BTN_SOUTH + 1, 1);
    ASSERT_TRUE(wait_for([] { return player_of("js2") == 1; }));
    a.key(BTN_SOUTH, 1);
    ASSERT_TRUE(wait_for([] { return player_of("js1") == 2; }));
    EXPECT_EQ(get_player1_key(), (uint32_t)PAD_B);
    EXPECT_EQ(get_player2_key(), (uint32_t)PAD_A);
}

TEST_F(GamepadThread, FifthPadWaitsForAFreeSlot)
{
    global_attr.local_pads = 0;
    ASSERT_EQ(start_controllers(), 0);
    for (int i = 0; i < 5; i++)
        plug("js" + std::to_string(i), "event" + std::to_string(10 + i));
    ASSERT_TRUE(wait_for([] { return joystick_pad_count() == 4; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(joystick_pad_count(), 4);
    int left_out = -1;
    for (int i = 0; i < 5; i++)
        if (slot_of(("js" + std::to_string(i)).c_str()) < 0)
            left_out = i;
    ASSERT_GE(left_out, 0);
    const int pulled = left_out == 0 ? 1 : 0;
    pads[(size_t)pulled]->pull();
    const std::string js = "js" + std::to_string(left_out);
    EXPECT_TRUE(wait_for([&] { return slot_of(js.c_str()) >= 0; }));
    EXPECT_EQ(joystick_pad_count(), 4);
    // It plays like any other.
    pads[(size_t)left_out]->key(BTN_SOUTH + 3, 1);
    EXPECT_TRUE(wait_for([] { return get_player1_key() == PAD_Y; }));
}

TEST_F(GamepadThread, IdleThreadCostsAlmostNoCpuAndStopsAtOnce)
{
    global_attr.local_pads = 0;
    ASSERT_EQ(start_controllers(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    double c0 = thread_cpu_ms();
    ASSERT_GE(c0, 0) << "the controller thread is not found by its name";
    std::this_thread::sleep_for(std::chrono::seconds(3));
    double none = (thread_cpu_ms() - c0) / 3;
    for (int i = 0; i < 4; i++)
        plug("js" + std::to_string(i), "event" + std::to_string(10 + i));
    ASSERT_TRUE(wait_for([] { return joystick_pad_count() == 4; }));
    c0 = thread_cpu_ms();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    double four = (thread_cpu_ms() - c0) / 3;
    printf("controller thread CPU: %.2f ms/s without pads, %.2f ms/s with four idle pads\n", none, four);
    // A thread that spun would take about 1000 ms a second.
    EXPECT_LT(none, 20.0);
    EXPECT_LT(four, 20.0);
    auto t0 = std::chrono::steady_clock::now();
    stop_controllers();
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
    EXPECT_LT(took.count(), 150);
}

namespace {
void on_signal(int) {}
} // namespace

TEST_F(GamepadThread, FailedWaitForInputRaisesTheQuitRequest)
{
    global_attr.local_pads = 0;
    struct sigaction sa, old;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_signal; // poll() returns EINTR
    ASSERT_EQ(sigaction(SIGUSR1, &sa, &old), 0);
    ASSERT_EQ(start_controllers(), 0);
    plug("js0", "event10");
    ASSERT_TRUE(wait_for([] { return joystick_pad_count() == 1; }));
    EXPECT_FALSE(joystick_quit_requested());
    sigset_t set, prev;
    sigemptyset(&set);
    sigaddset(&set, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &set, &prev); // only the controller thread takes it
    CaptureStdout();
    bool quit = false;
    for (int i = 0; i < 40 && !quit; i++) {
        kill(getpid(), SIGUSR1);
        quit = wait_for([] { return joystick_quit_requested(); }, 100);
    }
    std::string out = GetCapturedStdout();
    EXPECT_TRUE(quit);
    EXPECT_NE(out.find("SDL_QUIT key is pressed ret=-1 \n"), std::string::npos) << out;
    stop_controllers();
    pthread_sigmask(SIG_SETMASK, &prev, nullptr);
    sigaction(SIGUSR1, &old, nullptr);
    ASSERT_EQ(start_controllers(), 0);
    EXPECT_FALSE(joystick_quit_requested()) << "a new start clears it";
}
