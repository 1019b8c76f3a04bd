#pragma once

// Key sounds: a worker thread plays /mnt/vendor/sound/<n>.wav (a 44-byte
// header, then 16-bit stereo 44100 Hz samples) through the PCM stream when a
// key handler asks for one.
//
// Threads: the main thread starts and stops the sound thread (sound_init,
// sound_deinit) and asks for sounds (play_key_sound, key_sound_idle); the
// sound thread plays them. The sound number (what to play next) is written by
// the main thread and taken by the sound thread, both under sound_mutex; the
// sound thread holds the mutex while it plays, so the PCM stream and the sound
// device (porta/device/hardware.h) change only under it. The quiet query is
// set once at start-up and called on the main thread only.

#include <mutex>

constexpr const char KEY_SOUND_DIR[] = "/mnt/vendor/sound";
// The sounds a key handler asks for, by their file number.
enum KeySound : int {
    KEY_SOUND_CONFIRM = 0,
    KEY_SOUND_MOVE = 1,
    KEY_SOUND_REFUSED = 2,
};

// The sound mutex: held by the sound thread for the whole playback of one
// sound. Reopening the stream ("reset sound") takes it too, so that the stream
// is never closed under a sound that is playing.
extern std::mutex sound_mutex;

// Selects the sound device, sets the sound number to none and starts the sound
// thread. Returns 0, or -1 after "sound_init: start sound thread faild...".
int sound_init(void);

// Stops the sound thread (waking it so that it ends), then forgets the sound
// device and closes the stream. Safe to call when the thread never started.
void sound_deinit(void);

// What keeps key sounds quiet besides the record's key_sound (the launcher's
// fast key repeat and screen sleep), handed over at start-up: non-zero means
// quiet. Main thread only.
void key_sound_set_quiet_query(int (*quiet)(void));

// Asks for sound `number` (KEY_SOUND_CONFIRM, _MOVE or _REFUSED). Never
// blocks: the request is dropped while a sound plays (or the sound thread is
// busy with the mutex), while the fast key repeat runs, when key sounds are
// off or while the screen is asleep. Returns 1 when the sound was requested,
// 0 when the request was dropped.
int play_key_sound(int number);

// True when no sound is playing or waiting to be played (never blocks).
bool key_sound_idle(void);

// Plays one WAV file's samples (after its 44-byte header) through the stream:
// blocks of up to 2048 bytes; a block shorter than 1024 bytes is padded with
// zeros to 1024 bytes and ends the file. Returns the number of blocks played,
// or -1 when the file cannot be opened. Used by the sound thread with the
// sound mutex held.
int play_wav_file(const char *path);
