// The library screens drawn in both layouts, with plain pictures of the
// sample image's sizes in distinct colours so that a probe tells which
// picture lies where: highlights, previews, marks, key hints, the page
// counter and the texts. Then the real main loop: the invalid-file message
// and the loop after it, the key repeat's silent moves, and the frames the
// loop leaves out (the pictures presented are those of a full redraw, at the
// same passes).

#include "porta_loop_test.h"

#include "porta/base/attr.h"
#include "porta/base/sealed.h"
#include "porta/base/timers.h"
#include "porta/device/battery.h"
#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/storage.h"
#include "porta/library/browse.h"
#include "porta/library/corelist.h"
#include "porta/library/favorites.h"
#include "porta/library/gamelist.h"
#include "porta/library/history.h"
#include "porta/ui/chrome.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/library_keys.h"
#include "porta/ui/library_screens.h"
#include "porta/ui/loop.h"
#include "porta/ui/preview.h"
#include "porta/ui/screens.h"
#include "porta/ui/themes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const Rgb kWall = {16, 16, 64}, kTitle = {40, 40, 40}, kBar = {60, 60, 60}, kKeyA = {255, 255, 0},
          kKeyB = {255, 128, 0}, kKeyStart = {128, 0, 255}, kKeyY = {0, 128, 255}, kMark = {255, 0, 255},
          kCard = {0, 200, 0}, kRow = {200, 100, 50}, kLeft = {0, 0, 200}, kRadioOff = {0, 255, 255},
          kRadioOn = {255, 0, 0}, kDefault = {90, 90, 0}, kGamePic = {0, 160, 160};
Rgb right_of(int system)
{
    return {200, 8 * system, 100};
}
Rgb room_of(int i)
{
    return {40 + 40 * i, 220, 20 * i};
}

// Sizes of the sample image's pictures, LCD and HDMI.
struct Sizes {
    const char *out;
    int w, h, title_h, bar_h, key, start_w, mark, card_w, card_h, row_w, row_h, left_w, left_h, right_w, right_h,
        room_w, room_h;
};
const Sizes kSizes[2] = {
    {"lcd", 640, 480, 34, 36, 26, 38, 20, 620, 40, 385, 40, 48, 34, 240, 270, 118, 160},
    {"hdmi", 1280, 720, 60, 60, 46, 66, 34, 1200, 60, 710, 60, 76, 52, 500, 520, 170, 230},
};

// One pass of the loop is captured here: the picture of the current output.
std::string presented(void)
{
    const FbDev &d = fbm[output_device];
    return d.map ? std::string(reinterpret_cast<const char *>(d.map), d.frame_size) : std::string();
}

time_t fake_wall = 0;
std::string at_pause;
time_t wall_of(void)
{
    return fake_wall + fake_now / 1000;
}

class LibraryScreens : public PortaLoopTest {
protected:
    SDL_Surface *surf[2] = {nullptr, nullptr};
    ScreenEntry saved[SCREEN_COUNT];

    void picture(const std::string &path, int w, int h, Rgb c) { write_picture(root, path, w, h, c); }

    void SetUp() override
    {
        for (int i = 0; i < SCREEN_COUNT; i++)
            saved[i] = screen_table[i];
        device_files();
        root.write("/proc/mounts", "/dev/root / ext4 rw 0 0\n");
        install_test_font();
        const std::string D = "/mnt/vendor/desktop_res";
        for (int out = 0; out < 2; out++) {
            const Sizes &z = kSizes[out];
            const std::string o = z.out, T = D + "/top/" + o;
            picture(T + "/title/bg.png", z.w, z.title_h, kTitle);
            for (const char *f : {"earphone", "spk", "joy", "bat_0", "bat_1"})
                picture(T + "/title/" + f + ".png", 28, 16, kTitle);
            picture(T + "/bottom/0.png", z.w, z.bar_h, kBar);
            picture(T + "/bottom/1.png", z.key, z.key, kKeyA);
            picture(T + "/bottom/2.png", z.key, z.key, kKeyB);
            picture(T + "/bottom/3.png", z.key, z.key, kBar);
            picture(T + "/bottom/4.png", z.start_w, z.key, kKeyStart);
            picture(T + "/bottom/5.png", z.key, z.key, kKeyY);
            picture(T + "/point.png", 8, 8, kTitle);
            for (int i = 0; i < RES_SEARCH_KEYS; i++)
                picture(D + "/search/" + o + "/" + std::to_string(i) + ".png", 4, 4, kTitle);
            for (int i = 0; i < 3; i++)
                picture(T + "/" + std::to_string(i) + ".png", 4, 4, kTitle);
            picture(T + "/3.png", z.mark, z.mark, kMark);
            picture(T + "/4.png", z.card_w, z.card_h, kCard);
            picture(T + "/5.png", z.row_w, z.row_h, kRow);
            for (int s = 0; s < SYSTEM_COUNT; s++) {
                picture(D + "/type-left/" + o + "/" + system_table[s].icon, z.left_w, z.left_h, kLeft);
                // Systems 1 and 2 share a file name: the later one's colour.
                picture(D + "/type-right/" + o + "/" + system_table[s].icon, z.right_w, z.right_h, right_of(s));
            }
            picture("/mnt/vendor/wallpapers/" + o + "/0.jpg", z.w, z.h, kWall);
            for (int i = 0; i < 5; i++)
                picture("/mnt/vendor/theme/0/" + o + "/" + std::to_string(i) + ".png", z.room_w, z.room_h, room_of(i));
        }
        picture(D + "/menu/1.png", 24, 24, kRadioOff);
        picture(D + "/menu/2.png", 24, 24, kRadioOn);
        picture(PREVIEW_DEFAULT_LCD, 240, 180, kDefault);
        picture(PREVIEW_DEFAULT_HDMI, 500, 430, kDefault);
        // Twelve GBA games, the third with a picture and a long name; four FC
        // games.
        for (int i = 0; i < 12; i++)
            root.write("/mnt/mmc/GBA/" + game(i) + ".gba", "rom");
        picture("/mnt/mmc/GBA/" + game(2) + ".png", 320, 240, kGamePic);
        for (int i = 0; i < 4; i++)
            root.write("/mnt/mmc/FC/f" + std::to_string(i) + ".nes", "rom");

        fake_loop_hooks();
        fake_wall = 1700000000 - 1700000000 % 60 + 30; // half a minute in
        loop_hooks.wall = wall_of;
        at_pause.clear();
        on_delay = [](uint32_t ms) {
            if (ms >= 1000)
                at_pause = presented();
        };
        open_display(DISPLAY_FONTS | DISPLAY_PICTURES);
        surf[0] = lcd_surface;
        surf[1] = hdmi_surface;
        battery_reset();
        testing::internal::CaptureStdout();
        gamelist_init();
        testing::internal::GetCapturedStdout();
        frame_hour = 12;
        frame_minute = 0;
    }

    void TearDown() override
    {
        close_display();
        for (int i = 0; i < SCREEN_COUNT; i++)
            screen_table[i] = saved[i];
        tf_card_state = 0;
        PortaLoopTest::TearDown();
    }

    static std::string game(int i)
    {
        static const char *const names[12] = {
            "Alpha",  "Bravo", "Charlie and the Long Name That Runs Past the Edge of Its Row",
            "Delta",  "Echo",  "Foxtrot",
            "Golf",   "Hotel", "India",
            "Juliet", "Kilo",  "Lima"};
        return names[i];
    }

    static Rgb at(SDL_Surface *s, int x, int y)
    {
        const uint16_t p = reinterpret_cast<uint16_t *>(static_cast<uint8_t *>(s->pixels) + y * s->pitch)[x];
        Uint8 r, g, b;
        SDL_GetRGB(p, s->format, &r, &g, &b);
        return {r, g, b};
    }
    static bool is(SDL_Surface *s, int x, int y, Rgb c) { return near(at(s, x, y), c); }
    static bool appears(SDL_Surface *s, int x0, int y0, int x1, int y1, Rgb c)
    {
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++)
                if (is(s, x, y, c))
                    return true;
        return false;
    }
    // A picture of colour c covers exactly [x, x + w) x [y, y + h): its
    // corners are in, the pixels just outside them are not.
    static void expect_box(SDL_Surface *s, int x, int y, int w, int h, Rgb c, const std::string &what)
    {
        SCOPED_TRACE(what + " at " + std::to_string(x) + "," + std::to_string(y) + " in " + std::to_string(s->w));
        EXPECT_TRUE(is(s, x, y, c));
        EXPECT_TRUE(is(s, x + w - 1, y + h - 1, c));
        if (x > 0) {
            EXPECT_FALSE(is(s, x - 1, y + h / 2, c));
        }
        if (y > 0) {
            EXPECT_FALSE(is(s, x + w / 2, y - 1, c));
        }
        if (x + w < s->w) {
            EXPECT_FALSE(is(s, x + w, y + h / 2, c));
        }
        if (y + h < s->h) {
            EXPECT_FALSE(is(s, x + w / 2, y + h, c));
        }
    }
    // Whether `text` in `font` lies with its top-left corner at (x, y) over a
    // plain background of colour bg: every pixel the text covers equals a
    // rendering of it over that colour.
    static bool text_at(SDL_Surface *s, int x, int y, TTF_Font *font, const std::string &text, Rgb bg)
    {
        SDL_Surface *t = render_text(text.c_str(), font, SDL_Color{255, 255, 255, 0});
        if (!t)
            return false;
        SDL_Surface *want = SDL_CreateRGBSurface(SDL_SWSURFACE, t->w, t->h, 16, s->format->Rmask, s->format->Gmask,
                                                 s->format->Bmask, 0);
        SDL_FillRect(want, nullptr, SDL_MapRGB(want->format, bg.r, bg.g, bg.b));
        SDL_SetAlpha(t, SDL_SRCALPHA, 255);
        SDL_BlitSurface(t, nullptr, want, nullptr);
        bool same = x >= 0 && y >= 0 && x + t->w <= s->w && y + t->h <= s->h;
        int covered = 0;
        for (int row = 0; same && row < t->h; row++) {
            const Uint32 *alpha = reinterpret_cast<const Uint32 *>(static_cast<uint8_t *>(t->pixels) + row * t->pitch);
            for (int col = 0; same && col < t->w; col++) {
                if ((alpha[col] & t->format->Amask) == 0)
                    continue;
                covered++;
                same =
                    reinterpret_cast<uint16_t *>(static_cast<uint8_t *>(s->pixels) + (y + row) * s->pitch)[x + col] ==
                    reinterpret_cast<uint16_t *>(static_cast<uint8_t *>(want->pixels) + row * want->pitch)[col];
            }
        }
        SDL_FreeSurface(want);
        SDL_FreeSurface(t);
        return same && covered > 0;
    }
    static int text_w(TTF_Font *font, const std::string &text, bool height = false)
    {
        int w = 0, h = 0;
        TTF_SizeUTF8(font, text.c_str(), &w, &h);
        return height ? h : w;
    }
    static int text_h(TTF_Font *font, const std::string &text) { return text_w(font, text, true); }
    // The key hints' icons in the bottom bar.
    static bool hint_shown(SDL_Surface *s, int out, Rgb icon)
    {
        return appears(s, 0, s->h - kSizes[out].bar_h, s->w, s->h, icon);
    }
    void sealed(const std::string &path, const std::string &lines)
    {
        ASSERT_EQ(crc_seal_write(path.c_str(), lines.data(), lines.size()), 0);
    }
};

} // namespace

TEST_F(LibraryScreens, RoomsShowTheHighlightedRoomFullSizeAndTheOthersSmall)
{
    room = ROOM_HISTORY;
    for (int out = 0; out < 2; out++) {
        SDL_Surface *s = surf[out];
        const Sizes &z = kSizes[out];
        const LibraryLayout &L = library_layouts[out];
        draw_rooms_screen(s);
        const int slot = z.room_w + L.room_gap;
        expect_box(s, 2 * slot + L.room_gap, L.room_icon_y, z.room_w, z.room_h, room_of(2), "highlighted room");
        // The others at 60%, centred in their slot, ending where a full icon
        // would end.
        const int sw = z.room_w * 6 / 10, sh = z.room_h * 6 / 10;
        for (int i : {0, 1, 3, 4}) {
            const int x = i * slot + L.room_gap + (z.room_w - sw) / 2;
            const int bottom = L.room_icon_y + z.room_h;
            EXPECT_TRUE(is(s, x + 2, bottom - 1, room_of(i))) << out << " room " << i;
            EXPECT_TRUE(is(s, x + 2, bottom - sh + 2, room_of(i))) << out << " room " << i;
            EXPECT_FALSE(is(s, x + 2, bottom - sh - 3, room_of(i))) << out << " room " << i;
            EXPECT_FALSE(is(s, x + sw / 2, bottom + 1, room_of(i))) << out << " room " << i;
        }
        // Its name centred, ending at the name's base line.
        TTF_Font *font = ui_font[L.room_name_font];
        const int h = text_h(font, "History");
        EXPECT_TRUE(text_at(s, (z.w - text_w(font, "History")) / 2, L.room_name_base - h, font, "History", kWall))
            << out;
        EXPECT_FALSE(hint_shown(s, out, kKeyStart));
        EXPECT_TRUE(hint_shown(s, out, kKeyA));
    }
}

TEST_F(LibraryScreens, CardChoiceHighlightsTheSelectedCard)
{
    tf_card_state = 1;
    browse_card = SELECTED_INTERNAL;
    for (int out = 0; out < 2; out++) {
        SDL_Surface *s = surf[out];
        const Sizes &z = kSizes[out];
        const LibraryLayout &L = library_layouts[out];
        const int top = chrome_layouts[out].rows_y, row_h = z.card_h + 5;
        draw_card_screen(s);
        expect_box(s, L.card_x, top + row_h, z.card_w, z.card_h, kCard, "built-in card row");
        EXPECT_FALSE(is(s, L.card_x + 5, top + 5, kCard)) << out;
        TTF_Font *font = ui_font[L.card_font];
        EXPECT_TRUE(
            text_at(s, L.card_x + L.card_text_dx, top + L.card_text_dy, font, "External card (TF2/EXT.)", kWall));
        EXPECT_TRUE(text_at(s, L.card_x + L.card_text_dx, top + row_h + L.card_text_dy, font,
                            "Built-in card (TF1/INT.)", kCard));
    }
    // The card went: only the built-in card, chosen.
    tf_card_state = 0;
    browse_card = SELECTED_EXTERNAL;
    draw_card_screen(surf[0]);
    EXPECT_EQ(browse_card, SELECTED_INTERNAL);
    expect_box(surf[0], 0, 36, 620, 40, kCard, "the only row");
    EXPECT_FALSE(appears(surf[0], 0, 36 + 45, 640, 36 + 90, {255, 255, 255}));
}

TEST_F(LibraryScreens, SystemListShowsThePageOfTheCursor)
{
    browse_card = SELECTED_INTERNAL;
    browse_system = 10; // page 2 (9..16), row 1
    for (int out = 0; out < 2; out++) {
        SDL_Surface *s = surf[out];
        const Sizes &z = kSizes[out];
        const LibraryLayout &L = library_layouts[out];
        const ChromeLayout &C = chrome_layouts[out];
        draw_systems_screen(s);
        const int row_h = z.row_h + 5;
        expect_box(s, C.highlight_x, C.rows_y + row_h, z.row_w, z.row_h, kRow, "highlight on row 1");
        EXPECT_FALSE(is(s, C.highlight_x + 5, C.rows_y + 5, kRow));
        expect_box(s, L.preview_x, L.preview_y, z.right_w, z.right_h, right_of(10), "MD picture");
        for (int row = 0; row < 8; row++)
            EXPECT_TRUE(is(s, L.icon_x, C.rows_y + row * row_h + L.sys_icon_dy, kLeft)) << out << " row " << row;
        EXPECT_FALSE(is(s, L.icon_x, C.rows_y + 8 * row_h + L.sys_icon_dy, kLeft)) << "17 systems: row 8 is empty";
        TTF_Font *font = ui_font[C.row_font];
        EXPECT_TRUE(text_at(s, L.sys_text_x, C.rows_y + row_h + L.sys_text_dy, font, "MD GAME", kRow)) << out;
        EXPECT_TRUE(text_at(s, L.sys_text_x, C.rows_y + L.sys_text_dy, font, "SMS GAME", kWall)) << out;
        EXPECT_TRUE(text_at(s, L.label_x, L.label_y, ui_font[L.label_font], "Built-in card", kTitle)) << out;
    }
    // The external card chosen but gone: the notice instead of the list.
    browse_card = SELECTED_EXTERNAL;
    for (int out = 0; out < 2; out++) {
        SDL_Surface *s = surf[out];
        draw_systems_screen(s);
        TTF_Font *font = ui_font[FONT_22];
        const std::string text = "< No external card detected >";
        EXPECT_TRUE(text_at(s, (s->w - text_w(font, text)) / 2, (s->h - text_h(font, text)) / 2, font, text, kWall));
        EXPECT_FALSE(appears(s, 0, 60, s->w / 2, s->h - 80, kLeft)) << out;
        EXPECT_TRUE(text_at(s, 12, 10, ui_font[library_layouts[out].label_font], "External card", kTitle));
    }
}

TEST_F(LibraryScreens, GameListRowsCounterMarksPreviewAndHints)
{
    browse_card = SELECTED_INTERNAL;
    browse_system = SYSTEM_GBA;
    ASSERT_EQ(mmc_lists[SYSTEM_GBA].count, 12);
    ASSERT_EQ(favorites_add_game(SYSTEM_GBA, 2, CARD_MMC), 0);
    ASSERT_EQ(favorites_add_game(SYSTEM_GBA, 10, CARD_MMC), 0);
    for (int out = 0; out < 2; out++) {
        SDL_Surface *s = surf[out];
        const Sizes &z = kSizes[out];
        const LibraryLayout &L = library_layouts[out];
        const ChromeLayout &C = chrome_layouts[out];
        const int row_h = z.row_h + 5;
        // Page 1, row 2: Charlie, with its own picture.
        browse_cursor = {0, 2};
        preview_drop_all();
        draw_games_screen(s);
        EXPECT_TRUE(text_at(s, C.page_x, C.page_y, ui_font[C.page_font], "Total: 1/2", kTitle)) << out;
        expect_box(s, C.highlight_x, C.rows_y + 2 * row_h, z.row_w, z.row_h, kRow, "highlight on row 2");
        const int pw = out ? 500 : 240, ph = out ? 430 : 180;
        expect_box(s, L.preview_x, L.preview_y, pw, ph, kGamePic, "preview scaled to the box");
        const int mark_x = out ? 740 - z.mark : z.row_w - z.mark - 5;
        EXPECT_TRUE(is(s, mark_x, C.rows_y + 2 * row_h + L.mark_dy, kMark)) << out;
        EXPECT_FALSE(is(s, mark_x - 1, C.rows_y + 2 * row_h + L.mark_dy, kMark)) << out;
        EXPECT_FALSE(appears(s, mark_x, C.rows_y, mark_x + z.mark, C.rows_y + 2 * row_h, kMark)) << "rows 0, 1";
        for (int row = 0; row < 9; row++)
            EXPECT_TRUE(is(s, L.icon_x, C.rows_y + row * row_h + L.game_icon_dy, kLeft)) << out << " row " << row;
        TTF_Font *font = ui_font[C.row_font];
        EXPECT_TRUE(text_at(s, L.game_text_x, C.rows_y + L.game_text_dy, font, "001 Alpha", kWall)) << out;
        EXPECT_TRUE(hint_shown(s, out, kKeyY)) << "Select Core on GBA";
        EXPECT_TRUE(hint_shown(s, out, kKeyStart));

        // Page 2: entries 10 to 12, the default picture for Kilo.
        browse_cursor = {1, 1};
        preview_drop_all();
        draw_games_screen(s);
        EXPECT_TRUE(text_at(s, C.page_x, C.page_y, ui_font[C.page_font], "Total: 2/2", kTitle)) << out;
        EXPECT_TRUE(text_at(s, L.game_text_x, C.rows_y + L.game_text_dy, font, "010 Juliet", kWall)) << out;
        EXPECT_TRUE(text_at(s, L.game_text_x, C.rows_y + 2 * row_h + L.game_text_dy, font, "012 Lima", kWall));
        EXPECT_FALSE(is(s, L.icon_x, C.rows_y + 3 * row_h + L.game_icon_dy, kLeft)) << "three rows only";
        EXPECT_TRUE(is(s, mark_x, C.rows_y + row_h + L.mark_dy, kMark)) << out;
        expect_box(s, L.preview_x, L.preview_y, pw, ph, kDefault, "default preview");
    }
    // Another system: no Select Core.
    browse_system = 7;
    browse_cursor = {0, 0};
    draw_games_screen(surf[0]);
    EXPECT_FALSE(hint_shown(surf[0], 0, kKeyY));
    EXPECT_TRUE(hint_shown(surf[0], 0, kKeyStart));
}

TEST_F(LibraryScreens, EmptyListTextInEveryLanguageAndNoCounter)
{
    const char *const texts[6] = {"< 没有游戏文件 >",   "< 沒有遊戲文件 >",
                                  "< No game files >",  "< ゲームファイルはありません >",
                                  "< 게임 파일 없음 >", "< Sin archivos de juego >"};
    browse_card = SELECTED_INTERNAL;
    browse_system = 3; // NEOGEO: no games
    browse_cursor = {0, 0};
    for (int language = 0; language < 6; language++) {
        global_attr.language = language;
        for (int out = 0; out < 2; out++) {
            SDL_Surface *s = surf[out];
            TTF_Font *font = ui_font[chrome_layouts[out].notice_font];
            const std::string text = texts[language];
            draw_games_screen(s);
            EXPECT_TRUE(text_at(s, (s->w - text_w(font, text)) / 2, (s->h - text_h(font, text)) / 2, font, text, kWall))
                << "language " << language << " out " << out;
            EXPECT_FALSE(appears(s, 0, 0, 200, kSizes[out].title_h, {255, 255, 255})) << "no page counter";
            EXPECT_FALSE(appears(s, 0, 0, s->w, s->h, kRow)) << "no highlight";
        }
    }
    // The favourites and the history show it too.
    global_attr.language = 2;
    for (auto draw : {draw_favorites_screen, draw_history_screen}) {
        draw(surf[0]);
        TTF_Font *font = ui_font[FONT_22];
        EXPECT_TRUE(text_at(surf[0], (640 - text_w(font, texts[2])) / 2, (480 - text_h(font, texts[2])) / 2, font,
                            texts[2], kWall));
    }
}

TEST_F(LibraryScreens, StaleFavouriteShowsFileErrorWithoutPreview)
{
    // Index 40 of a list of 12 (kept in index order, as the list is).
    sealed(FAVORITES_FILE, "Alpha.gba:6:0:1:1\nDelta.gba:6:3:1:3\nGone.gba:6:40:1:2\n");
    sealed(HISTORY_FILE, "Delta.gba:6:3:0\nGone.gba:6:40:0\nAlpha.gba:6:0:0\n");
    testing::internal::CaptureStdout();
    list_load(FAVORITE_LIST);
    list_load(HISTORY_LIST);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(list_count(FAVORITE_LIST), 3);
    for (int out = 0; out < 2; out++) {
        SDL_Surface *s = surf[out];
        const Sizes &z = kSizes[out];
        const LibraryLayout &L = library_layouts[out];
        const ChromeLayout &C = chrome_layouts[out];
        const int row_h = z.row_h + 5;
        TTF_Font *font = ui_font[C.row_font];
        const int mark_x = out ? 740 - z.mark : z.row_w - z.mark - 5;

        browse_cursor = {0, 2};
        preview_drop_all();
        draw_favorites_screen(s);
        EXPECT_TRUE(text_at(s, L.entry_text_x, C.rows_y + L.entry_text_dy, font, "001 Alpha", kWall)) << out;
        EXPECT_TRUE(text_at(s, L.entry_text_x, C.rows_y + row_h + L.entry_text_dy, font, "002 Delta", kWall));
        EXPECT_TRUE(
            text_at(s, L.entry_text_x, C.rows_y + 2 * row_h + L.entry_text_dy, font, "003 ##file error !", kRow));
        for (int row = 0; row < 3; row++)
            EXPECT_TRUE(is(s, mark_x, C.rows_y + row * row_h + L.mark_dy, kMark)) << out << " row " << row;
        EXPECT_FALSE(appears(s, L.preview_x, L.preview_y, L.preview_x + 40, L.preview_y + 40, kDefault))
            << "no preview for a game that left its list";
        EXPECT_TRUE(text_at(s, C.page_x, C.page_y, ui_font[C.page_font], "Total: 1/1", kTitle));
        EXPECT_TRUE(hint_shown(s, out, kKeyStart));
        EXPECT_FALSE(hint_shown(s, out, kKeyY));

        // The history: the mark only on favourites (Delta, Alpha), counter 1/1.
        browse_cursor = {0, 0};
        preview_drop_all();
        draw_history_screen(s);
        EXPECT_TRUE(text_at(s, L.entry_text_x, C.rows_y + L.entry_text_dy, font, "001 Delta", kRow)) << out;
        EXPECT_TRUE(text_at(s, L.entry_text_x, C.rows_y + row_h + L.entry_text_dy, font, "002 ##file error !", kWall));
        EXPECT_TRUE(is(s, mark_x, C.rows_y + L.mark_dy, kMark));
        EXPECT_FALSE(is(s, mark_x, C.rows_y + row_h + L.mark_dy, kMark));
        EXPECT_TRUE(is(s, mark_x, C.rows_y + 2 * row_h + L.mark_dy, kMark));
        EXPECT_TRUE(text_at(s, C.page_x, C.page_y, ui_font[C.page_font], "Total: 1/1", kTitle));
        expect_box(s, L.preview_x, L.preview_y, out ? 500 : 240, out ? 430 : 180, kDefault, "Delta's preview");
    }
}

TEST_F(LibraryScreens, CorePopupMarksTheChosenCore)
{
    browse_card = SELECTED_INTERNAL;
    browse_system = SYSTEM_GBA;
    core_popup_open(SYSTEM_GBA, 4, CARD_MMC);
    core_popup_move(1); // cursor on vba-next, gpsp still chosen
    for (int out = 0; out < 2; out++) {
        SDL_Surface *s = surf[out];
        const Sizes &z = kSizes[out];
        const LibraryLayout &L = library_layouts[out];
        const int row_h = z.card_h + 5;
        draw_core_popup_screen(s);
        TTF_Font *title = ui_font[L.popup_title_font];
        const std::string t = "Select Simulator Core";
        EXPECT_TRUE(text_at(s, (z.w - text_w(title, t)) / 2, L.popup_title_y, title, t, kWall)) << out;
        expect_box(s, L.card_x, L.popup_rows_y + row_h, z.card_w, z.card_h, kCard, "cursor row");
        EXPECT_FALSE(is(s, L.card_x + 5, L.popup_rows_y + 5, kCard));
        const int radio_x = z.card_w - 24 + L.popup_radio_dx;
        expect_box(s, radio_x, L.popup_rows_y + L.popup_radio_dy, 24, 24, kRadioOn, "gpsp chosen");
        expect_box(s, radio_x, L.popup_rows_y + row_h + L.popup_radio_dy, 24, 24, kRadioOff, "vba-next");
        TTF_Font *item = ui_font[L.popup_item_font];
        EXPECT_TRUE(text_at(s, L.card_x + L.card_text_dx, L.popup_rows_y + L.popup_item_dy, item, "gpsp", kWall));
        EXPECT_TRUE(
            text_at(s, L.card_x + L.card_text_dx, L.popup_rows_y + row_h + L.popup_item_dy, item, "vba-next", kCard));
        // The bars over it: Ok and Return, no Start, no Select Core.
        EXPECT_TRUE(is(s, 2, 2, kTitle));
        EXPECT_TRUE(hint_shown(s, out, kKeyB));
        EXPECT_FALSE(hint_shown(s, out, kKeyStart));
        EXPECT_FALSE(hint_shown(s, out, kKeyY));
    }
    core_popup_choose();
    draw_core_popup_screen(surf[0]);
    EXPECT_TRUE(is(surf[0], 620 - 24 - 20, 76 + 45 + 4, kRadioOn));
    EXPECT_TRUE(is(surf[0], 620 - 24 - 20, 76 + 4, kRadioOff));
}

TEST_F(LibraryScreens, InvalidFileMessageThenTheLoopGoesOn)
{
    sealed(FAVORITES_FILE, "Alpha.gba:6:0:1:1\nGone.gba:6:40:1:2\n");
    testing::internal::CaptureStdout();
    list_load(FAVORITE_LIST);
    testing::internal::GetCapturedStdout();
    global_attr.language = 5;
    screen = SCREEN_FAVORITES;
    browse_cursor = {0, 1};
    loop_begin();
    const uint32_t shown = loop_frames_presented();
    key(0x10); // A on "##file error !"
    EXPECT_EQ(screen.load(), SCREEN_FAVORITES);
    EXPECT_EQ(loop_running.load(), 1);
    EXPECT_FALSE(root.exists(NEXT_COMMAND_FILE));
    // Grey, the Spanish text centred in 24 point.
    ASSERT_EQ(at_pause.size(), 640u * 480u * 2u);
    SDL_Surface *msg = SDL_CreateRGBSurfaceFrom(&at_pause[0], 640, 480, 16, 1280, 0xF800, 0x07E0, 0x001F, 0);
    const std::string text = "El archivo no es válido, quizás el archivo no existe";
    TTF_Font *font = ui_font[FONT_24];
    EXPECT_TRUE(text_at(msg, (640 - text_w(font, text)) / 2, (480 - text_h(font, text)) / 2, font, text, {28, 28, 28}));
    SDL_FreeSurface(msg);
    // The loop draws the list again and keys still work.
    EXPECT_GT(loop_frames_presented(), shown);
    std::string again = presented();
    SDL_Surface *now = SDL_CreateRGBSurfaceFrom(&again[0], 640, 480, 16, 1280, 0xF800, 0x07E0, 0x001F, 0);
    EXPECT_TRUE(is(now, 2, 36 + 45 + 2, kRow)) << "the favourites again, row 2 selected";
    SDL_FreeSurface(now);
    key(0x1); // Up
    EXPECT_EQ(browse_cursor.row, 0);
    std::string after = presented();
    EXPECT_TRUE(after.size() == 640u * 480u * 2u && after != at_pause);
}

TEST_F(LibraryScreens, InvalidFileMessageThatIsTooWideIsBrokenIntoLines)
{
    global_attr.language = 3;
    for (int out = 0; out < 2; out++) {
        output_device = out;
        at_pause.clear();
        show_invalid_file();
        const int w = out ? 1280 : 640, h = out ? 720 : 480;
        ASSERT_EQ(at_pause.size(), static_cast<size_t>(w * h * 2));
        SDL_Surface *msg = SDL_CreateRGBSurfaceFrom(&at_pause[0], w, h, 16, w * 2, 0xF800, 0x07E0, 0x001F, 0);
        // Nothing but grey at the left and right edges: no text cut off.
        EXPECT_FALSE(appears(msg, 0, 0, 4, h, {255, 255, 255})) << out;
        EXPECT_FALSE(appears(msg, w - 4, 0, w, h, {255, 255, 255})) << out;
        EXPECT_TRUE(appears(msg, w / 2 - 100, h / 2 - 40, w / 2 + 100, h / 2 + 40, {255, 255, 255})) << out;
        SDL_FreeSurface(msg);
    }
}

TEST_F(LibraryScreens, FastRepeatMovesAreSilentFromTheSixteenthRepeat)
{
    static std::vector<int> quiet;
    quiet.clear();
    screen_table[SCREEN_GAMES].press = [](int) { quiet.push_back(fast_repeat.load()); };
    screen = SCREEN_GAMES;
    loop_begin();
    fake_keys[1] = 0x2;
    while (quiet.size() < 20 && fake_now < 20000) {
        const uint32_t before = loop_frames_presented();
        const size_t moves = quiet.size();
        loop_pass();
        if (quiet.size() > moves) {
            EXPECT_EQ(loop_frames_presented(), before + 1) << "each move is drawn";
        }
    }
    fake_keys[1] = 0;
    loop_pass();
    ASSERT_EQ(quiet.size(), 20u);
    for (size_t i = 0; i < quiet.size(); i++)
        EXPECT_EQ(quiet[i], i >= 16 ? 1 : 0) << "move " << i << " (0 the press, then the repeats)";
}

// The same scripted minute of use with every frame drawn and with unchanged
// frames left out: keys, a held key's repeat, a long selected name's
// marquee, a new clock minute, the battery icon, the HDMI output. Every
// picture presented must be the same, at the same pass.
TEST_F(LibraryScreens, SkippedFramesLeaveThePicturesAsAFullRedraw)
{
    struct Step {
        uint32_t at;
        std::function<void()> act;
    };
    auto battery = [this](int capacity) {
        root.write(BATTERY_CAPACITY_PATH, std::to_string(capacity) + "\n");
        root.write(BATTERY_STATUS_PATH, "Discharging\n");
        root.write(BATTERY_VOLTAGE_PATH, "3900000\n");
        root.write(BATTERY_CURRENT_PATH, "100000\n");
    };
    auto run = [&](int skipping, std::vector<std::pair<int, size_t>> *pictures) {
        battery(90);
        fake_now = 1000;
        fake_keys[1] = 0;
        output_device = 0;
        root.write(HDMI_STATE_PATH, "0\n");
        loop_reset_state();
        loop_set_frame_skipping(skipping);
        restart_text_scroll(0);
        screen = SCREEN_GAMES;
        browse_card = SELECTED_INTERNAL;
        browse_system = SYSTEM_GBA;
        browse_cursor = {0, 0};
        preview_drop_all();
        text_cache_clear();
        global_attr.volume = 10;
        loop_begin();
        // What the scroll timer does 2 s after a release, on the test's clock.
        uint32_t scroll_due = 0;
        const std::vector<Step> script = {
            {1200, [] { fake_keys[1] = 0x2; }}, // Down: Bravo
            {1300, [] { fake_keys[1] = 0; }},
            {1500, [] { fake_keys[1] = 0x2; }}, // Down held: three repeats, row 5
            {2000, [] { fake_keys[1] = 0; }},
            {2600, [] { fake_keys[1] = 0x4; }}, // Left: the last page, its last row
            {2700, [] { fake_keys[1] = 0; }},
            {3500, [] { fake_keys[1] = 0x8; }}, // Right: page 1, row 2 (Charlie)
            {3600, [] { fake_keys[1] = 0; }},
            {33000, [&] { battery(30); }}, // the icon drops a level
            {40000, [this] { root.write(HDMI_STATE_PATH, "1\n"); }},
            {46000, [] { fake_keys[1] = 0x8000; }}, // vol-
            {46100, [] { fake_keys[1] = 0; }},
            {52000, [this] { root.write(HDMI_STATE_PATH, "0\n"); }},
        };
        size_t next = 0;
        int pass = 0;
        uint32_t held = 0;
        std::string last;
        while (fake_now < 60000) {
            while (next < script.size() && fake_now >= script[next].at)
                script[next++].act();
            const uint32_t pass_start = fake_now;
            const uint32_t keys = fake_keys[1];
            loop_pass();
            if (keys != 0) {
                scroll_due = 0; // a press stopped it
            } else if (held) {
                // The release armed the scroll timer: keep it on this clock.
                restart_text_scroll(0);
                scroll_due = pass_start + 2000;
            }
            held = keys;
            if (scroll_due && fake_now >= scroll_due) {
                text_scroll.offset = 0;
                text_scroll.step = 0;
                text_scroll.on = 1;
                scroll_due = 0;
            }
            std::string pic = presented();
            if (pic != last) {
                pictures->emplace_back(pass, std::hash<std::string>()(pic));
                last = pic;
            }
            pass++;
        }
        return loop_frames_presented();
    };
    std::vector<std::pair<int, size_t>> full, skipped;
    const uint32_t all = run(0, &full);
    const uint32_t some = run(1, &skipped);
    EXPECT_EQ(browse_cursor.row, 2);
    EXPECT_GT(full.size(), 200u) << "keys, repeats, the marquee, the clock, the battery and HDMI changed the picture";
    EXPECT_EQ(skipped, full);
    EXPECT_GT(all, 2000u);
    EXPECT_LT(some, all / 5) << some << " of " << all << " frames drawn";
}

// The sample image's pictures are PNGs with an alpha channel: the preview of
// "Golden Sun" shows the picture itself in both layouts (scaled on HDMI).
TEST(LibraryScreensSample, PreviewShowsTheGamesOwnPicture)
{
    TempRoot root;
    root.install_sample_image();
    attr_set_defaults(&global_attr);
    ASSERT_EQ(porta_test_display(DISPLAY_FONTS | DISPLAY_PICTURES), 0);
    testing::internal::CaptureStdout();
    scan_card_lists(CARD_MMC, 0);
    testing::internal::GetCapturedStdout();
    const GameList *list = game_list(CARD_MMC, SYSTEM_GBA);
    int golden = -1;
    for (int i = 0; list && i < list->count; i++)
        if (std::string(game_name(list, i)) == "Golden Sun.gba")
            golden = i;
    ASSERT_GE(golden, 0);
    browse_card = SELECTED_INTERNAL;
    browse_system = SYSTEM_GBA;
    browse_cursor = {golden / ROWS_PER_PAGE, golden % ROWS_PER_PAGE};
    for (SDL_Surface *dst : {lcd_surface, hdmi_surface}) {
        const int out = dst == hdmi_surface;
        const LibraryLayout &L = library_layouts[out];
        draw_games_screen(dst);
        // The picture as loaded (with its alpha channel), scaled, over black.
        SDL_Surface *pic = preview_fit(load_img("/mnt/mmc/GBA/Golden Sun.png"), out ? 500 : 240, out ? 430 : 180);
        ASSERT_NE(pic, nullptr);
        SDL_Surface *want = SDL_CreateRGBSurface(SDL_SWSURFACE, pic->w, pic->h, 16, 0xF800, 0x07E0, 0x001F, 0);
        SDL_BlitSurface(pic, nullptr, want, nullptr);
        int differ = 0;
        for (int y = 0; y < pic->h; y++)
            differ +=
                memcmp(static_cast<uint8_t *>(dst->pixels) + (L.preview_y + y) * dst->pitch + L.preview_x * 2,
                       static_cast<uint8_t *>(want->pixels) + y * want->pitch, static_cast<size_t>(pic->w) * 2) != 0;
        EXPECT_EQ(differ, 0) << "rows of the preview that differ from the picture, layout " << out;
        SDL_FreeSurface(want);
        SDL_FreeSurface(pic);
    }
    testing::internal::CaptureStdout();
    power_off();
    testing::internal::GetCapturedStdout();
}
