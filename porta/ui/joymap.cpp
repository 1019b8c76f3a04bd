#include "porta/ui/joymap.h"

#include "porta/base/attr.h"
#include "porta/controller/joypad_cfg.h"
#include "porta/controller/players.h"
#include "porta/device/fb.h"
#include "porta/device/keycodes.h"
#include "porta/device/keypad.h"
#include "porta/device/keysound.h"
#include "porta/library/browse.h"
#include "porta/ui/chrome.h"
#include "porta/ui/confirm.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/loop.h"
#include "porta/ui/mapseq.h"
#include "porta/ui/settings.h"

#include <cstdio>
#include <cstring>

JoyMapState joymap;

// ---- texts ---------------------------------------------------------------

namespace {

// Console messages. The firmware's logs and the tests rely on their bytes:
// keep them exactly as they are, the function names inside them included.
constexpr char MSG_PAD_NAME[] = "---<setjoy_1_level_keypress>--- name = %s \n";
constexpr char MSG_KEY_HELD[] = "---setJoy_2_level_draw... press key 3s end \n";
constexpr char MSG_UNEXPECTED_END[] = "---setJoy_2_level_draw: don't happen this \n";
constexpr char MSG_MAPPING_SAVED[] = "---setJoy_handle_Save: save joypad setting .. \n";
constexpr char MSG_MAPPING_CANCELLED[] = "---setJoy_handle_Cancel: Cancel joypad setting .. \n";
// The sequence's end, printed by the runner.
constexpr MapSeqMessages SEQUENCE_MESSAGES = {"--setJoy_2_level_draw: set joypad finish \n",
                                              "---setJoy_2_level_draw: joypad setting dropped (%s) .. \n"};

LanguageTexts text_title = {"手柄按键设置",
                            "手柄按鍵設置",
                            "Joystick buttons settings",
                            "ジョイスティックボタンの設定",
                            "조이스틱 버튼 설정",
                            "Joystick buttons settings"};
// Any one input of the pad held ends the sequence, whatever its table holds.
LanguageTexts text_hint = {"长按 任意键 3秒退出",
                           "長按 任意鍵 3秒退出",
                           "Hold any button for 3 seconds to exit",
                           "Hold any button for 3 seconds to exit",
                           "Hold any button for 3 seconds to exit",
                           "Hold any button for 3 seconds to exit"};
LanguageTexts text_arrow_key = {"方向键", "方向鍵", "Arrow key", "Arrow key", "Arrow key", "Arrow key"};
LanguageTexts text_left_stick = {"左摇杆", "左搖桿", "Left Stick", "Left Stick", "Left Stick", "Left Stick"};
LanguageTexts text_right_stick = {"右摇杆", "右搖桿", "Right Stick", "Right Stick", "Right Stick", "Right Stick"};
const char text_no_pad[] = "NO GamePad";
const char format_player[] = "%d Player";

} // namespace

// The steps: the conversion slot each asks for and its prompt (languages 0
// and 1 use the first text, the others the second).
struct JoyStep {
    int slot;
    const char *prompt[2];
};

namespace {

const JoyStep steps[JOYMAP_STEPS] = {
    {0, {"十字键上", "D-Pad Up"}},
    {1, {"十字键下", "D-Pad Down"}},
    {2, {"十字键左", "D-Pad Left"}},
    {3, {"十字键右", "D-Pad Right"}},
    {12, {"Select键", "Select Button"}},
    {13, {"Start键", "Start Button"}},
    {4, {"A键", "A Button"}},
    {5, {"B键", "B Button"}},
    {6, {"X键", "X Button"}},
    {7, {"Y键", "Y Button"}},
    {8, {"L键(肩键)", "L Button(Shoulder)"}},
    {9, {"R键(肩键)", "R Button(Shoulder)"}},
    {10, {"L2键(扳键)", "L2 Button(Trigger)"}},
    {11, {"R2键(扳键)", "R2 Button(Trigger)"}},
    {14, {"左摇杆Y-(上)", "Left Analog Y-(Up)"}},
    {15, {"左搖桿Y+(下)", "Left Analog Y+(Down)"}},
    {16, {"左搖桿X-(左)", "Left Analog X-(Left)"}},
    {17, {"左搖桿X+(右)", "Left Analog X+(Right)"}},
    {18, {"右摇杆Y-(上)", "Right Analog Y-(Up)"}},
    {19, {"右搖桿Y+(下)", "Right Analog Y+(Down)"}},
    {20, {"右搖桿X-(左)", "Right Analog X-(Left)"}},
    {21, {"右搖桿X+(右)", "Right Analog X+(Right)"}},
};
const char *const step_prefix[2] = {"请设置 ", "Please Set "};

} // namespace

const int joymap_step_slot[JOYMAP_STEPS] = {0, 1,  2,  3,  12, 13, 4,  5,  6,  7,  8,
                                            9, 10, 11, 14, 15, 16, 17, 18, 19, 20, 21};

void joymap_prompt(int step, int language, char *buf, int size)
{
    if (!buf || size <= 0)
        return;
    buf[0] = '\0';
    if (step < 0 || step >= JOYMAP_STEPS)
        return;
    const int column = language == 0 || language == 1 ? 0 : 1;
    snprintf(buf, static_cast<size_t>(size), "%s %s", step_prefix[column], steps[step].prompt[column]);
}

// ---- layouts -------------------------------------------------------------

struct JoyListLayout {
    int x, y, gap; // rows: start, highlight height + gap apart
    int name_dx, name_dy, name_font;
    int player_font, player_end_gap, player_dy;
};

namespace {

const JoyListLayout list_layouts[OUTPUT_COUNT] = {
    {0, 36, 5, 20, 6, FONT_18, FONT_16, 10, 10},
    {40, 60, 5, 20, 12, FONT_22, FONT_22, 20, 18},
};

} // namespace

// A D-pad or a stick: its cap, the arrows up, down, left, right `reach`
// pixels from the cap's corner, the diagonal decorations (sticks only) half
// as far, and its label below the cap.
struct JoyPadPart {
    int cap_x, cap_y;
    int reach;
    int has_deco;
    int label_y;
};
struct JoySeqLayout {
    int title_x, title_y, title_font;
    int hint_x, hint_y, hint_font;
    int prompt_x, prompt_y, prompt_font;
    int pointer_x, pointer_y;
    JoyPadPart part[3]; // D-pad, left stick, right stick
    int label_font;
    int select_x, select_y;
    int start_x;                        // Start at start_x + cap width
    int column_x, column_y, column_gap; // A, B, X, Y, L1, R1, L2, R2: cap height + gap apart
    int name_font;                      // key names on done caps
};

namespace {

// Positions, one row per group (kept out of the formatter).
// clang-format off
const JoySeqLayout seq_layouts[OUTPUT_COUNT] = {
    // LCD, 640x480
    {
        140, 40, FONT_22,
        400, 90, FONT_18,
        400, 140, FONT_18,
        360, 125,
        {
            {50, 100, 50, 0, 175},
            {100, 300, 80, 1, 350},
            {500, 300, 80, 1, 350},
        },
        FONT_16,
        140, 130, 170,
        300, 40, 10,
        FONT_16,
    },
    // HDMI, 1280x720
    {
        340, 80, FONT_28,
        850, 140, FONT_24,
        850, 200, FONT_28,
        800, 185,
        {
            {130, 170, 100, 0, 240},
            {200, 470, 140, 1, 570},
            {950, 470, 140, 1, 570},
        },
        FONT_22,
        340, 200, 370,
        650, 80, 10,
        FONT_22,
    },
};
// clang-format on

// The conversion slots of the parts' arrows (up, down, left, right).
const int part_slots[3][4] = {{0, 1, 2, 3}, {14, 15, 16, 17}, {18, 19, 20, 21}};
// Where the arrows (up, down, left, right) and the decorations (up-left,
// down-left, up-right, down-right) lie from a part's cap, in reaches.
const int arrow_dx[4] = {0, 0, -1, 1};
const int arrow_dy[4] = {-1, 1, 0, 0};
const int deco_dx[4] = {-1, -1, 1, 1};
const int deco_dy[4] = {-1, 1, -1, 1};

} // namespace
// The key column and Select/Start: conversion slot and the name on the cap.
struct JoyKeyCap {
    int slot;
    const char *name;
};

namespace {

const JoyKeyCap column_caps[8] = {{4, "A"}, {5, "B"}, {6, "X"}, {7, "Y"}, {8, "L1"}, {9, "R1"}, {10, "L2"}, {11, "R2"}};
const JoyKeyCap select_cap = {12, "Select"};
const JoyKeyCap start_cap = {13, "Start"};

} // namespace

// ---- pictures ------------------------------------------------------------

void joymap_unload_images(void)
{
    for (auto &set : joymap.pics) {
        for (SDL_Surface *&pic : set) {
            if (pic)
                SDL_FreeSurface(pic);
            pic = nullptr;
        }
    }
    joymap.loaded = 0;
}

namespace {

void reset_state(void)
{
    joymap.cursor = 0;
    joymap.reset_cursor = 0;
    joymap.slot = -1;
    joymap.removals = 0;
    joymap.level = 0;
    joymap.step = 0;
    joymap.waiting = 0;
    memset(joymap.work, 0, sizeof joymap.work);
    memset(joymap.done, 0, sizeof joymap.done);
    memset(joymap.backup, 0, sizeof joymap.backup);
    joymap.changed = 0;
}

} // namespace

int joymap_load_images(void)
{
    reset_state();
    if (joymap.loaded)
        return 0;
    char path[128];
    for (int out = 0; out < 2; out++) {
        for (int i = 0; i < SETJOY_PICS; i++) {
            if (out == OUTPUT_LCD)
                snprintf(path, sizeof path, "%s/lcd/%d.png", SETJOY_DIR, i);
            else
                snprintf(path, sizeof path, "%s/%d.png", SETJOY_DIR, i);
            joymap.pics[out][i] = load_img(path);
            if (!joymap.pics[out][i]) {
                joymap_unload_images();
                return -1;
            }
        }
    }
    joymap.loaded = 1;
    return 0;
}

int joymap_open_reset(void)
{
    joymap.reset_cursor = 0;
    joymap.reset_slot = -1;
    joymap.reset_removals = 0;
    return 0;
}

// ---- lists ---------------------------------------------------------------

int joymap_list(int slots[JOYMAP_ROWS])
{
    int n = 0;
    for (int s = 0; s < JOY_SLOTS && n < JOYMAP_ROWS; s++) {
        JoySlotInfo info;
        if (joystick_slot_info(s, &info) == 0 && info.name[0])
            slots[n++] = s;
    }
    return n;
}

namespace {

// Up and Down of both lists; returns 1 when the key was one of them.
int list_key(int key, int *cursor, int rows)
{
    switch (key) {
    case KEYCODE_UP:
        play_key_sound(KEY_SOUND_MOVE);
        if (rows > 0)
            *cursor = *cursor > 0 ? *cursor - 1 : rows - 1;
        else
            *cursor = 0;
        return 1;
    case KEYCODE_DOWN:
        play_key_sound(KEY_SOUND_MOVE);
        if (rows > 0)
            *cursor = *cursor < rows - 1 ? *cursor + 1 : 0;
        else
            *cursor = 0;
        return 1;
    default: return 0;
    }
}

// The keys of a list of pads: moves the cursor, and on A picks the pad under
// it. Returns true with *slot and *info filled when a named pad was picked.
bool pad_list_pick(int key, int *cursor, int *slot, JoySlotInfo *info)
{
    int slots[JOYMAP_ROWS];
    const int rows = joymap_list(slots);
    if (list_key(key, cursor, rows) || key != KEYCODE_A)
        return false;
    play_key_sound(KEY_SOUND_CONFIRM);
    if (*cursor >= rows)
        return false;
    *slot = slots[*cursor];
    return joystick_slot_info(*slot, info) == 0 && info->name[0];
}

} // namespace

void joymap_keypress(int key)
{
    if (joymap.level)
        return;
    JoySlotInfo info;
    int slot = 0;
    if (pad_list_pick(key, &joymap.cursor, &slot, &info)) {
        joymap.slot = slot;
        joymap.removals = info.removals;
        memset(joymap.work, 0, sizeof joymap.work);
        joymap.level = 1;
        printf(MSG_PAD_NAME, info.name);
    } else if (key == KEYCODE_B) {
        play_key_sound(KEY_SOUND_REFUSED);
        joymap_unload_images();
        screen = SCREEN_SETTINGS_PAGE;
    }
}

namespace {

// The yes action of the reset box.
void reset_yes(void)
{
    if (joymap.reset_slot < 0)
        return;
    joystick_pad_restore_defaults(joymap.reset_slot, joymap.reset_removals);
    joymap.reset_slot = -1;
}

} // namespace

void joymap_reset_keypress(int key)
{
    JoySlotInfo info;
    int slot = 0;
    if (pad_list_pick(key, &joymap.reset_cursor, &slot, &info)) {
        joymap.reset_slot = slot;
        joymap.reset_removals = info.removals;
        // The question and where it returns to were set by the settings.
        confirm_actions(reset_yes, nullptr);
        confirm_open();
    } else if (key == KEYCODE_B) {
        play_key_sound(KEY_SOUND_REFUSED);
        screen = SCREEN_SETTINGS_PAGE;
    }
}

namespace {

void list_draw(SDL_Surface *dst, int *cursor, int screen_number)
{
    if (!dst)
        return;
    const int out = chrome_out(dst);
    const JoyListLayout &L = list_layouts[out];
    SDL_Surface *hl = chrome_list_highlight(out);
    const int hl_w = hl ? hl->w : dst->w - L.x;
    const int step = (hl ? hl->h : 0) + L.gap;
    draw_background(dst);
    int slots[JOYMAP_ROWS];
    const int rows = joymap_list(slots);
    if (*cursor >= rows)
        *cursor = 0;
    TTF_Font *name_font = ui_font[L.name_font];
    TTF_Font *player_font = ui_font[L.player_font];
    if (rows == 0)
        draw_text(L.x + L.name_dx, L.y + L.name_dy, name_font, WHITE, text_no_pad, dst);
    for (int r = 0; r < rows; r++) {
        JoySlotInfo info;
        if (joystick_slot_info(slots[r], &info) != 0)
            continue;
        const int y = L.y + r * step;
        if (r == *cursor)
            blit_at(L.x, y, hl, dst);
        draw_text(L.x + L.name_dx, y + L.name_dy, name_font, WHITE, info.name, dst);
        if (info.player > 0) {
            char player[32];
            snprintf(player, sizeof player, format_player, info.player);
            const int end = L.x + hl_w - L.player_end_gap;
            draw_text(end - text_width(player_font, player), y + L.player_dy, player_font, WHITE, player, dst);
        }
    }
    draw_top_bar(dst);
    draw_bottom_bar(dst, bottom_hints(screen_number, 0));
}

} // namespace

void joymap_reset_draw(SDL_Surface *dst)
{
    list_draw(dst, &joymap.reset_cursor, SCREEN_JOY_RESET);
}

void joymap_draw(SDL_Surface *dst)
{
    list_draw(dst, &joymap.cursor, SCREEN_JOY_MAP);
}

// ---- the sequence --------------------------------------------------------

int joymap_take_input(JoyConvEntry work[JOY_CONV_SLOTS], int step, const JoyEvent &ev)
{
    if (step < 0 || step >= JOYMAP_STEPS || ev.value == 0)
        return -1;
    const int slot = joymap_step_slot[step];
    JoyConvEntry &e = work[slot];
    switch (ev.kind) {
    case JOY_SRC_HAT:
        // A file names one hat direction a key: a diagonal cannot be kept.
        if (ev.value & (ev.value - 1))
            return 0;
        e.type = JOY_SRC_HAT;
        e.value = static_cast<int16_t>(ev.value);
        break;
    case JOY_SRC_BUTTON:
        // A button's entry carries no direction, as in the pad's files.
        e.type = JOY_SRC_BUTTON;
        e.value = 0;
        break;
    case JOY_SRC_AXIS:
        e.type = JOY_SRC_AXIS;
        e.value = ev.value > 0 ? 1 : -1;
        break;
    default: return -1;
    }
    e.index = static_cast<uint8_t>(ev.index);
    for (int i = 0; i < JOY_CONV_SLOTS; i++) {
        const JoyConvEntry &o = work[i];
        if (i == slot || o.type != e.type)
            continue;
        const bool clash = (e.type == JOY_SRC_HAT && o.value == e.value) ||
                           (e.type == JOY_SRC_BUTTON && o.index == e.index) ||
                           (e.type == JOY_SRC_AXIS && o.index == e.index && o.value == e.value);
        if (clash) {
            e.type = JOY_SRC_NONE;
            e.index = 0;
            e.value = 0;
            return 0;
        }
    }
    return 1;
}

namespace {

bool same_source(const JoyConvEntry &a, const JoyConvEntry &b)
{
    return a.type == b.type && a.index == b.index && a.value == b.value;
}

void copy_source(JoyConvEntry &to, const JoyConvEntry &from)
{
    to.type = from.type;
    to.index = from.index;
    to.value = from.value;
}

} // namespace

void joymap_pass_on(JoyConvEntry current[JOY_CONV_SLOTS], const JoyConvEntry work[JOY_CONV_SLOTS], int step)
{
    if (step < 0 || step >= JOYMAP_STEPS)
        return;
    const int slot = joymap_step_slot[step];
    const JoyConvEntry &taken = work[slot];
    if (taken.type == JOY_SRC_NONE || same_source(taken, current[slot]))
        return;
    for (int later = step + 1; later < JOYMAP_STEPS; later++) {
        JoyConvEntry &holder = current[joymap_step_slot[later]];
        if (same_source(holder, taken))
            copy_source(holder, current[slot]);
    }
    copy_source(current[slot], taken);
}

int joymap_merge(JoyConvEntry work[JOY_CONV_SLOTS], JoyConvEntry table[JOY_CONV_SLOTS], const JoyConvEntry *current)
{
    int changed = 0;
    for (int i = 0; i < JOY_CONV_SLOTS; i++) {
        JoyConvEntry &w = work[i];
        JoyConvEntry &t = table[i];
        if (w.type != JOY_SRC_NONE) {
            if (w.type != t.type || w.index != t.index || w.value != t.value) {
                t.type = w.type;
                t.index = w.index;
                t.value = w.value;
                changed = 1;
            }
        } else if (i >= 8 && i <= 11) {
            // Shoulder keys and triggers left out: the pad has none. Dropping
            // one that was mapped is a change that yes must save.
            if (t.type != JOY_SRC_NONE)
                changed = 1;
            t.type = JOY_SRC_NONE;
            t.index = 0;
            t.value = 0;
        } else {
            if (current && !same_source(current[i], t)) {
                copy_source(t, current[i]);
                changed = 1;
            }
            copy_source(w, t);
        }
    }
    return changed;
}

namespace {

void draw_cap(SDL_Surface *const *pics, int x, int y, int done, const char *name, int font, SDL_Surface *dst)
{
    SDL_Surface *cap = pics[done ? SETJOY_CAP_DONE : SETJOY_CAP];
    blit_at(x, y, cap, dst);
    if (!done || !cap)
        return;
    // A name wider than the cap takes a smaller font.
    int f = font;
    int w = 0, h = 0;
    for (; f >= FONT_16; f--) {
        text_size(ui_font[f], name, &w, &h);
        if (w <= cap->w - 2 || f == FONT_16)
            break;
    }
    draw_text(x + (cap->w - w) / 2, y + (cap->h - h) / 2, ui_font[f], WHITE, name, dst);
}

void sequence_frame(SDL_Surface *dst, int pointer_shown)
{
    const int out = chrome_out(dst);
    const JoySeqLayout &L = seq_layouts[out];
    SDL_Surface *const *pics = joymap.pics[out];
    const int l = ui_language();
    SDL_FillRect(dst, nullptr, SDL_MapRGB(dst->format, 28, 28, 28));
    // Texts longer than their room (some languages) take a smaller font or a
    // second line: the title ends before the key column, the others before
    // the right edge.
    mapseq_draw_fitted(L.title_x, L.title_y, L.title_font, text_title[l], L.column_x - L.title_x - 8, 2, dst);
    mapseq_draw_fitted(L.hint_x, L.hint_y, L.hint_font, text_hint[l], dst->w - L.hint_x - 4, 2, dst);
    if (joymap.step < JOYMAP_STEPS) {
        char prompt[128];
        joymap_prompt(joymap.step, l, prompt, sizeof prompt);
        mapseq_draw_fitted(L.prompt_x, L.prompt_y, L.prompt_font, prompt, dst->w - L.prompt_x - 4, 2, dst);
        if (pointer_shown)
            blit_at(L.pointer_x, L.pointer_y, fixed_res[out == OUTPUT_HDMI ? OUTPUT_HDMI : OUTPUT_LCD].point, dst);
    }
    const char *labels[3] = {text_arrow_key[l], text_left_stick[l], text_right_stick[l]};
    for (int p = 0; p < 3; p++) {
        const JoyPadPart &part = L.part[p];
        blit_at(part.cap_x, part.cap_y, pics[SETJOY_CAP], dst);
        for (int d = 0; d < 4; d++) {
            const int done = joymap.done[part_slots[p][d]] ? 1 : 0;
            const int r = part.reach;
            blit_at(part.cap_x + arrow_dx[d] * r, part.cap_y + arrow_dy[d] * r, pics[SETJOY_ARROW + 2 * d + done], dst);
            if (part.has_deco)
                blit_at(part.cap_x + deco_dx[d] * r / 2, part.cap_y + deco_dy[d] * r / 2, pics[SETJOY_DECO + d], dst);
        }
        draw_text(part.cap_x, part.label_y, ui_font[L.label_font], WHITE, labels[p], dst);
    }
    const int name_font = L.name_font;
    const int cap_w = pics[SETJOY_CAP] ? pics[SETJOY_CAP]->w : 0;
    const int cap_h = pics[SETJOY_CAP] ? pics[SETJOY_CAP]->h : 0;
    draw_cap(pics, L.select_x, L.select_y, joymap.done[select_cap.slot], select_cap.name, name_font, dst);
    draw_cap(pics, L.start_x + cap_w, L.select_y, joymap.done[start_cap.slot], start_cap.name, name_font, dst);
    for (int k = 0; k < 8; k++) {
        const int y = L.column_y + k * (cap_h + L.column_gap);
        draw_cap(pics, L.column_x, y, joymap.done[column_caps[k].slot], column_caps[k].name, name_font, dst);
    }
    draw_top_bar(dst);
}

// The chosen pad is still in its slot.
bool pad_present(void)
{
    JoySlotInfo info;
    return joymap.slot >= 0 && joystick_slot_info(joymap.slot, &info) == 0 && info.removals == joymap.removals;
}

bool all_steps_done(void)
{
    return joymap.step >= JOYMAP_STEPS;
}

JoyDevice *chosen_pad(void)
{
    return joystick_slot_device(joymap.slot);
}

// UP, as the pad maps it now, held for 3 seconds.
bool up_held_long(const JoyDevice *pad, uint32_t now)
{
    JoyHoldWatch &hold = joymap.hold;
    if (!(pad->key_state.load(std::memory_order_acquire) & PAD_UP)) {
        hold.up_armed = 0;
        return false;
    }
    if (!hold.up_armed) {
        hold.up_armed = 1;
        hold.up_end = now + JOYMAP_HOLD_MS;
        return false;
    }
    return static_cast<int32_t>(now - hold.up_end) >= 0;
}

// Any one input of the pad (one without UP in its table too) held for 3
// seconds.
bool input_held_long(const JoyDevice *pad, const JoyEvent &ev, uint32_t now)
{
    JoyHoldWatch &hold = joymap.hold;
    const uint32_t input = pad->current_event.load(std::memory_order_acquire);
    if (ev.value == 0) {
        hold.input = 0;
    } else if (input != hold.input) {
        hold.input = input;
        hold.since = now;
    } else {
        return now - hold.since >= JOYMAP_HOLD_MS;
    }
    return false;
}

// The pad's current event: an input held long ends the sequence; an input
// the step accepts is taken, and the step waits for its release.
bool read_pad(uint32_t now)
{
    JoyDevice *pad = chosen_pad();
    const bool up_held = up_held_long(pad, now);
    const JoyEvent ev = joy_current_event(pad);
    if (input_held_long(pad, ev, now) || up_held) {
        fputs(MSG_KEY_HELD, stdout);
        return true;
    }
    if (joymap.waiting) {
        if (ev.kind == JOY_EVENT_RELEASE) {
            loop_hooks.delay(JOYMAP_RELEASE_PAUSE_MS);
            joymap.waiting = 0;
            joymap.step++;
        }
    } else if (ev.value != 0 && joymap_take_input(joymap.work, joymap.step, ev) == 1) {
        joymap_pass_on(joymap.current, joymap.work, joymap.step);
        joymap.done[joymap_step_slot[joymap.step]] = 1;
        joymap.waiting = 1;
        touch_key_time();
    }
    return false;
}

bool pad_keys_up(void)
{
    JoyDevice *pad = chosen_pad();
    return pad->key_state.load(std::memory_order_acquire) == 0 && joy_current_event(pad).kind == JOY_EVENT_RELEASE;
}

const MapSeqRoutines mapping = {
    SEQUENCE_MESSAGES, sequence_frame, all_steps_done, read_pad, pad_keys_up, pad_present,
};

// The sequence ended as "no": nothing merged, nothing written; back to the
// buttons page.
void end_as_no(SDL_Surface *dst, MapSeqEnd end)
{
    mapseq_report_dropped(SEQUENCE_MESSAGES, end);
    joymap.level = 0;
    joymap.slot = -1;
    joymap_unload_images();
    screen = SCREEN_SETTINGS_PAGE;
    settings_page_draw(dst);
    request_redraw();
}

} // namespace

int run_gamepad_mapping(void)
{
    if (!joymap.level)
        return 0;
    SDL_Surface *dst = current_surface();
    JoyDevice *pad = joymap.slot >= 0 ? joystick_slot_device(joymap.slot) : nullptr;
    if (!dst || !pad) {
        fputs(MSG_UNEXPECTED_END, stdout);
        joymap.level = 0;
        return 0;
    }
    memset(joymap.done, 0, sizeof joymap.done);
    memset(joymap.backup, 0, sizeof joymap.backup);
    joymap.changed = 0;
    joymap.step = 0;
    joymap.waiting = 0;
    joymap.hold = JoyHoldWatch{};

    MapSeqEnd end = MAPSEQ_END_DEVICE_GONE;
    if (joystick_pad_table_get(joymap.slot, joymap.removals, joymap.current) == 0)
        end = mapseq_run(dst, mapping);
    if (end == MAPSEQ_END_FINISHED || end == MAPSEQ_END_EARLY) {
        if (joystick_pad_table_get(joymap.slot, joymap.removals, joymap.backup) != 0)
            end = MAPSEQ_END_DEVICE_GONE;
    }
    if (end == MAPSEQ_END_DEVICE_GONE || end == MAPSEQ_END_STOPPED) {
        end_as_no(dst, end);
        return 1;
    }
    JoyConvEntry table[JOY_CONV_SLOTS];
    memcpy(table, joymap.backup, sizeof table);
    joymap.changed = joymap_merge(joymap.work, table, joymap.current);
    if (joystick_pad_table_set(joymap.slot, joymap.removals, table) != 0) {
        end_as_no(dst, MAPSEQ_END_DEVICE_GONE);
        return 1;
    }
    touch_key_time();
    // The list behind the question.
    joymap.level = 0;
    list_draw(dst, &joymap.cursor, SCREEN_JOY_MAP);
    mapseq_ask_to_keep(SCREEN_JOY_MAP, joymap_keep_mapping, joymap_drop_mapping, dst);
    return 1;
}

void joymap_keep_mapping(void)
{
    if (!joymap.changed)
        return;
    if (joystick_pad_save(joymap.slot, joymap.removals, joymap.work) == 0)
        fputs(MSG_MAPPING_SAVED, stdout);
    joymap.changed = 0;
}

void joymap_drop_mapping(void)
{
    joystick_pad_table_set(joymap.slot, joymap.removals, joymap.backup);
    fputs(MSG_MAPPING_CANCELLED, stdout);
}
