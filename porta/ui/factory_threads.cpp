// The factory test's sound and backlight workers.

#include "porta/ui/factory_threads.h"

#include "common/devroot.h"
#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/keysound.h"
#include "porta/device/pcm.h"
#include "porta/ui/iotest.h"
#include "porta/ui/loop.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>

#include <pthread.h>

std::mutex test_mutex;

namespace {

// Console messages. The firmware's logs and the tests rely on their bytes:
// keep them exactly as they are, the function names inside them included.
constexpr char MSG_SOUND_READ_END[] = "TestPlaySound:read file len = 0 \n";
constexpr char MSG_SOUND_WRITE_FAIL[] = "TestPlaySound:write file len = 0 \n";
constexpr char MSG_SOUND_THREAD_FAIL[] = "testkey_pthread_Sound_brightness: sound thread faild...\n";
constexpr char MSG_SWEEP_THREAD_FAIL[] = "testkey_pthread_Sound_brightness: brightness thread faild...\n";

constexpr long TEST_PCM_SKIP = 4;        // samples start at this byte
constexpr size_t TEST_PCM_BLOCK = 1024;  // bytes read and played at a time
constexpr size_t TEST_PCM_FRAME = 4;     // one stereo frame of 16-bit samples
constexpr int TEST_SOUND_PAUSE_MS = 100; // between two passes
constexpr int SWEEP_STEP_MS = 1000;      // one backlight level a second

// Stop requests: a flag the workers read between steps, and a condition on
// which they sleep so that a stop wakes them at once.
std::atomic<bool> stopping{false};
std::mutex wait_mutex;
std::condition_variable wait_cond;

pthread_t sound_thread;
pthread_t sweep_thread;
bool sound_started = false;
bool sweep_started = false;
std::atomic<int> running_bits{0};
std::atomic<int> sound_passes{0};

// Sleeps `ms` unless a stop is asked for first. True when stopping.
bool sleep_or_stop(int ms)
{
    std::unique_lock<std::mutex> lock(wait_mutex);
    return wait_cond.wait_for(lock, std::chrono::milliseconds(ms), [] { return stopping.load(); });
}

void *test_play_sound(void *)
{
    FILE *f = dev_fopen(TEST_PCM_FILE, "r");
    if (f) {
        while (!stopping.load()) {
            {
                std::scoped_lock lock(test_mutex, sound_mutex);
                select_sound_device();
                test_pcm_play_pass(f);
            }
            sound_passes.fetch_add(1);
            if (sleep_or_stop(TEST_SOUND_PAUSE_MS))
                break;
        }
        fclose(f);
    }
    // Without test.pcm the test runs on silently.
    running_bits.fetch_and(~1);
    return nullptr;
}

void *brightness_sweep(void *)
{
    int level = 4;
    int dir = -1;
    while (!sleep_or_stop(SWEEP_STEP_MS)) {
        level = sweep_next(level, &dir);
        // The LCD stays dark while it sleeps and while HDMI is the output.
        if (screen_asleep || output_device == 1)
            backlight_off();
        else
            set_backlight(level);
    }
    running_bits.fetch_and(~2);
    return nullptr;
}

} // namespace

int sweep_next(int level, int *dir)
{
    if (*dir >= 0 && level >= 4)
        *dir = -1;
    else if (*dir < 0 && level <= 0)
        *dir = 1;
    int next = level + *dir;
    if (next < 0)
        next = 0;
    if (next > 4)
        next = 4;
    return next;
}

long test_pcm_play_pass(FILE *f)
{
    uint8_t block[TEST_PCM_BLOCK];
    long played = 0;
    if (fseek(f, TEST_PCM_SKIP, SEEK_SET) != 0) {
        fputs(MSG_SOUND_READ_END, stdout);
        return 0;
    }
    while (!stopping.load()) {
        size_t n = fread(block, 1, sizeof block, f);
        if (n == 0) {
            fputs(MSG_SOUND_READ_END, stdout);
            break;
        }
        // A file that ends inside a frame: the partial frame is left out,
        // the next read finds the end.
        n -= n % TEST_PCM_FRAME;
        if (n == 0)
            continue;
        if (play_sample(16, block, static_cast<int>(n)) <= 0) {
            fputs(MSG_SOUND_WRITE_FAIL, stdout);
            return -1;
        }
        played += static_cast<long>(n);
    }
    return played;
}

void factory_threads_start(void)
{
    stopping = false;
    sound_passes = 0;
    running_bits = 3;
    if (pthread_create(&sound_thread, nullptr, test_play_sound, nullptr) == 0) {
        sound_started = true;
    } else {
        running_bits.fetch_and(~1);
        fputs(MSG_SOUND_THREAD_FAIL, stdout);
    }
    if (pthread_create(&sweep_thread, nullptr, brightness_sweep, nullptr) == 0) {
        sweep_started = true;
    } else {
        running_bits.fetch_and(~2);
        fputs(MSG_SWEEP_THREAD_FAIL, stdout);
    }
}

void factory_threads_stop(void)
{
    {
        std::lock_guard<std::mutex> lock(wait_mutex);
        stopping = true;
    }
    wait_cond.notify_all();
    if (sound_started) {
        pthread_join(sound_thread, nullptr);
        sound_started = false;
    }
    if (sweep_started) {
        pthread_join(sweep_thread, nullptr);
        sweep_started = false;
    }
    // Nobody reads the request any more: a pass played from here on (the
    // next start) plays whole again.
    stopping = false;
}

int factory_sound_passes(void)
{
    return sound_passes.load();
}

int factory_threads_running(void)
{
    return running_bits.load();
}
