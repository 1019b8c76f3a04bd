#include "alsa_file_plugin.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

namespace {

void save_env(const char *name, std::string *old, bool *had)
{
    const char *v = getenv(name);
    *had = v != nullptr;
    if (v)
        *old = v;
}

void restore_env(const char *name, const std::string &old, bool had)
{
    if (had)
        setenv(name, old.c_str(), 1);
    else
        unsetenv(name);
}

} // namespace

AlsaFileSink::AlsaFileSink(const std::string &dir)
{
    mkdir(dir.c_str(), 0755);
    output_ = dir + "/pcm-out.raw";
    config_ = dir + "/asound-test.conf";
    std::ofstream conf(config_, std::ios::trunc);
    for (int d = 0; d <= 1; d++)
        conf << "pcm.porta_test_" << d << " {\n  type file\n  slave.pcm \"porta_test_null\"\n"
             << "  file \"" << output_ << "\"\n  format \"raw\"\n}\n";
    conf << "pcm.porta_test_2 {\n  type file\n  slave.pcm \"porta_test_null\"\n"
         << "  file \"" << dir << "/missing-folder/pcm-out.raw\"\n  format \"raw\"\n}\n";
    conf << "pcm.porta_test_null {\n  type null\n}\n";
    conf << "pcm.porta_test_9 {\n  type hw\n  card 99\n  device 0\n}\n";
    conf.close();
    clear();
    save_env("ALSA_CONFIG_PATH", &old_config_, &had_config_);
    save_env("PCM_DEVICE", &old_device_, &had_device_);
    setenv("ALSA_CONFIG_PATH", config_.c_str(), 1);
    setenv("PCM_DEVICE", "porta_test_%d", 1);
}

AlsaFileSink::~AlsaFileSink()
{
    restore_env("ALSA_CONFIG_PATH", old_config_, had_config_);
    restore_env("PCM_DEVICE", old_device_, had_device_);
}

std::string AlsaFileSink::bytes() const
{
    std::ifstream in(output_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<int32_t> AlsaFileSink::samples() const
{
    std::string b = bytes();
    std::vector<int32_t> out(b.size() / 4);
    for (size_t i = 0; i < out.size(); i++) {
        const unsigned char *p = (const unsigned char *)b.data() + 4 * i;
        out[i] = (int32_t)((uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24));
    }
    return out;
}

void AlsaFileSink::clear() const
{
    std::ofstream(output_, std::ios::trunc | std::ios::binary);
}
