// The skin and language readers: their substring matching rules, fallbacks
// and the flag files.

#include <cstring>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "test_root.h"
#include "vantor/skin.h"

namespace {

class Skin : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.mkdirs("/mnt/mmc/CFW");
        ASSERT_NE(getcwd(old, sizeof(old)), nullptr);
        ASSERT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(old), 0); }
    void skin(const std::string &text) { root.write("/mnt/mmc/CFW/skin/settings.json", text); }
    void lang(const std::string &name, const std::string &text)
    {
        root.write("/mnt/mmc/CFW/lang/" + name + ".json", text);
    }
    TempRoot root;
    char old[4096];
};

TEST_F(Skin, ColorNeedsTheHashBeforeSixHexDigits)
{
    skin("{\n  \"color-active\": \"#ff8000\",\n  \"color-guide\": \"ffffff\",\n  \"color-inactive\": \"#12\",\n"
         "  \"color-inactive\": \"#0a0B0c\"\n}\n");
    SDL_Color c = getColor("color-active");
    EXPECT_EQ(c.r, 255);
    EXPECT_EQ(c.g, 128);
    EXPECT_EQ(c.b, 0);
    EXPECT_EQ(c.unused, 0);
    c = getColor("color-guide");
    EXPECT_EQ(c.r + c.g + c.b, 0) << "a value without '#' is skipped";
    c = getColor("color-inactive");
    EXPECT_EQ(c.r, 0x0a) << "a short value is skipped and the next line with the key is tried";
    EXPECT_EQ(c.g, 0x0b);
    EXPECT_EQ(c.b, 0x0c);
    c = getColor("color-favorite-active");
    EXPECT_EQ(c.r + c.g + c.b, 0);
}

TEST_F(Skin, ColorWithoutSkinFileIsBlack)
{
    SDL_Color c = getColor("color-active");
    EXPECT_EQ(c.r + c.g + c.b, 0);
}

TEST_F(Skin, AlignmentAndMargin)
{
    int margin = 16;
    EXPECT_EQ(getTextAlignment(&margin), 0);
    EXPECT_EQ(margin, 16);

    skin("{\n  \"text-alignment\": \"right\",\n  \"text-margin\": 24,\n}\n");
    margin = 16;
    EXPECT_EQ(getTextAlignment(&margin), 2);
    EXPECT_EQ(margin, 24);

    skin("{\n  \"text-alignment\": \"left\",\n  \"color-active\": \"#ffffff\"\n}\n");
    margin = 16;
    EXPECT_EQ(getTextAlignment(&margin), 1);
    EXPECT_EQ(margin, 16);

    skin("{\n  \"text-alignment\": \"left\" \"right\",\n  \"text-margin\": 40\n}\n");
    EXPECT_EQ(getTextAlignment(&margin), 2) << "right wins when both appear";
    EXPECT_EQ(margin, 40);

    skin("{\n  \"text-alignment\": left,\n  \"text-margin\":8\n}\n");
    margin = 16;
    EXPECT_EQ(getTextAlignment(&margin), 0) << "the words count only in quotes";
    EXPECT_EQ(margin, 8);
}

TEST_F(Skin, VisibilitySwitches)
{
    EXPECT_EQ(getMainMenuTextVisibility(), 1);
    EXPECT_EQ(getGuideButtonTextVisibility(), 1);
    skin("{\n  \"main-menu-text-visibility\": false,\n  \"guide-button-text-visibility\": true\n}\n");
    EXPECT_EQ(getMainMenuTextVisibility(), 0);
    EXPECT_EQ(getGuideButtonTextVisibility(), 1);
    skin("{\n  main-menu-text-visibility: false,\n  \"guide-button-text-visibility\": \"false\"\n}\n");
    EXPECT_EQ(getMainMenuTextVisibility(), 1) << "the key counts only in quotes";
    EXPECT_EQ(getGuideButtonTextVisibility(), 0);
}

TEST_F(Skin, SettingValuesAndDefaults)
{
    lang("English", "{\n  \"font-size\": \"28\",\n  \"title-label\": \"My %s menu\",\n"
                    "  \"button-guide-font-size\":\t22 ,\n  \"iso-code\": \"en\"\n}\n");
    EXPECT_STREQ(getSkinSetting("English", "font-size", "0"), "28");
    EXPECT_STREQ(getSkinSetting("English", "title-label", "x"), "My %s menu");
    EXPECT_STREQ(getSkinSetting("English", "button-guide-font-size", "0"), "22");
    EXPECT_STREQ(languageFilePath, "lang/English.json");
    EXPECT_STREQ(getSkinSetting("English", "empty-label", "Nothing to see here! Move along!"),
                 "Nothing to see here! Move along!");
    EXPECT_STREQ(getSkinSetting("English", "label", "none"), "none") << "\"label\": does not match title-label";
    EXPECT_STREQ(getSkinSetting("Missing", "font-size", "28"), "28");
    const char *def = "d";
    EXPECT_EQ(getSkinSetting("English", "nothing", def), def) << "the default pointer itself comes back";
}

TEST_F(Skin, OverlongValueIsCutAtACharacterBoundary)
{
    std::string value;
    while (value.size() < 5000)
        value += "\xe4\xb8\xad"; // three bytes each
    lang("Chinese", "{\n  \"empty-label\": \"" + value + "\",\n}\n");
    const char *got = getSkinSetting("Chinese", "empty-label", "x");
    size_t n = strlen(got);
    EXPECT_LE(n, 4096u);
    EXPECT_EQ(n % 3, 0u) << "no half character at the end";
    EXPECT_GT(n, 4000u);

    char label[labelBufferSize];
    copyText(label, sizeof(label), value.c_str());
    EXPECT_EQ(strlen(label), 126u);
    copyText(label, sizeof(label), "short");
    EXPECT_STREQ(label, "short");
}

TEST_F(Skin, AvailableLanguagesAreSortedBaseNames)
{
    lang("English", "{}");
    lang("Deutsch", "{}");
    root.write("/mnt/mmc/CFW/lang/.hidden.json", "{}");
    root.mkdirs("/mnt/mmc/CFW/lang/folder.json");
    root.write("/mnt/mmc/CFW/lang/Plain", "{}");
    ItemList list = nullptr;
    int n = getAvailableLanguages(&list);
    ASSERT_EQ(n, 3);
    EXPECT_STREQ(list[0], "Deutsch");
    EXPECT_STREQ(list[1], "English");
    EXPECT_STREQ(list[2], "Plain");
    destroyItems(n, &list);
}

TEST_F(Skin, NoLanguageFolderMeansNoLanguages)
{
    ItemList list = nullptr;
    EXPECT_EQ(getAvailableLanguages(&list), 0);
    EXPECT_EQ(list, nullptr);
}

TEST_F(Skin, LanguageSettingFallsBackToEnglish)
{
    EXPECT_STREQ(getLanguageSetting(), "English");
    lang("Deutsch", "{}");
    root.write("/mnt/mmc/CFW/language.flag", "Deutsch\r\n");
    EXPECT_STREQ(getLanguageSetting(), "Deutsch");
    root.write("/mnt/mmc/CFW/language.flag", "Klingon");
    EXPECT_STREQ(getLanguageSetting(), "English");
    root.write("/mnt/mmc/CFW/lang/sub/x.json", "{}");
    root.write("/mnt/mmc/CFW/language.flag", "sub/x");
    EXPECT_STREQ(getLanguageSetting(), "English") << "a language name is no path";
    root.write("/mnt/mmc/CFW/language.flag", "");
    EXPECT_STREQ(getLanguageSetting(), "English");
}

TEST_F(Skin, SetLanguageWritesTheNameWithoutNewline)
{
    EXPECT_EQ(setLanguageSetting("中文"), 0);
    EXPECT_EQ(root.read("/mnt/mmc/CFW/language.flag"), "中文");
    lang("中文", "{}");
    EXPECT_STREQ(getLanguageSetting(), "中文");
}

TEST_F(Skin, TwelveHourFlagFile)
{
    EXPECT_EQ(get12hourflag(), 0);
    EXPECT_EQ(set12hourflag(1), 0);
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/12hourclock.flag"));
    EXPECT_EQ(root.read("/mnt/mmc/CFW/12hourclock.flag"), "");
    EXPECT_EQ(get12hourflag(), 1);
    EXPECT_EQ(set12hourflag(0), 0);
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/12hourclock.flag"));
    EXPECT_EQ(get12hourflag(), 0);
    EXPECT_EQ(set12hourflag(0), 0) << "deleting a missing flag is fine";
}

} // namespace
