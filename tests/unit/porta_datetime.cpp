// The date and time screen: the wrap rules of its fields (the day always within
// the chosen month), its keys, and the exact busybox commands it runs through
// the device's shell.

#include "porta/device/hardware.h"
#include "porta/ui/screens.h"
#include "porta/ui/datetime.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>

namespace {

DateTimeState date(int y, int m, int d, int cursor)
{
    DateTimeState s = {DATETIME_DATE, y, m, d, 13, 5, 7, cursor};
    return s;
}

struct tm at(int h, int m, int s)
{
    struct tm t = {};
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    return t;
}

std::string command(const DateTimeState &s, const struct tm &now)
{
    char buf[128];
    datetime_command(&s, &now, buf, sizeof buf);
    return buf;
}

} // namespace

TEST(DateTime, YearMonthAndTimeFieldsWrap)
{
    DateTimeState s = date(2050, 12, 15, DT_FIELD0);
    datetime_change(&s, 1);
    EXPECT_EQ(s.year, 2000);
    datetime_change(&s, -1);
    EXPECT_EQ(s.year, 2050);
    s.cursor = DT_FIELD1;
    datetime_change(&s, 1);
    EXPECT_EQ(s.month, 1);
    datetime_change(&s, -1);
    EXPECT_EQ(s.month, 12);
    EXPECT_EQ(s.day, 15);

    DateTimeState t = {DATETIME_TIME, 2024, 2, 29, 23, 59, 0, DT_FIELD0};
    datetime_change(&t, 1);
    EXPECT_EQ(t.hour, 0);
    datetime_change(&t, -1);
    EXPECT_EQ(t.hour, 23);
    t.cursor = DT_FIELD1;
    datetime_change(&t, 1);
    EXPECT_EQ(t.minute, 0);
    t.cursor = DT_FIELD2;
    datetime_change(&t, -1);
    EXPECT_EQ(t.second, 59);
    // The date is not touched in time mode; the buttons change nothing.
    EXPECT_EQ(t.year * 10000 + t.month * 100 + t.day, 20240229);
    for (int c : {DT_CANCEL, DT_CONFIRM}) {
        DateTimeState before = t;
        t.cursor = c;
        datetime_change(&t, 1);
        EXPECT_EQ(t.hour * 10000 + t.minute * 100 + t.second,
                  before.hour * 10000 + before.minute * 100 + before.second);
    }
}

TEST(DateTime, DayFollowsTheLengthOfTheChosenMonth)
{
    EXPECT_EQ(days_in_month(2024, 2), 29);
    EXPECT_EQ(days_in_month(2023, 2), 28);
    EXPECT_EQ(days_in_month(2000, 2), 29);
    EXPECT_EQ(days_in_month(2100, 2), 28);
    for (int m : {4, 6, 9, 11})
        EXPECT_EQ(days_in_month(2023, m), 30) << m;
    for (int m : {1, 3, 5, 7, 8, 10, 12})
        EXPECT_EQ(days_in_month(2023, m), 31) << m;

    // 29 February 2024 with the year changed to 2023: 28 February.
    DateTimeState s = date(2024, 2, 29, DT_FIELD0);
    datetime_change(&s, -1);
    EXPECT_EQ(s.year, 2023);
    EXPECT_EQ(s.day, 28);
    // The month set to February with the day at 31: 29 in a leap year.
    s = date(2024, 3, 31, DT_FIELD1);
    datetime_change(&s, -1);
    EXPECT_EQ(s.month, 2);
    EXPECT_EQ(s.day, 29);
    // 31 March becomes 30 April, 31 May becomes 30 April too: no 31 April.
    s = date(2023, 3, 31, DT_FIELD1);
    datetime_change(&s, 1);
    EXPECT_EQ(s.day, 30);
    s = date(2023, 5, 31, DT_FIELD1);
    datetime_change(&s, -1);
    EXPECT_EQ(s.month, 4);
    EXPECT_EQ(s.day, 30);
    // The day wraps within the month's own length.
    s = date(2023, 4, 30, DT_FIELD2);
    datetime_change(&s, 1);
    EXPECT_EQ(s.day, 1);
    datetime_change(&s, -1);
    EXPECT_EQ(s.day, 30);
    s = date(2023, 2, 1, DT_FIELD2);
    datetime_change(&s, -1);
    EXPECT_EQ(s.day, 28);
    s = date(2024, 2, 29, DT_FIELD2);
    datetime_change(&s, 1);
    EXPECT_EQ(s.day, 29) << "Up on February's last day keeps it";
    s = date(2023, 2, 28, DT_FIELD2);
    datetime_change(&s, 1);
    EXPECT_EQ(s.day, 28);
    s = date(2024, 1, 31, DT_FIELD2);
    datetime_change(&s, 1);
    EXPECT_EQ(s.day, 1);
}

TEST(DateTime, CommandLinesAreExact)
{
    // Date mode keeps the time of day of the moment of Confirm; no zeros in
    // front of the numbers.
    EXPECT_EQ(command(date(2024, 2, 9, DT_CONFIRM), at(13, 5, 7)), "busybox date -s  \"2024-2-9 13:5:7\" ");
    DateTimeState t = {DATETIME_TIME, 2024, 2, 9, 9, 0, 5, DT_CONFIRM};
    EXPECT_EQ(command(t, at(23, 59, 59)), "busybox date -s   9:0:5 ");
    EXPECT_STREQ(DATETIME_HWCLOCK_COMMAND, "busybox hwclock -w");

    struct tm local = at(1, 2, 3);
    local.tm_year = 124;
    local.tm_mon = 1;
    local.tm_mday = 29;
    DateTimeState loaded;
    datetime_load(&loaded, &local, 1);
    EXPECT_EQ(loaded.mode, DATETIME_TIME);
    EXPECT_EQ(loaded.year * 10000 + loaded.month * 100 + loaded.day, 20240229);
    EXPECT_EQ(loaded.cursor, 0);
    datetime_load(&loaded, &local, 7);
    EXPECT_EQ(loaded.mode, DATETIME_DATE);
}

TEST(DateTime, OnlyConfirmSetsTheClockThroughTheShell)
{
    TempRoot root;
    root.install_recording_shell(PORTA_SHELL, "/tmp/shell.log");
    screen = SCREEN_DATE_TIME;

    // A on a field, A on Cancel and B leave without a command.
    datetime_open(DATETIME_DATE);
    datetime_keypress(SDLK_LCTRL);
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS_PAGE);
    screen = SCREEN_DATE_TIME;
    date_time.cursor = DT_FIELD2;
    datetime_keypress(SDLK_RIGHT);
    datetime_keypress(SDLK_LCTRL);
    datetime_keypress(SDLK_LALT);
    EXPECT_TRUE(root.recorded("/tmp/shell.log").empty());

    // Right stops at Confirm, Left at the first field.
    screen = SCREEN_DATE_TIME;
    datetime_open(DATETIME_DATE);
    for (int i = 0; i < 3; i++)
        datetime_keypress(SDLK_LEFT);
    EXPECT_EQ(date_time.cursor, DT_FIELD0);
    date_time.year = 2031;
    date_time.month = 6;
    date_time.day = 30;
    for (int i = 0; i < 6; i++)
        datetime_keypress(SDLK_RIGHT);
    ASSERT_EQ(date_time.cursor, DT_CONFIRM);
    datetime_keypress(SDLK_LCTRL);
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS_PAGE);
    std::vector<std::string> cmds = root.recorded("/tmp/shell.log");
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].rfind("busybox date -s  \"2031-6-30 ", 0), 0u) << cmds[0];
    EXPECT_EQ(cmds[0].back(), ' ');
    EXPECT_EQ(cmds[1], "busybox hwclock -w");

    // Time mode sets the time alone.
    screen = SCREEN_DATE_TIME;
    datetime_open(DATETIME_TIME);
    date_time.hour = 7;
    date_time.minute = 8;
    date_time.second = 0;
    date_time.cursor = DT_CONFIRM;
    datetime_keypress(SDLK_LCTRL);
    cmds = root.recorded("/tmp/shell.log");
    ASSERT_EQ(cmds.size(), 4u);
    EXPECT_EQ(cmds[2], "busybox date -s   7:8:0 ");
    EXPECT_EQ(cmds[3], "busybox hwclock -w");
}
