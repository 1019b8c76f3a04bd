// Controller support: the four USB slots, player_table, the local pads, the
// player getters, and the controller thread `controller_thread` that finds
// pads as they are plugged in and out, reads their events and seats them.

#include "porta/controller/players.h"

#include "porta/controller/joypad_cfg.h"
#include "porta/device/keypad.h"
#include "porta/base/attr.h"
#include "porta/base/worker_thread.h"
#include "common/devroot.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

// Printed texts: the firmware's logs and the tests rely on their exact bytes.
// The numbers are the ones these messages have always carried (once source
// lines), kept as they are.
namespace {
constexpr int ADD_DEVICE_FAILED_LINE = 163;
constexpr int KEYPAD_START_FAILED_LINE = 348;
constexpr int THREAD_START_FAILED_LINE = 358;
constexpr int STOP_LINE = 367;
} // namespace

JoyDevice localpad0;
JoyDevice localpad1;
std::atomic<JoyDevice *> player_table[MAX_PLAYERS];
JoySlot joy_slots[JOY_SLOTS];

namespace {

constexpr int POLL_TIMEOUT_MS = 300;
constexpr int NO_PAD_SLEEP_MS = 500;
constexpr int AFTER_INPUT_SLEEP_MS = 20;

// The controller thread, the pipe that wakes it at once when it is asked to
// stop ([0] polled by the thread, [1] written by the main thread) and the
// words it publishes for the main thread: its quit request, the count of pads
// seated and how often each slot lost its pad.
struct ControllerThread {
    WorkerThread worker;
    int wake_pipe[2] = {-1, -1};
    std::atomic<uint32_t> quit_word{0};
    std::atomic<int> pad_count{0};
    std::atomic<uint32_t> slot_removals[JOY_SLOTS];
};
ControllerThread controller;

JoyDevice *entry(int i)
{
    return player_table[i].load(std::memory_order_relaxed);
}

void set_entry(int i, JoyDevice *dev)
{
    // Keys tapped while the pad had no seat are not a player's presses.
    if (dev && player_table[i].load(std::memory_order_relaxed) != dev)
        dev->key_taps.store(0, std::memory_order_relaxed);
    player_table[i].store(dev, std::memory_order_release);
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

bool slot_used(int s)
{
    return joy_slots[s].jsNode[0] != '\0';
}

int player_of(int s)
{
    return joy_slots[s].player.load(std::memory_order_relaxed);
}

void set_player(int s, int player)
{
    joy_slots[s].player.store(player, std::memory_order_relaxed);
}

// Frees a slot; `was_open` tells whether it held a device (fd and record).
void reset_slot(JoySlot &slot, bool was_open)
{
    if (was_open)
        joy_device_close(&slot.device);
    else
        joy_device_clear(&slot.device);
    memset(slot.jsNode, 0, sizeof slot.jsNode);
    memset(slot.phys, 0, sizeof slot.phys);
    slot.priority = 0;
    slot.interface = 0;
    slot.player.store(0, std::memory_order_relaxed);
}

// Frees slot `s` and counts the removal of the pad it held (the caller holds
// joypad_mutex).
void close_slot_locked(int s)
{
    const bool was_used = slot_used(s);
    reset_slot(joy_slots[s], was_used);
    if (was_used)
        controller.slot_removals[s].fetch_add(1, std::memory_order_release);
}

// A gamepad unplugged: its slot is freed and the count lowered before the
// lock is released, so whoever sees the slot free (joystick_slot_info, under
// the same lock) sees the count without it.
void remove_gamepad(int s)
{
    std::lock_guard<std::mutex> lock(joypad_mutex);
    close_slot_locked(s);
    if (controller.pad_count.load(std::memory_order_relaxed) > 0)
        controller.pad_count.fetch_sub(1, std::memory_order_relaxed);
}

// Waits up to `ms`, returning at once when the thread is asked to stop.
void nap(int ms)
{
    if (!worker_running(controller.worker))
        return;
    if (controller.wake_pipe[0] < 0) {
        for (int waited = 0; waited < ms && worker_running(controller.worker); waited += 20)
            usleep(20 * 1000);
        return;
    }
    struct pollfd p = {controller.wake_pipe[0], POLLIN, 0};
    poll(&p, 1, ms);
}

// The USB path and interface number of a pad from its uevent file:
// PHYS="usb-0000:00:1d.0-1/input1" gives "usb-0000:00:1d.0-1" and 1.
void read_phys(JoySlot &slot)
{
    std::string path = std::string("/sys/class/input/") + slot.jsNode + "/device/uevent";
    FILE *f = dev_fopen(path.c_str(), "r");
    if (!f)
        return;
    char line[256];
    while (fgets(line, sizeof line, f)) {
        line[strcspn(line, "\n")] = '\0';
        if (strncmp(line, "PHYS=", 5) != 0 || strlen(line) <= 6)
            continue;
        char *slash = strchr(line + 6, '/');
        if (!slash)
            continue;
        const bool has_number = strlen(slash) >= 6; // "/input" and what follows
        slot.interface = has_number ? atoi(slash + 6) : 0;
        *slash = '\0';
        line[6 + sizeof slot.phys - 1] = '\0'; // cut to 63 characters
        memcpy(slot.phys, line + 6, strlen(line + 6) + 1);
        break;
    }
    fclose(f);
}

// Opens a new js node in slot `s`.
void add_device(int s, const char *node)
{
    JoySlot &slot = joy_slots[s];
    {
        std::lock_guard<std::mutex> lock(joypad_mutex);
        if (open_gamepad(&slot.device, node) != 0)
            return;
        snprintf(slot.jsNode, sizeof slot.jsNode, "%s", node);
        if (joy_read_name(&slot.device) != 0) {
            printf("%s (%d): ioctl fail,jsNode=%s .... \n", "MaybeAddDevice", ADD_DEVICE_FAILED_LINE, node);
            reset_slot(slot, true);
            return;
        }
        printf("--<%s>--: jsNode=%s,ok <%s>\n", "MaybeAddDevice", node, slot.device.name);
        slot.priority = (strstr(slot.device.name, "USB Gamepad USB Gamepad") ||
                         strstr(slot.device.name, "ShanWan Twin USB Joystick"))
                            ? 1
                            : 0;
        read_phys(slot);
        rebuild_joypad_table_locked(&slot.device);
        // Counted before the lock is released: whoever sees the slot (through
        // joystick_slot_info, under the same lock) sees the count that includes it.
        if (controller.pad_count.load(std::memory_order_relaxed) < JOY_SLOTS)
            controller.pad_count.fetch_add(1, std::memory_order_relaxed);
    }
}

// Adds every js node that no slot holds yet, while slots are free.
void add_gamepad_if_new(void)
{
    DIR *dir = dev_opendir("/dev/input");
    if (!dir)
        return;
    struct dirent *e;
    while ((e = readdir(dir)) != nullptr) {
        const char *name = e->d_name;
        if (strncmp(name, "js", 2) != 0 || strlen(name) >= sizeof joy_slots[0].jsNode)
            continue;
        if (!dev_exists((std::string("/dev/input/") + name).c_str()))
            continue;
        int free_slot = -1;
        bool known = false;
        for (int s = 0; s < JOY_SLOTS; s++) {
            if (slot_used(s) && strcmp(joy_slots[s].jsNode, name) == 0)
                known = true;
            if (!slot_used(s) && free_slot < 0)
                free_slot = s;
        }
        if (known || free_slot < 0)
            continue;
        add_device(free_slot, name);
    }
    closedir(dir);
}

// The pair of a two-pad adapter takes `first` and `first` + 1: the lower
// interface number the first (equal numbers: the sibling).
void seat_pair(int me, int sibling, int first)
{
    bool me_first = joy_slots[me].interface < joy_slots[sibling].interface;
    set_player(me, me_first ? first : first + 1);
    set_player(sibling, me_first ? first + 1 : first);
}

void seat_adapter(int s)
{
    int p1 = -1, p2 = -1, sibling = -1;
    for (int o = 0; o < JOY_SLOTS; o++) {
        if (o == s || !slot_used(o))
            continue;
        if (player_of(o) == 1)
            p1 = o;
        if (player_of(o) == 2)
            p2 = o;
        if (sibling < 0 && strcmp(joy_slots[o].phys, joy_slots[s].phys) == 0)
            sibling = o;
    }
    if (sibling < 0) {
        if (p1 < 0)
            set_player(s, 1);
        else
            give_free_player_number(s);
    } else if (!(p1 >= 0 && p2 >= 0 && strcmp(joy_slots[p1].phys, joy_slots[p2].phys) == 0)) {
        for (int o = 0; o < JOY_SLOTS; o++)
            set_player(o, 0);
        seat_pair(s, sibling, 1);
    } else if (joy_slots[p1].priority == 0) {
        // Another two-interface device holds 1P and 2P: it moves to 4P and 3P.
        set_player(p1, 4);
        set_player(p2, 3);
        seat_pair(s, sibling, 1);
    } else {
        seat_pair(s, sibling, 3);
    }
    // The USB players' entries are made again; local pads return at the next pass.
    for (int i = 0; i < JOY_SLOTS; i++)
        set_entry(i, nullptr);
    for (int o = 0; o < JOY_SLOTS; o++) {
        int p = player_of(o);
        if (slot_used(o) && p >= 1 && p <= JOY_SLOTS)
            set_entry(p - 1, &joy_slots[o].device);
    }
}

void *controller_thread(void *)
{
    pthread_setname_np(pthread_self(), "HandleInputEvnt");
    while (worker_running(controller.worker)) {
        scan_gamepads();
        if (global_attr.local_pads != 0)
            seat_local_pads();

        struct pollfd fds[JOY_SLOTS + 1];
        int slot_of[JOY_SLOTS];
        int n = 0;
        for (int s = 0; s < JOY_SLOTS; s++) {
            if (!slot_used(s) || joy_slots[s].device.fd < 0)
                continue;
            fds[n] = {joy_slots[s].device.fd, POLLIN, 0};
            slot_of[n++] = s;
        }
        if (n == 0) {
            nap(NO_PAD_SLEEP_MS);
            continue;
        }
        int nfds = n;
        if (controller.wake_pipe[0] >= 0)
            fds[nfds++] = {controller.wake_pipe[0], POLLIN, 0};
        int ret = poll(fds, (nfds_t)nfds, POLL_TIMEOUT_MS);
        if (ret < 0) {
            printf("SDL_QUIT key is pressed ret=%d \n", ret);
            controller.worker.running.store(false, std::memory_order_relaxed);
            controller.quit_word.store(PAD_QUIT_REQUEST, std::memory_order_release);
            break;
        }
        if (!worker_running(controller.worker))
            break;
        for (int i = 0; i < n; i++) {
            if (!(fds[i].revents & (POLLIN | POLLERR | POLLHUP)))
                continue;
            const int s = slot_of[i];
            joy_read_events(&joy_slots[s].device);
            joystick_assign_player(s);
            if (player_of(s) != 0)
                printf("--<%s>--: devName=%s,player=%d, priority=%d \n", "HandleInputEvents", joy_slots[s].jsNode,
                       player_of(s), joy_slots[s].priority);
        }
        nap(AFTER_INPUT_SLEEP_MS);
    }
    return nullptr;
}

void close_wake_pipe(void)
{
    for (int &fd : controller.wake_pipe) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

void wake_controller_thread(void)
{
    if (controller.wake_pipe[1] >= 0) {
        char c = 1;
        if (write(controller.wake_pipe[1], &c, 1) < 0) {
            // The pipe is full: the thread is being woken already.
        }
    }
}

void stop_thread(void)
{
    stop_worker_thread(&controller.worker, wake_controller_thread);
}

} // namespace

int start_controllers(void)
{
    printf("%s \n", "init_joystick_key");
    stop_thread();
    for (int s = 0; s < JOY_SLOTS; s++) {
        std::lock_guard<std::mutex> lock(joypad_mutex);
        reset_slot(joy_slots[s], slot_used(s));
    }
    for (int i = 0; i < MAX_PLAYERS; i++)
        set_entry(i, nullptr);
    controller.quit_word.store(0, std::memory_order_relaxed);
    controller.pad_count.store(0, std::memory_order_relaxed);
    if (global_attr.local_pads > 0) {
        if (global_attr.local_pads > 2)
            global_attr.local_pads = 2;
        set_entry(0, &localpad0);
        set_entry(1, &localpad1);
        if (start_keypad(&localpad0.key_state, &localpad0.key_taps) != 0) {
            printf("%s: %d fail \n", "init_joystick_key", KEYPAD_START_FAILED_LINE);
            return -1;
        }
    }
    close_wake_pipe();
    if (pipe2(controller.wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        controller.wake_pipe[0] = controller.wake_pipe[1] = -1; // stops within 20 ms all the same
    if (!start_worker_thread(&controller.worker, controller_thread)) {
        printf("%s: %d fail \n", "init_joystick_key", THREAD_START_FAILED_LINE);
        return -1;
    }
    return 0;
}

void stop_controllers(void)
{
    printf("--%s %d \n", "deint_joystick_key", STOP_LINE);
    stop_thread();
    close_wake_pipe();
    if (global_attr.local_pads > 0)
        stop_keypad();
    for (int s = 0; s < JOY_SLOTS; s++)
        if (slot_used(s))
            joystick_close_slot(s);
    for (int i = 0; i < MAX_PLAYERS; i++)
        set_entry(i, nullptr);
    controller.pad_count.store(0, std::memory_order_relaxed);
}

bool joystick_quit_requested(void)
{
    return localpad0.key_state.load(std::memory_order_acquire) == PAD_QUIT_REQUEST ||
           controller.quit_word.load(std::memory_order_acquire) == PAD_QUIT_REQUEST;
}

bool player_present(int player)
{
    return player >= 1 && player <= MAX_PLAYERS && player_table[player - 1].load(std::memory_order_acquire);
}

int joystick_pad_count(void)
{
    return controller.pad_count.load(std::memory_order_relaxed);
}

uint32_t get_player_keys(int player)
{
    if (player < 1 || player > MAX_PLAYERS)
        return 0;
    JoyDevice *dev = player_table[player - 1].load(std::memory_order_acquire);
    if (!dev)
        return 0;
    // The held keys, and those pressed and released since the last call.
    const uint32_t held = dev->key_state.load(std::memory_order_acquire);
    return held | dev->key_taps.exchange(0, std::memory_order_acq_rel);
}

uint32_t get_player1_key(void)
{
    return get_player_keys(1);
}
uint32_t get_player2_key(void)
{
    return get_player_keys(2);
}
uint32_t get_player3_key(void)
{
    return get_player_keys(3);
}

void seat_local_pads(void)
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

void unseat_local_pads(void)
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

void scan_gamepads(void)
{
    for (int s = 0; s < JOY_SLOTS; s++) {
        JoySlot &slot = joy_slots[s];
        if (!slot_used(s) || slot.device.fd < 0 || gamepad_online(&slot.device))
            continue;
        const int player = player_of(s);
        printf("%s: remove %s,player=%d \n", "My_JoystickDetect", slot.jsNode, player);
        if (player >= 1 && player <= MAX_PLAYERS) {
            if (entry(player - 1) == &slot.device)
                set_entry(player - 1, nullptr);
            if (global_attr.local_pads != 0)
                unseat_local_pads();
        }
        remove_gamepad(s);
    }
    add_gamepad_if_new();
}

void give_free_player_number(int s)
{
    bool held[JOY_SLOTS + 1] = {false, false, false, false, false};
    for (int o = 0; o < JOY_SLOTS; o++) {
        int p = player_of(o);
        if (slot_used(o) && p >= 1 && p <= JOY_SLOTS)
            held[p] = true;
    }
    for (int p = 1; p <= JOY_SLOTS; p++) {
        if (!held[p]) {
            set_player(s, p);
            return;
        }
    }
    printf("---%s: err,index=%d \n", "SetDevicePlayer", s);
}

void joystick_assign_player(int s)
{
    JoySlot &slot = joy_slots[s];
    if (!slot_used(s) || player_of(s) != 0)
        return;
    if (global_attr.joy_pairing == 1 && slot.priority == 1) {
        seat_adapter(s);
    } else if (slot.device.key_state.load(std::memory_order_relaxed) != 0) {
        give_free_player_number(s);
        int p = player_of(s);
        if (p >= 1 && p <= JOY_SLOTS)
            set_entry(p - 1, &slot.device);
    }
}

void joystick_close_slot(int s)
{
    if (s < 0 || s >= JOY_SLOTS)
        return;
    std::lock_guard<std::mutex> lock(joypad_mutex);
    close_slot_locked(s);
}

int joystick_slot_info(int slot, JoySlotInfo *out)
{
    if (slot < 0 || slot >= JOY_SLOTS)
        return -1;
    std::lock_guard<std::mutex> lock(joypad_mutex);
    if (!slot_used(slot))
        return -1;
    memcpy(out->jsNode, joy_slots[slot].jsNode, sizeof out->jsNode);
    memcpy(out->name, joy_slots[slot].device.name, sizeof out->name);
    out->player = player_of(slot);
    out->removals = controller.slot_removals[slot].load(std::memory_order_acquire);
    return 0;
}

JoyDevice *joystick_slot_device(int slot)
{
    return slot >= 0 && slot < JOY_SLOTS ? &joy_slots[slot].device : nullptr;
}

uint32_t joystick_slot_removals(int slot)
{
    return slot >= 0 && slot < JOY_SLOTS ? controller.slot_removals[slot].load(std::memory_order_acquire) : 0;
}

namespace {

// The slot still holds the pad chosen when its removal count was `removals`
// (the caller holds joypad_mutex).
bool still_chosen(int slot, uint32_t removals)
{
    return slot >= 0 && slot < JOY_SLOTS && slot_used(slot) &&
           controller.slot_removals[slot].load(std::memory_order_relaxed) == removals;
}

} // namespace

int joystick_pad_table_get(int slot, uint32_t removals, JoyConvEntry out[JOY_CONV_SLOTS])
{
    std::lock_guard<std::mutex> lock(joypad_mutex);
    if (!still_chosen(slot, removals))
        return -1;
    memcpy(out, joy_slots[slot].device.conv, sizeof joy_slots[slot].device.conv);
    return 0;
}

int joystick_pad_table_set(int slot, uint32_t removals, const JoyConvEntry in[JOY_CONV_SLOTS])
{
    std::lock_guard<std::mutex> lock(joypad_mutex);
    if (!still_chosen(slot, removals))
        return -1;
    memcpy(joy_slots[slot].device.conv, in, sizeof joy_slots[slot].device.conv);
    return 0;
}

int joystick_pad_save(int slot, uint32_t removals, const JoyConvEntry table[JOY_CONV_SLOTS])
{
    std::lock_guard<std::mutex> lock(joypad_mutex);
    if (!still_chosen(slot, removals))
        return -1;
    return save_joypad_file_locked(&joy_slots[slot].device, table);
}

int joystick_pad_restore_defaults(int slot, uint32_t removals)
{
    std::lock_guard<std::mutex> lock(joypad_mutex);
    if (!still_chosen(slot, removals))
        return -1;
    return restore_joypad_defaults_locked(&joy_slots[slot].device);
}
