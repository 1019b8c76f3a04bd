// The factory test with its own threads on the sample image (SDL's dummy
// driver, framebuffer files, the PCM stream on ALSA's file plugin): the test
// sound reaches the stream whole frame by whole frame and pass after pass, a
// missing or odd test.pcm, the backlight sweep, the main loop's periodic look
// for test.ini, and the way to power-off that stops both workers before the
// stream and the backlight are closed.

#include "alsa_file_plugin.h"
#include "porta_loop_test.h"

#include "porta/base/attr.h"
#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/pcm.h"
#include "porta/device/storage.h"
#include "porta/ui/factory_threads.h"
#include "porta/ui/iotest.h"
#include "porta/library/browse.h"
#include "porta/ui/draw.h"
#include "porta/ui/loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// test.pcm: 4 skipped bytes, then `frames` stereo frames of `value`, then
// `tail` stray bytes.
std::string pcm_file(int frames, int16_t value, int tail = 0)
{
    std::string s = "skip";
    for (int i = 0; i < frames * 2; i++) {
        s += static_cast<char>(value & 0xFF);
        s += static_cast<char>((value >> 8) & 0xFF);
    }
    return s + std::string(static_cast<size_t>(tail), '\x7f');
}

int frames_drawn = 0;
std::function<bool()> stop_when; // asked after every frame of the test
void counting_delay(uint32_t ms)
{
    if (ms == 2000)
        return; // the shutdown picture's pause
    if (ms == FACTORY_FRAME_MS && screen == SCREEN_FACTORY_TEST) {
        frames_drawn++;
        if (stop_when && stop_when()) {
            stop_when = nullptr;
            stop_loop(SHUTDOWN_POWEROFF);
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The factory test's frames run on the real clock: only the delay and the
// exit are the test's.
class FactoryTest : public PortaLoopTest {
protected:
    AlsaFileSink sink{root.path() + "/alsa"};

    void SetUp() override
    {
        root.install_sample_image();
        root.write("/tmp/boot.ini", "");
        root.write(HDMI_STATE_PATH, "0\n");
        root.write(BACKLIGHT_PATH, "123\n");
        root.write(MOTOR_PATH, "");
        root.write(LED_TEST_PATH, "");
        frames_drawn = 0;
        stop_when = nullptr;
        exits.clear();
        loop_hooks.delay = counting_delay;
        loop_hooks.exit_process = record_exit;
        load_global_attr();
        global_attr.brightness = 1;
        output_device = 0;
        tf_card_state = 0;
        ASSERT_EQ(porta_test_display(0), 0);
        loop_reset_state();
        set_volume(10);
    }
    void TearDown() override
    {
        power_off();
        PortaLoopTest::TearDown();
    }

    // Runs the whole factory test until `frames` frames were drawn, or until
    // `until` holds.
    void run_factory(std::function<bool()> until)
    {
        stop_when = std::move(until);
        screen = SCREEN_FACTORY_TEST;
        run_factory_test();
    }
    // Runs the whole factory test until `frames` frames were drawn.
    void run_factory(int frames)
    {
        stop_when = [frames] { return frames_drawn >= frames; };
        screen = SCREEN_FACTORY_TEST;
        run_factory_test();
    }
    // RGB565 value of an LCD pixel.
    unsigned lcd_pixel(int x, int y)
    {
        const std::string fb = slurp(root.host("/dev/fb0"));
        return fb.size() < (static_cast<size_t>(y) * 640 + x) * 2 + 2 ? 0xFFFFFFFFu : fb_pixel(fb, 640, x, y);
    }
};

} // namespace

TEST_F(FactoryTest, PassPlaysWholeFramesAndNothingPastTheEnd)
{
    // 256 frames fill the first block exactly; one frame and two stray bytes
    // follow: the second block must not replay the first block's bytes.
    root.write(TEST_PCM_FILE, pcm_file(256, 1000) + pcm_file(1, 2000, 2).substr(4));
    root.write("/mnt/vendor/test/empty.pcm", "");
    root.write("/mnt/vendor/test/short.pcm", "abc");
    select_sound_device();
    ASSERT_TRUE(pcm_stream_open());
    testing::internal::CaptureStdout();
    for (int pass = 0; pass < 2; pass++) {
        FILE *f = fopen(root.host(TEST_PCM_FILE).c_str(), "r");
        EXPECT_EQ(test_pcm_play_pass(f), 257 * 4);
        EXPECT_EQ(test_pcm_play_pass(f), 257 * 4); // every pass from byte 4 again
        fclose(f);
    }
    for (const char *name : {"/mnt/vendor/test/empty.pcm", "/mnt/vendor/test/short.pcm"}) {
        FILE *f = fopen(root.host(name).c_str(), "r");
        EXPECT_EQ(test_pcm_play_pass(f), 0) << name;
        fclose(f);
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("TestPlaySound:read file len = 0 \n"), std::string::npos) << out;
    pcm_close_stream();
    const std::vector<int32_t> s = sink.samples();
    ASSERT_EQ(s.size(), 4u * 257 * 2);
    for (size_t i = 0; i < s.size(); i++)
        ASSERT_EQ(s[i], (i % 514 < 512 ? 1000 : 2000) << 16) << i;
}

TEST_F(FactoryTest, SoundPlaysPassAfterPassAtFullVolumeUntilStopped)
{
    root.write(TEST_PCM_FILE, pcm_file(300, 3000));
    global_attr.volume = 2; // the test plays at 10 whatever the record says
    set_volume(2);
    std::thread stopper([] {
        const auto t0 = Clock::now();
        while (factory_sound_passes() < 3 && Clock::now() - t0 < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        stop_loop(SHUTDOWN_POWEROFF);
    });
    screen = SCREEN_FACTORY_TEST;
    run_factory_test();
    stopper.join();
    EXPECT_GE(factory_sound_passes(), 3);
    EXPECT_EQ(factory_threads_running(), 0);
    EXPECT_EQ(root.read(LED_TEST_PATH), "1");
    close_sound_device();
    const std::vector<int32_t> s = sink.samples();
    ASSERT_GE(s.size(), 3u * 600);
    EXPECT_EQ(s.size() % 600, 0u);
    for (int32_t v : s)
        ASSERT_EQ(v, 3000 << 16);
}

TEST_F(FactoryTest, MissingTestPcmSilencesTheTestWithoutStoppingIt)
{
    unlink(root.host(TEST_PCM_FILE).c_str());
    testing::internal::CaptureStdout();
    run_factory(40);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(frames_drawn, 40);
    EXPECT_EQ(factory_threads_running(), 0);
    EXPECT_EQ(factory_sound_passes(), 0);
    close_sound_device();
    EXPECT_TRUE(sink.bytes().empty());
    // The last frame: the dark grey background, the keys, the player masks.
    EXPECT_EQ(lcd_pixel(630, 470), (28u >> 3) << 11 | (28u >> 2) << 5 | (28u >> 3));
    EXPECT_NE(lcd_pixel(120 + 35, 130 + 35), lcd_pixel(630, 470));
    EXPECT_EQ(root.read(LED_TEST_PATH), "1");
}

TEST_F(FactoryTest, BacklightSweepsDownFromTheTopAndStaysDarkUnderHdmi)
{
    testing::internal::CaptureStdout();
    const std::string host = root.host(BACKLIGHT_PATH);
    run_factory([host] {
        const std::string v = slurp(host);
        return !v.empty() && v != "123\n";
    });
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "400\n"); // the first step: 4 -> 3
    testing::internal::GetCapturedStdout();

    loop_reset_state();
    root.write(HDMI_STATE_PATH, "1\n");
    testing::internal::CaptureStdout();
    const auto t0 = Clock::now();
    run_factory([t0] { return Clock::now() - t0 > std::chrono::milliseconds(1400); });
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("----factory_test_draw:  state = 1 \n"), std::string::npos) << out;
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "0\n");
    EXPECT_EQ(output_device.load(), 1);
}

TEST_F(FactoryTest, PowerOffStopsBothWorkersBeforeClosingTheStreamAndTheBacklight)
{
    // Ten seconds of sound: a pass is playing when the power-off comes (the
    // file plugin plays faster than real time: the test stops early).
    root.write(TEST_PCM_FILE, pcm_file(441000, 1234));
    for (int way = 0; way < 2; way++) {
        exits.clear();
        testing::internal::CaptureStdout();
        if (way == 0) {
            run_factory(5); // the test's own way out, then the exit path
        } else {
            factory_threads_start(); // the exit path finding them running
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            shutdown_type = SHUTDOWN_POWEROFF;
        }
        const auto t0 = Clock::now();
        power_off();
        const auto took = Clock::now() - t0;
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_LT(took, std::chrono::milliseconds(1000)) << way;
        EXPECT_EQ(exits, std::vector<int>{0}) << way;
        EXPECT_EQ(factory_threads_running(), 0) << way;
        EXPECT_FALSE(pcm_stream_open()) << way;
        EXPECT_EQ(out.find("write file len = 0"), std::string::npos) << out;
        // Nothing plays or sweeps afterwards: the stream is not opened again
        // (that would empty the file) and the backlight keeps its level.
        const std::string played = sink.bytes();
        EXPECT_GT(played.size(), 0u) << way;
        EXPECT_EQ(played.size() % 8, 0u) << way;
        EXPECT_EQ(root.read(BACKLIGHT_PATH), "100\n") << way;
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        EXPECT_EQ(sink.bytes().size(), played.size()) << way;
        EXPECT_EQ(root.read(BACKLIGHT_PATH), "100\n") << way;
        EXPECT_EQ(root.read(MOTOR_PATH), "0") << way;
        // power_off quit SDL: bring it back for the next round.
        loop_reset_state();
        ASSERT_EQ(porta_test_display(0), 0);
        sink.clear();
    }
}

TEST_F(FactoryTest, MainLoopStartsTheFactoryTestWhenTheCardHoldsTestIni)
{
    ASSERT_EQ(host_system(std::string(SOURCE_DIR) + "/tools/sample-card in '" + root.path() + "' >/dev/null"), 0);
    testing::internal::CaptureStdout();
    tf_card_check();
    ASSERT_EQ(tf_card_state, 1);
    screen = SCREEN_MENU_PENDING; // draws nothing
    loop_hooks.player_keys = [](int) { return 0u; };
    stop_when = [] { return frames_drawn >= 10; };
    loop_begin();
    for (int i = 0; i < 40 && loop_running; i++)
        loop_pass();
    EXPECT_EQ(screen.load(), SCREEN_MENU_PENDING); // no marker: the launcher goes on
    EXPECT_EQ(frames_drawn, 0);
    root.write("/mnt/sdcard/test.ini", "");
    const auto t0 = Clock::now();
    while (loop_running && Clock::now() - t0 < std::chrono::seconds(5))
        loop_pass();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(screen.load(), SCREEN_FACTORY_TEST);
    EXPECT_EQ(frames_drawn, 10);
    EXPECT_EQ(shutdown_type.load(), SHUTDOWN_POWEROFF);
    EXPECT_EQ(root.read(LED_TEST_PATH), "1");
}
