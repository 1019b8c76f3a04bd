#include "porta/base/sealed.h"

#include "common/devroot.h"
#include "common/endian.h"
#include "common/safefile.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct CrcTable {
    uint32_t entry[256];
};

constexpr CrcTable crc_build_table(void)
{
    CrcTable t{};
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t c = n;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t.entry[n] = c;
    }
    return t;
}

// Built by the compiler: a constant table that any thread may read.
constexpr CrcTable CRC_TABLE = crc_build_table();

} // namespace

uint32_t crc32_update(uint32_t crc, const void *data, size_t len)
{
    const uint8_t *p = static_cast<const uint8_t *>(data);
    for (size_t i = 0; i < len; i++)
        crc = CRC_TABLE.entry[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

int crc_seal_write(const char *path, const void *data, size_t len)
{
    const uint8_t *bytes = static_cast<const uint8_t *>(data);
    std::vector<uint8_t> buf(bytes, bytes + len);
    uint8_t seal[4];
    put_le32(seal, crc32_update(0, data, len));
    buf.insert(buf.end(), seal, seal + sizeof seal);
    return write_file_atomic(path, buf.data(), buf.size());
}

int crc_seal_file(const char *path)
{
    std::string content;
    if (read_file(path, content) != 0)
        return -1;
    return crc_seal_write(path, content.data(), content.size());
}

int crc_check_file(const char *path)
{
    FILE *f = dev_fopen(path, "r");
    if (!f)
        return -1;
    std::vector<uint8_t> block(4096);
    uint32_t crc = 0;
    bool all_zero = true;
    size_t total = 0;
    size_t n;
    while ((n = fread(block.data(), 1, block.size(), f)) > 0) {
        crc = crc32_update(crc, block.data(), n);
        total += n;
        for (size_t i = 0; all_zero && i < n; i++)
            all_zero = block[i] == 0;
    }
    fclose(f);
    // Zeros seal themselves (the CRC of zero bytes from 0 is 0): a zero-filled
    // file is a lost write, not a record of zeros.
    if (crc == 0 && (total == 0 || !all_zero))
        return 0;
    dev_unlink(path);
    return -1;
}
