// The first frame after a start: it does not wait for the MAME title table
// when it shows no list, shows the titles when it does, and looks exactly as
// when the table was read before anything else. Font sizes the screen cannot
// hold fall back to the default.

#include "vantor_spine_support.h"

#include "vantor/content.h"

#include <regex>

using namespace spine;

namespace {

struct Frame {
    std::vector<Uint8> pixels;
    bool tableLoaded = false;
    int state = -1;
};

std::function<void(MenuModel &)> grab(Frame *out)
{
    return [out](MenuModel &m) {
        SDL_Surface *s = SDL_GetVideoSurface();
        const Uint8 *p = static_cast<const Uint8 *>(s->pixels);
        out->pixels.assign(p, p + s->pitch * s->h);
        out->tableLoaded = mameGameNameTableLoaded();
        out->state = m.state;
    };
}

class VantorStartFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.install_sample_image();
        remove_tree(root.host("/mnt/mmc/CFW/menu.flag"));
        wallStart = 1710062142; // every run shows the same clock
    }
    void TearDown() override { wallStart = 0; }

    // The first frame; `early` reads the table before the menu starts, as it was.
    Frame firstFrame(bool early, const std::string &resume)
    {
        root.write("/mnt/mmc/CFW/menu.flag", resume);
        if (early) {
            char old[4096];
            EXPECT_NE(getcwd(old, sizeof(old)), nullptr);
            EXPECT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
            loadMameGameNameTable();
            EXPECT_EQ(chdir(old), 0);
        }
        Frame frame;
        runMenu(root, {grab(&frame)});
        return frame;
    }
    TempRoot root;
};

} // namespace

TEST_F(VantorStartFrame, HomeDoesNotWaitForTheMameTable)
{
    Frame lazy;
    bool readWhileIdle = false;
    runMenu(root, {grab(&lazy), idle(), [&](MenuModel &) { readWhileIdle = mameGameNameTableLoaded(); }});
    const Frame early = firstFrame(true, "home\n0");
    EXPECT_EQ(lazy.state, Home);
    EXPECT_FALSE(lazy.tableLoaded) << "Home shows no title: its first frame does not read mame.csv";
    EXPECT_TRUE(readWhileIdle) << "the table is read once the menu rests";
    EXPECT_TRUE(lazy.pixels == early.pixels) << "the first picture is unchanged";
}

TEST_F(VantorStartFrame, AResumedMameListShowsItsTitlesOnTheFirstFrame)
{
    const std::string resume = "games\n2\n/mnt/SDCARD/Roms/MAME";
    const Frame lazy = firstFrame(false, resume);
    const Frame early = firstFrame(true, resume);
    remove_tree(root.host("/mnt/mmc/CFW/config/mame.csv"));
    const Frame untitled = firstFrame(false, resume);
    EXPECT_EQ(lazy.state, Games);
    EXPECT_TRUE(lazy.tableLoaded);
    EXPECT_TRUE(lazy.pixels == early.pixels) << "same titles, same picture";
    EXPECT_FALSE(lazy.pixels == untitled.pixels) << "the rows show titles, not file names";
}

TEST_F(VantorStartFrame, FontSizesTheScreenCannotHoldFallBackToTheDefault)
{
    const std::string english = root.read("/mnt/mmc/CFW/lang/English.json");
    auto withSizes = [&](const std::string &main, const std::string &guide) {
        std::string text =
            std::regex_replace(english, std::regex("\"font-size\": \"[0-9]+\""), "\"font-size\": \"" + main + "\"");
        text = std::regex_replace(text, std::regex("\"button-guide-font-size\": \"[0-9]+\""),
                                  "\"button-guide-font-size\": \"" + guide + "\"");
        ASSERT_NE(text.find(main), std::string::npos);
        root.write("/mnt/mmc/CFW/lang/English.json", text);
    };
    Frame huge, defaults, sample;
    withSizes("3000", "-4");
    runMenu(root, {grab(&huge)});
    withSizes("28", "28");
    runMenu(root, {grab(&defaults)});
    root.write("/mnt/mmc/CFW/lang/English.json", english);
    runMenu(root, {grab(&sample)});
    EXPECT_TRUE(huge.pixels == defaults.pixels) << "3000 and -4 points give the default 28";
    EXPECT_FALSE(sample.pixels == defaults.pixels) << "the sample's own sizes are used";
}
