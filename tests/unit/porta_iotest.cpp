// The IO test's and the factory test's key logic: tested marks and what is
// drawn lit, the players of the factory test, the motor keys of each screen,
// the way out of the IO test, and the backlight sweep's order.

#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/keypad.h"
#include "porta/ui/factory_threads.h"
#include "porta/ui/iotest.h"
#include "porta/library/browse.h"
#include "porta/ui/loop.h"
#include "test_root.h"

#include <gtest/gtest.h>

namespace {

uint32_t keys[7];
uint32_t keys_of(int player)
{
    return player >= 1 && player <= 6 ? keys[player] : 0;
}

class IoTestKeys : public testing::Test {
protected:
    TempRoot root;

    void SetUp() override
    {
        root.write(MOTOR_PATH, "");
        root.write(HDMI_STATE_PATH, "0\n");
        for (uint32_t &k : keys)
            k = 0;
        loop_hooks.player_keys = keys_of;
        tested_marks_clear();
        iotest_state = IoTestState{0, 0, MOTOR_OFF};
        factory_state = FactoryState{};
        output_device = 0;
    }
    void TearDown() override { loop_hooks_reset(); }

    std::string motor() { return root.read(MOTOR_PATH); }
    // One factory pass with player `p` holding `mask` (the others nothing).
    void factory_pass(int p, uint32_t mask)
    {
        for (uint32_t &k : keys)
            k = 0;
        keys[p] = mask;
        factory_test_step();
    }
};

} // namespace

TEST_F(IoTestKeys, TestedKeyStaysLitUntilItsSecondPressEnds)
{
    EXPECT_FALSE(key_lit(PAD_A, 0));
    tested_marks_step(PAD_A); // pressed
    EXPECT_TRUE(key_lit(PAD_A, PAD_A));
    tested_marks_step(0); // released: stays lit
    EXPECT_EQ(tested_mark_of(PAD_A), 2);
    EXPECT_TRUE(key_lit(PAD_A, 0));
    EXPECT_FALSE(key_lit(PAD_B, 0));
    tested_marks_step(PAD_A); // pressed again: lit while held
    EXPECT_EQ(tested_mark_of(PAD_A), 3);
    EXPECT_TRUE(key_lit(PAD_A, PAD_A));
    tested_marks_step(0); // and off at its release
    EXPECT_EQ(tested_mark_of(PAD_A), 0);
    EXPECT_FALSE(key_lit(PAD_A, 0));
}

TEST_F(IoTestKeys, TwoKeysAtOnceLightNeitherExceptThroughTheirMarks)
{
    tested_marks_step(PAD_A | PAD_B);
    EXPECT_FALSE(key_lit(PAD_A, PAD_A | PAD_B));
    EXPECT_FALSE(key_lit(PAD_B, PAD_A | PAD_B));
    tested_marks_step(0);
    tested_marks_step(PAD_A);
    tested_marks_step(PAD_A | PAD_B); // A tested before: its mark keeps it lit
    EXPECT_TRUE(key_lit(PAD_A, PAD_A | PAD_B));
    EXPECT_FALSE(key_lit(PAD_B, PAD_A | PAD_B));
    // D-pad diagonals are no tested keys: lit by the exact mask only.
    EXPECT_EQ(tested_mark_of(PAD_UP), 0);
}

TEST_F(IoTestKeys, AnotherPlayersKeysClearTheMarks)
{
    factory_pass(1, PAD_A);
    factory_pass(1, 0);
    factory_pass(1, PAD_X);
    factory_pass(1, 0);
    EXPECT_EQ(factory_state.active, 1);
    EXPECT_EQ(tested_mark_of(PAD_A), 2);
    EXPECT_EQ(tested_mark_of(PAD_X), 2);
    factory_pass(5, PAD_B); // player 5 takes over
    EXPECT_EQ(factory_state.active, 5);
    EXPECT_EQ(tested_mark_of(PAD_A), 0);
    EXPECT_EQ(tested_mark_of(PAD_X), 0);
    EXPECT_EQ(tested_mark_of(PAD_B), 1);
    factory_pass(5, 0); // nobody has keys: player 5 stays
    EXPECT_EQ(factory_state.active, 5);
    EXPECT_EQ(tested_mark_of(PAD_B), 2);
    EXPECT_EQ(factory_state.keys[4], 0u);
}

TEST_F(IoTestKeys, FactoryMotorRunsWhileMenuAloneIsHeld)
{
    factory_pass(1, PAD_MENU | PAD_SELECT);
    EXPECT_EQ(motor(), "");
    factory_pass(1, PAD_MENU);
    EXPECT_EQ(motor(), "65");
    factory_pass(1, PAD_MENU | PAD_A);
    EXPECT_EQ(motor(), "0");
    factory_pass(1, PAD_MENU);
    EXPECT_EQ(motor(), "65");
    factory_pass(1, 0);
    EXPECT_EQ(motor(), "0");
}

TEST_F(IoTestKeys, IoTestMotorNeedsMenuWithSelectAndStopsAtItsRelease)
{
    screen = SCREEN_IO_TEST;
    iotest_key_step(PAD_MENU, 1);
    EXPECT_EQ(motor(), "");
    EXPECT_EQ(iotest_state.motor, MOTOR_OFF);
    iotest_key_step(PAD_MENU | PAD_SELECT, 1);
    EXPECT_EQ(motor(), "65");
    EXPECT_EQ(iotest_state.motor, MOTOR_ON);
    iotest_key_step(PAD_MENU, 1);
    EXPECT_EQ(motor(), "0");
    EXPECT_EQ(iotest_state.motor, MOTOR_STOPPED);
    // The mask and the last player with keys.
    iotest_key_step(PAD_B, 3);
    iotest_key_step(0, 1);
    EXPECT_EQ(iotest_state.player, 3);
    EXPECT_EQ(iotest_state.mask, 0u);
    EXPECT_EQ(screen.load(), SCREEN_IO_TEST);
}

TEST_F(IoTestKeys, StartWithSelectLeavesWithTheMotorOff)
{
    screen = SCREEN_IO_TEST;
    iotest_key_step(PAD_MENU | PAD_SELECT, 2);
    ASSERT_EQ(motor(), "65");
    iotest_key_step(PAD_MENU | PAD_SELECT | PAD_START, 2);
    EXPECT_EQ(motor(), "0");
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS);
    EXPECT_EQ(iotest_state.mask, 0u);
    EXPECT_EQ(iotest_state.motor, MOTOR_OFF);
    EXPECT_EQ(test_res_loaded(), 0);
    // Also when the test believes the motor is already off.
    root.write(MOTOR_PATH, "65");
    screen = SCREEN_IO_TEST;
    iotest_key_step(PAD_START | PAD_SELECT, 1);
    EXPECT_EQ(motor(), "0");
}

TEST(IoTestSweep, BacklightSweepTurnsAtBothEnds)
{
    int level = 4, dir = -1;
    std::string seen;
    for (int i = 0; i < 12; i++) {
        level = sweep_next(level, &dir);
        seen += std::to_string(level);
    }
    EXPECT_EQ(seen, "321012343210");
}
