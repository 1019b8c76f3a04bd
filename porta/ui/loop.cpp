#include "porta/ui/loop.h"

#include "common/devroot.h"
#include "porta/base/attr.h"
#include "porta/base/timers.h"
#include "porta/controller/players.h"
#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/battery.h"
#include "porta/device/keypad.h"
#include "porta/device/keysound.h"
#include "porta/device/pcm.h"
#include "porta/device/storage.h"
#include "porta/ui/factory_threads.h"
#include "porta/ui/iotest.h"
#include "porta/library/browse.h"
#include "porta/ui/chrome.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/joymap.h"
#include "porta/ui/keymap.h"
#include "porta/ui/library_screens.h"
#include "porta/ui/cardswap.h"
#include "porta/ui/preview.h"
#include "porta/ui/screens.h"
#include "porta/ui/settings.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

// Console messages. The firmware's logs and the tests rely on their bytes:
// keep them exactly as they are, the function names inside them included.
constexpr char MSG_QUIT[] = "Loop_listend: quit \n";
constexpr char MSG_OUTPUT_STATE[] = "----Loop_listend:  state = %d \n";
constexpr char MSG_TIMER_POWEROFF[] = "++++ timer to poweroff ";
constexpr char MSG_TIMER_SLEEP[] = "++++ timer to sleep ";
constexpr char MSG_CAUGHT_SIGNAL[] = "Caught signal %d\n";
constexpr char MSG_SIGNAL_DONE[] = "--my_handler 1665 \n";

std::atomic<int> loop_running{0};
std::atomic<int> shutdown_type{SHUTDOWN_EXIT};
std::atomic<int> sleep_state{AWAKE};
std::atomic<int> screen_asleep{0};
std::atomic<int> fast_repeat{0};
std::atomic<uint32_t> last_key_time{0};

namespace {

// Set by every stop request, also one made before the loop starts (the power
// key held during start-up): the loop then does not start.
std::atomic<int> stop_requested{0};
std::atomic<int> redraw_flag{1};
// 1 while a short press of the power key waits for the main thread to toggle
// sleep. Each press flips it: two presses before the main thread looks cancel
// out, as a sleep and a wake one after the other would.
std::atomic<int> sleep_toggle_pending{0};

uint32_t hook_now(void)
{
    return SDL_GetTicks();
}

void hook_delay(uint32_t ms)
{
    SDL_Delay(ms);
}

void hook_exit(int status)
{
    exit(status);
}

time_t hook_wall(void)
{
    return time(nullptr);
}

volatile sig_atomic_t sigint_signal = 0;

// The loop's own state between passes; a fresh record is the state of a
// loop about to start.
struct LoopPassState {
    uint32_t prev_mask[4] = {};
    // Keys pressed while a screen ran its own frame loop: left out of the
    // players' masks until they are released.
    uint32_t swallowed[4] = {};
    uint32_t repeat_mask = 0;
    uint32_t repeat_delay = REPEAT_DELAY_MS;
    int repeat_count = 0;
    int repeat_armed = 0;
    uint32_t repeat_deadline = 0;
    uint32_t next_check = 0;
    uint32_t last_frame_end = 0;
    int tf_seen = 0;
    int power_off_done = 0;
} lp;

// What the last frame presented showed, to tell whether the next one would
// differ.
struct {
    int skipping;
    int drawn; // a frame was drawn since the reset
    int screen;
    int output;
    int asleep;
    long minute;   // wall-clock minute (seconds / 60) of its clock
    int scroll_on; // the marquee's timer had fired
    int marquees;  // texts in it that scroll once the timer fired
    uint32_t presented;
} fr;

void frames_reset(void)
{
    fr.skipping = 1;
    fr.drawn = 0;
    fr.screen = -1;
    fr.output = -1;
    fr.asleep = 0;
    fr.minute = 0;
    fr.scroll_on = 0;
    fr.marquees = 0;
    fr.presented = 0;
}

// ---- what the lower layers hand up ---------------------------------------

void on_power_hold(void)
{
    stop_loop(SHUTDOWN_POWEROFF);
}

int screen_sleeps(void)
{
    return screen_asleep != 0;
}

// The factory test plays its own sound through the stream: key sounds stay
// quiet while it runs.
int key_sounds_quiet(void)
{
    return fast_repeat != 0 || screen_asleep != 0 || screen == SCREEN_FACTORY_TEST;
}

// ---- key dispatch --------------------------------------------------------

void menu_click_check(void)
{
    if (keypad_menu_click() == MENU_CLICK_CLICKED) {
        keypad_clear_menu_click();
        // The menu and its pictures are prepared; the Menu release itself
        // opens the list at once.
        open_settings();
        screen = SCREEN_SETTINGS;
    }
}

void dispatch_press(int code)
{
    int s = screen;
    if (s < 0 || s >= SCREEN_COUNT)
        return;
    if (s == SCREEN_SETTINGS && keypad_menu_click() == MENU_CLICK_CLICKED)
        keypad_clear_menu_click();
    if (code != 0 && screen_table[s].press)
        screen_table[s].press(code);
}

void dispatch_release(int code)
{
    int s = screen;
    if (s < 0 || s >= SCREEN_COUNT)
        return;
    if (screen_is_library(s)) {
        menu_click_check();
        return;
    }
    if (s == SCREEN_MENU_PENDING) {
        screen = SCREEN_SETTINGS;
        return;
    }
    if (code != 0 && screen_table[s].release)
        screen_table[s].release(code);
}

void reset_repeat(uint32_t mask)
{
    lp.repeat_mask = mask;
    lp.repeat_delay = REPEAT_DELAY_MS;
    lp.repeat_count = 0;
    lp.repeat_armed = 0;
}

void volume_keys(uint32_t mask, uint32_t pressed)
{
    int up = (pressed & PAD_VOLUP) != 0;
    int down = !up && (pressed & PAD_VOLDOWN) != 0;
    if (!up && !down)
        return;
    int delta = up ? 1 : -1;
    if (mask & PAD_MENU) {
        const int b = std::clamp(global_attr.brightness + delta, 0, 4);
        global_attr.brightness = b;
        if (output_device == 0)
            set_backlight(b);
    } else {
        const int v = std::clamp(global_attr.volume + delta, 0, 10);
        global_attr.volume = v;
        set_volume(v);
    }
}

// ---- frames --------------------------------------------------------------

// Whether this pass's frame would differ from the last one presented. On a
// frame it leaves out, a scrolling row's marquee still takes its step, so
// that it moves at the same pace as when every frame is drawn (each drawing
// of it is one step; every tenth step moves it by 10 pixels).
int frame_needed(void)
{
    const int s = screen;
    if (!fr.skipping || !fr.drawn || output_device != fr.output || (screen_asleep ? 1 : 0) != fr.asleep)
        return 1;
    if (screen_asleep)
        return 0; // the black screen is up already
    int need = redraw_flag.load() || s != fr.screen || static_cast<long>(loop_hooks.wall() / 60) != fr.minute;
    if (fr.marquees > 0) {
        const int on = text_scroll.on.load();
        if (on != fr.scroll_on) {
            need = 1;
        } else if (on) {
            const int step = text_scroll.step.load();
            if (step + fr.marquees > 9)
                need = 1; // it moves in this frame
            else if (!need)
                text_scroll.step.store(step + fr.marquees);
        }
    }
    return need;
}

// A screen's own frame loop (the factory test, a mapping sequence), when it
// has one to run now. The keys pressed meanwhile belong to it: what the
// players pressed, released or still hold is dropped (held keys until they
// are released), and so is a Menu click, so that nothing reaches the screen
// that follows. Returns 1 when it ran.
int run_screen_loop(void)
{
    const int s = screen;
    if (screen_asleep || s < 0 || s >= SCREEN_COUNT || !screen_table[s].run || !screen_table[s].run())
        return 0;
    for (int p = 0; p < 4; p++) {
        lp.swallowed[p] = loop_hooks.player_keys(p + 1) & ~PAD_QUIT_REQUEST;
        lp.prev_mask[p] = 0;
    }
    reset_repeat(0);
    keypad_clear_menu_click();
    request_redraw();
    return 1;
}

// At least 25 ms (100 ms asleep) from the end of one pass to the end of the
// next, whether it drew a frame or not.
void pace_frame(void)
{
    uint32_t min = screen_asleep ? FRAME_ASLEEP_MS : FRAME_MS;
    uint32_t elapsed = loop_hooks.now() - lp.last_frame_end;
    if (elapsed < min)
        loop_hooks.delay(min - elapsed);
    lp.last_frame_end = loop_hooks.now();
}

// The keys of one pass: player 1's, else those of the first other player
// with a key held or a change.
struct PassKeys {
    int player; // 0..3
    uint32_t mask;
    uint32_t pressed;
    uint32_t released;
};

enum PassEvent { PASS_NO_EVENT = 0, PASS_PRESS = 1, PASS_RELEASE = 2 };

PassKeys read_pass_keys(void)
{
    uint32_t cur[4];
    for (int p = 0; p < 4; p++) {
        const uint32_t keys = loop_hooks.player_keys(p + 1);
        lp.swallowed[p] &= keys;
        cur[p] = keys & ~lp.swallowed[p];
    }
    int player = 0;
    if (!(cur[0] || (cur[0] ^ lp.prev_mask[0]))) {
        for (int p = 1; p < 4; p++) {
            if (cur[p] || (cur[p] ^ lp.prev_mask[p])) {
                player = p;
                break;
            }
        }
    }
    PassKeys k;
    k.player = player;
    k.mask = cur[player];
    const uint32_t prev = lp.prev_mask[player];
    k.pressed = k.mask & ~prev;
    k.released = prev & ~k.mask;
    for (int p = 0; p < 4; p++)
        lp.prev_mask[p] = cur[p];
    return k;
}

// A quit request ends the loop; otherwise the pass has a press, a release or
// neither.
PassEvent pass_event(const PassKeys &k)
{
    if (joystick_quit_requested() || (k.mask & PAD_QUIT_REQUEST)) {
        fputs(MSG_QUIT, stdout);
        loop_running = 0;
        return PASS_NO_EVENT;
    }
    if (k.pressed)
        return PASS_PRESS;
    if (k.released)
        return PASS_RELEASE;
    return PASS_NO_EVENT;
}

// Up or Down held alone repeats on the games screen: slowly at first, fast
// after REPEAT_SLOW_COUNT repeats.
void repeat_held_key(uint32_t now)
{
    if (!lp.repeat_armed) {
        lp.repeat_deadline = now + lp.repeat_delay;
        lp.repeat_armed = 1;
    }
    if (static_cast<int32_t>(now - lp.repeat_deadline) < 0)
        return;
    if (lp.repeat_count >= REPEAT_SLOW_COUNT) {
        fast_repeat = 1;
        lp.repeat_delay = REPEAT_FAST_MS;
    } else {
        lp.repeat_count++;
    }
    if (screen == SCREEN_GAMES && screen_table[SCREEN_GAMES].press) {
        screen_table[SCREEN_GAMES].press(pad_to_keycode(lp.repeat_mask));
        request_redraw();
    }
    touch_key_time();
    lp.repeat_armed = 0;
}

// The volume keys, the IO test's raw mask, then the press, the release or
// the repeat of this pass (none of them while the screen sleeps).
void handle_pass_keys(const PassKeys &k, PassEvent event, uint32_t now)
{
    if (screen_asleep)
        return;
    if (screen != SCREEN_IO_TEST && sleep_state == AWAKE)
        volume_keys(k.mask, k.pressed);
    if (screen == SCREEN_IO_TEST && screen_table[SCREEN_IO_TEST].raw)
        screen_table[SCREEN_IO_TEST].raw(k.mask, k.player + 1);
    if (event == PASS_PRESS) {
        restart_text_scroll(0);
        fast_repeat = 0;
        dispatch_press(pad_to_keycode(k.pressed));
        touch_key_time();
        reset_repeat(k.pressed);
        request_redraw();
    } else if (event == PASS_RELEASE) {
        restart_text_scroll(1);
        fast_repeat = 0;
        dispatch_release(pad_to_keycode(k.released));
        touch_key_time();
        reset_repeat(0);
        request_redraw();
    } else if (lp.repeat_mask == PAD_UP || lp.repeat_mask == PAD_DOWN) {
        repeat_held_key(now);
    }
}

// Time since the last key. The power-key thread may touch the key time after
// `now` was read: that counts as no idle time, not as a wrapped-around
// eternity.
uint32_t idle_ms(uint32_t now)
{
    const int32_t idle_signed = static_cast<int32_t>(now - last_key_time.load());
    return idle_signed > 0 ? static_cast<uint32_t>(idle_signed) : 0u;
}

// Power off after 30 idle minutes (when the setting asks for it). True when
// the device powers off.
bool power_off_when_idle(uint32_t idle)
{
    if (global_attr.auto_poweroff != 1 || idle <= POWEROFF_IDLE_MS)
        return false;
    loop_running = 0;
    shutdown_type = SHUTDOWN_POWEROFF;
    fputs(MSG_TIMER_POWEROFF, stdout);
    power_off();
    return true;
}

// Screen sleep after the chosen delay; the key time stays, so the power-off
// keeps counting.
void sleep_when_idle(uint32_t idle)
{
    const uint32_t sleep_ms = sleep_delay_ms(global_attr.sleep_time);
    if (sleep_ms && sleep_state == AWAKE && idle > sleep_ms) {
        toggle_sleep(0);
        fputs(MSG_TIMER_SLEEP, stdout);
    }
}

// The TF card and HDMI every 500 ms; a card holding test.ini starts the
// factory test, a new output takes the sound and the backlight with it.
void check_card_and_output(uint32_t now)
{
    if (static_cast<int32_t>(now - lp.next_check) < 0)
        return;
    tf_card_check();
    if (factory_test_wanted())
        screen = SCREEN_FACTORY_TEST;
    const int hdmi = hdmi_state() == 1 ? 1 : 0;
    if (hdmi != output_device) {
        output_device = hdmi;
        printf(MSG_OUTPUT_STATE, hdmi);
        reset_sound();
        if (hdmi)
            backlight_off();
        else
            set_backlight(global_attr.brightness);
        wake(0);
    }
    lp.next_check = now + CHECK_PERIOD_MS;
}

// When the TF card came or went the screens follow it first (the next pass
// draws). True when it did.
bool follow_card_change(void)
{
    if (tf_card_state == lp.tf_seen)
        return false;
    follow_tf_card_change();
    wake(1);
    touch_key_time();
    lp.tf_seen = tf_card_state;
    request_redraw();
    return true;
}

// ---- exit path -----------------------------------------------------------

void show_shutdown_picture(void)
{
    SDL_Surface *dst = current_surface();
    if (!dst)
        return;
    const int hdmi = output_device == 1;
    if (shutdown_type == SHUTDOWN_LOWPOWER) {
        SDL_Surface *pic =
            load_img(hdmi ? "/mnt/vendor/shutdown/lowpower_hdmi.jpg" : "/mnt/vendor/shutdown/lowpower_lcd.jpg");
        if (!pic)
            return;
        SDL_FillRect(dst, nullptr, 0);
        blit_at((dst->w - pic->w) / 2, (dst->h - pic->h) / 2, pic, dst);
        SDL_FreeSurface(pic);
    } else {
        SDL_Surface *pic = load_img(hdmi ? "/mnt/vendor/shutdown/hdmi.jpg" : "/mnt/vendor/shutdown/lcd.jpg");
        if (!pic)
            return;
        blit_at(0, 0, pic, dst);
        SDL_FreeSurface(pic);
    }
    fb_present(output_device, dst);
    loop_hooks.delay(2000);
}

// ---- signals -------------------------------------------------------------

void on_stop_signal(int sig)
{
    sigint_signal = sig;
    loop_running = 0;
}

} // namespace

SDL_Surface *lcd_surface = nullptr;
SDL_Surface *hdmi_surface = nullptr;
SDL_Surface *scratch_surface = nullptr;
int sdl_up = 0;
int frame_hour = 0;
int frame_minute = 0;

LoopHooks loop_hooks = {hook_now, get_player_keys, hook_delay, hook_exit, hook_wall};

void loop_hooks_reset(void)
{
    loop_hooks.now = hook_now;
    loop_hooks.player_keys = get_player_keys;
    loop_hooks.delay = hook_delay;
    loop_hooks.exit_process = hook_exit;
    loop_hooks.wall = hook_wall;
}

void loop_reset_state(void)
{
    lp = LoopPassState{};
    frames_reset();
    redraw_flag = 1;
    sigint_signal = 0;
    stop_requested = 0;
    sleep_toggle_pending = 0;
    sleep_state = AWAKE;
    screen_asleep = 0;
    fast_repeat = 0;
    shutdown_type = SHUTDOWN_EXIT;
    battery_reset();
    chrome_reset();
    loop_install_handlers();
}

// ---- what the lower layers hand up ---------------------------------------

void on_power_key(int value)
{
    // The key time first: the pass that takes the request must not find the
    // idle time of before the press.
    touch_key_time();
    if (value == 0 && loop_running)
        sleep_toggle_pending.fetch_xor(1);
}

void take_sleep_request(void)
{
    if (sleep_toggle_pending.exchange(0))
        toggle_sleep(1);
}

void loop_install_handlers(void)
{
    keypad_set_handlers(on_power_key, screen_sleeps);
    power_hold_set_handler(on_power_hold);
    key_sound_set_quiet_query(key_sounds_quiet);
    browse_set_preview_dropper(preview_drop_all);
}

SDL_Surface *current_surface(void)
{
    return output_device == 1 ? hdmi_surface : lcd_surface;
}

uint32_t touch_key_time(void)
{
    uint32_t now = loop_hooks.now();
    last_key_time = now;
    return now;
}

void stop_loop(int type)
{
    if (type != 0)
        shutdown_type = type;
    stop_requested = 1;
    loop_running = 0;
}

uint32_t sleep_delay_ms(int index)
{
    static const uint32_t delays[4] = {60000u, 120000u, 300000u, 600000u};
    if (index >= 0 && index <= 3)
        return delays[index];
    return 0;
}

void toggle_sleep(int by_key)
{
    if (sleep_state != AWAKE) {
        sleep_state = AWAKE;
        if (output_device == 0)
            set_backlight(global_attr.brightness);
        set_volume(screen == SCREEN_FACTORY_TEST ? 10 : global_attr.volume);
        set_cpu_mode(CPU_MODE_FULL);
        screen_asleep = 0;
    } else {
        screen_asleep = 1;
        sleep_state = by_key ? ASLEEP_BY_KEY : ASLEEP_BY_TIMER;
        set_volume(0);
        backlight_off();
        set_cpu_mode(CPU_MODE_POWERSAVE);
    }
}

void wake(int restore_backlight)
{
    if (sleep_state == AWAKE)
        return;
    sleep_state = AWAKE;
    // The LCD backlight stays off while HDMI is the output.
    if (restore_backlight && output_device == 0)
        set_backlight(global_attr.brightness);
    set_volume(global_attr.volume);
    set_cpu_mode(CPU_MODE_FULL);
    screen_asleep = 0;
    touch_key_time();
}

// ---- frames --------------------------------------------------------------

void request_redraw(void)
{
    redraw_flag = 1;
}

int redraw_pending(void)
{
    return redraw_flag.load();
}

void loop_set_frame_skipping(int on)
{
    fr.skipping = on ? 1 : 0;
}

uint32_t loop_frames_presented(void)
{
    return fr.presented;
}

void loop_draw_frame(void)
{
    SDL_Surface *dst = current_surface();
    if (!dst)
        return;
    // Cleared first: a request made while this frame is drawn stands.
    redraw_flag = 0;
    const time_t t = loop_hooks.wall();
    struct tm tm_now;
    if (localtime_r(&t, &tm_now)) {
        frame_hour = tm_now.tm_hour;
        frame_minute = tm_now.tm_min;
    }
    const int s = screen;
    fr.drawn = 1;
    fr.screen = s;
    fr.output = output_device;
    fr.asleep = screen_asleep ? 1 : 0;
    fr.minute = static_cast<long>(t / 60);
    fr.scroll_on = text_scroll.on.load();
    fr.marquees = 0;
    if (screen_asleep) {
        SDL_FillRect(dst, nullptr, 0);
        fb_present(output_device, dst);
        fr.presented++;
        return;
    }
    if (s < 0 || s >= SCREEN_COUNT)
        return;
    if (screen_table[s].draw) {
        marquee_count_reset();
        screen_table[s].draw(dst);
        fr.marquees = marquee_count();
        fb_present(output_device, dst);
        fr.presented++;
    }
}

void loop_begin(void)
{
    // The first frame already shows the battery as it is.
    top_bar_pass(loop_hooks.now());
    loop_draw_frame();
    SDL_EventState(SDL_ACTIVEEVENT, SDL_IGNORE);
    SDL_EventState(SDL_KEYDOWN, SDL_IGNORE);
    SDL_EventState(SDL_KEYUP, SDL_IGNORE);
    uint32_t now = touch_key_time();
    lp.next_check = now + CHECK_PERIOD_MS;
    lp.last_frame_end = now;
    lp.tf_seen = tf_card_state;
    // A stop asked for during start-up stands: the loop does not start and
    // the exit is the one requested.
    loop_running = 1;
    if (stop_requested)
        loop_running = 0;
}

void loop_pass(void)
{
    if (sigint_pending())
        handle_sigint();
    keypad_window_pump();
    take_sleep_request();

    const PassKeys keys = read_pass_keys();
    const PassEvent event = pass_event(keys);
    // Repeat only keys still held.
    lp.repeat_mask &= keys.mask;
    handle_pass_keys(keys, event, loop_hooks.now());

    const uint32_t now = loop_hooks.now();
    const uint32_t idle = idle_ms(now);
    if (power_off_when_idle(idle))
        return;
    sleep_when_idle(idle);
    check_card_and_output(now);

    // The battery and the rest of the title bar, whether a frame is drawn or
    // not (also while the screen sleeps): a charger change wakes the screen,
    // an empty battery ends the loop with the low-battery power-off.
    if (loop_running)
        top_bar_pass(now);

    // One frame, unless the loop ends or the screens follow a card change.
    if (!loop_running || follow_card_change())
        return;
    if (run_screen_loop()) {
        pace_frame();
        return;
    }
    if (frame_needed())
        loop_draw_frame();
    pace_frame();
}

int run_main_loop(void)
{
    while (loop_running)
        loop_pass();
    return 0;
}

// ---- exit path -----------------------------------------------------------

void free_display_surfaces(void)
{
    if (hdmi_surface)
        SDL_FreeSurface(hdmi_surface);
    if (scratch_surface)
        SDL_FreeSurface(scratch_surface);
    hdmi_surface = nullptr;
    scratch_surface = nullptr;
    lcd_surface = nullptr; // the video mode surface belongs to SDL
}

void power_off(void)
{
    // Every way out comes here once, even when a signal arrives meanwhile.
    if (lp.power_off_done)
        return;
    lp.power_off_done = 1;
    loop_running = 0;
    const int type = shutdown_type;
    // The factory test's sound and backlight workers stop before the stream,
    // the sound device and the backlight are touched here.
    factory_threads_stop();
    if (type > 0) {
        if (output_device == 0)
            set_backlight(global_attr.brightness);
        if (sdl_up)
            show_shutdown_picture();
    }
    // The test screens' motor never runs on after the launcher.
    if (screen == SCREEN_IO_TEST || screen == SCREEN_FACTORY_TEST)
        set_motor(0);
    stop_controllers();
    sound_deinit();
    restart_text_scroll(0);
    power_hold_cancel();
    preview_drop_all();
    gamelist_free_all();
    free_all_images();
    library_screens_free();
    settings_free_resources();
    joymap_unload_images();
    keymap_unload_pictures();
    save_attr_if_changed();
    if (sdl_up) {
        free_ui_fonts();
        free_display_surfaces();
        TTF_Quit();
        SDL_Quit();
        sdl_up = 0;
    }
    fb_close_all();
    if (type > 0) {
        shell_run("reboot -p shutdown");
        loop_hooks.exit_process(0);
    }
}

// ---- signals -------------------------------------------------------------

void install_signal_handlers(void)
{
    signal(SIGPIPE, SIG_IGN);
    struct sigaction sa;
    sa.sa_handler = on_stop_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sigaction(SIGINT, &sa, nullptr);
    // A plain kill ends the program through the same orderly path.
    sigaction(SIGTERM, &sa, nullptr);
}

int sigint_pending(void)
{
    return sigint_signal != 0;
}

void handle_sigint(void)
{
    int sig = sigint_signal;
    printf(MSG_CAUGHT_SIGNAL, sig);
    power_off();
    fputs(MSG_SIGNAL_DONE, stdout);
    fflush(stdout);
    loop_hooks.exit_process(1);
}
