// The date and time rules of the Settings screen: field limits and wraps,
// month lengths with leap years, the value texts and the column layout.

#include "vantor/settings.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

struct tm date(int year, int month, int day, int hour = 12, int minute = 30)
{
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return t;
}

void expect_date(const struct tm &t, int year, int month, int day, int hour, int minute)
{
    EXPECT_EQ(t.tm_year + 1900, year);
    EXPECT_EQ(t.tm_mon + 1, month);
    EXPECT_EQ(t.tm_mday, day);
    EXPECT_EQ(t.tm_hour, hour);
    EXPECT_EQ(t.tm_min, minute);
}

} // namespace

TEST(VantorSettingsDate, LeapYearsAndMonthLengths)
{
    EXPECT_EQ(is_leap_year(2024), 1);
    EXPECT_EQ(is_leap_year(2000), 1);
    EXPECT_EQ(is_leap_year(2100), 0);
    EXPECT_EQ(is_leap_year(1900), 0);
    EXPECT_EQ(is_leap_year(2023), 0);
    const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(days_in_month(m, 2023), lengths[m - 1]) << "month " << m;
    EXPECT_EQ(days_in_month(2, 2024), 29);
    EXPECT_EQ(days_in_month(2, 2000), 29);
    EXPECT_EQ(days_in_month(2, 2100), 28);
}

TEST(VantorSettingsDate, MonthUpFromJanuary31CutsTheDayToFebruary)
{
    const struct {
        int year, day;
    } cases[] = {{2023, 28}, {2024, 29}, {2100, 28}, {2000, 29}};
    for (const auto &c : cases) {
        struct tm t = date(c.year, 1, 31);
        EXPECT_EQ(change_date_time_field(&t, FIELD_MONTH, +1), 1);
        expect_date(t, c.year, 2, c.day, 12, 30);
    }
    // The year change cuts February 29 too.
    struct tm t = date(2024, 2, 29);
    EXPECT_EQ(change_date_time_field(&t, FIELD_YEAR, +1), 1);
    expect_date(t, 2025, 2, 28, 12, 30);
    // March 31, month down: February.
    t = date(2024, 3, 31);
    change_date_time_field(&t, FIELD_MONTH, -1);
    expect_date(t, 2024, 2, 29, 12, 30);
    // A day that fits stays.
    t = date(2024, 1, 15);
    change_date_time_field(&t, FIELD_MONTH, +1);
    expect_date(t, 2024, 2, 15, 12, 30);
}

TEST(VantorSettingsDate, FieldsWrapWithoutCarrying)
{
    struct tm t = date(2024, 12, 31, 23, 59);
    change_date_time_field(&t, FIELD_MONTH, +1);
    expect_date(t, 2024, 1, 31, 23, 59); // 12 -> 1, the year stays
    change_date_time_field(&t, FIELD_MONTH, -1);
    expect_date(t, 2024, 12, 31, 23, 59);
    change_date_time_field(&t, FIELD_DAY, +1);
    expect_date(t, 2024, 12, 1, 23, 59); // past the month's length -> 1
    change_date_time_field(&t, FIELD_DAY, -1);
    expect_date(t, 2024, 12, 31, 23, 59); // below 1 -> the month's length
    change_date_time_field(&t, FIELD_HOUR, +1);
    expect_date(t, 2024, 12, 31, 0, 59);
    change_date_time_field(&t, FIELD_HOUR, -1);
    expect_date(t, 2024, 12, 31, 23, 59);
    change_date_time_field(&t, FIELD_MINUTE, +1);
    expect_date(t, 2024, 12, 31, 23, 0);
    change_date_time_field(&t, FIELD_MINUTE, -1);
    expect_date(t, 2024, 12, 31, 23, 59);

    t = date(2023, 2, 1);
    change_date_time_field(&t, FIELD_DAY, -1);
    EXPECT_EQ(t.tm_mday, 28);
    t = date(2024, 2, 1);
    change_date_time_field(&t, FIELD_DAY, -1);
    EXPECT_EQ(t.tm_mday, 29);
    t = date(2024, 4, 1);
    change_date_time_field(&t, FIELD_DAY, -1);
    EXPECT_EQ(t.tm_mday, 30);
}

TEST(VantorSettingsDate, YearNotBelow1900AndWithoutUpperLimit)
{
    struct tm t = date(1900, 5, 5);
    EXPECT_EQ(change_date_time_field(&t, FIELD_YEAR, -1), 0);
    expect_date(t, 1900, 5, 5, 12, 30);
    t = date(2099, 5, 5);
    EXPECT_EQ(change_date_time_field(&t, FIELD_YEAR, +1), 1);
    EXPECT_EQ(t.tm_year + 1900, 2100);
    t = date(9999, 5, 5);
    change_date_time_field(&t, FIELD_YEAR, +1);
    EXPECT_EQ(t.tm_year + 1900, 10000);
}

TEST(VantorSettingsDate, OnlyDateAndTimeFieldsAndSingleStepsChange)
{
    struct tm t = date(2024, 5, 5);
    const struct tm before = t;
    EXPECT_EQ(change_date_time_field(&t, FIELD_12_HOUR_CLOCK, +1), 0);
    EXPECT_EQ(change_date_time_field(&t, FIELD_LANGUAGE, +1), 0);
    EXPECT_EQ(change_date_time_field(&t, FIELD_MINUTE, 0), 0);
    EXPECT_EQ(change_date_time_field(nullptr, FIELD_MINUTE, 1), 0);
    expect_date(t, before.tm_year + 1900, before.tm_mon + 1, before.tm_mday, before.tm_hour, before.tm_min);
}

TEST(VantorSettingsText, ValuesAndTheTwelveHourForm)
{
    struct tm t = date(2024, 3, 7, 0, 5);
    EXPECT_EQ(settings_value_text(t, FIELD_YEAR, 0), "2024");
    EXPECT_EQ(settings_value_text(t, FIELD_MONTH, 0), "03");
    EXPECT_EQ(settings_value_text(t, FIELD_DAY, 0), "07");
    EXPECT_EQ(settings_value_text(t, FIELD_MINUTE, 0), "05");
    EXPECT_EQ(settings_value_text(t, FIELD_HOUR, 0), "00");
    EXPECT_EQ(settings_value_text(t, FIELD_HOUR, 1), "12"); // 0 shows 12 (AM)
    t.tm_hour = 13;
    EXPECT_EQ(settings_value_text(t, FIELD_HOUR, 0), "13");
    EXPECT_EQ(settings_value_text(t, FIELD_HOUR, 1), "01"); // 13 shows 01 (PM)
    t.tm_hour = 12;
    EXPECT_EQ(settings_value_text(t, FIELD_HOUR, 1), "12");
    t.tm_hour = 11;
    EXPECT_EQ(settings_value_text(t, FIELD_HOUR, 1), "11");
    t.tm_year = 100 - 1900;
    EXPECT_EQ(settings_value_text(t, FIELD_YEAR, 0), "0100");
    EXPECT_EQ(settings_value_text(t, FIELD_12_HOUR_CLOCK, 0), "");
}

TEST(VantorSettingsLayout, ColumnsAndRows)
{
    const int centres[] = {110, 170, 230, 290, 350, 410, 470, 530};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(settings_column_centre(k), centres[k]);
    EXPECT_EQ(SETTINGS_UPPER_ROW_Y, 190);
    EXPECT_EQ(SETTINGS_LANGUAGE_ROW_Y, 360);
    // Hour sits in column 4, minute in 5, the 12-hour switch in 7.
    const int columns[] = {0, 1, 2, 4, 5, 7, -1};
    for (int f = 0; f <= FIELD_LANGUAGE; ++f)
        EXPECT_EQ(settings_field_column(f), columns[f]) << "field " << f;
}

// Leaving the screen sets the clock to the edited values plus the time spent
// since they were read (the whole rule runs through the main loop in the
// in-process tests); here the limits of the device's 32-bit clock.
TEST(VantorSettingsClock, TimesTheClockCannotHoldAreNotSet)
{
    setenv("TZ", "UTC0", 1);
    tzset();
    const time_t taken_at = 2147483000;          // 2038-01-19 03:03:20 UTC, 647 s before the 32-bit end
    struct tm edited = date(2038, 1, 19, 3, 13); // minute raised by ten
    edited.tm_sec = 20;
    time_t when = 0;
    ASSERT_EQ(settings_clock_time(edited, taken_at, taken_at + 40, &when), 0);
    EXPECT_EQ(when, taken_at + 600 + 40);
    const int past = settings_clock_time(edited, taken_at, taken_at + 100, &when); // 03:15:00
    const int far_off = settings_clock_time(date(2100, 1, 1), taken_at, taken_at, &when);
    EXPECT_EQ(past, sizeof(time_t) == 4 ? -1 : 0);
    EXPECT_EQ(far_off, sizeof(time_t) == 4 ? -1 : 0);
    unsetenv("TZ");
    tzset();
}
