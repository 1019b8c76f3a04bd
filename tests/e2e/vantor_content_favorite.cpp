// The built front end on the sample device image under Xvfb, driven with real
// key presses: 'y' on a game adds it to RetroArch's favourites (and the row
// turns the favourite colour), 'y' in Favorites removes it again, and the
// playlist stays JSON that RetroArch can read.

#include "test_root.h"
#include "x11_harness.h"
#include "vantor/content.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const char FAV[] = "/mnt/mmc/CFW/retroarch/.retroarch/content_favorites.lpl";

class VantorFavoriteE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.install_sample_image();
        ASSERT_TRUE(x.ok());
    }

    // Runs the menu, types the keys, takes a screenshot after each group and
    // closes the window. Returns the exit status.
    int run(const std::string &name, const std::vector<std::vector<std::string>> &groups,
            std::vector<std::string> &shots)
    {
        const pid_t pid = start_program(
            std::string(BIN_DIR) + "/vantor", {},
            {"DEVICE_ROOT=" + root.path(), "DISPLAY=" + x.display(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy"},
            root.host("/mnt/mmc/CFW"), root.path() + "/vantor.out");
        EXPECT_GT(pid, 0);
        const std::string win = find_window(x.display(), "vantor");
        EXPECT_FALSE(win.empty());
        if (win.empty()) {
            wait_program(pid, 100);
            return -1;
        }
        usleep(500 * 1000);
        shots.clear();
        for (const auto &g : groups) {
            EXPECT_TRUE(send_keys(x.display(), win, g, 150));
            usleep(700 * 1000);
            const std::string png = root.path() + "/" + name + std::to_string(shots.size()) + ".png";
            EXPECT_TRUE(screenshot(x.display(), png));
            shots.push_back(png);
        }
        close_window(x.display(), win);
        return wait_program(pid, 10000);
    }

    // Pixels of the screenshot close to a colour.
    long pixels_near(const std::string &png, const std::string &colour)
    {
        const std::string out = root.path() + "/count.txt";
        host_system("convert '" + png + "' -fuzz 7% -fill black +opaque '" + colour + "' -fill white -opaque '" +
                    colour + "' -format '%[fx:round(mean*w*h)]' info: > '" + out + "'");
        return atol(root.read("/count.txt").c_str());
    }

    bool valid_json(const std::string &device_file_path)
    {
        return host_system("python3 -c 'import json,sys; json.load(open(sys.argv[1], encoding=\"utf-8\"))' '" +
                           root.host(device_file_path) + "'") == 0;
    }

    // The first game of the first Consoles folder, as the menu lists them.
    std::string first_game()
    {
        char old[PATH_MAX];
        if (!getcwd(old, sizeof(old)) || chdir(root.host("/mnt/mmc/CFW").c_str()) != 0)
            return "";
        ItemList folders = nullptr, files = nullptr;
        const int nf = get_folders(&folders);
        std::string first;
        if (nf > 0) {
            const int n = get_files(folders[0], &files);
            if (n > 0)
                first = files[0];
            destroy_items(n, &files);
        }
        destroy_items(nf, &folders);
        if (chdir(old) != 0)
            return "";
        return first;
    }

    TempRoot root;
    XServer x;
};

} // namespace

TEST_F(VantorFavoriteE2E, YAddsTheGameAndYInFavoritesRemovesIt)
{
    const std::string before = root.read(FAV);
    const std::string game = first_game();
    ASSERT_FALSE(game.empty());
    const std::string entry = "    {\n      \"path\": \"" + game + "\"\n    },\n";
    ASSERT_EQ(before.find("\"path\": \"" + game + "\""), std::string::npos);

    // Home -> Consoles (third entry) -> the first folder -> 'y' on its first game.
    std::vector<std::string> shots;
    EXPECT_EQ(run("add", {{"Right", "Right", "Return", "Return"}, {"y"}}, shots), 0) << root.read("/vantor.out");
    ASSERT_EQ(shots.size(), 2u);
    const std::string after = root.read(FAV);
    const size_t items = after.find("  \"items\": [\n");
    ASSERT_NE(items, std::string::npos);
    EXPECT_EQ(after.compare(items + 13, entry.size(), entry), 0) << after.substr(0, 600);
    EXPECT_EQ(after.substr(0, items + 13) + after.substr(items + 13 + entry.size()), before);
    EXPECT_TRUE(valid_json(FAV));
    // The selected row is drawn in the skin's favourite colour once it is one.
    const long pink_before = pixels_near(shots[0], "#ff7096");
    const long pink_after = pixels_near(shots[1], "#ff7096");
    EXPECT_GT(pink_after, pink_before + 100) << pink_before << " -> " << pink_after;
    // Closing the window is no launch and leaves no resume file.
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/retroarch/command.sh"));
    EXPECT_FALSE(root.exists("/mnt/mmc/CFW/menu.flag"));

    // The favourites list is sorted by file name; find the new entry's row by
    // the same rule and remove it there with 'y'.
    char old[PATH_MAX];
    ASSERT_NE(getcwd(old, sizeof(old)), nullptr);
    ASSERT_EQ(chdir(root.host("/mnt/mmc/CFW").c_str()), 0);
    ItemList favs = nullptr;
    const int n = get_favorites(&favs);
    int row = -1;
    for (int i = 0; i < n; i++)
        if (game == favs[i])
            row = i;
    destroy_items(n, &favs);
    ASSERT_EQ(chdir(old), 0);
    ASSERT_GE(row, 0);
    std::vector<std::string> keys = {"Right", "Return"};
    for (int i = 0; i < row; i++)
        keys.push_back("Down");
    EXPECT_EQ(run("remove", {keys, {"y"}}, shots), 0) << root.read("/vantor.out");
    EXPECT_EQ(root.read(FAV), before);
    EXPECT_TRUE(valid_json(FAV));
}
