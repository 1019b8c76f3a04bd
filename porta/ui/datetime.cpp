#include "porta/ui/datetime.h"

#include "porta/base/attr.h"
#include "porta/device/hardware.h"
#include "porta/device/keycodes.h"
#include "porta/library/browse.h"
#include "porta/ui/chrome.h"
#include "porta/ui/draw.h"
#include "porta/ui/loop.h"
#include "porta/ui/settings.h"

#include <cstdio>

DateTimeState date_time = {DATETIME_DATE, 2000, 1, 1, 0, 0, 0, 0};

// ---- texts ---------------------------------------------------------------

namespace {

const char *const date_units[LANGUAGE_COUNT][3] = {
    {"年", "月", "日"}, {"年", "月", "日"},   {"year", "month", "day"},
    {"年", "月", "日"}, {"년도", "월", "낮"}, {"año", "mes", "dia"},
};
const char *const time_units[LANGUAGE_COUNT][3] = {
    {"时", "分", "秒"}, {"時", "分", "秒"}, {"H", "M", "S"}, {"H", "M", "S"}, {"H", "M", "S"}, {"H", "M", "S"},
};
const char *const word_cancel[LANGUAGE_COUNT] = {"取消", "取消", "Cancel", "キャンセル", "취소", "Cancelar"};
const char *const word_confirm[LANGUAGE_COUNT] = {"确认", "確認", "Confirm", "確認", "확인하다", "Confirmar"};

// ---- field rules ---------------------------------------------------------

// v + delta within lo..hi: below lo gives hi, above hi gives lo.
int wrap(int v, int delta, int lo, int hi)
{
    v += delta;
    if (v < lo)
        return hi;
    if (v > hi)
        return lo;
    return v;
}

// ---- screen --------------------------------------------------------------

void leave(void)
{
    screen = SCREEN_SETTINGS_PAGE;
}

} // namespace

// ---- field rules ---------------------------------------------------------

int is_leap_year(int year)
{
    return (year % 400 == 0) || (year % 4 == 0 && year % 100 != 0);
}

int days_in_month(int year, int month)
{
    switch (month) {
    case 2: return is_leap_year(year) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11: return 30;
    default: return 31;
    }
}

void datetime_load(DateTimeState *s, const struct tm *local, int mode)
{
    s->mode = mode == 1 ? DATETIME_TIME : DATETIME_DATE;
    s->year = local->tm_year + 1900;
    s->month = local->tm_mon + 1;
    s->day = local->tm_mday;
    s->hour = local->tm_hour;
    s->minute = local->tm_min;
    s->second = local->tm_sec;
    s->cursor = DT_FIELD0;
}

void datetime_change(DateTimeState *s, int delta)
{
    if (s->cursor < DT_FIELD0 || s->cursor > DT_FIELD2)
        return;
    if (s->mode == DATETIME_TIME) {
        switch (s->cursor) {
        case DT_FIELD0: s->hour = wrap(s->hour, delta, 0, 23); break;
        case DT_FIELD1: s->minute = wrap(s->minute, delta, 0, 59); break;
        default: s->second = wrap(s->second, delta, 0, 59); break;
        }
        return;
    }
    switch (s->cursor) {
    case DT_FIELD0: s->year = wrap(s->year, delta, DATETIME_YEAR_MIN, DATETIME_YEAR_MAX); break;
    case DT_FIELD1: s->month = wrap(s->month, delta, 1, 12); break;
    default:
        // February wraps as a 30-day month and is then cut to its last day
        // below, so Up on its last day keeps it and Down on day 1 gives it;
        // every other month wraps within its own length.
        s->day = wrap(s->day, delta, 1, s->month == 2 ? 30 : days_in_month(s->year, s->month));
        break;
    }
    // The day follows the month and year: 31 becomes 30 in April, 29 or 28
    // in February.
    const int last = days_in_month(s->year, s->month);
    if (s->day > last)
        s->day = last;
    if (s->day < 1)
        s->day = 1;
}

int datetime_command(const DateTimeState *s, const struct tm *now, char *buf, size_t size)
{
    if (s->mode == DATETIME_TIME)
        return snprintf(buf, size, "busybox date -s   %d:%d:%d ", s->hour, s->minute, s->second);
    return snprintf(buf, size, "busybox date -s  \"%d-%d-%d %d:%d:%d\" ", s->year, s->month, s->day, now->tm_hour,
                    now->tm_min, now->tm_sec);
}

// ---- screen --------------------------------------------------------------

void datetime_open(int mode)
{
    time_t t = time(nullptr);
    struct tm local;
    if (!localtime_r(&t, &local)) {
        struct tm zero = {};
        zero.tm_year = DATETIME_YEAR_MIN - 1900;
        zero.tm_mday = 1;
        local = zero;
    }
    datetime_load(&date_time, &local, mode);
    request_redraw();
}

void datetime_apply(void)
{
    time_t t = time(nullptr);
    struct tm now = {};
    localtime_r(&t, &now);
    char command[128];
    datetime_command(&date_time, &now, command, sizeof(command));
    shell_run(command);
    shell_run(DATETIME_HWCLOCK_COMMAND);
}

void datetime_keypress(int key)
{
    DateTimeState &s = date_time;
    switch (key) {
    case KEYCODE_RIGHT:
        if (s.cursor < DT_CONFIRM)
            s.cursor++;
        break;
    case KEYCODE_LEFT:
        if (s.cursor > DT_FIELD0)
            s.cursor--;
        break;
    case KEYCODE_UP: datetime_change(&s, 1); break;
    case KEYCODE_DOWN: datetime_change(&s, -1); break;
    case KEYCODE_A:
        if (s.cursor == DT_CONFIRM)
            datetime_apply();
        leave();
        break;
    case KEYCODE_B: leave(); break;
    default: break;
    }
}

// Positions of one output.
struct DateTimeLayout {
    int band_y, band_h;
    int field_x, field_y, field_w;
    int cancel_x, confirm_x, button_y;
};

namespace {

const DateTimeLayout datetime_layouts[OUTPUT_COUNT] = {
    {200, 220, 220, 220, 70, 180, 340, 360},
    {360, 250, 530, 400, 70, 490, 650, 550},
};

// A line centred in a field's column.
void centred(SDL_Surface *dst, int x, int w, int y, TTF_Font *font, SDL_Color c, const char *text)
{
    int tw = 0, th = 0;
    text_size(font, text, &tw, &th);
    draw_text(x + (w - tw) / 2, y, font, c, text, dst);
}

// A field's value, unit and minus sign below its plus sign.
constexpr int FIELD_VALUE_DY = 45;
constexpr int FIELD_UNIT_DY = 70;
constexpr int FIELD_MINUS_DY = 100;

} // namespace

void datetime_draw(SDL_Surface *dst)
{
    if (!dst)
        return;
    const int out = chrome_out(dst);
    const DateTimeLayout &L = datetime_layouts[out];
    const DateTimeState &s = date_time;
    const int lang = ui_language();

    // The date and time page behind, shaded, and the white band.
    settings_page_draw(dst);
    blit_at(0, 0, settings_menu_image(MENU_IMG_SHADE), dst);
    SDL_Rect band = {0, static_cast<Sint16>(L.band_y), static_cast<Uint16>(dst->w), static_cast<Uint16>(L.band_h)};
    SDL_FillRect(dst, &band, SDL_MapRGB(dst->format, 255, 255, 255));

    const int values[2][3] = {{s.year, s.month, s.day}, {s.hour, s.minute, s.second}};
    const char *const *units = s.mode == DATETIME_TIME ? time_units[lang] : date_units[lang];
    for (int f = 0; f < 3; f++) {
        const SDL_Color c = s.cursor == f ? SDL_Color{0, 0, 255, 0} : SDL_Color{0, 0, 0, 0};
        const int x = L.field_x + f * L.field_w;
        char value[16];
        snprintf(value, sizeof(value), "%02d", values[s.mode == DATETIME_TIME ? 1 : 0][f]);
        centred(dst, x, L.field_w, L.field_y, ui_font[FONT_18], c, "+");
        centred(dst, x, L.field_w, L.field_y + FIELD_VALUE_DY, ui_font[FONT_18], c, value);
        centred(dst, x, L.field_w, L.field_y + FIELD_UNIT_DY, ui_font[FONT_16], c, units[f]);
        centred(dst, x, L.field_w, L.field_y + FIELD_MINUS_DY, ui_font[FONT_18], c, "-");
    }
    draw_menu_button(dst, L.cancel_x, L.button_y, s.cursor == DT_CANCEL, word_cancel[lang], ui_font[FONT_16]);
    draw_menu_button(dst, L.confirm_x, L.button_y, s.cursor == DT_CONFIRM, word_confirm[lang], ui_font[FONT_16]);
    draw_top_bar(dst);
}
