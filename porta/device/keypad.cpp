// The built-in keypad and the power key: device discovery, the key input
// thread, the keypad map and its sealed file, and the desktop keyboard.

#include "porta/device/keypad.h"

#include "common/devroot.h"
#include "common/endian.h"
#include "porta/base/sealed.h"
#include "porta/base/timers.h"
#include "porta/base/worker_thread.h"
#include "porta/device/keycodes.h"

#include <SDL/SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

const uint32_t localpad_bits[LOCALPAD_KEYS] = {
    PAD_UP,     PAD_DOWN, PAD_LEFT, PAD_RIGHT, PAD_A,  PAD_B,    PAD_X,     PAD_Y,       PAD_START,
    PAD_SELECT, PAD_L1,   PAD_R1,   PAD_L2,    PAD_R2, PAD_MENU, PAD_VOLUP, PAD_VOLDOWN,
};

const int16_t localpad_default_codes[LOCALPAD_KEYS] = {
    90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 103, 104, 108, 109,
};

std::atomic<int16_t> keypad_codes[LOCALPAD_KEYS];

constexpr const char KEYPAD_DEVICE_NAME[] = "gpio-keys-polled";
constexpr const char POWER_KEY_DEVICE[] = "/dev/input/event0";
constexpr int KEYPAD_MAX_PROBED = 6;
// A record only the window pipe carries: the window was closed.
constexpr int WINDOW_QUIT_TYPE = 0x7FFF;

#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer builds only: the power key's hold timer runs on SDL's timer
// thread, whose locking lives inside the uninstrumented SDL library and is
// invisible to the sanitizer.
extern "C" const char *__tsan_default_suppressions()
{
    return "race:libSDL-1.2.so\n";
}
#endif

namespace {

uint32_t pack_event(int code, int value)
{
    return static_cast<uint32_t>(static_cast<uint16_t>(code)) |
           (static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(value))) << 16);
}

// The keypad thread, what it writes (the keypad's state and its last raw
// event), the devices it reads, where it publishes the mask (the built-in
// keypad's key_state) and what the power key and the sleep state mean to the
// launcher. The main thread fills it in and clears the state before the
// thread starts; the keypad thread closes a device that hangs up.
struct KeypadThread {
    WorkerThread worker;
    KeypadState keypad;
    // The last raw key event as one word, so that a reader never pairs the
    // code of one event with the value of another: code in the low 16 bits,
    // value (cut to 16 bits) in the high ones.
    std::atomic<uint32_t> last_event{0};
    int keypad_fd = -1;
    int power_fd = -1;
    std::atomic<uint32_t> *published = nullptr;
    std::atomic<uint32_t> *published_taps = nullptr;
    std::atomic<void (*)(int)> power_handler{nullptr};
    std::atomic<int (*)(void)> asleep_query{nullptr};
};
KeypadThread keypad_thread;

// Window keys waiting to be handed to the keypad thread. A release is held
// back until its key has been down for WINDOW_MIN_HOLD_MS, so that a key
// typed faster than the main loop samples the keypad (synthetic input does
// that) is still seen as one press; later events wait behind it, in order.
constexpr int WINDOW_MIN_HOLD_MS = 80;
constexpr int WINDOW_QUEUE = 64;
struct WindowEvent {
    int fd;
    int type;
    int code;
    int value;
    uint32_t due;
};

// Desktop window: the keyboard's events enter the keypad thread through the
// pipes `keys` and `power` ([0] read by the keypad thread, [1] written by the
// main thread); the rest is the main thread's alone.
struct DesktopWindow {
    int keys[2] = {-1, -1};
    int power[2] = {-1, -1};
    bool events_on = false;
    WindowEvent queue[WINDOW_QUEUE];
    int queued = 0;
    uint32_t pressed_at[KEYPAD_WINDOW_POWER + 1];
};
DesktopWindow desktop;

int16_t relaxed_code(int i)
{
    return keypad_codes[i].load(std::memory_order_relaxed);
}

// Opens an input node. A FIFO standing in for a device on a development host
// is opened read-write so that it never reports end of file.
int open_input_node(const char *device_path)
{
    struct stat st;
    int flags = O_RDONLY;
    if (dev_stat(device_path, &st) == 0 && S_ISFIFO(st.st_mode))
        flags = O_RDWR;
    return dev_open(device_path, flags | O_CLOEXEC);
}

// The device name of an input node: EVIOCGNAME, or, when the node is no real
// input device (a FIFO, or an emulator without the ioctl), the name file that
// Linux keeps for it under /sys/class/input.
bool input_node_name(int fd, const char *node, char *name, size_t size)
{
    memset(name, 0, size);
    if (ioctl(fd, EVIOCGNAME(size - 1), name) >= 0)
        return true;
    std::string sys = std::string("/sys/class/input/") + node + "/device/name";
    FILE *f = dev_fopen(sys.c_str(), "r");
    if (!f)
        return false;
    bool ok = fgets(name, static_cast<int>(size), f) != nullptr;
    fclose(f);
    name[strcspn(name, "\r\n")] = '\0';
    return ok;
}

// The first event node named "gpio-keys-polled", in directory order, opening
// at most 6 nodes. Returns its descriptor or -1.
int find_keypad_device(void)
{
    DIR *dir = dev_opendir("/dev/input");
    if (!dir)
        return -1;
    int found = -1;
    int probed = 0;
    struct dirent *e;
    while (found < 0 && probed < KEYPAD_MAX_PROBED && (e = readdir(dir)) != nullptr) {
        if (strncmp(e->d_name, "event", 5) != 0)
            continue;
        std::string path = std::string("/dev/input/") + e->d_name;
        int fd = open_input_node(path.c_str());
        if (fd < 0)
            continue;
        probed++;
        char name[128];
        if (input_node_name(fd, e->d_name, name, sizeof name) && strcmp(name, KEYPAD_DEVICE_NAME) == 0)
            found = fd;
        else
            close(fd);
    }
    closedir(dir);
    return found;
}

void close_fd(int *fd)
{
    if (*fd >= 0) {
        close(*fd);
        *fd = -1;
    }
}

void close_window_pipes(void)
{
    close_fd(&desktop.keys[0]);
    close_fd(&desktop.keys[1]);
    close_fd(&desktop.power[0]);
    close_fd(&desktop.power[1]);
}

bool open_pipe(int fds[2])
{
    if (pipe2(fds, O_CLOEXEC) != 0) {
        fds[0] = fds[1] = -1;
        return false;
    }
    // The main thread never waits on a full pipe.
    fcntl(fds[1], F_SETFL, fcntl(fds[1], F_GETFL) | O_NONBLOCK);
    return true;
}

// A desktop window supplies keyboard events when SDL draws into an X11 window.
bool window_keyboard_available(void)
{
    char driver[32];
    return SDL_WasInit(SDL_INIT_VIDEO) && SDL_VideoDriverName(driver, sizeof driver) && strcmp(driver, "x11") == 0;
}

// The Menu-click flag is written before the mask; the release store lets a
// reader that sees the mask (with acquire) also see its click.
void publish_mask(uint32_t mask)
{
    if (keypad_thread.published)
        publish_pad_keys(keypad_thread.published, keypad_thread.published_taps, mask);
}

bool screen_is_asleep(void)
{
    int (*q)(void) = keypad_thread.asleep_query.load(std::memory_order_acquire);
    return q && q() != 0;
}

// One event of the power key (its code is not examined): a press starts the
// 2-second hold; the launcher's handler sees presses and releases.
void power_event(const struct input_event &ev)
{
    if (ev.type != EV_KEY)
        return;
    if (ev.value == 1)
        power_hold_start();
    else if (ev.value == 0)
        power_hold_cancel();
    else
        return;
    void (*h)(int) = keypad_thread.power_handler.load(std::memory_order_acquire);
    if (h)
        h(ev.value);
}

void keypad_event(const struct input_event &ev)
{
    if (ev.type != EV_KEY)
        return;
    const int value = ev.value > 0x7FFF ? 0x7FFF : ev.value < -0x8000 ? -0x8000 : ev.value;
    keypad_thread.last_event.store(pack_event(ev.code, value), std::memory_order_release);
    if (ev.value != 0 && ev.value != 1)
        return;
    uint32_t mask = keypad_apply_key(&keypad_thread.keypad, ev.code, ev.value, screen_is_asleep());
    publish_mask(mask);
}

// Reads one whole event record; false on a failed or short read.
bool read_event(int fd, struct input_event *ev)
{
    ssize_t n;
    do {
        n = read(fd, ev, sizeof *ev);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof *ev);
}

void *keypad_thread_main(void *)
{
    enum { SRC_KEYPAD, SRC_POWER, SRC_WIN_KEYS, SRC_WIN_POWER };
    while (worker_running(keypad_thread.worker)) {
        struct pollfd fds[4];
        int kind[4];
        int n = 0;
        const int sources[4] = {keypad_thread.keypad_fd, keypad_thread.power_fd, desktop.keys[0], desktop.power[0]};
        for (int s = 0; s < 4; s++) {
            if (sources[s] < 0)
                continue;
            fds[n].fd = sources[s];
            fds[n].events = POLLIN;
            fds[n].revents = 0;
            kind[n] = s;
            n++;
        }
        if (n == 0) {
            printf("--<%s>-- not find event\n", "read_adc2key_thread");
            break;
        }
        int ret = poll(fds, (nfds_t)n, 300);
        if (ret < 0) {
            printf("<%s> ctrl+c is pressed ret=%d\n", "read_adc2key_thread", ret);
            publish_mask(PAD_QUIT_REQUEST);
            keypad_thread.worker.running.store(false, std::memory_order_relaxed);
            break;
        }
        if (ret == 0)
            continue;
        for (int i = 0; i < n; i++) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            struct input_event ev;
            bool power = kind[i] == SRC_POWER || kind[i] == SRC_WIN_POWER;
            if (!read_event(fds[i].fd, &ev)) {
                printf("%s", power ? "read powerkey error " : "read keypad error ");
                if (fds[i].revents & (POLLHUP | POLLERR)) {
                    // A source that went away is dropped instead of spinning.
                    if (kind[i] == SRC_KEYPAD)
                        close_fd(&keypad_thread.keypad_fd);
                    else if (kind[i] == SRC_POWER)
                        close_fd(&keypad_thread.power_fd);
                }
                continue;
            }
            if (kind[i] == SRC_WIN_KEYS && ev.type == WINDOW_QUIT_TYPE) {
                publish_mask(PAD_QUIT_REQUEST);
                continue;
            }
            if (power)
                power_event(ev);
            else
                keypad_event(ev);
        }
    }
    return nullptr;
}

bool write_window_event(int fd, int type, int code, int value)
{
    if (fd < 0)
        return false;
    struct input_event ev;
    memset(&ev, 0, sizeof ev);
    gettimeofday(&ev.time, nullptr);
    ev.type = static_cast<uint16_t>(type);
    ev.code = static_cast<uint16_t>(code);
    ev.value = value;
    return write(fd, &ev, sizeof ev) == static_cast<ssize_t>(sizeof ev);
}

} // namespace

int pad_to_keycode(uint32_t mask)
{
    static const struct {
        uint32_t bit;
        int key;
    } order[] = {
        {PAD_UP, KEYCODE_UP},       {PAD_DOWN, KEYCODE_DOWN},     {PAD_LEFT, KEYCODE_LEFT}, {PAD_RIGHT, KEYCODE_RIGHT},
        {PAD_A, KEYCODE_A},         {PAD_B, KEYCODE_B},           {PAD_X, KEYCODE_X},       {PAD_Y, KEYCODE_Y},
        {PAD_START, KEYCODE_START}, {PAD_SELECT, KEYCODE_SELECT}, {PAD_MENU, KEYCODE_MENU}, {PAD_L1, KEYCODE_L},
        {PAD_R1, KEYCODE_R},        {PAD_L2, KEYCODE_L},          {PAD_R2, KEYCODE_R},
    };
    for (const auto &o : order)
        if (mask & o.bit)
            return o.key;
    return 0;
}

uint32_t keypad_apply_key(KeypadState *st, int code, int value, bool asleep)
{
    if (value != 0 && value != 1)
        return st->mask;
    const bool press = value == 1;
    uint32_t m = st->mask;
    for (int i = 0; i <= LPAD_R2; i++) {
        if (relaxed_code(i) != code)
            continue;
        m = press ? (m | localpad_bits[i]) : (m & ~localpad_bits[i]);
    }
    // Opposite directions: the one pressed last wins.
    if ((m & PAD_LEFT) && (m & PAD_RIGHT))
        m &= code == relaxed_code(LPAD_LEFT) ? ~static_cast<uint32_t>(PAD_RIGHT) : ~static_cast<uint32_t>(PAD_LEFT);
    if ((m & PAD_UP) && (m & PAD_DOWN))
        m &= code == relaxed_code(LPAD_UP) ? ~static_cast<uint32_t>(PAD_DOWN) : ~static_cast<uint32_t>(PAD_UP);
    if (code == relaxed_code(LPAD_MENU))
        m = press ? (m | PAD_MENU) : (m & ~static_cast<uint32_t>(PAD_MENU));
    for (int i = LPAD_VOLUP; i <= LPAD_VOLDOWN; i++) {
        if (relaxed_code(i) != code)
            continue;
        m = press ? (m | localpad_bits[i]) : (m & ~localpad_bits[i]);
        st->volume_key.store(press ? 1 : 0, std::memory_order_relaxed);
    }
    st->mask = m;

    // The Menu click. The main thread may clear the flag meanwhile, so the
    // change is made on the value it holds now.
    const bool menu_held = (m & PAD_MENU) != 0;
    const int vol = st->volume_key.load(std::memory_order_relaxed);
    int old = st->menu_click.load(std::memory_order_relaxed);
    for (;;) {
        int next = old;
        if (menu_held) {
            if (old != MENU_CLICK_COMBO)
                next = MENU_CLICK_HELD;
            if (vol == 1)
                next = MENU_CLICK_COMBO;
        } else if (old == MENU_CLICK_HELD) {
            next = asleep ? MENU_CLICK_IDLE : MENU_CLICK_CLICKED;
        } else if (old == MENU_CLICK_COMBO) {
            next = MENU_CLICK_IDLE;
        }
        if (next == old || st->menu_click.compare_exchange_weak(old, next, std::memory_order_acq_rel))
            break;
    }
    return m;
}

int load_keypad_map(void)
{
    int16_t codes[LOCALPAD_KEYS];
    bool ok = false;
    if (crc_check_file(LOCALPAD_MAP_FILE) == 0) {
        FILE *f = dev_fopen(LOCALPAD_MAP_FILE, "rb");
        if (!f) {
            printf("--%s: fopen %s fail \n", "readglobalkeypad", LOCALPAD_MAP_FILE);
        } else {
            uint8_t raw[LOCALPAD_MAP_BYTES];
            if (fread(raw, 1, sizeof raw, f) == sizeof raw) {
                get_le16s_array(raw, codes, LOCALPAD_KEYS);
                ok = true;
            }
            fclose(f);
        }
    }
    if (!ok) {
        printf("--%s: local pad use deflt \n", "open_adc_bnt_input");
        reset_keypad_map_to_defaults();
        return -1;
    }
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        keypad_codes[i].store(codes[i], std::memory_order_relaxed);
    return 0;
}

void reset_keypad_map_to_defaults(void)
{
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        keypad_codes[i].store(localpad_default_codes[i], std::memory_order_relaxed);
}

int save_keypad_map(void)
{
    uint8_t raw[LOCALPAD_MAP_BYTES];
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        put_le16s(raw + 2 * i, relaxed_code(i));
    if (crc_seal_write(LOCALPAD_MAP_FILE, raw, sizeof raw) != 0) {
        printf("---%s: fopen %s fail \n", "Savelocalkeypad", LOCALPAD_MAP_FILE);
        return -1;
    }
    return 0;
}

void keypad_set_handlers(void (*power_key)(int value), int (*asleep)(void))
{
    keypad_thread.power_handler.store(power_key, std::memory_order_release);
    keypad_thread.asleep_query.store(asleep, std::memory_order_release);
}

int start_keypad(std::atomic<uint32_t> *key_state, std::atomic<uint32_t> *key_taps)
{
    if (keypad_thread.worker.started)
        stop_keypad();
    keypad_thread.published = key_state;
    keypad_thread.published_taps = key_taps;
    if (key_taps)
        key_taps->store(0, std::memory_order_relaxed);
    keypad_thread.keypad.mask = 0;
    keypad_thread.keypad.menu_click.store(0, std::memory_order_relaxed);
    keypad_thread.keypad.volume_key.store(0, std::memory_order_relaxed);
    keypad_thread.last_event.store(0, std::memory_order_relaxed);
    publish_mask(0);
    load_keypad_map();

    // In a desktop window the keyboard stands in for missing devices.
    const bool window = window_keyboard_available();
    if (window && (!open_pipe(desktop.keys) || !open_pipe(desktop.power)))
        close_window_pipes();

    keypad_thread.keypad_fd = find_keypad_device();
    if (keypad_thread.keypad_fd < 0 && desktop.keys[0] < 0) {
        printf("Open %s error\n", "/dev/input/event1");
        return -1;
    }
    // Without the power key's node only the power key is lost: the keypad
    // goes on.
    keypad_thread.power_fd = open_input_node(POWER_KEY_DEVICE);
    if (keypad_thread.power_fd < 0 && desktop.power[0] < 0)
        printf("Open %s error\n", POWER_KEY_DEVICE);
    desktop.events_on = false;
    desktop.queued = 0;

    if (!start_worker_thread(&keypad_thread.worker, keypad_thread_main)) {
        close_fd(&keypad_thread.keypad_fd);
        close_fd(&keypad_thread.power_fd);
        close_window_pipes();
        return -1;
    }
    return 0;
}

void stop_keypad(void)
{
    stop_worker_thread(&keypad_thread.worker);
    close_fd(&keypad_thread.keypad_fd);
    close_fd(&keypad_thread.power_fd);
    close_window_pipes();
    power_hold_cancel();
}

int keypad_menu_click(void)
{
    return keypad_thread.keypad.menu_click.load(std::memory_order_acquire);
}

void keypad_clear_menu_click(void)
{
    keypad_thread.keypad.menu_click.store(MENU_CLICK_IDLE, std::memory_order_release);
}

int keypad_volume_key(void)
{
    return keypad_thread.keypad.volume_key.load(std::memory_order_relaxed);
}

uint32_t keypad_mask(void)
{
    return keypad_thread.published ? keypad_thread.published->load(std::memory_order_acquire) : 0;
}

void keypad_last_event(int *code, int *value)
{
    const uint32_t w = keypad_thread.last_event.load(std::memory_order_acquire);
    if (code)
        *code = static_cast<int>(w & 0xFFFF);
    if (value)
        *value = static_cast<int>(static_cast<int16_t>(static_cast<uint16_t>(w >> 16)));
}

int keypad_last_code(void)
{
    int code = 0;
    keypad_last_event(&code, nullptr);
    return code;
}

int keypad_last_value(void)
{
    int value = 0;
    keypad_last_event(nullptr, &value);
    return value;
}

int keypad_window_code(int sym)
{
    switch (sym) {
    case SDLK_UP: return localpad_default_codes[LPAD_UP];
    case SDLK_DOWN: return localpad_default_codes[LPAD_DOWN];
    case SDLK_LEFT: return localpad_default_codes[LPAD_LEFT];
    case SDLK_RIGHT: return localpad_default_codes[LPAD_RIGHT];
    case SDLK_x: return localpad_default_codes[LPAD_A];
    case SDLK_z: return localpad_default_codes[LPAD_B];
    case SDLK_s: return localpad_default_codes[LPAD_X];
    case SDLK_a: return localpad_default_codes[LPAD_Y];
    case SDLK_RETURN: return localpad_default_codes[LPAD_START];
    case SDLK_RSHIFT: return localpad_default_codes[LPAD_SELECT];
    case SDLK_q: return localpad_default_codes[LPAD_L1];
    case SDLK_w: return localpad_default_codes[LPAD_R1];
    case SDLK_1: return localpad_default_codes[LPAD_L2];
    case SDLK_2: return localpad_default_codes[LPAD_R2];
    case SDLK_ESCAPE: return localpad_default_codes[LPAD_MENU];
    case SDLK_EQUALS:
    case SDLK_PLUS:
    case SDLK_KP_PLUS: return localpad_default_codes[LPAD_VOLUP];
    case SDLK_MINUS:
    case SDLK_KP_MINUS: return localpad_default_codes[LPAD_VOLDOWN];
    case SDLK_p: return KEYPAD_WINDOW_POWER;
    default: return -1;
    }
}

namespace {

void window_queue_add(int fd, int type, int code, int value, uint32_t due)
{
    if (desktop.queued > 0 && desktop.queue[desktop.queued - 1].due > due)
        due = desktop.queue[desktop.queued - 1].due;
    if (desktop.queued == WINDOW_QUEUE) {
        // Never lose a release: hand the oldest event over now.
        write_window_event(desktop.queue[0].fd, desktop.queue[0].type, desktop.queue[0].code, desktop.queue[0].value);
        memmove(desktop.queue, desktop.queue + 1, sizeof desktop.queue[0] * (WINDOW_QUEUE - 1));
        desktop.queued--;
    }
    desktop.queue[desktop.queued++] = {fd, type, code, value, due};
}

void window_queue_flush(uint32_t now)
{
    int sent = 0;
    while (sent < desktop.queued && static_cast<int32_t>(now - desktop.queue[sent].due) >= 0) {
        const WindowEvent &e = desktop.queue[sent];
        write_window_event(e.fd, e.type, e.code, e.value);
        sent++;
    }
    if (sent > 0) {
        memmove(desktop.queue, desktop.queue + sent,
                sizeof desktop.queue[0] * static_cast<size_t>(desktop.queued - sent));
        desktop.queued -= sent;
    }
}

} // namespace

void keypad_window_pump(void)
{
    if (desktop.keys[1] < 0)
        return;
    if (!desktop.events_on) {
        // The launcher ignores SDL key events on the device; a window's
        // keyboard is its keypad here.
        SDL_EventState(SDL_KEYDOWN, SDL_ENABLE);
        SDL_EventState(SDL_KEYUP, SDL_ENABLE);
        SDL_EventState(SDL_QUIT, SDL_ENABLE);
        desktop.events_on = true;
    }
    const uint32_t now = SDL_GetTicks();
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_QUIT) {
            window_queue_add(desktop.keys[1], WINDOW_QUIT_TYPE, 0, 0, now);
            continue;
        }
        if (e.type != SDL_KEYDOWN && e.type != SDL_KEYUP)
            continue;
        int code = keypad_window_code(e.key.keysym.sym);
        if (code < 0)
            continue;
        int fd = code == KEYPAD_WINDOW_POWER ? desktop.power[1] : desktop.keys[1];
        if (e.type == SDL_KEYDOWN) {
            desktop.pressed_at[code] = now;
            window_queue_add(fd, EV_KEY, code, 1, now);
        } else {
            window_queue_add(fd, EV_KEY, code, 0, desktop.pressed_at[code] + WINDOW_MIN_HOLD_MS);
        }
    }
    window_queue_flush(now);
}
