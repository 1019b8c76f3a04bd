#pragma once

// Points the launcher's PCM stream at ALSA's own `file` plugin, so that a test
// reads back exactly the bytes that were written to the stream.
//
// While an AlsaFileSink lives, ALSA_CONFIG_PATH names a configuration of its
// own and PCM_DEVICE is "porta_test_%d":
// - devices 0 and 1 write raw interleaved frames to output() (the file is
//   emptied each time a stream opens it; a stream delivers its last bytes when
//   it is closed);
// - device 2 opens, but every write to it fails;
// - device 9 is a card that does not exist (its capabilities cannot be read).

#include <cstdint>
#include <string>
#include <vector>

class AlsaFileSink {
public:
    explicit AlsaFileSink(const std::string &dir);
    ~AlsaFileSink();
    AlsaFileSink(const AlsaFileSink &) = delete;
    AlsaFileSink &operator=(const AlsaFileSink &) = delete;

    const std::string &output() const { return output_; }
    // The bytes the stream delivered so far (after its close: all of them).
    std::string bytes() const;
    // The same as 32-bit little-endian samples.
    std::vector<int32_t> samples() const;
    // Empties the output file.
    void clear() const;

private:
    std::string output_;
    std::string config_;
    std::string old_config_, old_device_;
    bool had_config_ = false, had_device_ = false;
};
