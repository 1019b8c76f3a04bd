// CRC vectors and sealed files: the check of a sealed file, zero-filled files
// and files longer than one block.

#include "porta/base/sealed.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <string>

TEST(PortaCrc, KnownVectors)
{
    // Initial value 0 and no final inversion: the raw register of the
    // reflected table algorithm.
    EXPECT_EQ(crc32_update(0, "", 0), 0u);
    EXPECT_EQ(crc32_update(0, "123456789", 9), 0x2DFD2D88u);
    const uint8_t one = 0x01;
    EXPECT_EQ(crc32_update(0, &one, 1), 0x77073096u);
    const uint8_t ff[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(crc32_update(0, ff, 4), 0xDEBB20E3u);
    EXPECT_EQ(crc32_update(0, "hello", 5), 0xF032519Bu);
    // Splitting the data does not change the result.
    EXPECT_EQ(crc32_update(crc32_update(0, "12345", 5), "6789", 4), 0x2DFD2D88u);
}

TEST(PortaCrc, SealAndCheckFiles)
{
    TempRoot root;
    root.write("/mnt/data/x", "hello sealed world");
    ASSERT_EQ(crc_seal_file("/mnt/data/x"), 0);
    std::string s = root.read("/mnt/data/x");
    ASSERT_EQ(s.size(), 18u + 4u);
    EXPECT_EQ(s.substr(0, 18), "hello sealed world");
    uint32_t c = crc32_update(0, "hello sealed world", 18);
    EXPECT_EQ(static_cast<uint8_t>(s[18]), c & 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(s[21]), c >> 24);
    EXPECT_EQ(crc_check_file("/mnt/data/x"), 0);
    EXPECT_TRUE(root.exists("/mnt/data/x"));

    // Last byte changed: deleted.
    s[21] = static_cast<char>(s[21] ^ 1);
    root.write("/mnt/data/x", s);
    EXPECT_EQ(crc_check_file("/mnt/data/x"), -1);
    EXPECT_FALSE(root.exists("/mnt/data/x"));

    // 68 bytes without seal: deleted.
    root.write("/mnt/data/y", std::string(68, '\x07'));
    EXPECT_EQ(crc_check_file("/mnt/data/y"), -1);
    EXPECT_FALSE(root.exists("/mnt/data/y"));

    // Empty file: passes, kept.
    root.write("/mnt/data/z", "");
    EXPECT_EQ(crc_check_file("/mnt/data/z"), 0);
    EXPECT_TRUE(root.exists("/mnt/data/z"));

    // Missing file: refused, nothing created.
    EXPECT_EQ(crc_check_file("/mnt/data/none"), -1);
    EXPECT_FALSE(root.exists("/mnt/data/none"));
    EXPECT_EQ(crc_seal_file("/mnt/data/none"), -1);
}

TEST(PortaCrc, ZeroFilledFilesFailEveryCheck)
{
    TempRoot root;
    for (size_t len : {size_t(1), size_t(4), size_t(72), size_t(5000)}) {
        SCOPED_TRACE(len);
        root.write("/mnt/data/.favorite", std::string(len, '\0'));
        EXPECT_EQ(crc_check_file("/mnt/data/.favorite"), -1);
        EXPECT_FALSE(root.exists("/mnt/data/.favorite"));
    }
    std::string zeros_then_seal(8, '\0');
    zeros_then_seal += std::string("\x01", 1);
    ASSERT_EQ(crc_seal_write("/mnt/data/.history", zeros_then_seal.data(), zeros_then_seal.size()), 0);
    EXPECT_EQ(crc_check_file("/mnt/data/.history"), 0) << "zeros with real content stay valid";
    root.write("/mnt/data/.history", "");
    EXPECT_EQ(crc_check_file("/mnt/data/.history"), 0) << "an empty list is still valid";
}

TEST(PortaCrc, LargeFileCheckedAcrossBlocks)
{
    TempRoot root;
    root.mkdirs("/mnt/data");
    std::string big;
    for (int i = 0; i < 10000; i++)
        big += static_cast<char>(i * 7 + 3);
    ASSERT_EQ(crc_seal_write("/mnt/data/big", big.data(), big.size()), 0);
    EXPECT_EQ(root.read("/mnt/data/big").size(), big.size() + 4);
    EXPECT_EQ(crc_check_file("/mnt/data/big"), 0);
}
