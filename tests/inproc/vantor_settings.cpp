// The Settings screen through the front end's real main loop: editing the
// date and time, writing the clock on leaving, the 12-hour switch discarding
// edits, the language change reloading what depends on it, and where the
// values, headings and the selection arrow are drawn.

#include "vantor_spine_support.h"

#include "vantor/settings.h"

#include <cstdlib>

#include <SDL/SDL_image.h>
#include <SDL/SDL_ttf.h>

using namespace spine;

namespace {

const char *const kClockRequests = "/.clock-requests";
const char *const kCommands = "/tmp/commands.log";
const char *const kTwelveHourFlag = "/mnt/mmc/CFW/12hourclock.flag";
constexpr Uint32 kArrowColour = 0xF800; // pure red in the 16-bit screen format

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

std::function<void(MenuModel &)> setEdited(struct tm t)
{
    return [t](MenuModel &) { settingsScreen.edited = t; };
}

// The device runs without a zone offset; so do these tests.
class VantorSettingsScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *tz = getenv("TZ");
        hadTz = tz != nullptr;
        if (tz)
            oldTz = tz;
        setenv("TZ", "UTC0", 1);
        tzset();
        baseRoot(root);
        // A plain red arrow, so the tests can find where it is drawn.
        ASSERT_EQ(
            host_system("convert -size 20x10 xc:'#ff0000' 'PNG24:" + root.host("/mnt/mmc/CFW/skin/arrow.png") + "'"),
            0);
    }
    void TearDown() override
    {
        wallStart = 0;
        if (hadTz)
            setenv("TZ", oldTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    std::vector<std::string> clockRequests() { return root.recorded(kClockRequests); }

    TempRoot root;
    bool hadTz = false;
    std::string oldTz;
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

Box findArrow(SDL_Surface *screen)
{
    Box b;
    SDL_LockSurface(screen);
    for (int y = 60; y < 440; ++y) {
        for (int x = 0; x < screen->w; ++x) {
            if (pixel(screen, x, y) == kArrowColour) {
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
std::string englishValue(const TempRoot &root, const std::string &key)
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
int textWidth(const TempRoot &root, const char *text)
{
    if (TTF_Init() != 0)
        return -1;
    int w = -1, h = 0;
    const std::string font = root.host("/mnt/mmc/CFW/font/" + englishValue(root, "font"));
    TTF_Font *f = TTF_OpenFont(font.c_str(), atoi(englishValue(root, "font-size").c_str()));
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
    runMenu(root, {keys({'m'}), setEdited(date(2024, 1, 31, 10, 59)), keys({'d', 'w'}), keys({'d', 'd', 'd', 'w'}),
                   [&](MenuModel &) { edited = settingsScreen.edited; }, keys({'b'}), take(&home)});
    EXPECT_EQ(edited.tm_year + 1900, 2024);
    EXPECT_EQ(edited.tm_mon + 1, 2);
    EXPECT_EQ(edited.tm_mday, 29);
    EXPECT_EQ(edited.tm_hour, 10);
    EXPECT_EQ(edited.tm_min, 0);
    EXPECT_EQ(home.state, Home);
    // 2024-02-29 10:00:00 UTC.
    EXPECT_EQ(clockRequests(), std::vector<std::string>{"1709200800"});
    EXPECT_EQ(root.recorded(kCommands), std::vector<std::string>{"busybox hwclock -w"});
}

TEST_F(VantorSettingsScreen, LeavingWithoutChangesStillWritesTheTimeAndMWorksLikeBack)
{
    const time_t before = time(nullptr);
    runMenu(root, {keys({'m'}), keys({'m'}), keys({'m'}), keys({'b'})});
    const time_t after = time(nullptr);
    const std::vector<std::string> requests = clockRequests();
    ASSERT_EQ(requests.size(), 2u);
    for (const std::string &r : requests) {
        // The edited record is the time of the last clock refresh.
        const long long t = atoll(r.c_str());
        EXPECT_GE(t, static_cast<long long>(before) - 60);
        EXPECT_LE(t, static_cast<long long>(after));
    }
    EXPECT_EQ(root.recorded(kCommands), (std::vector<std::string>{"busybox hwclock -w", "busybox hwclock -w"}));
}

// The screen shows the time of the last clock refresh; leaving sets the clock
// to what it shows plus the time that passed since, so a visit does not turn
// the clock back.
TEST_F(VantorSettingsScreen, LeavingAddsTheTimeSpentSinceTheValuesWereRead)
{
    wallStart = 1710062142; // 2024-03-10 09:15:42 UTC
    auto wait = [](Uint32 ms) { return [ms](MenuModel &) { now += ms; }; };
    time_t leftPlain = 0, leftEdited = 0;
    // In after 9 s, out 6 s later without an edit.
    runMenu(root, {wait(9000), keys({'m'}), wait(6000), [&](MenuModel &) {
                       leftPlain = menuWallClock();
                       press('b');
                   }});
    // The same with the minute raised three times.
    runMenu(root,
            {wait(9000), keys({'m'}), keys({'d', 'd', 'd', 'd'}), keys({'w', 'w', 'w'}), wait(7000), [&](MenuModel &) {
                 leftEdited = menuWallClock();
                 press('b');
             }});
    EXPECT_GE(leftPlain - wallStart, 15);
    EXPECT_GE(leftEdited - wallStart, 16);
    EXPECT_EQ(clockRequests(), (std::vector<std::string>{std::to_string(leftPlain), std::to_string(leftEdited + 180)}));
}

TEST_F(VantorSettingsScreen, YearDownStopsAt1900)
{
    runMenu(root, {keys({'m'}), setEdited(date(1901, 6, 15, 12, 0)), keys({'s', 's', 's'}), keys({'b'})});
    if (sizeof(time_t) > 4) {
        // 1900-06-15 12:00:00 UTC.
        EXPECT_EQ(clockRequests(), std::vector<std::string>{"-2194689600"});
    } else {
        // The device's 32-bit clock cannot hold 1900: the clock is left alone
        // instead of being set to -1 (1969-12-31 23:59:59).
        EXPECT_TRUE(clockRequests().empty());
    }
    EXPECT_EQ(root.recorded(kCommands), std::vector<std::string>{"busybox hwclock -w"});
}

TEST_F(VantorSettingsScreen, YearPast2038IsSetOnlyWhereTheClockCanHoldIt)
{
    Snapshot home;
    runMenu(root, {keys({'m'}), setEdited(date(2099, 1, 1, 0, 0)), keys({'w'}), keys({'b'}), take(&home)});
    EXPECT_EQ(home.state, Home);
    if (sizeof(time_t) > 4)
        EXPECT_EQ(clockRequests(), std::vector<std::string>{"4102444800"}); // 2100-01-01 00:00:00 UTC
    else
        EXPECT_TRUE(clockRequests().empty());
    EXPECT_EQ(root.recorded(kCommands), std::vector<std::string>{"busybox hwclock -w"});
}

TEST_F(VantorSettingsScreen, TwelveHourSwitchDiscardsEditsAndStoresTheFlag)
{
    struct tm afterToggle = {};
    bool meridianIn24 = true, meridianIn12 = false;
    runMenu(root, {keys({'m'}), [&](MenuModel &) { meridianIn24 = settingsScreen.meridian != nullptr; },
                   setEdited(date(1950, 3, 3, 3, 3)), keys({'q', 'q'}), // field 5
                   keys({'w'}),
                   [&](MenuModel &) {
                       afterToggle = settingsScreen.edited;
                       meridianIn12 = settingsScreen.meridian != nullptr;
                   }});
    EXPECT_FALSE(meridianIn24) << "AM/PM only in 12-hour mode";
    EXPECT_TRUE(meridianIn12);
    EXPECT_GE(afterToggle.tm_year + 1900, 2024) << "the edits are replaced by the current time";
    EXPECT_TRUE(root.exists(kTwelveHourFlag));
    EXPECT_EQ(root.read(kTwelveHourFlag), "");

    // Down toggles too: off again, the flag file goes.
    runMenu(root, {keys({'m', 'q', 'q', 's'})});
    EXPECT_FALSE(root.exists(kTwelveHourFlag));
}

TEST_F(VantorSettingsScreen, MidnightInTwelveHourModeShowsTwelveAm)
{
    root.write(kTwelveHourFlag, "");
    int hourWidth = -1, meridianWidth = -1, hour13Width = -1, pmWidth = -1;
    runMenu(root, {keys({'m'}), setEdited(date(2024, 5, 5, 23, 0)), keys({'d', 'd', 'd', 'w'}), // hour 23 -> 0
                   [&](MenuModel &) {
                       hourWidth = settingsScreen.hour ? settingsScreen.hour->w : -1;
                       meridianWidth = settingsScreen.meridian ? settingsScreen.meridian->w : -1;
                   },
                   setEdited(date(2024, 5, 5, 12, 0)), keys({'w'}), // hour 12 -> 13
                   [&](MenuModel &) {
                       hour13Width = settingsScreen.hour ? settingsScreen.hour->w : -1;
                       pmWidth = settingsScreen.meridian ? settingsScreen.meridian->w : -1;
                   }});
    EXPECT_EQ(hourWidth, textWidth(root, "12"));
    EXPECT_EQ(meridianWidth, textWidth(root, "AM"));
    EXPECT_EQ(hour13Width, textWidth(root, "01"));
    EXPECT_EQ(pmWidth, textWidth(root, "PM"));
    EXPECT_NE(textWidth(root, "AM"), textWidth(root, "PM"));
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
    bool titleAfterChange = false;
    runMenu(root, {keys({'m', 'q'}), // field 6
                   keys({'s'}), record, keys({'w'}), record, keys({'w'}), record, keys({'w'}), record,
                   [&](MenuModel &m) { titleAfterChange = m.title != nullptr; }, keys({'b'}), keys({'q', 'a'})});
    // Down: next; up: previous, wrapping from the first to the last.
    EXPECT_EQ(stored, (std::vector<std::string>{"Francais", "English", "Deutsch", "Francais"}));
    EXPECT_TRUE(titleAfterChange);
    // The launch that follows speaks the new language.
    EXPECT_EQ(root.read("/mnt/mmc/CFW/retroarch/command.sh"),
              "#!/bin/sh\nexport LANG=fr_FR\n/mnt/mmc/CFW/retroarch/retroarch\nexit $?\n");
}

TEST_F(VantorSettingsScreen, LanguageChangeRestartsTheEditsFromTheCurrentTime)
{
    struct tm after = {};
    runMenu(root, {keys({'m'}), setEdited(date(1950, 3, 3, 3, 3)), keys({'q', 's'}),
                   [&](MenuModel &) { after = settingsScreen.edited; }, keys({'w'})});
    EXPECT_GE(after.tm_year + 1900, 2024);
    EXPECT_EQ(root.read("/mnt/mmc/CFW/language.flag"), "English");
}

TEST_F(VantorSettingsScreen, ArrowMarksTheSelectedFieldsColumn)
{
    Box boxes[7];
    int valueTop = -1, nameTop = -1;
    std::vector<std::function<void(MenuModel &)>> steps = {keys({'m'})};
    for (int field = 0; field < 7; ++field) {
        steps.push_back(idle()); // the frame after the move is drawn before the next hook
        steps.push_back([&boxes, field](MenuModel &m) {
            EXPECT_EQ(m.column, field);
            boxes[field] = findArrow(SDL_GetVideoSurface());
        });
        steps.push_back(keys({'d'}));
    }
    steps.push_back([&](MenuModel &) { valueTop = settingsUpperRowY - settingsScreen.year->h / 2; });
    runMenu(root, steps);
    ASSERT_GT(valueTop, 0);
    const int expectedCentre[7] = {110, 170, 230, 350, 410, 530, 320};
    for (int field = 0; field < 7; ++field) {
        const Box &b = boxes[field];
        EXPECT_EQ(b.right - b.left + 1, 20) << "field " << field;
        EXPECT_EQ(b.bottom - b.top + 1, 10) << "field " << field;
        EXPECT_EQ(b.left, expectedCentre[field] - 10) << "field " << field;
        if (field < 6) {
            EXPECT_EQ(b.top, valueTop + settingsArrowGap) << "field " << field;
        }
    }
    // The language row: the name is centred on y = 360, the arrow 60 below its top.
    nameTop = boxes[6].top - settingsArrowGap;
    EXPECT_GT(nameTop, settingsUpperRowY);
    EXPECT_LT(nameTop, settingsLanguageRowY);
}

TEST_F(VantorSettingsScreen, ValuesAndHeadingsAreDrawnInTheirColumns)
{
    SDL_Surface *copy = nullptr;
    int yearTop = -1, yearHeadingHeight = -1;
    runMenu(root, {keys({'m'}), idle(), [&](MenuModel &) {
                       SDL_Surface *screen = SDL_GetVideoSurface();
                       copy = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
                       yearTop = settingsUpperRowY - settingsScreen.year->h / 2;
                       yearHeadingHeight = settingsScreen.headings[0]->h;
                   }});
    ASSERT_NE(copy, nullptr);
    // Against the background alone, the columns that hold text differ from
    // the background and column 3 (empty) and 6 (no AM/PM in 24-hour mode) do not.
    SDL_Surface *background = IMG_Load(root.host("/mnt/mmc/CFW/skin/background.png").c_str());
    ASSERT_NE(background, nullptr);
    SDL_Surface *bg = SDL_ConvertSurface(background, copy->format, SDL_SWSURFACE);
    SDL_FreeSurface(background);
    ASSERT_NE(bg, nullptr);
    auto changedAround = [&](int cx, int top, int bottom) {
        int changed = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = cx - 25; x < cx + 25; ++x)
                changed += pixel(copy, x, y) != pixel(bg, x, y);
        return changed;
    };
    SDL_LockSurface(copy);
    SDL_LockSurface(bg);
    for (int column : {0, 1, 2, 4, 5, 7}) {
        const int cx = settingsColumnCentre(column);
        EXPECT_GT(changedAround(cx, yearTop, yearTop + 40), 0) << "value in column " << column;
        EXPECT_GT(changedAround(cx, yearTop - settingsHeadingGap, yearTop - settingsHeadingGap + yearHeadingHeight), 0)
            << "heading over column " << column;
    }
    for (int column : {3, 6})
        EXPECT_EQ(changedAround(settingsColumnCentre(column), yearTop - settingsHeadingGap, yearTop + 40), 0)
            << "column " << column;
    SDL_UnlockSurface(bg);
    SDL_UnlockSurface(copy);
    SDL_FreeSurface(bg);
    SDL_FreeSurface(copy);
}
