// Controller support: PlayerTable, the local pads and the player getters,
// and the controller thread that keeps the local pads seated.

#include "porta/controller/players.h"

#include "porta/device/keypad.h"
#include "porta/base/attr.h"

#include <cstdio>
#include <cstring>

#include <pthread.h>
#include <unistd.h>

JoyDevice localpad0;
JoyDevice localpad1;
std::atomic<JoyDevice *> PlayerTable[MAX_PLAYERS];
std::mutex joypad_mutex;

namespace {

std::atomic<uint32_t> quit_word{0};
std::atomic<int> pad_count{0};
std::atomic<bool> joy_running{false};
pthread_t joy_thread;
bool joy_thread_started = false;

JoyDevice *entry(int i)
{
    return PlayerTable[i].load(std::memory_order_relaxed);
}

void set_entry(int i, JoyDevice *dev)
{
    PlayerTable[i].store(dev, std::memory_order_relaxed);
}

int find_entry(const JoyDevice *dev)
{
    for (int i = 0; i < MAX_PLAYERS; i++)
        if (entry(i) == dev)
            return i;
    return MAX_PLAYERS;
}

int first_empty(void)
{
    for (int i = 0; i < MAX_PLAYERS; i++)
        if (!entry(i))
            return i;
    return MAX_PLAYERS;
}

// Puts a local pad in the first empty entry; none left: it stays unseated.
void seat_local(JoyDevice *dev, int number, int v1, int v2)
{
    int at = first_empty();
    if (at >= MAX_PLAYERS)
        return;
    set_entry(at, dev);
    printf("--%s: set localpad%d as %d player \n", "set_localkeyRep", number, at + 1);
    printf("--%s: v1=%d v2=%d \n", "set_localkeyRep", v1, v2);
}

// Sleeps up to `ms`, returning early once the thread is asked to stop.
void nap(int ms)
{
    for (int waited = 0; waited < ms && joy_running.load(std::memory_order_relaxed); waited += 20)
        usleep(20 * 1000);
}

void *HandleInputEvents(void *)
{
    while (joy_running.load(std::memory_order_relaxed)) {
        if (global_attr.local_pads != 0)
            set_localkeyRep();
        // No USB pad is open: look again in half a second.
        nap(500);
    }
    return nullptr;
}

} // namespace

int init_joystick_key(void)
{
    printf("%s \n", "init_joystick_key");
    for (int i = 0; i < MAX_PLAYERS; i++)
        set_entry(i, nullptr);
    quit_word.store(0, std::memory_order_relaxed);
    pad_count.store(0, std::memory_order_relaxed);
    if (global_attr.local_pads > 0) {
        if (global_attr.local_pads > 2)
            global_attr.local_pads = 2;
        set_entry(0, &localpad0);
        set_entry(1, &localpad1);
        if (open_adc_bnt_input(&localpad0.key_state) != 0) {
            printf("%s: %d fail \n", "init_joystick_key", __LINE__);
            return -1;
        }
    }
    joy_running.store(true, std::memory_order_relaxed);
    if (pthread_create(&joy_thread, nullptr, HandleInputEvents, nullptr) != 0) {
        joy_running.store(false, std::memory_order_relaxed);
        printf("%s: %d fail \n", "init_joystick_key", __LINE__);
        return -1;
    }
    joy_thread_started = true;
    return 0;
}

void deint_joystick_key(void)
{
    printf("--%s %d \n", "deint_joystick_key", __LINE__);
    if (joy_thread_started) {
        joy_running.store(false, std::memory_order_relaxed);
        pthread_join(joy_thread, nullptr);
        joy_thread_started = false;
    }
    if (global_attr.local_pads > 0)
        close_adc_bnt_input();
    for (int i = 0; i < MAX_PLAYERS; i++)
        set_entry(i, nullptr);
    pad_count.store(0, std::memory_order_relaxed);
}

bool joystick_quit_requested(void)
{
    return localpad0.key_state.load(std::memory_order_acquire) == PAD_QUIT_REQUEST ||
           quit_word.load(std::memory_order_relaxed) == PAD_QUIT_REQUEST;
}

bool player_present(int player)
{
    return player >= 1 && player <= MAX_PLAYERS && entry(player - 1) != nullptr;
}

int joystick_pad_count(void)
{
    return pad_count.load(std::memory_order_relaxed);
}

uint32_t get_player_keys(int player)
{
    if (player < 1 || player > MAX_PLAYERS)
        return 0;
    JoyDevice *dev = entry(player - 1);
    return dev ? dev->key_state.load(std::memory_order_acquire) : 0;
}

uint32_t get_player1_key(void) { return get_player_keys(1); }
uint32_t get_player2_key(void) { return get_player_keys(2); }
uint32_t get_player3_key(void) { return get_player_keys(3); }
uint32_t get_player4_key(void) { return get_player_keys(4); }
uint32_t get_player5_key(void) { return get_player_keys(5); }
uint32_t get_player6_key(void) { return get_player_keys(6); }

void set_localkeyRep(void)
{
    int v1 = find_entry(&localpad0);
    int v2 = find_entry(&localpad1);
    if (v1 < MAX_PLAYERS && v2 < MAX_PLAYERS)
        return;
    if (v2 < MAX_PLAYERS) {
        // Only the second pad is seated: the built-in keypad takes its place.
        set_entry(v2, &localpad0);
        printf("--%s: 111 localpad0 as %d player \n", "set_localkeyRep", v2 + 1);
        seat_local(&localpad1, 1, v1, v2);
    } else if (v1 < MAX_PLAYERS) {
        seat_local(&localpad1, 1, v1, v2);
    } else {
        seat_local(&localpad0, 0, v1, v2);
        seat_local(&localpad1, 1, v1, v2);
    }
}

void clr_localkeyRep(void)
{
    int i = 0;
    for (; i < MAX_PLAYERS; i++) {
        if (entry(i) == &localpad0) {
            set_entry(i, nullptr);
            printf("---%s: clr localpad%d (old as %d player)\n", "clr_localkeyRep", 0, i + 1);
            i++;
            break;
        }
    }
    for (; i < MAX_PLAYERS; i++) {
        if (entry(i) == &localpad1) {
            set_entry(i, nullptr);
            printf("---%s: clr localpad%d (old as %d player)\n", "clr_localkeyRep", 1, i + 1);
            break;
        }
    }
}
