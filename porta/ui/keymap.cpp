#include "porta/ui/keymap.h"

#include "common/devroot.h"
#include "common/safefile.h"
#include "porta/base/attr.h"
#include "porta/device/fb.h"
#include "porta/device/keycodes.h"
#include "porta/device/keysound.h"
#include "porta/library/browse.h"
#include "porta/ui/chrome.h"
#include "porta/ui/confirm.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/loop.h"
#include "porta/ui/mapseq.h"

#include <cstdio>
#include <cstring>

KeyMapState keymap;

// ---- texts ---------------------------------------------------------------

namespace {

// Console messages. The firmware's logs and the tests rely on their bytes:
// keep them exactly as they are, the function names inside them included.
constexpr char MSG_MAPPING_SAVED[] = "---setlocalpad_handle_Save: save local setting .. \n";
constexpr char MSG_RESTORE_DEFAULTS[] = "---setlocalpad_reset_defalut: \n";
constexpr char MSG_RESTORE_FAIL[] = "---setlocalpad_reset_defalut: fopen %s fail \n";
// The assignment's end, printed by the runner.
constexpr MapSeqMessages SEQUENCE_MESSAGES = {"--setlocalpad_2_level_draw: set keypad finish \n",
                                              "---setlocalpad_2_level_draw: keypad setting dropped (%s) .. \n"};

LanguageTexts text_custom = {"按键自定义",    "按鍵自定義",    "Button custom",
                             "Button custom", "Button custom", "Button custom"};
LanguageTexts text_restore = {"恢复默认值",       "恢復默認值",      "Restore Defaults",
                              "デフォルトに戻す", "기본값으로 복원", "Restore Defaults"};
LanguageTexts text_hint = {"Start + Select 键 退出设置",         "Start + Select 鍵 退出設置",
                           "Start + Select key to exit setting", "Start + Select key to exit setting",
                           "Start + Select key to exit setting", "Start + Select key to exit setting"};
const char step_prefix[] = "请设置 ";
const char *const step_labels[KEYMAP_STEPS] = {"A", "B", "X", "Y", "L1", "R1", "L2", "R2"};

} // namespace

const int keymap_step_index[KEYMAP_STEPS] = {LPAD_A, LPAD_B, LPAD_X, LPAD_Y, LPAD_L1, LPAD_R1, LPAD_L2, LPAD_R2};

namespace {

const int refused_codes[] = {90, 91, 92, 93, 98, 99, 104, 108, 109};

// The eight caps of the drawing, each the physical key of a factory code:
// the first row, then the second.
const int cap_codes[2][4] = {{94, 95, 96, 102}, {97, 100, 101, 103}};

} // namespace

int keymap_refused_code(int code)
{
    for (int c : refused_codes)
        if (c == code)
            return 1;
    return 0;
}

void keymap_prompt(int step, char *buf, int size)
{
    if (!buf || size <= 0)
        return;
    buf[0] = '\0';
    if (step >= 0 && step < KEYMAP_STEPS)
        snprintf(buf, static_cast<size_t>(size), "%s %s", step_prefix, step_labels[step]);
}

// ---- layouts -------------------------------------------------------------

struct KeyMenuLayout {
    int x, y, gap; // row 0's highlight; row 1 its height + gap lower
    int text_dx, text_dy, font;
};

namespace {

const KeyMenuLayout menu_layouts[OUTPUT_COUNT] = {
    {0, 36, 5, 20, 8, FONT_18},
    {40, 60, 5, 20, 12, FONT_22},
};

} // namespace

struct KeySeqLayout {
    int title_x, title_y, title_font;
    int hint_x, hint_y, hint_font;
    int prompt_x, prompt_y, prompt_font;
    int pointer_x, pointer_y;
    int dpad_x, dpad_y, arm;  // the D-pad's cap; its parts this far up, down, left, right
    int caps_x, caps_y;       // first cap of the first row
    int cap_gap_x, cap_gap_y; // between caps and between the rows
    int label_font;
};

namespace {

const KeySeqLayout seq_layouts[OUTPUT_COUNT] = {
    {40, 40, FONT_28, 300, 60, FONT_24, 300, 100, FONT_28, 260, 85, 80, 150, 90, 240, 240, 30, 30, FONT_22},
    {400, 80, FONT_28, 850, 140, FONT_24, 850, 200, FONT_28, 800, 185, 130, 170, 90, 400, 350, 50, 60, FONT_22},
};

} // namespace

// ---- pictures ------------------------------------------------------------

void keymap_unload_pictures(void)
{
    for (SDL_Surface *&pic : keymap.pics) {
        if (pic)
            SDL_FreeSurface(pic);
        pic = nullptr;
    }
    keymap.loaded = 0;
}

int keymap_load_pictures(void)
{
    keymap.level = 0;
    keymap.cursor = 0;
    confirm_actions(nullptr, nullptr);
    if (keymap.loaded)
        return 0;
    char path[128];
    for (int i = 0; i < SETKEY_PICS; i++) {
        snprintf(path, sizeof path, "%s/%d.png", SETKEY_DIR, i);
        keymap.pics[i] = load_img(path);
        if (!keymap.pics[i]) {
            keymap_unload_pictures();
            return -1;
        }
    }
    keymap.loaded = 1;
    return 0;
}

// ---- menu ----------------------------------------------------------------

void keymap_keypress(int key)
{
    if (keymap.level || two_way_choice_key(key, KEYCODE_UP, KEYCODE_DOWN, &keymap.cursor))
        return;
    switch (key) {
    case KEYCODE_A:
        play_key_sound(KEY_SOUND_CONFIRM);
        if (keymap.cursor == 0) {
            keymap.level = 1;
        } else {
            confirm_ask(text_restore[ui_language()], SCREEN_KEYPAD_MAP, keymap_restore_defaults, nullptr);
        }
        break;
    case KEYCODE_B:
        play_key_sound(KEY_SOUND_REFUSED);
        keymap_unload_pictures();
        screen = SCREEN_SETTINGS_PAGE;
        break;
    default: break;
    }
}

namespace {

void menu_draw(SDL_Surface *dst)
{
    const int out = chrome_out(dst);
    const KeyMenuLayout &L = menu_layouts[out];
    SDL_Surface *hl = chrome_list_highlight(out);
    const int step = (hl ? hl->h : 0) + L.gap;
    draw_background(dst);
    const char *rows[2] = {text_custom[ui_language()], text_restore[ui_language()]};
    for (int r = 0; r < 2; r++) {
        const int y = L.y + r * step;
        if (r == keymap.cursor)
            blit_at(L.x, y, hl, dst);
        draw_text(L.x + L.text_dx, y + L.text_dy, ui_font[L.font], WHITE, rows[r], dst);
    }
    draw_top_bar(dst);
    draw_bottom_bar(dst, bottom_hints(SCREEN_KEYPAD_MAP, 0));
}

} // namespace

void keymap_draw(SDL_Surface *dst)
{
    if (dst)
        menu_draw(dst);
}

// ---- the assignment ------------------------------------------------------

namespace {

// The step whose captured code is `code`, or -1.
int step_of_code(int code)
{
    for (int k = 0; k < keymap.step && k < KEYMAP_STEPS; k++)
        if (keymap.captured[k] == code)
            return k;
    return -1;
}

void sequence_frame(SDL_Surface *dst, int pointer_shown)
{
    const int out = chrome_out(dst);
    const KeySeqLayout &L = seq_layouts[out];
    SDL_Surface *const *pics = keymap.pics;
    const int l = ui_language();
    SDL_FillRect(dst, nullptr, SDL_MapRGB(dst->format, 28, 28, 28));
    draw_text(L.title_x, L.title_y, ui_font[L.title_font], WHITE, text_custom[l], dst);
    // A hint longer than the room to the right edge takes a smaller font.
    mapseq_draw_fitted(L.hint_x, L.hint_y, L.hint_font, text_hint[l], dst->w - L.hint_x - 4, 1, dst);
    if (keymap.step < KEYMAP_STEPS) {
        char prompt[64];
        keymap_prompt(keymap.step, prompt, sizeof prompt);
        draw_text(L.prompt_x, L.prompt_y, ui_font[L.prompt_font], WHITE, prompt, dst);
        if (pointer_shown)
            blit_at(L.pointer_x, L.pointer_y, fixed_res[out == OUTPUT_HDMI ? OUTPUT_HDMI : OUTPUT_LCD].point, dst);
    }
    blit_at(L.dpad_x, L.dpad_y, pics[SETKEY_CAP], dst);
    blit_at(L.dpad_x, L.dpad_y - L.arm, pics[SETKEY_UP], dst);
    blit_at(L.dpad_x, L.dpad_y + L.arm, pics[SETKEY_DOWN], dst);
    blit_at(L.dpad_x - L.arm, L.dpad_y, pics[SETKEY_LEFT], dst);
    blit_at(L.dpad_x + L.arm, L.dpad_y, pics[SETKEY_RIGHT], dst);
    const int w = pics[SETKEY_CAP] ? pics[SETKEY_CAP]->w : 0;
    const int h = pics[SETKEY_CAP] ? pics[SETKEY_CAP]->h : 0;
    TTF_Font *font = ui_font[L.label_font];
    for (int row = 0; row < 2; row++) {
        for (int i = 0; i < 4; i++) {
            const int x = L.caps_x + i * (L.cap_gap_x + w);
            const int y = L.caps_y + row * (h + L.cap_gap_y);
            const int k = step_of_code(cap_codes[row][i]);
            SDL_Surface *cap = pics[k >= 0 ? SETKEY_CAP_DONE : SETKEY_CAP];
            blit_at(x, y, cap, dst);
            if (k >= 0 && cap) {
                int tw = 0, th = 0;
                text_size(font, step_labels[k], &tw, &th);
                draw_text(x + (cap->w - tw) / 2, y + (cap->h - th) / 2, font, WHITE, step_labels[k], dst);
            }
        }
    }
    draw_top_bar(dst);
}

bool all_steps_done(void)
{
    return keymap.step >= KEYMAP_STEPS;
}

// The keypad's last raw event: Start then Select end the sequence; a press of
// a key that may be taken and is not taken yet goes to the current step.
bool read_keypad(uint32_t)
{
    int code = 0, value = 0;
    keypad_last_event(&code, &value);
    if (!keymap.fresh && (code != keymap.start_code || value != keymap.start_value))
        keymap.fresh = 1;
    if (!keymap.fresh)
        return false;
    // Start and Select one after the other, nothing between: the end.
    if (code == KEYMAP_CODE_START)
        keymap.exit_keys |= 1u;
    else if (code == KEYMAP_CODE_SELECT)
        keymap.exit_keys |= 2u;
    else
        keymap.exit_keys = 0;
    if (keymap.exit_keys == 3u)
        return true;
    if (value != 0 && !keymap_refused_code(code) && step_of_code(code) < 0) {
        keymap_take_code(keymap.work, keymap.step, static_cast<int16_t>(code));
        keymap.captured[keymap.step++] = static_cast<int16_t>(code);
        touch_key_time();
    }
    return false;
}

bool keypad_keys_up(void)
{
    return keypad_mask() == 0 && keypad_last_value() == 0;
}

const MapSeqRoutines assignment = {
    SEQUENCE_MESSAGES, sequence_frame, all_steps_done, read_keypad, keypad_keys_up, nullptr,
};

} // namespace

void keymap_take_code(int16_t map[LOCALPAD_KEYS], int step, int16_t code)
{
    if (step < 0 || step >= KEYMAP_STEPS)
        return;
    const int16_t given_up = map[keymap_step_index[step]];
    for (int later = step + 1; later < KEYMAP_STEPS; later++)
        if (map[keymap_step_index[later]] == code)
            map[keymap_step_index[later]] = given_up;
    map[keymap_step_index[step]] = code;
}

int run_keypad_mapping(void)
{
    SDL_Surface *dst = current_surface();
    if (!keymap.level || !dst)
        return 0;
    memset(keymap.captured, 0, sizeof keymap.captured);
    keymap.step = 0;
    keymap.exit_keys = 0;
    keymap.changed = 0;
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        keymap.work[i] = keypad_codes[i].load(std::memory_order_relaxed);
    // The event that was last before the start (the release of the A that
    // started it, or anything older) is not taken as an input.
    keypad_last_event(&keymap.start_code, &keymap.start_value);
    keymap.fresh = 0;
    const MapSeqEnd end = mapseq_run(dst, assignment);
    keymap.level = 0;
    if (end == MAPSEQ_END_STOPPED) {
        mapseq_report_dropped(SEQUENCE_MESSAGES, end);
        menu_draw(dst);
        request_redraw();
        return 1;
    }
    keymap.changed = 0;
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        if (keymap.work[i] != keypad_codes[i].load(std::memory_order_relaxed))
            keymap.changed = 1;
    touch_key_time();
    menu_draw(dst);
    mapseq_ask_to_keep(SCREEN_KEYPAD_MAP, keymap_keep_mapping, nullptr, dst);
    return 1;
}

void keymap_keep_mapping(void)
{
    if (!keymap.changed)
        return;
    for (int i = 0; i < LOCALPAD_KEYS; i++)
        keypad_codes[i].store(keymap.work[i], std::memory_order_relaxed);
    save_keypad_map();
    keymap.changed = 0;
    fputs(MSG_MAPPING_SAVED, stdout);
}

void keymap_restore_defaults(void)
{
    fputs(MSG_RESTORE_DEFAULTS, stdout);
    reset_keypad_map_to_defaults();
    // An empty file fails to give a map at the next start: the factory codes
    // are read then too. No file is made where there was none.
    if (dev_exists(LOCALPAD_MAP_FILE) && write_file_atomic(LOCALPAD_MAP_FILE, "", 0) != 0)
        printf(MSG_RESTORE_FAIL, LOCALPAD_MAP_FILE);
}
