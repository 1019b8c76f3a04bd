// A gamepad's facts, calibration and event conversion, on a FIFO pad inside a
// device root, one read at a time (no thread).

#include "fifo_pad.h"
#include "test_root.h"

#include "porta/controller/gamepad.h"
#include "porta/controller/joypad_cfg.h"
#include "porta/device/keypad.h"

#include <gtest/gtest.h>

#include <linux/input.h>

namespace {

class Gamepad : public testing::Test {
protected:
    TempRoot root;
    JoyDevice dev;
    std::unique_ptr<FifoPad> pad;

    void SetUp() override { joy_device_clear(&dev); }
    void TearDown() override { joy_device_close(&dev); }

    void open_pad(const FifoPadModel &model)
    {
        pad.reset(new FifoPad(root.path(), model));
        ASSERT_TRUE(pad->plug());
        ASSERT_EQ(open_gamepad(&dev, model.js.c_str()), 0);
        ASSERT_EQ(joy_read_name(&dev), 0);
        rebuild_joypad_table(&dev); // no files: the defaults
    }
    // Sends events and lets the pad read them.
    uint32_t feed(std::initializer_list<std::pair<int, int>> abs_events)
    {
        for (auto [code, value] : abs_events)
            EXPECT_TRUE(pad->abs(code, value));
        joy_read_events(&dev);
        return dev.key_state.load();
    }
    uint32_t press(int code, int value)
    {
        EXPECT_TRUE(pad->key(code, value));
        joy_read_events(&dev);
        return dev.key_state.load();
    }
    // A pad with one full-range stick (ABS_X, ABS_Y) resting at `x`.
    static FifoPadModel one_stick(int x)
    {
        FifoPadModel s;
        s.keys = {BTN_SOUTH};
        s.axes = {{ABS_X, x, -32768, 32767, 0, 0}, {ABS_Y, 0, -32768, 32767, 0, 0}};
        return s;
    }
};

} // namespace

TEST_F(Gamepad, OpenReadsTheFactsAFifoCannotAnswerFromSysfs)
{
    FifoPadModel s;
    s.name = "Pad/With [Brackets]";
    s.vendor = 0x045e;
    s.product = 0x028e;
    s.keys = {KEY_A, BTN_SOUTH, BTN_TRIGGER};
    s.axes = {{ABS_X, 0, 0, 255, 0, 0},     // rests at 0 with maximum 255: rest value 1
              {ABS_Y, 0, 0, 1, 0, 0},       // maximum below 5: rest value maximum + 5
              {ABS_Z, 0, 0, 100, 0, 0},     // otherwise it stays 0
              {ABS_RX, 7, 3, 3, 0, 0},      // minimum = maximum: no calibration
              {ABS_HAT1X, 0, -1, 1, 0, 0}}; // the second hat pair only
    open_pad(s);
    EXPECT_STREQ(dev.name, "Pad/With [Brackets]");
    EXPECT_EQ(dev.vendor_id, 0x045eu);
    EXPECT_EQ(dev.product_id, 0x028eu);
    // Joystick and gamepad codes are numbered first, then the others.
    EXPECT_EQ(dev.nbuttons, 3);
    EXPECT_EQ(dev.button_map[BTN_TRIGGER], 0);
    EXPECT_EQ(dev.button_map[BTN_SOUTH], 1);
    EXPECT_EQ(dev.button_map[KEY_A], 2);
    EXPECT_EQ(dev.naxes, 4);
    EXPECT_EQ(dev.nhats, 1);
    EXPECT_EQ(dev.hat_map[1], 0);
    EXPECT_EQ(dev.rest_value[ABS_X], 1);
    EXPECT_EQ(dev.rest_value[ABS_Y], 6);
    EXPECT_EQ(dev.rest_value[ABS_Z], 0);
    EXPECT_EQ(dev.rest_value[ABS_RX], 7);
    EXPECT_EQ(dev.calibration[ABS_RX].on, 0);
    EXPECT_EQ(joy_calibrate(&dev, ABS_RX, 12345), 12345);
    // A pad without an event node is not opened.
    JoyDevice other;
    testing::internal::CaptureStdout();
    root.mkdirs("/sys/class/input/js7/device");
    EXPECT_EQ(open_gamepad(&other, "js7"), -1);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("don't find event device"), std::string::npos);
}

TEST_F(Gamepad, ButtonsAreNumberedFromTheJoystickCodes)
{
    // BTN_0 (0x100) lies below the joystick codes: it comes after them, as on
    // any device that writes this pad's file.
    FifoPadModel s;
    s.keys = {BTN_0, BTN_SOUTH, BTN_EAST, BTN_TRIGGER_HAPPY1};
    open_pad(s);
    EXPECT_EQ(dev.nbuttons, 4);
    EXPECT_EQ(dev.button_map[BTN_SOUTH], 0);
    EXPECT_EQ(dev.button_map[BTN_EAST], 1);
    EXPECT_EQ(dev.button_map[BTN_TRIGGER_HAPPY1], 2);
    EXPECT_EQ(dev.button_map[BTN_0], 3);
    EXPECT_EQ(press(BTN_SOUTH, 1), (uint32_t)PAD_A) << "button 0 is A by default";
}

TEST_F(Gamepad, CalibrationNeverDividesByZero)
{
    JoyCalibration c;
    joy_set_calibration(&c, 5, 5, 0);
    EXPECT_EQ(c.on, 0);
    // maximum - minimum = 4 * flat: no scale at all, and no division by zero.
    joy_set_calibration(&c, 0, 40, 10);
    EXPECT_EQ(c.on, 1);
    EXPECT_EQ(c.coef[2], 0);
    dev.calibration[ABS_X] = c;
    EXPECT_EQ(joy_calibrate(&dev, ABS_X, 40), 0);
    EXPECT_EQ(joy_calibrate(&dev, ABS_X, 0), 0);
    // 0..255 with flat 15: centre in the dead zone, the ends at full scale,
    // values beyond the range clamped.
    joy_set_calibration(&dev.calibration[ABS_X], 0, 255, 15);
    EXPECT_EQ(joy_calibrate(&dev, ABS_X, 128), 0);
    EXPECT_EQ(joy_calibrate(&dev, ABS_X, 255), 32767);
    EXPECT_EQ(joy_calibrate(&dev, ABS_X, 0), -32768);
    EXPECT_EQ(joy_calibrate(&dev, ABS_X, 200), 19324); // (400 - 285) * 2^28 / 195 >> 13
    EXPECT_EQ(joy_calibrate(&dev, ABS_X, 1000000), 32767);
    // A range of one step with a huge raw value stays in range.
    joy_set_calibration(&dev.calibration[ABS_Y], 0, 1, 0);
    EXPECT_EQ(joy_calibrate(&dev, ABS_Y, 2000000000), 32767);
}

TEST_F(Gamepad, ButtonsFollowTheDefaultTableAndTheCurrentEvent)
{
    open_pad(standard_pad());
    EXPECT_EQ(press(BTN_SOUTH, 1), (uint32_t)PAD_A); // button 0
    JoyEvent e = joy_current_event(&dev);
    EXPECT_EQ(e.kind, JOY_SRC_BUTTON);
    EXPECT_EQ(e.index, 0);
    EXPECT_EQ(e.value, 1);
    EXPECT_EQ(press(BTN_SOUTH + 9, 1), (uint32_t)(PAD_A | PAD_START));  // button 9
    EXPECT_EQ(press(BTN_SOUTH + 10, 1), (uint32_t)(PAD_A | PAD_START)); // button 10: no key
    EXPECT_EQ(press(BTN_SOUTH, 0), (uint32_t)PAD_START);
    e = joy_current_event(&dev);
    EXPECT_EQ(e.kind, JOY_EVENT_RELEASE);
    EXPECT_EQ(press(KEY_A, 1), (uint32_t)PAD_START); // a code the pad does not have
    // What was pressed since the main loop last looked, released or not.
    EXPECT_EQ(dev.key_taps.load(), (uint32_t)(PAD_A | PAD_START));
}

TEST_F(Gamepad, StickFromLeftToRightLeavesRightOnlyButTheRightStickKeepsBoth)
{
    open_pad(standard_pad());
    EXPECT_EQ(feed({{ABS_X, 0}}), (uint32_t)PAD_LEFT);
    JoyEvent e = joy_current_event(&dev);
    EXPECT_EQ(e.kind, JOY_SRC_AXIS);
    EXPECT_EQ(e.index, 0);
    EXPECT_EQ(e.value, -1);
    EXPECT_EQ(joy_axis_readout.pressed.load(), 1);
    EXPECT_EQ(joy_axis_readout.calibrated.load(), -32768);
    EXPECT_EQ(joy_axis_readout.rest.load(), 128);
    EXPECT_EQ(feed({{ABS_X, 255}}), (uint32_t)PAD_RIGHT); // LEFT and RIGHT exclude each other
    EXPECT_EQ(feed({{ABS_X, 128}}), 0u);                  // back at rest
    EXPECT_EQ(joy_current_event(&dev).kind, JOY_EVENT_RELEASE);
    // The right stick's left and right are X and B: both stay set.
    EXPECT_EQ(feed({{ABS_Z, 0}}), (uint32_t)PAD_X);
    EXPECT_EQ(feed({{ABS_Z, 255}}), (uint32_t)(PAD_X | PAD_B));
    EXPECT_EQ(feed({{ABS_Z, 128}}), 0u);
    // A read without axis events resets the IO test's read-out.
    press(BTN_SOUTH, 1);
    EXPECT_EQ(joy_axis_readout.calibrated.load(), 0);
    EXPECT_EQ(joy_axis_readout.rest.load(), 0);
}

TEST_F(Gamepad, HatDiagonalsAddAndDropDirections)
{
    open_pad(standard_pad());
    EXPECT_EQ(feed({{ABS_HAT0Y, -1}}), (uint32_t)PAD_UP);
    EXPECT_EQ(feed({{ABS_HAT0X, 1}}), (uint32_t)(PAD_UP | PAD_RIGHT));
    JoyEvent e = joy_current_event(&dev);
    EXPECT_EQ(e.kind, JOY_SRC_HAT);
    EXPECT_EQ(e.value, JOY_HAT_UP | JOY_HAT_RIGHT);
    EXPECT_EQ(feed({{ABS_HAT0Y, 0}}), (uint32_t)PAD_RIGHT);
    EXPECT_EQ(feed({{ABS_HAT0Y, 1}}), (uint32_t)(PAD_DOWN | PAD_RIGHT));
    EXPECT_EQ(feed({{ABS_HAT0X, -1}}), (uint32_t)(PAD_DOWN | PAD_LEFT));
    EXPECT_EQ(feed({{ABS_HAT0X, 0}, {ABS_HAT0Y, 0}}), 0u); // centred: all four cleared
    EXPECT_EQ(joy_current_event(&dev).kind, JOY_EVENT_RELEASE);
}

TEST_F(Gamepad, AxisAtFullDeflectionWhenOpenedIsNoPress)
{
    open_pad(one_stick(32767));
    EXPECT_EQ(feed({{ABS_X, 100}}), 0u); // first value near the centre ...
    EXPECT_EQ(dev.axes[0].initial, 100); // ... becomes its initial value
    EXPECT_EQ(feed({{ABS_X, 450}}), 0u); // 350 from it: within the dead zone
    EXPECT_EQ(feed({{ABS_X, -32768}}), (uint32_t)PAD_LEFT);

    // The same axis whose first reading lies beyond 8190 keeps its first value.
    JoyDevice other;
    joy_device_clear(&other);
    pad->pull();
    FifoPadModel s = one_stick(-32768);
    s.js = "js1";
    s.event = "event11";
    FifoPad second(root.path(), s);
    ASSERT_TRUE(second.plug());
    ASSERT_EQ(open_gamepad(&other, "js1"), 0);
    second.abs(ABS_X, 9000);
    joy_read_events(&other);
    EXPECT_EQ(other.axes[0].initial, -32768);
    EXPECT_EQ(other.axes[0].has_second, 1);
    joy_device_close(&other);
}

TEST_F(Gamepad, AStickMovedBy409OrLessGivesNoKey)
{
    open_pad(one_stick(3700));
    // 400 from where it rests would be past the 12 % threshold (4100 / 32767),
    // but a still stick ignores it.
    EXPECT_EQ(feed({{ABS_X, 4100}}), 0u);
    EXPECT_EQ(dev.axes[0].live, 0);
    EXPECT_EQ(feed({{ABS_X, 4109}}), 0u);                  // 409 from its value: still ignored
    EXPECT_EQ(feed({{ABS_X, 4110}}), (uint32_t)PAD_RIGHT); // 410: it moves
    EXPECT_EQ(dev.axes[0].live, 1);
    EXPECT_EQ(feed({{ABS_X, 3700}}), 0u); // back at rest: released
}

TEST_F(Gamepad, OnlineWhileTheNodesAreThere)
{
    open_pad(standard_pad());
    EXPECT_TRUE(gamepad_online(&dev));
    pad->pull();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(gamepad_online(&dev));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "My_JoysOnline: ioctl fail ..\n");
}
