// The gamepad and keypad mapping screens in the real main loop on the sample
// image, with the real controller and keypad threads reading FIFO nodes: the
// sequences run from the screens' run slot; the script below feeds one input
// per frame (through the loop's delay hook) and waits until the thread has
// seen it.

#include "fifo_pad.h"
#include "porta_loop_test.h"

#include "porta/base/attr.h"
#include "porta/base/sealed.h"
#include "porta/controller/players.h"
#include "porta/device/fb.h"
#include "porta/device/keypad.h"
#include "porta/device/storage.h"
#include "porta/library/browse.h"
#include "porta/ui/confirm.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/joymap.h"
#include "porta/ui/keymap.h"
#include "porta/ui/loop.h"
#include "porta/ui/settings.h"
#include "porta/ui/themes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

namespace {

enum : uint32_t { K_UP = 0x1, K_DOWN = 0x2, K_RIGHT = 0x8, K_A = 0x10, K_B = 0x20 };

bool real_keys = false; // the players' masks as the input threads publish them, too
int idle_frames = 0;
std::deque<std::function<void()>> script; // one entry per frame's wait
uint32_t keys_of(int player)
{
    return fake_player_keys(player) | (real_keys ? get_player_keys(player) : 0);
}
// One entry of the script per frame, only while a sequence runs (the main
// loop's own passes wait too).
void run_script(uint32_t)
{
    if (!(joymap.level || keymap.level)) {
        idle_frames = 0;
    } else if (!script.empty()) {
        auto f = script.front();
        script.pop_front();
        f();
    } else if (++idle_frames > 1000) {
        ADD_FAILURE() << "the sequence does not end";
        stop_loop(0);
    }
}

class Mapping : public PortaLoopTest {
protected:
    std::unique_ptr<FifoPad> pad;
    JoyDevice *dev = nullptr;
    int keys = -1;

    void SetUp() override
    {
        root.install_sample_image();
        root.write("/tmp/boot.ini", "");
        fake_loop_hooks();
        loop_hooks.player_keys = keys_of;
        on_delay = run_script;
        real_keys = false;
        script.clear();
        testing::internal::CaptureStdout();
        load_global_attr();
        global_attr.language = 2;
        global_attr.local_pads = 1;
        output_device = 0;
        tf_card_state = 0;
        ASSERT_EQ(porta_test_display(DISPLAY_FONTS | DISPLAY_PICTURES), 0);
        loop_reset_state();
        settings_install();
        const SettingsLinks links = {nullptr, joymap_load_images, joymap_open_reset, keymap_load_pictures};
        settings_set_links(&links);
        tf_card_check();
        gamelist_init();
        screen = SCREEN_ROOMS;
        room = ROOM_SETTINGS;
        loop_running.store(1);
        ASSERT_EQ(start_controllers(), 0);
        keys = open(root.host("/dev/input/event1").c_str(), O_RDWR);
        ASSERT_GE(keys, 0);
        loop_begin();
    }

    void TearDown() override
    {
        script.clear();
        power_off();
        const std::string out = testing::internal::GetCapturedStdout();
        if (HasFailure())
            fprintf(stderr, "%s", out.c_str());
        if (keys >= 0)
            close(keys);
        settings_set_links(nullptr);
        PortaLoopTest::TearDown();
    }

    // Settings, buttons page (item 11), then its row.
    void buttons_row(int row)
    {
        key(K_A);
        ASSERT_EQ(screen.load(), SCREEN_SETTINGS);
        key(K_DOWN, 11);
        key(K_A);
        ASSERT_EQ(screen.load(), SCREEN_SETTINGS_PAGE);
        key(K_DOWN, row);
    }
    void plug(const FifoPadModel &model)
    {
        pad.reset(new FifoPad(root.path(), model));
        ASSERT_TRUE(pad->plug());
        ASSERT_TRUE(wait_for([] {
            JoySlotInfo i;
            return joystick_slot_info(0, &i) == 0;
        }));
        dev = joystick_slot_device(0);
    }
    // One input of the gamepad: pressed (until the pad shows it), a frame,
    // released, two frames.
    void pad_input(int type, int code, int value, int rest = 0)
    {
        script.push_back([=] {
            pad->send(type, code, value);
            EXPECT_TRUE(wait_for([=] { return joy_current_event(dev).value != 0; }));
        });
        script.push_back([] {});
        script.push_back([=] {
            pad->send(type, code, rest);
            EXPECT_TRUE(wait_for([=] { return joy_current_event(dev).kind == JOY_EVENT_RELEASE; }));
        });
        script.push_back([] {});
        script.push_back([] {});
    }
    void idle(int frames)
    {
        for (int i = 0; i < frames; i++)
            script.push_back([] {});
    }
    // One event of the built-in keypad (raw code), once the thread saw it.
    void keypad_event(int code, int value)
    {
        struct input_event ev;
        memset(&ev, 0, sizeof ev);
        ev.type = EV_KEY;
        ev.code = static_cast<uint16_t>(code);
        ev.value = value;
        ASSERT_EQ(write(keys, &ev, sizeof ev), static_cast<ssize_t>(sizeof ev));
        EXPECT_TRUE(wait_for([=] {
            int c, v;
            keypad_last_event(&c, &v);
            return c == code && v == value;
        }));
    }
    // One key of the built-in keypad, pressed and released, in the script.
    void keypad_input(int code)
    {
        for (int value : {1, 0}) {
            script.push_back([=] { keypad_event(code, value); });
            script.push_back([] {});
        }
    }
    // The same outside a sequence: the main loop's passes take it.
    void keypad_key(int code)
    {
        for (int value : {1, 0}) {
            keypad_event(code, value);
            loop_pass();
            loop_pass();
        }
    }
    // Settings, buttons page, Local button custom, then its first row's A.
    void keypad_sequence(std::initializer_list<int> codes)
    {
        buttons_row(2);
        key(K_A);
        ASSERT_EQ(screen.load(), SCREEN_KEYPAD_MAP);
        for (int code : codes)
            keypad_input(code);
        key(K_A); // the assignment runs in this pass
        script.clear();
        ASSERT_EQ(screen.load(), SCREEN_CONFIRM);
    }
    void expect_keypad_map(const std::vector<int16_t> &action_codes)
    {
        for (int k = 0; k < KEYMAP_STEPS; k++)
            EXPECT_EQ(keypad_codes[keymap_step_index[k]].load(), action_codes[k]) << k;
        EXPECT_EQ(root.read("/mnt/data/porta/localpad.map").size(), 38u);
    }
    std::string joypad_files() { return host_capture("ls '" + root.host("/mnt/data/porta/joypad") + "'"); }
};

} // namespace

TEST_F(Mapping, RefusedInputsThenUpHeldThenNoRestoresTheTableExactly)
{
    plug(standard_pad());
    JoyConvEntry before[JOY_CONV_SLOTS];
    memcpy(before, dev->conv, sizeof before);
    buttons_row(0);
    key(K_A);
    ASSERT_EQ(screen.load(), SCREEN_JOY_MAP);

    for (auto hat : {std::make_pair(ABS_HAT0Y, -1), std::make_pair(ABS_HAT0Y, 1), std::make_pair(ABS_HAT0X, -1),
                     std::make_pair(ABS_HAT0X, 1)})
        pad_input(EV_ABS, hat.first, hat.second);
    pad_input(EV_KEY, BTN_SOUTH + 8, 1); // Select
    pad_input(EV_KEY, BTN_SOUTH + 9, 1); // Start
    pad_input(EV_KEY, BTN_SOUTH + 5, 1); // A on button 5
    pad_input(EV_KEY, BTN_SOUTH + 5, 1); // B on button 5 again: refused
    pad_input(EV_KEY, BTN_SOUTH + 8, 1); // and on Select's button: refused
    pad_input(EV_ABS, ABS_HAT0Y, -1);    // and on D-pad Up's hat: refused
    script.push_back([=] {               // B on button 4
        EXPECT_EQ(joymap.step, 7) << "the prompt stays on B";
        EXPECT_EQ(joymap.work[5].type, JOY_SRC_NONE);
    });
    pad_input(EV_KEY, BTN_SOUTH + 4, 1);
    script.push_back([=] { pad->send(EV_ABS, ABS_HAT0Y, -1); }); // UP held (old mapping)
    key(K_A);                                                    // the sequence runs inside this frame
    script.clear();
    pad->send(EV_ABS, ABS_HAT0Y, 0);

    const std::string out = testing::internal::GetCapturedStdout();
    testing::internal::CaptureStdout();
    EXPECT_NE(out.find("---setJoy_2_level_draw... press key 3s end \n"), std::string::npos) << out;
    ASSERT_EQ(screen.load(), SCREEN_CONFIRM);
    EXPECT_STREQ(confirm_box.message, "Save settings ... ??");
    // Live until answered: A and B on their new buttons, shoulders dropped,
    // X, Y and the sticks as before.
    EXPECT_EQ(dev->conv[4].index, 5);
    EXPECT_EQ(dev->conv[5].index, 4);
    for (int slot = 8; slot <= 11; slot++)
        EXPECT_EQ(dev->conv[slot].type, JOY_SRC_NONE) << slot;
    EXPECT_EQ(memcmp(&dev->conv[6], &before[6], 2 * sizeof(JoyConvEntry)), 0);
    EXPECT_EQ(memcmp(&dev->conv[14], &before[14], 8 * sizeof(JoyConvEntry)), 0);

    key(K_A); // No
    EXPECT_EQ(screen.load(), SCREEN_JOY_MAP);
    EXPECT_EQ(memcmp(dev->conv, before, sizeof before), 0) << "no gives the old table back, shoulders too";
    EXPECT_EQ(joypad_files(), "");
    EXPECT_NE(testing::internal::GetCapturedStdout().find("---setJoy_handle_Cancel: Cancel joypad setting .. \n"),
              std::string::npos);
    testing::internal::CaptureStdout();
}

TEST_F(Mapping, YesWithTheSameMappingWritesNoFile)
{
    FifoPadModel model = standard_pad();
    model.keys.resize(4); // four buttons and the hat: no Select, Start or shoulders
    model.axes.erase(
        std::remove_if(model.axes.begin(), model.axes.end(), [](const FifoPadAxis &a) { return a.code < 0x10; }),
        model.axes.end());
    plug(model);
    buttons_row(0);
    key(K_A);
    for (auto hat : {std::make_pair(ABS_HAT0Y, -1), std::make_pair(ABS_HAT0Y, 1), std::make_pair(ABS_HAT0X, -1),
                     std::make_pair(ABS_HAT0X, 1)})
        pad_input(EV_ABS, hat.first, hat.second);
    script.push_back([=] { pad->send(EV_ABS, ABS_HAT0Y, -1); });
    key(K_A);
    script.clear();
    pad->send(EV_ABS, ABS_HAT0Y, 0);
    ASSERT_EQ(screen.load(), SCREEN_CONFIRM);
    EXPECT_EQ(joymap.changed, 0);
    key(K_RIGHT);
    key(K_A); // Yes
    EXPECT_EQ(screen.load(), SCREEN_JOY_MAP);
    EXPECT_EQ(joypad_files(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout().find("save joypad setting"), std::string::npos);
    testing::internal::CaptureStdout();
}

TEST_F(Mapping, PadPulledOrQuitDuringTheSequenceEndsItAsNo)
{
    plug(standard_pad());
    JoyConvEntry before[JOY_CONV_SLOTS];
    memcpy(before, dev->conv, sizeof before);
    buttons_row(0);
    key(K_A);
    pad_input(EV_KEY, BTN_SOUTH + 3, 1); // D-pad Up on button 3
    script.push_back([=] {
        pad->pull();
        EXPECT_TRUE(wait_for([] {
            JoySlotInfo i;
            return joystick_slot_info(0, &i) != 0;
        }));
    });
    key(K_A);
    script.clear();
    EXPECT_NE(testing::internal::GetCapturedStdout().find("joypad setting dropped (pad removed)"), std::string::npos);
    testing::internal::CaptureStdout();
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS_PAGE) << "back on the buttons page";
    EXPECT_EQ(confirm_box.active, 0);
    EXPECT_EQ(joypad_files(), "");
    key(K_B);
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS) << "the loop goes on";

    // Plugged again (its file is read anew), then the launcher asked to stop.
    plug(standard_pad());
    EXPECT_EQ(memcmp(dev->conv, before, sizeof before), 0);
    key(K_A);
    key(K_A);
    ASSERT_EQ(screen.load(), SCREEN_JOY_MAP);
    pad_input(EV_KEY, BTN_SOUTH + 3, 1);
    script.push_back([] { stop_loop(0); });
    key(K_A);
    script.clear();
    EXPECT_EQ(loop_running.load(), 0);
    EXPECT_EQ(confirm_box.active, 0);
    EXPECT_EQ(memcmp(dev->conv, before, sizeof before), 0);
    EXPECT_EQ(joypad_files(), "");
}

TEST_F(Mapping, KeypadThreeKeysThenStartSelectSavesASealedMap)
{
    buttons_row(2);
    key(K_A);
    ASSERT_EQ(screen.load(), SCREEN_KEYPAD_MAP);
    keypad_input(95); // A on the B key
    keypad_input(94); // B on the A key
    keypad_input(94); // X on the A key again: ignored
    keypad_input(90); // D-pad up, vol+: never captured
    keypad_input(108);
    script.push_back([] {
        EXPECT_EQ(keymap.step, 2);
        char prompt[64];
        keymap_prompt(keymap.step, prompt, sizeof prompt);
        EXPECT_STREQ(prompt, "请设置  X") << "the prefix in English too";
    });
    keypad_input(102); // X on L2
    keypad_input(98);  // Start then Select: the end
    keypad_input(99);
    key(K_A); // the assignment runs inside this frame
    script.clear();
    EXPECT_EQ(testing::internal::GetCapturedStdout().find("--setlocalpad_2_level_draw: set keypad finish \n"),
              std::string::npos)
        << "not all eight: Start and Select ended it";
    testing::internal::CaptureStdout();
    ASSERT_EQ(screen.load(), SCREEN_CONFIRM);
    EXPECT_STREQ(confirm_box.message, "Save settings ... ??");
    EXPECT_EQ(keypad_codes[LPAD_A].load(), 94) << "nothing changes before yes";
    key(K_RIGHT);
    key(K_A); // Yes
    EXPECT_EQ(screen.load(), SCREEN_KEYPAD_MAP);
    // X took L2's key: L2, not yet reached, got X's (no key on two inputs).
    const int16_t want[LOCALPAD_KEYS] = {90, 91, 92, 93, 95, 94, 102, 97, 98, 99, 100, 101, 96, 103, 104, 108, 109};
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        EXPECT_EQ(keypad_codes[i].load(), want[i]) << i;
    EXPECT_EQ(root.read("/mnt/data/porta/localpad.map").size(), 38u);
    // Read back as the next start would.
    reset_keypad_map_to_defaults();
    EXPECT_EQ(load_keypad_map(), 0);
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        EXPECT_EQ(keypad_codes[i].load(), want[i]) << i;
}

TEST_F(Mapping, KeypadSameKeysWriteNothingAndRestoreDefaultsEmptiesTheFile)
{
    unlink(root.host("/mnt/data/porta/localpad.map").c_str());
    reset_keypad_map_to_defaults();
    buttons_row(2);
    key(K_A);
    keypad_input(94); // A on A: no change
    keypad_input(99); // Select then Start ends too
    keypad_input(98);
    key(K_A);
    script.clear();
    ASSERT_EQ(screen.load(), SCREEN_CONFIRM);
    key(K_RIGHT);
    key(K_A);
    EXPECT_FALSE(root.exists("/mnt/data/porta/localpad.map"));

    // Restore Defaults without a file: the defaults, no file made.
    keypad_codes[LPAD_B].store(97);
    key(K_DOWN);
    key(K_A);
    ASSERT_EQ(screen.load(), SCREEN_CONFIRM);
    EXPECT_STREQ(confirm_box.message, "Restore Defaults ??");
    key(K_RIGHT);
    key(K_A);
    EXPECT_EQ(keypad_codes[LPAD_B].load(), 95);
    EXPECT_FALSE(root.exists("/mnt/data/porta/localpad.map"));

    // With a saved map: the defaults at once, the file left empty, which the
    // next start reads as the defaults.
    keypad_codes[LPAD_B].store(97);
    ASSERT_EQ(save_keypad_map(), 0);
    ASSERT_EQ(root.read("/mnt/data/porta/localpad.map").size(), 38u);
    EXPECT_EQ(keymap.cursor, 1);
    key(K_A);
    key(K_RIGHT);
    key(K_A);
    EXPECT_EQ(keypad_codes[LPAD_B].load(), 95);
    EXPECT_TRUE(root.exists("/mnt/data/porta/localpad.map"));
    EXPECT_EQ(root.read("/mnt/data/porta/localpad.map").size(), 0u);
    keypad_codes[LPAD_B].store(97);
    EXPECT_EQ(load_keypad_map(), -1);
    EXPECT_EQ(keypad_codes[LPAD_B].load(), 95);
}

TEST_F(Mapping, KeypadPressesOfTheSequenceNeverAnswerTheQuestion)
{
    // B's key for A, A's key for B, Start and Select; a pause, then Right and
    // A on the real keypad answer Yes.
    real_keys = true;
    keypad_sequence({95, 94, 98, 99});
    for (int i = 0; i < 20; i++)
        loop_pass();
    EXPECT_EQ(screen.load(), SCREEN_CONFIRM) << "the sequence's own presses answered the question";
    keypad_key(93);
    keypad_key(94);
    EXPECT_EQ(screen.load(), SCREEN_KEYPAD_MAP);
    const std::string out = testing::internal::GetCapturedStdout();
    testing::internal::CaptureStdout();
    EXPECT_NE(out.find("msgResult = 1 \n"), std::string::npos) << out;
    expect_keypad_map({95, 94, 96, 97, 100, 101, 102, 103});
}

TEST_F(Mapping, KeypadStoppedLauncherDropsTheAssignmentWithItsLine)
{
    buttons_row(2);
    key(K_A);
    ASSERT_EQ(screen.load(), SCREEN_KEYPAD_MAP);
    keypad_input(95); // A on the B key, then the launcher asked to stop
    script.push_back([] { stop_loop(0); });
    key(K_A);
    script.clear();
    EXPECT_NE(testing::internal::GetCapturedStdout().find(
                  "\n---setlocalpad_2_level_draw: keypad setting dropped (stopping) .. \n"),
              std::string::npos);
    testing::internal::CaptureStdout();
    EXPECT_EQ(loop_running.load(), 0);
    EXPECT_EQ(confirm_box.active, 0) << "no question";
    EXPECT_EQ(keymap.level, 0);
    EXPECT_EQ(keypad_codes[LPAD_A].load(), 94) << "nothing kept";
    EXPECT_FALSE(root.exists("/mnt/data/porta/localpad.map"));
}

// The sequence owns the main thread while it runs: a short power key press
// still sleeps and wakes the screen there, on the next frame.
TEST_F(Mapping, PowerKeySleepsAndWakesDuringTheSequence)
{
    buttons_row(2);
    key(K_A);
    ASSERT_EQ(screen.load(), SCREEN_KEYPAD_MAP);
    int asleep_seen = -1, awake_seen = -1;
    script.push_back([] { on_power_key(0); });
    script.push_back([&] { asleep_seen = screen_asleep.load(); });
    script.push_back([] { on_power_key(0); });
    script.push_back([&] { awake_seen = screen_asleep.load(); });
    script.push_back([] { stop_loop(0); });
    key(K_A);
    script.clear();
    EXPECT_EQ(asleep_seen, 1);
    EXPECT_EQ(awake_seen, 0);
}

TEST_F(Mapping, KeypadEndedEarlyLeavesNoCodeOnTwoKeys)
{
    keypad_sequence({95, 96, 97, 98, 99}); // A on B's key, B on X's, X on Y's
    key(K_RIGHT);
    key(K_A);
    expect_keypad_map({95, 96, 97, 94, 100, 101, 102, 103});
}

TEST_F(Mapping, GamepadEndedEarlySwapsAndAnyInputHeldEndsIt)
{
    plug(standard_pad());
    buttons_row(0);
    key(K_A);
    for (auto hat : {std::make_pair(ABS_HAT0Y, -1), std::make_pair(ABS_HAT0Y, 1), std::make_pair(ABS_HAT0X, -1),
                     std::make_pair(ABS_HAT0X, 1)})
        pad_input(EV_ABS, hat.first, hat.second);
    pad_input(EV_KEY, BTN_SOUTH + 8, 1);                         // Select
    pad_input(EV_KEY, BTN_SOUTH + 9, 1);                         // Start
    pad_input(EV_KEY, BTN_SOUTH + 1, 1);                         // A on B's button
    script.push_back([=] { pad->send(EV_ABS, ABS_HAT0Y, -1); }); // UP held
    key(K_A);
    script.clear();
    pad->send(EV_ABS, ABS_HAT0Y, 0);
    ASSERT_EQ(screen.load(), SCREEN_CONFIRM);
    key(K_RIGHT);
    key(K_A); // Yes
    const std::string cfg = root.read("/mnt/data/porta/joypad/USB Gamepad.cfg");
    EXPECT_NE(cfg.find("input_a_btn = \"1\"\n"), std::string::npos) << cfg;
    EXPECT_NE(cfg.find("input_b_btn = \"0\"\n"), std::string::npos) << cfg;
    for (const char *button : {"btn = \"0\"\n", "btn = \"1\"\n"})
        EXPECT_EQ(cfg.find(button), cfg.rfind(button)) << button << " on two keys:\n" << cfg;

    // A pad without a hat or sticks has no UP in its table: holding any one
    // input (here button 0, taken for D-pad Up) 3 seconds ends the sequence.
    pad->pull();
    ASSERT_TRUE(wait_for([] {
        JoySlotInfo i;
        return joystick_slot_info(0, &i) != 0;
    }));
    FifoPadModel bare = standard_pad();
    bare.name = "Bare Pad";
    bare.axes.clear();
    plug(bare);
    ASSERT_EQ(screen.load(), SCREEN_JOY_MAP);
    script.push_back([=] {
        pad->send(EV_KEY, BTN_SOUTH, 1);
        EXPECT_TRUE(wait_for([=] { return joy_current_event(dev).value != 0; }));
    });
    idle(125);
    script.push_back([=] { pad->send(EV_KEY, BTN_SOUTH, 0); });
    key(K_A);
    script.clear();
    EXPECT_NE(testing::internal::GetCapturedStdout().find("---setJoy_2_level_draw... press key 3s end \n"),
              std::string::npos);
    testing::internal::CaptureStdout();
    EXPECT_EQ(screen.load(), SCREEN_CONFIRM);
}
