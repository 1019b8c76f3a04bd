// Key sound files: the 44-byte header is skipped, blocks of up to 2048 bytes
// are played, a short last block is padded with silence to 1024 bytes.

#include "alsa_file_plugin.h"
#include "test_root.h"

#include "porta/device/keysound.h"
#include "porta/device/pcm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A WAV file: 44 header bytes (their content is not read), then the samples.
std::string wav(const std::vector<int16_t> &samples)
{
    std::string s = "RIFF----WAVEfmt " + std::string(28, '\x7f');
    for (int16_t v : samples) {
        s += (char)(v & 0xFF);
        s += (char)(((uint16_t)v >> 8) & 0xFF);
    }
    return s;
}

std::vector<int16_t> ramp(size_t n)
{
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; i++)
        v[i] = (int16_t)(1 + i * 3);
    return v;
}

int32_t widened(int16_t v)
{
    return (int32_t)((uint32_t)(uint16_t)v << 16);
}

class KeySoundFile : public testing::Test {
protected:
    TempRoot root;
    AlsaFileSink sink{root.path() + "/alsa"};

    void SetUp() override
    {
        set_volume(10);
        ASSERT_EQ(pcm_open_stream(0), 1);
    }
    void TearDown() override { pcm_close_stream(); }

    std::vector<int32_t> played()
    {
        pcm_close_stream();
        return sink.samples();
    }
};

} // namespace

TEST_F(KeySoundFile, FifteenHundredBytesPlayAsOneBlock)
{
    std::vector<int16_t> in = ramp(750); // 1500 data bytes
    root.write("/mnt/vendor/sound/1.wav", wav(in));
    EXPECT_EQ(play_wav_file("/mnt/vendor/sound/1.wav"), 1);
    std::vector<int32_t> out = played();
    ASSERT_EQ(out.size(), 750u);
    for (size_t i = 0; i < in.size(); i++)
        ASSERT_EQ(out[i], widened(in[i])) << i;
}

TEST_F(KeySoundFile, SixHundredBytesArePaddedToTenTwentyFour)
{
    std::vector<int16_t> in = ramp(300); // 600 data bytes
    root.write("/mnt/vendor/sound/0.wav", wav(in));
    EXPECT_EQ(play_wav_file("/mnt/vendor/sound/0.wav"), 1);
    std::vector<int32_t> out = played();
    ASSERT_EQ(out.size(), 512u); // 1024 bytes of 16-bit input
    for (size_t i = 0; i < 300; i++)
        ASSERT_EQ(out[i], widened(in[i])) << i;
    for (size_t i = 300; i < 512; i++)
        ASSERT_EQ(out[i], 0) << i;
}

TEST_F(KeySoundFile, LongSoundPlaysInBlocksAndPadsTheTail)
{
    std::vector<int16_t> in = ramp(2500); // 5000 bytes: 2048 + 2048 + 904 (padded)
    root.write("/mnt/vendor/sound/2.wav", wav(in));
    EXPECT_EQ(play_wav_file("/mnt/vendor/sound/2.wav"), 3);
    std::vector<int32_t> out = played();
    ASSERT_EQ(out.size(), 1024u + 1024u + 512u);
    for (size_t i = 0; i < in.size(); i++)
        ASSERT_EQ(out[i], widened(in[i])) << i;
    for (size_t i = in.size(); i < out.size(); i++)
        ASSERT_EQ(out[i], 0) << i;
}

TEST_F(KeySoundFile, HeaderOnlyOrMissingFilePlaysNothing)
{
    root.write("/mnt/vendor/sound/1.wav", wav({}));
    EXPECT_EQ(play_wav_file("/mnt/vendor/sound/1.wav"), 0);
    root.write("/mnt/vendor/sound/0.wav", "RIFF"); // shorter than its header
    EXPECT_EQ(play_wav_file("/mnt/vendor/sound/0.wav"), 0);
    EXPECT_EQ(play_wav_file("/mnt/vendor/sound/7.wav"), -1);
    EXPECT_EQ(played().size(), 0u);
}

TEST_F(KeySoundFile, ClosedStreamPlaysNothing)
{
    root.write("/mnt/vendor/sound/1.wav", wav(ramp(750)));
    pcm_close_stream();
    EXPECT_EQ(play_wav_file("/mnt/vendor/sound/1.wav"), 0);
}
