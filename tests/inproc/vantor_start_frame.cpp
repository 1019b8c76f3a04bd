// The first frame after a start: it does not wait for the MAME title table
// when it shows no list, shows the titles when it does, and looks exactly as
// when the table was read before anything else. Font sizes the screen cannot
// hold fall back to the default.

#include "vantor_loop_test.h"

#include "vantor/content.h"

#include <regex>

using namespace vantor_loop;

namespace {

struct Frame {
    std::vector<Uint8> pixels;
    bool table_loaded = false;
    int state = -1;
};

std::function<void(MenuModel &)> grab(Frame *out)
{
    return [out](MenuModel &m) {
        SDL_Surface *s = SDL_GetVideoSurface();
        const Uint8 *p = static_cast<const Uint8 *>(s->pixels);
        out->pixels.assign(p, p + s->pitch * s->h);
        out->table_loaded = mame_game_name_table_loaded();
        out->state = m.state;
    };
}

class VantorStartFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.install_sample_image();
        remove_tree(root.host("/mnt/mmc/CFW/menu.flag"));
        wall_start = 1710062142; // every run shows the same clock
    }
    void TearDown() override { wall_start = 0; }

    // The first frame; `early` reads the table before the menu starts, as it was.
    Frame first_frame(bool early, const std::string &resume)
    {
        root.write("/mnt/mmc/CFW/menu.flag", resume);
        if (early) {
            char old[4096];
            EXPECT_NE(getcwd(old, sizeof(old)), nullptr);
            EXPECT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
            load_mame_game_name_table();
            EXPECT_EQ(chdir(old), 0);
        }
        Frame frame;
        run_menu(root, {grab(&frame)});
        return frame;
    }
    TempRoot root;
};

} // namespace

TEST_F(VantorStartFrame, HomeDoesNotWaitForTheMameTable)
{
    Frame lazy;
    bool read_while_idle = false;
    run_menu(root, {grab(&lazy), idle(), [&](MenuModel &) { read_while_idle = mame_game_name_table_loaded(); }});
    const Frame early = first_frame(true, "home\n0");
    EXPECT_EQ(lazy.state, STATE_HOME);
    EXPECT_FALSE(lazy.table_loaded) << "Home shows no title: its first frame does not read mame.csv";
    EXPECT_TRUE(read_while_idle) << "the table is read once the menu rests";
    EXPECT_TRUE(lazy.pixels == early.pixels) << "the first picture is unchanged";
}

TEST_F(VantorStartFrame, AResumedMameListShowsItsTitlesOnTheFirstFrame)
{
    const std::string resume = "games\n2\n/mnt/SDCARD/Roms/MAME";
    const Frame lazy = first_frame(false, resume);
    const Frame early = first_frame(true, resume);
    remove_tree(root.host("/mnt/mmc/CFW/config/mame.csv"));
    const Frame untitled = first_frame(false, resume);
    EXPECT_EQ(lazy.state, STATE_GAMES);
    EXPECT_TRUE(lazy.table_loaded);
    EXPECT_TRUE(lazy.pixels == early.pixels) << "same titles, same picture";
    EXPECT_FALSE(lazy.pixels == untitled.pixels) << "the rows show titles, not file names";
}

TEST_F(VantorStartFrame, FontSizesTheScreenCannotHoldFallBackToTheDefault)
{
    const std::string english = root.read("/mnt/mmc/CFW/lang/English.json");
    auto with_sizes = [&](const std::string &main, const std::string &guide) {
        std::string text =
            std::regex_replace(english, std::regex("\"font-size\": \"[0-9]+\""), "\"font-size\": \"" + main + "\"");
        text = std::regex_replace(text, std::regex("\"button-guide-font-size\": \"[0-9]+\""),
                                  "\"button-guide-font-size\": \"" + guide + "\"");
        ASSERT_NE(text.find(main), std::string::npos);
        root.write("/mnt/mmc/CFW/lang/English.json", text);
    };
    Frame huge, defaults, sample;
    with_sizes("3000", "-4");
    run_menu(root, {grab(&huge)});
    with_sizes("28", "28");
    run_menu(root, {grab(&defaults)});
    root.write("/mnt/mmc/CFW/lang/English.json", english);
    run_menu(root, {grab(&sample)});
    EXPECT_TRUE(huge.pixels == defaults.pixels) << "3000 and -4 points give the default 28";
    EXPECT_FALSE(sample.pixels == defaults.pixels) << "the sample's own sizes are used";
}
