#include "porta/ui/confirm.h"

#include "porta/base/attr.h"
#include "porta/device/keycodes.h"
#include "porta/device/keysound.h"
#include "porta/library/browse.h"
#include "porta/ui/chrome.h"
#include "porta/ui/draw.h"
#include "porta/ui/loop.h"
#include "porta/ui/settings.h"
#include "porta/ui/themes.h"

#include <cstdio>
#include <cstring>

ConfirmBox confirm_box = {{0}, SCREEN_SETTINGS, 0, 0, nullptr, nullptr};

namespace {

// Console messages. The firmware's logs and the tests rely on their bytes:
// keep them exactly as they are, the function names inside them included.
constexpr char MSG_RESULT[] = "msgResult = %d \n";

const char *const word_no[LANGUAGE_COUNT] = {"否", "否", "No", "NO", "No", "No"};
const char *const word_yes[LANGUAGE_COUNT] = {"是", "是", "Yes", "Yes", "Yes", "Yes"};

} // namespace

// The box of each output: its top-left corner; 400x200.
struct ConfirmLayout {
    int x, y;
};

namespace {

const ConfirmLayout confirm_layouts[OUTPUT_COUNT] = {{120, 140}, {440, 260}};

} // namespace
constexpr int BOX_W = 400;
constexpr int BOX_H = 200;
constexpr int BOX_MESSAGE_DY = 40;
constexpr int BOX_BUTTON_DY = 120;
constexpr int BOX_NO_DX = 30;
constexpr int BOX_YES_END = 370;

void confirm_clear(void)
{
    memset(confirm_box.message, 0, sizeof(confirm_box.message));
    confirm_box.return_screen = SCREEN_SETTINGS;
    confirm_box.active = 0;
    confirm_box.result = 0;
    confirm_box.yes = nullptr;
    confirm_box.no = nullptr;
}

void confirm_setup(const char *label, Screen return_screen)
{
    confirm_clear();
    snprintf(confirm_box.message, sizeof(confirm_box.message), "%s ??", label ? label : "");
    confirm_box.return_screen = return_screen;
}

void confirm_actions(void (*yes)(void), void (*no)(void))
{
    confirm_box.yes = yes;
    confirm_box.no = no;
}

void confirm_open(void)
{
    save_screen();
    confirm_box.result = 0;
    confirm_box.active = 1;
    screen = SCREEN_CONFIRM;
    request_redraw();
}

void confirm_ask(const char *label, Screen return_screen, void (*yes)(void), void (*no)(void))
{
    confirm_setup(label, return_screen);
    confirm_actions(yes, no);
    confirm_open();
}

bool two_way_choice_key(int key, int one_key, int other_key, int *choice)
{
    if (key != one_key && key != other_key)
        return false;
    play_key_sound(KEY_SOUND_MOVE);
    *choice = *choice ? 0 : 1;
    return true;
}

void confirm_keypress(int key)
{
    if (!confirm_box.active || two_way_choice_key(key, KEYCODE_LEFT, KEYCODE_RIGHT, &confirm_box.result))
        return;
    switch (key) {
    case KEYCODE_A: {
        play_key_sound(KEY_SOUND_CONFIRM);
        const int result = confirm_box.result;
        void (*action)(void) = result == 1 ? confirm_box.yes : confirm_box.no;
        screen = confirm_box.return_screen;
        printf(MSG_RESULT, result);
        // The box is gone before its action runs, so that an action may ask
        // the next question.
        confirm_clear();
        if (action)
            action();
        break;
    }
    default: break; // B included: only A closes the box
    }
}

void confirm_draw(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = chrome_out(dst);
    const ConfirmLayout &L = confirm_layouts[out];
    draw_background(dst);
    restore_screen(dst);
    blit_at(0, 0, settings_menu_image(MENU_IMG_SHADE), dst);
    SDL_Rect box = {static_cast<Sint16>(L.x), static_cast<Sint16>(L.y), BOX_W, BOX_H};
    SDL_FillRect(dst, &box, SDL_MapRGB(dst->format, 255, 255, 255));

    int w = 0, h = 0;
    text_size(ui_font[FONT_24], confirm_box.message, &w, &h);
    const SDL_Color red = {255, 0, 0, 0};
    draw_text(L.x + (BOX_W - w) / 2, L.y + BOX_MESSAGE_DY, ui_font[FONT_24], red, confirm_box.message, dst);

    const int lang = ui_language();
    SDL_Surface *yes_pic = settings_menu_image(MENU_IMG_BUTTON_ON);
    const int button_w = yes_pic ? yes_pic->w : 0;
    const int by = L.y + BOX_BUTTON_DY;
    draw_menu_button(dst, L.x + BOX_NO_DX, by, confirm_box.result == 0, word_no[lang], ui_font[FONT_22]);
    draw_menu_button(dst, L.x + BOX_YES_END - button_w, by, confirm_box.result == 1, word_yes[lang], ui_font[FONT_22]);

    if (out == OUTPUT_LCD) {
        draw_top_bar(dst);
        draw_bottom_bar(dst, bottom_hints(SCREEN_CONFIRM, 0));
    }
}
