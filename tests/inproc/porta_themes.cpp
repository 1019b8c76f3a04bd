// Wallpapers and themes on SDL's dummy driver: the card skin's check and its
// fall-back, card insertion and removal, the number lists of the settings
// pages, previews, saving the screen, and the start-up with a broken set.

#include "porta_loop_test.h"

#include "porta/library/browse.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/themes.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <unistd.h>

namespace {

// A whole set under `wall` and `theme` roots: wallpaper W and theme T.
void write_set(const TempRoot &root, const std::string &wall, int w, const std::string &theme, int t, Rgb c)
{
    if (!wall.empty()) {
        write_picture(root, wall + "/lcd/" + std::to_string(w) + ".jpg", 640, 480, c);
        write_picture(root, wall + "/hdmi/" + std::to_string(w) + ".jpg", 1280, 720, c);
    }
    if (!theme.empty())
        for (const char *out : {"lcd", "hdmi"})
            for (int i = 0; i < 5; i++)
                write_picture(root, theme + "/" + std::to_string(t) + "/" + out + "/" + std::to_string(i) + ".png",
                              out[0] == 'l' ? 118 : 170, out[0] == 'l' ? 160 : 230, c);
}

const Rgb kVendor = {0, 80, 200}, kCard = {220, 60, 30};
int open_item = -1;
int open_page(void)
{
    return open_item;
}

class Themes : public PortaLoopTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
        lcd_surface = SDL_SetVideoMode(640, 480, 16, 0);
        ASSERT_NE(lcd_surface, nullptr);
        hdmi_surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 1280, 720, 16, 0xF800, 0x07E0, 0x001F, 0);
        scratch_surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 1280, 720, 24, 0, 0, 0, 0);
        root.mkdirs("/mnt/data/porta");
        load_global_attr();
        write_set(root, VENDOR_WALLPAPER_ROOT, 0, VENDOR_THEME_ROOT, 0, kVendor);
        customer_skin = 0;
        open_item = -1;
        themes_set_open_page_query(open_page);
        screen = SCREEN_ROOMS;
        output_device = 0;
    }

    void TearDown() override
    {
        themes_set_open_page_query(nullptr);
        free_backgrounds();
        free_display_surfaces();
        SDL_Quit();
    }

    GlobalAttr stored()
    {
        std::string bytes = root.read(ATTR_FILE);
        GlobalAttr a{};
        EXPECT_EQ(bytes.size(), 72u);
        if (bytes.size() >= ATTR_RECORD_SIZE)
            attr_decode(reinterpret_cast<const uint8_t *>(bytes.data()), &a);
        return a;
    }
};

} // namespace

TEST_F(Themes, CardSkinWithoutWallpapersFallsBackAndResetsOnlyTheWallpaperNumber)
{
    write_set(root, "", 0, SKIN_THEME_ROOT, 3, kCard);
    global_attr.sd_theme = 3;
    global_attr.sd_wallpaper = 2;
    ASSERT_EQ(save_global_attr(), 0);
    ASSERT_EQ(load_background(), 0);

    testing::internal::CaptureStdout();
    EXPECT_EQ(themes_card_changed(1), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(customer_skin, 0);
    EXPECT_EQ(global_attr.sd_wallpaper, 0);
    EXPECT_EQ(global_attr.sd_theme, 3);
    EXPECT_EQ(stored().sd_wallpaper, 0);
    EXPECT_EQ(stored().sd_theme, 3);
    EXPECT_NE(out.find("----check_background_theme_icon: not find bg(2) \n"), std::string::npos) << out;
    EXPECT_NE(out.find("--set_tfcard_in_res: customer_skin = 0 \n"), std::string::npos) << out;
    // The built-in pictures stay.
    ASSERT_NE(theme_pics.wallpaper[0], nullptr);
    EXPECT_TRUE(near(surface_pixel(theme_pics.wallpaper[0], 5, 5), kVendor));
}

TEST_F(Themes, IncompleteCardThemeFallsBackAndResetsTheThemeNumber)
{
    write_set(root, SKIN_WALLPAPER_ROOT, 0, SKIN_THEME_ROOT, 4, kCard);
    unlink(root.host(std::string(SKIN_THEME_ROOT) + "/4/hdmi/3.png").c_str());
    global_attr.sd_theme = 4;
    customer_skin = 1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(validate_skin_choice(), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(global_attr.sd_theme, 0);
    EXPECT_EQ(stored().sd_theme, 0);
    EXPECT_NE(out.find("----check_background_theme_icon: not find theme(4) \n"), std::string::npos) << out;
    EXPECT_EQ(out.find("not find bg"), std::string::npos) << out;
}

TEST_F(Themes, CompleteCardSkinIsUsedUntilTheCardIsPulled)
{
    write_set(root, SKIN_WALLPAPER_ROOT, 0, SKIN_THEME_ROOT, 0, kCard);
    ASSERT_EQ(load_background(), 0);
    screen = SCREEN_SETTINGS_PAGE;
    open_item = 6; // the background page lists the built-in numbers

    testing::internal::CaptureStdout();
    EXPECT_EQ(themes_card_changed(1), 1);
    EXPECT_EQ(themes_card_changed(1), 0); // already on
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(customer_skin, 1);
    EXPECT_EQ(screen, SCREEN_ROOMS);
    EXPECT_NE(out.find("--set_tfcard_in_res: customer_skin = 1 \n"), std::string::npos) << out;
    for (int o = 0; o < 2; o++) {
        ASSERT_NE(theme_pics.wallpaper[o], nullptr);
        EXPECT_TRUE(near(surface_pixel(theme_pics.wallpaper[o], 5, 5), kCard));
        for (int i = 0; i < THEME_ICONS; i++) {
            ASSERT_NE(theme_pics.icon[o][i], nullptr);
            ASSERT_NE(theme_pics.icon_small[o][i], nullptr);
            EXPECT_TRUE(near(surface_pixel(theme_pics.icon[o][i], 3, 3), kCard));
            // 60% copies, rounded
            EXPECT_EQ(theme_pics.icon_small[o][i]->w, static_cast<int>(theme_pics.icon[o][i]->w * 0.6 + 0.5));
            EXPECT_EQ(theme_pics.icon_small[o][i]->h, static_cast<int>(theme_pics.icon[o][i]->h * 0.6 + 0.5));
        }
    }

    // Pulled with another settings page open: that page stays.
    screen = SCREEN_SETTINGS_PAGE;
    open_item = 4;
    testing::internal::CaptureStdout();
    EXPECT_EQ(themes_card_changed(0), 1);
    EXPECT_EQ(themes_card_changed(0), 0);
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(customer_skin, 0);
    EXPECT_EQ(screen, SCREEN_SETTINGS_PAGE);
    EXPECT_NE(out.find("--set_tfcard_out_res: customer_skin = 0 \n"), std::string::npos) << out;
    EXPECT_TRUE(near(surface_pixel(theme_pics.wallpaper[1], 5, 5), kVendor));
    EXPECT_TRUE(near(surface_pixel(theme_pics.icon_small[1][4], 3, 3), kVendor));

    // A card without skin folder leaves the built-in set.
    remove_tree(root.host("/mnt/sdcard/skin"));
    EXPECT_EQ(themes_card_changed(1), 0);
    EXPECT_EQ(customer_skin, 0);
}

TEST_F(Themes, NumberListsOfTheSettingsPages)
{
    const std::string w = "/mnt/sdcard/skin/wallpapers";
    root.write(w + "/lcd/7.jpg", "x");
    root.write(w + "/hdmi/7.jpg", "x");
    root.write(w + "/hdmi/2.jpg", "x");
    root.write(w + "/hdmi/notes.txt", "x");
    root.write(w + "/hdmi/wall.jpg", "x");
    root.write(w + "/lcd/wall.jpg", "x");
    root.mkdirs(w + "/hdmi/9.jpg");
    root.mkdirs(w + "/lcd/9.jpg");
    int numbers[THEME_LIST_MAX];
    ASSERT_EQ(list_skin_numbers(w.c_str(), numbers), 1);
    EXPECT_EQ(numbers[0], 7);

    // Twenty-five theme folders (and two that are no themes): the first 20
    // found, sorted.
    const std::string t = "/mnt/vendor/theme";
    for (int n = 1; n <= 25; n++)
        root.mkdirs(t + "/" + std::to_string(n * 3) + "/lcd");
    root.mkdirs(t + "/99/hdmi");
    root.mkdirs(t + "/extra/lcd");
    std::vector<int> expected;
    DIR *d = opendir(root.host(t).c_str());
    ASSERT_NE(d, nullptr);
    while (const dirent *e = readdir(d)) {
        const std::string name = e->d_name;
        if (expected.size() < 20 && !name.empty() && isdigit(static_cast<unsigned char>(name[0])) && name != "99")
            expected.push_back(atoi(name.c_str()));
    }
    closedir(d);
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(get_theme_by_dir(t.c_str(), numbers), 20);
    EXPECT_EQ(std::vector<int>(numbers, numbers + 20), expected);

    testing::internal::CaptureStdout();
    EXPECT_EQ(list_skin_numbers("/nowhere", numbers), 0);
    EXPECT_EQ(get_theme_by_dir("/nowhere", numbers), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("get_bkicon_by_dir: opendir fail\n"), std::string::npos) << out;
    EXPECT_NE(out.find("get_theme_by_dir: opendir fail (/nowhere)\n"), std::string::npos) << out;
}

TEST_F(Themes, PreviewsAndTheChosenWallpaper)
{
    const Rgb kOther = {30, 200, 90};
    write_set(root, VENDOR_WALLPAPER_ROOT, 5, VENDOR_THEME_ROOT, 5, kOther);
    ASSERT_EQ(load_background(), 0);
    fill_theme_lists();
    ASSERT_EQ(theme_lists.wallpapers.count, 2);
    ASSERT_EQ(theme_lists.themes.count, 2);
    EXPECT_EQ(theme_lists.wallpapers.numbers[1], 5);

    EXPECT_EQ(theme_preview(1), 0);
    for (int o = 0; o < 2; o++)
        for (int i = 0; i < THEME_ICONS; i++) {
            ASSERT_NE(theme_previews.icon[o][i], nullptr);
            EXPECT_EQ(theme_previews.icon[o][i]->w, o ? 102 : 71);
            EXPECT_TRUE(near(surface_pixel(theme_previews.icon[o][i], 3, 3), kOther));
        }
    EXPECT_EQ(theme_preview(2), -1);
    EXPECT_EQ(theme_previews.icon[0][0], nullptr);

    EXPECT_EQ(wallpaper_preview(1), 0);
    take_wallpaper_previews();
    EXPECT_TRUE(near(surface_pixel(theme_pics.wallpaper[0], 5, 5), kOther));
    EXPECT_TRUE(near(surface_pixel(theme_pics.wallpaper[1], 5, 5), kOther));
    free_wallpaper_previews();
    EXPECT_TRUE(near(surface_pixel(theme_pics.wallpaper[1], 5, 5), kOther));
}

TEST_F(Themes, ScreenSavedUnderABoxComesBack)
{
    for (int out = 0; out < 2; out++) {
        output_device = out;
        SDL_Surface *dst = current_surface();
        for (int y = 0; y < dst->h; y += 7)
            for (int x = 0; x < dst->w; x += 13) {
                SDL_Rect r = {static_cast<Sint16>(x), static_cast<Sint16>(y), 5, 3};
                SDL_FillRect(dst, &r, SDL_MapRGB(dst->format, x & 255, y & 255, (x + y) & 255));
            }
        const std::string before(static_cast<char *>(dst->pixels), static_cast<size_t>(dst->pitch) * dst->h);
        save_screen();
        SDL_FillRect(dst, nullptr, SDL_MapRGB(dst->format, 255, 255, 255));
        restore_screen(dst);
        EXPECT_EQ(std::string(static_cast<char *>(dst->pixels), static_cast<size_t>(dst->pitch) * dst->h), before);
    }
    output_device = 0;
}

// ---- start-up on the sample image ----------------------------------------

namespace {

class ThemesAtStart : public PortaLoopTest {
protected:
    void SetUp() override
    {
        root.install_sample_image();
        root.install_recording_shell(PORTA_SHELL, "/tmp/cmds.log");
        root.write("/tmp/boot.ini", "");
        fake_loop_hooks(0);
        fake_keys[1] = 0x100000u; // ends the loop at once
    }
    int run() { return run_porta(); }
};

} // namespace

TEST_F(ThemesAtStart, MissingBuiltInWallpaperStopsTheStart)
{
    unlink(root.host("/mnt/vendor/wallpapers/hdmi/0.jpg").c_str());
    EXPECT_EQ(run(), -1) << out;
    EXPECT_TRUE(said("Failed to load /mnt/vendor/wallpapers/hdmi/0.jpg")) << out;
    EXPECT_TRUE(said("init_my_system: 997 return NULL\n")) << out;
    EXPECT_TRUE(said("init system return error")) << out;
    EXPECT_FALSE(said("----- init_my_system ---ok")) << out;
}

TEST_F(ThemesAtStart, CardSkinIsUsedAtStartAndABrokenOneFallsBack)
{
    root.mkdirs("/mnt/sdcard/skin");
    ASSERT_EQ(host_system("cp -a '" + root.host("/mnt/vendor/theme") + "' '" + root.host("/mnt/vendor/wallpapers") +
                          "' '" + root.host("/mnt/sdcard/skin/") + "'"),
              0);
    ASSERT_TRUE(root.exists("/mnt/sdcard/skin/wallpapers/lcd/0.jpg"));
    EXPECT_EQ(run(), 0) << out;
    EXPECT_EQ(customer_skin, 1);
    EXPECT_TRUE(said("----- init_my_system ---ok")) << out;

    // Present but not a picture: the built-in set takes over.
    root.write("/mnt/sdcard/skin/wallpapers/hdmi/0.jpg", "not a picture");
    EXPECT_EQ(run(), 0) << out;
    EXPECT_EQ(customer_skin, 0);
    EXPECT_TRUE(said("Failed to load /mnt/sdcard/skin/wallpapers/hdmi/0.jpg")) << out;
    EXPECT_TRUE(said("----- init_my_system ---ok")) << out;
}
