// The IO test and the factory test: resources, key steps and drawing.

#include "porta/ui/iotest.h"

#include "common/devroot.h"
#include "porta/base/attr.h"
#include "porta/controller/gamepad.h"
#include "porta/controller/players.h"
#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/keypad.h"
#include "porta/device/keysound.h"
#include "porta/device/pcm.h"
#include "porta/device/storage.h"
#include "porta/ui/factory_threads.h"
#include "porta/library/browse.h"
#include "porta/ui/chrome.h"
#include "porta/ui/draw.h"
#include "porta/ui/loop.h"

#include <cstdio>
#include <string>

#include <SDL/SDL_ttf.h>

namespace {

constexpr char TEST_RES_DIR[] = "/mnt/vendor/test"; // <n>.png and gamepad.png
constexpr char FACTORY_MARKER[] = "/mnt/sdcard/test.ini";
constexpr int TEST_FONT_SMALL = 20;
constexpr int TEST_FONT_LARGE = 24;
constexpr int TEST_IMAGES = 20;
constexpr char FACTORY_BUILD_MARK[] = "20221203";
constexpr uint32_t IOTEST_EXIT_KEYS = PAD_START | PAD_SELECT;
constexpr uint32_t IOTEST_MOTOR_KEYS = PAD_MENU | PAD_SELECT;

// ---- texts ---------------------------------------------------------------

// Console messages. The firmware's logs and the tests rely on their bytes:
// keep them exactly as they are, the function names inside them included.
constexpr char MSG_OUTPUT_STATE[] = "----factory_test_draw:  state = %d \n";
constexpr char MSG_FONT_ERROR[] = "test font err ... ";

const char *const motor_hint[6] = {
    "Menu + Select 键 马达测试",      "Menu + Select 鍵 马达測試",      "Menu + Select key to test moto",
    "Menu + Select key to test moto", "Menu + Select key to test moto", "Menu + Select key to test moto",
};
const char *const exit_hint[6] = {
    "Start + Select 键 退出测试",          "Start + Select 鍵 退出測試",          "Start + Select key to exit the test",
    "Start + Select key to exit the test", "Start + Select key to exit the test", "Start + Select key to exit the test",
};
const char factory_title[] = "长按 Menu 键 马达测试";
const char *const player_labels[7] = {"NONE", "1P", "2P", "3P", "4P", "5P", "6P"};

const char *in_language(const char *const texts[6])
{
    return texts[ui_language()];
}

// ---- resources -----------------------------------------------------------

struct {
    TTF_Font *small; // 20 points: every text of both screens
    TTF_Font *large; // 24 points
    SDL_Surface *img[TEST_IMAGES];
    SDL_Surface *gamepad;
} res;

// ---- tested marks --------------------------------------------------------

constexpr int TESTED_KEYS = 13;
const uint32_t tested_key_bits[TESTED_KEYS] = {
    PAD_A, PAD_B, PAD_X, PAD_Y, PAD_L1, PAD_R1, PAD_START, PAD_SELECT, PAD_L2, PAD_R2, PAD_VOLUP, PAD_VOLDOWN, PAD_MENU,
};
// The marks of the keys above, in their order (main thread only).
uint16_t tested_marks[TESTED_KEYS];

} // namespace

// ---- resources -----------------------------------------------------------

int load_test_res(void)
{
    if (res.small && res.large)
        return 0;
    const std::string font = dev_path(UI_FONT_FILE);
    res.small = TTF_OpenFont(font.c_str(), TEST_FONT_SMALL);
    res.large = TTF_OpenFont(font.c_str(), TEST_FONT_LARGE);
    if (!res.small || !res.large) {
        free_test_res();
        return -1;
    }
    char path[64];
    for (int i = 0; i < TEST_IMAGES; i++) {
        snprintf(path, sizeof path, "%s/%d.png", TEST_RES_DIR, i);
        res.img[i] = load_img(path);
    }
    snprintf(path, sizeof path, "%s/gamepad.png", TEST_RES_DIR);
    res.gamepad = load_img(path);
    return 0;
}

void free_test_res(void)
{
    for (SDL_Surface *&s : res.img)
        free_surface(s);
    free_surface(res.gamepad);
    if (res.small)
        TTF_CloseFont(res.small);
    if (res.large)
        TTF_CloseFont(res.large);
    res.small = nullptr;
    res.large = nullptr;
}

int test_res_loaded(void)
{
    return res.small && res.large ? 1 : 0;
}

// ---- tested marks --------------------------------------------------------

void tested_marks_clear(void)
{
    for (uint16_t &m : tested_marks)
        m = 0;
}

void tested_marks_step(uint32_t mask)
{
    for (int i = 0; i < TESTED_KEYS; i++) {
        uint16_t &m = tested_marks[i];
        if (mask == tested_key_bits[i]) {
            if (m == 0)
                m = 1;
            else if (m == 2)
                m = 3;
        } else {
            if (m == 1)
                m = 2;
            else if (m == 3)
                m = 0;
        }
    }
}

int tested_mark_of(uint32_t bit)
{
    for (int i = 0; i < TESTED_KEYS; i++)
        if (tested_key_bits[i] == bit)
            return tested_marks[i];
    return 0;
}

int key_lit(uint32_t bit, uint32_t mask)
{
    const int mark = tested_mark_of(bit);
    return mask == bit || mark == 1 || mark == 2;
}

// ---- layouts -------------------------------------------------------------

struct Pt {
    int x, y;
};

// Where one screen draws on one output.
struct TestLayout {
    Pt text1, text2; // IO test: the two hints; factory test: title, build mark
    Pt pad;          // gamepad picture and count
    Pt player;       // player label
    Pt dpad;         // D-pad centre cap
    Pt select_start; // Select, then Start
    Pt vol_menu;     // vol+, vol-, menu
    Pt face;         // A B X Y, below them L L2 R R2
    Pt mask;         // IO test: "keycode = ..."; factory: the axis read-out
    int axis_lines;  // factory: read-out on 2 lines (LCD) or 1 (HDMI)
    Pt keys;         // factory: the six players' masks
    int keys_step;
};

namespace {

// Positions, one row per group (kept out of the formatter).
// clang-format off
const TestLayout iotest_layouts[OUTPUT_COUNT] = {
    {{30, 8}, {30, 28}, {340, 10}, {30, 360}, {120, 170}, {340, 90}, {340, 180}, {260, 300}, {30, 380},
     0, {0, 0}, 0},
    {{60, 70}, {60, 100}, {450, 80}, {600, 120}, {200, 300}, {450, 220}, {450, 340}, {800, 240}, {800, 120},
     0, {0, 0}, 0},
};

const TestLayout factory_layouts[OUTPUT_COUNT] = {
    {{15, 2}, {15, 25}, {300, 10}, {15, 50}, {120, 130}, {335, 90}, {335, 180}, {250, 300}, {10, 313},
     2, {30, 353}, 20},
    // The HDMI screen keeps the LCD's arrangement, spread over 1280x720;
    // the masks stand at the top right.
    {{60, 40}, {60, 70}, {450, 40}, {60, 110}, {240, 330}, {450, 220}, {450, 340}, {450, 480}, {60, 640},
     1, {900, 120}, 30},
};
// clang-format on

// ---- drawing -------------------------------------------------------------

void text_at(int x, int y, const char *text, SDL_Surface *dst)
{
    draw_text(x, y, res.small, WHITE, text, dst);
}

// Size of a picture pair (plain, lit): the plain one's, else the lit one's.
void pair_size(int index, int *w, int *h)
{
    SDL_Surface *s = res.img[index] ? res.img[index] : res.img[index + 1];
    *w = s ? s->w : 0;
    *h = s ? s->h : 0;
}

// One cap of picture pair `index` at (x, y), lit or plain, with its label
// centred on it.
void cap_at(int index, int lit, int x, int y, const char *label, SDL_Surface *dst)
{
    int w = 0, h = 0;
    pair_size(index, &w, &h);
    blit_at(x, y, res.img[index + (lit ? 1 : 0)], dst);
    if (!label)
        return;
    int tw = 0, th = 0;
    if (text_size(res.small, label, &tw, &th) != 0)
        return;
    text_at(x + (w - tw) / 2, y + (h - th) / 2, label, dst);
}

void draw_dpad(Pt c, uint32_t mask, SDL_Surface *dst)
{
    static const struct {
        int pic, dx, dy;
        uint32_t mask;
    } arms[8] = {
        {TIMG_UP, 0, -140, PAD_UP},
        {TIMG_DOWN, 0, 140, PAD_DOWN},
        {TIMG_LEFT, -140, 0, PAD_LEFT},
        {TIMG_RIGHT, 140, 0, PAD_RIGHT},
        {TIMG_UP_LEFT, -70, -70, PAD_UP | PAD_LEFT},
        {TIMG_DOWN_LEFT, -70, 70, PAD_DOWN | PAD_LEFT},
        {TIMG_UP_RIGHT, 70, -70, PAD_UP | PAD_RIGHT},
        {TIMG_DOWN_RIGHT, 70, 70, PAD_DOWN | PAD_RIGHT},
    };
    blit_at(c.x, c.y, res.img[TIMG_CAP], dst);
    for (const auto &a : arms)
        blit_at(c.x + a.dx, c.y + a.dy, res.img[a.pic + (mask == a.mask ? 1 : 0)], dst);
}

// Caps of one row, `gap` pixels between them beyond a cap's width.
void cap_row(int pic, Pt at, int gap, const uint32_t *bits, const char *const *labels, int n, uint32_t mask,
             SDL_Surface *dst)
{
    int w = 0, h = 0;
    pair_size(pic, &w, &h);
    for (int i = 0; i < n; i++)
        cap_at(pic, key_lit(bits[i], mask), at.x + i * (w + gap), at.y, labels[i], dst);
}

// The four key groups of both screens, lit by `mask` and the tested marks.
void draw_key_groups(const TestLayout &l, uint32_t mask, SDL_Surface *dst)
{
    static const uint32_t sel_bits[2] = {PAD_SELECT, PAD_START};
    static const char *const sel_labels[2] = {"Select", "Start"};
    static const uint32_t vol_bits[3] = {PAD_VOLUP, PAD_VOLDOWN, PAD_MENU};
    static const char *const vol_labels[3] = {"vol+", "vol-", "menu"};
    static const uint32_t face_bits[4] = {PAD_A, PAD_B, PAD_X, PAD_Y};
    static const char *const face_labels[4] = {"A", "B", "X", "Y"};
    static const uint32_t shoulder_bits[4] = {PAD_L1, PAD_L2, PAD_R1, PAD_R2};
    static const char *const shoulder_labels[4] = {"L", "L2", "R", "R2"};

    draw_dpad(l.dpad, mask, dst);
    cap_row(TIMG_SMALL_CAP, l.select_start, 30, sel_bits, sel_labels, 2, mask, dst);
    cap_row(TIMG_CAP, l.vol_menu, 40, vol_bits, vol_labels, 3, mask, dst);
    cap_row(TIMG_CAP, l.face, 30, face_bits, face_labels, 4, mask, dst);
    int w = 0, h = 0;
    pair_size(TIMG_CAP, &w, &h);
    cap_row(TIMG_CAP, Pt{l.face.x, l.face.y + h + 35}, 30, shoulder_bits, shoulder_labels, 4, mask, dst);
}

// The gamepad picture and "发现  <n> 个手柄"; nothing without the picture.
void draw_pad_counter(Pt at, SDL_Surface *dst)
{
    if (!res.gamepad)
        return;
    blit_at(at.x, at.y, res.gamepad, dst);
    char text[64];
    snprintf(text, sizeof text, "%s  %d %s", "发现", joystick_pad_count(), "个手柄");
    text_at(at.x + 60, at.y + 15, text, dst);
}

void fill_background(SDL_Surface *dst)
{
    SDL_FillRect(dst, nullptr, SDL_MapRGB(dst->format, 28, 28, 28));
}

// ---- the IO test ---------------------------------------------------------

int drawn_pad_count = -1;

// ---- the factory test ----------------------------------------------------

// The factory test ends only towards power-off, or when the program is
// interrupted (its exit path then runs as usual).
int factory_test_over(void)
{
    return shutdown_type > 0 || sigint_pending();
}

// Before the first frame: the test resources, the LED, the volume, both
// workers and cleared marks. False when the fonts do not open.
bool factory_test_begin(void)
{
    if (load_test_res() != 0) {
        fputs(MSG_FONT_ERROR, stdout);
        return false;
    }
    led_test();
    set_volume(10);
    factory_threads_start();
    tested_marks_clear();
    factory_state = FactoryState{};
    factory_state.hdmi = output_device;
    // Short presses of the power key put the screen to sleep here too, also
    // when the test runs from start-up.
    if (!factory_test_over())
        loop_running = 1;
    return true;
}

// One 20 ms frame: a sleep the power key asked for, the pass, its picture
// (black while asleep; the LCD black under HDMI) and the pause.
void factory_test_pass(void)
{
    take_sleep_request();
    factory_test_step();
    SDL_Surface *dst = current_surface();
    if (dst) {
        if (screen_asleep)
            SDL_FillRect(dst, nullptr, 0);
        else
            factory_test_frame(dst);
        if (output_device == 1 && lcd_surface)
            SDL_FillRect(lcd_surface, nullptr, 0);
        fb_present(output_device, dst);
    }
    loop_hooks.delay(FACTORY_FRAME_MS);
}

// Nothing of the test may outlive it: the threads stop before the exit path
// closes the stream, the sound device and the backlight.
void factory_test_end(void)
{
    factory_threads_stop();
    factory_state.motor = 0;
    set_motor(0);
    free_test_res();
}

} // namespace

// ---- the IO test ---------------------------------------------------------

IoTestState iotest_state = {0, 0, MOTOR_OFF};

int iotest_open(void)
{
    if (load_test_res() != 0)
        return -1;
    request_redraw();
    return 0;
}

void iotest_key_step(uint32_t mask, int player)
{
    if ((mask & IOTEST_EXIT_KEYS) == IOTEST_EXIT_KEYS) {
        free_test_res();
        iotest_state.mask = 0;
        iotest_state.motor = MOTOR_OFF;
        screen = SCREEN_SETTINGS;
        set_motor(0);
        request_redraw();
        return;
    }
    int changed = mask != iotest_state.mask;
    iotest_state.mask = mask;
    if (mask != 0 && player != iotest_state.player) {
        iotest_state.player = player;
        changed = 1;
    }
    if ((mask & IOTEST_MOTOR_KEYS) == IOTEST_MOTOR_KEYS) {
        if (iotest_state.motor != MOTOR_ON) {
            iotest_state.motor = MOTOR_ON;
            set_motor(1);
        }
    } else if (iotest_state.motor == MOTOR_ON) {
        iotest_state.motor = MOTOR_STOPPED;
        set_motor(0);
    }
    // The pad counter changes without a key.
    if (joystick_pad_count() != drawn_pad_count)
        changed = 1;
    if (changed)
        request_redraw();
}

void iotest_draw(SDL_Surface *dst)
{
    if (!dst)
        return;
    const TestLayout &l = iotest_layouts[chrome_out(dst)];
    fill_background(dst);
    text_at(l.text1.x, l.text1.y, in_language(motor_hint), dst);
    text_at(l.text2.x, l.text2.y, in_language(exit_hint), dst);
    draw_pad_counter(l.pad, dst);
    drawn_pad_count = joystick_pad_count();
    draw_key_groups(l, iotest_state.mask, dst);
    if (iotest_state.player >= 1 && iotest_state.player <= 4)
        text_at(l.player.x, l.player.y, player_labels[iotest_state.player], dst);
    char text[48];
    snprintf(text, sizeof text, "keycode = %#x", iotest_state.mask);
    text_at(l.mask.x, l.mask.y, text, dst);
}

// ---- the factory test ----------------------------------------------------

FactoryState factory_state;

int factory_test_wanted(void)
{
    return tf_card_state == 1 && dev_exists(FACTORY_MARKER);
}

void factory_test_step(void)
{
    FactoryState &f = factory_state;
    // The output: the sound follows it; the LCD goes dark under HDMI (the
    // sweep brings it back when HDMI goes).
    const int hdmi = hdmi_state() == 1 ? 1 : 0;
    if (hdmi != f.hdmi) {
        f.hdmi = hdmi;
        output_device = hdmi;
        printf(MSG_OUTPUT_STATE, hdmi);
        {
            std::scoped_lock lock(test_mutex, sound_mutex);
            forget_sound_device();
        }
        if (hdmi)
            backlight_off();
        request_redraw();
    }
    // The active player: the first with keys; it stays while nobody has any.
    int first = 0;
    for (int p = 0; p < MAX_PLAYERS; p++) {
        f.keys[p] = loop_hooks.player_keys(p + 1);
        if (!first && f.keys[p] != 0)
            first = p + 1;
    }
    if (first && first != f.active) {
        f.active = first;
        tested_marks_clear();
    }
    f.mask = f.active ? f.keys[f.active - 1] : 0;
    tested_marks_step(f.mask);
    const int motor = f.mask == PAD_MENU ? 1 : 0;
    if (motor != f.motor) {
        f.motor = motor;
        set_motor(motor);
    }
}

void factory_test_frame(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = chrome_out(dst);
    const TestLayout &l = factory_layouts[out];
    const FactoryState &f = factory_state;
    fill_background(dst);
    text_at(l.text1.x, l.text1.y, factory_title, dst);
    text_at(l.text2.x, l.text2.y, FACTORY_BUILD_MARK, dst);
    draw_pad_counter(l.pad, dst);
    text_at(l.player.x, l.player.y, player_labels[f.active >= 1 && f.active <= 6 ? f.active : 0], dst);
    draw_key_groups(l, f.mask, dst);

    const int cal = joy_axis_readout.calibrated.load(std::memory_order_relaxed);
    const int rest = joy_axis_readout.rest.load(std::memory_order_relaxed);
    const int raw = joy_axis_readout.raw.load(std::memory_order_relaxed);
    const int pressed = joy_axis_readout.pressed.load(std::memory_order_relaxed);
    char text[96];
    if (l.axis_lines == 2) {
        snprintf(text, sizeof text, "Tvalue=%d, defVal=%d", cal, rest);
        text_at(l.mask.x, l.mask.y, text, dst);
        snprintf(text, sizeof text, "evtval=%d,press=%d", raw, pressed);
        text_at(l.mask.x, l.mask.y + l.keys_step, text, dst);
    } else {
        snprintf(text, sizeof text, "Tvalue=%d, defVal=%d, evtval=%d,press=%d", cal, rest, raw, pressed);
        text_at(l.mask.x, l.mask.y, text, dst);
    }
    for (int p = 1; p <= MAX_PLAYERS; p++) {
        if (p <= 4 && !player_present(p))
            snprintf(text, sizeof text, "key%d = NULL", p);
        else
            snprintf(text, sizeof text, "key%d = %#x", p, f.keys[p - 1]);
        text_at(l.keys.x, l.keys.y + (p - 1) * l.keys_step, text, dst);
    }
}

int run_factory_test(void)
{
    if (!factory_test_begin())
        return 1;
    while (!factory_test_over())
        factory_test_pass();
    factory_test_end();
    return 1;
}
