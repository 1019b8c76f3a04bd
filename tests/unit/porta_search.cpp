// The search over both cards: the initials match of Chinese names (GBK
// pinyin initials, names mixing CJK, Latin and digits), the one-character
// rule, the name match ignoring case, the cap of 100 with the built-in card
// first, typing limits, the keyboard cursor, the shown text, the stored text
// (/tmp/search: exact bytes written crash-safely, any stored bytes read
// safely) and the restart on the result list with the cursor restored.

#include "porta/base/attr.h"
#include "porta/base/timers.h"
#include "porta/device/storage.h"
#include "porta/library/browse.h"
#include "porta/library/gamelist.h"
#include "porta/library/search.h"
#include "porta/ui/library_keys.h"
#include "porta/ui/screens.h"
#include "porta/ui/search_screens.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <SDL/SDL_keysym.h>

#include <string>
#include <vector>

namespace {

class Search : public testing::Test {
protected:
    TempRoot root;
    void SetUp() override
    {
        root.mkdirs("/mnt/data");
        root.mkdirs("/tmp");
        attr_set_defaults(&global_attr);
        tf_card_state = 0;
        search_clear();
    }
    void TearDown() override
    {
        gamelist_free_all();
        search_clear();
        restart_text_scroll(0);
    }
    void scan()
    {
        testing::internal::CaptureStdout();
        scan_card_lists(CARD_MMC, 0);
        scan_card_lists(CARD_TF, 0);
        testing::internal::GetCapturedStdout();
    }
    // Types the text, returns the shown names of the results in order.
    std::vector<std::string> find(const std::string &text, int language)
    {
        global_attr.language = language;
        search_clear();
        for (char c : text)
            search_append(c);
        std::vector<std::string> names;
        for (int i = 0; i < search_result_count(); i++) {
            const SearchResult *r = search_result(i);
            names.push_back(game_name(game_list(r->card, r->system), r->index));
        }
        return names;
    }
};

using Names = std::vector<std::string>;

} // namespace

TEST_F(Search, InitialsOfChineseNamesWithTheChineseUi)
{
    for (const char *n : {"拳皇97.sfc", "Super 拳皇 2.sfc", "中国1942.sfc", "KOF 98.sfc", "三国志2 (China).sfc"})
        root.write(std::string("/mnt/mmc/SFC/") + n, "rom");
    root.write("/mnt/sdcard/FC/魔界村.nes", "rom");
    root.write("/mnt/sdcard/FC/拳皇.nes", "rom");
    scan();
    // Built-in lists before the TF card's; letters of Latin names drop out.
    EXPECT_EQ(find("qh", 0), (Names{"Super 拳皇 2.sfc", "拳皇97.sfc", "拳皇.nes"}));
    EXPECT_EQ(find("qh", 1), find("qh", 0)) << "traditional Chinese matches initials too";
    EXPECT_EQ(find("zg1942", 0), (Names{"中国1942.sfc"}));
    EXPECT_EQ(find("sgz2 (", 0), (Names{"三国志2 (China).sfc"}));
    EXPECT_EQ(find("h 2", 0), (Names{"Super 拳皇 2.sfc"}));
    EXPECT_EQ(find("mjc", 0), (Names{"魔界村.nes"}));
    EXPECT_TRUE(find("kof", 0).empty());
    // One character: any byte of the key; typing 1 finds every name holding a 1.
    EXPECT_EQ(find("1", 0), (Names{"中国1942.sfc"}));
    EXPECT_EQ(find("9", 0), (Names{"KOF 98.sfc", "中国1942.sfc", "拳皇97.sfc"}));
}

TEST_F(Search, TraditionalNamesFoundByTheirInitials)
{
    for (const char *n : {"三國志.sfc", "三国志2.sfc", "軒轅劍.sfc", "勇者鬥惡龍.sfc"})
        root.write(std::string("/mnt/mmc/SFC/") + n, "rom");
    scan();
    EXPECT_EQ(find("sgz", 1), (Names{"三国志2.sfc", "三國志.sfc"}));
    EXPECT_EQ(find("xyj", 1), (Names{"軒轅劍.sfc"}));
    EXPECT_EQ(find("del", 0), (Names{"勇者鬥惡龍.sfc"}));
}

TEST_F(Search, InitialsMatchReadsExactly32Bytes)
{
    char key[INITIALS_SIZE];
    memset(key, 'a', sizeof key);
    key[31] = 'q'; // a full key: no terminator
    EXPECT_TRUE(search_initials_match(key, "q", 1));
    EXPECT_TRUE(search_initials_match(key, "aq", 2));
    EXPECT_FALSE(search_initials_match(key, "qx", 2)) << "nothing past the 32 bytes is read";
    char short_key[INITIALS_SIZE] = {'q', 'h'};
    EXPECT_TRUE(search_initials_match(short_key, "qh", 2));
    EXPECT_FALSE(search_initials_match(short_key, "qhq", 3));
}

TEST_F(Search, NamesIgnoreCaseWithTheEnglishUi)
{
    for (const char *n : {"KOF 98.sfc", "The kOf Story.sfc", "Kingdom.sfc", "拳皇97.sfc", "Ko f.sfc"})
        root.write(std::string("/mnt/mmc/SFC/") + n, "rom");
    root.write("/mnt/sdcard/MD/kofmd.MD", "rom");
    scan();
    EXPECT_EQ(find("kof", 2), (Names{"KOF 98.sfc", "The kOf Story.sfc", "kofmd.MD"}));
    EXPECT_EQ(find("kof", 5), find("kof", 2));
    EXPECT_EQ(find(".md", 3), (Names{"kofmd.MD"})) << "the extension is part of the name";
    EXPECT_EQ(find("k", 4).size(), 5u) << "one character: any of the name's";
    EXPECT_TRUE(find("qh", 2).empty());
}

TEST_F(Search, AtMost100ResultsBuiltInCardFirst)
{
    for (int i = 0; i < 70; i++) {
        root.write("/mnt/sdcard/GB/tf" + std::to_string(i) + ".gb", "rom");
        root.write("/mnt/mmc/WonderSwan/mmc" + std::to_string(i) + ".ws", "rom");
    }
    root.write("/mnt/sdcard/FC/a.nes", "rom");
    scan();
    global_attr.language = 2;
    search_clear();
    EXPECT_EQ(search_append('.'), 100);
    EXPECT_EQ(search_result(0)->card, CARD_MMC);
    EXPECT_EQ(search_result(69)->card, CARD_MMC);
    // Then the TF card in system order: FC (7) before GB (12).
    EXPECT_EQ(search_result(70)->system, 7);
    EXPECT_EQ(search_result(71)->system, 12);
    EXPECT_EQ(search_result(99)->index, 28);
    EXPECT_EQ(search_result(100), nullptr);
}

TEST_F(Search, TypingDeletingAndTheShownText)
{
    root.write("/mnt/mmc/GB/q.gb", "rom");
    scan();
    global_attr.language = 2;
    EXPECT_EQ(search_append('q'), 1);
    search_delete_last();
    search_delete_last();
    EXPECT_EQ(search_state.length, 0);
    EXPECT_EQ(search_result_count(), 0) << "nothing typed, nothing found";
    for (int i = 0; i < SEARCH_TEXT_MAX; i++)
        search_append(SEARCH_KEYBOARD[i % 28]);
    const std::string full = search_state.text;
    EXPECT_EQ(full.size(), 31u);
    EXPECT_EQ(search_append('z'), -1) << "a 32nd character is ignored";
    EXPECT_EQ(std::string(search_state.text), full);

    char shown[32];
    EXPECT_STREQ(search_shown_text("abc12345678901234", shown), "ABC12345678901234");   // 17: whole
    EXPECT_STREQ(search_shown_text("abc123456789012345", shown), "ABC123456789012345"); // 18: whole
    EXPECT_STREQ(search_shown_text("abc1234567890123456", shown), "BC1234567890123456");
    EXPECT_STREQ(search_shown_text("k o;\xe6\x8b\xb3\x01.?", shown), "K O;????.?");
}

TEST_F(Search, KeyboardCursor)
{
    struct Move {
        void (*move)(void);
        int from, to;
    } moves[] = {
        {search_cursor_up, 3, 33},     {search_cursor_up, 40, 39},    {search_cursor_up, 25, 15},
        {search_cursor_down, 15, 25},  {search_cursor_down, 37, 40},  {search_cursor_down, 40, 40},
        {search_cursor_right, 19, 10}, {search_cursor_right, 10, 11}, {search_cursor_right, 40, 40},
        {search_cursor_left, 30, 39},  {search_cursor_left, 31, 30},  {search_cursor_left, 40, 40},
    };
    for (const Move &m : moves) {
        search_state.cursor = m.from;
        m.move();
        EXPECT_EQ(search_state.cursor, m.to) << "from " << m.from;
    }
}

TEST_F(Search, StoredTextExactBytesAndAnyBytesReadSafely)
{
    // Written whole over a longer old text, with no line end, no temporary
    // file left beside it.
    root.write("/tmp/search", "a much longer text that was there before");
    snprintf(search_state.text, sizeof search_state.text, "kof 9");
    search_state.length = 5;
    ASSERT_EQ(search_save(), 0);
    EXPECT_EQ(root.read("/tmp/search"), "kof 9");
    EXPECT_EQ(host_capture("ls -A '" + root.host("/tmp") + "'"), "search\n");

    // A stored text too long for the field, bytes the keyboard cannot type, a
    // second line: the first 31 bytes of the first line, searched as they are.
    root.write("/mnt/mmc/SFC/拳皇 KOF.sfc", "rom");
    scan();
    global_attr.language = 2;
    char text[SEARCH_TEXT_SIZE];
    root.write("/tmp/search", std::string(40, 'x') + "\nkof");
    EXPECT_EQ(read_search_file("/tmp/search", text, sizeof text), 31);
    EXPECT_EQ(std::string(text), std::string(31, 'x'));
    root.write("/tmp/search", "\xe6\x8b\xb3");
    EXPECT_EQ(search_restore(1), 1) << "the UTF-8 bytes of a name are found as they stand";
    root.write("/tmp/search", "KOF");
    EXPECT_EQ(search_restore(1), 0) << "capitals are never typed: no match";
    EXPECT_EQ(search_state.length, 3);
    root.write("/tmp/search", std::string("ko\0f", 4));
    EXPECT_EQ(search_restore(1), 1) << "the text ends at a zero byte";
    EXPECT_EQ(search_state.length, 2);
    testing::internal::CaptureStdout();
    unlink(root.host("/tmp/search").c_str());
    EXPECT_EQ(search_restore(1), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "/tmp/search is not exist!\n");
    root.write("/tmp/search", "kof");
    EXPECT_EQ(search_restore(0), 0) << "read only when restarting on the result list";
    EXPECT_EQ(search_state.length, 0);
}

TEST_F(Search, RestartOnTheResultListRestoresTheCursor)
{
    for (int i = 0; i < 20; i++)
        root.write("/mnt/mmc/NEOGEO/kof" + std::to_string(i) + ".zip", "rom");
    global_attr.language = 2;
    struct {
        const char *text;
        int results, page, row;                          // restored cursor
    } cases[] = {{"kof", 20, 1, 2}, {"kof1", 11, 0, 0}}; // kof1: page 1 row 2 is beyond
    for (const auto &c : cases) {
        root.write("/tmp/gamedir.cfg", "/tmp/search");
        root.write("/tmp/gameplace.cfg", "start=1 \nhight=2 \n");
        root.write("/tmp/search", c.text);
        testing::internal::CaptureStdout();
        gamelist_init();
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(screen.load(), SCREEN_SEARCH_RESULTS);
        EXPECT_EQ(room, ROOM_SEARCH);
        EXPECT_STREQ(search_state.text, c.text);
        EXPECT_EQ(browse_cursor.page, c.page) << c.text;
        EXPECT_EQ(browse_cursor.row, c.row) << c.text;
        EXPECT_EQ(search_result_count(), c.results);
        gamelist_free_all();
        EXPECT_EQ(search_result_count(), 0) << "no result outlives the lists";
    }
}

TEST_F(Search, ResultsGoWithTheCardAndTheKeyboardStartsOnPageZero)
{
    for (int i = 0; i < 20; i++)
        root.write("/mnt/sdcard/GB/kof" + std::to_string(i) + ".gb", "rom");
    scan();
    find("kof", 2);
    ASSERT_EQ(search_result_count(), 20);
    // B on the result list: an empty keyboard whose list starts at page 0.
    screen = SCREEN_SEARCH_RESULTS;
    browse_cursor = {1, 3};
    search_results_keypress(SDLK_LALT);
    EXPECT_EQ(screen.load(), SCREEN_SEARCH_KEYS);
    EXPECT_EQ(browse_cursor.page * 9 + browse_cursor.row, 0);
    EXPECT_EQ(search_result_count(), 0);
    // So does the Search room, whatever the rooms' restored cursor was.
    find("kof", 2);
    screen = SCREEN_ROOMS;
    room = ROOM_SEARCH;
    browse_cursor = {2, 1};
    rooms_keypress(SDLK_LCTRL);
    EXPECT_EQ(screen.load(), SCREEN_SEARCH_KEYS);
    EXPECT_EQ(browse_cursor.page * 9 + browse_cursor.row, 0);
    EXPECT_EQ(search_state.length, 0);
    // A card change while the settings would return to the results: the
    // results go and the settings return to the rooms.
    find("kof", 2);
    screen = SCREEN_SETTINGS;
    settings_return_screen = SCREEN_SEARCH_RESULTS;
    browse_cursor = {1, 0};
    gamelist_card_changed(0);
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS);
    EXPECT_EQ(settings_return_screen, SCREEN_ROOMS);
    EXPECT_EQ(browse_cursor.page, 0);
    EXPECT_EQ(search_result_count(), 0);
}
