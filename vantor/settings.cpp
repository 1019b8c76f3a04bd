#include "vantor/settings.h"

#include "common/shell.h"
#include "vantor/hardware.h"
#include "vantor/skin.h"

#include <cstdio>
#include <cstring>

SettingsScreen settings_screen;

namespace {

// The date and time value surfaces, rendered again on every entry.
void free_value_surfaces(SettingsScreen &s)
{
    s.year.reset();
    s.month.reset();
    s.day.reset();
    s.hour.reset();
    s.minute.reset();
}

// Heading keys and their English defaults, in field order.
const char *const HEADING_KEYS[7] = {"year-label",   "month-label",         "day-label",     "hour-label",
                                     "minute-label", "meridian-time-label", "language-label"};
const char *const HEADING_DEFAULTS[7] = {"YY", "MM", "DD", "HH", "MM", "MT", "Language"};

Surface &value_surface(int field)
{
    SettingsScreen &s = settings_screen;
    switch (field) {
    case FIELD_YEAR: return s.year;
    case FIELD_MONTH: return s.month;
    case FIELD_DAY: return s.day;
    case FIELD_HOUR: return s.hour;
    default: return s.minute;
    }
}

SDL_Surface *render_label(SkinResources &res, const char *key, const char *def)
{
    std::string text = get_skin_setting(res.language, key, def); // copy: the buffer is shared
    return render_text(res.font.get(), text.c_str(), res.guide_color);
}

void render_value(SkinResources &res, int field)
{
    std::string text = settings_value_text(settings_screen.edited, field, res.use12hour);
    value_surface(field).reset(render_text(res.font.get(), text.c_str(), res.guide_color));
}

// AM/PM and ON/OFF follow the hour and the 12-hour switch.
void render_meridian_and_switch(SkinResources &res)
{
    SettingsScreen &s = settings_screen;
    if (res.use12hour)
        s.meridian.reset(
            render_label(res, s.edited.tm_hour < 12 ? "am-label" : "pm-label", s.edited.tm_hour < 12 ? "AM" : "PM"));
    else
        s.meridian.reset();
    s.switch_value.reset(res.use12hour ? render_label(res, "on-label", "ON") : render_label(res, "off-label", "OFF"));
}

void render_all(SkinResources &res)
{
    SettingsScreen &s = settings_screen;
    for (int i = 0; i < 7; ++i)
        s.headings[i].reset(render_label(res, HEADING_KEYS[i], HEADING_DEFAULTS[i]));
    for (int field = FIELD_YEAR; field <= FIELD_MINUTE; ++field)
        render_value(res, field);
    render_meridian_and_switch(res);
    s.language_name.reset();
    if (res.language_index < 0 || res.language_index >= static_cast<int>(res.language_names.size()))
        s.language_name.reset(render_text(res.font.get(), res.language, res.guide_color));
}

// Re-reads the current time: the header clock is rendered again and the edited
// record starts over from it.
void restart_from_current_time(SkinResources &res)
{
    render_clock(res);
    settings_screen.edited = res.clock_time;
    settings_screen.taken_at = res.clock_seconds;
}

void blit(SDL_Surface *surface, SDL_Surface *screen, int x, int y)
{
    if (!surface || !screen)
        return;
    SDL_Rect dst = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(surface, nullptr, screen, &dst);
}

int surface_width(const SDL_Surface *s)
{
    return s ? s->w : 0;
}

int surface_height(const SDL_Surface *s)
{
    return s ? s->h : 0;
}

SDL_Surface *current_language_name(SkinResources &res)
{
    if (res.language_index >= 0 && res.language_index < static_cast<int>(res.language_names.size()))
        return res.language_names[static_cast<size_t>(res.language_index)].get();
    return settings_screen.language_name.get();
}

} // namespace

int is_leap_year(int year)
{
    return (year % 400 == 0 || (year % 4 == 0 && year % 100 != 0)) ? 1 : 0;
}

int days_in_month(int month, int year)
{
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11: return 30;
    case 2: return is_leap_year(year) ? 29 : 28;
    default: return 31;
    }
}

int change_date_time_field(struct tm *t, int field, int delta)
{
    if (!t || (delta != 1 && delta != -1))
        return 0;
    switch (field) {
    case FIELD_YEAR:
        if (delta < 0 && t->tm_year <= 0)
            return 0; // not below 1900
        t->tm_year += delta;
        break;
    case FIELD_MONTH: t->tm_mon = (t->tm_mon + delta + 12) % 12; break;
    case FIELD_DAY: {
        int days = days_in_month(t->tm_mon + 1, t->tm_year + 1900);
        t->tm_mday += delta;
        if (t->tm_mday > days)
            t->tm_mday = 1;
        else if (t->tm_mday < 1)
            t->tm_mday = days;
        return 1;
    }
    case FIELD_HOUR: t->tm_hour = (t->tm_hour + delta + 24) % 24; return 1;
    case FIELD_MINUTE: t->tm_min = (t->tm_min + delta + 60) % 60; return 1;
    default: return 0;
    }
    // After a year or month change the day may not fit the month any more.
    int days = days_in_month(t->tm_mon + 1, t->tm_year + 1900);
    if (t->tm_mday > days)
        t->tm_mday = days;
    return 1;
}

std::string settings_value_text(const struct tm &t, int field, int use12hour)
{
    char buf[32];
    switch (field) {
    case FIELD_YEAR: snprintf(buf, sizeof(buf), "%04d", t.tm_year + 1900); break;
    case FIELD_MONTH: snprintf(buf, sizeof(buf), "%02d", t.tm_mon + 1); break;
    case FIELD_DAY: snprintf(buf, sizeof(buf), "%02d", t.tm_mday); break;
    case FIELD_HOUR: {
        int hour = t.tm_hour;
        if (use12hour) {
            if (hour > 11)
                hour -= 12;
            if (hour == 0)
                hour = 12;
        }
        snprintf(buf, sizeof(buf), "%02d", hour);
        break;
    }
    case FIELD_MINUTE: snprintf(buf, sizeof(buf), "%02d", t.tm_min); break;
    default: return std::string();
    }
    return buf;
}

int settings_clock_time(const struct tm &edited, time_t taken_at, time_t now, time_t *out)
{
    struct tm t = edited;
    t.tm_isdst = -1; // let the zone rules decide, as for the header clock
    const time_t base = mktime(&t);
    if (base == static_cast<time_t>(-1) || !out)
        return -1;
    const long long when = static_cast<long long>(base) + (static_cast<long long>(now) - taken_at);
    if (static_cast<long long>(static_cast<time_t>(when)) != when)
        return -1;
    *out = static_cast<time_t>(when);
    return 0;
}

int settings_field_column(int field)
{
    static const int columns[] = {0, 1, 2, 4, 5, 7};
    if (field < 0 || field > FIELD_12_HOUR_CLOCK)
        return -1;
    return columns[field];
}

namespace {

// The date and time row is cut into eight columns between the side margins.
constexpr int SETTINGS_COLUMN_WIDTH = (SCREEN_WIDTH - 2 * SETTINGS_SIDE_MARGIN) / 8; // 60

} // namespace

int settings_column_centre(int column)
{
    return SETTINGS_SIDE_MARGIN + SETTINGS_COLUMN_WIDTH * column + SETTINGS_COLUMN_WIDTH / 2;
}

void enter_settings(SkinResources &res)
{
    // The values shown are those of the last clock refresh (up to 20 s old);
    // leaving adds the time that passed since.
    settings_screen.edited = res.clock_time;
    settings_screen.taken_at = res.clock_seconds;
    render_all(res);
}

SDL_Surface *render_settings_title(SkinResources &res)
{
    return render_label(res, "settings-label", "Settings");
}

int change_settings_field(SkinResources &res, int field, int delta)
{
    if (delta == 0)
        return -1;
    delta = delta > 0 ? 1 : -1;
    SettingsScreen &s = settings_screen;
    if (field >= FIELD_YEAR && field <= FIELD_MINUTE) {
        if (!change_date_time_field(&s.edited, field, delta))
            return -1;
        render_value(res, field);
        if (field == FIELD_YEAR || field == FIELD_MONTH)
            render_value(res, FIELD_DAY);
        if (field == FIELD_HOUR)
            render_meridian_and_switch(res);
        return 0;
    }
    if (field == FIELD_12_HOUR_CLOCK) {
        res.use12hour = res.use12hour ? 0 : 1;
        set_12hour_flag(res.use12hour);
        restart_from_current_time(res);
        for (int f = FIELD_YEAR; f <= FIELD_MINUTE; ++f)
            render_value(res, f);
        render_meridian_and_switch(res);
        return 0;
    }
    if (field == FIELD_LANGUAGE) {
        int count = res.language_count;
        if (count <= 0 || !res.languages)
            return -1;
        int index = res.language_index;
        if (index < 0 || index >= count)
            index = delta > 0 ? count - 1 : 0; // the current language is not in the list
        else if (delta > 0)
            index = (index - 1 + count) % count; // up: previous
        else
            index = (index + 1) % count; // down: next
        const std::string name = res.languages[index];
        set_language_setting(name.c_str());
        reload_language_resources(res, name.c_str());
        res.language_index = index;
        restart_from_current_time(res);
        render_all(res);
        return 1;
    }
    return -1;
}

void leave_settings(SkinResources &res)
{
    // A date the clock cannot hold (before 1901 or after 2038 with the
    // device's 32-bit time) is no time to set: the clock then keeps its time
    // rather than jumping to 1969.
    time_t when = 0;
    if (settings_clock_time(settings_screen.edited, settings_screen.taken_at, menu_wall_clock(), &when) == 0)
        set_system_time(when);
    run_shell(SHELL_PATH, "busybox hwclock -w");
    render_clock(res);
    free_value_surfaces(settings_screen);
}

void draw_settings(SDL_Surface *screen, SkinResources &res, int field)
{
    SettingsScreen &s = settings_screen;
    SDL_Surface *values[8] = {s.year.get(), s.month.get(),  s.day.get(),      nullptr,
                              s.hour.get(), s.minute.get(), s.meridian.get(), s.switch_value.get()};
    SDL_Surface *headings[8] = {s.headings[0].get(),
                                s.headings[1].get(),
                                s.headings[2].get(),
                                nullptr,
                                s.headings[3].get(),
                                s.headings[4].get(),
                                nullptr,
                                s.headings[5].get()};
    int value_top[8] = {};
    for (int column = 0; column < 8; ++column) {
        const int centre = settings_column_centre(column);
        SDL_Surface *value = values[column];
        value_top[column] = SETTINGS_UPPER_ROW_Y - surface_height(value) / 2;
        if (column == 6 && !res.use12hour)
            continue; // AM/PM only in 12-hour mode
        blit(value, screen, centre - surface_width(value) / 2, value_top[column]);
        SDL_Surface *heading = headings[column];
        blit(heading, screen, centre - surface_width(heading) / 2, value_top[column] - SETTINGS_HEADING_GAP);
    }

    SDL_Surface *name = current_language_name(res);
    const int name_top = SETTINGS_LANGUAGE_ROW_Y - surface_height(name) / 2;
    blit(name, screen, (SCREEN_WIDTH - surface_width(name)) / 2, name_top);
    SDL_Surface *language_heading = s.headings[6].get();
    blit(language_heading, screen, (SCREEN_WIDTH - surface_width(language_heading)) / 2,
         name_top - SETTINGS_HEADING_GAP);

    SDL_Surface *arrow = res.arrow.get();
    if (field == FIELD_LANGUAGE) {
        blit(arrow, screen, (SCREEN_WIDTH - surface_width(arrow)) / 2, name_top + SETTINGS_ARROW_GAP);
    } else {
        int column = settings_field_column(field);
        if (column >= 0)
            blit(arrow, screen, settings_column_centre(column) - surface_width(arrow) / 2,
                 value_top[column] + SETTINGS_ARROW_GAP);
    }
}

void free_settings()
{
    SettingsScreen &s = settings_screen;
    free_value_surfaces(s);
    s.meridian.reset();
    s.switch_value.reset();
    s.language_name.reset();
    for (Surface &h : s.headings)
        h.reset();
}
