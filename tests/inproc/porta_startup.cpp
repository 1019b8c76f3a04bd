// Start-up of the real launcher on the sample device image, in process: the
// first-start markers, the logo and CPU modes, the save folders, the record,
// the power-off request of /tmp/shutdown.ini, the upgrade marker, and the
// failures (framebuffer, fixed pictures, font) with their messages.

#include "porta_loop_test.h"

#include "porta/ui/draw_res.h"
#include "porta/ui/screens.h"
#include "porta/ui/themes.h"

#include <SDL/SDL_rotozoom.h>

#include <string>
#include <vector>

namespace {

constexpr uint32_t QUIT = 0x100000u; // the key mask that ends the loop at once
std::string fb_at_pause;

// Quits on the first pass of the loop, keeping what the HDMI framebuffer
// held at that moment.
std::string fb1_file;
std::string fb1_at_loop;
uint32_t snapshot_then_quit(int player)
{
    if (player == 1 && fb1_at_loop.empty())
        fb1_at_loop = slurp(fb1_file);
    return fake_player_keys(player);
}

class Start : public PortaLoopTest {
protected:
    void SetUp() override
    {
        root.install_sample_image();
        root.install_recording_shell(PORTA_SHELL, "/tmp/cmds.log");
        fake_loop_hooks(0);
        fake_keys[1] = QUIT;
        fb_at_pause.clear();
        // The picture a pause shows stands in the framebuffer meanwhile.
        on_delay = [this](uint32_t ms) {
            if (ms == 2000)
                fb_at_pause = slurp(root.host("/dev/fb0"));
        };
    }

    int run() { return run_porta(); }
    std::vector<std::string> cmds() { return root.recorded("/tmp/cmds.log"); }
};

} // namespace

TEST_F(Start, FirstStartOnTheSampleImage)
{
    ASSERT_FALSE(root.exists(ATTR_FILE));
    root.write(BACKLIGHT_PATH, "");
    EXPECT_EQ(run(), 0) << out;
    EXPECT_TRUE(said("use default attr ")) << out;
    EXPECT_TRUE(said("init_device_display: init success!\n")) << out;
    EXPECT_TRUE(said("----- init_my_system ---ok\n")) << out;
    EXPECT_TRUE(said("Loop_listend: quit \n")) << out;
    EXPECT_FALSE(said("Failed to load")) << out;

    std::string attr = root.read(ATTR_FILE);
    EXPECT_EQ(attr.size(), 72u);
    EXPECT_TRUE(root.exists("/tmp/boot.ini"));
    EXPECT_EQ(root.read("/tmp/boot.ini"), "");
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "400\n") << "the first start applies the brightness";
    // The sample's TF card is checked (and mounted) before the logo.
    auto c = cmds();
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0], "/system/porta/mmc.sh add");
    EXPECT_EQ(c[1], "/system/porta/cpu_setting.sh  user");
    EXPECT_EQ(c[2], "/system/porta/cpu_setting.sh  full");
    for (const char *d :
         {"fbasdl", "fba4arm", "fc", "gba", "gbc", "md", "sfc", "sms", "pcsx", "ngpc", "swan", "vbanext"})
        EXPECT_TRUE(root.exists(std::string("/mnt/data/save/") + d)) << d;
    EXPECT_TRUE(root.exists("/mnt/data/porta/joypad"));
    // The plain exit leaves the screens black.
    EXPECT_EQ(root.read("/dev/fb0"), std::string(640 * 480 * 2, '\0'));
    EXPECT_TRUE(exits.empty());
}

TEST_F(Start, HdmiAtStartShowsTheLogoOnTheHdmiFramebuffer)
{
    root.write(HDMI_STATE_PATH, "1\n");
    root.write(BACKLIGHT_PATH, "400\n");
    fb1_file = root.host("/dev/fb1");
    fb1_at_loop.clear();
    loop_hooks.player_keys = snapshot_then_quit;
    // The rooms screen would cover the logo with the loop's first frame.
    const ScreenDrawFn rooms = screen_table[SCREEN_ROOMS].draw;
    screen_table[SCREEN_ROOMS].draw = nullptr;
    EXPECT_EQ(run(), 0) << out;
    screen_table[SCREEN_ROOMS].draw = rooms;
    ASSERT_EQ(fb1_at_loop.size(), 1280u * 720u * 2u);
    auto at = [](int x, int y) {
        size_t i = (static_cast<size_t>(y) * 1280 + x) * 2;
        return static_cast<uint16_t>(static_cast<uint8_t>(fb1_at_loop[i]) | static_cast<uint8_t>(fb1_at_loop[i + 1])
                                                                                << 8);
    };
    EXPECT_EQ(at(0, 0), 0u);
    EXPECT_EQ(at(1279, 719), 0u);
    EXPECT_EQ(at(420, 360), 0u) << "left of the centred 420x160 logo (430..849)";
    int lit = 0;
    for (int x = 430; x < 850; x++)
        for (int y = 280; y < 440; y++)
            lit += at(x, y) != 0;
    EXPECT_GT(lit, 500);
    EXPECT_EQ(root.read(BACKLIGHT_PATH), "0\n") << "LCD backlight off while HDMI is the output";
}

TEST_F(Start, LaterStartSkipsLogoAndKeepsRecord)
{
    root.write("/tmp/boot.ini", "");
    EXPECT_EQ(run(), 0) << out;
    std::string attr = root.read(ATTR_FILE);
    ASSERT_EQ(attr.size(), 72u);
    EXPECT_EQ(cmds(), std::vector<std::string>{"/system/porta/mmc.sh add"})
        << "no CPU mode changes without the first start";
    // A second run reads the record written by the first.
    EXPECT_EQ(run(), 0) << out;
    EXPECT_FALSE(said("use default attr")) << out;
    EXPECT_EQ(root.read(ATTR_FILE), attr);
}

TEST_F(Start, LogoMarkerSkipsTheLogo)
{
    root.write("/mnt/data/logo.ini", "");
    EXPECT_EQ(run(), 0) << out;
    auto c = cmds();
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0], "/system/porta/mmc.sh add");
    EXPECT_EQ(c[1], "/system/porta/cpu_setting.sh  full");
}

TEST_F(Start, UpgradeMarkerRebootsIntoUpgradeMode)
{
    root.write("/mnt/sdcard/adfu.ini", "");
    run();
    auto c = cmds();
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0], "/system/porta/mmc.sh add");
    EXPECT_EQ(c[1], "reboot adfu");
    ASSERT_FALSE(exits.empty());
    EXPECT_EQ(exits[0], 0);
}

TEST_F(Start, ShutdownRequestTwoShowsLowBatteryPicture)
{
    root.write("/tmp/shutdown.ini", "2\nanything\n");
    run();
    EXPECT_TRUE(said("---get_shutd_type: value=2 \n")) << out;
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0], 0);
    auto c = cmds();
    ASSERT_FALSE(c.empty());
    EXPECT_EQ(c.back(), "reboot -p shutdown");
    // Centred 320x160 picture on black.
    ASSERT_EQ(fb_at_pause.size(), 640u * 480u * 2u);
    EXPECT_EQ(fb_pixel(fb_at_pause, 640, 5, 5), 0u);
    EXPECT_EQ(fb_pixel(fb_at_pause, 640, 170, 170), 0u) << "outside the picture";
    bool drawn = false;
    for (int x = 160; x < 480 && !drawn; x++)
        for (int y = 160; y < 320 && !drawn; y++)
            drawn = fb_pixel(fb_at_pause, 640, x, y) != 0;
    EXPECT_TRUE(drawn);
    EXPECT_EQ(root.read("/dev/fb0"), std::string(640 * 480 * 2, '\0'));
}

TEST_F(Start, ShutdownRequestOneShowsNormalPicture)
{
    root.write("/tmp/shutdown.ini", "1");
    run();
    EXPECT_TRUE(said("---get_shutd_type: value=1 \n")) << out;
    ASSERT_EQ(exits.size(), 1u);
    ASSERT_EQ(fb_at_pause.size(), 640u * 480u * 2u);
    EXPECT_NE(fb_pixel(fb_at_pause, 640, 320, 240), 0u) << "full-screen picture at 0,0";
}

TEST_F(Start, OtherShutdownValuesStartNormally)
{
    // 4294967298 is 2 once cut to 32 bits: it must not read as a request.
    for (const char *v : {"0\n", "hello\n", "", "3", "4294967298\n"}) {
        SCOPED_TRACE(v);
        root.write("/tmp/shutdown.ini", v);
        exits.clear();
        EXPECT_EQ(run(), 0) << out;
        EXPECT_TRUE(exits.empty());
        EXPECT_TRUE(said("----- init_my_system ---ok\n")) << out;
    }
}

TEST_F(Start, LeftoversOfCutWritesAreRemovedAtStart)
{
    // Temporary files that killed or power-cut writes left beside the files
    // the launcher rewrites; only their own names, only older than this run.
    const std::vector<std::string> stale = {
        "/mnt/data/porta/.porta_attr.ini.Ab12Cd",
        "/mnt/data/..favorite.x9Y8z7",
        "/mnt/data/..history.000000",
        "/tmp/.gameplace.cfg.QWErty",
        "/mnt/data/porta/joypad/.USB Gamepad.cfg.a1b2c3",
    };
    const std::vector<std::string> kept = {
        "/mnt/data/..favorite.x9Y8z",             // not six characters
        "/mnt/data/..favorites.x9Y8z7",           // another file's name
        "/mnt/data/porta/joypad/.pad.ini.a1b2c3", // not a pad file
        "/mnt/data/porta/joypad/USB Gamepad.cfg",
    };
    for (const std::string &f : stale)
        root.write(f, "cut");
    for (const std::string &f : kept)
        root.write(f, "keep");
    for (const std::string &f : stale)
        ASSERT_EQ(host_system("touch -d '2020-01-01' '" + root.host(f) + "'"), 0);
    for (const std::string &f : kept)
        ASSERT_EQ(host_system("touch -d '2020-01-01' '" + root.host(f) + "'"), 0);
    root.write("/mnt/data/..history.Fresh1", "a write of this run");
    ASSERT_EQ(host_system("touch -d 'now + 1 hour' '" + root.host("/mnt/data/..history.Fresh1") + "'"), 0);
    EXPECT_EQ(run(), 0) << out;
    for (const std::string &f : stale)
        EXPECT_FALSE(root.exists(f)) << f;
    for (const std::string &f : kept)
        EXPECT_TRUE(root.exists(f)) << f;
    EXPECT_TRUE(root.exists("/mnt/data/..history.Fresh1")) << "newer than the run: kept";
}

TEST_F(Start, MissingFramebufferFails)
{
    host_system("rm -f '" + root.host("/dev/fb1") + "'");
    EXPECT_EQ(run(), -1);
    EXPECT_TRUE(
        said("Open framebuffer 1 error!\ninit hdmi fb err init_device_display: init fbm fail ... \nmain : init return "
             "error\n"))
        << out;
}

TEST_F(Start, MissingFixedPictureFails)
{
    host_system("rm -f '" + root.host("/mnt/vendor/desktop_res/search/hdmi/17.png") + "'");
    EXPECT_EQ(run(), -1);
    EXPECT_TRUE(said("load_hdmi_other_img: 2 error i = 17,imag= /mnt/vendor/desktop_res/search/hdmi/17.png \n")) << out;
    EXPECT_TRUE(said("init_my_system: 1013 return NULL\n")) << out;
    EXPECT_TRUE(said("init system return error")) << out;
    EXPECT_FALSE(said("---ok")) << out;
}

TEST_F(Start, MissingTitleBarFails)
{
    host_system("rm -f '" + root.host("/mnt/vendor/desktop_res/top/lcd/title/bg.png") + "'");
    EXPECT_EQ(run(), -1);
    EXPECT_TRUE(said("Failed to load /mnt/vendor/desktop_res/top/lcd/title/bg.png")) << out;
    EXPECT_TRUE(said("init_my_system: 1005 return NULL\n")) << out;
    EXPECT_TRUE(said("init system return error")) << out;
}

TEST_F(Start, MissingFontFails)
{
    host_system("rm -f '" + root.host("/mnt/vendor/bin/default.ttf") + "'");
    EXPECT_EQ(run(), -1);
    EXPECT_TRUE(said("get ui font return NULL")) << out;
    EXPECT_TRUE(said("init system return error")) << out;
}

// ---- pictures: checked at start, decoded when first drawn -----------------

namespace {

// The loop's passes, for tests that act between frames: `on_pass` runs on
// each pass (1, 2, ...) and returns 1 to quit.
int pass_count = 0;
int (*on_pass)(int pass) = nullptr;
uint32_t keys_by_pass(int player)
{
    if (player != 1)
        return 0;
    return on_pass(++pass_count) ? 0x100000u : 0u;
}
time_t fixed_wall(void)
{
    return 1765274400;
} // 10:00 UTC

std::string pixels_of(SDL_Surface *s)
{
    return std::string(static_cast<const char *>(s->pixels), static_cast<size_t>(s->pitch) * s->h);
}

// The pictures of one output decoded as the launcher always decoded them:
// the fixed ones and the theme icons with alpha, the wallpaper without, the
// small icons a smoothed 60% copy of the full ones.
void decode_the_old_way(int out)
{
    FixedRes &r = fixed_res[out];
    auto fixed = [](Picture &p) { p = load_img(p.path.c_str()); };
    for (Picture *p : {&r.title_bg, &r.earphone, &r.spk, &r.joy, &r.point})
        fixed(*p);
    for (Picture &p : r.bat)
        fixed(p);
    for (Picture &p : r.bottom)
        fixed(p);
    for (Picture &p : r.search)
        fixed(p);
    for (Picture &p : r.list)
        fixed(p);
    for (Picture &p : r.type_left)
        fixed(p);
    for (Picture &p : r.type_right)
        fixed(p);
    theme_pics.wallpaper[out] = load_img_opt(theme_pics.wallpaper[out].path.c_str(), 0);
    for (int i = 0; i < THEME_ICONS; i++) {
        fixed(theme_pics.icon[out][i]);
        SDL_Surface *z = zoomSurface(theme_pics.icon[out][i], 0.6, 0.6, SMOOTHING_ON);
        theme_pics.icon_small[out][i] = SDL_DisplayFormatAlpha(z);
        SDL_FreeSurface(z);
    }
}

std::string first_frame, old_way_frame;
int redraw_the_old_way(int)
{
    SDL_Surface *dst = current_surface();
    first_frame = pixels_of(dst);
    decode_the_old_way(output_device);
    screen_table[screen].draw(dst);
    old_way_frame = pixels_of(dst);
    return 1;
}

} // namespace

TEST_F(Start, FirstFrameIsTheSameAsWithEveryPictureDecodedAtStart)
{
    root.write("/tmp/boot.ini", "");
    loop_hooks.wall = fixed_wall;
    loop_hooks.player_keys = keys_by_pass;
    on_pass = redraw_the_old_way;
    for (const char *hdmi : {"0\n", "1\n"}) {
        SCOPED_TRACE(hdmi);
        root.write(HDMI_STATE_PATH, hdmi);
        first_frame.clear();
        pass_count = 0;
        EXPECT_EQ(run(), 0) << out;
        ASSERT_EQ(first_frame.size(), hdmi[0] == '1' ? 1280u * 720u * 2u : 640u * 480u * 2u);
        EXPECT_TRUE(first_frame == old_way_frame);
        EXPECT_FALSE(said("Failed to load")) << out;
    }
}

namespace {

std::string hdmi_after_switch, hdmi_at_start;
int decoded_hdmi_at_first_pass = -1;
bool decoded(const Picture &p)
{
    return picture_decoded(p);
}
int hdmi_decoded(void)
{
    const FixedRes &r = fixed_res[OUTPUT_HDMI];
    return decoded(r.title_bg) + decoded(r.bottom[0]) + decoded(theme_pics.wallpaper[OUTPUT_HDMI]) +
           decoded(theme_pics.icon[OUTPUT_HDMI][0]) + decoded(theme_pics.icon_small[OUTPUT_HDMI][1]);
}
std::string hdmi_state_file;
// Starts on the LCD, plugs HDMI in after a few passes and keeps the HDMI
// frame once the loop has seen it.
int plug_hdmi(int pass)
{
    if (pass == 1) {
        decoded_hdmi_at_first_pass = hdmi_decoded();
        FILE *f = fopen(hdmi_state_file.c_str(), "w");
        fputs("1\n", f);
        fclose(f);
    }
    if (output_device != 1 || pass > 100)
        return pass > 100;
    hdmi_after_switch = pixels_of(hdmi_surface);
    return 1;
}
int keep_hdmi_frame(int)
{
    hdmi_at_start = pixels_of(hdmi_surface);
    return 1;
}

} // namespace

TEST_F(Start, PluggingHdmiInShowsTheHdmiPicturesAsAStartOnHdmiDoes)
{
    root.write("/tmp/boot.ini", "");
    loop_hooks.wall = fixed_wall;
    loop_hooks.player_keys = keys_by_pass;
    hdmi_state_file = root.host(HDMI_STATE_PATH);
    root.write(HDMI_STATE_PATH, "0\n");
    on_pass = plug_hdmi;
    pass_count = 0;
    EXPECT_EQ(run(), 0) << out;
    EXPECT_EQ(decoded_hdmi_at_first_pass, 0) << "nothing of the HDMI set is decoded while the LCD is shown";
    ASSERT_FALSE(hdmi_after_switch.empty()) << "HDMI not seen within 100 passes";

    on_pass = keep_hdmi_frame;
    pass_count = 0;
    EXPECT_EQ(run(), 0) << out;
    ASSERT_EQ(hdmi_at_start.size(), 1280u * 720u * 2u);
    EXPECT_TRUE(hdmi_after_switch == hdmi_at_start);
    EXPECT_FALSE(said("Failed to load")) << out;
}

TEST_F(Start, UnreadableFixedPicturesOfBothOutputsAreReported)
{
    // The LCD set holds a picture that is no picture, the HDMI set misses one:
    // both sets are checked before start-up fails.
    root.write("/mnt/vendor/desktop_res/search/lcd/3.png", "not a picture");
    host_system("rm -f '" + root.host("/mnt/vendor/desktop_res/type-right/hdmi/gba.png") + "'");
    EXPECT_EQ(run(), -1);
    EXPECT_TRUE(said("Failed to load /mnt/vendor/desktop_res/search/lcd/3.png, ")) << out;
    EXPECT_TRUE(said("load_lcd_other_img: 2 error i = 3,imag= /mnt/vendor/desktop_res/search/lcd/3.png \n")) << out;
    EXPECT_TRUE(said("Failed to load /mnt/vendor/desktop_res/type-right/hdmi/gba.png, ")) << out;
    EXPECT_TRUE(said("load_hdmi_other_img: 5 error i = 6,imag= /mnt/vendor/desktop_res/type-right/hdmi/gba.png \n"))
        << out;
    EXPECT_TRUE(said("init_my_system: 1013 return NULL\n")) << out;
    EXPECT_TRUE(said("init system return error")) << out;
    EXPECT_FALSE(said("---ok")) << out;
}

TEST_F(Start, TitleBarThatCannotBeDecodedIsDrawnAsMissing)
{
    // The file begins like a PNG, so start-up accepts it; its decode fails
    // when the title bar is first drawn.
    const char *bg = "/mnt/vendor/desktop_res/top/lcd/title/bg.png";
    root.write(bg, root.read(bg).substr(0, 60));
    root.write("/tmp/boot.ini", "");
    loop_hooks.player_keys = keys_by_pass;
    on_pass = [](int pass) {
        first_frame = pixels_of(current_surface());
        return pass >= 3 ? 1 : 0;
    };
    pass_count = 0;
    first_frame.clear();
    EXPECT_EQ(run(), 0) << out;
    EXPECT_EQ(pass_count, 3) << "the loop goes on past the picture";
    EXPECT_NE(first_frame.find_first_not_of('\0'), std::string::npos) << "the rest of the screen is drawn";
    const std::string failed = std::string("Failed to load ") + bg + ", ";
    size_t at = out.find(failed);
    ASSERT_NE(at, std::string::npos) << out;
    EXPECT_EQ(out.find(failed, at + 1), std::string::npos) << "reported once: " << out;
    EXPECT_FALSE(picture_decoded(fixed_res[OUTPUT_LCD].title_bg));
}
