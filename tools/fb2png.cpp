// Turns an RGB565 framebuffer dump (640x480 or 1280x720, little-endian pixels)
// into a PNG picture, for tests and for looking at what porta drew on a host.
//
//   fb2png FRAMEBUFFER OUT.png [WIDTH HEIGHT]
//
// Without WIDTH and HEIGHT the size is taken from the file length. When the
// file holds more than one frame, the first is converted.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

uint32_t crc_table[256];

void init_crc()
{
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t c = n;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        crc_table[n] = c;
    }
}

uint32_t crc32(const uint8_t *p, size_t n, uint32_t c = 0xFFFFFFFFu)
{
    for (size_t i = 0; i < n; i++)
        c = crc_table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return c;
}

void put32(std::vector<uint8_t> &v, uint32_t x)
{
    v.push_back(static_cast<uint8_t>(x >> 24));
    v.push_back(static_cast<uint8_t>(x >> 16));
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}

void chunk(std::vector<uint8_t> &out, const char *type, const std::vector<uint8_t> &data)
{
    put32(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    put32(out, crc32(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

// zlib stream made of stored (uncompressed) deflate blocks.
std::vector<uint8_t> zlib_stored(const std::vector<uint8_t> &raw)
{
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos;
        if (n > 65535)
            n = 65535;
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n & 0xFF));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n & 0xFF));
        z.push_back(static_cast<uint8_t>((~n >> 8) & 0xFF));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    put32(z, (b << 16) | a);
    return z;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 5) {
        fprintf(stderr, "usage: fb2png FRAMEBUFFER OUT.png [WIDTH HEIGHT]\n");
        return 2;
    }
    FILE *f = fopen(argv[1], "rb");
    if (!f) {
        fprintf(stderr, "fb2png: cannot open %s\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> fb;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        fb.insert(fb.end(), buf, buf + n);
    fclose(f);

    long w = 0, h = 0;
    if (argc == 5) {
        w = strtol(argv[3], nullptr, 10);
        h = strtol(argv[4], nullptr, 10);
    } else if (fb.size() >= 1280u * 720u * 2u) {
        w = 1280;
        h = 720;
    } else {
        w = 640;
        h = 480;
    }
    if (w <= 0 || h <= 0 || fb.size() < static_cast<size_t>(w * h * 2)) {
        fprintf(stderr, "fb2png: %s holds %zu bytes, less than one %ldx%ld frame\n", argv[1], fb.size(), w, h);
        return 1;
    }

    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(h * (1 + w * 3)));
    for (long y = 0; y < h; y++) {
        raw.push_back(0);
        for (long x = 0; x < w; x++) {
            size_t i = static_cast<size_t>((y * w + x) * 2);
            unsigned px = fb[i] | (fb[i + 1] << 8);
            unsigned r = (px >> 11) & 31, g = (px >> 5) & 63, b = px & 31;
            raw.push_back(static_cast<uint8_t>((r << 3) | (r >> 2)));
            raw.push_back(static_cast<uint8_t>((g << 2) | (g >> 4)));
            raw.push_back(static_cast<uint8_t>((b << 3) | (b >> 2)));
        }
    }

    init_crc();
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    put32(ihdr, static_cast<uint32_t>(w));
    put32(ihdr, static_cast<uint32_t>(h));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", zlib_stored(raw));
    chunk(png, "IEND", {});

    FILE *o = fopen(argv[2], "wb");
    if (!o || fwrite(png.data(), 1, png.size(), o) != png.size() || fclose(o) != 0) {
        fprintf(stderr, "fb2png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
