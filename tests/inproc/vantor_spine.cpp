// The front end's real main loop driven in-process: resume file, screens and
// transitions, joystick translation, auto-repeat, Menu button, Consoles paging
// and the letter jump.

#include "vantor_spine_support.h"

#include <fstream>

#include "vantor/hardware.h"

using namespace spine;

namespace {

const char *mapping = "{\n  \"GBA\": \"mgba_libretro.so\",\n  \"NES\": \"fceumm_libretro.so\",\n"
                      "  \"SNES\": \"snes9x_libretro.so\"\n}\n";

// n files in /mnt/mmc/Roms/<system>, named "Game NN.ext"; returns their paths.
std::vector<std::string> makeGames(const TempRoot &root, const std::string &system, int n,
                                   const std::string &ext = ".gba")
{
    std::vector<std::string> paths;
    for (int i = 0; i < n; i++) {
        char name[64];
        snprintf(name, sizeof(name), "Game %02d%s", i, ext.c_str());
        std::string p = "/mnt/mmc/Roms/" + system + "/" + name;
        root.write(p, "rom");
        paths.push_back(p);
    }
    return paths;
}

class Spine : public ::testing::Test {
protected:
    void SetUp() override
    {
        baseRoot(root);
        root.write("/mnt/mmc/CFW/config/coremapping.json", mapping);
    }
    TempRoot root;
};

TEST_F(Spine, StartsOnHomeAndSavesAScreenshot)
{
    Snapshot s;
    const std::string bmp = root.path() + "/home.bmp";
    int rc = runMenu(root, {idle(), take(&s), [&](MenuModel &) { SDL_SaveBMP(SDL_GetVideoSurface(), bmp.c_str()); }});
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(s.state, Home);
    EXPECT_EQ(s.column, 0);
    EXPECT_EQ(s.maxColumn, 3);
    EXPECT_TRUE(s.hasTitle);
    if (getenv("VANTOR_SCREENSHOT_DIR"))
        host_system("convert '" + bmp + "' '" + getenv("VANTOR_SCREENSHOT_DIR") + "/home.png'");
}

} // namespace
