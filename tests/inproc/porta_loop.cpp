// The launcher's main loop driven pass by pass with an injected clock and
// injected key masks: key events to the screens, the UP/DOWN repeat, volume
// and brightness keys, screen sleep, the 30-minute power-off, the HDMI switch
// and SIGINT. Real framebuffer files, real SDL (dummy driver), real sysfs files
// and a recording shell inside a device root.

#include "porta_loop_test.h"

#include "porta/ui/screens.h"

#include <string>
#include <vector>

namespace {

std::vector<std::pair<uint32_t, int>> presses; // (time, code)
std::vector<std::pair<uint32_t, int>> releases;
std::string fb_during_shutdown;

void on_press(int code)
{
    presses.emplace_back(fake_now, code);
}
void on_release(int code)
{
    releases.emplace_back(fake_now, code);
}
int draws = 0;
void on_draw(SDL_Surface *dst)
{
    draws++;
    SDL_FillRect(dst, nullptr, SDL_MapRGB(dst->format, 0, 0, 255));
}

class Loop : public PortaLoopTest {
protected:
    void SetUp() override
    {
        device_files();
        fake_loop_hooks();
        // The shutdown picture stands in the framebuffer during its pause.
        on_delay = [this](uint32_t ms) {
            if (ms == 2000)
                fb_during_shutdown = slurp(root.host("/dev/fb0"));
        };
        presses.clear();
        releases.clear();
        fb_during_shutdown.clear();
        draws = 0;
        for (ScreenEntry &e : screen_table)
            e = ScreenEntry{on_press, on_release, nullptr, nullptr, nullptr};

        load_global_attr();
        output_device = 0;
        ASSERT_EQ(porta_test_display(0), 0);
        loop_reset_state();
        screen = SCREEN_ROOMS;
        loop_begin();
    }

    void TearDown() override
    {
        power_off();
        for (ScreenEntry &e : screen_table)
            e = ScreenEntry{nullptr, nullptr, nullptr, nullptr, nullptr};
        PortaLoopTest::TearDown();
    }

    void pass(int n = 1)
    {
        for (int i = 0; i < n && loop_running; i++)
            loop_pass();
    }

    std::vector<std::string> shell() { return root.recorded("/tmp/shell.log"); }
};

} // namespace

TEST_F(Loop, PressAndReleaseReachTheScreenAsKeyCodes)
{
    screen = SCREEN_SETTINGS_PAGE;
    fake_keys[1] = 0x10 | 0x100; // A and Start together: A comes first
    pass();
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].second, SDLK_LCTRL);
    fake_keys[1] = 0;
    pass();
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].second, SDLK_LCTRL);
    pass(5);
    EXPECT_EQ(presses.size(), 1u) << "nothing held, nothing sent";
    EXPECT_EQ(last_key_time.load(), releases[0].first);
}

TEST_F(Loop, ReleaseRulesOfTheFixedScreens)
{
    // Library screens only look for a Menu click on release.
    screen = SCREEN_GAMES;
    fake_keys[1] = 0x20;
    pass();
    fake_keys[1] = 0;
    pass();
    EXPECT_EQ(presses.size(), 1u);
    EXPECT_TRUE(releases.empty());
    EXPECT_EQ(screen.load(), SCREEN_GAMES);

    // The pending-menu screen becomes the settings menu on a release.
    screen = SCREEN_MENU_PENDING;
    fake_keys[1] = 0x10;
    pass();
    fake_keys[1] = 0;
    pass();
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS);
    EXPECT_TRUE(releases.empty());
}

TEST_F(Loop, OtherPlayersCountWhenPlayerOneIsIdle)
{
    screen = SCREEN_SETTINGS_PAGE;
    fake_keys[3] = 0x2; // player 3 presses DOWN
    pass();
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].second, SDLK_DOWN);
    // Player 1 takes precedence as soon as it holds a key.
    fake_keys[1] = 0x4;
    pass();
    ASSERT_EQ(presses.size(), 2u);
    EXPECT_EQ(presses[1].second, SDLK_LEFT);
}

TEST_F(Loop, HeldUpRepeatsSlowThenFastOnTheGameListOnly)
{
    screen = SCREEN_GAMES;
    fake_keys[1] = 0x1;
    pass();
    ASSERT_EQ(presses.size(), 1u);
    run_until(presses[0].first + 5000);
    fake_keys[1] = 0;
    pass();
    ASSERT_GT(presses.size(), 30u);
    for (size_t i = 1; i < presses.size(); i++)
        EXPECT_EQ(presses[i].second, SDLK_UP);
    // 16 repeats about 150 ms apart (plus the frame time)...
    for (size_t i = 1; i <= 16; i++) {
        uint32_t gap = presses[i].first - presses[i - 1].first;
        EXPECT_GE(gap, 150u) << "repeat " << i;
        EXPECT_LE(gap, 150u + 2 * FRAME_MS) << "repeat " << i;
    }
    // ... then about 20 ms apart.
    for (size_t i = 17; i < presses.size(); i++) {
        uint32_t gap = presses[i].first - presses[i - 1].first;
        EXPECT_GE(gap, 20u) << "repeat " << i;
        EXPECT_LE(gap, 20u + 2 * FRAME_MS) << "repeat " << i;
    }
    // A new press ends the fast mode.
    EXPECT_EQ(fast_repeat.load(), 0) << "the release cleared it";
}

TEST_F(Loop, FastRepeatFlagIsSetFromTheSixteenthRepeat)
{
    screen = SCREEN_GAMES;
    fake_keys[1] = 0x2;
    pass();
    while (presses.size() < 17 && fake_now < 10000)
        pass();
    EXPECT_EQ(presses.size(), 17u);
    EXPECT_EQ(fast_repeat.load(), 1);
    fake_keys[1] = 0x2 | 0x10;
    pass();
    EXPECT_EQ(fast_repeat.load(), 0);
}

TEST_F(Loop, HeldUpOnOtherScreensGivesOneEvent)
{
    screen = SCREEN_CARD;
    fake_keys[1] = 0x1;
    pass();
    run_until(fake_now + 3000);
    EXPECT_EQ(presses.size(), 1u);
    // Two keys held do not repeat either.
    screen = SCREEN_GAMES;
    fake_keys[1] = 0x1 | 0x4;
    pass();
    size_t n = presses.size();
    run_until(fake_now + 2000);
    EXPECT_EQ(presses.size(), n);
}

TEST_F(Loop, VolumeAndBrightnessKeys)
{
    global_attr.volume = 9;
    global_attr.brightness = 3;
    fake_keys[1] = 0x4000;
    pass();
    EXPECT_EQ(global_attr.volume, 10);
    fake_keys[1] = 0;
    pass();
    fake_keys[1] = 0x4000;
    pass();
    EXPECT_EQ(global_attr.volume, 10) << "capped at 10";
    fake_keys[1] = 0;
    pass();
    fake_keys[1] = 0x8000;
    pass();
    EXPECT_EQ(global_attr.volume, 9);
    fake_keys[1] = 0;
    pass();

    // With Menu held the brightness changes instead, and is applied.
    fake_keys[1] = 0x10000;
    pass();
    fake_keys[1] = 0x10000 | 0x4000;
    pass();
    EXPECT_EQ(global_attr.brightness, 4);
    EXPECT_EQ(global_attr.volume, 9);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "700\n");
    fake_keys[1] = 0x10000;
    pass();
    fake_keys[1] = 0x10000 | 0x8000;
    pass();
    EXPECT_EQ(global_attr.brightness, 3);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "400\n");
    fake_keys[1] = 0;
    pass();

    // Both in one pass: vol+ wins.
    fake_keys[1] = 0x4000 | 0x8000;
    pass();
    EXPECT_EQ(global_attr.volume, 10);
    fake_keys[1] = 0;
    pass();

    // The exit path saves the changed record.
    global_attr.volume = 3;
    power_off();
    std::string f = root.read(ATTR_FILE);
    ASSERT_EQ(f.size(), 72u);
    EXPECT_EQ(static_cast<uint8_t>(f[28]), 3);
}

TEST_F(Loop, IdleMinuteSleepsAndThirtyMinutesPowerOff)
{
    global_attr.sleep_time = 0;
    global_attr.auto_poweroff = 1;
    root.write("/mnt/vendor/shutdown/lcd.jpg", "");
    {
        // A real picture under the .jpg name (the loader goes by content).
        SDL_Surface *pic = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
        SDL_FillRect(pic, nullptr, SDL_MapRGB(pic->format, 255, 0, 0));
        ASSERT_EQ(SDL_SaveBMP(pic, root.host("/mnt/vendor/shutdown/lcd.jpg").c_str()), 0);
        SDL_FreeSurface(pic);
    }
    screen_table[SCREEN_ROOMS].draw = on_draw;
    const uint32_t start = last_key_time;

    run_until(start + 59000);
    EXPECT_EQ(screen_asleep.load(), 0);
    run_until(start + 61000);
    EXPECT_EQ(screen_asleep.load(), 1);
    EXPECT_EQ(sleep_state.load(), ASLEEP_BY_TIMER);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "0\n");
    auto cmds = shell();
    ASSERT_FALSE(cmds.empty());
    EXPECT_EQ(cmds.back(), "/system/porta/cpu_setting.sh  powersave");

    // Asleep: keys reach no screen; frames come every 100 ms.
    int before = draws;
    fake_keys[1] = 0x10;
    pass();
    fake_keys[1] = 0;
    pass();
    EXPECT_TRUE(presses.empty());
    EXPECT_EQ(draws, before) << "the sleep screen replaces the screen's drawing";
    uint32_t t0 = fake_now;
    pass(10);
    EXPECT_GE(fake_now - t0, 1000u);
    EXPECT_EQ(last_key_time.load(), start) << "sleeping keeps the last-key time";

    run_until(start + POWEROFF_IDLE_MS - 1000);
    EXPECT_TRUE(exits.empty());
    run_until(start + POWEROFF_IDLE_MS + 5000);
    EXPECT_EQ(loop_running.load(), 0);
    EXPECT_EQ(shutdown_type.load(), SHUTDOWN_POWEROFF);
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0], 0);
    cmds = shell();
    EXPECT_EQ(cmds.back(), "reboot -p shutdown");
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "400\n") << "backlight restored for the picture";
    // The shutdown picture was shown (red, RGB565 0xF800) before the screens
    // were cleared.
    ASSERT_EQ(fb_during_shutdown.size(), 640u * 480u * 2u);
    EXPECT_EQ(static_cast<uint8_t>(fb_during_shutdown[1]), 0xF8);
    EXPECT_EQ(root.read("/dev/fb0"), std::string(640 * 480 * 2, '\0'));
}

TEST_F(Loop, NoPowerOffWhenSwitchedOffAndNoSleepWhenNever)
{
    global_attr.sleep_time = 4;
    global_attr.auto_poweroff = 0;
    const uint32_t start = last_key_time;
    run_until(start + POWEROFF_IDLE_MS + 60000);
    EXPECT_EQ(loop_running.load(), 1);
    EXPECT_EQ(screen_asleep.load(), 0);
    EXPECT_TRUE(exits.empty());
}

TEST_F(Loop, KeyTimeTouchedAfterTheClockReadIsNotAnEternity)
{
    // The power-key thread may set the key time a moment after the loop read
    // its clock; that must not look like 49 days of idling.
    global_attr.auto_poweroff = 1;
    global_attr.sleep_time = 0;
    last_key_time = fake_now + 5;
    pass(3);
    EXPECT_EQ(loop_running.load(), 1);
    EXPECT_EQ(screen_asleep.load(), 0);
    EXPECT_TRUE(exits.empty());
}

TEST_F(Loop, PowerKeyWakesAndKeysWork)
{
    global_attr.sleep_time = 1;
    const uint32_t start = last_key_time;
    run_until(start + 121000);
    ASSERT_EQ(sleep_state.load(), ASLEEP_BY_TIMER);
    toggle_sleep(1);
    EXPECT_EQ(sleep_state.load(), AWAKE);
    EXPECT_EQ(screen_asleep.load(), 0);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "400\n");
    EXPECT_EQ(shell().back(), "/system/porta/cpu_setting.sh  full");
    screen = SCREEN_SETTINGS_PAGE;
    fake_keys[1] = 0x20;
    pass();
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].second, SDLK_LALT);
    // The power key puts it to sleep again, as state 1.
    toggle_sleep(1);
    EXPECT_EQ(sleep_state.load(), ASLEEP_BY_KEY);
    // wake() restores the backlight only when asked.
    root.write(BACKLIGHT_PATH, "0\n");
    wake(0);
    EXPECT_EQ(sleep_state.load(), AWAKE);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "0\n");
    toggle_sleep(0);
    wake(1);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "400\n");
}

// The power key's handler runs on the keypad thread and only asks; the sleep
// itself (backlight, volume, CPU mode) happens on the loop's next pass.
TEST_F(Loop, PowerKeySleepIsTakenByTheNextPass)
{
    on_power_key(1);
    on_power_key(0);
    EXPECT_EQ(sleep_state.load(), AWAKE) << "nothing changes before the pass";
    EXPECT_EQ(screen_asleep.load(), 0);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "400\n");
    pass();
    EXPECT_EQ(sleep_state.load(), ASLEEP_BY_KEY);
    EXPECT_EQ(screen_asleep.load(), 1);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "0\n");
    EXPECT_EQ(shell().back(), "/system/porta/cpu_setting.sh  powersave");

    // A press while asleep wakes, again on the next pass; a held key (the
    // hold timer's business) toggles nothing.
    on_power_key(1);
    pass();
    EXPECT_EQ(sleep_state.load(), ASLEEP_BY_KEY);
    on_power_key(0);
    EXPECT_EQ(sleep_state.load(), ASLEEP_BY_KEY);
    pass();
    EXPECT_EQ(sleep_state.load(), AWAKE);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "400\n");

    // Two short presses before a pass cancel out, as sleep and wake would.
    on_power_key(0);
    on_power_key(0);
    pass(2);
    EXPECT_EQ(sleep_state.load(), AWAKE);
}

TEST_F(Loop, PowerKeyAndSleepTimerInOnePassToggleOnce)
{
    global_attr.sleep_time = 0;
    on_power_key(0);
    // The pass comes late: the idle minute has run out as well.
    fake_now += 61000;
    testing::internal::CaptureStdout();
    pass();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(sleep_state.load(), ASLEEP_BY_KEY);
    EXPECT_EQ(screen_asleep.load(), 1);
    EXPECT_EQ(out.find("++++ timer to sleep "), std::string::npos) << out;
    pass(3);
    EXPECT_EQ(screen_asleep.load(), 1);
}

TEST_F(Loop, HdmiPlugSwitchesOutputAndBacklight)
{
    screen_table[SCREEN_ROOMS].draw = on_draw;
    global_attr.brightness = 2;
    pass(2);
    EXPECT_EQ(current_surface()->w, 640);
    root.write(HDMI_STATE_PATH, "1\n");
    run_until(fake_now + 600);
    EXPECT_EQ(output_device, 1);
    EXPECT_EQ(current_surface()->w, 1280);
    EXPECT_EQ(current_surface()->h, 720);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "0\n");
    // Frames now go to the HDMI framebuffer (blue, RGB565 0x001F).
    pass(2);
    std::string f = root.read("/dev/fb1");
    ASSERT_EQ(f.size(), 1280u * 720u * 2u);
    EXPECT_EQ(static_cast<uint8_t>(f[0]), 0x1F);
    root.write(HDMI_STATE_PATH, "0\n");
    run_until(fake_now + 600);
    EXPECT_EQ(output_device, 0);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "200\n");
    EXPECT_EQ(current_surface()->w, 640);
}

TEST_F(Loop, HdmiPlugWakesWithoutTheLcdBacklight)
{
    global_attr.sleep_time = 0;
    run_until(last_key_time + 61000);
    ASSERT_EQ(screen_asleep.load(), 1);
    root.write(HDMI_STATE_PATH, "1\n");
    run_until(fake_now + 600);
    EXPECT_EQ(screen_asleep.load(), 0);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "0\n");
}

TEST_F(Loop, FramesArePacedTo25Ms)
{
    screen_table[SCREEN_ROOMS].draw = on_draw;
    loop_set_frame_skipping(0);
    uint32_t t0 = fake_now;
    pass(40);
    EXPECT_EQ(draws, 40);
    EXPECT_GE(fake_now - t0, 40u * 25u);
    EXPECT_LE(fake_now - t0, 40u * 25u + 25u);
    std::string f = root.read("/dev/fb0");
    EXPECT_EQ(static_cast<uint8_t>(f[0]), 0x1F) << "each frame is presented on the LCD";
    // Skipping the frames that would not change keeps the pace.
    loop_set_frame_skipping(1);
    t0 = fake_now;
    pass(40);
    EXPECT_LE(draws, 41);
    EXPECT_GE(fake_now - t0, 40u * 25u);
    EXPECT_LE(fake_now - t0, 40u * 25u + 25u);
}

TEST_F(Loop, StopLoopAndSigint)
{
    stop_loop(0);
    EXPECT_EQ(loop_running.load(), 0);
    EXPECT_EQ(shutdown_type.load(), SHUTDOWN_EXIT);
    loop_running = 1;
    stop_loop(2);
    EXPECT_EQ(shutdown_type.load(), SHUTDOWN_LOWPOWER);
    shutdown_type = SHUTDOWN_EXIT;
    loop_running = 1;

    install_signal_handlers();
    testing::internal::CaptureStdout();
    raise(SIGINT);
    EXPECT_EQ(loop_running.load(), 0) << "the handler only stops the loop";
    EXPECT_TRUE(sigint_pending());
    handle_sigint();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Caught signal 2\n"), std::string::npos) << out;
    EXPECT_NE(out.find("--my_handler 1665 \n"), std::string::npos) << out;
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0], 1);
    EXPECT_EQ(root.read("/dev/fb0"), std::string(640 * 480 * 2, '\0'));
    EXPECT_EQ(root.read(ATTR_FILE).size(), 72u);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
}

TEST_F(Loop, StopAskedForDuringStartUpStands)
{
    // The power key held for 2 seconds while the launcher still starts up:
    // the loop must not start, and the exit is the power-off asked for.
    loop_reset_state();
    stop_loop(SHUTDOWN_POWEROFF);
    loop_begin();
    EXPECT_EQ(loop_running.load(), 0);
    fake_keys[1] = 0x10; // A held: a pass would hand it to the screen
    EXPECT_EQ(run_main_loop(), 0);
    EXPECT_TRUE(presses.empty()) << "no pass ran";
    EXPECT_EQ(shutdown_type.load(), SHUTDOWN_POWEROFF);
    testing::internal::CaptureStdout();
    power_off();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(root.recorded("/tmp/shell.log").back(), "reboot -p shutdown");

    // A fresh run starts normally.
    loop_reset_state();
    loop_begin();
    EXPECT_EQ(loop_running.load(), 1);
}

TEST_F(Loop, QuitRequestEndsTheLoop)
{
    fake_keys[1] = 0x100000;
    testing::internal::CaptureStdout();
    pass();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(loop_running.load(), 0);
    EXPECT_NE(out.find("Loop_listend: quit \n"), std::string::npos) << out;
    EXPECT_TRUE(presses.empty());
}
