// The search key of names: the initials of Latin and Chinese names, the
// edges of the GB2312 ranges and the key's size.

#include "porta/base/text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include <iconv.h>

namespace {

std::string key_of(const char *name, int *len = nullptr)
{
    char out[32] = {0};
    int n = name_initials(name, out, sizeof(out));
    if (len)
        *len = n;
    return std::string(out, strnlen(out, sizeof(out)));
}

// The bytes `in` converts to through `cd`; empty when it cannot.
std::string convert(iconv_t cd, std::string in)
{
    char buf[16];
    char *ip = &in[0], *op = buf;
    size_t inleft = in.size(), outleft = sizeof buf;
    if (iconv(cd, &ip, &inleft, &op, &outleft) == static_cast<size_t>(-1))
        return "";
    return std::string(buf, sizeof buf - outleft);
}

// The letter of a GB2312 level-1 code (area x 100 + position) by the ranges
// the search has always used: each starts at its code, the last ends at 5600.
char level1_letter(int code)
{
    static const int starts[] = {1601, 1637, 1833, 2078, 2274, 2302, 2433, 2594, 2787, 3106, 3212, 3472,
                                 3635, 3722, 3730, 3858, 4027, 4086, 4390, 4558, 4684, 4925, 5249, 5600};
    static const char letters[] = "abcdefghjklmnopqrstwxyz";
    for (int i = 0; i < 23; i++)
        if (code >= starts[i] && code < starts[i + 1])
            return letters[i];
    return 0;
}

} // namespace

TEST(PortaInitials, ExamplesFromTheSearch)
{
    EXPECT_EQ(key_of("魔界村"), "mjc");
    EXPECT_EQ(key_of("2048"), "2048");
    EXPECT_EQ(key_of("三国志2"), "sgz2");
    EXPECT_EQ(key_of("中国1942"), "zg1942");
    EXPECT_EQ(key_of("Super Mario"), " ") << "letters are dropped, the space stays";
    // 亍 (chù) is a GB2312 level-2 character (area 56): keyed from its reading.
    EXPECT_EQ(key_of("亍"), "c");
    EXPECT_EQ(key_of("魔亍村"), "mcc");
    // 桛 has no Mandarin reading: ":" in its place.
    EXPECT_EQ(key_of("桛"), ":");
    EXPECT_EQ(key_of("魔桛村"), "m:c");
    // Punctuation up to 0x40 is kept as it is.
    EXPECT_EQ(key_of("三国-3!"), "sg-3!");
}

TEST(PortaInitials, RangeEdgesAndLimits)
{
    // 啊 is the first level-1 character (1601) -> a; 座 the last (5589) -> z.
    EXPECT_EQ(key_of("啊"), "a");
    EXPECT_EQ(key_of("座"), "z");
    // Full-width symbols (area 3) lie below 1601.
    EXPECT_EQ(key_of("！"), ":");

    int len = 0;
    EXPECT_EQ(key_of("中国", &len), "zg");
    EXPECT_EQ(len, 4) << "GBK bytes considered";

    // The output size cuts what is considered; nothing is written past it.
    char out[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(name_initials("1234567", out, 3), 3);
    EXPECT_EQ(std::string(out, 4), "123#");

    // A long name keeps what fits the 128-byte buffer.
    std::string longname;
    for (int i = 0; i < 100; i++)
        longname += "魔";
    char big[32] = {0};
    EXPECT_EQ(name_initials(longname.c_str(), big, sizeof(big)), 32);
    EXPECT_EQ(std::string(big, 16), std::string(16, 'm'));
}

TEST(PortaInitials, UnconvertibleNameWritesNothing)
{
    char out[32] = {0};
    testing::internal::CaptureStdout();
    EXPECT_EQ(name_initials("bad \xff\xfe utf8", out, sizeof(out)), -1);
    std::string msg = testing::internal::GetCapturedStdout();
    EXPECT_EQ(msg, "####### iconv failed from_charset #######");
    EXPECT_EQ(out[0], 0);
    // The converter stays usable after a failure.
    EXPECT_EQ(key_of("魔界村"), "mjc");
}

// Every character the C library converts to a GB2312 level-1 code keeps the
// letter of that code's range, and ASCII keeps its digits and punctuation.
TEST(PortaInitials, Level1AndAsciiKeysAsBefore)
{
    iconv_t to_utf8 = iconv_open("UTF-8", "UTF-32LE"), to_gbk = iconv_open("GBK", "UTF-8");
    ASSERT_NE(to_utf8, reinterpret_cast<iconv_t>(-1));
    ASSERT_NE(to_gbk, reinterpret_cast<iconv_t>(-1));
    std::set<int> level1_codes;
    for (uint32_t cp = 1; cp < 0x10000; cp++) {
        const char utf32[4] = {static_cast<char>(cp), static_cast<char>(cp >> 8), 0, 0};
        const std::string name = convert(to_utf8, std::string(utf32, 4));
        const std::string gbk = name.empty() ? "" : convert(to_gbk, name);
        const size_t n = gbk.size();
        if (n == 0)
            continue;
        const unsigned lead = static_cast<unsigned char>(gbk[0]), trail = static_cast<unsigned char>(gbk[1]);
        std::string expected;
        if (n == 1 && lead < 0x80) {
            expected = lead <= 0x40 ? std::string(1, static_cast<char>(lead)) : "";
        } else if (n == 2 && lead >= 0xB0 && lead <= 0xD7 && trail >= 0xA1 && trail <= 0xFE) {
            const int code = static_cast<int>(lead - 0xA0) * 100 + static_cast<int>(trail - 0xA0);
            if (code >= 5600)
                continue;
            level1_codes.insert(code);
            expected = std::string(1, level1_letter(code));
        } else {
            continue;
        }
        ASSERT_EQ(key_of(name.c_str()), expected) << "U+" << std::hex << cp;
    }
    iconv_close(to_utf8);
    iconv_close(to_gbk);
    EXPECT_EQ(level1_codes.size(), 3755u) << "every level-1 character was keyed";
}

TEST(PortaInitials, TraditionalRareAndExtensionCharactersByTheirReading)
{
    // The same game in both scripts keys the same.
    EXPECT_EQ(key_of("三國志"), "sgz");
    EXPECT_EQ(key_of("三国志"), "sgz");
    EXPECT_EQ(key_of("合金彈頭"), "hjdt");
    EXPECT_EQ(key_of("合金弹头"), "hjdt");
    EXPECT_EQ(key_of("雷霆战机"), "ltzj");
    EXPECT_EQ(key_of("勇者鬥惡龍"), "yzdel");
    // GBK extension characters whose second byte is 0x40 (轅, 籃), below 0x80
    // (鐵, 鉤, 長) or in a level-1 area (皜, B0 80) no longer vanish, turn into
    // "@" or take a letter of a range they are no part of.
    EXPECT_EQ(key_of("軒轅劍"), "xyj");
    EXPECT_EQ(key_of("灌籃高手"), "glgs");
    EXPECT_EQ(key_of("鐵鉤船長"), "tgcz");
    EXPECT_EQ(key_of("皜"), "h");
    // CJK Extension A (䶮, U+4DAE) and B (𪚥, U+2A6A5, four UTF-8 bytes).
    EXPECT_EQ(key_of("䶮2"), "y2");
    EXPECT_EQ(key_of("𪚥-𪚥"), "z-z");
    // Other characters outside ASCII stay ":", also where GBK has none.
    EXPECT_EQ(key_of("あ1"), ":1");
    EXPECT_EQ(key_of("魔😀村"), "m:c");
}

TEST(PortaInitials, LongNamesStopAtTheKeySize)
{
    // 20 characters take 40 GBK bytes: the first 16 fill the key.
    char out[40];
    memset(out, '#', sizeof out);
    EXPECT_EQ(name_initials("鐵鉤船長鐵鉤船長鐵鉤船長鐵鉤船長鐵鉤船長", out, 32), 32);
    EXPECT_EQ(std::string(out, 40), "tgcztgcztgcztgcz" + std::string(24, '#'));
    // A character cut by the 32nd byte gives nothing: 1 + 15 x 2 bytes fit.
    memset(out, '#', sizeof out);
    std::string name = "1";
    for (int i = 0; i < 20; i++)
        name += "𪚥";
    EXPECT_EQ(name_initials(name.c_str(), out, 32), 32);
    EXPECT_EQ(std::string(out, 40), "1" + std::string(15, 'z') + std::string(24, '#'));
    // Malformed UTF-8 anywhere in the name writes nothing.
    for (const char *bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE4\xB8", "\xF4\x90\x80\x80", "\x80"}) {
        memset(out, '#', sizeof out);
        testing::internal::CaptureStdout();
        EXPECT_EQ(name_initials((std::string("三国") + bad).c_str(), out, 32), -1);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(out[0], '#');
    }
}
