// Framebuffers on a development host: plain files sized to one frame, page
// flipping with one and two frames, presenting, clearing, closing.

#include "porta/device/fb.h"
#include "porta/device/hardware.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

void fill_surface(SDL_Surface *s, uint16_t pixel)
{
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; y++) {
        uint16_t *row = reinterpret_cast<uint16_t *>(static_cast<uint8_t *>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; x++)
            row[x] = pixel;
    }
    SDL_UnlockSurface(s);
}

struct FbRoot {
    TempRoot root;
    FbRoot()
    {
        root.write("/dev/fb0", "");
        root.write("/dev/fb1", "");
        root.write(BACKLIGHT_PATH, "400\n");
    }
    ~FbRoot() { fb_close_all(); }
};

} // namespace

TEST(PortaFb, PlainFilesGiveOneFrameOfTheRequestedSize)
{
    FbRoot r;
    r.root.write(HDMI_STATE_PATH, "0\n");
    ASSERT_EQ(fb_init(), 0);
    EXPECT_EQ(output_device, 0);
    EXPECT_EQ(fbm[0].buffers, 1);
    EXPECT_EQ(fbm[0].frame_size, 640u * 480u * 2u);
    EXPECT_EQ(fbm[1].frame_size, 1280u * 720u * 2u);
    EXPECT_EQ(fbm[1].var.yres_virtual, 720u);
    struct stat st;
    ASSERT_EQ(stat(r.root.host("/dev/fb0").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 640 * 480 * 2);
    ASSERT_EQ(stat(r.root.host("/dev/fb1").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 1280 * 720 * 2);
    EXPECT_EQ(r.root.read(BACKLIGHT_PATH), "400\n") << "LCD output leaves the backlight";
}

TEST(PortaFb, HdmiAtStartChoosesHdmiAndSwitchesBacklightOff)
{
    FbRoot r;
    r.root.write(HDMI_STATE_PATH, "1\n");
    ASSERT_EQ(fb_init(), 0);
    EXPECT_EQ(output_device, 1);
    EXPECT_EQ(r.root.read(BACKLIGHT_PATH), "0\n");
    output_device = 0;
}

TEST(PortaFb, MissingNodeFailsWithMessage)
{
    TempRoot root;
    testing::internal::CaptureStdout();
    EXPECT_EQ(fb_init(), -1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Open framebuffer 0 error!\ninit lcd fb err ");
    root.write("/dev/fb0", "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(fb_init(), -1);
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Open framebuffer 1 error!\ninit hdmi fb err ");
    EXPECT_EQ(fbm[1].fd, 0) << "a failed slot is closed";
    fb_close_all();
}

TEST(PortaFb, PresentWritesTheFrameAndCloseClearsIt)
{
    FbRoot r;
    ASSERT_EQ(fb_init(), 0);
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_NE(s, nullptr);
    fill_surface(s, 0xF800);
    fb_present(0, s);
    std::string f = r.root.read("/dev/fb0");
    ASSERT_EQ(f.size(), 640u * 480u * 2u);
    EXPECT_EQ(static_cast<uint8_t>(f[0]), 0x00);
    EXPECT_EQ(static_cast<uint8_t>(f[1]), 0xF8) << "little-endian RGB565 red";
    EXPECT_EQ(static_cast<uint8_t>(f[f.size() - 1]), 0xF8);
    EXPECT_EQ(fbm[0].var.yoffset, 0u) << "one frame: the offset stays 0";
    fb_close(0);
    f = r.root.read("/dev/fb0");
    EXPECT_EQ(f, std::string(640 * 480 * 2, '\0')) << "closing clears to black";
    EXPECT_EQ(fbm[0].fd, 0);
    EXPECT_EQ(fbm[0].map, nullptr);
    SDL_FreeSurface(s);
}

TEST(PortaFb, NextFrameWithOneAndTwoFrames)
{
    FbDev saved = fbm[0];
    fbm[0].fd = 99; // marked open; nothing is read or written through it
    fbm[0].var.yres = 480;
    fbm[0].var.yoffset = 0;
    fbm[0].buffers = 1;
    for (int i = 0; i < 3; i++) {
        fb_next(0);
        EXPECT_EQ(fbm[0].var.yoffset, 0u);
    }
    fbm[0].buffers = 2;
    fb_next(0);
    EXPECT_EQ(fbm[0].var.yoffset, 480u);
    fb_next(0);
    EXPECT_EQ(fbm[0].var.yoffset, 0u);
    fbm[0].buffers = 3;
    fbm[0].var.yoffset = 960;
    fb_next(0);
    EXPECT_EQ(fbm[0].var.yoffset, 0u) << "wraps after the last frame";
    fbm[0].fd = 0;
    fbm[0].var.yoffset = 480;
    fb_next(0);
    EXPECT_EQ(fbm[0].var.yoffset, 480u) << "a closed slot is left alone";
    fbm[0] = saved;
}

TEST(PortaFb, PresentOfSmallerSurfaceCopiesRowByRow)
{
    FbRoot r;
    ASSERT_EQ(fb_init(), 0);
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 1280, 720, 16, 0xF800, 0x07E0, 0x001F, 0);
    fill_surface(s, 0x001F);
    fb_present(1, s);
    std::string f = r.root.read("/dev/fb1");
    ASSERT_EQ(f.size(), 1280u * 720u * 2u);
    EXPECT_EQ(static_cast<uint8_t>(f[0]), 0x1F);
    SDL_FreeSurface(s);
    // A wrong-sized surface never writes past the frame.
    SDL_Surface *small = SDL_CreateRGBSurface(SDL_SWSURFACE, 100, 10, 16, 0xF800, 0x07E0, 0x001F, 0);
    fill_surface(small, 0x07E0);
    fb_present(1, small);
    f = r.root.read("/dev/fb1");
    EXPECT_EQ(static_cast<uint8_t>(f[1]), 0x07);
    EXPECT_EQ(static_cast<uint8_t>(f[200]), 0x1F) << "beyond the small surface's row the old frame stays";
    SDL_FreeSurface(small);
}
