// Selection rules and the resume file of the front end's menu model.

#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "test_root.h"
#include "vantor/menu.h"

namespace {

TEST(MenuRules, RowsWrapForSingleStepsAndPages)
{
    EXPECT_EQ(wrap_row(3, -8, 19), 19);
    EXPECT_EQ(wrap_row(3, -1, 19), 2);
    EXPECT_EQ(wrap_row(15, 8, 19), 0);
    EXPECT_EQ(wrap_row(11, 8, 19), 19);
    EXPECT_EQ(wrap_row(0, -1, 19), 19);
    EXPECT_EQ(wrap_row(19, 1, 19), 0);
    EXPECT_EQ(wrap_row(0, 1, 0), 0) << "an empty list stays at row 0";
}

TEST(MenuRules, LastConsolesPage)
{
    EXPECT_EQ(last_consoles_page(17), 2);
    EXPECT_EQ(last_consoles_page(16), 1);
    EXPECT_EQ(last_consoles_page(8), 0);
    EXPECT_EQ(last_consoles_page(9), 1);
    EXPECT_EQ(last_consoles_page(1), 0);
    EXPECT_EQ(last_consoles_page(0), 0);
}

TEST(MenuRules, LetterJumpOverTheFiveFileExample)
{
    std::vector<std::string> names = {"/r/GBA/Alpha.gba", "/r/GBA/Apple.gba", "/r/GBA/Bravo.gba", "/r/GBA/Beta.gba",
                                      "/r/GBA/Charlie.gba"};
    std::vector<char *> items;
    for (auto &n : names)
        items.push_back(&n[0]);
    EXPECT_EQ(letter_jump(items.data(), 5, 1, 1), 2) << "forward from Apple gives Bravo";
    EXPECT_EQ(letter_jump(items.data(), 5, 4, 0), 2) << "back from Charlie gives Bravo";
    EXPECT_EQ(letter_jump(items.data(), 5, 3, 0), 0) << "back from Beta gives Alpha";
    EXPECT_EQ(letter_jump(items.data(), 5, 1, 0), 4) << "back from Apple gives the last group";
    EXPECT_EQ(letter_jump(items.data(), 5, 4, 1), 0) << "forward from the last group wraps";
    EXPECT_EQ(letter_jump(items.data(), 1, 0, 1), 0);
}

TEST(MenuRules, LetterJumpComparesBytesExactly)
{
    std::vector<std::string> names = {"/r/a1", "/r/A2", "/r/a3", "/r/b", "/r/b2", "/r/\xe9x", "/r/\xe9y"};
    std::vector<char *> items;
    for (auto &n : names)
        items.push_back(&n[0]);
    EXPECT_EQ(letter_jump(items.data(), 7, 0, 1), 1) << "a and A differ";
    EXPECT_EQ(letter_jump(items.data(), 7, 3, 1), 5);
    EXPECT_EQ(letter_jump(items.data(), 7, 6, 0), 3) << "high bytes compare like any other";
    EXPECT_EQ(letter_jump(items.data(), 7, 0, 0), 5) << "all-equal first group goes to the last group";
    std::vector<std::string> same = {"/r/x1", "/r/x2", "/r/x3"};
    std::vector<char *> s;
    for (auto &n : same)
        s.push_back(&n[0]);
    EXPECT_EQ(letter_jump(s.data(), 3, 2, 0), 0);
    EXPECT_EQ(letter_jump(s.data(), 3, 1, 1), 0);
}

TEST(MenuResume, TextsOfEveryState)
{
    MenuModel m;
    std::string a = "/mnt/mmc/Roms/GBA/A.gba", b = "/mnt/SDCARD/Roms/GBA/Sub dir/B's.gba";
    char *items[2] = {&a[0], &b[0]};
    m.state = STATE_HOME;
    m.column = 2;
    EXPECT_EQ(menu_flag_text(m, false), "home\n2");
    m.state = STATE_SETTINGS;
    m.home_return.column = 1;
    m.column = 5;
    EXPECT_EQ(menu_flag_text(m, true), "home\n1");
    m.state = STATE_CONSOLES;
    EXPECT_EQ(menu_flag_text(m, true), "consoles");
    EXPECT_EQ(menu_flag_text(m, false), "") << "Consoles is recorded only by the power key";
    m.state = STATE_RECENT;
    EXPECT_EQ(menu_flag_text(m, false), "recent");
    m.state = STATE_FAVORITES;
    m.row = 7;
    EXPECT_EQ(menu_flag_text(m, false), "favorites\n7");
    m.state = STATE_GAMES;
    m.items = items;
    m.item_count = 2;
    m.row = 1;
    EXPECT_EQ(menu_flag_text(m, false), "games\n1\n/mnt/SDCARD/Roms/GBA/Sub dir");
    m.row = 5;
    EXPECT_EQ(menu_flag_text(m, false), "") << "no row, no folder";
    m.items = nullptr;
    m.item_count = 0;
}

TEST(MenuResume, ReadingTheFile)
{
    TempRoot root;
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof(old)), nullptr);
    root.mkdirs("/mnt/mmc/CFW");
    ASSERT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
    char *folder = nullptr;
    int index = -5;
    EXPECT_EQ(get_menu_flags(&folder, &index), -1);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(folder, nullptr);

    root.write("/mnt/mmc/CFW/menu.flag", "games\r\n12\r\n/mnt/mmc/Roms/GBA\r\n");
    EXPECT_EQ(get_menu_flags(&folder, &index), STATE_GAMES);
    EXPECT_EQ(index, 12);
    ASSERT_NE(folder, nullptr);
    EXPECT_STREQ(folder, "/mnt/mmc/Roms/GBA");

    root.write("/mnt/mmc/CFW/menu.flag", "favorites");
    EXPECT_EQ(get_menu_flags(&folder, &index), STATE_FAVORITES);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(folder, nullptr);

    const std::pair<const char *, int> words[] = {
        {"recent", STATE_RECENT}, {"consoles", STATE_CONSOLES}, {"home\n3", STATE_HOME}, {"homes", -1}, {"", -1},
        {"settings", -1}};
    for (const auto &w : words) {
        root.write("/mnt/mmc/CFW/menu.flag", w.first);
        EXPECT_EQ(get_menu_flags(&folder, &index), w.second) << w.first;
    }
    ASSERT_EQ(chdir(old), 0);
}

} // namespace
