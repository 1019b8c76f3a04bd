// The shared screen pieces on SDL's dummy driver, both layouts, with plain
// coloured pictures of known sizes: where the battery, speaker, badges, key
// hints, page counter, rows and notices land; and the cache of rendered texts
// (same pictures as rendering anew, bounded, emptied with the fonts).

#include "porta_loop_test.h"

#include "porta/base/attr.h"
#include "porta/device/battery.h"
#include "porta/device/storage.h"
#include "porta/device/hardware.h"
#include "porta/library/browse.h"
#include "porta/ui/chrome.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/loop.h"
#include "porta/ui/themes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const Rgb kTitle = {40, 40, 40}, kBat0 = {255, 0, 0}, kBat1 = {0, 255, 0}, kSpk = {0, 0, 255}, kEar = {0, 255, 255},
          kBar = {60, 60, 60}, kKeyA = {255, 255, 0}, kKeyB = {255, 128, 0}, kKeyStart = {128, 0, 255},
          kKeyY = {0, 128, 255}, kRow = {200, 100, 50};

class Chrome : public PortaLoopTest {
protected:
    SDL_Surface *lcd = nullptr;
    SDL_Surface *hdmi = nullptr;

    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
        lcd = SDL_SetVideoMode(640, 480, 16, 0);
        ASSERT_NE(lcd, nullptr);
        hdmi = SDL_CreateRGBSurface(SDL_SWSURFACE, 1280, 720, 16, 0xF800, 0x07E0, 0x001F, 0);
        ASSERT_EQ(TTF_Init(), 0);
        install_test_font();
        ASSERT_EQ(load_ui_fonts(), 0);
        // LCD and HDMI pictures of different sizes, so that a piece using the
        // wrong layout's picture shows.
        const struct {
            const char *out;
            int title_h, bat_w, bat_h, bar_h, key, row_w, row_h;
        } sets[2] = {{"lcd", 34, 30, 16, 36, 26, 385, 40}, {"hdmi", 56, 40, 20, 60, 46, 710, 60}};
        for (int out = 0; out < 2; out++) {
            const auto &s = sets[out];
            const std::string t = std::string("/mnt/vendor/desktop_res/top/") + s.out;
            write_picture(root, t + "/title/bg.png", out ? 1280 : 640, s.title_h, kTitle);
            write_picture(root, t + "/title/bat_0.png", s.bat_w, s.bat_h, kBat0);
            write_picture(root, t + "/title/bat_1.png", s.bat_w, s.bat_h, kBat1);
            write_picture(root, t + "/title/spk.png", 30, 20, kSpk);
            write_picture(root, t + "/title/joy.png", 26, 18, kSpk);
            write_picture(root, t + "/title/earphone.png", 20, 20, kEar);
            write_picture(root, t + "/bottom/0.png", out ? 1280 : 640, s.bar_h, kBar);
            const Rgb keys[6] = {kBar, kKeyA, kKeyB, kBar, kKeyStart, kKeyY};
            for (int i = 1; i < 6; i++)
                write_picture(root, t + "/bottom/" + std::to_string(i) + ".png", s.key, s.key, keys[i]);
            write_picture(root, t + "/5.png", s.row_w, s.row_h, kRow);
            ASSERT_EQ(load_title_bottom(out), 0);
            fixed_res[out].list[5] = load_img((t + "/5.png").c_str());
        }
        battery_reset();
        chrome_reset();
        tf_card_state = 0;
        root.write(H2W_STATE_PATH, "0\n");
        attr_set_defaults(&global_attr);
        global_attr.language = 2;
    }

    void TearDown() override
    {
        tf_card_state = 0;
        text_cache_enable(1);
        free_all_images();
        free_ui_fonts();
        if (hdmi)
            SDL_FreeSurface(hdmi);
        TTF_Quit();
        SDL_Quit();
    }

    static Rgb at(SDL_Surface *s, int x, int y)
    {
        uint16_t p = reinterpret_cast<uint16_t *>(static_cast<uint8_t *>(s->pixels) + y * s->pitch)[x];
        Uint8 r, g, b;
        SDL_GetRGB(p, s->format, &r, &g, &b);
        return {r, g, b};
    }
    static bool is(SDL_Surface *s, int x, int y, Rgb c)
    {
        Rgb p = at(s, x, y);
        return abs(p.r - c.r) < 12 && abs(p.g - c.g) < 12 && abs(p.b - c.b) < 12;
    }
    // Whether colour c appears anywhere in the rectangle.
    static bool appears(SDL_Surface *s, int x0, int y0, int x1, int y1, Rgb c)
    {
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++)
                if (is(s, x, y, c))
                    return true;
        return false;
    }
    // Bounding box of near-white pixels (text) in the rectangle: l, t, r, b.
    static SDL_Rect white_box(SDL_Surface *s, int x0, int y0, int x1, int y1)
    {
        int l = x1, t = y1, r = -1, b = -1;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) {
                Rgb p = at(s, x, y);
                if (p.r > 180 && p.g > 180 && p.b > 180) {
                    l = std::min(l, x);
                    r = std::max(r, x);
                    t = std::min(t, y);
                    b = std::max(b, y);
                }
            }
        SDL_Rect box;
        box.x = static_cast<Sint16>(l);
        box.y = static_cast<Sint16>(t);
        box.w = static_cast<Uint16>(r < 0 ? 0 : r - l + 1);
        box.h = static_cast<Uint16>(b < 0 ? 0 : b - t + 1);
        return box;
    }
    std::string pixels(SDL_Surface *s)
    {
        return std::string(static_cast<char *>(s->pixels), static_cast<size_t>(s->pitch) * s->h);
    }
};

} // namespace

TEST_F(Chrome, BatteryEndsAtTheRightMarginOfEachLayout)
{
    battery_mon.icon = {0, -1}; // full: bat_1 alone
    draw_top_bar(lcd);
    EXPECT_TRUE(is(lcd, 600, 10, kBat1));
    EXPECT_TRUE(is(lcd, 629, 25, kBat1));
    EXPECT_FALSE(is(lcd, 630, 10, kBat1));
    EXPECT_FALSE(is(lcd, 599, 10, kBat1));
    EXPECT_FALSE(is(lcd, 600, 9, kBat1));
    // The speaker one battery width and 4 pixels further left, at y 6.
    EXPECT_TRUE(is(lcd, 566, 6, kSpk));
    EXPECT_FALSE(is(lcd, 565, 6, kSpk));
    EXPECT_FALSE(is(lcd, 596, 6, kSpk));

    draw_top_bar(hdmi);
    EXPECT_TRUE(is(hdmi, 1190, 30, kBat1));
    EXPECT_TRUE(is(hdmi, 1229, 49, kBat1));
    EXPECT_FALSE(is(hdmi, 1230, 30, kBat1));
    EXPECT_FALSE(is(hdmi, 1189, 30, kBat1));
    EXPECT_TRUE(is(hdmi, 1140, 26, kSpk)); // 1190 - 40 - 10

    // Charging, second step: 11 pixels of fill over the empty icon.
    battery_mon.icon = {1, 11};
    draw_top_bar(lcd);
    EXPECT_TRUE(is(lcd, 610, 12, kBat1));
    EXPECT_TRUE(is(lcd, 611, 12, kBat0));
    // The blinking empty icon in its dark phase: nothing.
    battery_mon.icon = {0, 0};
    draw_top_bar(lcd);
    EXPECT_FALSE(appears(lcd, 600, 10, 630, 26, kBat0));
    EXPECT_FALSE(appears(lcd, 600, 10, 630, 26, kBat1));
}

TEST_F(Chrome, CardBadgeAndHeadphonesMoveLeftInTurn)
{
    root.write(H2W_STATE_PATH, "1\n");
    chrome_reset();
    draw_top_bar(lcd);
    // No card: the headphones 40 left of the speaker (566).
    EXPECT_TRUE(is(lcd, 526, 10, kEar));
    EXPECT_FALSE(is(lcd, 525, 10, kEar));

    tf_card_state = 1;
    chrome_reset();
    draw_top_bar(lcd);
    EXPECT_TRUE(is(lcd, 486, 10, kEar));
    EXPECT_FALSE(is(lcd, 526, 10, kEar));
    SDL_Rect sd = white_box(lcd, 520, 0, 560, 34);
    EXPECT_GE(sd.x, 526);
    EXPECT_LE(sd.x, 529);

    root.write(H2W_STATE_PATH, "0\n");
    chrome_reset();
    draw_top_bar(lcd);
    EXPECT_FALSE(appears(lcd, 400, 0, 560, 34, kEar));
}

// The badge follows the mount state from the frame after the card check saw
// it change, and on HDMI it keeps clear of the volume figure ("SD10").
TEST_F(Chrome, CardBadgeFollowsTheMountAtOnceAndClearsTheVolume)
{
    global_attr.volume = 10;
    draw_top_bar(lcd);
    EXPECT_EQ(white_box(lcd, 500, 0, 546, 34).w, 0) << "no card, no badge";
    tf_card_state = 1;
    draw_top_bar(lcd);
    EXPECT_GT(white_box(lcd, 500, 0, 546, 34).w, 10) << "the badge in the next frame";
    tf_card_state = 0;
    draw_top_bar(lcd);
    EXPECT_EQ(white_box(lcd, 500, 0, 546, 34).w, 0);

    draw_top_bar(hdmi);
    const SDL_Rect vol = white_box(hdmi, 1040, 0, 1140, 56);
    ASSERT_GT(vol.w, 10);
    tf_card_state = 1;
    chrome_reset();
    draw_top_bar(hdmi);
    const SDL_Rect sd = white_box(hdmi, 1000, 0, vol.x, 56);
    ASSERT_GT(sd.w, 10);
    EXPECT_LE(sd.x + sd.w, vol.x - 3) << "SD at " << sd.x << "+" << sd.w << ", volume from " << vol.x;
    const SDL_Rect vol_now = white_box(hdmi, vol.x, 0, 1140, 56);
    EXPECT_EQ(vol_now.x, vol.x) << "the volume stays where it was";
    EXPECT_EQ(vol_now.w, vol.w);
}

TEST_F(Chrome, ClockIsCentredAndVolumeEndsAtTheSpeaker)
{
    frame_hour = 9;
    frame_minute = 5;
    global_attr.volume = 10;
    draw_top_bar(lcd);
    SDL_Rect clock = white_box(lcd, 200, 0, 440, 34);
    ASSERT_GT(clock.w, 20);
    EXPECT_LE(abs(clock.x + clock.x + clock.w - 640), 4);
    SDL_Rect vol = white_box(lcd, 500, 0, 566, 34);
    ASSERT_GT(vol.w, 5);
    EXPECT_LE(vol.x + vol.w, 566);
    EXPECT_GE(vol.x + vol.w, 560);

    draw_top_bar(hdmi);
    clock = white_box(hdmi, 500, 0, 780, 56);
    EXPECT_LE(abs(clock.x + clock.x + clock.w - 1280), 8);
}

TEST_F(Chrome, KeyHintsFollowTheScreen)
{
    for (int out = 0; out < 2; out++) {
        SDL_Surface *dst = out ? hdmi : lcd;
        const int bar_h = out ? 60 : 36, top = dst->h - bar_h;
        for (int s = SCREEN_ROOMS; s <= SCREEN_CORE_POPUP; s++) {
            for (int gba = 0; gba < 2; gba++) {
                SDL_FillRect(dst, nullptr, 0);
                draw_bottom_bar(dst, bottom_hints(s, gba));
                const bool start = s >= SCREEN_GAMES && s <= SCREEN_SEARCH_RESULTS;
                EXPECT_EQ(appears(dst, 0, top, dst->w, dst->h, kKeyStart), start) << "screen " << s << " out " << out;
                EXPECT_EQ(appears(dst, 0, top, dst->w, dst->h, kKeyY), s == SCREEN_GAMES && gba == 1)
                    << "screen " << s << " out " << out;
                EXPECT_TRUE(appears(dst, 0, top, dst->w, dst->h, kKeyB));
            }
        }
    }
    // Where the A key and the Start text sit.
    global_attr.language = 2;
    SDL_FillRect(lcd, nullptr, 0);
    draw_bottom_bar(lcd, bottom_hints(SCREEN_GAMES, 0));
    EXPECT_TRUE(is(lcd, 10, 444 + 5, kKeyA));
    EXPECT_FALSE(is(lcd, 10, 444 + 4, kKeyA));
    SDL_Rect start_text = white_box(lcd, 400, 444, 640, 480);
    EXPECT_LE(start_text.x + start_text.w, 620);
    EXPECT_GE(start_text.x + start_text.w, 612);
    EXPECT_TRUE(is(lcd, start_text.x - 10, 460, kKeyStart));

    SDL_FillRect(hdmi, nullptr, 0);
    draw_bottom_bar(hdmi, bottom_hints(SCREEN_GAMES, 1));
    EXPECT_TRUE(is(hdmi, 50, 666, kKeyA));
    EXPECT_FALSE(is(hdmi, 50, 665, kKeyA));
    EXPECT_TRUE(is(hdmi, 350, 666, kKeyY));
    start_text = white_box(hdmi, 900, 660, 1280, 720);
    EXPECT_LE(start_text.x + start_text.w, 1230);
    EXPECT_GE(start_text.x + start_text.w, 1220);
}

TEST_F(Chrome, PageCounterAndRows)
{
    SDL_FillRect(lcd, nullptr, 0);
    draw_page_counter(lcd, 1, list_pages(10));
    SDL_Rect box = white_box(lcd, 0, 0, 300, 40);
    EXPECT_GE(box.x, 20);
    EXPECT_LE(box.x, 23);
    EXPECT_GE(box.y, 9);
    SDL_FillRect(lcd, nullptr, 0);
    draw_page_counter(lcd, 0, list_pages(0));
    EXPECT_EQ(white_box(lcd, 0, 0, 640, 480).w, 0);

    // Nine rows fit between the bars.
    EXPECT_EQ(list_row_y(OUTPUT_LCD, 8), 36 + 8 * 45);
    EXPECT_EQ(list_row_y(OUTPUT_HDMI, 8), 60 + 8 * 65);
    SDL_FillRect(hdmi, nullptr, 0);
    draw_row_highlight(hdmi, list_row_y(OUTPUT_HDMI, 2));
    EXPECT_TRUE(is(hdmi, 30, 190, kRow));
    EXPECT_FALSE(is(hdmi, 29, 190, kRow));
    EXPECT_FALSE(is(hdmi, 30, 189, kRow));

    SDL_FillRect(lcd, nullptr, 0);
    draw_row_text(lcd, 55, 46, 10, "A game with a rather long name that does not fit", 290, 0);
    box = white_box(lcd, 0, 36, 640, 80);
    EXPECT_GE(box.x, 55);
    EXPECT_LE(box.x + box.w, 55 + 290);
}

TEST_F(Chrome, NoticesAreCentredInEveryLanguage)
{
    int widths[LANGUAGE_COUNT];
    for (int lang = 0; lang < LANGUAGE_COUNT; lang++) {
        global_attr.language = lang;
        for (SDL_Surface *dst : {lcd, hdmi}) {
            SDL_FillRect(dst, nullptr, 0);
            draw_empty_list(dst);
            SDL_Rect box = white_box(dst, 0, 0, dst->w, dst->h);
            ASSERT_GT(box.w, 40) << "language " << lang;
            EXPECT_LE(abs(2 * box.x + box.w - dst->w), 3) << "language " << lang;
            EXPECT_LE(abs(2 * box.y + box.h - dst->h), 16) << "language " << lang;
            if (dst == lcd)
                widths[lang] = box.w;
        }
    }
    EXPECT_STREQ(ui_text_in(TXT_EMPTY_LIST, 2), "< No game files >");
    EXPECT_STREQ(ui_text_in(TXT_EMPTY_LIST, 9), ui_text_in(TXT_EMPTY_LIST, 0));
    EXPECT_NE(widths[2], widths[5]); // English and Spanish differ
    global_attr.language = 2;
    SDL_FillRect(lcd, nullptr, 0);
    draw_card_missing(lcd);
    EXPECT_GT(white_box(lcd, 0, 0, 640, 480).w, widths[2]);
}

TEST_F(Chrome, BackgroundIsTheWallpaperOrBlack)
{
    SDL_FillRect(lcd, nullptr, SDL_MapRGB(lcd->format, 255, 255, 255));
    draw_background(lcd);
    EXPECT_TRUE(is(lcd, 320, 240, Rgb{0, 0, 0}));
    write_picture(root, "/mnt/vendor/wallpapers/lcd/0.jpg", 640, 480, kRow);
    theme_pics.wallpaper[0] = load_img("/mnt/vendor/wallpapers/lcd/0.jpg");
    draw_background(lcd);
    EXPECT_TRUE(is(lcd, 639, 479, kRow));
    SDL_FillRect(hdmi, nullptr, SDL_MapRGB(hdmi->format, 255, 255, 255));
    draw_background(hdmi); // no HDMI wallpaper
    EXPECT_TRUE(is(hdmi, 1000, 700, Rgb{0, 0, 0}));
}

TEST_F(Chrome, CachedTextsDrawTheSamePicturesAndStayBounded)
{
    auto scene = [&](SDL_Surface *dst) {
        SDL_FillRect(dst, nullptr, SDL_MapRGB(dst->format, 20, 30, 40));
        draw_top_bar(dst);
        draw_bottom_bar(dst, bottom_hints(SCREEN_GAMES, 1));
        draw_page_counter(dst, 0, 3);
        for (int row = 0; row < LIST_ROWS; row++)
            draw_row_text(dst, 55, list_row_y(chrome_out(dst), row) + 10, row + 1,
                          row == 4 ? "Un nombre muy largo que no cabe en la fila de la lista" : "Game", 290, row == 4);
        draw_text(5, 200, ui_font[FONT_24], SDL_Color{255, 0, 0, 0}, "red text", dst);
    };
    battery_mon.icon = {1, 15};
    frame_hour = 23;
    frame_minute = 59;
    for (SDL_Surface *dst : {lcd, hdmi}) {
        text_cache_enable(0);
        scene(dst);
        const std::string fresh = pixels(dst);
        EXPECT_EQ(text_cache_entries(), 0);
        text_cache_enable(1);
        scene(dst);
        EXPECT_EQ(pixels(dst), fresh) << "first drawing through the cache";
        EXPECT_GT(text_cache_entries(), 5);
        scene(dst);
        EXPECT_EQ(pixels(dst), fresh) << "drawing from the cache";
    }
    // The marquee draws the same steps cached or not.
    restart_text_scroll(0);
    text_scroll.on = 1;
    std::string steps[2];
    for (int cached = 0; cached < 2; cached++) {
        text_cache_enable(cached);
        text_scroll.offset = 0;
        text_scroll.step = 0;
        for (int i = 0; i < 35; i++) {
            SDL_FillRect(lcd, nullptr, 0);
            draw_row_text(lcd, 20, 50, 7, "A long name that scrolls along its row for a while", 200, 1);
            steps[cached] += pixels(lcd).substr(50 * lcd->pitch, 30 * lcd->pitch);
        }
    }
    restart_text_scroll(0);
    EXPECT_EQ(steps[0], steps[1]);

    // A cached text measures as TTF_SizeUTF8 does.
    draw_text(0, 0, ui_font[FONT_22], SDL_Color{255, 255, 255, 0}, "Favorites", lcd);
    int w = 0, h = 0, tw = 0, th = 0;
    text_size(ui_font[FONT_22], "Favorites", &w, &h);
    TTF_SizeUTF8(ui_font[FONT_22], "Favorites", &tw, &th);
    EXPECT_EQ(w, tw);
    EXPECT_EQ(h, th);

    // Bounded, and emptied with the fonts.
    for (int i = 0; i < 400; i++)
        draw_text(0, 0, ui_font[FONT_16], SDL_Color{255, 255, 255, 0}, std::to_string(i).c_str(), lcd);
    EXPECT_EQ(text_cache_entries(), TEXT_CACHE_ENTRIES);
    free_ui_fonts();
    EXPECT_EQ(text_cache_entries(), 0);
}
