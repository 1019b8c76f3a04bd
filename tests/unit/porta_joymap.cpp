// The gamepad mapping sequence's judgement of one input against the steps
// already done, and the merge of a finished or ended sequence into the pad's
// table.

#include "porta/controller/joypad_cfg.h"
#include "porta/ui/joymap.h"
#include "porta/ui/mapseq.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

JoyEvent ev(int kind, int index, int value)
{
    return JoyEvent{kind, index, value};
}

// The step that asks for a conversion slot.
int step_of(int slot)
{
    for (int s = 0; s < JOYMAP_STEPS; s++)
        if (joymap_step_slot[s] == slot)
            return s;
    return -1;
}

} // namespace

TEST(JoyMapInput, RefusesAnInputAnotherStepHasAndAcceptsTheOthers)
{
    JoyConvEntry work[JOY_CONV_SLOTS] = {};
    // Hat 0 up for D-pad Up; the same direction of another hat is refused.
    EXPECT_EQ(joymap_take_input(work, step_of(0), ev(JOY_SRC_HAT, 0, JOY_HAT_UP)), 1);
    EXPECT_EQ(joymap_take_input(work, step_of(1), ev(JOY_SRC_HAT, 1, JOY_HAT_UP)), 0);
    EXPECT_EQ(work[1].type, JOY_SRC_NONE);
    EXPECT_EQ(joymap_take_input(work, step_of(1), ev(JOY_SRC_HAT, 0, JOY_HAT_DOWN)), 1);
    // Button 0 on A, then again on B: refused, B stays open; button 1 is taken.
    EXPECT_EQ(joymap_take_input(work, step_of(4), ev(JOY_SRC_BUTTON, 0, 1)), 1);
    EXPECT_EQ(joymap_take_input(work, step_of(5), ev(JOY_SRC_BUTTON, 0, 1)), 0);
    EXPECT_EQ(work[5].type, JOY_SRC_NONE);
    EXPECT_EQ(joymap_take_input(work, step_of(5), ev(JOY_SRC_BUTTON, 1, 1)), 1);
    EXPECT_EQ(work[5].index, 1);
    EXPECT_EQ(work[5].value, 0) << "a button carries no direction, as read from a file";
    // Stick: axis 1 minus on left stick up; the same direction again is
    // refused, the opposite direction of the same axis accepted.
    EXPECT_EQ(joymap_take_input(work, step_of(14), ev(JOY_SRC_AXIS, 1, -1)), 1);
    EXPECT_EQ(joymap_take_input(work, step_of(15), ev(JOY_SRC_AXIS, 1, -1)), 0);
    EXPECT_EQ(joymap_take_input(work, step_of(15), ev(JOY_SRC_AXIS, 1, 1)), 1);
    EXPECT_EQ(work[15].value, 1);
    // A release or a centred hat is no input; a diagonal names no one key.
    EXPECT_EQ(joymap_take_input(work, step_of(16), ev(JOY_EVENT_RELEASE, 3, 0)), -1);
    EXPECT_EQ(joymap_take_input(work, step_of(2), ev(JOY_SRC_HAT, 0, JOY_HAT_UP | JOY_HAT_LEFT)), 0);
    EXPECT_EQ(work[2].type, JOY_SRC_NONE);
}

TEST(JoyMapMerge, EarlyEndDropsShouldersKeepsTheRestAndSameInputsChangeNothing)
{
    JoyConvEntry pad[JOY_CONV_SLOTS];
    memset(pad, 0, sizeof pad);
    joypad_default_table(pad, 1, 12, 4);
    JoyConvEntry before[JOY_CONV_SLOTS];
    memcpy(before, pad, sizeof pad);

    // Every input given again as it was: nothing changes.
    JoyConvEntry same[JOY_CONV_SLOTS];
    memcpy(same, pad, sizeof same);
    EXPECT_EQ(joymap_merge(same, pad), 0) << "every input as it was";
    EXPECT_EQ(memcmp(pad, before, sizeof pad), 0);

    // Ended after the D-pad (given as it was): the shoulder keys and triggers
    // the pad had (buttons 4..7) are dropped, which is a change.
    JoyConvEntry work[JOY_CONV_SLOTS] = {};
    for (int slot = 0; slot < 4; slot++)
        work[slot] = pad[slot];
    EXPECT_EQ(joymap_merge(work, pad), 1);
    for (int slot = 8; slot <= 11; slot++)
        EXPECT_EQ(pad[slot].type, JOY_SRC_NONE) << slot;
    for (int slot : {4, 5, 6, 7, 12, 13, 14, 21}) {
        EXPECT_EQ(pad[slot].type, before[slot].type) << slot;
        EXPECT_EQ(pad[slot].index, before[slot].index) << slot;
        // The working table holds the whole new mapping for the file.
        EXPECT_EQ(work[slot].type, before[slot].type) << slot;
        EXPECT_EQ(work[slot].index, before[slot].index) << slot;
    }
    // Masks are not touched.
    for (int slot = 0; slot < JOY_CONV_SLOTS; slot++)
        EXPECT_EQ(pad[slot].set_mask, before[slot].set_mask) << slot;

    // A new button on A is a change in that slot only.
    JoyConvEntry work2[JOY_CONV_SLOTS] = {};
    work2[4] = JoyConvEntry{JOY_SRC_BUTTON, 11, 0, 0, 0};
    for (int slot = 8; slot <= 11; slot++)
        work2[slot] = before[slot];
    memcpy(pad, before, sizeof pad);
    EXPECT_EQ(joymap_merge(work2, pad), 1);
    EXPECT_EQ(pad[4].index, 11);
    EXPECT_EQ(pad[4].set_mask, before[4].set_mask);
}

// The pointer of both mapping sequences: shown for a second, hidden for the
// next, also across the wrap of the millisecond clock.
TEST(MapSeqBlink, FlipsEverySecondAcrossTheClockWrap)
{
    for (const uint32_t start : {0u, 0xFFFFFF00u}) {
        MapSeqBlink pointer = mapseq_blink_start(start);
        EXPECT_EQ(1, mapseq_blink(&pointer, start + 1u)) << start;
        EXPECT_EQ(1, mapseq_blink(&pointer, start + 999u)) << start;
        EXPECT_EQ(0, mapseq_blink(&pointer, start + 1000u)) << start;
        EXPECT_EQ(0, mapseq_blink(&pointer, start + 1999u)) << start;
        EXPECT_EQ(1, mapseq_blink(&pointer, start + 2000u)) << start;
    }
}
