#pragma once

// The factory test's two workers: the test sound, played over and over from
// /mnt/vendor/test/test.pcm, and the backlight sweep. Both run while the
// factory test runs and are stopped and joined before it returns, so that
// nothing plays into a closed stream or writes the backlight after the
// launcher's exit path took over.
//
// Lock order: the test mutex, then the key sounds' sound mutex. A pass of the
// test sound holds both (a key sound that was still playing when the test
// began ends first); re-selecting the sound device on an output change takes
// them in the same order.

#include <cstdio>
#include <mutex>

extern std::mutex test_mutex;

// Starts the sound thread and the brightness thread. A thread that cannot
// start prints "testkey_pthread_Sound_brightness: sound thread faild..." or
// "... brightness thread faild..."; the test runs on without it.
void factory_threads_start(void);
// Tells both threads to stop, wakes them and joins them. Returns when neither
// runs any more. Safe to call when they never started.
void factory_threads_stop(void);
// How many passes of the test sound ended so far (since the last start).
int factory_sound_passes(void);
// Whether the sound thread (1) and the brightness thread (2) run, as bits.
int factory_threads_running(void);

// One pass of the test sound from an open test.pcm: from byte 4 on, blocks of
// up to 1024 bytes cut to whole stereo frames go to the stream until the end
// of the file ("TestPlaySound:read file len = 0 " ends the pass) or a failed
// play ("TestPlaySound:write file len = 0 "); a stop request ends it between
// two blocks. Returns the bytes played, or -1 after a failed play. The
// caller holds the test mutex.
long test_pcm_play_pass(FILE *f);

// The backlight sweep: the next level after `level` going in *dir (-1 down,
// +1 up); turns at 0 and at 4. Starts at 4 going down.
int sweep_next(int level, int *dir);
