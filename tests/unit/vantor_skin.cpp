// The skin and language readers: their substring matching rules, fallbacks
// and the flag files.

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <sys/time.h>
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
    // Dates a file back, as files on a card are: only a file that has not been
    // written in the last seconds is kept in memory between lookups.
    void settle(const std::string &device_file_path)
    {
        struct timeval times[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
        ASSERT_EQ(utimes(root.host(device_file_path).c_str(), times), 0);
    }
    TempRoot root;
    char old[4096];
};

// The lookup as it was done by reading the file for every key: the first line
// holding "\"key\":", its value after the line's first ':' without the quotes,
// blanks and commas around it, as much as the value buffer holds.
std::string lookup_in_file(const char *language, const char *key, const char *def)
{
    ItemList lines = nullptr;
    const int count = read_all_lines(("lang/" + std::string(language) + ".json").c_str(), &lines);
    const std::string search = std::string("\"") + key + "\":";
    std::string value = def;
    for (int i = 0; i < count; i++) {
        if (!strstr(lines[i], search.c_str()))
            continue;
        const char *start = strchr(lines[i], ':') + 1;
        while (*start == ' ' || *start == '\t' || *start == '"')
            start++;
        value = start;
        while (!value.empty() && strchr(",\" \t", value.back()))
            value.pop_back();
        break;
    }
    destroy_items(count, &lines);
    char kept[PATH_BUFFER_SIZE]; // the size of the value buffer
    copy_text(kept, sizeof(kept), value.c_str());
    return kept;
}

TEST_F(Skin, ColorNeedsTheHashBeforeSixHexDigits)
{
    skin(
        "{\n  \"color-active\": \"#ff8000\",\n  \"color-guide\": \"ffffff\",\n  \"color-inactive\": \"#12\",\n"
        "  \"color-inactive\": \"#0a0B0c\"\n}\n");
    SDL_Color c = get_color("color-active");
    EXPECT_EQ(c.r, 255);
    EXPECT_EQ(c.g, 128);
    EXPECT_EQ(c.b, 0);
    EXPECT_EQ(c.unused, 0);
    c = get_color("color-guide");
    EXPECT_EQ(c.r + c.g + c.b, 0) << "a value without '#' is skipped";
    c = get_color("color-inactive");
    EXPECT_EQ(c.r, 0x0a) << "a short value is skipped and the next line with the key is tried";
    EXPECT_EQ(c.g, 0x0b);
    EXPECT_EQ(c.b, 0x0c);
    c = get_color("color-favorite-active");
    EXPECT_EQ(c.r + c.g + c.b, 0);
}

TEST_F(Skin, ColorWithoutSkinFileIsBlack)
{
    SDL_Color c = get_color("color-active");
    EXPECT_EQ(c.r + c.g + c.b, 0);
}

TEST_F(Skin, AlignmentAndMargin)
{
    int margin = 16;
    EXPECT_EQ(get_text_alignment(&margin), 0);
    EXPECT_EQ(margin, 16);

    skin("{\n  \"text-alignment\": \"right\",\n  \"text-margin\": 24,\n}\n");
    margin = 16;
    EXPECT_EQ(get_text_alignment(&margin), 2);
    EXPECT_EQ(margin, 24);

    skin("{\n  \"text-alignment\": \"left\",\n  \"color-active\": \"#ffffff\"\n}\n");
    margin = 16;
    EXPECT_EQ(get_text_alignment(&margin), 1);
    EXPECT_EQ(margin, 16);

    skin("{\n  \"text-alignment\": \"left\" \"right\",\n  \"text-margin\": 40\n}\n");
    EXPECT_EQ(get_text_alignment(&margin), 2) << "right wins when both appear";
    EXPECT_EQ(margin, 40);

    skin("{\n  \"text-alignment\": left,\n  \"text-margin\":8\n}\n");
    margin = 16;
    EXPECT_EQ(get_text_alignment(&margin), 0) << "the words count only in quotes";
    EXPECT_EQ(margin, 8);
}

TEST_F(Skin, VisibilitySwitches)
{
    EXPECT_EQ(get_main_menu_text_visibility(), 1);
    EXPECT_EQ(get_guide_button_text_visibility(), 1);
    skin("{\n  \"main-menu-text-visibility\": false,\n  \"guide-button-text-visibility\": true\n}\n");
    EXPECT_EQ(get_main_menu_text_visibility(), 0);
    EXPECT_EQ(get_guide_button_text_visibility(), 1);
    skin("{\n  main-menu-text-visibility: false,\n  \"guide-button-text-visibility\": \"false\"\n}\n");
    EXPECT_EQ(get_main_menu_text_visibility(), 1) << "the key counts only in quotes";
    EXPECT_EQ(get_guide_button_text_visibility(), 0);
}

TEST_F(Skin, SettingValuesAndDefaults)
{
    lang("English",
         "{\n  \"font-size\": \"28\",\n  \"title-label\": \"My %s menu\",\n"
         "  \"button-guide-font-size\":\t22 ,\n  \"iso-code\": \"en\"\n}\n");
    EXPECT_STREQ(get_skin_setting("English", "font-size", "0"), "28");
    EXPECT_STREQ(get_skin_setting("English", "title-label", "x"), "My %s menu");
    EXPECT_STREQ(get_skin_setting("English", "button-guide-font-size", "0"), "22");
    EXPECT_STREQ(last_language_file_path(), "lang/English.json");
    EXPECT_STREQ(get_skin_setting("English", "empty-label", "Nothing to see here! Move along!"),
                 "Nothing to see here! Move along!");
    EXPECT_STREQ(get_skin_setting("English", "label", "none"), "none") << "\"label\": does not match title-label";
    EXPECT_STREQ(get_skin_setting("Missing", "font-size", "28"), "28");
    const char *def = "d";
    EXPECT_EQ(get_skin_setting("English", "nothing", def), def) << "the default pointer itself comes back";
}

TEST_F(Skin, OverlongValueIsCutAtACharacterBoundary)
{
    std::string value;
    while (value.size() < 5000)
        value += "\xe4\xb8\xad"; // three bytes each
    lang("Chinese", "{\n  \"empty-label\": \"" + value + "\",\n}\n");
    const char *got = get_skin_setting("Chinese", "empty-label", "x");
    size_t n = strlen(got);
    EXPECT_LE(n, 4096u);
    EXPECT_EQ(n % 3, 0u) << "no half character at the end";
    EXPECT_GT(n, 4000u);

    char label[LABEL_BUFFER_SIZE];
    copy_text(label, sizeof(label), value.c_str());
    EXPECT_EQ(strlen(label), 126u);
    copy_text(label, sizeof(label), "short");
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
    int n = get_available_languages(&list);
    ASSERT_EQ(n, 3);
    EXPECT_STREQ(list[0], "Deutsch");
    EXPECT_STREQ(list[1], "English");
    EXPECT_STREQ(list[2], "Plain");
    destroy_items(n, &list);
}

TEST_F(Skin, NoLanguageFolderMeansNoLanguages)
{
    ItemList list = nullptr;
    EXPECT_EQ(get_available_languages(&list), 0);
    EXPECT_EQ(list, nullptr);
}

TEST_F(Skin, LanguageSettingFallsBackToEnglish)
{
    EXPECT_STREQ(get_language_setting(), "English");
    lang("Deutsch", "{}");
    root.write("/mnt/mmc/CFW/language.flag", "Deutsch\r\n");
    EXPECT_STREQ(get_language_setting(), "Deutsch");
    root.write("/mnt/mmc/CFW/language.flag", "Klingon");
    EXPECT_STREQ(get_language_setting(), "English");
    root.write("/mnt/mmc/CFW/lang/sub/x.json", "{}");
    root.write("/mnt/mmc/CFW/language.flag", "sub/x");
    EXPECT_STREQ(get_language_setting(), "English") << "a language name is no path";
    root.write("/mnt/mmc/CFW/language.flag", "");
    EXPECT_STREQ(get_language_setting(), "English");
}

TEST_F(Skin, SetLanguageWritesTheNameWithoutNewline)
{
    EXPECT_EQ(set_language_setting("中文"), 0);
    EXPECT_EQ(root.read("/mnt/mmc/CFW/language.flag"), "中文");
    lang("中文", "{}");
    EXPECT_STREQ(get_language_setting(), "中文");
}

TEST_F(Skin, TwelveHourFlagFile)
{
    EXPECT_EQ(get_12hour_flag(), 0);
    EXPECT_EQ(set_12hour_flag(1), 0);
    EXPECT_TRUE(root.exists("/mnt/mmc/CFW/12hourclock.flag"));
    EXPECT_EQ(root.read("/mnt/mmc/CFW/12hourclock.flag"), "");
    EXPECT_EQ(get_12hour_flag(), 1);
    EXPECT_EQ(set_12hour_flag(0), 0);
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/12hourclock.flag"));
    EXPECT_EQ(get_12hour_flag(), 0);
    EXPECT_EQ(set_12hour_flag(0), 0) << "deleting a missing flag is fine";
}

TEST_F(Skin, SizesOutsideTheScreenFallBackToTheDefault)
{
    EXPECT_EQ(size_setting("26", MIN_FONT_SIZE, MAX_FONT_SIZE, DEFAULT_FONT_SIZE), 26);
    EXPECT_EQ(size_setting("50px", MIN_FONT_SIZE, MAX_FONT_SIZE, DEFAULT_FONT_SIZE), 50) << "read as atoi reads it";
    EXPECT_EQ(size_setting("8", MIN_FONT_SIZE, MAX_FONT_SIZE, DEFAULT_FONT_SIZE), 8);
    for (const char *bad : {"3000", "51", "7", "0", "-28", "", "big", "99999999999999999999"})
        EXPECT_EQ(size_setting(bad, MIN_FONT_SIZE, MAX_FONT_SIZE, DEFAULT_FONT_SIZE), DEFAULT_FONT_SIZE) << bad;

    int margin = 16;
    skin("{\n  \"text-alignment\": \"right\",\n  \"text-margin\": 5000,\n}\n");
    EXPECT_EQ(get_text_alignment(&margin), 2);
    EXPECT_EQ(margin, 16) << "a margin past the screen keeps the default";
    skin("{\n  \"text-margin\": -40,\n}\n");
    get_text_alignment(&margin);
    EXPECT_EQ(margin, 16);
    skin("{\n  \"text-margin\": 320,\n}\n");
    get_text_alignment(&margin);
    EXPECT_EQ(margin, 320);
}

TEST_F(Skin, KeptLanguageFilesAnswerAsTheFileReaderDid)
{
    root.install_sample_image();
    ItemList names = nullptr;
    const int count = get_available_languages(&names);
    ASSERT_GE(count, 4);
    // Every key of the files, the keys the menu asks for, and near misses.
    std::vector<std::string> keys = {"label", "font", "size", "", "title", "-label", "font-size\"", "x\": \"y"};
    for (int i = 0; i < count; i++) {
        const std::string text = root.read("/mnt/mmc/CFW/lang/" + std::string(names[i]) + ".json");
        for (size_t at = text.find('"'); at != std::string::npos; at = text.find('"', at + 1)) {
            const size_t end = text.find('"', at + 1);
            if (end == std::string::npos)
                break;
            keys.push_back(text.substr(at + 1, end - at - 1));
        }
    }
    // A line that holds two keys, a key again further down, CR LF ends, text
    // after a NUL, and lines longer than a read (12287 bytes) with keys across
    // and right after the cuts.
    std::string mixed =
        "{\r\n  \"a\": \"1\", \"b\": \"2\",\r\n  \"a\": \"3\",\n\"c\":4\n\"empty-label\" : \"spaced\"\n";
    mixed += std::string("\"nul\": \"x\0\"hidden\": \"y\"\n", 24);
    mixed += "\"cut\": \"" + std::string(12287 - 12, 'x') + "\"across\": \"z\"\n";
    mixed += std::string(12287 - 1, 'y') + "\r\"after\": \"w\"\n" + std::string(12287, 'q') + "\"next\": 1\n}";
    lang("Mixed", mixed);
    for (const char *k : {"a", "b", "c", "empty-label", "\"a", "nul", "hidden", "cut", "across", "after", "next"})
        keys.push_back(k);
    std::vector<std::string> languages = {"Mixed", "Nowhere"};
    for (int i = 0; i < count; i++)
        languages.push_back(names[i]);
    destroy_items(count, &names);
    for (const std::string &language : languages) {
        for (const std::string &key : keys) {
            EXPECT_EQ(get_skin_setting(language.c_str(), key.c_str(), "(default)"),
                      lookup_in_file(language.c_str(), key.c_str(), "(default)"))
                << language << " " << key;
        }
    }
    EXPECT_GT(keys.size(), 40u);
    EXPECT_STREQ(get_skin_setting("Mixed", "b", ""), "1\", \"b\": \"2")
        << "the value starts after the line's first ':'";
}

TEST_F(Skin, FilesAreReadOncePerChange)
{
    lang("English", "{\n  \"font-size\": \"24\",\n  \"open-label\": \"OPEN\"\n}\n");
    lang("Deutsch", "{\n  \"open-label\": \"AUF\"\n}\n");
    skin("{\n  \"color-active\": \"#ff8000\",\n  \"text-margin\": 24\n}\n");
    for (const char *file : {"lang/English.json", "lang/Deutsch.json", "skin/settings.json"})
        settle(std::string("/mnt/mmc/CFW/") + file);
    get_color("color-active");
    const unsigned long reads = skin_file_reads();
    int margin = 16;
    for (int i = 0; i < 50; i++) {
        EXPECT_STREQ(get_skin_setting("English", "font-size", "28"), "24");
        EXPECT_STREQ(get_skin_setting("English", "back-label", "BACK"), "BACK");
        EXPECT_EQ(get_color("color-active").g, 128);
        EXPECT_EQ(get_text_alignment(&margin), ALIGN_CENTER);
    }
    EXPECT_EQ(margin, 24);
    EXPECT_EQ(skin_file_reads(), reads + 1) << "each file read once, lookups answer from memory";
    // A language switch reads the new file once, and so does the way back.
    EXPECT_STREQ(get_skin_setting("Deutsch", "open-label", "OPEN"), "AUF");
    EXPECT_STREQ(get_skin_setting("Deutsch", "back-label", "BACK"), "BACK");
    EXPECT_STREQ(get_skin_setting("English", "open-label", "x"), "OPEN");
    EXPECT_EQ(skin_file_reads(), reads + 3);
    // A file changed on the card is read again, even at the same size and
    // within the same second.
    lang("English", "{\n  \"font-size\": \"30\",\n  \"open-label\": \"OPEN\"\n}\n");
    EXPECT_STREQ(get_skin_setting("English", "font-size", "28"), "30");
    lang("English", "{\n  \"font-size\": \"31\",\n  \"open-label\": \"OPEN\"\n}\n");
    EXPECT_STREQ(get_skin_setting("English", "font-size", "28"), "31");
    skin("{\n  \"color-active\": \"#ff0000\"\n}\n");
    EXPECT_EQ(get_color("color-active").g, 0);
}

} // namespace
