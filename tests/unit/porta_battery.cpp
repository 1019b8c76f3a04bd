// The battery monitor on sysfs files inside a device root, with a driven
// clock: the icon it decides on, the charging animation, the blinking empty
// icon and the low-battery power-off, and unreadable files (charger changes
// and redraws: inproc/porta_battery_loop.cpp).

#include "porta/device/battery.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Battery : public ::testing::Test {
protected:
    TempRoot root;
    uint32_t now = 5000;

    void SetUp() override { battery_reset(); }

    void set(int capacity, const char *status, long voltage_uv = 3874000, long current_ua = 412000)
    {
        root.write(BATTERY_CAPACITY_PATH, std::to_string(capacity) + "\n");
        root.write(BATTERY_STATUS_PATH, std::string(status) + "\n");
        root.write(BATTERY_VOLTAGE_PATH, std::to_string(voltage_uv) + "\n");
        root.write(BATTERY_CURRENT_PATH, std::to_string(current_ua) + "\n");
    }

    // Calls the monitor every 250 ms for `seconds` seconds; returns the flags
    // of every call.
    std::vector<int> run(int seconds)
    {
        std::vector<int> flags;
        for (int i = 0; i < seconds * 4; i++) {
            flags.push_back(battery_update(now));
            now += 250;
        }
        return flags;
    }
};

} // namespace

TEST_F(Battery, FullShowsTheFilledIconAloneChargingOrNot)
{
    set(100, "Discharging");
    run(3);
    EXPECT_EQ(battery_mon.icon.base, 0);
    EXPECT_EQ(battery_mon.icon.fill, -1);

    set(100, "Charging");
    run(3);
    EXPECT_EQ(battery_mon.icon.base, 0);
    EXPECT_EQ(battery_mon.icon.fill, -1);
    EXPECT_EQ(battery_mon.anim_step, 0);
    EXPECT_EQ(battery.voltage, 3870);
    EXPECT_EQ(battery.current, 412);
}

TEST_F(Battery, ChargingFillGrowsFourPixelsEverySecondThenStartsAgain)
{
    set(50, "Charging");
    std::vector<int> widths; // the width after each refresh
    for (int call = 0; call < 48; call++) {
        int f = battery_update(now);
        if (f & BATTERY_REFRESHED) {
            widths.push_back(battery_mon.icon.fill);
        } else if (!widths.empty()) {
            EXPECT_EQ(battery_mon.icon.fill, widths.back()) << "changed between refreshes";
        }
        EXPECT_EQ(battery_mon.icon.base, 1);
        now += 250;
    }
    // 12 seconds: a refresh every 1000 ms (due strictly after the deadline).
    ASSERT_GE(widths.size(), 9u);
    ASSERT_LE(widths.size(), 12u);
    int wraps = 0;
    for (size_t i = 1; i < widths.size(); i++) {
        if (widths[i - 1] == 23) {
            EXPECT_EQ(widths[i], 7);
            wraps++;
        } else {
            EXPECT_EQ(widths[i], widths[i - 1] + 4);
        }
    }
    EXPECT_GE(wraps, 1);
}

TEST_F(Battery, EmptyBelowThePowerOffVoltageBlinksAndShutsDownAfterTwentySeconds)
{
    set(0, "Discharging", 3400000);
    testing::internal::CaptureStdout();
    std::vector<int> base_at_refresh;
    int refreshes = 0, shutdown_at = -1;
    for (int call = 0; call < 30 * 4 && shutdown_at < 0; call++) {
        int f = battery_update(now);
        now += 250;
        if (!(f & BATTERY_REFRESHED))
            continue;
        refreshes++;
        base_at_refresh.push_back(battery_mon.icon.base);
        if (f & BATTERY_SHUTDOWN)
            shutdown_at = refreshes;
    }
    std::string out = testing::internal::GetCapturedStdout();
    // The counter passes 20 on the 21st second.
    EXPECT_EQ(shutdown_at, 21);
    EXPECT_NE(out.find("low battery(3400) to off cnt= 0.. \n"), std::string::npos) << out;
    EXPECT_NE(out.find("low battery(3400) to off cnt= 20.. \n"), std::string::npos) << out;
    // The empty icon shows every other second.
    for (size_t i = 1; i < base_at_refresh.size(); i++)
        EXPECT_NE(base_at_refresh[i], base_at_refresh[i - 1]) << "second " << i;
    EXPECT_EQ(battery_mon.icon.fill, 0);

    // Plugging the charger in: a wake and the counter back to 0.
    set(0, "Charging", 3400000);
    now += 1000;
    int f = battery_update(now);
    EXPECT_TRUE(f & BATTERY_CHARGER_CHANGED);
    EXPECT_FALSE(f & BATTERY_SHUTDOWN);
    EXPECT_EQ(battery_mon.low_count, 0);
}

TEST_F(Battery, EmptyAboveThePowerOffVoltageStaysSteadyWithoutShutdown)
{
    set(0, "Discharging", 3500000);
    testing::internal::CaptureStdout();
    for (int f : run(40))
        EXPECT_FALSE(f & BATTERY_SHUTDOWN);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(battery_mon.low_count, 0);
    EXPECT_EQ(battery_mon.icon.base, 1);
    EXPECT_EQ(out.find("low battery"), std::string::npos);
}

TEST_F(Battery, UnreadableOrOddFilesGiveSafeValues)
{
    testing::internal::CaptureStdout();
    battery_update(now);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(battery.capacity, BATTERY_UNREADABLE);
    EXPECT_EQ(battery.voltage, 0);
    EXPECT_EQ(battery.current, 0);
    EXPECT_EQ(battery.charging, 0);
    EXPECT_NE(out.find("can not open " + std::string(BATTERY_VOLTAGE_PATH) + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("can not open " + std::string(BATTERY_CAPACITY_PATH) + "\n"), std::string::npos) << out;
    // Unknown capacity reads as full: never a low-battery power-off.
    EXPECT_EQ(battery_mon.icon.fill, -1);

    root.write(BATTERY_CAPACITY_PATH, "abc\n");
    root.write(BATTERY_VOLTAGE_PATH, "3200000\n");
    root.write(BATTERY_CURRENT_PATH, "-250000\n");
    root.write(BATTERY_STATUS_PATH, "Charg\n");
    battery_read();
    EXPECT_EQ(battery.capacity, BATTERY_UNREADABLE);
    EXPECT_EQ(battery.voltage, 0);
    EXPECT_EQ(battery.current, 0);
    EXPECT_EQ(battery.charging, 0);

    root.write(BATTERY_CAPACITY_PATH, "150\n");
    root.write(BATTERY_VOLTAGE_PATH, "99999999999999999999\n");
    battery_read();
    EXPECT_EQ(battery.capacity, 100);
    EXPECT_EQ(battery.voltage, 0); // out of range: no number
    root.write(BATTERY_CAPACITY_PATH, "-4\n");
    root.write(BATTERY_VOLTAGE_PATH, "4123456");
    battery_read();
    EXPECT_EQ(battery.capacity, 0);
    EXPECT_EQ(battery.voltage, 4120);
}
