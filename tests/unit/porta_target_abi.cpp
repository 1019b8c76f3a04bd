// The launcher's byte-level formats and its SDL stack on the build's own CPU:
// the armhf build runs these under qemu-arm, where `char` is unsigned and
// pointers are 32-bit, and they must give exactly what they give on a PC.

#include "porta/base/attr.h"
#include "porta/base/sealed.h"
#include "porta/base/text.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <SDL/SDL_ttf.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include <sys/stat.h>

namespace {

std::string hex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string initials(const char *name)
{
    char out[32] = {0};
    int n = name_initials(name, out, sizeof out);
    if (n < 0)
        return "<failed>";
    return std::string(out);
}

struct SurfaceFree {
    void operator()(SDL_Surface *s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceFree>;

Uint16 pixel16(SDL_Surface *s, int x, int y)
{
    return *reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(s->pixels) + y * s->pitch + x * 2);
}

} // namespace

// The stored attribute record: 17 fields, 68 bytes in little-endian order and
// a CRC-32 trailer, byte for byte the same on the handheld and on a PC.
TEST(PortaTargetAbi, AttributeRecordIsTheSameBytesOnBothCpus)
{
    TempRoot root;
    root.mkdirs("/mnt/data/porta");
    EXPECT_EQ(sizeof(GlobalAttr), static_cast<size_t>(ATTR_RECORD_SIZE));
    const int32_t values[17] = {0,  1,          -1,        2,         3,    127, 128,  255,  256,
                                -2, 0x12345678, INT32_MAX, INT32_MIN, 0xE9, -23, 1000, -1000};
    GlobalAttr a;
    static_assert(sizeof values == sizeof a, "one value per field");
    memcpy(&a, values, sizeof a);
    uint8_t rec[ATTR_RECORD_SIZE];
    attr_encode(&a, rec);
    ASSERT_EQ(crc_seal_write("/mnt/data/porta/porta_attr.ini", rec, sizeof rec), 0);
    const std::string stored = root.read("/mnt/data/porta/porta_attr.ini");
    EXPECT_EQ(hex(stored),
              "0000000001000000ffffffff02000000"
              "030000007f00000080000000ff000000"
              "00010000feffffff78563412ffffff7f"
              "00000080e9000000e9ffffffe8030000"
              "18fcffff55284261");
    EXPECT_EQ(crc_check_file("/mnt/data/porta/porta_attr.ini"), 0);
    EXPECT_TRUE(root.exists("/mnt/data/porta/porta_attr.ini"));

    GlobalAttr back;
    memset(&back, 0x5A, sizeof back);
    attr_decode(reinterpret_cast<const uint8_t *>(stored.data()), &back);
    EXPECT_EQ(memcmp(&back, &a, sizeof a), 0);
    EXPECT_EQ(back.sd_wallpaper, 0);
    EXPECT_EQ(back.sleep_time, 127);
    EXPECT_EQ(back.reserved_c, INT32_MIN);
    EXPECT_EQ(back.reserved_e, -1000);

    // One byte above 127 changed: the seal no longer holds and the file goes.
    std::string bad = stored;
    bad[13] = static_cast<char>(0x80);
    root.write("/mnt/data/porta/porta_attr.ini", bad);
    EXPECT_EQ(crc_check_file("/mnt/data/porta/porta_attr.ini"), -1);
    EXPECT_FALSE(root.exists("/mnt/data/porta/porta_attr.ini"));
}

// The search key walks GBK bytes with the high bit set; a signed `char`
// anywhere on that road changes the key on one CPU only.
TEST(PortaTargetAbi, SearchKeysOfChineseNamesAreTheSameOnBothCpus)
{
    EXPECT_EQ(initials("\xE4\xB8\xAD\xE5\x9B\xBD"
                       "1942"),
              "zg1942");                                                // 中国1942
    EXPECT_EQ(initials("\xE9\xAD\x94\xE7\x95\x8C\xE6\x9D\x91"), "mjc"); // 魔界村
    EXPECT_EQ(initials("\xE4\xB8\x89\xE5\x9B\xBD\xE5\xBF\x97"
                       "2"),
              "sgz2"); // 三国志2
    EXPECT_EQ(initials("2048"), "2048");
    EXPECT_EQ(initials("Super Mario"), " ");
}

// SDL's dummy video driver on this CPU: a 640x480 16-bit RGB565 screen, the
// event queue, timers, pictures and text, as the in-process tests use them.
TEST(PortaTargetAbi, SdlDummyVideoWorksOnThisCpu)
{
    ASSERT_NE(getenv("SDL_VIDEODRIVER"), nullptr) << "tests run with SDL_VIDEODRIVER set";
    TempRoot root;
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER), 0) << SDL_GetError();
    SDL_Surface *screen = SDL_SetVideoMode(640, 480, 16, SDL_SWSURFACE);
    ASSERT_NE(screen, nullptr) << SDL_GetError();
    EXPECT_EQ(screen->w, 640);
    EXPECT_EQ(screen->h, 480);
    EXPECT_EQ(screen->format->BitsPerPixel, 16);
    EXPECT_EQ(screen->format->Rmask, 0xF800u);
    EXPECT_EQ(screen->format->Gmask, 0x07E0u);
    EXPECT_EQ(screen->format->Bmask, 0x001Fu);

    const Uint32 orange = SDL_MapRGB(screen->format, 0xFF, 0x80, 0x00);
    EXPECT_EQ(orange, 0xFC00u);
    SDL_Rect r = {100, 50, 20, 10};
    ASSERT_EQ(SDL_FillRect(screen, &r, orange), 0);
    ASSERT_EQ(SDL_LockSurface(screen), 0);
    EXPECT_EQ(pixel16(screen, 100, 50), 0xFC00);
    EXPECT_EQ(pixel16(screen, 119, 59), 0xFC00);
    EXPECT_EQ(pixel16(screen, 120, 59), 0);
    SDL_UnlockSurface(screen);
    SDL_Flip(screen);

    // The event queue keeps the key's symbol and the byte-sized scan code.
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
    memset(&e, 0, sizeof e);
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = SDLK_RETURN;
    e.key.keysym.scancode = 0xE9;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
    SDL_Event got;
    memset(&got, 0, sizeof got);
    ASSERT_EQ(SDL_PollEvent(&got), 1);
    EXPECT_EQ(got.type, SDL_KEYDOWN);
    EXPECT_EQ(got.key.keysym.sym, SDLK_RETURN);
    EXPECT_EQ(got.key.keysym.scancode, 0xE9);

    // A one-shot timer runs on SDL's timer thread.
    static std::atomic<int> fired{0};
    fired = 0;
    SDL_TimerID t = SDL_AddTimer(
        20,
        [](Uint32, void *) -> Uint32 {
            fired = 1;
            return 0;
        },
        nullptr);
    ASSERT_NE(t, nullptr);
    for (int waited = 0; waited < 3000 && !fired; waited += 10)
        SDL_Delay(10);
    EXPECT_EQ(fired.load(), 1);

    // A picture written and read back through SDL_image.
    const std::string bmp = root.path() + "/shot.bmp";
    ASSERT_EQ(SDL_SaveBMP(screen, bmp.c_str()), 0);
    SurfacePtr loaded(IMG_Load(bmp.c_str()));
    ASSERT_TRUE(loaded) << IMG_GetError();
    SurfacePtr same(SDL_ConvertSurface(loaded.get(), screen->format, SDL_SWSURFACE));
    ASSERT_TRUE(same);
    ASSERT_EQ(SDL_LockSurface(same.get()), 0);
    EXPECT_EQ(pixel16(same.get(), 110, 55), 0xFC00);
    EXPECT_EQ(pixel16(same.get(), 10, 10), 0);
    SDL_UnlockSurface(same.get());

    // UTF-8 text: the same glyph measured from its UTF-8 bytes and from its
    // code point, and drawn with visible pixels.
    ASSERT_EQ(TTF_Init(), 0);
    const char *font_file = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
    struct stat st;
    ASSERT_EQ(stat(font_file, &st), 0) << font_file << " (tools/setup installs fonts-wqy-microhei)";
    TTF_Font *font = TTF_OpenFont(font_file, 24);
    ASSERT_NE(font, nullptr) << TTF_GetError();
    int w8 = 0, h8 = 0, w16 = 0, h16 = 0, wa = 0, ha = 0;
    const Uint16 zhong[] = {0x4E2D, 0x56FD, 0};
    EXPECT_EQ(TTF_SizeUTF8(font, "\xE4\xB8\xAD\xE5\x9B\xBD", &w8, &h8), 0);
    EXPECT_EQ(TTF_SizeUNICODE(font, zhong, &w16, &h16), 0);
    EXPECT_EQ(TTF_SizeUTF8(font, "A", &wa, &ha), 0);
    EXPECT_EQ(w8, w16);
    EXPECT_EQ(h8, h16);
    EXPECT_GT(w8, wa);
    SDL_Color white = {255, 255, 255, 0};
    SurfacePtr text(TTF_RenderUTF8_Blended(font, "\xE4\xB8\xAD\xE5\x9B\xBD", white));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->w, w8);
    ASSERT_EQ(SDL_LockSurface(text.get()), 0);
    int opaque = 0;
    for (int y = 0; y < text->h; y++) {
        const Uint32 *row = reinterpret_cast<const Uint32 *>(static_cast<Uint8 *>(text->pixels) + y * text->pitch);
        for (int x = 0; x < text->w; x++)
            if ((row[x] & text->format->Amask) == text->format->Amask)
                opaque++;
    }
    SDL_UnlockSurface(text.get());
    EXPECT_GT(opaque, 20);
    TTF_CloseFont(font);
    TTF_Quit();
    SDL_Quit();
}
