// The attribute record and its sealed file: stored form, defaults, the checks
// that replace a damaged file, and the save-on-exit rule.

#include "porta/base/attr.h"
#include "porta/base/sealed.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

uint32_t le32(const std::string &s, size_t at)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}

std::string sealed(const std::string &data)
{
    uint32_t c = crc32_update(0, data.data(), data.size());
    std::string out = data;
    for (int i = 0; i < 4; i++)
        out += static_cast<char>((c >> (8 * i)) & 0xFF);
    return out;
}

std::string record_bytes(const GlobalAttr &a)
{
    uint8_t buf[ATTR_RECORD_SIZE];
    attr_encode(&a, buf);
    return std::string(reinterpret_cast<char *>(buf), sizeof(buf));
}

// Field values in stored order, as the file holds them.
const int32_t kDefaults[17] = {0, 0, 0, 0, 3, 0, 1, 10, 1, 0, 2, 0, 0, 0, 1, 0, 1};

void expect_default_file(const TempRoot &root)
{
    std::string f = root.read(ATTR_FILE);
    ASSERT_EQ(f.size(), 72u);
    for (int i = 0; i < 17; i++)
        EXPECT_EQ(static_cast<int32_t>(le32(f, i * 4)), kDefaults[i]) << "field " << i;
    EXPECT_EQ(le32(f, 68), crc32_update(0, f.data(), 68));
    EXPECT_EQ(crc32_update(0, f.data(), f.size()), 0u) << "a sealed file checks to 0";
}

} // namespace

TEST(PortaAttr, StoredFormIsLittleEndianInFieldOrder)
{
    GlobalAttr a;
    attr_set_defaults(&a);
    a.sd_wallpaper = 0x01020304;
    a.reserved_e = -2;
    std::string b = record_bytes(a);
    ASSERT_EQ(b.size(), 68u);
    EXPECT_EQ(b.substr(0, 4), std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(b.substr(64, 4), std::string("\xfe\xff\xff\xff", 4));
    EXPECT_EQ(le32(b, 16), 3u) << "brightness at byte 16";
    EXPECT_EQ(le32(b, 28), 10u) << "volume at byte 28";
    GlobalAttr back;
    attr_decode(reinterpret_cast<const uint8_t *>(b.data()), &back);
    EXPECT_EQ(0, memcmp(&a, &back, sizeof(a)));
}

TEST(PortaAttr, EmptyDataFolderCreatesSealedDefaults)
{
    TempRoot root;
    root.mkdirs("/mnt/data/porta");
    memset(&global_attr, 0x55, sizeof(global_attr));
    EXPECT_EQ(load_global_attr(), 1);
    expect_default_file(root);
    EXPECT_EQ(global_attr.brightness, 3);
    EXPECT_EQ(global_attr.volume, 10);
    EXPECT_EQ(global_attr.local_pads, 1);
}

TEST(PortaAttr, IntactSealedFileLoadsAsStored)
{
    TempRoot root;
    GlobalAttr a;
    attr_set_defaults(&a);
    a.language = 2;
    a.volume = 4;
    a.theme = 7;
    a.reserved_b = 12345;
    const std::string file = sealed(record_bytes(a));
    ASSERT_EQ(file.size(), 72u);
    root.write(ATTR_FILE, file);
    EXPECT_EQ(load_global_attr(), 0);
    EXPECT_EQ(global_attr.language, 2);
    EXPECT_EQ(global_attr.volume, 4);
    EXPECT_EQ(global_attr.theme, 7);
    EXPECT_EQ(global_attr.reserved_b, 12345);
    EXPECT_EQ(root.read(ATTR_FILE), file) << "a good file is left as it is";
}

TEST(PortaAttr, DamagedOrUnsealedOrEmptyFilesGiveDefaults)
{
    GlobalAttr a;
    attr_set_defaults(&a);
    a.volume = 2;
    a.language = 5;
    std::string good = sealed(record_bytes(a));
    for (size_t i : {size_t(0), size_t(30), size_t(67), size_t(71)}) {
        SCOPED_TRACE("changed byte " + std::to_string(i));
        TempRoot root;
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ 0x10);
        root.write(ATTR_FILE, bad);
        EXPECT_EQ(load_global_attr(), 1);
        EXPECT_EQ(global_attr.volume, 10);
        EXPECT_EQ(global_attr.language, 0);
        expect_default_file(root);
    }
    {
        SCOPED_TRACE("68 bytes without seal");
        TempRoot root;
        root.write(ATTR_FILE, record_bytes(a));
        EXPECT_EQ(load_global_attr(), 1);
        expect_default_file(root);
    }
    {
        SCOPED_TRACE("empty file");
        TempRoot root;
        root.write(ATTR_FILE, "");
        EXPECT_EQ(load_global_attr(), 1);
        EXPECT_EQ(global_attr.volume, 10);
        expect_default_file(root);
    }
}

TEST(PortaAttr, ZeroFilledFileIsALostWriteNotARecord)
{
    // A power cut on FAT leaves the file's length with zeros in it; the CRC of
    // zeros is zero, so the seal alone would take local_pads 0 and volume 0.
    for (size_t len : {size_t(72), size_t(68), size_t(4096)}) {
        SCOPED_TRACE(len);
        TempRoot root;
        root.write(ATTR_FILE, std::string(len, '\0'));
        EXPECT_EQ(load_global_attr(), 1);
        EXPECT_EQ(global_attr.local_pads, 1) << "the keypad stays usable";
        EXPECT_EQ(global_attr.volume, 10);
        expect_default_file(root);
    }
}

TEST(PortaAttr, StoredFieldsOutOfRangeGetTheirDefaults)
{
    TempRoot root;
    GlobalAttr a;
    attr_set_defaults(&a);
    a.language = 9; // would index past every text table
    a.volume = 50;
    a.brightness = -3;
    a.sleep_time = 5;
    a.auto_poweroff = 2;
    a.key_sound = -1;
    a.local_pads = 7; // more than two local pads are cut to two
    a.joy_pairing = 3;
    a.theme = -1;
    a.sd_wallpaper = 12; // in range: kept
    a.reserved_c = -77;  // never read: kept as stored
    root.write(ATTR_FILE, sealed(record_bytes(a)));
    EXPECT_EQ(load_global_attr(), 0);
    EXPECT_EQ(global_attr.language, 0);
    EXPECT_EQ(global_attr.volume, 10);
    EXPECT_EQ(global_attr.brightness, 3);
    EXPECT_EQ(global_attr.sleep_time, 0);
    EXPECT_EQ(global_attr.auto_poweroff, 1);
    EXPECT_EQ(global_attr.key_sound, 1);
    EXPECT_EQ(global_attr.local_pads, 2);
    EXPECT_EQ(global_attr.joy_pairing, 0);
    EXPECT_EQ(global_attr.theme, 0);
    EXPECT_EQ(global_attr.sd_wallpaper, 12);
    EXPECT_EQ(global_attr.reserved_c, -77);
    save_attr_if_changed();
    GlobalAttr fixed = global_attr;
    EXPECT_EQ(root.read(ATTR_FILE), sealed(record_bytes(fixed))) << "the mended record is written back";
}

TEST(PortaAttr, SaveIfChangedWritesOnlyOnVolumeBrightnessOrFlag)
{
    TempRoot root;
    root.mkdirs("/mnt/data/porta");
    load_global_attr();
    const std::string before = root.read(ATTR_FILE);

    global_attr.language = 3; // not watched by the exit check on its own
    save_attr_if_changed();
    EXPECT_EQ(root.read(ATTR_FILE), before);

    global_attr.volume = 6;
    save_attr_if_changed();
    std::string after = root.read(ATTR_FILE);
    ASSERT_EQ(after.size(), 72u);
    EXPECT_EQ(le32(after, 28), 6u);
    EXPECT_EQ(le32(after, 36), 3u) << "the whole record is written";

    root.write(ATTR_FILE, before);
    save_attr_if_changed();
    EXPECT_EQ(root.read(ATTR_FILE), before) << "copies refreshed after a save";

    attr_changed = 1;
    global_attr.sd_theme = 0;
    save_attr_if_changed();
    EXPECT_NE(root.read(ATTR_FILE), before);
    EXPECT_EQ(attr_changed, 0);
}

TEST(PortaAttr, WriteFailureIsReportedAndKeepsValues)
{
    TempRoot root; // no /mnt/data/porta folder: the write cannot happen
    attr_set_defaults(&global_attr);
    global_attr.volume = 7;
    testing::internal::CaptureStdout();
    EXPECT_EQ(save_global_attr(), -1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("writeglobalattr, fopen /mnt/data/porta/porta_attr.ini return NULL\n"), std::string::npos)
        << out;
    EXPECT_EQ(global_attr.volume, 7);
    EXPECT_FALSE(root.exists(ATTR_FILE));
}

TEST(PortaAttr, RewriteLeavesNoTemporaryAndOldFileUntilComplete)
{
    TempRoot root;
    root.mkdirs("/mnt/data/porta");
    attr_set_defaults(&global_attr);
    ASSERT_EQ(save_global_attr(), 0);
    global_attr.brightness = 1;
    ASSERT_EQ(save_global_attr(), 0);
    std::string f = root.read(ATTR_FILE);
    EXPECT_EQ(le32(f, 16), 1u);
    EXPECT_EQ(crc32_update(0, f.data(), f.size()), 0u);
    // Only the record is left in the folder.
    EXPECT_EQ(host_system("test $(ls -A '" + root.host("/mnt/data/porta") + "' | wc -l) -eq 1"), 0);
}
