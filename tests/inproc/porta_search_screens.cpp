// The search room in the real main loop, on the sample image's pictures:
// the key sounds, Y and the button without results, a launch from the
// results that fails, the TF card pulled or put in while searching, and the
// keyboard pictures on their 26 [50] pixel key grid as drawn.

#include "alsa_file_plugin.h"
#include "porta_loop_test.h"

#include "porta/base/attr.h"
#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/keysound.h"
#include "porta/device/storage.h"
#include "porta/library/browse.h"
#include "porta/library/favorites.h"
#include "porta/library/gamelist.h"
#include "porta/library/search.h"
#include "porta/ui/draw.h"
#include "porta/ui/draw_res.h"
#include "porta/ui/loop.h"
#include "porta/ui/screens.h"
#include "porta/ui/search_screens.h"
#include "porta/ui/themes.h"

#include <SDL/SDL_image.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

enum : uint32_t { UP = 0x1, DOWN = 0x2, LEFT = 0x4, RIGHT = 0x8, A = 0x10, B = 0x20, Y = 0x40 };

const char kMounted[] = "/dev/root / ext4 rw 0 0\n/dev/block/mmcblk1 /mnt/sdcard vfat rw 0 0\n";

class SearchScreens : public PortaLoopTest {
protected:
    void SetUp() override
    {
        root.install_sample_image();
        host_system("rm -rf '" + root.host("/mnt/mmc") + "' '" + root.host("/mnt/sdcard") + "' '" +
                    root.host("/dev/block/mmcblk1") + "' '" + root.host("/dev/block/mmcblk1p1") + "'");
        root.write("/proc/mounts", "/dev/root / ext4 rw 0 0\n");
        root.write(HDMI_STATE_PATH, "0\n");
        root.install_recording_shell(PORTA_SHELL, "/tmp/shell.log");
        unlink(root.host("/tmp/gamedir.cfg").c_str());
        fake_loop_hooks();
        open_display(DISPLAY_FONTS | DISPLAY_PICTURES);
    }
    void TearDown() override
    {
        close_display();
        PortaLoopTest::TearDown();
    }
    void keys(std::initializer_list<uint32_t> masks)
    {
        for (uint32_t m : masks)
            key(m);
    }
};

bool lit(Rgb c)
{
    return c.r > 200 && c.b < 140;
} // the orange of a lit key

} // namespace

TEST_F(SearchScreens, KeySoundsAndNoResultsKeepTheKeyboard)
{
    AlsaFileSink sink(root.path() + "/alsa");
    for (int n = 0; n < 3; n++)
        root.write("/mnt/vendor/sound/" + std::to_string(n) + ".wav",
                   key_sound_wav(600, static_cast<int16_t>(1000 * (n + 1))));
    root.write("/mnt/mmc/GBA/Golden Sun.gba", "rom");
    start_library();
    const int none = -1;
    struct Case {
        int screen, key, sound, then; // then: the screen after the key
        const char *text;             // typed before
    } cases[] = {
        {SCREEN_SEARCH_KEYS, SDLK_UP, 1, SCREEN_SEARCH_KEYS, ""},
        {SCREEN_SEARCH_KEYS, SDLK_LCTRL, 0, SCREEN_SEARCH_KEYS, ""},   // types "1": nothing found
        {SCREEN_SEARCH_KEYS, SDLK_LSHIFT, 0, SCREEN_SEARCH_KEYS, "1"}, // Y without results
        {SCREEN_SEARCH_KEYS, SDLK_SPACE, 0, SCREEN_SEARCH_KEYS, "g"},  // X deletes
        {SCREEN_SEARCH_KEYS, SDLK_RETURN, none, SCREEN_SEARCH_KEYS, "g"},
        {SCREEN_SEARCH_KEYS, SDLK_LSHIFT, 0, SCREEN_SEARCH_RESULTS, "g"},
        {SCREEN_SEARCH_KEYS, SDLK_LALT, 1, SCREEN_ROOMS, "g"},
        {SCREEN_SEARCH_RESULTS, SDLK_DOWN, 1, SCREEN_SEARCH_RESULTS, "g"},
        {SCREEN_SEARCH_RESULTS, SDLK_RETURN, 0, SCREEN_SEARCH_RESULTS, "g"}, // favourite
        {SCREEN_SEARCH_RESULTS, SDLK_TAB, 2, SCREEN_SEARCH_RESULTS, "g"},
        {SCREEN_SEARCH_RESULTS, SDLK_LALT, 1, SCREEN_SEARCH_KEYS, "g"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "screen " << c.screen << " key " << c.key << " text " << c.text);
        screen = static_cast<Screen>(c.screen);
        search_clear();
        for (const char *p = c.text; *p; p++)
            search_append(*p);
        ASSERT_EQ(sound_init(), 0);
        auto settle = [] {
            for (int i = 0; i < 600 && !key_sound_idle(); i++)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return key_sound_idle();
        };
        ASSERT_TRUE(settle()); // the sound thread waits for requests before the key comes
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        screen_table[c.screen].press(c.key);
        ASSERT_TRUE(settle());
        sound_deinit();
        std::vector<int32_t> out = sink.samples();
        if (c.sound == none) {
            EXPECT_TRUE(out.empty());
        } else {
            ASSERT_FALSE(out.empty());
            EXPECT_EQ(out[0], (1000 * (c.sound + 1)) << 16);
        }
        sink.clear();
        EXPECT_EQ(screen.load(), c.then);
    }
    EXPECT_EQ(list_count(FAVORITE_LIST), 1);
    EXPECT_EQ(search_state.length, 0) << "B on the results leaves an empty keyboard";
    // The button without results does nothing either.
    search_append('1');
    search_state.cursor = SEARCH_BUTTON;
    keys({A});
    EXPECT_EQ(screen.load(), SCREEN_SEARCH_KEYS);
}

TEST_F(SearchScreens, CardPulledOrInsertedWhileSearching)
{
    root.write("/dev/block/mmcblk1", "");
    root.write("/proc/mounts", kMounted);
    root.write("/mnt/sdcard/GB/kof gb.gb", "rom");
    root.write("/mnt/sdcard/GB/kof gb 2.gb", "rom");
    start_library();
    ASSERT_EQ(tf_card_state, 1);
    keys({RIGHT, RIGHT, RIGHT, A, DOWN, DOWN, RIGHT, RIGHT, RIGHT, RIGHT, RIGHT, RIGHT, RIGHT, A, Y});
    ASSERT_EQ(screen.load(), SCREEN_SEARCH_RESULTS);
    ASSERT_EQ(search_result_count(), 2);
    // A game gone since the scan: the message, and nothing kept for a restart.
    unlink(root.host("/mnt/sdcard/GB/kof gb 2.gb").c_str()); // the first result
    keys({A});
    EXPECT_EQ(loop_running.load(), 1);
    EXPECT_EQ(screen.load(), SCREEN_SEARCH_RESULTS);
    EXPECT_FALSE(root.exists("/tmp/search") || root.exists("/tmp/gamedir.cfg"));
    // Pulled: the results named games of the freed lists; the frames after
    // draw the rooms (a sanitizer build catches any read of the old lists).
    unlink(root.host("/dev/block/mmcblk1").c_str());
    root.write("/proc/mounts", "/dev/root / ext4 rw 0 0\n");
    testing::internal::CaptureStdout();
    while (tf_card_state == 1 && fake_now < 100000)
        loop_pass();
    loop_pass();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(screen.load(), SCREEN_ROOMS);
    EXPECT_EQ(search_result_count(), 0);
    EXPECT_EQ(search_state.length, 0);
    // Inserted while the keyboard shows results of the built-in card only:
    // the lists are scanned again, the typed text and the results stay.
    root.write("/mnt/mmc/GB/game 1.gb", "rom");
    scan_card_lists(CARD_MMC, 0);
    keys({A, A}); // the keyboard, then "1"
    ASSERT_EQ(screen.load(), SCREEN_SEARCH_KEYS);
    ASSERT_EQ(search_result_count(), 1);
    root.write("/dev/block/mmcblk1", "");
    root.write("/proc/mounts", kMounted);
    testing::internal::CaptureStdout();
    while (tf_card_state == 0 && fake_now < 200000)
        loop_pass();
    loop_pass();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(screen.load(), SCREEN_SEARCH_KEYS);
    EXPECT_EQ(search_result_count(), 1);
    EXPECT_EQ(search_state.length, 1);
    EXPECT_EQ(tf_lists[12].count, 1) << "the card's lists scanned again";
}

TEST_F(SearchScreens, KeyboardPicturesOnTheKeyGrid)
{
    struct {
        int out, board_x, board_y, key_x, key_y, pitch;
        SDL_Surface *dst;
    } outs[] = {{OUTPUT_LCD, 330, 140, 350, 187, 26, lcd_surface}, {OUTPUT_HDMI, 670, 188, 702, 272, 50, hdmi_surface}};
    for (const auto &o : outs) {
        SCOPED_TRACE(o.out);
        const int P = o.pitch;
        const Picture *pics = fixed_res[o.out].search;
        for (int i = 1; i <= 40; i++)
            ASSERT_TRUE(pics[i]->w == P && pics[i]->h == P) << i;
        ASSERT_TRUE(pics[41]->w == 10 * P && pics[41]->h == P);
        // Each key of the keyboard picture has its label (light pixels) in
        // the middle of its grid cell.
        const std::string board =
            root.host(std::string("/mnt/vendor/desktop_res/search/") + (o.out ? "hdmi" : "lcd") + "/0.png");
        SDL_Surface *kb = IMG_Load(board.c_str());
        ASSERT_NE(kb, nullptr);
        for (int i = 0; i < SEARCH_KEY_COUNT; i++) {
            const int cx = o.key_x - o.board_x + (i % 10) * P, cy = o.key_y - o.board_y + (i / 10) * P;
            long sx = 0, sy = 0, n = 0;
            for (int y = cy; y < cy + P; y++)
                for (int x = cx; x < cx + P; x++) {
                    Rgb c = surface_pixel(kb, x, y);
                    if (c.r > 200 && c.g > 200 && c.b > 200) {
                        sx += x - cx;
                        sy += y - cy;
                        n++;
                    }
                }
            ASSERT_GT(n, 0) << "key " << i;
            EXPECT_NEAR(sx / n, P / 2, P / 5) << "key " << i;
            EXPECT_NEAR(sy / n, P / 2, P / 5) << "key " << i;
        }
        SDL_FreeSurface(kb);
        // Drawn: the lit key lies on the key under the cursor only.
        for (int key : {0, 27, 39, SEARCH_BUTTON}) {
            search_state.cursor = key;
            draw_search_keys(o.dst);
            const int x = o.key_x + (key % 10) * P + P / 4, y = o.key_y + (key / 10) * P + P / 4;
            EXPECT_TRUE(lit(surface_pixel(o.dst, x, y))) << key;
            EXPECT_FALSE(lit(surface_pixel(o.dst, key == SEARCH_BUTTON ? x : x + (key % 10 == 9 ? -P : P),
                                           key == SEARCH_BUTTON ? y - P : y)))
                << key;
        }
    }
}
