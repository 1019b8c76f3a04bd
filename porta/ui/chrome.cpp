#include "porta/ui/chrome.h"

#include "porta/device/storage.h"

#include "porta/base/attr.h"
#include "porta/controller/players.h"
#include "porta/device/battery.h"
#include "porta/device/hardware.h"
#include "porta/library/browse.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/loop.h"
#include "porta/ui/settings.h"
#include "porta/ui/themes.h"

#include <cstdio>
#include <string>

// ---- texts ---------------------------------------------------------------

namespace {

const char *const ui_texts[UI_TEXT_COUNT][LANGUAGE_COUNT] = {
    /* TXT_EMPTY_LIST */
    {"< 没有游戏文件 >", "< 沒有遊戲文件 >", "< No game files >", "< ゲームファイルはありません >",
     "< 게임 파일 없음 >", "< Sin archivos de juego >"},
    /* TXT_CARD_MISSING */
    {"< 没有检测到外置卡 >", "< 沒有檢測到外置卡 >", "< No external card detected >", "< 外部カードが検出されません >",
     "< 외부 카드가 감지되지 않음 >", "< No se detectó ninguna tarjeta externa >"},
    /* TXT_HINT_OK */
    {"确认", "確認", "Ok", "Ok", "Ok", "Ok"},
    /* TXT_HINT_RETURN */
    {"返回", "返回", "Return", "Return", "Return", "Return"},
    /* TXT_HINT_CORE */
    {"选择核心", "選擇覈心", "Select Core", "コアの選択", "핵심 선택", "Seleccionar núcleo"},
    /* TXT_HINT_START */
    {"收藏", "收藏", "Favorites", "お気に入り", "즐겨 찾기 :", "Favoritos:"},
    /* TXT_PAGE_LABEL */
    {"页数", "頁數", "Total", "合計", "합계", "Total"},
};

// ---- title bar state -----------------------------------------------------

struct {
    int polled;
    int h2w;
    int pads;
    int tf;
} status;

int card_badge_shown(void)
{
    return tf_card_state == 1 ? 1 : 0;
}

// Reads what the bar shows besides the battery; returns 1 when it changed.
int poll_status(void)
{
    const int h2w = headphone_state() == 1 ? 1 : 0;
    const int pads = joystick_pad_count();
    const int tf = card_badge_shown();
    const int changed = !status.polled || h2w != status.h2w || pads != status.pads || tf != status.tf;
    status.polled = 1;
    status.h2w = h2w;
    status.pads = pads;
    status.tf = tf;
    return changed;
}

// Between the polls: the gamepads' number and the card's mount state are
// words in memory, looked at every pass. Returns 1 when one changed.
int poll_pads_and_card(void)
{
    if (!status.polled)
        return 0;
    const int pads = joystick_pad_count();
    const int tf = card_badge_shown();
    if (pads == status.pads && tf == status.tf)
        return 0;
    status.pads = pads;
    status.tf = tf;
    return 1;
}

} // namespace

const char *ui_text_in(int id, int language)
{
    if (id < 0 || id >= UI_TEXT_COUNT)
        return "";
    if (language < 0 || language >= LANGUAGE_COUNT)
        language = 0;
    return ui_texts[id][language];
}

int ui_language(void)
{
    const int l = global_attr.language;
    return l >= 0 && l < LANGUAGE_COUNT ? l : 0;
}

const char *ui_text(int id)
{
    return ui_text_in(id, global_attr.language);
}

// ---- layout --------------------------------------------------------------

// Positions, one row per group (kept out of the formatter).
// clang-format off
const ChromeLayout chrome_layouts[OUTPUT_COUNT] = {
    // LCD, 640x480
    {
        640, 480,                    // screen
        630, 10, 4,                  // battery
        6, FONT_16, 7,               // speaker, volume
        40, 9, FONT_16,              // "SD"
        50, 10, 20, 6, FONT_16, 50,  // gamepads, their number
        40, 10,                      // headphones
        0,                           // least gap
        10, FONT_16, FONT_16,        // clock
        1, 0, 2, FONT_16,            // bottom bar: icons, texts
        {10, 90, 180}, 4,            // A, B, Y hints
        620, 4,                      // Start hint
        20, 9, FONT_16,              // page counter
        36, 0, FONT_18,              // list rows
        FONT_22,                     // notices
    },
    // HDMI, 1280x720
    {
        1280, 720,
        1230, 30, 10,
        26, FONT_18, 27,
        40, 28, FONT_18,
        50, 28, 20, 24, FONT_18, 50,
        40, 28,
        4,
        28, FONT_16, FONT_18,
        0, 6, 0, FONT_22,
        {50, 200, 350}, 6,
        1230, 6,
        50, 28, FONT_22,
        60, 30, FONT_28,
        FONT_22,
    },
};
// clang-format on

int chrome_out(const SDL_Surface *dst)
{
    return dst && dst->w >= 1280 ? OUTPUT_HDMI : OUTPUT_LCD;
}

SDL_Surface *chrome_list_highlight(int out)
{
    return fixed_res[out == OUTPUT_HDMI ? OUTPUT_HDMI : OUTPUT_LCD].list[4];
}

// ---- title bar state -----------------------------------------------------

void chrome_reset(void)
{
    status.polled = 0;
    status.h2w = 0;
    status.pads = 0;
    status.tf = 0;
}

void top_bar_pass(uint32_t now)
{
    const int flags = battery_update(now);
    if (flags & BATTERY_CHARGER_CHANGED)
        wake(1);
    if (flags & BATTERY_SHUTDOWN)
        stop_loop(SHUTDOWN_LOWPOWER);
    int redraw = (flags & BATTERY_ICON_CHANGED) != 0;
    if (flags & BATTERY_REFRESHED) {
        // Once a second: the headphones and the card (files to read). The
        // clock's minute is the main loop's to watch.
        redraw |= poll_status();
        // The battery page shows the values of every refresh.
        redraw |= settings_battery_page_shown();
    } else {
        redraw |= poll_pads_and_card();
    }
    if (redraw)
        request_redraw();
}

// ---- pieces --------------------------------------------------------------

void draw_background(SDL_Surface *dst)
{
    if (!dst)
        return;
    SDL_Surface *wall = theme_pics.wallpaper[chrome_out(dst)];
    if (!wall || wall->w < dst->w || wall->h < dst->h)
        SDL_FillRect(dst, nullptr, 0);
    blit_at(0, 0, wall, dst);
}

void battery_monitor(int x, int y, SDL_Surface *dst, int lcd)
{
    if (x < 0 || y < 0 || !dst)
        return;
    const FixedRes &r = fixed_res[lcd ? OUTPUT_LCD : OUTPUT_HDMI];
    const BatteryIcon icon = battery_mon.icon;
    if (icon.base)
        blit_at(x, y, r.bat[0], dst);
    if (!r.bat[1])
        return;
    if (icon.fill < 0) {
        blit_at(x, y, r.bat[1], dst);
    } else if (icon.fill > 0) {
        SDL_Rect src, at;
        set_rect(&src, 0, 0, icon.fill < r.bat[1]->w ? icon.fill : r.bat[1]->w, r.bat[1]->h);
        set_point(&at, x, y);
        SDL_BlitSurface(r.bat[1], &src, dst, &at);
    }
}

void draw_top_bar(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = chrome_out(dst);
    const ChromeLayout &L = chrome_layouts[out];
    const FixedRes &r = fixed_res[out];
    if (!status.polled)
        poll_status();
    char num[16];

    blit_at(0, 0, r.title_bg, dst);
    // From the right: battery, speaker with the volume left of it.
    const SDL_Surface *bat = r.bat[0] ? r.bat[0] : r.bat[1];
    const int bat_w = bat ? bat->w : 0;
    int x = L.bat_right - bat_w;
    battery_monitor(x, L.bat_y, dst, out == OUTPUT_LCD);
    x -= bat_w + L.bat_gap;
    blit_at(x, L.spk_y, r.spk, dst);
    snprintf(num, sizeof(num), "%d", global_attr.volume);
    int text_h = 0;
    const int vol_w = text_width(ui_font[L.vol_font], num, &text_h);
    const int spk_h = r.spk ? r.spk->h : 0;
    draw_text(x - vol_w, (spk_h - text_h) / 2 + L.vol_dy, ui_font[L.vol_font], WHITE, num, dst);
    // The TF card badge (from the mount state as the card check left it), the
    // gamepads and the headphones. Each keeps its place where it fits and
    // moves left where it would run into what stands right of it.
    int clear = x - vol_w - L.bar_gap;
    if (card_badge_shown()) {
        const int sd_w = text_width(ui_font[L.sd_font], "SD");
        x -= L.sd_step;
        if (x + sd_w > clear)
            x = clear - sd_w;
        draw_text(x, L.sd_y, ui_font[L.sd_font], WHITE, "SD", dst);
        clear = x - L.bar_gap;
    }
    const int pads = joystick_pad_count();
    if (pads > 0) {
        snprintf(num, sizeof(num), "%d", pads);
        const int num_w = text_width(ui_font[L.joy_num_font], num);
        const int joy_w = r.joy ? r.joy->w : 0;
        int joy_x = x - L.joy_dx;
        // The count beside the icon, not on it.
        int num_x = x - L.joy_num_dx;
        if (num_x < joy_x + joy_w + L.bar_gap)
            num_x = joy_x + joy_w + L.bar_gap;
        const int over = num_x + num_w - clear;
        if (over > 0) {
            joy_x -= over;
            num_x -= over;
        }
        blit_at(joy_x, L.joy_y, r.joy, dst);
        draw_text(num_x, L.joy_num_y, ui_font[L.joy_num_font], WHITE, num, dst);
        x = joy_x + L.joy_dx - L.joy_step;
        clear = joy_x - L.bar_gap;
    }
    if (status.h2w) {
        const int ear_w = r.earphone ? r.earphone->w : 0;
        int ear_x = x - L.ear_dx;
        if (ear_x + ear_w > clear)
            ear_x = clear - ear_w;
        blit_at(ear_x, L.ear_y, r.earphone, dst);
    }
    // The clock, centred by its width in the measuring font.
    char clock[16];
    snprintf(clock, sizeof(clock), "%02d:%02d", frame_hour, frame_minute);
    const int clock_w = text_width(ui_font[L.clock_measure_font], clock);
    draw_text((L.width - clock_w) / 2, L.clock_y, ui_font[L.clock_font], WHITE, clock, dst);
}

int bottom_hints(int screen_number, int gba_list)
{
    int hints = HINT_OK | HINT_RETURN;
    if (screen_number == SCREEN_GAMES && gba_list)
        hints |= HINT_CORE;
    if (screen_number >= SCREEN_GAMES && screen_number <= SCREEN_SEARCH_RESULTS)
        hints |= HINT_START;
    return hints;
}

void draw_bottom_bar(SDL_Surface *dst, int hints)
{
    if (!dst)
        return;
    const int out = chrome_out(dst);
    const ChromeLayout &L = chrome_layouts[out];
    const FixedRes &r = fixed_res[out];
    SDL_Surface *bar = r.bottom[0];
    if (!bar)
        return;
    const int top = dst->h - bar->h;
    blit_at(0, top, bar, dst);
    TTF_Font *font = ui_font[L.hint_font];

    // A key hint: its icon at x and its text after it, or ending at text_end.
    auto hint = [&](SDL_Surface *icon, int text_id, int x, int text_end) {
        if (!icon)
            return;
        const char *text = ui_text(text_id);
        int th = 0;
        const int tw = text_width(font, text, &th);
        const int iy = L.icon_centred ? top + (bar->h - icon->h) / 2 : top + L.icon_top;
        const int ty = iy + (icon->h - th) / 2 + L.hint_dy;
        int tx = x + icon->w + L.key_gap;
        if (text_end >= 0) {
            tx = text_end - tw;
            x = tx - L.start_gap - icon->w;
        }
        blit_at(x, iy, icon, dst);
        draw_text(tx, ty, font, WHITE, text, dst);
    };
    if (hints & HINT_OK)
        hint(r.bottom[1], TXT_HINT_OK, L.key_x[0], -1);
    if (hints & HINT_RETURN)
        hint(r.bottom[2], TXT_HINT_RETURN, L.key_x[1], -1);
    if (hints & HINT_CORE)
        hint(r.bottom[5], TXT_HINT_CORE, L.key_x[2], -1);
    if (hints & HINT_START)
        hint(r.bottom[4], TXT_HINT_START, 0, L.start_end);
}

int draw_screen_frame(SDL_Surface *dst, int hints)
{
    draw_background(dst);
    draw_top_bar(dst);
    draw_bottom_bar(dst, hints);
    return chrome_out(dst);
}

int list_pages(int count)
{
    return count > 0 ? (count + LIST_ROWS - 1) / LIST_ROWS : 0;
}

bool draw_list_pages(SDL_Surface *dst, int count, int page)
{
    if (count <= 0) {
        draw_empty_list(dst);
        return false;
    }
    draw_page_counter(dst, page, list_pages(count));
    return true;
}

void draw_page_counter(SDL_Surface *dst, int page, int pages)
{
    if (!dst || pages <= 0)
        return;
    const ChromeLayout &L = chrome_layouts[chrome_out(dst)];
    char text[64];
    snprintf(text, sizeof(text), "%s: %d/%d", ui_text(TXT_PAGE_LABEL), page + 1, pages);
    draw_text(L.page_x, L.page_y, ui_font[L.page_font], WHITE, text, dst);
}

int list_row_height(int out)
{
    const SDL_Surface *bar = fixed_res[out == OUTPUT_HDMI ? OUTPUT_HDMI : OUTPUT_LCD].list[5];
    return (bar ? bar->h : 0) + 5;
}

int list_row_y(int out, int row)
{
    return chrome_layouts[out == OUTPUT_HDMI ? 1 : 0].rows_y + row * list_row_height(out);
}

void draw_row_highlight(SDL_Surface *dst, int y)
{
    const int out = chrome_out(dst);
    blit_at(chrome_layouts[out].highlight_x, y, fixed_res[out].list[5], dst);
}

void draw_row_text(SDL_Surface *dst, int x, int y, int number, const char *name, int width, int selected)
{
    char head[16];
    snprintf(head, sizeof(head), "%03d ", number);
    const std::string text = std::string(head) + (name ? name : "");
    TextClip clip = {ui_font[chrome_layouts[chrome_out(dst)].row_font], WHITE, text.c_str(), width};
    draw_text_clip(x, y, selected, &clip, dst);
}

void draw_notice(SDL_Surface *dst, const char *text)
{
    if (!dst)
        return;
    TTF_Font *font = ui_font[chrome_layouts[chrome_out(dst)].notice_font];
    int h = 0;
    const int w = text_width(font, text, &h);
    draw_text((dst->w - w) / 2, (dst->h - h) / 2, font, WHITE, text, dst);
}

void draw_empty_list(SDL_Surface *dst)
{
    draw_notice(dst, ui_text(TXT_EMPTY_LIST));
}

void draw_card_missing(SDL_Surface *dst)
{
    draw_notice(dst, ui_text(TXT_CARD_MISSING));
}
