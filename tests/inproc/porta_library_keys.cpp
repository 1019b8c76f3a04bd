// The library screens' keys in the real main loop: the key sounds of the key
// table, the invalid-file message of a launch that fails, deleting
// favourites, and the TF card pulled out and put back while a list of it is
// shown (real SDL on the dummy driver, framebuffer files, a recording shell).

#include "alsa_file_plugin.h"
#include "porta_loop_test.h"

#include "porta/base/attr.h"
#include "porta/base/sealed.h"
#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "porta/device/keysound.h"
#include "porta/device/storage.h"
#include "porta/library/browse.h"
#include "porta/library/favorites.h"
#include "porta/library/gamelist.h"
#include "porta/library/history.h"
#include "porta/ui/draw.h"
#include "porta/ui/library_keys.h"
#include "porta/ui/preview.h"
#include "porta/ui/loop.h"
#include "porta/ui/screens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

namespace {

std::vector<uint32_t> delays;
std::string fb_at_pause;
int draws = 0;
void count_draw(SDL_Surface *)
{
    draws++;
}

std::string wav(int16_t value)
{
    return key_sound_wav(600, value);
}

class LibraryKeys : public PortaLoopTest {
protected:
    void SetUp() override
    {
        device_files();
        root.write("/proc/mounts", "/dev/root / ext4 rw 0 0\n");
        install_test_font("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
        fake_loop_hooks();
        delays.clear();
        fb_at_pause.clear();
        draws = 0;
        // A long pause is the message's: the framebuffer shows it then.
        on_delay = [this](uint32_t ms) {
            delays.push_back(ms);
            if (ms >= 1000)
                fb_at_pause = slurp(root.host("/dev/fb0"));
        };
        open_display(DISPLAY_FONTS);
    }

    void TearDown() override
    {
        close_display();
        screen_table[SCREEN_ROOMS].draw = nullptr;
        PortaLoopTest::TearDown();
    }

    // Starts porta's library part as start-up does, then the loop.
    void start(const std::string &screen_path = "")
    {
        if (!screen_path.empty())
            root.write("/tmp/gamedir.cfg", screen_path);
        start_library();
    }
};

} // namespace

TEST_F(LibraryKeys, KeySoundsOfTheKeyTable)
{
    AlsaFileSink sink(root.path() + "/alsa");
    for (int n = 0; n < 3; n++)
        root.write("/mnt/vendor/sound/" + std::to_string(n) + ".wav", wav(static_cast<int16_t>(1000 * (n + 1))));
    root.write("/mnt/mmc/FC/a.nes", "rom");
    start();
    const int none = -1;
    struct Case {
        Screen screen;
        void (*handler)(int);
        int key;
        int sound;
    } cases[] = {
        {SCREEN_ROOMS, rooms_keypress, SDLK_LEFT, 1},
        {SCREEN_ROOMS, rooms_keypress, SDLK_SPACE, 2},
        {SCREEN_CARD, card_keypress, SDLK_UP, 1},
        {SCREEN_CARD, card_keypress, SDLK_LALT, 0},
        {SCREEN_CARD, card_keypress, SDLK_LSHIFT, 2},
        {SCREEN_SYSTEMS, systems_keypress, SDLK_RIGHT, 1},
        {SCREEN_SYSTEMS, systems_keypress, SDLK_LALT, 0},
        {SCREEN_GAMES, games_keypress, SDLK_LCTRL, 0},
        {SCREEN_GAMES, games_keypress, SDLK_LSHIFT, 0},
        {SCREEN_GAMES, games_keypress, SDLK_BACKSPACE, 2},
        {SCREEN_GAMES, games_keypress, SDLK_DOWN, 1},
        {SCREEN_FAVORITES, favorites_keypress, SDLK_LALT, 2},
        {SCREEN_FAVORITES, favorites_keypress, SDLK_LCTRL, 0},
        {SCREEN_HISTORY, top_history_keypress, SDLK_LALT, 0},
        {SCREEN_HISTORY, top_history_keypress, SDLK_LEFT, 2},
        {SCREEN_CORE_POPUP, core_popup_keypress, SDLK_SPACE, none},
        {SCREEN_CORE_POPUP, core_popup_keypress, SDLK_LCTRL, 0},
        {SCREEN_CORE_POPUP, core_popup_keypress, SDLK_LALT, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "screen " << c.screen << " key " << c.key);
        // An empty GBA list for A and Y on the games screen (nothing launched).
        screen = c.screen;
        browse_card = SELECTED_NONE;
        browse_system = c.handler == games_keypress && c.key == SDLK_LSHIFT ? 7 : 6;
        ASSERT_EQ(sound_init(), 0);
        // The sound thread waits for requests before the key comes.
        ASSERT_TRUE(wait_for([] { return key_sound_idle(); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        c.handler(c.key);
        ASSERT_TRUE(wait_for([] { return key_sound_idle(); }));
        sound_deinit();
        std::vector<int32_t> out = sink.samples();
        if (c.sound == none) {
            EXPECT_TRUE(out.empty());
        } else {
            ASSERT_FALSE(out.empty());
            EXPECT_EQ(out[0], (1000 * (c.sound + 1)) << 16);
        }
        sink.clear();
    }
    EXPECT_EQ(screen.load(), SCREEN_GAMES) << "B on the pop-up returns to the game list";
}

TEST_F(LibraryKeys, FailedLaunchShowsTheMessageAndStays)
{
    root.write("/mnt/mmc/GBA/a.gba", "rom");
    root.write("/mnt/mmc/GBA/b.gba", "rom");
    start("/mnt/mmc/GBA");
    ASSERT_EQ(screen.load(), SCREEN_GAMES);
    unlink(root.host("/mnt/mmc/GBA/b.gba").c_str());
    key(0x2); // Down
    testing::internal::CaptureStdout();
    key(0x10); // A on b.gba, gone since the scan
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("-- gamelist_run no file \n"), std::string::npos) << out;
    EXPECT_EQ(loop_running.load(), 1);
    EXPECT_EQ(screen.load(), SCREEN_GAMES);
    EXPECT_EQ(std::count(delays.begin(), delays.end(), 2000u), 1) << "2 seconds of message";
    EXPECT_FALSE(root.exists("/tmp/.next"));
    EXPECT_FALSE(root.exists("/tmp/gamedir.cfg"));
    // Grey (28, 28, 28) with the white text centred.
    ASSERT_EQ(fb_at_pause.size(), 640u * 480u * 2u);
    const uint16_t grey = (28 >> 3) << 11 | (28 >> 2) << 5 | (28 >> 3);
    EXPECT_EQ(fb_pixel(fb_at_pause, 640, 0, 0), grey);
    EXPECT_EQ(fb_pixel(fb_at_pause, 640, 639, 479), grey);
    int white = 0, left = 640, right = 0;
    for (int y = 220; y < 260; y++)
        for (int x = 0; x < 640; x++)
            if (fb_pixel(fb_at_pause, 640, x, y) == 0xFFFF) {
                white++;
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_GT(white, 100);
    EXPECT_NEAR((left + right) / 2, 320, 8);
}

TEST_F(LibraryKeys, StartOnFavouritesDeletesAndMovesUp)
{
    for (int i = 0; i < 10; i++)
        root.write("/mnt/mmc/NGPC/g" + std::to_string(i) + ".ngp", "rom");
    start("/mnt/mmc/NGPC");
    for (int i = 0; i < 10; i++)
        favorites_add_game(14, i, CARD_MMC);
    screen = SCREEN_FAVORITES;
    browse_cursor = {1, 0};
    key(0x100); // Start on the 10th
    EXPECT_EQ(list_count(FAVORITE_LIST), 9);
    EXPECT_EQ(browse_cursor.page, 0);
    EXPECT_EQ(browse_cursor.row, 8);
    browse_cursor = {0, 0};
    key(0x100);
    EXPECT_EQ(list_count(FAVORITE_LIST), 8);
    EXPECT_EQ(browse_cursor.row, 0) << "row 0 of page 0 stays";
    EXPECT_STREQ(list_record_at(FAVORITE_LIST, 0)->name, "g1.ngp");
    while (list_count(FAVORITE_LIST) > 0)
        key(0x100);
    EXPECT_EQ(browse_cursor.row, 0);
    key(0x20); // B
    EXPECT_EQ(screen.load(), SCREEN_ROOMS);
}

// A favourite whose place now holds another file (the folder changed since
// it was added) shows that file; Start deletes the record shown. The list
// left empty is an empty file, which the next start reads without damage.
TEST_F(LibraryKeys, StartDeletesAStaleFavouriteAndTheEmptiedListLoadsAgain)
{
    root.write("/mnt/mmc/GBA/a.gba", "rom");
    root.write("/mnt/mmc/GBA/b.gba", "rom");
    const std::string stored = "gone.gba:6:1:1:1\n";
    ASSERT_EQ(crc_seal_write(FAVORITES_FILE, stored.data(), stored.size()), 0);
    start("/mnt/data/.favorite");
    ASSERT_EQ(screen.load(), SCREEN_FAVORITES);
    ASSERT_EQ(list_count(FAVORITE_LIST), 1);
    key(0x100); // Start on the row showing b.gba
    EXPECT_EQ(list_count(FAVORITE_LIST), 0);
    EXPECT_EQ(browse_cursor.page, 0);
    EXPECT_EQ(browse_cursor.row, 0);
    EXPECT_EQ(root.read(FAVORITES_FILE), "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(list_load(FAVORITE_LIST), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(root.exists(FAVORITES_FILE)) << "taken for a damaged file";
}

// A folder game whose folder holds no game: the message, nothing written,
// and no history entry for a launch that did not happen.
TEST_F(LibraryKeys, FailedLaunchIsNotRecordedInTheHistory)
{
    root.write("/mnt/mmc/PS1/Empty Game/readme.txt", "no game here");
    start("/mnt/mmc/PS1");
    ASSERT_EQ(screen.load(), SCREEN_GAMES);
    testing::internal::CaptureStdout();
    key(0x10); // A
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("-- gamelist_run no file,ret=-1 \n"), std::string::npos) << out;
    EXPECT_EQ(std::count(delays.begin(), delays.end(), 2000u), 1) << "the invalid-file message";
    EXPECT_FALSE(root.exists("/tmp/.next"));
    EXPECT_EQ(list_count(HISTORY_LIST), 0);
    EXPECT_FALSE(root.exists(HISTORY_FILE));
}

// A name holding a line end cannot be stored in the line-based files: Start
// refuses it with sound 2, a launch records no history, and it still runs.
TEST_F(LibraryKeys, NameWithALineEndLaunchesButIsNotStored)
{
    AlsaFileSink sink(root.path() + "/alsa");
    for (int n = 0; n < 3; n++)
        root.write("/mnt/vendor/sound/" + std::to_string(n) + ".wav", wav(static_cast<int16_t>(1000 * (n + 1))));
    root.write("/mnt/mmc/GBA/new\nline.gba", "rom");
    start("/mnt/mmc/GBA");
    ASSERT_EQ(mmc_lists[6].count, 1);
    ASSERT_EQ(sound_init(), 0);
    ASSERT_TRUE(wait_for([] { return key_sound_idle(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    games_keypress(SDLK_RETURN); // Start
    ASSERT_TRUE(wait_for([] { return key_sound_idle(); }));
    sound_deinit();
    const std::vector<int32_t> played = sink.samples();
    ASSERT_FALSE(played.empty());
    EXPECT_EQ(played[0], 3000 << 16) << "the refused sound";
    EXPECT_EQ(list_count(FAVORITE_LIST), 0);
    EXPECT_FALSE(root.exists(FAVORITES_FILE));

    testing::internal::CaptureStdout();
    key(0x10); // A
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(loop_running.load(), 0) << "launched";
    EXPECT_NE(root.read("/tmp/.next").find("/mnt/mmc/GBA/new\nline.gba"), std::string::npos);
    EXPECT_EQ(list_count(HISTORY_LIST), 0);
    EXPECT_FALSE(root.exists(HISTORY_FILE));
}

TEST_F(LibraryKeys, CardPulledAndPutBackWhileItsListIsShown)
{
    const std::string mounted = "/dev/root / ext4 rw 0 0\n/dev/block/mmcblk1 /mnt/sdcard vfat rw 0 0\n";
    root.write("/dev/block/mmcblk1", "");
    root.write("/proc/mounts", mounted);
    root.write("/mnt/sdcard/GBA/tf.gba", "rom");
    root.write("/mnt/mmc/GBA/mmc.gba", "rom");
    screen_table[SCREEN_ROOMS].draw = count_draw;
    start();
    ASSERT_EQ(tf_card_state, 1);
    // Game Rooms, the external card, GBA (system 6), its list.
    key(0x10);
    ASSERT_EQ(screen.load(), SCREEN_CARD);
    key(0x10);
    for (int i = 0; i < 6; i++)
        key(0x2);
    key(0x10);
    ASSERT_EQ(screen.load(), SCREEN_GAMES);
    ASSERT_EQ(browse_card, SELECTED_EXTERNAL);
    ASSERT_EQ(tf_lists[6].count, 1);

    // Pulled out: within a check period the card is unmounted, its lists
    // freed and the browser back on the rooms; that pass draws no frame.
    unlink(root.host("/dev/block/mmcblk1").c_str());
    root.write("/proc/mounts", "/dev/root / ext4 rw 0 0\n");
    toggle_sleep(1);
    testing::internal::CaptureStdout();
    int before = draws;
    while (tf_card_state == 1 && fake_now < 5000000)
        loop_pass();
    EXPECT_EQ(draws, before) << "no frame in the pass that saw the card go";
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("--- adjust_ui_type_byTFcard,out... \n"), std::string::npos) << out;
    std::vector<std::string> cmds = root.recorded("/tmp/shell.log");
    EXPECT_NE(std::find(cmds.begin(), cmds.end(), "/system/porta/mmc.sh remove"), cmds.end());
    EXPECT_EQ(cmds.back(), "/system/porta/cpu_setting.sh  full") << "woken up";
    EXPECT_EQ(screen.load(), SCREEN_ROOMS);
    EXPECT_EQ(tf_lists[6].count, 0);
    EXPECT_FALSE(tf_lists[6].scanned);
    EXPECT_EQ(sleep_state.load(), AWAKE) << "the card change wakes the screen";
    loop_pass();
    EXPECT_EQ(draws, before + 1);

    // Back in: mounted and scanned again.
    root.write("/dev/block/mmcblk1", "");
    root.write("/proc/mounts", mounted);
    testing::internal::CaptureStdout();
    run_until(fake_now + 600);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(tf_card_state, 1);
    EXPECT_EQ(root.recorded("/tmp/shell.log").back(), "/system/porta/mmc.sh add");
    EXPECT_EQ(tf_lists[6].count, 1);
    EXPECT_EQ(mmc_lists[6].count, 1);
}

TEST_F(LibraryKeys, PreviewsAreScaledToTheOutputsBox)
{
    auto picture = [&](const std::string &dev, int w, int h, uint8_t red) {
        SDL_Surface *p = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
        SDL_FillRect(p, nullptr, SDL_MapRGB(p->format, red, 40, 40));
        root.mkdirs(dev.substr(0, dev.rfind('/')));
        ASSERT_EQ(SDL_SaveBMP(p, root.host(dev).c_str()), 0); // read by content, whatever the name
        SDL_FreeSurface(p);
    };
    root.write("/mnt/mmc/GBA/big.gba", "rom");
    root.write("/mnt/mmc/GBA/exact.gba", "rom");
    root.write("/mnt/mmc/GBA/none.gba", "rom");
    picture("/mnt/mmc/GBA/big.png", 640, 480, 200);
    picture("/mnt/mmc/GBA/exact.jpg", 240, 180, 0);
    picture(PREVIEW_DEFAULT_LCD, 230, 260, 100);
    start();
    struct {
        int index, lcd, w, h;
    } cases[] = {{0, 1, 240, 180}, {0, 0, 500, 430}, {1, 1, 240, 180}, {2, 1, 240, 180}};
    for (const auto &c : cases) {
        SDL_Surface *s = game_preview(6, CARD_MMC, c.index, c.lcd);
        ASSERT_NE(s, nullptr) << c.index;
        EXPECT_EQ(s->w, c.w);
        EXPECT_EQ(s->h, c.h);
        SDL_FreeSurface(s);
    }
    // No default picture for HDMI in this root: nothing to show.
    testing::internal::CaptureStdout();
    EXPECT_EQ(game_preview(6, CARD_MMC, 2, 0), nullptr);
    testing::internal::GetCapturedStdout();
    // The kept preview is loaded once and dropped by a cursor move.
    SDL_Surface *kept = selected_preview(1, 6, CARD_MMC, 0);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(selected_preview(1, 6, CARD_MMC, 0), kept);
    auto red_of = [](SDL_Surface *s) {
        Uint8 r, g, b, a;
        SDL_LockSurface(s);
        Uint32 px = 0;
        memcpy(&px, static_cast<Uint8 *>(s->pixels) + 10 * s->pitch + 10 * s->format->BytesPerPixel,
               s->format->BytesPerPixel);
        SDL_UnlockSurface(s);
        SDL_GetRGBA(px, s->format, &r, &g, &b, &a);
        return static_cast<int>(r);
    };
    EXPECT_GT(red_of(kept), 150);
    cursor_down(&browse_cursor, 3);
    SDL_Surface *again = selected_preview(1, 6, CARD_MMC, 1);
    ASSERT_NE(again, nullptr);
    EXPECT_LT(red_of(again), 50) << "the next entry's own picture, not the one kept before the move";
}
