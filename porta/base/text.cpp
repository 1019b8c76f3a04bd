#include "porta/base/text.h"

#include "porta/base/pinyin_table.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// The key of names is worked out over the bytes the names take in GBK, as
// far as a 128-byte conversion buffer holds them: one byte for ASCII, two for
// any other character.
const size_t gbk_buffer_size = 128;

// Decodes the UTF-8 sequence at `s` into `cp`; returns its length, or 0 when
// it is not well-formed (a stray or missing continuation byte, an overlong
// form, a surrogate or a value past U+10FFFF).
size_t utf8_decode(const unsigned char *s, uint32_t *cp)
{
    const unsigned b = s[0];
    if (b < 0x80) {
        *cp = b;
        return 1;
    }
    size_t n;
    uint32_t v, min;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2, v = b & 0x1F, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3, v = b & 0x0F, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4, v = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    for (size_t i = 1; i < n; i++) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (s[i] & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    *cp = v;
    return n;
}

// The letter a character other than ASCII gives in the key: the initial of
// its reading from the generated table, ":" when it has none.
char pinyin_initial(uint32_t cp)
{
    const PinyinSegment *end = pinyin_segments + pinyin_segment_count;
    const PinyinSegment *seg =
        std::upper_bound(pinyin_segments, end, cp, [](uint32_t c, const PinyinSegment &s) { return c < s.first; });
    if (seg == pinyin_segments)
        return ':';
    --seg;
    const uint32_t i = seg->index + (cp - seg->first);
    if (i >= seg[1].index)
        return ':';
    const uint32_t bit = i * 5;
    const unsigned pair = pinyin_letters[bit >> 3] | (pinyin_letters[(bit >> 3) + 1] << 8);
    const unsigned value = (pair >> (bit & 7)) & 0x1F;
    return value ? static_cast<char>('a' + value - 1) : ':';
}

} // namespace

int name_initials(const char *name, char *out, size_t outsz)
{
    if (!name || !out)
        return -1;
    // The key is made whole before anything is written: a name that is not
    // UTF-8 leaves the output as it was.
    char key[gbk_buffer_size];
    size_t keylen = 0;
    size_t width = 0;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(name);
    while (*p) {
        uint32_t cp;
        const size_t n = utf8_decode(p, &cp);
        if (n == 0) {
            printf("####### iconv failed from_charset #######");
            return -1;
        }
        const size_t w = cp < 0x80 ? 1 : 2;
        if (width + w > gbk_buffer_size)
            break;
        // A character cut by the end of the output gives nothing.
        if (width + w <= outsz) {
            if (cp >= 0x80)
                key[keylen++] = pinyin_initial(cp);
            else if (cp <= 0x40)
                key[keylen++] = static_cast<char>(cp);
        }
        width += w;
        p += n;
    }
    if (keylen)
        memcpy(out, key, keylen);
    return static_cast<int>(std::min(width, outsz));
}

size_t utf8_cut(const char *text, size_t len, size_t max)
{
    if (len <= max)
        return len;
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        n--;
    return n;
}

size_t utf8_copy(char *out, size_t outsz, const char *text)
{
    if (outsz == 0)
        return 0;
    size_t n = text ? utf8_cut(text, strlen(text), outsz - 1) : 0;
    if (n)
        memcpy(out, text, n);
    out[n] = '\0';
    return n;
}
