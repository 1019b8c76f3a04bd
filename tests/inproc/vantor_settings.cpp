// The Settings screen through the front end's real main loop: editing the
// date and time, writing the clock on leaving, the 12-hour switch discarding
// edits, the language change reloading what depends on it, and where the
// values, headings and the selection arrow are drawn.

#include "vantor_loop_test.h"

#include "vantor/settings.h"

#include <cstdlib>

#include <SDL/SDL_image.h>
#include <SDL/SDL_ttf.h>

using namespace vantor_loop;

namespace {

const char *const CLOCK_REQUESTS = "/.clock-requests";
const char *const COMMANDS = "/tmp/commands.log";
const char *const TWELVE_HOUR_FLAG = "/mnt/mmc/CFW/12hourclock.flag";
constexpr Uint32 ARROW_COLOUR = 0xF800; // pure red in the 16-bit screen format

struct tm date(int year, int month, int day, int hour, int minute)
{
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return t;
}

std::function<void(MenuModel &)> set_edited(struct tm t)
{
    return [t](MenuModel &) { settings_screen.edited = t; };
}

// The device runs without a zone offset; so do these tests.
class VantorSettingsScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *tz = getenv("TZ");
        had_tz = tz != nullptr;
        if (tz)
            old_tz = tz;
        setenv("TZ", "UTC0", 1);
        tzset();
        base_root(root);
        // A plain red arrow, so the tests can find where it is drawn.
        ASSERT_EQ(
            host_system("convert -size 20x10 xc:'#ff0000' 'PNG24:" + root.host("/mnt/mmc/CFW/skin/arrow.png") + "'"),
            0);
    }
    void TearDown() override
    {
        wall_start = 0;
        if (had_tz)
            setenv("TZ", old_tz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    std::vector<std::string> clock_requests() { return root.recorded(CLOCK_REQUESTS); }

    TempRoot root;
    bool had_tz = false;
    std::string old_tz;
};

Uint32 pixel(SDL_Surface *s, int x, int y)
{
    const Uint8 *row = static_cast<const Uint8 *>(s->pixels) + y * s->pitch;
    return reinterpret_cast<const Uint16 *>(row)[x];
}

// The bounding box of the arrow's red pixels in the Settings area.
struct Box {
    int left = 10000, top = 10000, right = -1, bottom = -1;
};

Box find_arrow(SDL_Surface *screen)
{
    Box b;
    SDL_LockSurface(screen);
    for (int y = 60; y < 440; ++y) {
        for (int x = 0; x < screen->w; ++x) {
            if (pixel(screen, x, y) == ARROW_COLOUR) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
        }
    }
    SDL_UnlockSurface(screen);
    return b;
}

// A value of the root's English language file ("key": "value" lines).
std::string english_value(const TempRoot &root, const std::string &key)
{
    const std::string text = root.read("/mnt/mmc/CFW/lang/English.json");
    const size_t at = text.find("\"" + key + "\":");
    if (at == std::string::npos)
        return std::string();
    const size_t open = text.find('"', at + key.size() + 3);
    const size_t close = open == std::string::npos ? open : text.find('"', open + 1);
    if (close == std::string::npos)
        return std::string();
    return text.substr(open + 1, close - open - 1);
}

// Width of a text in the main font of the English language file.
int text_width(const TempRoot &root, const char *text)
{
    if (TTF_Init() != 0)
        return -1;
    int w = -1, h = 0;
    const std::string font = root.host("/mnt/mmc/CFW/font/" + english_value(root, "font"));
    TTF_Font *f = TTF_OpenFont(font.c_str(), atoi(english_value(root, "font-size").c_str()));
    if (f) {
        TTF_SizeUTF8(f, text, &w, &h);
        TTF_CloseFont(f);
    }
    TTF_Quit();
    return w;
}

} // namespace

TEST_F(VantorSettingsScreen, EditedDateAndTimeAreWrittenOnLeaving)
{
    struct tm edited = {};
    Snapshot home;
    // January 31 10:59 -> month up (February 29 in 2024) -> minute up (00).
    run_menu(root, {keys({'m'}), set_edited(date(2024, 1, 31, 10, 59)), keys({'d', 'w'}), keys({'d', 'd', 'd', 'w'}),
                    [&](MenuModel &) { edited = settings_screen.edited; }, keys({'b'}), take(&home)});
    EXPECT_EQ(edited.tm_year + 1900, 2024);
    EXPECT_EQ(edited.tm_mon + 1, 2);
    EXPECT_EQ(edited.tm_mday, 29);
    EXPECT_EQ(edited.tm_hour, 10);
    EXPECT_EQ(edited.tm_min, 0);
    EXPECT_EQ(home.state, STATE_HOME);
    // 2024-02-29 10:00:00 UTC.
    EXPECT_EQ(clock_requests(), std::vector<std::string>{"1709200800"});
    EXPECT_EQ(root.recorded(COMMANDS), std::vector<std::string>{"busybox hwclock -w"});
}

TEST_F(VantorSettingsScreen, LeavingWithoutChangesStillWritesTheTimeAndMWorksLikeBack)
{
    const time_t before = time(nullptr);
    run_menu(root, {keys({'m'}), keys({'m'}), keys({'m'}), keys({'b'})});
    const time_t after = time(nullptr);
    const std::vector<std::string> requests = clock_requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const std::string &r : requests) {
        // The edited record is the time of the last clock refresh.
        const long long t = atoll(r.c_str());
        EXPECT_GE(t, static_cast<long long>(before) - 60);
        EXPECT_LE(t, static_cast<long long>(after));
    }
    EXPECT_EQ(root.recorded(COMMANDS), (std::vector<std::string>{"busybox hwclock -w", "busybox hwclock -w"}));
}

// The screen shows the time of the last clock refresh; leaving sets the clock
// to what it shows plus the time that passed since, so a visit does not turn
// the clock back.
TEST_F(VantorSettingsScreen, LeavingAddsTheTimeSpentSinceTheValuesWereRead)
{
    wall_start = 1710062142; // 2024-03-10 09:15:42 UTC
    auto wait = [](Uint32 ms) { return [ms](MenuModel &) { now += ms; }; };
    time_t left_plain = 0, left_edited = 0;
    // In after 9 s, out 6 s later without an edit.
    run_menu(root, {wait(9000), keys({'m'}), wait(6000), [&](MenuModel &) {
                        left_plain = menu_wall_clock();
                        press('b');
                    }});
    // The same with the minute raised three times.
    run_menu(root,
             {wait(9000), keys({'m'}), keys({'d', 'd', 'd', 'd'}), keys({'w', 'w', 'w'}), wait(7000), [&](MenuModel &) {
                  left_edited = menu_wall_clock();
                  press('b');
              }});
    EXPECT_GE(left_plain - wall_start, 15);
    EXPECT_GE(left_edited - wall_start, 16);
    EXPECT_EQ(clock_requests(),
              (std::vector<std::string>{std::to_string(left_plain), std::to_string(left_edited + 180)}));
}

TEST_F(VantorSettingsScreen, YearDownStopsAt1900)
{
    run_menu(root, {keys({'m'}), set_edited(date(1901, 6, 15, 12, 0)), keys({'s', 's', 's'}), keys({'b'})});
    if (sizeof(time_t) > 4) {
        // 1900-06-15 12:00:00 UTC.
        EXPECT_EQ(clock_requests(), std::vector<std::string>{"-2194689600"});
    } else {
        // The device's 32-bit clock cannot hold 1900: the clock is left alone
        // instead of being set to -1 (1969-12-31 23:59:59).
        EXPECT_TRUE(clock_requests().empty());
    }
    EXPECT_EQ(root.recorded(COMMANDS), std::vector<std::string>{"busybox hwclock -w"});
}

TEST_F(VantorSettingsScreen, YearPast2038IsSetOnlyWhereTheClockCanHoldIt)
{
    Snapshot home;
    run_menu(root, {keys({'m'}), set_edited(date(2099, 1, 1, 0, 0)), keys({'w'}), keys({'b'}), take(&home)});
    EXPECT_EQ(home.state, STATE_HOME);
    if (sizeof(time_t) > 4)
        EXPECT_EQ(clock_requests(), std::vector<std::string>{"4102444800"}); // 2100-01-01 00:00:00 UTC
    else
        EXPECT_TRUE(clock_requests().empty());
    EXPECT_EQ(root.recorded(COMMANDS), std::vector<std::string>{"busybox hwclock -w"});
}

TEST_F(VantorSettingsScreen, TwelveHourSwitchDiscardsEditsAndStoresTheFlag)
{
    struct tm after_toggle = {};
    bool meridian_in24 = true, meridian_in12 = false;
    run_menu(root, {keys({'m'}), [&](MenuModel &) { meridian_in24 = settings_screen.meridian != nullptr; },
                    set_edited(date(1950, 3, 3, 3, 3)), keys({'q', 'q'}), // field 5
                    keys({'w'}),
                    [&](MenuModel &) {
                        after_toggle = settings_screen.edited;
                        meridian_in12 = settings_screen.meridian != nullptr;
                    }});
    EXPECT_FALSE(meridian_in24) << "AM/PM only in 12-hour mode";
    EXPECT_TRUE(meridian_in12);
    EXPECT_GE(after_toggle.tm_year + 1900, 2024) << "the edits are replaced by the current time";
    EXPECT_TRUE(root.exists(TWELVE_HOUR_FLAG));
    EXPECT_EQ(root.read(TWELVE_HOUR_FLAG), "");

    // Down toggles too: off again, the flag file goes.
    run_menu(root, {keys({'m', 'q', 'q', 's'})});
    EXPECT_FALSE(root.exists(TWELVE_HOUR_FLAG));
}

TEST_F(VantorSettingsScreen, MidnightInTwelveHourModeShowsTwelveAm)
{
    root.write(TWELVE_HOUR_FLAG, "");
    int hour_width = -1, meridian_width = -1, hour13_width = -1, pm_width = -1;
    run_menu(root, {keys({'m'}), set_edited(date(2024, 5, 5, 23, 0)), keys({'d', 'd', 'd', 'w'}), // hour 23 -> 0
                    [&](MenuModel &) {
                        hour_width = settings_screen.hour ? settings_screen.hour->w : -1;
                        meridian_width = settings_screen.meridian ? settings_screen.meridian->w : -1;
                    },
                    set_edited(date(2024, 5, 5, 12, 0)), keys({'w'}), // hour 12 -> 13
                    [&](MenuModel &) {
                        hour13_width = settings_screen.hour ? settings_screen.hour->w : -1;
                        pm_width = settings_screen.meridian ? settings_screen.meridian->w : -1;
                    }});
    EXPECT_EQ(hour_width, text_width(root, "12"));
    EXPECT_EQ(meridian_width, text_width(root, "AM"));
    EXPECT_EQ(hour13_width, text_width(root, "01"));
    EXPECT_EQ(pm_width, text_width(root, "PM"));
    EXPECT_NE(text_width(root, "AM"), text_width(root, "PM"));
}

TEST_F(VantorSettingsScreen, LanguageWrapsOverTheListAndReloadsTheTexts)
{
    // Three languages, listed in name order: Deutsch, English, Francais.
    remove_tree(root.host("/mnt/mmc/CFW/lang"));
    root.write("/mnt/mmc/CFW/lang/Deutsch.json", "{\n  \"iso-code\": \"de_DE\",\n  \"year-label\": \"JJJJ\"\n}\n");
    root.write("/mnt/mmc/CFW/lang/English.json", "{\n  \"iso-code\": \"en\"\n}\n");
    root.write("/mnt/mmc/CFW/lang/Francais.json", "{\n  \"iso-code\": \"fr_FR\",\n  \"year-label\": \"AA\"\n}\n");
    root.write("/mnt/mmc/CFW/language.flag", "English");
    std::vector<std::string> stored;
    auto record = [&](MenuModel &) { stored.push_back(root.read("/mnt/mmc/CFW/language.flag")); };
    bool title_after_change = false;
    run_menu(root, {keys({'m', 'q'}), // field 6
                    keys({'s'}), record, keys({'w'}), record, keys({'w'}), record, keys({'w'}), record,
                    [&](MenuModel &m) { title_after_change = m.title != nullptr; }, keys({'b'}), keys({'q', 'a'})});
    // Down: next; up: previous, wrapping from the first to the last.
    EXPECT_EQ(stored, (std::vector<std::string>{"Francais", "English", "Deutsch", "Francais"}));
    EXPECT_TRUE(title_after_change);
    // The launch that follows speaks the new language.
    EXPECT_EQ(root.read("/mnt/mmc/CFW/retroarch/command.sh"),
              "#!/bin/sh\nexport LANG=fr_FR\n/mnt/mmc/CFW/retroarch/retroarch\nexit $?\n");
}

TEST_F(VantorSettingsScreen, LanguageChangeRestartsTheEditsFromTheCurrentTime)
{
    struct tm after = {};
    run_menu(root, {keys({'m'}), set_edited(date(1950, 3, 3, 3, 3)), keys({'q', 's'}),
                    [&](MenuModel &) { after = settings_screen.edited; }, keys({'w'})});
    EXPECT_GE(after.tm_year + 1900, 2024);
    EXPECT_EQ(root.read("/mnt/mmc/CFW/language.flag"), "English");
}

TEST_F(VantorSettingsScreen, ArrowMarksTheSelectedFieldsColumn)
{
    Box boxes[7];
    int value_top = -1, name_top = -1;
    std::vector<std::function<void(MenuModel &)>> steps = {keys({'m'})};
    for (int field = 0; field < 7; ++field) {
        steps.push_back(idle()); // the frame after the move is drawn before the next hook
        steps.push_back([&boxes, field](MenuModel &m) {
            EXPECT_EQ(m.column, field);
            boxes[field] = find_arrow(SDL_GetVideoSurface());
        });
        steps.push_back(keys({'d'}));
    }
    steps.push_back([&](MenuModel &) { value_top = SETTINGS_UPPER_ROW_Y - settings_screen.year->h / 2; });
    run_menu(root, steps);
    ASSERT_GT(value_top, 0);
    const int expected_centre[7] = {110, 170, 230, 350, 410, 530, 320};
    for (int field = 0; field < 7; ++field) {
        const Box &b = boxes[field];
        EXPECT_EQ(b.right - b.left + 1, 20) << "field " << field;
        EXPECT_EQ(b.bottom - b.top + 1, 10) << "field " << field;
        EXPECT_EQ(b.left, expected_centre[field] - 10) << "field " << field;
        if (field < 6) {
            EXPECT_EQ(b.top, value_top + SETTINGS_ARROW_GAP) << "field " << field;
        }
    }
    // The language row: the name is centred on y = 360, the arrow 60 below its top.
    name_top = boxes[6].top - SETTINGS_ARROW_GAP;
    EXPECT_GT(name_top, SETTINGS_UPPER_ROW_Y);
    EXPECT_LT(name_top, SETTINGS_LANGUAGE_ROW_Y);
}

TEST_F(VantorSettingsScreen, ValuesAndHeadingsAreDrawnInTheirColumns)
{
    SDL_Surface *copy = nullptr;
    int year_top = -1, year_heading_height = -1;
    run_menu(root, {keys({'m'}), idle(), [&](MenuModel &) {
                        SDL_Surface *screen = SDL_GetVideoSurface();
                        copy = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
                        year_top = SETTINGS_UPPER_ROW_Y - settings_screen.year->h / 2;
                        year_heading_height = settings_screen.headings[0]->h;
                    }});
    ASSERT_NE(copy, nullptr);
    // Against the background alone, the columns that hold text differ from
    // the background and column 3 (empty) and 6 (no AM/PM in 24-hour mode) do not.
    SDL_Surface *background = IMG_Load(root.host("/mnt/mmc/CFW/skin/background.png").c_str());
    ASSERT_NE(background, nullptr);
    SDL_Surface *bg = SDL_ConvertSurface(background, copy->format, SDL_SWSURFACE);
    SDL_FreeSurface(background);
    ASSERT_NE(bg, nullptr);
    auto changed_around = [&](int cx, int top, int bottom) {
        int changed = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = cx - 25; x < cx + 25; ++x)
                changed += pixel(copy, x, y) != pixel(bg, x, y);
        return changed;
    };
    SDL_LockSurface(copy);
    SDL_LockSurface(bg);
    for (int column : {0, 1, 2, 4, 5, 7}) {
        const int cx = settings_column_centre(column);
        EXPECT_GT(changed_around(cx, year_top, year_top + 40), 0) << "value in column " << column;
        EXPECT_GT(
            changed_around(cx, year_top - SETTINGS_HEADING_GAP, year_top - SETTINGS_HEADING_GAP + year_heading_height),
            0)
            << "heading over column " << column;
    }
    for (int column : {3, 6})
        EXPECT_EQ(changed_around(settings_column_centre(column), year_top - SETTINGS_HEADING_GAP, year_top + 40), 0)
            << "column " << column;
    SDL_UnlockSurface(bg);
    SDL_UnlockSurface(copy);
    SDL_FreeSurface(bg);
    SDL_FreeSurface(copy);
}
