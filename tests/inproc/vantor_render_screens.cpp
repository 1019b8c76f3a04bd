// Every screen drawn by the real loop from the sample device image: the
// pixels at the places the layout gives come from the right skin images.
// With VANTOR_SCREENSHOT_DIR set, PNG screenshots of each screen are kept.

#include "vantor_loop_test.h"

#include <cstdlib>

#include <SDL/SDL_image.h>

using namespace vantor_loop;

namespace {

// The screen pixel at (x, y) as RGB.
SDL_Color screen_pixel(int x, int y)
{
    SDL_Surface *s = SDL_GetVideoSurface();
    SDL_LockSurface(s);
    Uint16 p = static_cast<Uint16 *>(s->pixels)[y * s->pitch / 2 + x];
    SDL_UnlockSurface(s);
    SDL_Color c;
    SDL_GetRGB(p, s->format, &c.r, &c.g, &c.b);
    return c;
}

// The pixel of a skin image as it would land on a 16-bit screen.
SDL_Color image_pixel(const std::string &file, int x, int y)
{
    SDL_Surface *img = IMG_Load(file.c_str());
    SDL_Color c = {0, 0, 0, 0};
    if (!img)
        return c;
    SDL_Surface *conv = SDL_ConvertSurface(img, SDL_GetVideoSurface()->format, 0);
    SDL_LockSurface(conv);
    Uint16 p = static_cast<Uint16 *>(conv->pixels)[y * conv->pitch / 2 + x];
    SDL_UnlockSurface(conv);
    SDL_GetRGB(p, conv->format, &c.r, &c.g, &c.b);
    SDL_FreeSurface(conv);
    SDL_FreeSurface(img);
    return c;
}

bool near(SDL_Color a, SDL_Color b)
{
    return std::abs(a.r - b.r) <= 8 && std::abs(a.g - b.g) <= 8 && std::abs(a.b - b.b) <= 8;
}

std::function<void(MenuModel &)> shot(const TempRoot &root, const std::string &name)
{
    return [&root, name](MenuModel &) {
        const char *dir = getenv("VANTOR_SCREENSHOT_DIR");
        if (!dir)
            return;
        const std::string bmp = root.path() + "/" + name + ".bmp";
        SDL_SaveBMP(SDL_GetVideoSurface(), bmp.c_str());
        host_system("convert '" + bmp + "' '" + dir + "/" + name + ".png'");
    };
}

TEST(RenderScreens, EveryScreenOfTheSampleImage)
{
    TempRoot root;
    root.install_sample_image();
    remove_tree(root.host("/mnt/mmc/CFW/menu.flag"));
    root.install_recording_shell("/bin/sh", "/tmp/commands.log");
    const std::string skin = root.host("/mnt/mmc/CFW/skin/");
    Snapshot home, consoles, games, favorites, recent, settings;
    bool home_icons = false, consoles_tile = false;
    run_menu(root, {
                       idle(),
                       take(&home),
                       [&](MenuModel &) {
                           // Entry 0 is focused, entry 1 is not: compare the middle of each icon.
                           SDL_Surface *f = IMG_Load((skin + "ic-recent-f.png").c_str());
                           SDL_Surface *n = IMG_Load((skin + "ic-favorite-n.png").c_str());
                           ASSERT_TRUE(f && n);
                           const int total = 4 * f->w; // the sample's icons share one size
                           const int x0 = (640 - total) / 2, y = (480 - f->h) / 2;
                           home_icons = near(screen_pixel(x0 + f->w / 2, y + 10),
                                             image_pixel(skin + "ic-recent-f.png", f->w / 2, 10)) &&
                                        near(screen_pixel(x0 + f->w + n->w / 2, y + 10),
                                             image_pixel(skin + "ic-favorite-n.png", n->w / 2, 10));
                           SDL_FreeSurface(f);
                           SDL_FreeSurface(n);
                       },
                       shot(root, "home"),
                       keys({'d', 'd', 'a'}),
                       take(&consoles),
                       [&](MenuModel &) {
                           SDL_Surface *f = IMG_Load((skin + "ic-system-f.png").c_str());
                           ASSERT_TRUE(f);
                           const int x = (640 - 4 * f->w) / 2, y = (480 - 2 * f->h) / 2;
                           consoles_tile = near(screen_pixel(x + 12, y + f->h - 12),
                                                image_pixel(skin + "ic-system-f.png", 12, f->h - 12));
                           SDL_FreeSurface(f);
                       },
                       shot(root, "consoles"),
                       keys({'a'}),
                       take(&games),
                       idle(),
                       shot(root, "games"),
                       keys({'b', 'b', 'q', 'a'}),
                       take(&favorites),
                       idle(),
                       shot(root, "favorites"),
                       keys({'b', 'q', 'a'}),
                       take(&recent),
                       shot(root, "recent"),
                       keys({'b', 'm'}),
                       take(&settings),
                       shot(root, "settings"),
                       keys({'b'}),
                   });
    EXPECT_EQ(home.state, STATE_HOME);
    EXPECT_TRUE(home_icons) << "Home icons at their places";
    EXPECT_EQ(consoles.state, STATE_CONSOLES);
    EXPECT_GT(consoles.item_count, 0) << "the sample image names its system folders";
    EXPECT_TRUE(consoles_tile) << "the focused tile in the first cell";
    EXPECT_EQ(games.state, STATE_GAMES);
    EXPECT_GT(games.item_count, 0);
    EXPECT_EQ(favorites.state, STATE_FAVORITES);
    EXPECT_EQ(recent.state, STATE_RECENT);
    EXPECT_EQ(settings.state, STATE_SETTINGS);
}

} // namespace
