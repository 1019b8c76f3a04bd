#include "vantor/settings.h"

#include "common/shell.h"
#include "vantor/skin.h"

#include <cstdio>
#include <cstring>

SettingsScreen settingsScreen;

namespace {

const char *const kShell = "/bin/sh";

// Heading keys and their English defaults, in field order.
const char *const kHeadingKeys[7] = {"year-label",   "month-label",         "day-label",     "hour-label",
                                     "minute-label", "meridian-time-label", "language-label"};
const char *const kHeadingDefaults[7] = {"YY", "MM", "DD", "HH", "MM", "MT", "Language"};

Surface &valueSurface(int field)
{
    SettingsScreen &s = settingsScreen;
    switch (field) {
    case fieldYear: return s.year;
    case fieldMonth: return s.month;
    case fieldDay: return s.day;
    case fieldHour: return s.hour;
    default: return s.minute;
    }
}

SDL_Surface *renderLabel(SkinResources &res, const char *key, const char *def)
{
    std::string text = getSkinSetting(res.language, key, def); // copy: the buffer is shared
    return renderText(res.font.get(), text.c_str(), res.guideColor);
}

void renderValue(SkinResources &res, int field)
{
    std::string text = settingsValueText(settingsScreen.edited, field, res.use12hour);
    valueSurface(field).reset(renderText(res.font.get(), text.c_str(), res.guideColor));
}

// AM/PM and ON/OFF follow the hour and the 12-hour switch.
void renderMeridianAndSwitch(SkinResources &res)
{
    SettingsScreen &s = settingsScreen;
    if (res.use12hour)
        s.meridian.reset(
            renderLabel(res, s.edited.tm_hour < 12 ? "am-label" : "pm-label", s.edited.tm_hour < 12 ? "AM" : "PM"));
    else
        s.meridian.reset();
    s.switchValue.reset(res.use12hour ? renderLabel(res, "on-label", "ON") : renderLabel(res, "off-label", "OFF"));
}

void renderAll(SkinResources &res)
{
    SettingsScreen &s = settingsScreen;
    for (int i = 0; i < 7; ++i)
        s.headings[i].reset(renderLabel(res, kHeadingKeys[i], kHeadingDefaults[i]));
    for (int field = fieldYear; field <= fieldMinute; ++field)
        renderValue(res, field);
    renderMeridianAndSwitch(res);
    s.languageName.reset();
    if (res.languageIndex < 0 || res.languageIndex >= static_cast<int>(res.languageNames.size()))
        s.languageName.reset(renderText(res.font.get(), res.language, res.guideColor));
}

// Re-reads the current time: the header clock is rendered again and the edited
// record starts over from it.
void restartFromCurrentTime(SkinResources &res)
{
    renderClock(res);
    settingsScreen.edited = res.clockTime;
    settingsScreen.takenAt = res.clockSeconds;
}

void blit(SDL_Surface *surface, SDL_Surface *screen, int x, int y)
{
    if (!surface || !screen)
        return;
    SDL_Rect dst = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(surface, nullptr, screen, &dst);
}

int surfaceWidth(const SDL_Surface *s)
{
    return s ? s->w : 0;
}

int surfaceHeight(const SDL_Surface *s)
{
    return s ? s->h : 0;
}

SDL_Surface *currentLanguageName(SkinResources &res)
{
    if (res.languageIndex >= 0 && res.languageIndex < static_cast<int>(res.languageNames.size()))
        return res.languageNames[static_cast<size_t>(res.languageIndex)].get();
    return settingsScreen.languageName.get();
}

} // namespace

int isLeapYear(int year)
{
    return (year % 400 == 0 || (year % 4 == 0 && year % 100 != 0)) ? 1 : 0;
}

int daysInMonth(int month, int year)
{
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11: return 30;
    case 2: return isLeapYear(year) ? 29 : 28;
    default: return 31;
    }
}

int changeDateTimeField(struct tm *t, int field, int delta)
{
    if (!t || (delta != 1 && delta != -1))
        return 0;
    switch (field) {
    case fieldYear:
        if (delta < 0 && t->tm_year <= 0)
            return 0; // not below 1900
        t->tm_year += delta;
        break;
    case fieldMonth: t->tm_mon = (t->tm_mon + delta + 12) % 12; break;
    case fieldDay: {
        int days = daysInMonth(t->tm_mon + 1, t->tm_year + 1900);
        t->tm_mday += delta;
        if (t->tm_mday > days)
            t->tm_mday = 1;
        else if (t->tm_mday < 1)
            t->tm_mday = days;
        return 1;
    }
    case fieldHour: t->tm_hour = (t->tm_hour + delta + 24) % 24; return 1;
    case fieldMinute: t->tm_min = (t->tm_min + delta + 60) % 60; return 1;
    default: return 0;
    }
    // After a year or month change the day may not fit the month any more.
    int days = daysInMonth(t->tm_mon + 1, t->tm_year + 1900);
    if (t->tm_mday > days)
        t->tm_mday = days;
    return 1;
}

std::string settingsValueText(const struct tm &t, int field, int use12hour)
{
    char buf[32];
    switch (field) {
    case fieldYear: snprintf(buf, sizeof(buf), "%04d", t.tm_year + 1900); break;
    case fieldMonth: snprintf(buf, sizeof(buf), "%02d", t.tm_mon + 1); break;
    case fieldDay: snprintf(buf, sizeof(buf), "%02d", t.tm_mday); break;
    case fieldHour: {
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
    case fieldMinute: snprintf(buf, sizeof(buf), "%02d", t.tm_min); break;
    default: return std::string();
    }
    return buf;
}

int settingsClockTime(const struct tm &edited, time_t takenAt, time_t now, time_t *out)
{
    struct tm t = edited;
    t.tm_isdst = -1; // let the zone rules decide, as for the header clock
    const time_t base = mktime(&t);
    if (base == static_cast<time_t>(-1) || !out)
        return -1;
    const long long when = static_cast<long long>(base) + (static_cast<long long>(now) - takenAt);
    if (static_cast<long long>(static_cast<time_t>(when)) != when)
        return -1;
    *out = static_cast<time_t>(when);
    return 0;
}

int settingsFieldColumn(int field)
{
    static const int columns[] = {0, 1, 2, 4, 5, 7};
    if (field < 0 || field > field12Hour)
        return -1;
    return columns[field];
}

int settingsColumnCentre(int column)
{
    return settingsSideMargin + settingsColumnWidth * column + settingsColumnWidth / 2;
}

void enterSettings(SkinResources &res)
{
    // The values shown are those of the last clock refresh (up to 20 s old);
    // leaving adds the time that passed since.
    settingsScreen.edited = res.clockTime;
    settingsScreen.takenAt = res.clockSeconds;
    renderAll(res);
}

SDL_Surface *renderSettingsTitle(SkinResources &res)
{
    return renderLabel(res, "settings-label", "Settings");
}

int changeSettingsField(SkinResources &res, int field, int delta)
{
    if (delta == 0)
        return -1;
    delta = delta > 0 ? 1 : -1;
    SettingsScreen &s = settingsScreen;
    if (field >= fieldYear && field <= fieldMinute) {
        if (!changeDateTimeField(&s.edited, field, delta))
            return -1;
        renderValue(res, field);
        if (field == fieldYear || field == fieldMonth)
            renderValue(res, fieldDay);
        if (field == fieldHour)
            renderMeridianAndSwitch(res);
        return 0;
    }
    if (field == field12Hour) {
        res.use12hour = res.use12hour ? 0 : 1;
        set12hourflag(res.use12hour);
        restartFromCurrentTime(res);
        for (int f = fieldYear; f <= fieldMinute; ++f)
            renderValue(res, f);
        renderMeridianAndSwitch(res);
        return 0;
    }
    if (field == fieldLanguage) {
        int count = res.languageCount;
        if (count <= 0 || !res.languages)
            return -1;
        int index = res.languageIndex;
        if (index < 0 || index >= count)
            index = delta > 0 ? count - 1 : 0; // the current language is not in the list
        else if (delta > 0)
            index = (index - 1 + count) % count; // up: previous
        else
            index = (index + 1) % count; // down: next
        const std::string name = res.languages[index];
        setLanguageSetting(name.c_str());
        reloadLanguageResources(res, name.c_str());
        res.languageIndex = index;
        restartFromCurrentTime(res);
        renderAll(res);
        return 1;
    }
    return -1;
}

void leaveSettings(SkinResources &res)
{
    // A date the clock cannot hold (before 1901 or after 2038 with the
    // device's 32-bit time) is no time to set: the clock then keeps its time
    // rather than jumping to 1969.
    time_t when = 0;
    if (settingsClockTime(settingsScreen.edited, settingsScreen.takenAt, menuWallClock(), &when) == 0)
        set_system_time(when);
    run_shell(kShell, "busybox hwclock -w");
    renderClock(res);
    SettingsScreen &s = settingsScreen;
    s.year.reset();
    s.month.reset();
    s.day.reset();
    s.hour.reset();
    s.minute.reset();
}

void drawSettings(SDL_Surface *screen, SkinResources &res, int field)
{
    SettingsScreen &s = settingsScreen;
    SDL_Surface *values[8] = {s.year.get(), s.month.get(),  s.day.get(),      nullptr,
                              s.hour.get(), s.minute.get(), s.meridian.get(), s.switchValue.get()};
    SDL_Surface *headings[8] = {s.headings[0].get(),
                                s.headings[1].get(),
                                s.headings[2].get(),
                                nullptr,
                                s.headings[3].get(),
                                s.headings[4].get(),
                                nullptr,
                                s.headings[5].get()};
    int valueTop[8] = {};
    for (int column = 0; column < 8; ++column) {
        const int centre = settingsColumnCentre(column);
        SDL_Surface *value = values[column];
        valueTop[column] = settingsUpperRowY - surfaceHeight(value) / 2;
        if (column == 6 && !res.use12hour)
            continue; // AM/PM only in 12-hour mode
        blit(value, screen, centre - surfaceWidth(value) / 2, valueTop[column]);
        SDL_Surface *heading = headings[column];
        blit(heading, screen, centre - surfaceWidth(heading) / 2, valueTop[column] - settingsHeadingGap);
    }

    SDL_Surface *name = currentLanguageName(res);
    const int nameTop = settingsLanguageRowY - surfaceHeight(name) / 2;
    blit(name, screen, (screenWidth - surfaceWidth(name)) / 2, nameTop);
    SDL_Surface *languageHeading = s.headings[6].get();
    blit(languageHeading, screen, (screenWidth - surfaceWidth(languageHeading)) / 2, nameTop - settingsHeadingGap);

    SDL_Surface *arrow = res.arrow.get();
    if (field == fieldLanguage) {
        blit(arrow, screen, (screenWidth - surfaceWidth(arrow)) / 2, nameTop + settingsArrowGap);
    } else {
        int column = settingsFieldColumn(field);
        if (column >= 0)
            blit(arrow, screen, settingsColumnCentre(column) - surfaceWidth(arrow) / 2,
                 valueTop[column] + settingsArrowGap);
    }
}

void freeSettings()
{
    SettingsScreen &s = settingsScreen;
    s.year.reset();
    s.month.reset();
    s.day.reset();
    s.hour.reset();
    s.minute.reset();
    s.meridian.reset();
    s.switchValue.reset();
    s.languageName.reset();
    for (Surface &h : s.headings)
        h.reset();
}
