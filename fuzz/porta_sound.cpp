// The sound files the launcher plays: a key sound (/mnt/vendor/sound/<n>.wav,
// a 44-byte header skipped, 16-bit stereo samples after it) and the factory
// test's test.pcm (samples from byte 4). Whatever the file holds, the stream
// receives exactly its samples at the volume's gain, widened to 32 bits: the
// WAV in blocks of 2048 bytes with a short last block padded to 1024, the test
// sound in whole frames. The stream is ALSA's file plugin writing into the
// device root. The first byte picks the file and the volume.

#include "fuzz_support.h"

#include <cstring>
#include <string>

#include "porta/device/keysound.h"
#include "porta/device/pcm.h"
#include "porta/ui/factory_threads.h"
#include "porta/ui/iotest.h"

namespace {

std::string &output()
{
    static std::string path;
    if (path.empty()) {
        const std::string root = fuzz::root();
        path = root + "/pcm-out.raw";
        const std::string config = root + "/asound-fuzz.conf";
        FILE *f = fopen(config.c_str(), "w");
        FUZZ_CHECK(f != nullptr);
        fprintf(f,
                "pcm.porta_fuzz_0 {\n  type file\n  slave.pcm \"porta_fuzz_null\"\n  file \"%s\"\n"
                "  format \"raw\"\n}\npcm.porta_fuzz_null {\n  type null\n}\n",
                path.c_str());
        fclose(f);
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
        setenv("PCM_DEVICE", "porta_fuzz_%d", 1);
    }
    return path;
}

// What the stream must receive for one played block of 16-bit input: its
// whole stereo frames, each sample scaled and widened to 32 bits.
void expectBlock(std::string &out, const uint8_t *block, size_t n, int32_t gain)
{
    const size_t samples = n / 2 / 2 * 2;
    for (size_t i = 0; i < samples; i++) {
        int16_t s;
        memcpy(&s, block + 2 * i, 2);
        const uint32_t wide = static_cast<uint32_t>(static_cast<uint16_t>(pcm_scale_sample(s, gain))) << 16;
        const uint8_t le[4] = {static_cast<uint8_t>(wide), static_cast<uint8_t>(wide >> 8),
                               static_cast<uint8_t>(wide >> 16), static_cast<uint8_t>(wide >> 24)};
        out.append(reinterpret_cast<const char *>(le), 4);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const std::string &out = output();
    const bool wav = (data[0] & 0x80) == 0;
    const int level = (data[0] & 0x7F) % 11;
    const uint8_t *file = data + 1;
    const size_t fileSize = size - 1;
    set_volume(level);
    const int32_t gain = pcm_gain(level);
    FUZZ_CHECK(pcm_open_stream(0) == 1);

    std::string expected;
    if (wav) {
        const std::string path = std::string(KEY_SOUND_DIR) + "/1.wav";
        fuzz::write(path, file, fileSize);
        const int blocks = play_wav_file(path.c_str());
        int expectedBlocks = 0;
        for (size_t at = 44; at < fileSize; at += 2048) {
            const size_t n = fileSize - at < 2048 ? fileSize - at : 2048;
            uint8_t block[2048] = {};
            memcpy(block, file + at, n);
            expectBlock(expected, block, n < 1024 ? 1024 : n, gain);
            expectedBlocks++;
        }
        FUZZ_CHECK(blocks == expectedBlocks);
    } else {
        fuzz::write(TEST_PCM_FILE, file, fileSize);
        FILE *f = fopen(fuzz::host(TEST_PCM_FILE).c_str(), "r");
        FUZZ_CHECK(f != nullptr);
        const long played = test_pcm_play_pass(f);
        fclose(f);
        long expectedBytes = 0;
        for (size_t at = 4; at < fileSize; at += 1024) {
            size_t n = fileSize - at < 1024 ? fileSize - at : 1024;
            n -= n % 4;
            expectBlock(expected, file + at, n, gain);
            expectedBytes += static_cast<long>(n);
        }
        FUZZ_CHECK(played == expectedBytes);
    }
    pcm_close_stream();
    FUZZ_CHECK(fuzz::readHost(out) == expected);
    return 0;
}
