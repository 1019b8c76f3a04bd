// The key-sound thread: requests from the key handlers reach the PCM stream
// at the chosen volume, and are dropped when they must be.

#include "alsa_file_plugin.h"
#include "porta_loop_test.h"

#include "porta/device/hardware.h"
#include "porta/device/keysound.h"
#include "porta/device/pcm.h"
#include "porta/base/attr.h"
#include "porta/ui/loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

// Asks for a sound until the request is taken: the sound thread holds the
// sound mutex for a moment each time it goes back to waiting.
bool request(int number)
{
    for (int i = 0; i < 200; i++) {
        if (play_key_sound(number))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

class KeySoundThread : public PortaLoopTest {
protected:
    AlsaFileSink sink{root.path() + "/alsa"};

    void SetUp() override
    {
        attr_set_defaults(&global_attr);
        loop_reset_state();
        fast_repeat.store(0);
        screen_asleep.store(0);
        // No HDMI: the internal codec, device 0.
        root.write("/sys/class/switch/hdmi/state", "0\n");
        root.write("/mnt/vendor/sound/0.wav", key_sound_wav(600, 8192));
        root.write("/mnt/vendor/sound/1.wav", key_sound_wav(300, -8192));
        root.write("/mnt/vendor/sound/2.wav", key_sound_wav(1000, 100));
        ASSERT_EQ(sound_init(), 0);
        ASSERT_TRUE(pcm_stream_open());
    }
    void TearDown() override { sound_deinit(); }

    // Waits for the request to be played, then closes the stream so that the
    // file plugin hands over every byte.
    std::vector<int32_t> finish()
    {
        EXPECT_TRUE(wait_for([] { return key_sound_idle(); }));
        sound_deinit();
        return sink.samples();
    }
};

} // namespace

TEST_F(KeySoundThread, RequestedSoundReachesTheStreamAtTheVolume)
{
    global_attr.volume = 10;
    ASSERT_TRUE(request(KEY_SOUND_CONFIRM));
    std::vector<int32_t> out = finish();
    ASSERT_EQ(out.size(), 600u); // 1200 data bytes: one block
    for (int32_t v : out)
        ASSERT_EQ(v, 8192 << 16);
    EXPECT_FALSE(pcm_stream_open()); // stopping the thread closes the stream
    EXPECT_EQ(sound_device, -1);
}

TEST_F(KeySoundThread, VolumeOfTheRecordIsApplied)
{
    global_attr.volume = 5; // gain 3050: 8192 * 3050 >> 14 = 1525
    ASSERT_TRUE(request(KEY_SOUND_CONFIRM));
    std::vector<int32_t> out = finish();
    ASSERT_EQ(out.size(), 600u);
    EXPECT_EQ(out[0], 1525 << 16);
    EXPECT_EQ(get_volume(), 5);
}

TEST_F(KeySoundThread, RequestsAreDroppedWhenSoundsMustNotPlay)
{
    global_attr.key_sound = 0;
    EXPECT_EQ(play_key_sound(KEY_SOUND_CONFIRM), 0);
    global_attr.key_sound = 1;
    fast_repeat.store(1);
    EXPECT_EQ(play_key_sound(KEY_SOUND_CONFIRM), 0);
    fast_repeat.store(0);
    screen_asleep.store(1);
    EXPECT_EQ(play_key_sound(KEY_SOUND_CONFIRM), 0);
    screen_asleep.store(0);
    EXPECT_EQ(play_key_sound(9), 0); // no such sound
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(finish().size(), 0u);
}

TEST_F(KeySoundThread, RequestWhileASoundPlaysIsDroppedWithoutWaiting)
{
    std::vector<int32_t> out;
    {
        // The sound thread holds this mutex for a whole sound.
        std::lock_guard<std::mutex> playing(sound_mutex);
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(play_key_sound(KEY_SOUND_REFUSED), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(finish().size(), 0u);
}

TEST_F(KeySoundThread, MissingSoundFileIsSkipped)
{
    root.write("/mnt/vendor/sound/1.wav", "");
    unlink(root.host("/mnt/vendor/sound/1.wav").c_str());
    ASSERT_TRUE(request(KEY_SOUND_MOVE));
    EXPECT_TRUE(wait_for([] { return key_sound_idle(); }));
    ASSERT_TRUE(request(KEY_SOUND_REFUSED)); // the thread goes on serving requests
    std::vector<int32_t> out = finish();
    EXPECT_EQ(out.size(), 1000u);
}

TEST_F(KeySoundThread, StopWithoutStartIsHarmless)
{
    sound_deinit();
    sound_deinit();
    EXPECT_FALSE(pcm_stream_open());
}
