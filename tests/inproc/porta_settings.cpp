// The settings menu in the real main loop on the sample image (SDL's dummy
// driver, framebuffer files, the sample's recording shell): opening from the
// settings room, the two pages of the list, the choice pages and when they
// reach the sealed record, previews, the language, the buttons page, the
// yes/no box and its actions, the hidden sequence, and where both layouts
// draw.

#include "porta_loop_test.h"

#include "porta/base/attr.h"
#include "porta/base/sealed.h"
#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/storage.h"
#include "porta/library/browse.h"
#include "porta/library/corelist.h"
#include "porta/library/history.h"
#include "porta/ui/confirm.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/loop.h"
#include "porta/ui/settings.h"
#include "porta/ui/themes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool orange(Rgb c)
{
    return c.r > 150 && c.g > 70 && c.b < 110;
}
int sum(Rgb c)
{
    return c.r * 65536 + c.g * 256 + c.b;
}

enum : uint32_t {
    K_UP = 0x1,
    K_DOWN = 0x2,
    K_LEFT = 0x4,
    K_RIGHT = 0x8,
    K_A = 0x10,
    K_B = 0x20,
    K_Y = 0x40,
    K_X = 0x80,
    K_L1 = 0x400,
    K_R1 = 0x800,
    K_L2 = 0x1000
};

int opened = 0;
int open_ok(void)
{
    opened++;
    return 0;
}

class Settings : public PortaLoopTest {
protected:
    void SetUp() override
    {
        root.install_sample_image();
        root.write("/tmp/boot.ini", "");
        fake_loop_hooks();
        opened = 0;
        testing::internal::CaptureStdout();
        load_global_attr();
        global_attr.language = 2;
        global_attr.volume = 4;
        save_global_attr();
        save_attr_if_changed();
        output_device = 0;
        tf_card_state = 0;
        ASSERT_EQ(porta_test_display(DISPLAY_FONTS | DISPLAY_PICTURES), 0);
        loop_reset_state();
        settings_install();
        tf_card_check();
        gamelist_init();
        screen = SCREEN_ROOMS;
        room = ROOM_SETTINGS;
        loop_begin();
        testing::internal::GetCapturedStdout();
    }

    void TearDown() override
    {
        close_display();
        settings_set_links(nullptr);
        PortaLoopTest::TearDown();
    }

    // The settings list from the settings room, cursor on `item`.
    void open_menu(int item = 0)
    {
        key(K_A);
        ASSERT_EQ(screen.load(), SCREEN_SETTINGS);
        key(K_DOWN, item);
        ASSERT_EQ(settings_cursor, item);
    }
    static Rgb pixel_of(const std::string &fb, int x, int y, int width)
    {
        const size_t at = (static_cast<size_t>(y) * width + x) * 2;
        if (fb.size() < at + 2)
            return {-1, -1, -1};
        const unsigned v = static_cast<uint8_t>(fb[at]) | static_cast<uint8_t>(fb[at + 1]) << 8;
        return {static_cast<int>((v >> 11) * 255 / 31), static_cast<int>(((v >> 5) & 63) * 255 / 63),
                static_cast<int>((v & 31) * 255 / 31)};
    }
    Rgb pixel(int x, int y, bool hdmi = false)
    {
        return pixel_of(slurp(root.host(hdmi ? "/dev/fb1" : "/dev/fb0")), x, y, hdmi ? 1280 : 640);
    }
    // Orange pixels of the LCD frame in a rectangle.
    int orange_in(int x0, int y0, int w, int h)
    {
        const std::string fb = slurp(root.host("/dev/fb0"));
        int n = 0;
        for (int y = y0; y < y0 + h; y++)
            for (int x = x0; x < x0 + w; x++)
                n += orange(pixel_of(fb, x, y, 640));
        return n;
    }
    GlobalAttr stored()
    {
        GlobalAttr a{};
        EXPECT_EQ(crc_check_file(ATTR_FILE), 0);
        const std::string bytes = root.read(ATTR_FILE);
        EXPECT_EQ(bytes.size(), 72u);
        if (bytes.size() >= ATTR_RECORD_SIZE)
            attr_decode(reinterpret_cast<const uint8_t *>(bytes.data()), &a);
        return a;
    }
    ino_t attr_inode()
    {
        struct stat st;
        return stat(root.host(ATTR_FILE).c_str(), &st) == 0 ? st.st_ino : 0;
    }
    std::vector<std::string> data_dir()
    {
        std::vector<std::string> names;
        DIR *d = opendir(root.host("/mnt/data/porta").c_str());
        while (const dirent *e = d ? readdir(d) : nullptr)
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        if (d)
            closedir(d);
        std::sort(names.begin(), names.end());
        return names;
    }
};

} // namespace

TEST_F(Settings, RoomFourOpensTheListAndUpFromTheFirstItemShowsTheSecondPage)
{
    // The release of the A that opened the menu does not open the battery page.
    key(K_A);
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS);
    EXPECT_EQ(settings_page.item, -1);
    EXPECT_EQ(settings_cursor, 0);
    EXPECT_EQ(settings_return_screen, SCREEN_ROOMS);
    const int step = fixed_res[OUTPUT_LCD].list[4]->h + 3;
    EXPECT_TRUE(orange(pixel(300, 36 + step / 2)));

    key(K_UP);
    EXPECT_EQ(settings_cursor, 15);
    // Items 9-15: the highlight on the seventh row.
    EXPECT_TRUE(orange(pixel(300, 36 + 6 * step + step / 2)));
    EXPECT_FALSE(orange(pixel(300, 36 + step / 2)));
    key(K_DOWN);
    EXPECT_EQ(settings_cursor, 0);

    key(K_B);
    EXPECT_EQ(screen.load(), SCREEN_ROOMS);
}

TEST_F(Settings, ChoiceReachesTheSealedRecordOnLeavingThePageOnlyWhenChanged)
{
    open_menu(SET_SLEEP_TIME);
    char value[SETTINGS_ROW_TEXT];
    settings_value(SET_SLEEP_TIME, value, sizeof value);
    EXPECT_STREQ(value, "1 Minute");
    const ino_t before = attr_inode();
    const std::string old_bytes = root.read(ATTR_FILE);
    const int old_fd = open(root.host(ATTR_FILE).c_str(), O_RDONLY);
    ASSERT_GE(old_fd, 0);

    key(K_A);
    ASSERT_EQ(screen.load(), SCREEN_SETTINGS_PAGE);
    EXPECT_EQ(settings_page.count, 5);
    EXPECT_STREQ(settings_page.rows[4], "Always");
    EXPECT_EQ(settings_page.chosen, 0);
    key(K_DOWN);
    EXPECT_EQ(settings_page.chosen, 0) << "moving chooses nothing";
    key(K_A);
    EXPECT_EQ(settings_page.chosen, 1);
    EXPECT_EQ(attr_inode(), before) << "nothing is stored before the page is left";
    key(K_B);
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS);
    settings_value(SET_SLEEP_TIME, value, sizeof value);
    EXPECT_STREQ(value, "2 Minute");

    // The record is already on disk, replaced in one step: a new file took
    // the old one's name (the old file still holds the old bytes), and no
    // temporary file stays behind.
    EXPECT_EQ(stored().sleep_time, 1);
    EXPECT_NE(attr_inode(), before);
    char buf[128];
    EXPECT_EQ(pread(old_fd, buf, sizeof buf, 0), static_cast<ssize_t>(old_bytes.size()));
    EXPECT_EQ(std::string(buf, old_bytes.size()), old_bytes);
    close(old_fd);
    EXPECT_EQ(data_dir(), (std::vector<std::string>{"joypad", "porta_attr.ini"}));

    // Opened and left again without a change: the file is not written.
    const ino_t after = attr_inode();
    key(K_A);
    key(K_DOWN, 3);
    key(K_B);
    key(K_B);
    EXPECT_EQ(screen.load(), SCREEN_ROOMS);
    EXPECT_EQ(attr_inode(), after);

    // Brightness: A lights the LCD at once, B stores it.
    key(K_A);
    key(K_DOWN, SET_BRIGHTNESS);
    key(K_A);
    key(K_UP);
    key(K_A);
    EXPECT_EQ(root.read(BACKLIGHT_PATH).substr(0, 3), "700");
    EXPECT_EQ(global_attr.brightness, 3);
    key(K_B);
    EXPECT_EQ(stored().brightness, 4);
}

TEST_F(Settings, BackgroundPreviewShowsAtOnceAndOnlyATakesIt)
{
    open_menu(SET_WALLPAPER);
    const Rgb plain = pixel(400, 400);
    key(K_A);
    ASSERT_EQ(screen.load(), SCREEN_SETTINGS_PAGE);
    ASSERT_EQ(settings_page.count, 4);
    EXPECT_STREQ(settings_page.rows[1], "Background Image 1");
    EXPECT_EQ(settings_page.chosen, 0);
    EXPECT_EQ(sum(pixel(400, 400)), sum(plain));
    key(K_DOWN, 2);
    const Rgb preview = pixel(400, 400);
    EXPECT_NE(sum(plain), sum(preview)) << "the page shows the previewed wallpaper";
    key(K_B);
    EXPECT_EQ(sum(pixel(400, 400)), sum(plain)) << "B without A keeps the wallpaper";
    EXPECT_EQ(global_attr.wallpaper, 0);
    EXPECT_EQ(theme_previews.wallpaper[0], nullptr);

    // A takes the previewed one at once; B stores its number.
    key(K_A);
    key(K_DOWN, 2);
    key(K_A);
    key(K_B);
    EXPECT_EQ(sum(pixel(400, 400)), sum(preview));
    EXPECT_EQ(stored().wallpaper, 2);
    char value[SETTINGS_ROW_TEXT];
    settings_value(SET_WALLPAPER, value, sizeof value);
    EXPECT_STREQ(value, "2");

    // The theme page previews five icons and B stores the chosen theme.
    auto icon_colour = [](SDL_Surface *s) {
        Uint8 r, g, b;
        SDL_LockSurface(s);
        Uint32 p = 0;
        memcpy(&p, static_cast<uint8_t *>(s->pixels) + (s->h / 2) * s->pitch + 4 * s->format->BytesPerPixel,
               s->format->BytesPerPixel);
        SDL_UnlockSurface(s);
        SDL_GetRGB(p, s->format, &r, &g, &b);
        return r * 65536 + g * 256 + b;
    };
    key(K_UP);
    key(K_A);
    ASSERT_EQ(settings_page.item, SET_THEME);
    for (SDL_Surface *icon : theme_previews.icon[0])
        EXPECT_NE(icon, nullptr);
    const int theme0 = icon_colour(theme_pics.icon[0][0]);
    key(K_DOWN);
    const int theme1 = icon_colour(theme_previews.icon[0][0]);
    EXPECT_NE(theme0, theme1);
    key(K_A);
    key(K_B);
    EXPECT_EQ(stored().theme, 1);
    EXPECT_EQ(icon_colour(theme_pics.icon_small[0][0]), theme1);
    EXPECT_EQ(theme_previews.icon[0][0], nullptr);
}

TEST_F(Settings, LanguageSwitchesAtOnceAndMarksTheRecordOnlyWhenChanged)
{
    const ino_t first = attr_inode();
    open_menu(SET_LANGUAGE);
    key(K_A);
    key(K_DOWN, 3);
    key(K_A);
    EXPECT_EQ(global_attr.language, 3);
    EXPECT_STREQ(settings_label(SET_LANGUAGE), "言語設定");
    key(K_UP);
    key(K_A);
    EXPECT_EQ(global_attr.language, 2);
    key(K_B);
    EXPECT_EQ(attr_inode(), first) << "back to the language it had: nothing to write";

    key(K_A);
    key(K_UP, 1);
    key(K_A);
    EXPECT_STREQ(settings_label(SET_BATTERY), "Batería");
    key(K_B);
    EXPECT_EQ(stored().language, 5);
}

TEST_F(Settings, ButtonsPageRowsFollowTheLocalPads)
{
    global_attr.local_pads = 0;
    open_menu(SET_BUTTONS);
    key(K_A);
    ASSERT_EQ(settings_page.item, SET_BUTTONS);
    EXPECT_EQ(settings_page.count, 2);
    // Without the mapping screens the rows lead nowhere.
    key(K_A);
    key(K_DOWN);
    key(K_A);
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS_PAGE);
    key(K_B);

    global_attr.local_pads = 1;
    key(K_A);
    EXPECT_EQ(settings_page.count, 3);
    EXPECT_STREQ(settings_page.rows[2], "Local button custom");
    SettingsLinks links = {nullptr, nullptr, open_ok, open_ok};
    settings_set_links(&links);
    key(K_DOWN);
    key(K_A);
    EXPECT_EQ(screen.load(), SCREEN_JOY_RESET);
    EXPECT_STREQ(confirm_box.message, "Restoring Joystick Button Defaults ??");
    EXPECT_EQ(confirm_box.return_screen, SCREEN_SETTINGS_PAGE);
    screen = SCREEN_SETTINGS_PAGE;
    key(K_DOWN);
    key(K_A);
    EXPECT_EQ(screen.load(), SCREEN_KEYPAD_MAP);
    EXPECT_EQ(opened, 2);
}

TEST_F(Settings, YesNoBoxClosesOnlyWithAAndRunsTheAnswer)
{
    root.write(HISTORY_FILE, "game.nes:7:0:0\n");
    ASSERT_EQ(crc_seal_file(HISTORY_FILE), 0);
    ASSERT_EQ(list_load(HISTORY_LIST), 1);
    root.write(CORELIST_FILE, "a.gba:1\n");
    ASSERT_EQ(crc_seal_file(CORELIST_FILE), 0);
    ASSERT_EQ(list_load(CORE_LIST), 1);

    // No on the core list changes nothing.
    open_menu(SET_CLEAR_CORES);
    key(K_A);
    ASSERT_EQ(screen.load(), SCREEN_CONFIRM);
    EXPECT_STREQ(confirm_box.message, "Clear Core Association ??");
    key(K_RIGHT);
    key(K_LEFT);
    testing::internal::CaptureStdout();
    key(K_A);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "msgResult = 0 \n");
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS);
    EXPECT_EQ(list_count(CORE_LIST), 1);

    // B and the other keys leave the box open; Yes empties the history.
    key(K_UP, 2);
    key(K_A);
    ASSERT_EQ(screen.load(), SCREEN_CONFIRM);
    key(K_B);
    key(K_UP);
    key(K_Y);
    EXPECT_EQ(screen.load(), SCREEN_CONFIRM);
    EXPECT_EQ(confirm_box.active, 1);
    key(K_RIGHT);
    // The box: white, 400x200 at (120, 140), over the shaded list.
    EXPECT_EQ(pixel(125, 145).r + pixel(125, 145).g + pixel(125, 145).b, 3 * 255);
    EXPECT_EQ(pixel(515, 335).r + pixel(515, 335).g + pixel(515, 335).b, 3 * 255);
    EXPECT_LT(pixel(115, 300).r + pixel(115, 300).g + pixel(115, 300).b, 3 * 200);
    testing::internal::CaptureStdout();
    key(K_A);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("msgResult = 1 \n"), std::string::npos) << out;
    EXPECT_EQ(screen.load(), SCREEN_SETTINGS);
    EXPECT_EQ(confirm_box.active, 0);
    EXPECT_EQ(list_count(HISTORY_LIST), 0);
    EXPECT_EQ(root.read(HISTORY_FILE).size(), 0u);
    EXPECT_EQ(global_attr.volume, 10);
    EXPECT_EQ(stored().volume, 10);

    // Yes on Shut down ends the loop with the power-off picture.
    key(K_UP, 11);
    ASSERT_EQ(settings_cursor, SET_SHUTDOWN);
    key(K_A);
    key(K_LEFT);
    key(K_A);
    EXPECT_EQ(loop_running.load(), 0);
    EXPECT_EQ(shutdown_type.load(), SHUTDOWN_POWEROFF);
}

TEST_F(Settings, HiddenSequenceShowsTheLogoOnTheSecondPage)
{
    open_menu();
    key(K_UP);
    const int y0 = 36 + 7 * (fixed_res[OUTPUT_LCD].list[4]->h + 3);
    EXPECT_EQ(orange_in(0, y0, settings_logo()->w, settings_logo()->h), 0);
    key(K_Y);
    key(K_L2); // L2 counts as L
    key(K_X);
    EXPECT_FALSE(settings_hidden_complete());
    key(K_R1);
    EXPECT_TRUE(settings_hidden_complete());
    // The logo in the eighth row's place.
    const int y = 36 + 7 * (fixed_res[OUTPUT_LCD].list[4]->h + 3);
    EXPECT_GT(orange_in(0, y, settings_logo()->w, settings_logo()->h), 20);
    key(K_UP);
    EXPECT_FALSE(settings_hidden_complete());
    EXPECT_EQ(orange_in(0, y, settings_logo()->w, settings_logo()->h), 0);
    key(K_L1);
    key(K_R1);
    key(K_DOWN);
    key(K_X);
    key(K_Y);
    EXPECT_FALSE(settings_hidden_complete()) << "another key in between starts it again";
}

TEST_F(Settings, HdmiLayout)
{
    root.write(HDMI_STATE_PATH, "1\n");
    output_device = 1;
    open_menu(SET_KEY_SOUND);
    // The list from (40, 60), the highlight of item 4.
    SDL_Surface *hl = fixed_res[OUTPUT_HDMI].list[4];
    const int step = hl->h + 5;
    EXPECT_TRUE(orange(pixel(640, 60 + 4 * step + step / 2, true)));
    EXPECT_FALSE(orange(pixel(20, 60 + 4 * step + step / 2, true)));
    key(K_A);
    // Rows from (40, 130); the set mark (Open) on the second row, 20 pixels
    // before the highlight's end.
    SDL_Surface *mark = settings_menu_image(MENU_IMG_RADIO_ON);
    const int mx = hl->w - mark->w + 20 + mark->w / 2;
    const int row_step = hl->h + 5;
    EXPECT_TRUE(orange(pixel(mx, 130 + row_step + 15 - 2 + mark->h / 2, true)));
    EXPECT_FALSE(orange(pixel(mx, 130 + 2 * row_step + 15 - 2 + mark->h / 2, true)));
    key(K_B);
    key(K_UP, 3);
    key(K_A);
    ASSERT_EQ(screen.load(), SCREEN_CONFIRM);
    // The box at (440, 260) on HDMI.
    EXPECT_EQ(pixel(445, 265, true).r + pixel(445, 265, true).g + pixel(445, 265, true).b, 3 * 255);
    EXPECT_EQ(pixel(835, 455, true).r + pixel(835, 455, true).g + pixel(835, 455, true).b, 3 * 255);
    EXPECT_LT(pixel(435, 300, true).r + pixel(435, 300, true).g + pixel(435, 300, true).b, 3 * 200);
}
