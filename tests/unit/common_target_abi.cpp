// What differs between the handheld's 32-bit ARM CPU and a development PC:
// `char` is unsigned there, pointers, long and time_t are 32-bit, and a Linux
// input event is 16 bytes instead of 24. These tests run on both (the armhf
// build runs them under qemu-arm) and must give the same results on both.

#include "common/devroot.h"
#include "common/endian.h"
#include "common/safefile.h"
#include "common/shell.h"
#include "test_root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <type_traits>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

std::string hex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Bit-by-bit reflected CRC-32 (polynomial 0xEDB88320, start 0, no final
// inversion), the seal of the stored records; written independently of any
// table-driven version so that it can check one.
uint32_t crc32_bitwise(const std::string &bytes)
{
    uint32_t crc = 0;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; k++)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc;
}

} // namespace

TEST(TargetAbi, TypesAreThoseOfTheBuildTarget)
{
#if defined(__arm__)
    EXPECT_TRUE(std::is_unsigned<char>::value) << "char is unsigned on the handheld";
    EXPECT_EQ(sizeof(void *), 4u);
    EXPECT_EQ(sizeof(long), 4u);
    EXPECT_EQ(sizeof(time_t), 4u);
    EXPECT_EQ(sizeof(struct input_event), 16u);
    EXPECT_EQ(offsetof(struct input_event, type), 8u);
#elif defined(__x86_64__)
    EXPECT_TRUE(std::is_signed<char>::value);
    EXPECT_EQ(sizeof(void *), 8u);
    EXPECT_EQ(sizeof(long), 8u);
    EXPECT_EQ(sizeof(time_t), 8u);
    EXPECT_EQ(sizeof(struct input_event), 24u);
    EXPECT_EQ(offsetof(struct input_event, type), 16u);
#else
    GTEST_SKIP() << "neither the ARM target nor an x86_64 development host";
#endif
    // The part after the time stamp is the same everywhere.
    EXPECT_EQ(sizeof(struct input_event) - offsetof(struct input_event, type), 8u);
}

// A byte above 127 read from a file is the same number on both CPUs when it
// goes through the unsigned types the programs use for bytes.
TEST(TargetAbi, BytesAbove127ReadFromAFileStayUnsigned)
{
    TempRoot root;
    const std::string stored = std::string("caf\xE9\xFF\x80\x7F", 7);
    root.write("/mnt/data/bytes.bin", stored);
    std::string back;
    ASSERT_EQ(read_file("/mnt/data/bytes.bin", back), 0);
    ASSERT_EQ(back, stored);

    const uint8_t e_acute = static_cast<uint8_t>(back[3]);
    EXPECT_GT(e_acute, 127);
    EXPECT_EQ(e_acute, 0xE9);
    EXPECT_EQ(static_cast<uint8_t>(back[4]), 255);
    EXPECT_EQ(static_cast<uint8_t>(back[5]), 128);

    // A 16- and 32-bit field assembled from such bytes is not sign-extended
    // (the classic "buf[0] | buf[1] << 8" fault on a signed char).
    EXPECT_EQ(get_le16(back.data() + 3), 0xFFE9u);
    EXPECT_EQ(get_le32(back.data() + 3), 0x7F80FFE9u);
    EXPECT_EQ(get_le16s(back.data() + 3), -23);
    EXPECT_EQ(get_le32s(back.data() + 3), 0x7F80FFE9);
    EXPECT_EQ(get_le32s("\xE9\xFF\xFF\xFF"), -23);
    EXPECT_EQ(get_le32s("\x00\x00\x00\x80"), INT32_MIN);

    // The same bytes read with stdio.
    FILE *f = dev_fopen("/mnt/data/bytes.bin", "rb");
    ASSERT_NE(f, nullptr);
    unsigned char buf[8] = {0};
    EXPECT_EQ(fread(buf, 1, sizeof buf, f), 7u);
    fclose(f);
    EXPECT_EQ(buf[3], 0xE9);
    f = dev_fopen("/mnt/data/bytes.bin", "rb");
    ASSERT_NE(f, nullptr);
    int c, count = 0, high = 0;
    while ((c = fgetc(f)) != EOF) {
        count++;
        if (c > 127)
            high++;
    }
    fclose(f);
    EXPECT_EQ(count, 7) << "a 0xFF byte is not EOF";
    EXPECT_EQ(high, 3);
}

// Commands are built from file names that hold any byte: quoting must keep
// every byte from 1 to 255, the high ones included, on both CPUs.
TEST(TargetAbi, ShellQuotingKeepsEveryHighByte)
{
    TempRoot root;
    root.install_recording_shell("/bin/sh", "/tmp/sh.log", 0, true);
    std::string name;
    for (int b = 1; b < 256; b++)
        if (b != '\n')
            name += static_cast<char>(b);
    const std::string out = root.host("/tmp/out.bin");
    const std::string cmd = "printf '%s' " + shell_quote(name) + " > " + shell_quote(out);
    ASSERT_EQ(run_shell("/bin/sh", cmd.c_str()), 0);
    EXPECT_EQ(hex(root.read("/tmp/out.bin")), hex(name));
}

// Device paths with UTF-8 names map and resolve to the same bytes.
TEST(TargetAbi, Utf8NamesMapThroughTheDeviceRoot)
{
    TempRoot root;
    const std::string dir = "/mnt/mmc/Roms/\xE4\xB8\xAD\xE6\x96\x87";
    const std::string file = dir + "/\xC3\xA9t\xC3\xA9 \xE2\x80\x94 1.gba";
    root.write(file, "rom");
    EXPECT_TRUE(dev_exists(file.c_str()));
    char out[PATH_MAX];
    ASSERT_NE(
        dev_realpath((dir + "/../\xE4\xB8\xAD\xE6\x96\x87/./" + file.substr(dir.size() + 1)).c_str(), out, sizeof out),
        nullptr);
    EXPECT_EQ(hex(out), hex(file));
}

// A record of 17 signed 32-bit fields and its CRC-32 trailer, as the settings
// are stored: written with explicit byte order, it is the same 72 bytes on
// both CPUs and reads back to the same values.
TEST(TargetAbi, LittleEndianRecordIsIdenticalOnBothCpus)
{
    TempRoot root;
    const int32_t fields[17] = {0,  1,          -1,        2,         3,    127, 128,  255,  256,
                                -2, 0x12345678, INT32_MAX, INT32_MIN, 0xE9, -23, 1000, -1000};
    uint8_t rec[72];
    put_le32s_array(rec, fields, 17);
    const uint32_t crc = crc32_bitwise(std::string(reinterpret_cast<const char *>(rec), 68));
    EXPECT_EQ(crc, 0x61422855u);
    put_le32(rec + 68, crc);
    root.mkdirs("/mnt/data/porta");
    ASSERT_EQ(write_file_atomic("/mnt/data/porta/record.ini", rec, sizeof rec), 0);

    std::string stored;
    ASSERT_EQ(read_file("/mnt/data/porta/record.ini", stored), 0);
    ASSERT_EQ(stored.size(), 72u);
    EXPECT_EQ(hex(stored),
              "0000000001000000ffffffff02000000"
              "030000007f00000080000000ff000000"
              "00010000feffffff78563412ffffff7f"
              "00000080e9000000e9ffffffe8030000"
              "18fcffff55284261");
    // A sealed record checks to 0 over all of its bytes.
    EXPECT_EQ(crc32_bitwise(stored), 0u);
    stored[20] = static_cast<char>(stored[20] ^ 0x80);
    EXPECT_NE(crc32_bitwise(stored), 0u);
    stored[20] = static_cast<char>(stored[20] ^ 0x80);

    int32_t back[17];
    get_le32s_array(stored.data(), back, 17);
    for (int i = 0; i < 17; i++)
        EXPECT_EQ(back[i], fields[i]) << "field " << i;
    EXPECT_EQ(get_le32(stored.data() + 68), crc);

    // A CRC over bytes above 127 (the check value of "123456789" for this
    // variant, and one over high bytes only).
    EXPECT_EQ(crc32_bitwise("123456789"), 0x2DFD2D88u);
    EXPECT_EQ(crc32_bitwise("\xFF"), crc32_bitwise(std::string(1, static_cast<char>(255))));
}

// Seventeen signed 16-bit key codes, as the keypad map stores them.
TEST(TargetAbi, LittleEndianShortsIncludingNegativeCodes)
{
    const int16_t codes[17] = {90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 103, 104, 108, 109};
    uint8_t map[34];
    put_le16s_array(map, codes, 17);
    EXPECT_EQ(hex(std::string(reinterpret_cast<const char *>(map), 34)),
              "5a005b005c005d005e005f006000610062006300640065006600670068006c006d00");
    int16_t back[17];
    get_le16s_array(map, back, 17);
    for (int i = 0; i < 17; i++)
        EXPECT_EQ(back[i], codes[i]);

    uint8_t two[2];
    put_le16s(two, -200);
    EXPECT_EQ(two[0], 0x38);
    EXPECT_EQ(two[1], 0xFF);
    EXPECT_EQ(get_le16s(two), -200);
    put_le16s(two, INT16_MIN);
    EXPECT_EQ(get_le16s(two), INT16_MIN);
    put_le16(two, 0xBEEF);
    EXPECT_EQ(get_le16(two), 0xBEEF);
}

// Input events written as raw records into a FIFO under the device root read
// back with the platform's own record size, the way the keypad and gamepad
// readers read /dev/input/event*. An evdev ioctl on the FIFO fails (ENOTTY on
// Linux, ENOSYS under qemu-user): any failure means "not an evdev device".
TEST(TargetAbi, InputEventsReadWithTheTargetRecordSize)
{
    TempRoot root;
    root.mkdirs("/dev/input");
    ASSERT_EQ(mkfifo(dev_path("/dev/input/event3").c_str(), 0600), 0) << strerror(errno);
    // Read and write ends at once: opening a FIFO read-write never blocks.
    int fd = dev_open("/dev/input/event3", O_RDWR | O_NONBLOCK);
    ASSERT_GE(fd, 0) << strerror(errno);

    struct input_event sent[3];
    memset(sent, 0, sizeof sent);
    sent[0].time.tv_sec = 1700000000;
    sent[0].time.tv_usec = 250000;
    sent[0].type = EV_KEY;
    sent[0].code = 0x5A;
    sent[0].value = 1;
    sent[1].time = sent[0].time;
    sent[1].type = EV_SYN;
    sent[1].code = SYN_REPORT;
    sent[2].time.tv_sec = 1700000001;
    sent[2].type = EV_ABS;
    sent[2].code = ABS_HAT0X;
    sent[2].value = -1;
    ASSERT_EQ(write(fd, sent, sizeof sent), static_cast<ssize_t>(sizeof sent));

    // One record at a time, as the reader threads do.
    struct input_event ev;
    ASSERT_EQ(read(fd, &ev, sizeof ev), static_cast<ssize_t>(sizeof(struct input_event)));
    EXPECT_EQ(ev.time.tv_sec, 1700000000);
    EXPECT_EQ(ev.time.tv_usec, 250000);
    EXPECT_EQ(ev.type, EV_KEY);
    EXPECT_EQ(ev.code, 0x5A);
    EXPECT_EQ(ev.value, 1);
    // The rest in one read: exactly two whole records.
    struct input_event rest[4];
    ASSERT_EQ(read(fd, rest, sizeof rest), static_cast<ssize_t>(2 * sizeof(struct input_event)));
    EXPECT_EQ(rest[0].type, EV_SYN);
    EXPECT_EQ(rest[0].code, SYN_REPORT);
    EXPECT_EQ(rest[1].type, EV_ABS);
    EXPECT_EQ(rest[1].code, ABS_HAT0X);
    EXPECT_EQ(rest[1].value, -1);
    EXPECT_EQ(rest[1].time.tv_sec, 1700000001);
    // Empty now: a non-blocking read says so instead of waiting.
    errno = 0;
    EXPECT_EQ(read(fd, &ev, sizeof ev), -1);
    EXPECT_EQ(errno, EAGAIN);

    char name[64] = {0};
    errno = 0;
    const int named = ioctl(fd, EVIOCGNAME(sizeof name), name);
    const int named_errno = errno;
    EXPECT_EQ(named, -1);
    EXPECT_NE(named_errno, 0);
    int version = 0;
    EXPECT_EQ(ioctl(fd, EVIOCGVERSION, &version), -1);
    close(fd);
}

// Disc images on the cards exceed 2 GiB: the 32-bit build uses 64-bit file
// offsets, so such a file is seen with its size and a folder holding it is
// listed whole (readdir fails too without them where directory offsets are
// 64-bit, as on ext4 under qemu-user).
TEST(TargetAbi, FilesOver2GiBAndFolderListings)
{
    EXPECT_EQ(sizeof(off_t), 8u);
    TempRoot root;
    root.mkdirs("/mnt/SDCARD/Roms/PS");
    root.write("/mnt/SDCARD/Roms/PS/small.cue", "FILE");
    int fd = dev_open("/mnt/SDCARD/Roms/PS/big.iso", O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0) << strerror(errno);
    const off_t size = static_cast<off_t>(3) << 30; // sparse: takes no space
    ASSERT_EQ(ftruncate(fd, size), 0) << strerror(errno);
    close(fd);
    struct stat st;
    ASSERT_EQ(dev_stat("/mnt/SDCARD/Roms/PS/big.iso", &st), 0) << strerror(errno);
    EXPECT_EQ(st.st_size, size);
    EXPECT_TRUE(dev_exists("/mnt/SDCARD/Roms/PS/big.iso"));
    FILE *f = dev_fopen("/mnt/SDCARD/Roms/PS/big.iso", "rb");
    ASSERT_NE(f, nullptr) << strerror(errno);
    fclose(f);

    DIR *d = dev_opendir("/mnt/SDCARD/Roms/PS");
    ASSERT_NE(d, nullptr);
    std::vector<std::string> names;
    errno = 0;
    while (struct dirent *e = readdir(d))
        if (e->d_name[0] != '.')
            names.push_back(e->d_name);
    const int listing_errno = errno;
    closedir(d);
    EXPECT_EQ(listing_errno, 0) << strerror(listing_errno);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"big.iso", "small.cue"}));
}

// The tests of the initials search check its keys against the C library's
// UTF-8 to GBK converter; under emulation its converter modules come from the
// target's own C library.
TEST(TargetAbi, Utf8ToGbkConversionWorks)
{
    iconv_t cd = iconv_open("GBK", "UTF-8");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << "no GBK converter: " << strerror(errno);
    char in[] =
        "\xE4\xB8\xAD\xE6\x96\x87"
        "A1"; // "中文A1"
    char out[16] = {0};
    char *ip = in, *op = out;
    size_t il = strlen(in), ol = sizeof out;
    const size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    ASSERT_NE(r, static_cast<size_t>(-1)) << strerror(errno);
    const std::string gbk(out, sizeof out - ol);
    EXPECT_EQ(hex(gbk), "d6d0cec44131");
    // A GBK lead byte is recognised as such (0x81..0xFE) whatever `char` is.
    EXPECT_GE(static_cast<uint8_t>(gbk[0]), 0x81);
    EXPECT_LT(static_cast<uint8_t>(gbk[4]), 0x80);
}

// Times are 32-bit on the handheld: a request for the last second that fits
// is recorded as it stands.
TEST(TargetAbi, ClockRequestsAtTheEdgeOf32BitTime)
{
    TempRoot root;
    EXPECT_EQ(set_system_time(static_cast<time_t>(INT32_MAX)), 0);
    EXPECT_EQ(root.read("/.clock-requests"), "2147483647\n");
}
