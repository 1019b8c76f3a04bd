// Text drawing with a real font on SDL's dummy driver: whole texts, clipped
// rows, the marquee after the 2-second scroll timer, the power-key hold timer,
// and picture loading.

#include "porta/ui/draw.h"
#include "porta/ui/loop.h"
#include "porta_loop_test.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <SDL/SDL_image.h>

#include <string>

namespace {

const char *kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class Text : public PortaLoopTest {
protected:
    TTF_Font *font = nullptr;
    SDL_Surface *dst = nullptr;
    SDL_Color white = {255, 255, 255, 0};

    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO), 0);
        ASSERT_NE(SDL_SetVideoMode(640, 480, 16, 0), nullptr);
        ASSERT_EQ(TTF_Init(), 0);
        font = TTF_OpenFont(kFont, 18);
        ASSERT_NE(font, nullptr);
        dst = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 100, 16, 0xF800, 0x07E0, 0x001F, 0);
        restart_text_scroll(0);
        loop_install_handlers(); // the hold timer ends the loop
    }

    void TearDown() override
    {
        restart_text_scroll(0);
        if (dst)
            SDL_FreeSurface(dst);
        if (font)
            TTF_CloseFont(font);
        TTF_Quit();
        SDL_Quit();
    }

    void clear() { SDL_FillRect(dst, nullptr, 0); }

    // Leftmost and rightmost lit columns, -1 when none.
    std::pair<int, int> lit_columns()
    {
        int l = -1, r = -1;
        SDL_LockSurface(dst);
        for (int x = 0; x < dst->w; x++)
            for (int y = 0; y < dst->h; y++) {
                uint16_t p = reinterpret_cast<uint16_t *>(static_cast<uint8_t *>(dst->pixels) + y * dst->pitch)[x];
                if (p) {
                    if (l < 0)
                        l = x;
                    r = x;
                    break;
                }
            }
        SDL_UnlockSurface(dst);
        return {l, r};
    }

    std::string snapshot()
    {
        SDL_LockSurface(dst);
        std::string s(static_cast<char *>(dst->pixels), static_cast<size_t>(dst->pitch) * dst->h);
        SDL_UnlockSurface(dst);
        return s;
    }
};

} // namespace

TEST_F(Text, DrawTextReturnsWidthAndEmptyTextDrawsNothing)
{
    int w = 0, h = 0;
    ASSERT_EQ(TTF_SizeUTF8(font, "Game Rooms", &w, &h), 0);
    clear();
    EXPECT_EQ(draw_text(10, 10, font, white, "Game Rooms", dst), w);
    auto cols = lit_columns();
    EXPECT_GE(cols.first, 10);
    EXPECT_LE(cols.second, 10 + w);
    clear();
    EXPECT_EQ(draw_text(10, 10, font, white, "", dst), 0);
    EXPECT_EQ(lit_columns().first, -1);
}

TEST_F(Text, TextExactlyAsWideAsTheBoxIsWholeAndNeverScrolls)
{
    const char *t = "Street Fighter II";
    int w = 0, h = 0;
    ASSERT_EQ(TTF_SizeUTF8(font, t, &w, &h), 0);
    TextClip clip = {font, white, t, w};
    text_scroll.on = 1; // the timer has fired
    clear();
    draw_text_clip(0, 0, 1, &clip, dst);
    std::string first = snapshot();
    for (int i = 0; i < 40; i++) {
        clear();
        draw_text_clip(0, 0, 1, &clip, dst);
    }
    EXPECT_EQ(snapshot(), first);
    EXPECT_EQ(text_scroll.offset.load(), 0);
}

TEST_F(Text, LongRowIsCutUntilTheTimerThenScrolls)
{
    const char *t = "The Legend of a Very Long Game Name That Does Not Fit (Europe) [!]";
    TextClip clip = {font, white, t, 200};
    clear();
    draw_text_clip(20, 0, 1, &clip, dst);
    auto cols = lit_columns();
    EXPECT_GE(cols.first, 20);
    EXPECT_LE(cols.second, 20 + 200) << "cut to the box";
    const std::string start = snapshot();

    // Not selected: never scrolls even after the timer.
    text_scroll.on = 1;
    for (int i = 0; i < 30; i++) {
        clear();
        draw_text_clip(20, 0, 0, &clip, dst);
    }
    EXPECT_EQ(snapshot(), start);
    EXPECT_EQ(text_scroll.offset.load(), 0);

    // Selected: moves 10 pixels every 10 drawings.
    for (int i = 0; i < 10; i++) {
        clear();
        draw_text_clip(20, 0, 1, &clip, dst);
    }
    EXPECT_EQ(text_scroll.offset.load(), 10);
    EXPECT_NE(snapshot(), start);
    cols = lit_columns();
    EXPECT_LE(cols.second, 20 + 200);

    // A key press stops it and shows the start again.
    restart_text_scroll(0);
    clear();
    draw_text_clip(20, 0, 1, &clip, dst);
    EXPECT_EQ(snapshot(), start);
}

TEST_F(Text, MarqueeWrapsWithTheGapAndStartsOver)
{
    const char *t = "A Long Title For The Marquee Test Row";
    int w = 0, h = 0;
    ASSERT_EQ(TTF_SizeUTF8(font, (std::string(t) + "        ").c_str(), &w, &h), 0);
    TextClip clip = {font, white, t, 150};
    text_scroll.on = 1;
    int max_offset = 0;
    bool wrapped = false;
    for (int i = 0; i < (w / 10 + 3) * 10; i++) {
        clear();
        draw_text_clip(0, 0, 1, &clip, dst);
        int o = text_scroll.offset.load();
        if (o < max_offset)
            wrapped = true;
        max_offset = std::max(max_offset, o);
        EXPECT_LE(lit_columns().second, 150);
    }
    EXPECT_TRUE(wrapped);
    EXPECT_GE(max_offset, w - 10);
    EXPECT_LT(max_offset, w + 10);
}

TEST_F(Text, OverlongTextIsCutOnACharacterBoundary)
{
    std::string t;
    for (int i = 0; i < 300; i++)
        t += "魔"; // 900 bytes of UTF-8
    TextClip clip = {font, white, t.c_str(), 100};
    text_scroll.on = 1;
    for (int i = 0; i < 12; i++)
        draw_text_clip(0, 0, 1, &clip, dst);
    EXPECT_EQ(text_scroll.offset.load(), 10) << "rendered and scrolled without fault";
}

TEST_F(Text, ScrollTimerFiresAfterTwoSeconds)
{
    restart_text_scroll(1);
    EXPECT_EQ(text_scroll.on.load(), 0);
    SDL_Delay(1500);
    EXPECT_EQ(text_scroll.on.load(), 0);
    SDL_Delay(900);
    EXPECT_EQ(text_scroll.on.load(), 1);
    restart_text_scroll(1);
    EXPECT_EQ(text_scroll.on.load(), 0) << "a new release starts over";
    restart_text_scroll(0);
    SDL_Delay(2300);
    EXPECT_EQ(text_scroll.on.load(), 0) << "a press removes the pending timer";
}

TEST_F(Text, TimerReArmedAsItFiresIsNeverForgotten)
{
    // The old timer fires; a release re-arms at that very moment and a press
    // right after must still cancel the new one: no marquee during the hold.
    for (int round = 0; round < 2; round++) {
        restart_text_scroll(1);
        // Watch the flag closely so that the re-arm lands right at the fire.
        for (int i = 0; i < 300000 && !text_scroll.on.load(); i++)
            std::this_thread::sleep_for(std::chrono::microseconds(10));
        ASSERT_EQ(text_scroll.on.load(), 1);
        restart_text_scroll(1); // release
        restart_text_scroll(0); // press, held
        SDL_Delay(2200);
        EXPECT_EQ(text_scroll.on.load(), 0) << "round " << round;
    }
}

TEST_F(Text, PowerHoldTimerPowersOffAfterTwoSeconds)
{
    loop_running = 1;
    shutdown_type = SHUTDOWN_EXIT;
    power_hold_start();
    SDL_Delay(1000);
    power_hold_cancel();
    SDL_Delay(1500);
    EXPECT_EQ(loop_running.load(), 1) << "released early: nothing";

    testing::internal::CaptureStdout();
    power_hold_start();
    SDL_Delay(1000);
    power_hold_start(); // a new press starts the 2 seconds again
    SDL_Delay(1500);
    EXPECT_EQ(loop_running.load(), 1);
    SDL_Delay(800);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(loop_running.load(), 0);
    EXPECT_EQ(shutdown_type.load(), SHUTDOWN_POWEROFF);
    EXPECT_EQ(out, "ready to poweroff ");
    shutdown_type = SHUTDOWN_EXIT;
}

TEST_F(Text, LoadImgConvertsAndReportsMissingFiles)
{
    SDL_Surface *pic = SDL_CreateRGBSurface(SDL_SWSURFACE, 30, 20, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    root.mkdirs("/mnt/vendor");
    ASSERT_EQ(SDL_SaveBMP(pic, root.host("/mnt/vendor/p.bmp").c_str()), 0);
    SDL_FreeSurface(pic);
    SDL_Surface *s = load_img("/mnt/vendor/p.bmp");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 30);
    EXPECT_EQ(s->h, 20);
    EXPECT_EQ(s->format->BitsPerPixel, 32) << "display format with alpha";
    SDL_FreeSurface(s);
    s = load_img_opt("/mnt/vendor/p.bmp", 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->BitsPerPixel, 16) << "display format of the 16-bit screen";
    SDL_FreeSurface(s);

    testing::internal::CaptureStdout();
    EXPECT_EQ(load_img("/mnt/vendor/missing.png"), nullptr);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Failed to load /mnt/vendor/missing.png, ", 0), 0u) << out;
    EXPECT_GT(out.size(), std::string("Failed to load /mnt/vendor/missing.png, \n").size()) << "carries SDL's reason";
}
