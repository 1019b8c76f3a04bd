// The battery monitor inside the real main loop, with a driven clock: it runs
// on every pass whether frames are drawn or the screen sleeps; an empty
// battery ends the loop with the low-battery power-off, the charger wakes a
// sleeping screen, and a changing icon asks for a redraw.

#include "porta_loop_test.h"

#include "porta/device/battery.h"
#include "porta/ui/chrome.h"
#include "porta/ui/screens.h"

namespace {

class BatteryLoop : public PortaLoopTest {
protected:
    void SetUp() override
    {
        device_files();
        battery(60, "Discharging", 3900000);
        fake_loop_hooks();
        load_global_attr();
        global_attr.sleep_time = 4; // never by the timer
        output_device = 0;
        ASSERT_EQ(porta_test_display(0), 0);
        loop_reset_state();
        screen = SCREEN_ROOMS;
        testing::internal::CaptureStdout();
        loop_begin();
    }

    void TearDown() override
    {
        power_off();
        out += testing::internal::GetCapturedStdout();
        PortaLoopTest::TearDown();
    }

    void battery(int capacity, const char *status, long microvolts)
    {
        root.write(BATTERY_CAPACITY_PATH, std::to_string(capacity) + "\n");
        root.write(BATTERY_STATUS_PATH, std::string(status) + "\n");
        root.write(BATTERY_VOLTAGE_PATH, std::to_string(microvolts) + "\n");
        root.write(BATTERY_CURRENT_PATH, "0\n");
    }
};

} // namespace

TEST_F(BatteryLoop, EmptyBatteryPowersOffAfterTwentySecondsEvenAsleep)
{
    battery(0, "Discharging", 3400000);
    toggle_sleep(1);
    ASSERT_EQ(screen_asleep.load(), 1);
    const uint32_t start = fake_now;
    run_until(start + 19500);
    EXPECT_EQ(loop_running.load(), 1);
    run_until(start + 24000);
    EXPECT_EQ(loop_running.load(), 0);
    EXPECT_EQ(shutdown_type.load(), SHUTDOWN_LOWPOWER);
    EXPECT_GE(fake_now - start, 20000u);
    EXPECT_EQ(battery_mon.low_count, 21);
    power_off();
    std::vector<std::string> cmds = root.recorded("/tmp/shell.log");
    ASSERT_FALSE(cmds.empty());
    EXPECT_EQ(cmds.back(), "reboot -p shutdown");
    EXPECT_EQ(exits, std::vector<int>{0});
}

TEST_F(BatteryLoop, ChargerWakesTheSleepingScreen)
{
    toggle_sleep(1);
    run_until(fake_now + 3000);
    EXPECT_EQ(sleep_state.load(), ASLEEP_BY_KEY);
    root.write(BACKLIGHT_PATH, "0\n");
    battery(60, "Charging", 3900000);
    run_until(fake_now + 1200);
    EXPECT_EQ(sleep_state.load(), AWAKE);
    EXPECT_EQ(screen_asleep.load(), 0);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "400\n");
    // Pulling it out wakes it again.
    toggle_sleep(1);
    battery(60, "Discharging", 3900000);
    run_until(fake_now + 1200);
    EXPECT_EQ(sleep_state.load(), AWAKE);
    EXPECT_EQ(loop_running.load(), 1);
}

TEST_F(BatteryLoop, ARedrawIsAskedForOnlyWhenTheIconChanges)
{
    battery(50, "Charging", 3900000);
    top_bar_pass(fake_now += 1001);
    loop_draw_frame();
    ASSERT_EQ(redraw_pending(), 0);
    top_bar_pass(fake_now += 300); // same second: nothing new
    EXPECT_EQ(redraw_pending(), 0);
    top_bar_pass(fake_now += 800); // next step of the animation
    EXPECT_EQ(redraw_pending(), 1);
    loop_draw_frame();

    battery(100, "Discharging", 4100000);
    top_bar_pass(fake_now += 1001);
    EXPECT_EQ(redraw_pending(), 1);
    loop_draw_frame();
    top_bar_pass(fake_now += 1001); // full and steady
    EXPECT_EQ(redraw_pending(), 0);
    root.write(H2W_STATE_PATH, "1\n"); // headphones plugged in
    top_bar_pass(fake_now += 1001);
    EXPECT_EQ(redraw_pending(), 1);
}
