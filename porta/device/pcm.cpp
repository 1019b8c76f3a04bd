// The launcher's PCM playback stream over alsa-lib.

#include "porta/device/pcm.h"
#include "porta/device/hardware.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The open stream and the buffer its 16-bit input is widened into.
struct PcmStream {
    snd_pcm_t *pcm = nullptr;
    int32_t staging[PCM_STAGING_SAMPLES];
};
PcmStream stream;

// Gain of each volume index, 16384 = unity.
const int32_t gain_table[11] = {0, 84, 211, 581, 1460, 3050, 5181, 6522, 8211, 10337, 16384};

std::atomic<int> current_level{-1};
std::atomic<int> volume_index{10};

// alsa-lib's own diagnostics are not the launcher's: a missing sound card is
// reported once by the launcher's own messages, and it runs on silently.
void alsa_quiet(const char *, int, const char *, int, const char *, ...) {}

// "hw:0,<device>" on the handheld; PCM_DEVICE may replace it, its first "%d"
// standing for the device number. The variable is never used as a format.
std::string pcm_device_name(unsigned device)
{
    const char *env = getenv("PCM_DEVICE");
    std::string num = std::to_string(device);
    if (!env || !*env)
        return "hw:0," + num;
    std::string name = env;
    size_t at = name.find("%d");
    if (at != std::string::npos)
        name.replace(at, 2, num);
    return name;
}

// Sample widths the device accepts, from its format mask.
bool sample_bits_range(snd_pcm_hw_params_t *params, snd_pcm_t *pcm, unsigned *lo, unsigned *hi)
{
    bool any = false;
    for (int f = 0; f <= SND_PCM_FORMAT_LAST; f++) {
        snd_pcm_format_t fmt = (snd_pcm_format_t)f;
        if (snd_pcm_hw_params_test_format(pcm, params, fmt) != 0)
            continue;
        int w = snd_pcm_format_width(fmt);
        if (w <= 0)
            continue;
        if (!any || (unsigned)w < *lo)
            *lo = (unsigned)w;
        if (!any || (unsigned)w > *hi)
            *hi = (unsigned)w;
        any = true;
    }
    return any;
}

// One capability check: prints why `value` does not fit and returns false.
bool check_param(const char *name, unsigned value, unsigned lo, unsigned hi, const char *unit)
{
    if (value < lo) {
        printf("%s is %u%s, device only supports >= %u%s\n", name, value, unit, lo, unit);
        return false;
    }
    if (value > hi) {
        printf("%s is %u%s, device only supports <= %u%s\n", name, value, unit, hi, unit);
        return false;
    }
    return true;
}

// Reads the capabilities of the device and checks the fixed format against
// them. Returns 1 when it fits, 0 otherwise.
int check_capabilities(const std::string &name, unsigned device)
{
    snd_pcm_t *probe = nullptr;
    if (snd_pcm_open(&probe, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        fprintf(stderr, "Unable to open PCM device %u.\n", device);
        return 0;
    }
    snd_pcm_hw_params_t *params = nullptr;
    if (snd_pcm_hw_params_malloc(&params) < 0 || snd_pcm_hw_params_any(probe, params) < 0) {
        if (params)
            snd_pcm_hw_params_free(params);
        snd_pcm_close(probe);
        fprintf(stderr, "Unable to open PCM device %u.\n", device);
        return 0;
    }

    PcmCaps caps;
    int dir = 0;
    snd_pcm_hw_params_get_rate_min(params, &caps.rate_min, &dir);
    snd_pcm_hw_params_get_rate_max(params, &caps.rate_max, &dir);
    snd_pcm_hw_params_get_channels_min(params, &caps.channels_min);
    snd_pcm_hw_params_get_channels_max(params, &caps.channels_max);
    if (!sample_bits_range(params, probe, &caps.bits_min, &caps.bits_max)) {
        caps.bits_min = 0;
        caps.bits_max = 0;
    }
    snd_pcm_uframes_t fmin = 0, fmax = 0;
    snd_pcm_hw_params_get_period_size_min(params, &fmin, &dir);
    snd_pcm_hw_params_get_period_size_max(params, &fmax, &dir);
    caps.period_size_min = fmin > 0xFFFFFFFFu ? 0xFFFFFFFFu : (unsigned)fmin;
    caps.period_size_max = fmax > 0xFFFFFFFFu ? 0xFFFFFFFFu : (unsigned)fmax;
    snd_pcm_hw_params_get_periods_min(params, &caps.periods_min, &dir);
    snd_pcm_hw_params_get_periods_max(params, &caps.periods_max, &dir);

    snd_pcm_hw_params_free(params);
    snd_pcm_close(probe);
    return pcm_caps_fit(&caps);
}

// Sets the fixed format on an open stream. Returns 0 or a negative error.
int configure(snd_pcm_t *pcm)
{
    snd_pcm_hw_params_t *params = nullptr;
    int err = snd_pcm_hw_params_malloc(&params);
    if (err < 0)
        return err;
    if ((err = snd_pcm_hw_params_any(pcm, params)) < 0 ||
        (err = snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
        (err = snd_pcm_hw_params_set_format(pcm, params, SND_PCM_FORMAT_S32_LE)) < 0 ||
        (err = snd_pcm_hw_params_set_channels(pcm, params, PCM_CHANNELS)) < 0 ||
        (err = snd_pcm_hw_params_set_rate(pcm, params, PCM_RATE, 0)) < 0 ||
        (err = snd_pcm_hw_params_set_period_size(pcm, params, PCM_PERIOD_SIZE, 0)) < 0 ||
        (err = snd_pcm_hw_params_set_periods(pcm, params, PCM_PERIOD_COUNT, 0)) < 0 ||
        (err = snd_pcm_hw_params(pcm, params)) < 0) {
        snd_pcm_hw_params_free(params);
        return err;
    }
    snd_pcm_hw_params_free(params);
    return snd_pcm_prepare(pcm);
}

// Writes whole frames; an underrun is recovered and the write goes on.
// Returns 0 or -1.
int write_frames(const void *data, size_t bytes)
{
    const size_t frame = PCM_CHANNELS * sizeof(int32_t);
    const uint8_t *p = static_cast<const uint8_t *>(data);
    snd_pcm_uframes_t left = bytes / frame;
    int recoveries = 0;
    while (left > 0) {
        snd_pcm_sframes_t done = snd_pcm_writei(stream.pcm, p, left);
        if (done == -EINTR)
            continue;
        if (done == -EPIPE || done == -ESTRPIPE) {
            if (++recoveries > 3 || snd_pcm_recover(stream.pcm, static_cast<int>(done), 1) < 0)
                return -1;
            continue;
        }
        if (done < 0)
            return -1;
        left -= (snd_pcm_uframes_t)done;
        p += static_cast<size_t>(done) * frame;
    }
    return 0;
}

} // namespace

bool pcm_caps_fit(const PcmCaps *c)
{
    bool ok = true;
    // Every check runs, so that every mismatch is reported.
    ok &= check_param("Sample rate", PCM_RATE, c->rate_min, c->rate_max, "Hz");
    ok &= check_param("Sample", PCM_CHANNELS, c->channels_min, c->channels_max, " channels");
    ok &= check_param("Bitrate", PCM_SAMPLE_BITS, c->bits_min, c->bits_max, " bits");
    ok &= check_param("Period size", PCM_PERIOD_SIZE, c->period_size_min, c->period_size_max, "Hz");
    ok &= check_param("Period count", PCM_PERIOD_COUNT, c->periods_min, c->periods_max, "Hz");
    return ok;
}

int pcm_open_stream(unsigned device)
{
    pcm_close_stream();
    snd_lib_error_set_handler(alsa_quiet);
    std::string name = pcm_device_name(device);
    if (!check_capabilities(name, device))
        return 0;

    snd_pcm_t *pcm = nullptr;
    int err = snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (err >= 0)
        err = configure(pcm);
    if (err < 0) {
        if (pcm)
            snd_pcm_close(pcm);
        printf("Unable to open PCM device %u (%s)\n", device, snd_strerror(err));
        return -1;
    }
    stream.pcm = pcm;
    return 1;
}

void pcm_close_stream(void)
{
    if (stream.pcm) {
        snd_pcm_close(stream.pcm);
        stream.pcm = nullptr;
    }
}

bool pcm_stream_open(void)
{
    return stream.pcm != nullptr;
}

int32_t pcm_gain(int level)
{
    if (level < 0)
        level = 0;
    if (level > 10)
        level = 10;
    return gain_table[level];
}

void set_volume(int level)
{
    if (level == current_level.load(std::memory_order_relaxed))
        return;
    if (level < 0)
        level = 0;
    if (level > 10)
        level = 10;
    current_level.store(level, std::memory_order_relaxed);
    volume_index.store(level, std::memory_order_relaxed);
}

int get_volume(void)
{
    return volume_index.load(std::memory_order_relaxed);
}

int16_t pcm_scale_sample(int16_t s, int32_t gain)
{
    int32_t p = gain * static_cast<int32_t>(s);
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(p) >> 14));
}

int play_sample(int bits, void *buf, int n)
{
    if (n <= 0 || !buf)
        return 0;
    if (!stream.pcm)
        return -1;
    if (bits != 16) {
        if (write_frames(buf, static_cast<size_t>(n)) < 0) {
            printf("%s: Error playing sample\n", "play_sample");
            return -1;
        }
        return n;
    }

    const int32_t g = pcm_gain(volume_index.load(std::memory_order_relaxed));
    uint8_t *bytes = static_cast<uint8_t *>(buf);
    int samples = n / 2;
    int done = 0;
    // The staging buffer holds 2048 samples; longer input goes in pieces.
    while (done < samples) {
        int count = samples - done;
        if (count > PCM_STAGING_SAMPLES)
            count = PCM_STAGING_SAMPLES;
        for (int i = 0; i < count; i++) {
            uint8_t *at = bytes + 2 * static_cast<size_t>(done + i);
            int16_t s;
            memcpy(&s, at, 2);
            int16_t v = pcm_scale_sample(s, g);
            memcpy(at, &v, 2);
            stream.staging[i] = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(v)) << 16);
        }
        if (write_frames(stream.staging, static_cast<size_t>(count) * sizeof(int32_t)) < 0) {
            printf("%s: Error playing sample\n", "play_sample");
            close_sound_device();
            return -1;
        }
        done += count;
    }
    return n;
}
