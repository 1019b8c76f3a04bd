// PCM playback: capability checks, volume scaling and widening, checked on
// the bytes that real alsa-lib delivers through its file plugin.

#include "alsa_file_plugin.h"
#include "test_root.h"

#include "porta/device/hardware.h"
#include "porta/device/pcm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

class PcmTest : public testing::Test {
protected:
    TempRoot root;
    AlsaFileSink sink{root.path() + "/alsa"};

    void TearDown() override
    {
        pcm_close_stream();
        set_volume(10);
    }

    // Plays 16-bit samples on device 0 and returns what reached the stream.
    std::vector<int32_t> play16(std::vector<int16_t> &in)
    {
        EXPECT_EQ(pcm_open_stream(0), 1);
        int n = (int)(in.size() * 2);
        EXPECT_EQ(play_sample(16, in.data(), n), n);
        pcm_close_stream();
        return sink.samples();
    }
};

PcmCaps fitting_caps()
{
    PcmCaps c;
    c.rate_min = 8000;
    c.rate_max = 192000;
    c.channels_min = 1;
    c.channels_max = 8;
    c.bits_min = 16;
    c.bits_max = 32;
    c.period_size_min = 64;
    c.period_size_max = 65536;
    c.periods_min = 2;
    c.periods_max = 16;
    return c;
}

} // namespace

TEST_F(PcmTest, FullVolumeWidensSamplesUnchanged)
{
    set_volume(10);
    std::vector<int16_t> in = {0, 1, -1, 32767, -32768, 1234, -4321, 100};
    std::vector<int16_t> copy = in;
    std::vector<int32_t> out = play16(in);
    ASSERT_EQ(out.size(), in.size());
    for (size_t i = 0; i < in.size(); i++)
        EXPECT_EQ(out[i], (int32_t)((uint32_t)(uint16_t)copy[i] << 16)) << i;
    EXPECT_EQ((uint32_t)out[4], 0x80000000u);
    EXPECT_EQ(in, copy); // unity gain leaves the caller's samples as they were
}

TEST_F(PcmTest, VolumeZeroPlaysSilenceAndZeroesTheBuffer)
{
    set_volume(0);
    std::vector<int16_t> in = {1000, -1000, 32767, -32768};
    std::vector<int32_t> out = play16(in);
    ASSERT_EQ(out.size(), 4u);
    for (int32_t v : out)
        EXPECT_EQ(v, 0);
    for (int16_t v : in)
        EXPECT_EQ(v, 0);
}

TEST_F(PcmTest, MidVolumeScalesByTheGainTable)
{
    set_volume(5); // gain 3050
    std::vector<int16_t> in = {10000, -10000, 16384, -32768};
    std::vector<int32_t> out = play16(in);
    // p = g * s, then bits 14..29 (arithmetic shift for negative products).
    const int16_t want[4] = {1861, -1862, 3050, -6100};
    ASSERT_EQ(out.size(), 4u);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(in[i], want[i]) << i;
        EXPECT_EQ(out[i], (int32_t)((uint32_t)(uint16_t)want[i] << 16)) << i;
    }
}

TEST_F(PcmTest, SetVolumeClampsAndKeepsTheLevel)
{
    set_volume(3);
    EXPECT_EQ(get_volume(), 3);
    set_volume(15);
    EXPECT_EQ(get_volume(), 10);
    set_volume(-4);
    EXPECT_EQ(get_volume(), 0);
    EXPECT_EQ(pcm_gain(7), 6522);
    EXPECT_EQ(pcm_gain(99), 16384);
    EXPECT_EQ(pcm_gain(-1), 0);
}

TEST_F(PcmTest, EmptyBufferWritesNothing)
{
    ASSERT_EQ(pcm_open_stream(0), 1);
    int16_t none[2] = {5, 5};
    EXPECT_EQ(play_sample(16, none, 0), 0);
    pcm_close_stream();
    EXPECT_EQ(sink.bytes().size(), 0u);
    EXPECT_EQ(none[0], 5);
}

TEST_F(PcmTest, PlayingWithoutAStreamFails)
{
    pcm_close_stream();
    int16_t s[4] = {1, 2, 3, 4};
    EXPECT_EQ(play_sample(16, s, sizeof s), -1);
    EXPECT_FALSE(pcm_stream_open());
}

TEST_F(PcmTest, OtherWidthsAreWrittenUnchanged)
{
    set_volume(0); // the volume applies to 16-bit input only
    ASSERT_EQ(pcm_open_stream(1), 1);
    int32_t s[6] = {1, -2, 0x7FFFFFFF, (int32_t)0x80000000, 77, -77};
    EXPECT_EQ(play_sample(32, s, sizeof s), (int)sizeof s);
    pcm_close_stream();
    std::vector<int32_t> out = sink.samples();
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(0, memcmp(out.data(), s, sizeof s));
}

TEST_F(PcmTest, LongInputIsPlayedWhole)
{
    // More than the 2048-sample staging buffer: nothing is lost or overrun.
    std::vector<int16_t> in(5000);
    for (size_t i = 0; i < in.size(); i++)
        in[i] = (int16_t)(i * 7 - 9000);
    std::vector<int16_t> copy = in;
    set_volume(10);
    std::vector<int32_t> out = play16(in);
    ASSERT_EQ(out.size(), in.size());
    for (size_t i = 0; i < in.size(); i++)
        ASSERT_EQ(out[i], (int32_t)((uint32_t)(uint16_t)copy[i] << 16)) << i;
}

TEST_F(PcmTest, MissingDeviceLeavesTheStreamClosed)
{
    CaptureStderr();
    int r = pcm_open_stream(9);
    std::string err = GetCapturedStderr();
    EXPECT_EQ(r, 0);
    EXPECT_NE(err.find("Unable to open PCM device 9.\n"), std::string::npos) << err;
    EXPECT_FALSE(pcm_stream_open());
}

TEST_F(PcmTest, WriteErrorOnSixteenBitDataClosesTheStream)
{
    ASSERT_EQ(pcm_open_stream(2), 1);
    sound_device = 0;
    // The file plugin writes its file out once its buffer is full.
    static int16_t s[4096];
    CaptureStdout();
    int calls = 0, r = 0;
    while (calls < 50 && (r = play_sample(16, s, sizeof s)) > 0)
        calls++;
    EXPECT_EQ(r, -1);
    EXPECT_EQ(GetCapturedStdout(), "play_sample: Error playing sample\n");
    EXPECT_FALSE(pcm_stream_open());
    EXPECT_EQ(sound_device, -1); // the next device selection reopens it
}

TEST_F(PcmTest, WriteErrorOnOtherWidthsKeepsTheStream)
{
    ASSERT_EQ(pcm_open_stream(2), 1);
    static int32_t s[4096];
    CaptureStdout();
    int calls = 0, r = 0;
    while (calls < 50 && (r = play_sample(32, s, sizeof s)) > 0)
        calls++;
    EXPECT_EQ(r, -1);
    EXPECT_EQ(GetCapturedStdout(), "play_sample: Error playing sample\n");
    EXPECT_TRUE(pcm_stream_open());
}

TEST_F(PcmTest, ReopeningReplacesTheStream)
{
    ASSERT_EQ(pcm_open_stream(0), 1);
    ASSERT_EQ(pcm_open_stream(1), 1);
    EXPECT_TRUE(pcm_stream_open());
    pcm_close_stream();
    EXPECT_FALSE(pcm_stream_open());
    pcm_close_stream(); // closing twice is harmless
}

TEST(PcmCaps, DeviceWithOnlyHigherRatesIsRefused)
{
    PcmCaps c = fitting_caps();
    c.rate_min = 48000;
    CaptureStdout();
    bool ok = pcm_caps_fit(&c);
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetCapturedStdout(), "Sample rate is 44100Hz, device only supports >= 48000Hz\n");
}

TEST(PcmCaps, EveryMismatchIsReportedInOrder)
{
    PcmCaps c = fitting_caps();
    c.rate_max = 22050;
    c.channels_max = 1;
    c.bits_max = 24;
    c.period_size_min = 2048;
    c.periods_max = 2;
    CaptureStdout();
    EXPECT_FALSE(pcm_caps_fit(&c));
    EXPECT_EQ(GetCapturedStdout(),
              "Sample rate is 44100Hz, device only supports <= 22050Hz\n"
              "Sample is 2 channels, device only supports <= 1 channels\n"
              "Bitrate is 32 bits, device only supports <= 24 bits\n"
              "Period size is 1024Hz, device only supports >= 2048Hz\n"
              "Period count is 4Hz, device only supports <= 2Hz\n");
}

TEST(PcmCaps, FittingDevicePrintsNothing)
{
    PcmCaps c = fitting_caps();
    CaptureStdout();
    EXPECT_TRUE(pcm_caps_fit(&c));
    EXPECT_EQ(GetCapturedStdout(), "");
}

TEST(PcmScale, CutsToSixteenBitsWithoutSaturation)
{
    EXPECT_EQ(pcm_scale_sample(-32768, 16384), -32768);
    EXPECT_EQ(pcm_scale_sample(32767, 16384), 32767);
    EXPECT_EQ(pcm_scale_sample(32767, 84), 167);
    EXPECT_EQ(pcm_scale_sample(-1, 84), -1);
    EXPECT_EQ(pcm_scale_sample(100, 0), 0);
}
