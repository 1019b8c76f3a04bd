// The whole-program harness itself: a private X server comes up, screenshots
// are real PNG pictures of its screen, and the framebuffer converter turns an
// RGB565 dump into the picture it holds.

#include "test_root.h"
#include "x11_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>

namespace {

uint32_t be32(const std::string &s, size_t at)
{
    return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
           (uint32_t(uint8_t(s[at + 2])) << 8) | uint32_t(uint8_t(s[at + 3]));
}

} // namespace

TEST(Harness, XvfbStartsAndScreenshotsArePngOfTheScreenSize)
{
    TempRoot root;
    XServer x(640, 480);
    ASSERT_TRUE(x.ok());
    const std::string png = root.path() + "/shot.png";
    ASSERT_TRUE(screenshot(x.display(), png));
    std::string data = slurp(png);
    ASSERT_GT(data.size(), 24u);
    EXPECT_EQ(data.substr(1, 3), "PNG");
    EXPECT_EQ(be32(data, 16), 640u);
    EXPECT_EQ(be32(data, 20), 480u);
}

TEST(Harness, ProgramsRunWithATimeLimit)
{
    TempRoot root;
    pid_t p = start_program("/bin/sh", {"-c", "exit 7"}, {}, root.path());
    EXPECT_EQ(wait_program(p, 5000), 7);
    p = start_program("/bin/sh", {"-c", "sleep 30"}, {}, root.path());
    EXPECT_EQ(wait_program(p, 200), -1);
    p = start_program("/bin/sh", {"-c", "echo \"$VAR\" > out"}, {"VAR=hello there"}, root.path());
    EXPECT_EQ(wait_program(p, 5000), 0);
    EXPECT_EQ(root.read("/out"), "hello there\n");
}

TEST(Harness, Fb2pngConvertsRgb565Frames)
{
    TempRoot root;
    // 640x480: top half pure red (0xF800), bottom half pure blue (0x001F).
    std::string fb;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) {
            uint16_t px = y < 240 ? 0xF800 : 0x001F;
            fb += char(px & 0xFF);
            fb += char(px >> 8);
        }
    root.write("/dev/fb0", fb);
    const std::string png = root.path() + "/fb0.png";
    ASSERT_EQ(host_system(std::string(BIN_DIR) + "/fb2png '" + root.host("/dev/fb0") + "' '" + png + "'"), 0);
    // ImageMagick reads it back: the pixel colours survive the conversion.
    ASSERT_EQ(host_system("convert '" + png + "' -crop 1x1+10+10 txt:- > '" + root.path() + "/top.txt'"), 0);
    ASSERT_EQ(host_system("convert '" + png + "' -crop 1x1+10+400 txt:- > '" + root.path() + "/bottom.txt'"), 0);
    EXPECT_NE(root.read("/top.txt").find("#FF0000"), std::string::npos) << root.read("/top.txt");
    EXPECT_NE(root.read("/bottom.txt").find("#0000FF"), std::string::npos) << root.read("/bottom.txt");
    // A file shorter than a frame is refused with a message, not misread.
    root.write("/dev/fb1", std::string(100, '\0'));
    EXPECT_NE(host_system(std::string(BIN_DIR) + "/fb2png '" + root.host("/dev/fb1") + "' '" + png + "' 2>/dev/null"),
              0);
}

TEST(Harness, InstallPutsBothProgramsIntoStagingBin)
{
    TempRoot root;
    const std::string staging = root.path() + "/staging";
    ASSERT_EQ(host_system("cmake --install '" + std::string(BIN_DIR) + "/..' --prefix '" + staging + "' >/dev/null"),
              0);
    EXPECT_TRUE(root.exists("/staging/bin/vantor"));
    EXPECT_TRUE(root.exists("/staging/bin/porta"));
    EXPECT_FALSE(root.exists("/staging/bin/fb2png"));
}
