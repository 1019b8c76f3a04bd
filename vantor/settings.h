#pragma once

// The Settings screen of the front end: date, time, the 12-hour clock switch
// and the interface language, in seven fields (0 year, 1 month, 2 day, 3 hour,
// 4 minute, 5 12-hour switch, 6 language). Left/right choose the field (the
// main loop keeps it as the MenuModel column, max column 6); up/down change it.
// Leaving writes the edited date and time to the system and hardware clocks.

#include <ctime>
#include <string>

#include <SDL/SDL.h>

#include "vantor/render.h"

// The fields in screen order; the MenuModel column that selects one is its value.
enum SettingsField {
    FIELD_YEAR,
    FIELD_MONTH,
    FIELD_DAY,
    FIELD_HOUR,
    FIELD_MINUTE,
    FIELD_12_HOUR_CLOCK,
    FIELD_LANGUAGE
};
constexpr int SETTINGS_MAX_COLUMN = FIELD_LANGUAGE;

// Layout of the screen (640x480).
constexpr int SETTINGS_TOP_MARGIN = 140;
constexpr int SETTINGS_SIDE_MARGIN = 80;
constexpr int SETTINGS_HEADING_GAP = 80;
constexpr int SETTINGS_ARROW_GAP = 60;
constexpr int SETTINGS_UPPER_ROW_Y = (SCREEN_HEIGHT - 2 * SETTINGS_TOP_MARGIN) / 4 + SETTINGS_TOP_MARGIN; // 190
constexpr int SETTINGS_LANGUAGE_ROW_Y = SCREEN_HEIGHT / 4 * 3;                                            // 360

// What the screen keeps while it is shown.
struct SettingsScreen {
    struct tm edited = {}; // the date and time being edited (local time)
    time_t taken_at = 0;   // when `edited` was read from the clock
    Surface year, month, day, hour, minute;
    Surface meridian;      // AM or PM, shown in 12-hour mode
    Surface switch_value;  // ON or OFF
    Surface language_name; // used only when the language list has no name for the current one
    Surface headings[7];   // year, month, day, hour, minute, 12-hour switch, language
};
extern SettingsScreen settings_screen;

// --- Date and time rules ---------------------------------------------------------

// 1 for leap years (divisible by 400, or by 4 and not by 100).
int is_leap_year(int year);
// Days of a month (1..12) in a year (full year, e.g. 2024).
int days_in_month(int month, int year);
// Changes one date/time field (FIELD_YEAR..FIELD_MINUTE) of `t` by +1 or -1 with
// the screen's limits: the year not below 1900, month, day, hour and minute
// wrap, and after a year or month change the day is cut to the month's length.
// Returns 1 when something changed, 0 when not (year 1900 down, other fields).
int change_date_time_field(struct tm *t, int field, int delta);
// The value text of a date/time field: "%04d" year, "%02d" month (1..12), day,
// hour (12-hour form in 12-hour mode: 0 shows 12, 13 shows 01) and minute.
std::string settings_value_text(const struct tm &t, int field, int use12hour);
// The time to set when the screen is left: the edited date and time plus the
// seconds that passed between `taken_at` (when the edited record was read from
// the clock) and `now`. Leaving without an edit so keeps the clock where it is,
// and an edit of +3 minutes sets it exactly 3 minutes ahead. Returns 0 with
// *out filled, or -1 when the time cannot be represented (mktime fails, or it
// falls outside time_t, as years past 2038 do on the device).
int settings_clock_time(const struct tm &edited, time_t taken_at, time_t now, time_t *out);
// The screen column (0..7) a field is drawn in: 0 1 2 4 5 7, and -1 for the
// language, which has its own row.
int settings_field_column(int field);
// The centre x of a column.
int settings_column_centre(int column);

// --- Screen actions (called by the main loop) --------------------------------------

// 'm' in Home, after the caller switched to Settings (title, saved Home
// position, max column 6, clock refresh off): takes the time of the last clock
// refresh as the edited record and renders the headings and values.
void enter_settings(SkinResources &res);
// The header title of the screen ("settings-label") in the current language.
SDL_Surface *render_settings_title(SkinResources &res);
// Up (delta +1) or down (delta -1) on `field`. Returns 1 when the language
// changed: the caller then renders its title again (render_settings_title) and
// any other language-dependent surface it owns. Returns 0 for another change
// and -1 when nothing changed.
int change_settings_field(SkinResources &res, int field, int delta);
// 'b' or 'm' in Settings, before the caller returns to Home and switches the
// clock refresh on: sets the system clock (every time, also unchanged; see
// settings_clock_time), runs "busybox hwclock -w", re-renders the header clock
// and frees the value surfaces.
void leave_settings(SkinResources &res);
// Draws the screen's content for the selected field (part of a frame).
void draw_settings(SDL_Surface *screen, SkinResources &res, int field);
// Frees everything the screen holds (at exit).
void free_settings();
