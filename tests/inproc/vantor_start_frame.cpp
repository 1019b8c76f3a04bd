// The first frame after a start: it does not wait for the MAME title table
// when it shows no list, shows the titles when it does, and looks exactly as
// it did when the table was read before anything else. Sizes a language file
// gets wrong do not reach the fonts.

#include "vantor_spine_support.h"

#include "vantor/content.h"

using namespace spine;

namespace {

struct Frame {
    std::vector<Uint8> pixels;
    bool tableLoaded = false;
    int state = -1;
    int itemCount = 0;
};

std::function<void(MenuModel &)> grab(Frame *out)
{
    return [out](MenuModel &m) {
        SDL_Surface *s = SDL_GetVideoSurface();
        SDL_LockSurface(s);
        const Uint8 *p = static_cast<const Uint8 *>(s->pixels);
        out->pixels.assign(p, p + s->pitch * s->h);
        SDL_UnlockSurface(s);
        out->tableLoaded = mameGameNameTableLoaded();
        out->state = m.state;
        out->itemCount = m.itemCount;
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

    // The first frame of a start, with the table read the way it was before
    // anything else (`early`) or left to the menu.
    Frame firstFrame(bool early, const std::string &resume = std::string())
    {
        if (!resume.empty())
            root.write("/mnt/mmc/CFW/menu.flag", resume);
        if (early) {
            // Read before the menu starts, as it was.
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
    Frame lazy, early;
    bool readWhileIdle = false;
    runMenu(root, {grab(&lazy), idle(), [&](MenuModel &) { readWhileIdle = mameGameNameTableLoaded(); }});
    early = firstFrame(true);
    EXPECT_EQ(lazy.state, Home);
    EXPECT_FALSE(lazy.tableLoaded) << "Home shows no title: the first frame does not read mame.csv";
    EXPECT_TRUE(readWhileIdle) << "the table is read once the menu rests";
    ASSERT_EQ(lazy.pixels.size(), early.pixels.size());
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
    EXPECT_GT(lazy.itemCount, 2);
    EXPECT_TRUE(lazy.tableLoaded);
    EXPECT_TRUE(lazy.pixels == early.pixels) << "same titles, same picture";
    EXPECT_FALSE(lazy.pixels == untitled.pixels) << "the rows show titles, not file names";
}

TEST_F(VantorStartFrame, FontSizesTheScreenCannotHoldFallBackToTheDefault)
{
    const std::string english = root.read("/mnt/mmc/CFW/lang/English.json");
    auto withSizes = [&](const std::string &main, const std::string &guide) {
        std::string text = english;
        const std::string fontKey = "\"font-size\": \"";
        const std::string guideKey = "\"button-guide-font-size\": \"";
        size_t at = text.find(guideKey);
        text.replace(at + guideKey.size(), text.find('"', at + guideKey.size()) - at - guideKey.size(), guide);
        at = text.find(fontKey);
        text.replace(at + fontKey.size(), text.find('"', at + fontKey.size()) - at - fontKey.size(), main);
        root.write("/mnt/mmc/CFW/lang/English.json", text);
    };
    ASSERT_NE(english.find("\"font-size\": \""), std::string::npos);
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
