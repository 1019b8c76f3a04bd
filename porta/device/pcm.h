#pragma once

// The one PCM playback stream through which the launcher plays every sound
// (key sounds, the factory test sound). Fixed format: 2 channels, 44100 Hz,
// 32-bit signed little-endian samples, periods of 1024 frames, 4 periods.
//
// On the handheld the stream is opened on "hw:0,<device>". The environment
// variable PCM_DEVICE may name another ALSA device instead; a "%d" in it is
// replaced by the device number (for example "porta_test_%d" to reach a test
// configuration of one's own through ALSA_CONFIG_PATH).
//
// Threads: the stream and its staging buffer are used under the sound mutex
// (porta/device/keysound.h) by whichever thread plays or reopens: the sound
// thread for key sounds, the factory test's sound thread (which takes its test
// mutex and the sound mutex together), and the main thread when it selects or
// resets the output. The volume (set_volume) is written by the main thread and
// read by the playing thread: single atomic words.

#include <cstddef>
#include <cstdint>

constexpr int PCM_CHANNELS = 2;
constexpr int PCM_RATE = 44100;
constexpr int PCM_SAMPLE_BITS = 32;
constexpr int PCM_PERIOD_SIZE = 1024;
constexpr int PCM_PERIOD_COUNT = 4;
constexpr int PCM_STAGING_SAMPLES = 2048; // 32-bit samples, 8192 bytes

// Opens the stream on playback device `device` of card 0 after checking that
// the device supports the fixed format. Returns 1 when the stream is open and
// ready, 0 when the capabilities cannot be read or do not fit (the reasons
// are printed), -1 when the open itself fails. A stream that was open is
// closed first.
int pcm_open_stream(unsigned device);

// Closes the stream if there is one and forgets it.
void pcm_close_stream(void);

// True while the stream is open.
bool pcm_stream_open(void);

// Volume index 0..10 applied to 16-bit input by the next plays. Does nothing
// when `level` equals the current level; otherwise clamps it to 0..10.
void set_volume(int level);
// The current volume index.
int get_volume(void);

// The gain of a volume index (16384 = unity); out-of-range indexes are clamped.
int32_t pcm_gain(int level);

// The capabilities of a playback device, as ranges.
struct PcmCaps {
    unsigned rate_min, rate_max;
    unsigned channels_min, channels_max;
    unsigned bits_min, bits_max;
    unsigned period_size_min, period_size_max;
    unsigned periods_min, periods_max;
};
// Checks the fixed format against `caps` in the order rate, channels, sample
// bits, period size, period count; prints a line for every value outside its
// range ("... device only supports >= ..." or "<= ..."). True when all fit.
bool pcm_caps_fit(const PcmCaps *caps);

// One 16-bit sample scaled by `gain` (16384 = unity): bits 14 to 29 of the
// 32-bit product, cut to 16 bits without saturation.
int16_t pcm_scale_sample(int16_t s, int32_t gain);

// Plays `n` bytes of interleaved stereo 44100 Hz samples of width `bits`.
// With 16-bit input the buffer's samples are replaced by the volume-scaled
// ones and widened to the stream's 32-bit samples (2048 samples at a time
// through the staging buffer); a trailing partial frame is not played. Any
// other width is written unchanged. Returns n, 0 for an empty buffer, -1 on a write error or when no
// stream is open. A write error on 16-bit data closes the stream and forgets
// the sound device, so that the next device selection reopens it.
int play_sample(int bits, void *buf, int n);
