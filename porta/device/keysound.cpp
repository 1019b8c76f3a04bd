// Key sounds: the sound thread and the requests of the key handlers.

#include "porta/device/keysound.h"

#include "common/devroot.h"
#include "porta/device/hardware.h"
#include "porta/device/pcm.h"
#include "porta/base/attr.h"
#include "porta/base/worker_thread.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>

#include <pthread.h>

constexpr int WAV_HEADER_BYTES = 44;
constexpr int SOUND_BLOCK_MAX = 2048;
constexpr int SOUND_BLOCK_MIN = 1024;

std::mutex sound_mutex;

namespace {

// Sound numbers from here up name no sound: nothing waits to be played.
constexpr int KEY_SOUND_NONE = 4;

// The key sound thread and the sound waiting for it: `number` is guarded by
// sound_mutex, `wake` tells the thread that it changed.
struct KeySoundThread {
    WorkerThread worker;
    std::condition_variable wake;
    int number = KEY_SOUND_NONE;
};
KeySoundThread key_sound;
// The launcher's answer to "must key sounds stay quiet now?" (fast key
// repeat, screen asleep); handed over at start-up.
int (*quiet_query)(void) = nullptr;

void *key_sound_thread(void *)
{
    while (worker_running(key_sound.worker)) {
        std::unique_lock<std::mutex> lock(sound_mutex);
        key_sound.wake.wait(lock, [] { return key_sound.number != KEY_SOUND_NONE; });
        char path[64];
        snprintf(path, sizeof path, "%s/%d.wav", KEY_SOUND_DIR, key_sound.number);
        key_sound.number = KEY_SOUND_NONE;
        if (!worker_running(key_sound.worker))
            break;
        // Held for the whole sound: a new request is dropped meanwhile and
        // the stream is not reopened under it.
        play_wav_file(path);
    }
    return nullptr;
}

} // namespace

int play_wav_file(const char *path)
{
    FILE *f = dev_fopen(path, "rb");
    if (!f)
        return -1;
    int blocks = 0;
    if (fseek(f, WAV_HEADER_BYTES, SEEK_SET) == 0) {
        uint8_t block[SOUND_BLOCK_MAX];
        for (;;) {
            size_t n = fread(block, 1, sizeof block, f);
            if (n == 0 || !pcm_stream_open())
                break;
            if (n < SOUND_BLOCK_MIN) {
                // The last, short block is padded with silence to a whole
                // 1024 bytes.
                memset(block + n, 0, SOUND_BLOCK_MIN - n);
                if (play_sample(16, block, SOUND_BLOCK_MIN) > 0)
                    blocks++;
                break;
            }
            if (play_sample(16, block, static_cast<int>(n)) < 0)
                break;
            blocks++;
        }
    }
    fclose(f);
    return blocks;
}

int sound_init(void)
{
    if (key_sound.worker.started)
        return 0;
    {
        std::lock_guard<std::mutex> lock(sound_mutex);
        select_sound_device();
        key_sound.number = KEY_SOUND_NONE;
    }
    if (!start_worker_thread(&key_sound.worker, key_sound_thread)) {
        printf("%s: start sound thread faild...\n", "sound_init");
        return -1;
    }
    return 0;
}

void sound_deinit(void)
{
    // The waiting thread is woken with a number so that it sees the cleared
    // running flag.
    stop_worker_thread(&key_sound.worker, [] {
        {
            std::lock_guard<std::mutex> lock(sound_mutex);
            key_sound.number = 0;
        }
        key_sound.wake.notify_all();
    });
    std::lock_guard<std::mutex> lock(sound_mutex);
    key_sound.number = KEY_SOUND_NONE;
    close_sound_device();
}

bool key_sound_idle(void)
{
    std::unique_lock<std::mutex> lock(sound_mutex, std::try_to_lock);
    return lock.owns_lock() && key_sound.number == KEY_SOUND_NONE;
}

void key_sound_set_quiet_query(int (*quiet)(void))
{
    quiet_query = quiet;
}

int play_key_sound(int number)
{
    if (number < 0 || number >= KEY_SOUND_NONE)
        return 0;
    if (global_attr.key_sound == 0 || (quiet_query && quiet_query()))
        return 0;
    std::unique_lock<std::mutex> lock(sound_mutex, std::try_to_lock);
    if (!lock.owns_lock())
        return 0; // a sound is playing: this one is dropped
    select_sound_device();
    set_volume(global_attr.volume);
    key_sound.number = number;
    lock.unlock();
    key_sound.wake.notify_one();
    return 1;
}
