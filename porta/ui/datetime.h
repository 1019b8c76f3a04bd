#pragma once

// The date and time screen (SCREEN_DATE_TIME), opened from the settings'
// date and time page: three fields (year, month, day or hour, minute,
// second), Cancel and Confirm. Confirm sets the system clock and the hardware
// clock through busybox in the device's shell. The day always stays within
// the length of the chosen month, so no impossible date is ever sent.

#include <cstddef>
#include <ctime>

#include <SDL/SDL.h>

enum { DATETIME_DATE = 0, DATETIME_TIME = 1 };
enum { DT_FIELD0 = 0, DT_FIELD1 = 1, DT_FIELD2 = 2, DT_CANCEL = 3, DT_CONFIRM = 4 };
constexpr int DATETIME_YEAR_MIN = 2000;
constexpr int DATETIME_YEAR_MAX = 2050;

struct DateTimeState {
    int mode; // DATETIME_DATE or DATETIME_TIME
    int year, month, day;
    int hour, minute, second;
    int cursor; // 0..2 the fields, 3 Cancel, 4 Confirm
};

extern DateTimeState date_time;

// Days of a month of a year (February 29 in leap years).
int days_in_month(int year, int month);
int is_leap_year(int year);

// The six values of a local time, the mode (1 time, anything else date) and
// the cursor on the first field.
void datetime_load(DateTimeState *s, const struct tm *local, int mode);
// Up (+1) or Down (-1) on the field under the cursor, with the wrap rules of
// the field: years 2000-2050, months 1-12, days 1 to the month's length (the
// day also follows a month or year change), hours 0-23, minutes and seconds
// 0-59. Nothing on the buttons.
void datetime_change(DateTimeState *s, int delta);
// The busybox command that sets the clock: in date mode the date with the
// time of day of `now`, in time mode the time. Returns the length written.
int datetime_command(const DateTimeState *s, const struct tm *now, char *buf, size_t size);
constexpr const char DATETIME_HWCLOCK_COMMAND[] = "busybox hwclock -w";

// Opens the screen with the current local time (mode as for datetime_load).
void datetime_open(int mode);
// Sets the clock (the command above, then the hardware clock). Their results
// are ignored: a refused command leaves the clock as it was.
void datetime_apply(void);
// SCREEN_DATE_TIME: released keys (no key sounds).
void datetime_keypress(int key);
void datetime_draw(SDL_Surface *dst);
